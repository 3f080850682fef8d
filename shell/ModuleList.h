#pragma once

// The program's modules with their start-up and shutdown steps, run in a fixed
// order: start-up top to bottom, shutdown bottom to top.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace shell {

struct Module {
  std::string name;
  std::function<void()> initialization;  // empty: the module has no start-up step
  std::function<void()> finalization;    // empty: the module has no shutdown step
};

class ModuleList {
 public:
  explicit ModuleList(std::vector<Module> modules) : modules_(std::move(modules)) {}

  // Runs the start-up steps in order. When one raises, every module whose step
  // began is shut down bottom to top, the failing one included, and the error
  // goes on to the caller.
  void Initialize();

  // Runs the shutdown steps of the started modules bottom to top.
  void Finalize();

  // Where the failed start-up step lives, for the run-time error box.
  std::uintptr_t FailureAddress() const { return failureAddress_; }

 private:
  std::vector<Module> modules_;
  std::size_t begun_ = 0;
  std::uintptr_t failureAddress_ = 0;
};

}  // namespace shell
