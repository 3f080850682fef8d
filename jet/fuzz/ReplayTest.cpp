// Every kept fuzz input (seeds, and inputs that once broke the engine) runs
// through its harness in the ordinary test run, sanitizers included; so does
// every fixture database. A harness aborts on a fault, which fails the run.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Harnesses.h"

namespace jet::fuzz {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> Inputs(const fs::path& folder) {
  std::vector<fs::path> files;
  if (!fs::is_directory(folder)) return files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name.front() != '.' && name != "README.md") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::size_t Replay(int (*harness)(const std::uint8_t*, std::size_t), const std::vector<fs::path>& files) {
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    std::ifstream in(file, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(harness(bytes.data(), bytes.size()), 0);
  }
  return files.size();
}

const fs::path kHere = TARVEX_JET_FUZZ_DIR;

TEST(FuzzReplay, OpenAndClearKeptInputsAndFixtures) {
  std::size_t count = Replay(OpenAndClear, Inputs(kHere / "regressions" / "open-and-clear"));
  count += Replay(OpenAndClear, Inputs(fs::path(TARVEX_SHARED_DIR) / "fixtures" / "access"));
  if (count == 0) GTEST_SKIP() << "no inputs: no kept ones, and ../shared/fixtures/access is absent";
}

TEST(FuzzReplay, RecoverJournalKeptInputs) {
  const std::size_t count = Replay(RecoverJournal, Inputs(kHere / "seeds" / "recover-journal")) +
                            Replay(RecoverJournal, Inputs(kHere / "regressions" / "recover-journal"));
  EXPECT_GT(count, 0u) << "the seeds are missing";
}

}  // namespace
}  // namespace jet::fuzz
