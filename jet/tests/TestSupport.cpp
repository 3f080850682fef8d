#include "TestSupport.h"

#if defined(_WIN32)
#include <windows.h>

#include <thread>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace jet::test {

namespace {

constexpr char kRowSeparator[] = "\x1e<end-of-row>\x1e";

#if defined(_WIN32)
std::string Slurp(HANDLE pipe) {
  std::string text;
  std::array<char, 65536> buffer{};
  DWORD n = 0;
  while (::ReadFile(pipe, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr) && n > 0) {
    text.append(buffer.data(), n);
  }
  return text;
}

std::string TextMode(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out.push_back(text[i]);
  }
  return out;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

// One argument as the C run-time of the started program splits it again:
// quotes around it, backslashes doubled only where they come before a quote.
void AppendQuoted(const std::string& arg, std::wstring* line) {
  const std::wstring wide = Wide(arg);
  line->push_back(L'"');
  std::size_t backslashes = 0;
  for (const wchar_t c : wide) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line->append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line->push_back(c);
  }
  line->append(backslashes * 2, L'\\');
  line->push_back(L'"');
}
#else
std::string Slurp(int fd) {
  std::string text;
  std::array<char, 65536> buffer{};
  ssize_t n = 0;
  while ((n = ::read(fd, buffer.data(), buffer.size())) > 0) text.append(buffer.data(), static_cast<std::size_t>(n));
  return text;
}
#endif

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
#if defined(_WIN32)
  const unsigned long process = GetCurrentProcessId();
#else
  const long process = ::getpid();
#endif
  path_ = fs::temp_directory_path() / ("tarvex-jet-" + std::to_string(process) + "-" + std::to_string(random()));
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

#if defined(_WIN32)
RunResult Run(const std::vector<std::string>& argv) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out_read = nullptr, out_write = nullptr, err_read = nullptr, err_write = nullptr;
  if (!CreatePipe(&out_read, &out_write, &inherit, 0) || !CreatePipe(&err_read, &err_write, &inherit, 0)) {
    throw std::runtime_error("pipe failed");
  }
  SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);
  std::wstring line;
  for (const auto& a : argv) {
    if (!line.empty()) line.push_back(L' ');
    AppendQuoted(a, &line);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out_write;
  startup.hStdError = err_write;
  PROCESS_INFORMATION child{};
  const BOOL started =
      CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child);
  CloseHandle(out_write);
  CloseHandle(err_write);
  RunResult result;
  if (!started) {
    CloseHandle(out_read);
    CloseHandle(err_read);
    result.err = "cannot start " + argv[0];
    return result;
  }
  // Both pipes are drained at once, so a full one never stops the child.
  std::thread err_reader([&] { result.err = TextMode(Slurp(err_read)); });
  result.out = TextMode(Slurp(out_read));
  err_reader.join();
  CloseHandle(out_read);
  CloseHandle(err_read);
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(child.hProcess, &code);
  result.exit_code = static_cast<int>(code);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return result;
}

std::string NoSuchFileText() {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      ERROR_FILE_NOT_FOUND, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string utf8;
  if (length != 0 && text != nullptr) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(size > 0 ? size : 0));
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), size, nullptr, nullptr);
  }
  if (text != nullptr) LocalFree(text);
  while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r' || utf8.back() == ' ')) utf8.pop_back();
  return utf8;
}

// Only programs with the .exe ending run here; the independent readers are
// Linux programs (mdbtools) or scripts (Node), found only where installed so.
bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::stringstream dirs(path);
  std::string dir;
  std::error_code ignored;
  while (std::getline(dirs, dir, ';')) {
    if (!dir.empty() && fs::is_regular_file(fs::u8path(dir) / (program + ".exe"), ignored)) return true;
  }
  return false;
}
#else
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

std::string NoSuchFileText() { return std::strerror(ENOENT); }

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
#endif

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
