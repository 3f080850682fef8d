// Test entry for tests that need widgets: one QApplication and one application
// object for the whole run, as the program has.

#include <gtest/gtest.h>

#include <QApplication>

#include "vcl/Application.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Widget tests never need a display, also when the tests are listed at build time.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qtApplication(argc, argv);
  vcl::TApplication application("/opt/client/Tarvex");
  return RUN_ALL_TESTS();
}
