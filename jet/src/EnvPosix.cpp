// The operating system's files, through POSIX calls. The only file of the
// engine that talks to the system; a Windows build replaces it.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

  // flock locks belong to the open file description, so two connections in one
  // process exclude each other just as two processes do.
  bool TryLock() override {
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if (errno == EINTR) continue;
      if (errno == EWOULDBLOCK) return false;
      throw SystemError("cannot lock the file", errno);
    }
    return true;
  }

  void Unlock() override { ::flock(fd_, LOCK_UN); }

 private:
  int fd_;
};

class PosixEnv : public Env {
 public:
  std::unique_ptr<File> Open(const std::string& path, Access access) override {
    int flags = (access == Access::kReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    int fd = -1;
    do {
      fd = ::open(path.c_str(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw SystemError("cannot open the file", errno);
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      throw Error(Error::Code::kIo, "cannot open the file: not a regular file");
    }
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
};

}  // namespace

Env* Env::Default() {
  static PosixEnv* env = new PosixEnv;
  return env;
}

}  // namespace jet
