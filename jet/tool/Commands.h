#pragma once

#include <exception>
#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jet::tool {

// A subcommand: its arguments after the subcommand's name. Returns the exit
// code; throws jet::Error (or std::exception) for failures.
struct Command {
  std::string_view name;
  std::string_view usage;  // arguments, for the usage text
  std::string_view summary;
  std::size_t minArguments;
  std::size_t maxArguments;
  std::function<int(std::span<const std::string>, std::ostream&)> run;
};

// The tool's subcommands. Further ones are added here.
const std::vector<Command>& Commands();

int Info(std::span<const std::string> args, std::ostream& out);
int Exec(std::span<const std::string> args, std::ostream& out);
int CreateSample(std::span<const std::string> args, std::ostream& out);

// A wrong command line.
class UsageError : public std::exception {};

}  // namespace jet::tool
