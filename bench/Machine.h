// What the figures were measured on: without it no one can compare them.
#pragma once

#include <string>

namespace bench {

struct Machine {
  std::string cpu;         // model name
  unsigned cores = 0;      // online
  std::string memory;      // e.g. "23.5 GiB"
  std::string disk;        // device, file system and mount of the scratch folder
  std::string kernel;
};

Machine DescribeMachine(const std::string& scratch_folder);

}  // namespace bench
