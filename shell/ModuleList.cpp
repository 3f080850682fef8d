#include "ModuleList.h"

namespace shell {
namespace {

std::uintptr_t AddressOf(const std::function<void()>& step) {
  if (const auto* function = step.target<void (*)()>()) {
    return reinterpret_cast<std::uintptr_t>(*function);
  }
  return reinterpret_cast<std::uintptr_t>(&step);
}

}  // namespace

void ModuleList::Initialize() {
  for (const Module& module : modules_) {
    ++begun_;
    if (!module.initialization) continue;
    try {
      module.initialization();
    } catch (...) {
      failureAddress_ = AddressOf(module.initialization);
      Finalize();
      throw;
    }
  }
}

void ModuleList::Finalize() {
  while (begun_ > 0) {
    const Module& module = modules_[--begun_];
    if (module.finalization) module.finalization();
  }
}

}  // namespace shell
