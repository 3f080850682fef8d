#include "winapi/FileSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <thread>

namespace winapi::fs {

namespace {

using Clock = std::chrono::steady_clock;

constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;
constexpr std::chrono::milliseconds kLockPoll{5};

// Owns a file descriptor.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

// O_NONBLOCK keeps a FIFO at the path from hanging us; regular files ignore it.
int OpenFile(const std::string& path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool ReadAll(int fd, std::string* out) {
  out->clear();
  char buffer[16384];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    out->append(buffer, static_cast<std::size_t>(n));
  }
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool Sync(int fd) {
  int result;
  do {
    result = ::fsync(fd);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A symbolic link is saved through, as Windows writes through a link: its
// target is the file that changes, and the link stays a link.
std::optional<std::string> ResolveLink(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return std::nullopt;  // dangling: nothing to save into
  std::string target(resolved);
  std::free(resolved);
  return target;
}

// The temporary file and the rename need the folder. The permission bits are
// checked by hand because a privileged process is let through by the kernel.
bool FolderTakesNewFiles(const std::string& folder) {
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  if ((st.st_mode & kAnyWriteBit) == 0) return false;
  return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool LockBefore(int fd, Clock::time_point deadline) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kLockPoll);
  }
}

// The file being saved, open for writing and locked. A file that this save
// created (empty, so that there is something to lock) is removed again unless
// the save puts real contents in its place.
class LockedFile {
 public:
  LockedFile() = default;
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;
  ~LockedFile() {
    if (created_ && !kept_) RemovePlaceholder();
  }

  // Returns false when the file cannot be opened for writing or the lock is
  // not had by the deadline.
  bool Open(const std::string& path, Clock::time_point deadline) {
    path_ = path;
    for (;;) {
      bool created = false;
      int fd = OpenFile(path, O_RDWR);
      if (fd < 0 && errno == ENOENT) {
        fd = OpenFile(path, O_RDWR | O_CREAT | O_EXCL, 0666);
        if (fd < 0 && errno == EEXIST) {
          if (Clock::now() >= deadline) return false;
          continue;  // another save created it first
        }
        created = fd >= 0;
      }
      if (fd < 0) return false;
      fd_.Reset(fd);
      created_ = created;
      if (!LockBefore(fd_.get(), deadline)) {
        created_ = false;  // whoever holds the lock now owns the new file
        return false;
      }
      // flock holds the file, not the name: a save that finished while we
      // waited has renamed a new file over the one we locked. Start again on
      // the file the name now stands for.
      struct stat named;
      if (::fstat(fd_.get(), &stat_) == 0 && ::stat(path.c_str(), &named) == 0 &&
          SameFile(stat_, named)) {
        return true;
      }
      created_ = false;
      if (Clock::now() >= deadline) return false;
    }
  }

  int fd() const { return fd_.get(); }
  const struct stat& status() const { return stat_; }
  bool created() const { return created_; }
  void Keep() { kept_ = true; }

 private:
  void RemovePlaceholder() {
    struct stat named;
    if (::stat(path_.c_str(), &named) == 0 && SameFile(stat_, named)) ::unlink(path_.c_str());
  }

  std::string path_;
  Fd fd_;
  struct stat stat_ {};
  bool created_ = false;
  bool kept_ = false;
};

void SyncFolder(const std::string& folder) {
  Fd fd(OpenFile(folder, O_RDONLY | O_DIRECTORY));
  // Some file systems cannot sync a folder; the rename has happened anyway.
  if (fd.valid()) Sync(fd.get());
}

// Writes contents to a temporary file beside path, flushes it to the disk and
// renames it over path, with the original's permission bits.
bool ReplaceWith(const std::string& path, std::string_view contents, const struct stat& original) {
  const std::string folder = FolderOf(path);
  std::string temp = folder + "/." + BaseNameOf(path) + ".XXXXXX";
  Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (!fd.valid()) return false;
  bool ok = WriteAll(fd.get(), contents);
  if (ok && (original.st_uid != ::geteuid() || original.st_gid != ::getegid())) {
    // Only a privileged process may hand the file back to its owner; anyone
    // else saves it as their own, as a rewrite by hand would.
    [[maybe_unused]] const bool handedBack = ::fchown(fd.get(), original.st_uid, original.st_gid) == 0;
  }
  ok = ok && ::fchmod(fd.get(), original.st_mode & 07777) == 0;
  ok = ok && Sync(fd.get());
  ok = ok && ::close(fd.Release()) == 0;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  SyncFolder(folder);
  return true;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
  Fd fd(OpenFile(path, O_RDONLY));
  if (!fd.valid()) return std::nullopt;
  struct stat st;
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  std::string bytes;
  if (!ReadAll(fd.get(), &bytes)) return std::nullopt;
  return bytes;
}

bool EditFile(const std::string& path, const Editor& edit, std::chrono::milliseconds lockWait) {
  const Clock::time_point deadline = Clock::now() + lockWait;
  const std::optional<std::string> target = ResolveLink(path);
  if (!target || target->empty()) return false;
  if (!FolderTakesNewFiles(FolderOf(*target))) return false;

  LockedFile file;
  if (!file.Open(*target, deadline)) return false;
  // No write bit at all: read-only for everybody, the privileged included.
  if (!S_ISREG(file.status().st_mode) || (file.status().st_mode & kAnyWriteBit) == 0) return false;

  std::optional<std::string> current;
  if (!file.created()) {
    std::string bytes;
    if (!ReadAll(file.fd(), &bytes)) return false;
    current = std::move(bytes);
  }
  const std::optional<std::string> replacement = edit(current);
  if (!replacement) return true;
  if (!ReplaceWith(*target, *replacement, file.status())) return false;
  file.Keep();
  return true;
}

}  // namespace winapi::fs
