// The results as docs/benchmarks.md: the machine, the goals with the ratios
// measured against them, and every figure behind the ratios.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Machine.h"
#include "Results.h"

namespace bench {

struct RunInfo {
  std::string date;      // UTC
  std::string revision;  // of the source measured
  std::string build;     // the build type
  std::string scratch;   // where the files were made
  int runs = 0;
};

struct Goal {
  std::string goal;
  std::string measured;
  std::string limit;
  bool known = false;  // measured at all in this run
  bool met = false;
};

// 1234567 -> "1 234 567": large counts stay readable in a table.
std::string GroupDigits(std::uint64_t n);

std::vector<Goal> EvaluateGoals(const Results& results);

std::string RenderMarkdown(const Results& results, const Machine& machine, const RunInfo& info);

}  // namespace bench
