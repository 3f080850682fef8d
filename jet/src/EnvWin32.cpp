// The operating system's files, through the Windows API. The only file of the
// engine that talks to Windows; EnvPosix.cpp is its counterpart elsewhere.
//
// Paths arrive in UTF-8 and go to the wide calls as UTF-16. Files are opened
// sharing reading and writing with other programs, as Jet itself opens a
// database, so the card-issuing client and this engine can both have it open;
// a program that opened it without sharing makes the open fail as "in use".

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "jet/Env.h"
#include "jet/Error.h"

namespace jet {

namespace {

// Byte-range locks on Windows are mandatory: a locked range cannot be read
// through another handle. The lock therefore covers one byte far past any
// database (Jet 4 files end at 2 GB) and past the ranges Jet locks for its
// own users (below 4 GB), so it excludes only other lockers, never readers.
constexpr std::uint64_t kLockOffset = std::uint64_t{1} << 62;

std::string Message(DWORD err) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, err, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string utf8;
  if (length != 0 && text != nullptr) {
    const int wideLength = static_cast<int>(length);
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(size > 0 ? size : 0));
    WideCharToMultiByte(CP_UTF8, 0, text, wideLength, utf8.data(), size, nullptr, nullptr);
    while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r' || utf8.back() == ' ')) utf8.pop_back();
  }
  if (text != nullptr) LocalFree(text);
  return utf8.empty() ? "system error " + std::to_string(err) : utf8;
}

Error SystemError(const std::string& action, DWORD err) {
  Error::Code code = Error::Code::kIo;
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      code = Error::Code::kNotFound;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      code = Error::Code::kReadOnly;
      break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      code = Error::Code::kInUse;
      break;
    default:
      break;
  }
  return Error(code, action + ": " + Message(err));
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
  if (length <= 0) throw Error(Error::Code::kNotFound, "cannot open the file: the name is not valid UTF-8");
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), length);
  return wide;
}

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

// Single calls move at most this much, so the count fits a DWORD.
constexpr std::size_t kChunk = 1u << 24;

class WindowsFile : public File {
 public:
  explicit WindowsFile(HANDLE handle) : handle_(handle) {}
  ~WindowsFile() override { CloseHandle(handle_); }
  WindowsFile(const WindowsFile&) = delete;
  WindowsFile& operator=(const WindowsFile&) = delete;

  void Read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    std::size_t done = 0;
    while (done < out.size()) {
      OVERLAPPED at = At(offset + done);
      const DWORD want = static_cast<DWORD>(std::min(out.size() - done, kChunk));
      DWORD n = 0;
      if (!ReadFile(handle_, out.data() + done, want, &n, &at)) {
        const DWORD err = GetLastError();
        if (err != ERROR_HANDLE_EOF) throw SystemError("cannot read the file", err);
        n = 0;
      }
      if (n == 0) throw Error(Error::Code::kIo, "cannot read the file: unexpected end of file");
      done += n;
    }
  }

  void Write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    std::size_t done = 0;
    while (done < data.size()) {
      OVERLAPPED at = At(offset + done);
      const DWORD want = static_cast<DWORD>(std::min(data.size() - done, kChunk));
      DWORD n = 0;
      if (!WriteFile(handle_, data.data() + done, want, &n, &at)) {
        throw SystemError("cannot write the file", GetLastError());
      }
      if (n == 0) throw Error(Error::Code::kIo, "cannot write the file: nothing was written");
      done += n;
    }
  }

  void Sync() override {
    if (!FlushFileBuffers(handle_)) throw SystemError("cannot flush the file", GetLastError());
  }

  std::uint64_t Size() override {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle_, &size)) throw SystemError("cannot examine the file", GetLastError());
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  // Locks belong to the handle, so two connections in one process exclude
  // each other just as two processes do.
  bool TryLock() override { return Lock(LOCKFILE_EXCLUSIVE_LOCK); }
  // Shared byte-range locks: readers hold one together, a writer none.
  bool TryLockShared() override { return Lock(0); }

  void Unlock() override {
    if (!locked_) return;
    OVERLAPPED at = At(kLockOffset);
    UnlockFileEx(handle_, 0, 1, 0, &at);
    locked_ = false;
  }

 protected:
  bool Lock(DWORD kind) {
    OVERLAPPED at = At(kLockOffset);
    if (LockFileEx(handle_, kind | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
      locked_ = true;
      return true;
    }
    const DWORD err = GetLastError();
    if (err == ERROR_LOCK_VIOLATION || err == ERROR_IO_PENDING) return false;
    throw SystemError("cannot lock the file", err);
  }

 private:
  HANDLE handle_;
  bool locked_ = false;
};

constexpr DWORD kShareWithOthers = FILE_SHARE_READ | FILE_SHARE_WRITE;

class WindowsEnv : public Env {
 public:
  std::unique_ptr<File> Open(const std::string& path, Access access) override {
    const std::wstring name = Wide(path);
    // The read-only attribute binds every program, administrators included;
    // checked here too because Wine running as the superuser lets it pass.
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (access == Access::kReadWrite && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == FILE_ATTRIBUTE_READONLY) {
      throw Error(Error::Code::kReadOnly, "cannot open the file: it is read-only");
    }
    const DWORD want = access == Access::kReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    const HANDLE handle = CreateFileW(name.c_str(), want, kShareWithOthers, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD err = GetLastError();
      // A folder cannot be opened as a file; say so rather than "access denied".
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        throw Error(Error::Code::kIo, "cannot open the file: not a regular file");
      }
      throw SystemError("cannot open the file", err);
    }
    if (GetFileType(handle) != FILE_TYPE_DISK) {
      CloseHandle(handle);
      throw Error(Error::Code::kIo, "cannot open the file: not a regular file");
    }
    return std::make_unique<WindowsFile>(handle);
  }

  // The journal: shared for deleting too, so that removing it by name never
  // waits for a reader that still has it open.
  std::unique_ptr<File> Create(const std::string& path) override {
    const HANDLE handle = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      kShareWithOthers | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) throw SystemError("cannot create " + path, GetLastError());
    return std::make_unique<WindowsFile>(handle);
  }

  // NTFS logs its folder changes, and a folder cannot be flushed through the
  // ordinary calls: a created or removed file is already as safe as it gets.
  void SyncFolderOf(const std::string& /*path*/) override {}

  bool Exists(const std::string& path) override {
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  void Remove(const std::string& path) override {
    if (DeleteFileW(Wide(path).c_str())) return;
    const DWORD err = GetLastError();
    if (err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND) throw SystemError("cannot remove " + path, err);
  }
};

}  // namespace

Env* Env::Default() {
  static WindowsEnv* env = new WindowsEnv;
  return env;
}

}  // namespace jet
