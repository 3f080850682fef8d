// Runs another program and measures it from outside: wall time, peak memory
// and what the kernel counted of its input and output. Each measured step
// runs in a process of its own, so that nothing of the benchmark itself (the
// writer's memory above all) ends up in its figures.
#pragma once

#include <cstdint>
#include <functional>
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
  int exit_status = -1;  // the exit code; -1 for a signal
  std::string output;    // standard output, when captured
};

enum class Output { kCapture, kDiscard };

// Runs `argv` (the program found on PATH) and waits for it. `after` runs in
// this process once the child has exited and still counts towards the wall
// time (a flush the child's work is not complete without, say).
ProcessResult RunProcess(const std::vector<std::string>& argv, Output output,
                         const std::function<void()>& after = {});

// The path of the running program, to run one of its own hidden commands.
std::string SelfPath();

}  // namespace bench
