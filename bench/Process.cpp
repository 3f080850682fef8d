#include "Process.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace bench {

namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

// Read while the child is still a zombie: once it is reaped its entry goes.
KernelIo ReadKernelIo(pid_t pid) {
  KernelIo io;
  std::ifstream in("/proc/" + std::to_string(pid) + "/io");
  std::string key;
  std::uint64_t value = 0;
  while (in >> key >> value) {
    if (key == "rchar:") io.rchar = value;
    if (key == "wchar:") io.wchar = value;
    if (key == "read_bytes:") io.read_bytes = value;
    if (key == "write_bytes:") io.write_bytes = value;
  }
  return io;
}

[[noreturn]] void ExecChild(const std::vector<std::string>& argv, Output output, int out_fd) {
  const int target = output == Output::kCapture ? out_fd : ::open("/dev/null", O_WRONLY);
  if (target < 0 || ::dup2(target, STDOUT_FILENO) < 0) ::_exit(127);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  ::execvp(args[0], args.data());
  ::_exit(127);
}

std::string Drain(int fd) {
  std::string text;
  std::array<char, 4096> buffer{};
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer.data(), static_cast<std::size_t>(n));
  }
  return text;
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, Output output,
                         const std::function<void()>& after) {
  std::array<int, 2> pipe_fds{-1, -1};
  if (output == Output::kCapture && ::pipe2(pipe_fds.data(), O_CLOEXEC) != 0) Fail("pipe");
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) Fail("fork");
  if (pid == 0) ExecChild(argv, output, pipe_fds[1]);

  ProcessResult result;
  if (output == Output::kCapture) {
    ::close(pipe_fds[1]);
    result.output = Drain(pipe_fds[0]);
    ::close(pipe_fds[0]);
  }
  siginfo_t info{};
  while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0) {
    if (errno != EINTR) Fail("waitid");
  }
  const auto exited = std::chrono::steady_clock::now();
  if (after) after();
  const auto end = std::chrono::steady_clock::now();
  result.after_seconds = std::chrono::duration<double>(end - exited).count();
  result.wall_seconds = std::chrono::duration<double>(end - start).count();
  result.io = ReadKernelIo(pid);

  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, 0, &usage) < 0) {
    if (errno != EINTR) Fail("wait4");
  }
  result.peak_rss_bytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;  // Linux: KiB
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (result.exit_status != 0) {
    throw std::runtime_error(argv[0] + " failed (status " + std::to_string(result.exit_status) +
                             "): " + result.output);
  }
  return result;
}

namespace {

constexpr const char* kOutputMark = "output";

void SyncPath(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("open " + path);
  const int result = ::fsync(fd);
  ::close(fd);
  if (result != 0) Fail("fsync " + path);
}

}  // namespace

int RunMeasureCommand(const std::vector<std::string>& args, std::ostream& out) {
  Output output = Output::kDiscard;
  std::string fsync_after;
  std::size_t i = 0;
  for (; i < args.size() && args[i] != "--"; ++i) {
    if (args[i] == "--capture") {
      output = Output::kCapture;
    } else if (args[i] == "--fsync" && i + 1 < args.size()) {
      fsync_after = args[++i];
    } else {
      throw std::invalid_argument("measure: unknown option " + args[i]);
    }
  }
  if (i + 1 >= args.size()) throw std::invalid_argument("measure: no program given");
  const std::vector<std::string> argv(args.begin() + static_cast<std::ptrdiff_t>(i + 1), args.end());
  const ProcessResult r = RunProcess(argv, output, [&] {
    if (!fsync_after.empty()) SyncPath(fsync_after);
  });
  out.precision(9);
  out << "wall_seconds " << r.wall_seconds << "\n"
      << "peak_rss_bytes " << r.peak_rss_bytes << "\n"
      << "rchar " << r.io.rchar << "\n"
      << "wchar " << r.io.wchar << "\n"
      << "read_bytes " << r.io.read_bytes << "\n"
      << "write_bytes " << r.io.write_bytes << "\n"
      << "after_seconds " << r.after_seconds << "\n"
      << kOutputMark << "\n"
      << r.output;
  return 0;
}

ProcessResult Measure(const std::vector<std::string>& argv, Output output, const std::string& fsync_after) {
  std::vector<std::string> command{SelfPath(), "measure"};
  if (output == Output::kCapture) command.push_back("--capture");
  if (!fsync_after.empty()) {
    command.push_back("--fsync");
    command.push_back(fsync_after);
  }
  command.push_back("--");
  command.insert(command.end(), argv.begin(), argv.end());
  const ProcessResult launcher = RunProcess(command, Output::kCapture);

  ProcessResult r;
  std::istringstream in(launcher.output);
  std::string key;
  while (in >> key && key != kOutputMark) {
    if (key == "wall_seconds") in >> r.wall_seconds;
    else if (key == "peak_rss_bytes") in >> r.peak_rss_bytes;
    else if (key == "rchar") in >> r.io.rchar;
    else if (key == "wchar") in >> r.io.wchar;
    else if (key == "read_bytes") in >> r.io.read_bytes;
    else if (key == "write_bytes") in >> r.io.write_bytes;
    else if (key == "after_seconds") in >> r.after_seconds;
    else throw std::runtime_error("measure printed an unknown figure: " + key);
  }
  if (key != kOutputMark) throw std::runtime_error("measure printed no figures: " + launcher.output);
  in.get();  // the line's end
  r.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  r.exit_status = 0;
  return r;
}

std::string SelfPath() {
  std::array<char, 4096> path{};
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (n <= 0) Fail("readlink /proc/self/exe");
  return std::string(path.data(), static_cast<std::size_t>(n));
}

}  // namespace bench
