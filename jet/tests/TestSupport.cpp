#include "TestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace jet::test {

namespace {

constexpr char kRowSeparator[] = "\x1e<end-of-row>\x1e";

std::string Slurp(int fd) {
  std::string text;
  std::array<char, 65536> buffer{};
  ssize_t n = 0;
  while ((n = ::read(fd, buffer.data(), buffer.size())) > 0) text.append(buffer.data(), static_cast<std::size_t>(n));
  return text;
}

// Skips one JSON value starting at `i` (strings with escapes included).
std::size_t SkipValue(const std::string& s, std::size_t i) {
  int depth = 0;
  bool in_string = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (in_string) {
      if (c == '\\') ++i;
      else if (c == '"') {
        in_string = false;
        if (depth == 0) return i + 1;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '{' || c == '[') {
      ++depth;
    } else if (c == '}' || c == ']') {
      if (--depth == 0) return i + 1;
    } else if (depth == 0 && (c == ',')) {
      return i;
    }
  }
  return i;
}

}  // namespace

fs::path FixtureDir() {
  const fs::path dir = fs::path(TARVEX_SHARED_DIR) / "fixtures" / "access";
  return fs::is_directory(dir) ? dir : fs::path();
}

std::vector<std::string> FixtureNames() {
  std::vector<std::string> names;
  const fs::path dir = FixtureDir();
  if (dir.empty()) return names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() == ".mdb") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

TempDir::TempDir() {
  std::random_device random;
  path_ = fs::temp_directory_path() / ("tarvex-jet-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

fs::path TempDir::CopyFixture(const std::string& name) const {
  const fs::path to = path_ / name;
  WriteFile(to, ReadFile(FixtureDir() / name));
  return to;
}

RunResult Run(const std::vector<std::string>& argv) {
  std::array<int, 2> out{};
  std::array<int, 2> err{};
  if (::pipe(out.data()) != 0 || ::pipe(err.data()) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, err[0]);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  ::close(err[1]);
  RunResult result;
  if (rc != 0) {
    ::close(out[0]);
    ::close(err[0]);
    result.err = "cannot start " + argv[0];
    return result;
  }
  // Output is small enough for the pipes except mdb-export and mdb-reader
  // dumps; read stdout first, then stderr (which those keep short).
  result.out = Slurp(out[0]);
  result.err = Slurp(err[0]);
  ::close(out[0]);
  ::close(err[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::stringstream dirs(path);
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (!dir.empty() && ::access((fs::path(dir) / program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

bool HaveMdbTools() {
  return OnPath("mdb-export") && OnPath("mdb-tables") && OnPath("mdb-count");
}

bool HaveMdbReader() {
  const fs::path script(TARVEX_MDB_READER_DUMP);
  return OnPath("node") && fs::exists(script) &&
         fs::exists(script.parent_path() / "node_modules" / "mdb-reader");
}

std::vector<std::string> MdbTables(const fs::path& file) {
  const RunResult r = Run({"mdb-tables", "-1", file.string()});
  if (r.exit_code != 0) throw std::runtime_error("mdb-tables failed: " + r.err);
  std::vector<std::string> tables;
  std::stringstream lines(r.out);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty()) tables.push_back(line);
  }
  return tables;
}

std::string MdbExport(const fs::path& file, const std::string& table) {
  const RunResult r = Run({"mdb-export", "-R", kRowSeparator, file.string(), table});
  if (r.exit_code != 0) throw std::runtime_error("mdb-export failed on " + table + ": " + r.err);
  return r.out;
}

std::size_t CountExportedRows(const std::string& exported) {
  // The header line is ended by the separator too.
  std::size_t count = 0;
  for (std::size_t at = exported.find(kRowSeparator); at != std::string::npos;
       at = exported.find(kRowSeparator, at + 1)) {
    ++count;
  }
  return count == 0 ? 0 : count - 1;
}

std::map<std::string, std::string> MdbReaderTables(const fs::path& file) {
  const RunResult r = Run({"node", TARVEX_MDB_READER_DUMP, file.string()});
  if (r.exit_code != 0) throw std::runtime_error("mdb-reader failed: " + r.err);
  std::map<std::string, std::string> tables;
  const std::string& s = r.out;
  std::size_t i = s.find("{\"tables\":{");
  if (i == std::string::npos) throw std::runtime_error("unexpected mdb-reader output");
  i += 11;
  while (i < s.size() && s[i] == '"') {
    const std::size_t key_end = SkipValue(s, i);
    const std::string key = s.substr(i + 1, key_end - i - 2);
    const std::size_t value_start = key_end + 1;  // past ':'
    const std::size_t value_end = SkipValue(s, value_start);
    tables[key] = s.substr(value_start, value_end - value_start);
    i = value_end;
    if (i < s.size() && s[i] == ',') ++i;
  }
  return tables;
}

}  // namespace jet::test
