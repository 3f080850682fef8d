// tarvex-jet COMMAND ARGS...: exit 0 on success, 1 with the error on stderr,
// the usage text on stderr and 1 for a wrong command line.

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "Commands.h"

namespace {

int Usage() {
  std::cerr << "usage: tarvex-jet COMMAND ARGS...\n";
  for (const auto& c : jet::tool::Commands()) {
    std::cerr << "  tarvex-jet " << c.name << " " << c.usage << "\n      " << c.summary << "\n";
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  for (const auto& command : jet::tool::Commands()) {
    if (args[0] != command.name) continue;
    const std::span<const std::string> rest(args.data() + 1, args.size() - 1);
    if (rest.size() < command.minArguments || rest.size() > command.maxArguments) return Usage();
    try {
      return command.run(rest, std::cout);
    } catch (const jet::tool::UsageError&) {
      return Usage();
    } catch (const std::exception& e) {
      std::cout.flush();
      std::cerr << "tarvex-jet: " << e.what() << "\n";
      return 1;
    }
  }
  return Usage();
}
