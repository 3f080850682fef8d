#include "MicroSuite.h"

#include <benchmark/benchmark.h>

#include <vector>

#include "BaseItemsOptionUnit.h"
#include "CountingEnv.h"
#include "Files.h"
#include "jet/Database.h"

namespace bench {

namespace {

constexpr const char* kPagesRead = "pages_read";

// Database::Open as start-up calls it. A cold open first has the file
// dropped from the page cache, outside the timed region: that is what the
// first start after a reboot pays.
void OpenDatabase(benchmark::State& state, const std::string& path, Cache cache) {
  CountingEnv env(*jet::Env::Default());
  for (auto _ : state) {
    if (cache == Cache::kCold) {
      state.PauseTiming();
      DropFromCache(path);
      state.ResumeTiming();
    }
    auto db = jet::Database::Open(path, {}, &env);
    benchmark::DoNotOptimize(db.get());
  }
  const double pages = static_cast<double>(env.Of(path).bytes_read) / static_cast<double>(kPageBytes);
  state.counters[kPagesRead] = benchmark::Counter(pages, benchmark::Counter::kAvgIterations);
}

void SaveSettings(benchmark::State& state, const std::string& path) {
  TBaseItemsOption options(path);
  std::int32_t minutes = 0;
  for (auto _ : state) {
    // A changed value each time, as the dialog would store.
    options.DelayMinutes = ++minutes % 60;
    options.SaveOptions();
  }
}

void LoadSettings(benchmark::State& state, const std::string& path) {
  TBaseItemsOption options(path);
  for (auto _ : state) {
    options.LoadOptions();
    benchmark::DoNotOptimize(options.DelayMinutes);
  }
}

// Keeps every run for the report while the console shows them as usual.
class KeepingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    kept_.insert(kept_.end(), runs.begin(), runs.end());
  }
  const std::vector<Run>& kept() const { return kept_; }

 private:
  std::vector<Run> kept_;
};

double Seconds(const benchmark::BenchmarkReporter::Run& run) {
  const double per_unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
  return run.GetAdjustedRealTime() / per_unit;
}

struct Planned {
  MicroResult result;
  bool settings = false;
};

Planned SettingsCase(const std::string& name) {
  Planned p;
  p.result.name = name;
  p.settings = true;
  return p;
}

Planned OpenCase(const std::string& name, const OpenTarget& target, Cache cache) {
  Planned p;
  p.result.name = name;
  p.result.database = target.label;
  p.result.file_bytes = FileSize(target.path);
  p.result.cache = cache;
  return p;
}

}  // namespace

void RunMicroSuite(const MicroOptions& options, Results& results) {
  // In the order of registration, which is the order of the families' index.
  std::vector<Planned> planned;
  const auto configure = [&](benchmark::internal::Benchmark* b) {
    b->MinTime(options.min_seconds)->UseRealTime()->Unit(benchmark::kMicrosecond);
  };
  for (const OpenTarget& target : options.databases) {
    for (Cache cache : {Cache::kWarm, Cache::kCold}) {
      const std::string name =
          std::string("open/") + (cache == Cache::kCold ? "cold/" : "warm/") + target.label;
      configure(benchmark::RegisterBenchmark(name.c_str(), OpenDatabase, target.path, cache));
      planned.push_back(OpenCase(name, target, cache));
    }
  }
  {
    TBaseItemsOption seed(options.option_ini);
    seed.SaveOptions();
  }
  configure(benchmark::RegisterBenchmark("settings/save", SaveSettings, options.option_ini));
  planned.push_back(SettingsCase("save the four settings (SaveOptions)"));
  configure(benchmark::RegisterBenchmark("settings/load", LoadSettings, options.option_ini));
  planned.push_back(SettingsCase("load the four settings (LoadOptions)"));

  KeepingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::ClearRegisteredBenchmarks();

  for (const auto& run : reporter.kept()) {
    const auto family = static_cast<std::size_t>(run.family_index);
    if (family >= planned.size() || run.run_type != benchmark::BenchmarkReporter::Run::RT_Iteration) continue;
    MicroResult r = planned[family].result;
    r.seconds = Seconds(run);
    r.iterations = run.iterations;
    const auto pages = run.counters.find(kPagesRead);
    if (pages != run.counters.end()) r.pages_read = pages->second.value;
    (planned[family].settings ? results.settings : results.opens).push_back(r);
  }
}

}  // namespace bench
