#include "Program.h"

#include <cstdio>
#include <exception>
#include <iostream>

#include "TarvexUnit.h"
#include "vcl/Application.h"
#include "vcl/MessageBoxes.h"

namespace shell {

std::string RuntimeErrorText(int errorNumber, std::uintptr_t address) {
  char text[64];
  std::snprintf(text, sizeof text, "Runtime error %3d at %08X", errorNumber,
                static_cast<unsigned>(address & 0xFFFFFFFFU));
  return text;
}

namespace {

// The screen shows only the run-time error box; a user who started the program
// from a terminal also learns the cause.
void ReportFailedStartUp(const ModuleList& modules, const char* cause) {
  std::cerr << "Tarvex: start-up failed: " << cause << std::endl;
  vcl::CurrentMessageBoxes().MessageBox(
      nullptr, RuntimeErrorText(kRuntimeErrorExitCode, modules.FailureAddress()), "Error",
      vcl::MB_OK);
}

}  // namespace

int RunProgram(ModuleList& modules) {
  try {
    modules.Initialize();
  } catch (const std::exception& error) {
    ReportFailedStartUp(modules, error.what());
    return kRuntimeErrorExitCode;
  } catch (...) {
    ReportFailedStartUp(modules, "unknown error");
    return kRuntimeErrorExitCode;
  }

  vcl::Application->Initialize();
  {
    TToolFrm toolFrm;
    vcl::Application->Run(toolFrm);
  }
  modules.Finalize();
  return 0;
}

}  // namespace shell
