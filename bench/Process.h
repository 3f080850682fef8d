// Runs another program and measures it from outside: wall time, peak memory
// and what the kernel counted of its input and output. Each measured step
// runs in a process of its own, so that nothing of the benchmark itself (the
// writer's memory above all) ends up in its figures.
//
// Linux counts a forked copy's resident pages in its peak and keeps that peak
// across exec, so a program forked straight from this process (grown large by
// the writer) would be charged for the writer's memory. Measure therefore
// goes through a fresh, small copy of this program (`tarvex-bench measure`)
// that starts the measured program itself.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace bench {

// The kernel's I/O accounting of a process (/proc/PID/io).
struct KernelIo {
  std::uint64_t rchar = 0;        // bytes asked for by read calls
  std::uint64_t wchar = 0;        // bytes handed to write calls
  std::uint64_t read_bytes = 0;   // bytes fetched from the disk
  std::uint64_t write_bytes = 0;  // bytes the process made dirty for the disk
};

struct ProcessResult {
  double wall_seconds = 0;
  std::uint64_t peak_rss_bytes = 0;
  KernelIo io;
  double after_seconds = 0;  // of the wall time, spent in the step after the exit
  int exit_status = -1;  // the exit code; -1 for a signal
  std::string output;    // standard output, when captured
};

enum class Output { kCapture, kDiscard };

// Runs `argv` (the program found on PATH) and waits for it. `after` runs in
// this process once the child has exited and still counts towards the wall
// time (a flush the child's work is not complete without, say).
ProcessResult RunProcess(const std::vector<std::string>& argv, Output output,
                         const std::function<void()>& after = {});

// Runs `argv` through `tarvex-bench measure` and returns what it measured.
// When `fsync_after` is given, that file is flushed once the program has
// exited, inside the timed region.
ProcessResult Measure(const std::vector<std::string>& argv, Output output, const std::string& fsync_after = "");

// `tarvex-bench measure [--capture] [--fsync FILE] -- PROGRAM ARGS...`: runs
// the program and prints the figures, then its output (when captured).
int RunMeasureCommand(const std::vector<std::string>& args, std::ostream& out);

// The path of the running program, to run one of its own hidden commands.
std::string SelfPath();

}  // namespace bench
