// tarvex-bench: measures clearing T_Room against copying the same file and
// reading it with mdb-export, opening databases small and large, and saving
// the settings; writes the figures as Markdown. scripts/bench.sh runs it.
//
//   tarvex-bench [--scratch DIR] [--out FILE] [--runs N] [--rows N,N,...]
//                [--large-mib N] [--revision TEXT] [--build TEXT]
//   tarvex-bench clear-child FILE                 (run by the benchmark itself)
//   tarvex-bench measure [--capture] [--fsync FILE] -- PROGRAM ARGS...   (likewise)

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "ClearChild.h"
#include "ClearSuite.h"
#include "Files.h"
#include "Machine.h"
#include "MicroSuite.h"
#include "Process.h"
#include "Report.h"
#include "writer/SampleDatabase.h"

namespace bench {

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
// What the writer makes per room with memo values, for sizing a file before
// one was made.
constexpr double kMemoBytesPerRow = 400;

struct Options {
  std::string scratch = ".";
  std::string out;
  int runs = 5;
  std::vector<int> rows{10000, 100000, 1000000};
  std::uint64_t large_mib = 1024;  // 0: no large database
  std::string revision = "unknown";
  std::string build = "unknown";
};

[[noreturn]] void Usage() {
  throw std::invalid_argument(
      "usage: tarvex-bench [--scratch DIR] [--out FILE] [--runs N] [--rows N,N,...] [--large-mib N] "
      "[--revision TEXT] [--build TEXT]");
}

std::vector<int> ParseRows(const std::string& text) {
  std::vector<int> rows;
  std::istringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) rows.push_back(std::stoi(item));
  if (rows.empty()) Usage();
  return rows;
}

Options ParseOptions(const std::vector<std::string>& args) {
  Options o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i + 1 >= args.size()) Usage();
    const std::string& value = args[i + 1];
    if (args[i] == "--scratch") o.scratch = value;
    else if (args[i] == "--out") o.out = value;
    else if (args[i] == "--runs") o.runs = std::stoi(value);
    else if (args[i] == "--rows") o.rows = ParseRows(value);
    else if (args[i] == "--large-mib") o.large_mib = std::stoull(value);
    else if (args[i] == "--revision") o.revision = value;
    else if (args[i] == "--build") o.build = value;
    else Usage();
    ++i;
  }
  if (o.runs < 1) Usage();
  return o;
}

// A folder of its own under the scratch folder, removed however the run ends.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& parent) {
    std::filesystem::create_directories(parent);
    std::string pattern = parent + "/tarvex-bench.XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a folder in " + parent);
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The largest moment of a run: the biggest database with memos, its working
// copy and the copy cp makes, beside the kept files; or the large database.
std::uint64_t NeededBytes(const Options& o) {
  const int most = *std::max_element(o.rows.begin(), o.rows.end());
  const auto clearing = static_cast<std::uint64_t>(3.5 * kMemoBytesPerRow * most);
  return std::max(clearing, o.large_mib * kMiB + clearing / 3) + 100 * kMiB;
}

std::string CreateDatabase(const std::string& folder, int rows, bool memos, double& seconds) {
  const std::string path = folder + "/rooms-" + std::to_string(rows) + (memos ? "-memos" : "") + ".mdb";
  std::cerr << "creating " << path << " ...\n";
  const auto start = std::chrono::steady_clock::now();
  jet::writer::CreateRoomDatabase(path, {rows, memos});
  SyncFile(path);
  seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return path;
}

std::string Now() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  ::gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &utc);
  return text;
}

std::string RowsLabel(int rows) { return GroupDigits(static_cast<std::uint64_t>(rows)) + " rows"; }

int RunAll(const Options& o) {
  const auto start = std::chrono::steady_clock::now();
  const ScratchFolder scratch(o.scratch);
  const std::uint64_t needed = NeededBytes(o);
  if (FreeBytes(scratch.path()) < needed) {
    throw std::runtime_error("the run needs about " + std::to_string(needed / kMiB) + " MiB free in " + o.scratch);
  }
  Results results;
  ClearOptions clear{scratch.path(), o.runs, false, true};
  std::vector<OpenTarget> opens;
  double memo_bytes_per_row = kMemoBytesPerRow;
  std::vector<int> sizes = o.rows;
  std::sort(sizes.begin(), sizes.end());
  for (int rows : sizes) {
    for (bool memos : {false, true}) {
      double created = 0;
      const std::string path = CreateDatabase(scratch.path(), rows, memos, created);
      clear.cold_too = rows == sizes.back();
      ClearCase c = MeasureClearCase(path, rows, memos, clear);
      c.create_seconds = created;
      if (memos && rows > 0) memo_bytes_per_row = static_cast<double>(c.file_bytes) / rows;
      results.clears.push_back(c);
      // The smallest and largest without memos are kept for the open figures.
      if (!memos && (rows == sizes.front() || rows == sizes.back())) {
        opens.push_back({RowsLabel(rows), path});
      } else {
        std::filesystem::remove(path);
      }
    }
  }
  if (o.large_mib > 0) {
    const auto rows = static_cast<int>(static_cast<double>(o.large_mib * kMiB) / memo_bytes_per_row) + 1;
    double created = 0;
    const std::string path = CreateDatabase(scratch.path(), rows, true, created);
    std::cerr << "  " << FileSize(path) / kMiB << " MiB in " << created << " s\n";
    opens.push_back({RowsLabel(rows) + " with memos", path});
  }
  RunMicroSuite({opens, scratch.path() + "/Option.ini", 0.5}, results);
  results.total_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  const Machine machine = DescribeMachine(scratch.path());
  const std::string text =
      RenderMarkdown(results, machine, {Now(), o.revision, o.build, o.scratch, o.runs});
  if (o.out.empty()) {
    std::cout << text;
  } else {
    std::ofstream file(o.out);
    file << text;
    if (!file.flush()) throw std::runtime_error("cannot write " + o.out);
    std::cerr << "wrote " << o.out << "\n";
  }
  return 0;
}

}  // namespace

}  // namespace bench

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (!args.empty() && args[0] == "clear-child") {
      if (args.size() != 2) throw std::invalid_argument("usage: tarvex-bench clear-child FILE");
      return bench::RunClearChild(args[1], std::cout);
    }
    if (!args.empty() && args[0] == "measure") {
      return bench::RunMeasureCommand({args.begin() + 1, args.end()}, std::cout);
    }
    int bench_argc = 1;
    benchmark::Initialize(&bench_argc, argv);
    return bench::RunAll(bench::ParseOptions(args));
  } catch (const std::exception& e) {
    std::cerr << "tarvex-bench: " << e.what() << "\n";
    return 1;
  }
}
