// The operating system's files, through POSIX calls. The only file of the
// engine that talks to the system; a Windows build replaces it.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "jet/Env.h"
#include "jet/Error.h"

namespace jet {

namespace {

Error SystemError(const std::string& action, int err) {
  Error::Code code = Error::Code::kIo;
  if (err == ENOENT || err == ENOTDIR) code = Error::Code::kNotFound;
  if (err == EACCES || err == EPERM || err == EROFS) code = Error::Code::kReadOnly;
  return Error(code, action + ": " + std::strerror(err));
}

class PosixFile : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { ::close(fd_); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  void Read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    std::size_t done = 0;
    while (done < out.size()) {
      ssize_t n = ::pread(fd_, out.data() + done, out.size() - done,
                          static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        throw SystemError("cannot read the file", errno);
      }
      if (n == 0) throw Error(Error::Code::kIo, "cannot read the file: unexpected end of file");
      done += static_cast<std::size_t>(n);
    }
  }

  void Write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    std::size_t done = 0;
    while (done < data.size()) {
      ssize_t n = ::pwrite(fd_, data.data() + done, data.size() - done,
                           static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        throw SystemError("cannot write the file", errno);
      }
      done += static_cast<std::size_t>(n);
    }
  }

  void Sync() override {
    if (::fsync(fd_) != 0) throw SystemError("cannot flush the file", errno);
  }

  std::uint64_t Size() override {
    struct stat st{};
    if (::fstat(fd_, &st) != 0) throw SystemError("cannot examine the file", errno);
    return static_cast<std::uint64_t>(st.st_size);
  }

  // flock rather than fcntl locks: flock locks belong to the open file
  // description, so two connections in one process exclude each other just as
  // two processes do, and closing some other descriptor of the same file (as
  // fcntl locks would have it) never drops them. The kernel drops them when
  // the process dies, so a crash never leaves the file locked.
  bool TryLock() override { return Flock(LOCK_EX); }
  bool TryLockShared() override { return Flock(LOCK_SH); }
  void Unlock() override { ::flock(fd_, LOCK_UN); }

 private:
  bool Flock(int kind) {
    while (::flock(fd_, kind | LOCK_NB) != 0) {
      if (errno == EINTR) continue;
      if (errno == EWOULDBLOCK) return false;
      throw SystemError("cannot lock the file", errno);
    }
    return true;
  }

  int fd_;
};

// The folder part of `path` ("." for a bare name).
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

int OpenRetrying(const std::string& path, int flags, mode_t mode = 0) {
  int fd = -1;
  do {
    fd = ::open(path.c_str(), flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

class PosixEnv : public Env {
 public:
  std::unique_ptr<File> Open(const std::string& path, Access access) override {
    const int flags = (access == Access::kReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    const int fd = OpenRetrying(path, flags);
    if (fd < 0) throw SystemError("cannot open the file", errno);
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      throw Error(Error::Code::kIo, "cannot open the file: not a regular file");
    }
    return std::make_unique<PosixFile>(fd);
  }

  std::unique_ptr<File> Create(const std::string& path) override {
    // As open as the umask lets it be: whoever may change the database next
    // must be able to read and remove a journal left beside it.
    const int fd = OpenRetrying(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw SystemError("cannot create " + path, errno);
    return std::make_unique<PosixFile>(fd);
  }

  bool Exists(const std::string& path) override {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0;
  }

  void Remove(const std::string& path) override {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
      throw SystemError("cannot remove " + path, errno);
    }
  }

  void SyncFolderOf(const std::string& path) override {
    const std::string folder = FolderOf(path);
    const int fd = OpenRetrying(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw SystemError("cannot open the folder " + folder, errno);
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    // Some file systems cannot flush a folder at all and say so; their folder
    // changes are as durable as they get.
    if (rc != 0 && err != EINVAL && err != ENOTSUP) {
      throw SystemError("cannot flush the folder " + folder, err);
    }
  }
};

}  // namespace

Env* Env::Default() {
  static PosixEnv* env = new PosixEnv;
  return env;
}

}  // namespace jet
