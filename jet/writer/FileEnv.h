// The writer's only contact with the file system: the database file itself,
// written page by page and moved into place only once complete, and scratch
// files for sorting index entries that do not fit in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace jet::writer {

class PageFile {
 public:
  virtual ~PageFile() = default;
  virtual void writePage(std::uint32_t page, const std::uint8_t* data) = 0;
  // Makes the file appear under its final name. Without this the partial
  // file is removed when the object goes away.
  virtual void commit() = 0;
};

class ScratchFile {
 public:
  virtual ~ScratchFile() = default;
  virtual void append(const std::uint8_t* data, std::size_t size) = 0;
  // Ends writing; reads then start at the beginning.
  virtual void startReading() = 0;
  // Returns the number of bytes read, 0 at the end.
  virtual std::size_t read(std::uint8_t* data, std::size_t size) = 0;
};

class FileEnv {
 public:
  virtual ~FileEnv() = default;
  virtual std::unique_ptr<PageFile> newPageFile(const std::string& path) = 0;
  virtual std::unique_ptr<ScratchFile> newScratchFile(const std::string& nearPath) = 0;

  static FileEnv& Default();
};

}  // namespace jet::writer
