// What start-up and the settings dialog pay, measured in process with Google
// Benchmark: opening databases small and large, loading and saving the four
// settings of Option.ini.
#pragma once

#include <string>
#include <vector>

#include "Results.h"

namespace bench {

struct OpenTarget {
  std::string label;  // e.g. "10 000 rows"
  std::string path;
};

struct MicroOptions {
  std::vector<OpenTarget> databases;
  std::string option_ini;  // created by the suite
  double min_seconds = 0.5;  // per benchmark
};

// Fills results.opens and results.settings.
void RunMicroSuite(const MicroOptions& options, Results& results);

}  // namespace bench
