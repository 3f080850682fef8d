#include "winapi/FileSystem.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string_view>
#include <thread>
#include <vector>

// Paths arrive in UTF-8, as everywhere in the program, and go to the wide
// (UTF-16) calls, so that a folder name outside the ANSI code page works.
//
// Saves are kept apart by a named mutex, not by a lock on the file: Windows
// will not rename a file over one that any handle still has open (whatever
// the sharing mode, and Wine copies this), so a saver cannot hold a lock on
// the original across the rename, and a waiter holding the file open would
// make every rename fail. The mutex is machine-wide and named after the full
// path, so every saver of one file in any process waits for the same one.

namespace winapi::fs {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kRetryPause{5};
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// What a save carries over from the old file to the new one.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~Handle() { Reset(); }
  Handle(Handle&& other) noexcept : h_(other.h_) { other.h_ = INVALID_HANDLE_VALUE; }
  Handle& operator=(Handle&&) = delete;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  bool Close() {
    const bool ok = !valid() || CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }
  void Reset(HANDLE h = INVALID_HANDLE_VALUE) {
    Close();
    h_ = h;
  }

 private:
  HANDLE h_;
};

std::optional<std::wstring> Wide(std::string_view utf8) {
  if (utf8.empty()) return std::wstring();
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), length);
  return wide;
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  return full;
}

std::wstring FolderOf(const std::wstring& fullPath) {
  const auto slash = fullPath.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : fullPath.substr(0, slash);
}

std::wstring BaseNameOf(const std::wstring& fullPath) {
  const auto slash = fullPath.find_last_of(L"\\/");
  return slash == std::wstring::npos ? fullPath : fullPath.substr(slash + 1);
}

bool ReadAll(HANDLE file, std::string* out) {
  out->clear();
  char buffer[16384];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &n, nullptr)) return false;
    if (n == 0) return true;
    out->append(buffer, n);
  }
}

bool WriteAll(HANDLE file, std::string_view data) {
  while (!data.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 20));
    DWORD n = 0;
    if (!WriteFile(file, data.data(), chunk, &n, nullptr) || n == 0) return false;
    data.remove_prefix(n);
  }
  return true;
}

// Opens an existing regular file for reading; devices (CON, NUL, pipes) and
// folders are refused.
Handle OpenForReading(const std::wstring& path) {
  Handle file(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (file.valid() && GetFileType(file.get()) != FILE_TYPE_DISK) file.Reset();
  return file;
}

// A link is saved through, as the profile functions write through one: the
// file it ends at is replaced, and the link stays.
std::optional<std::wstring> ResolveLink(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return path;
  }
  Handle file(CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return std::nullopt;  // dangling: nothing to save into
  std::wstring target(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(file.get(), target.data(), static_cast<DWORD>(target.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return std::nullopt;
    if (length < target.size()) {
      target.resize(length);
      return target;
    }
    target.resize(length + 1);
  }
}

// FNV-1a over the path with letters folded, as Windows compares file names.
std::wstring MutexNameFor(const std::wstring& fullPath) {
  std::wstring folded = fullPath;
  CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
  std::uint64_t hash = 14695981039346656037ull;
  for (const wchar_t c : folded) {
    hash ^= static_cast<std::uint64_t>(c == L'/' ? L'\\' : c);
    hash *= 1099511628211ull;
  }
  wchar_t hex[17];
  for (int i = 15; i >= 0; --i) {
    hex[i] = L"0123456789abcdef"[hash & 0xF];
    hash >>= 4;
  }
  hex[16] = L'\0';
  return std::wstring(L"tarvex-profile-save-") + hex;
}

// Holds the save mutex of one file; waits for it until the deadline.
class SaveMutex {
 public:
  explicit SaveMutex(const std::wstring& fullPath) {
    const std::wstring name = MutexNameFor(fullPath);
    // Global: savers in other sessions of the same machine see it too. A
    // process that may not create global objects falls back to its session.
    mutex_.Reset(CreateMutexW(nullptr, FALSE, (L"Global\\" + name).c_str()));
    if (!mutex_.valid()) mutex_.Reset(CreateMutexW(nullptr, FALSE, (L"Local\\" + name).c_str()));
  }
  ~SaveMutex() {
    if (held_) ReleaseMutex(mutex_.get());
  }
  SaveMutex(const SaveMutex&) = delete;
  SaveMutex& operator=(const SaveMutex&) = delete;

  bool Acquire(Clock::time_point deadline) {
    if (!mutex_.valid()) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const DWORD wait = left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
    // An abandoned mutex belonged to a saver that died; its rename either
    // happened or not, so the file is whole and the save can go on.
    const DWORD result = WaitForSingleObject(mutex_.get(), wait);
    held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    return held_;
  }

 private:
  Handle mutex_;
  bool held_ = false;
};

// The parts of the old file that a replacement keeps.
struct Original {
  std::optional<std::string> contents;  // nothing: there was no file
  DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
  std::vector<std::uint8_t> security;  // its access list, when it could be read
};

// Returns false when the file is there but may not be written, or cannot be read.
bool ReadOriginal(const std::wstring& path, Original* original) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND;  // a missing folder is refused
  }
  // The read-only attribute binds every saver, administrators included.
  if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) return false;
  Handle file = OpenForReading(path);
  if (!file.valid()) return false;
  std::string bytes;
  if (!ReadAll(file.get(), &bytes)) return false;
  original->contents = std::move(bytes);
  original->attributes = attributes & kKeptAttributes;

  DWORD needed = 0;
  constexpr SECURITY_INFORMATION kWhat = DACL_SECURITY_INFORMATION;
  GetFileSecurityW(path.c_str(), kWhat, nullptr, 0, &needed);
  if (needed != 0) {
    original->security.resize(needed);
    if (!GetFileSecurityW(path.c_str(), kWhat, original->security.data(), needed, &needed)) {
      original->security.clear();
    }
  }
  return true;
}

std::wstring TemporaryNameBeside(const std::wstring& path) {
  static std::atomic<unsigned> counter{0};
  return FolderOf(path) + L"\\." + BaseNameOf(path) + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(counter.fetch_add(1)) + L".tmp";
}

// Writes the temporary file and flushes it to the disk, then gives it the old
// file's attributes. Until then it is hidden, so that one left by a crash
// does not show beside Option.ini.
bool WriteTemporary(const std::wstring& temp, std::string_view contents, const Original& original) {
  Handle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_HIDDEN, nullptr));
  if (!file.valid()) return false;
  bool ok = WriteAll(file.get(), contents) && FlushFileBuffers(file.get()) != 0;
  ok = file.Close() && ok;
  ok = ok && SetFileAttributesW(temp.c_str(), original.attributes != 0 ? original.attributes
                                                                       : FILE_ATTRIBUTE_NORMAL) != 0;
  return ok;
}

// A reader (another program, a virus scanner) with the file open stops the
// rename for a moment; it is tried again until the deadline.
bool RenameOver(const std::wstring& temp, const std::wstring& path, Clock::time_point deadline) {
  for (;;) {
    if (MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD error = GetLastError();
    const bool busy = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
                      error == ERROR_LOCK_VIOLATION;
    if (!busy || Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kRetryPause);
  }
}

bool ReplaceWith(const std::wstring& path, std::string_view contents, const Original& original,
                 Clock::time_point deadline) {
  const std::wstring temp = TemporaryNameBeside(path);
  if (WriteTemporary(temp, contents, original) && RenameOver(temp, path, deadline)) {
    // The old access list goes on only now: one that does not let this
    // process delete the file would have stranded the temporary. Without the
    // right to change it the new file keeps the folder's, as a file
    // rewritten by hand would.
    if (!original.security.empty()) {
      SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION,
                       const_cast<std::uint8_t*>(original.security.data()));
    }
    return true;
  }
  SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(temp.c_str());
  return false;
}

bool FolderExists(const std::wstring& folder) {
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
  const std::optional<std::wstring> wide = Wide(path);
  if (!wide || wide->empty()) return std::nullopt;
  Handle file = OpenForReading(*wide);
  if (!file.valid()) return std::nullopt;
  std::string bytes;
  if (!ReadAll(file.get(), &bytes)) return std::nullopt;
  return bytes;
}

bool EditFile(const std::string& path, const Editor& edit, std::chrono::milliseconds lockWait) {
  const Clock::time_point deadline = Clock::now() + lockWait;
  const std::optional<std::wstring> wide = Wide(path);
  if (!wide || wide->empty()) return false;
  const std::optional<std::wstring> target = ResolveLink(FullPath(*wide));
  if (!target || !FolderExists(FolderOf(*target))) return false;

  SaveMutex mutex(*target);
  if (!mutex.Acquire(deadline)) return false;
  Original original;
  if (!ReadOriginal(*target, &original)) return false;
  const std::optional<std::string> replacement = edit(original.contents);
  if (!replacement) return true;
  return ReplaceWith(*target, *replacement, original, deadline);
}

}  // namespace winapi::fs
