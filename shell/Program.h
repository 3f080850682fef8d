#pragma once

// The program entry: modules start, the main window runs, modules stop. A
// failed start-up ends in the run-time error box and exit code 217.

#include <cstdint>
#include <string>

#include "ModuleList.h"

namespace shell {

inline constexpr int kRuntimeErrorExitCode = 217;

// "Runtime error 217 at 0040A1B2": the error number in decimal and the address,
// eight upper-case hexadecimal digits with leading zeros.
std::string RuntimeErrorText(int errorNumber, std::uintptr_t address);

// Runs the program's entry with `modules`; returns the process exit code.
int RunProgram(ModuleList& modules);

}  // namespace shell
