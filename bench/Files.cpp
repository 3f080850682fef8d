#include "Files.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace bench {

namespace {

// A file descriptor closed on every way out.
class Fd {
 public:
  Fd(const std::string& path, int flags) : fd_(::open(path.c_str(), flags | O_CLOEXEC, 0644)) {
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "open " + path);
  }
  ~Fd() { ::close(fd_); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

void Check(bool ok, const std::string& what) {
  if (!ok) throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

void CopySynced(const std::string& from, const std::string& to) {
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
  SyncFile(to);
}

void SyncFile(const std::string& path) {
  const Fd fd(path, O_RDONLY);
  Check(::fsync(fd.get()) == 0, "fsync " + path);
}

void DropFromCache(const std::string& path) {
  const Fd fd(path, O_RDONLY);
  Check(::fsync(fd.get()) == 0, "fsync " + path);
  const int err = ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
  if (err != 0) throw std::system_error(err, std::generic_category(), "posix_fadvise " + path);
}

void SyncFileSystem(const std::string& path) {
  const Fd fd(path, O_RDONLY);
  Check(::syncfs(fd.get()) == 0, "syncfs " + path);
}

std::uint64_t FileSize(const std::string& path) { return std::filesystem::file_size(path); }

std::uint64_t FreeBytes(const std::string& folder) {
  struct statvfs st{};
  Check(::statvfs(folder.c_str(), &st) == 0, "statvfs " + folder);
  return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
}

}  // namespace bench
