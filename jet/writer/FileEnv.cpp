#include "FileEnv.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "Jet4Layout.h"

namespace jet::writer {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
  throw std::runtime_error(what + ": " + path);
}

void RemoveQuietly(const std::string& path) {
  std::error_code ignored;
  fs::remove(path, ignored);
}

class StdPageFile final : public PageFile {
 public:
  explicit StdPageFile(std::string path) : path_(std::move(path)), partial_(path_ + ".partial") {
    out_.open(partial_, std::ios::binary | std::ios::out | std::ios::trunc);
    if (!out_) Fail("cannot create", partial_);
  }
  ~StdPageFile() override {
    if (!committed_) {
      out_.close();
      RemoveQuietly(partial_);
    }
  }

  void writePage(std::uint32_t page, const std::uint8_t* data) override {
    const auto offset = static_cast<std::streamoff>(page) * static_cast<std::streamoff>(layout::kPageSize);
    // Seeking flushes the stream's buffer, so only seek when out of sequence.
    if (offset != position_) out_.seekp(offset);
    out_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(layout::kPageSize));
    if (!out_) Fail("cannot write", partial_);
    position_ = offset + static_cast<std::streamoff>(layout::kPageSize);
  }

  void commit() override {
    out_.flush();
    out_.close();
    if (out_.fail()) Fail("cannot finish writing", partial_);
    std::error_code error;
    fs::rename(partial_, path_, error);
    if (error) Fail("cannot rename " + partial_ + " to", path_);
    committed_ = true;
  }

 private:
  std::string path_;
  std::string partial_;
  std::ofstream out_;
  std::streamoff position_ = 0;
  bool committed_ = false;
};

class StdScratchFile final : public ScratchFile {
 public:
  explicit StdScratchFile(std::string path) : path_(std::move(path)) {
    file_.open(path_, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
    if (!file_) Fail("cannot create", path_);
  }
  ~StdScratchFile() override {
    file_.close();
    RemoveQuietly(path_);
  }

  void append(const std::uint8_t* data, std::size_t size) override {
    file_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!file_) Fail("cannot write", path_);
  }
  void startReading() override {
    file_.flush();
    file_.seekg(0);
    if (!file_) Fail("cannot rewind", path_);
  }
  std::size_t read(std::uint8_t* data, std::size_t size) override {
    file_.read(reinterpret_cast<char*>(data), static_cast<std::streamsize>(size));
    const auto got = static_cast<std::size_t>(file_.gcount());
    if (file_.bad()) Fail("cannot read", path_);
    file_.clear();
    return got;
  }

 private:
  std::string path_;
  std::fstream file_;
};

class StdFileEnv final : public FileEnv {
 public:
  std::unique_ptr<PageFile> newPageFile(const std::string& path) override {
    return std::make_unique<StdPageFile>(path);
  }
  std::unique_ptr<ScratchFile> newScratchFile(const std::string& nearPath) override {
    static std::atomic<unsigned> counter{0};
    return std::make_unique<StdScratchFile>(nearPath + ".sort" + std::to_string(counter++));
  }
};

}  // namespace

FileEnv& FileEnv::Default() {
  static StdFileEnv env;
  return env;
}

}  // namespace jet::writer
