// The program module: the platform starts, then the program's own modules in
// their fixed order, then the main window.

#include <QApplication>

#include "BaseItemsOptionUnit.h"
#include "MessageMDBUnit.h"
#include "ModuleList.h"
#include "Program.h"
#include "rtl/SysUtils.h"
#include "vcl/Application.h"

namespace {

void BaseItemsOptionUnitInitialization() {
  BaseItemsOptionUnit::Initialization(rtl::ApplicationDirectory());
}

void MessageMDBUnitInitialization() {
  MessageMDBUnit::Initialization(rtl::ApplicationDirectory());
}

void MessageMDBUnitFinalization() { MessageMDBUnit::Finalization(); }

}  // namespace

int main(int argc, char* argv[]) {
  // The platform's modules: the widget library and the application object come
  // before the program's own, so the executable's path is known to them.
  QApplication qtApplication(argc, argv);
  vcl::TApplication application(rtl::ExeName());
  QApplication::setApplicationName(QString::fromStdString(application.Title()));

  shell::ModuleList modules({
      {"BaseItemsOptionUnit", &BaseItemsOptionUnitInitialization, {}},
      {"SetBaseItemsUnit", {}, {}},
      {"MessageMDBUnit", &MessageMDBUnitInitialization, &MessageMDBUnitFinalization},
      {"OperateMDB", {}, {}},
      {"TarvexUnit", {}, {}},
  });
  return shell::RunProgram(modules);
}
