#pragma once

#include <cstdint>
#include <span>

#include "PageCodec.h"
#include "jet/Env.h"
#include "jet/Format.h"

namespace jet {

// Where page changes go. Every byte the engine changes in a database passes
// through Write, so that this is the one place to keep the original bytes
// (a rollback journal) before the file is touched.
class PageSink {
 public:
  virtual ~PageSink() = default;
  // Replaces `bytes.size()` bytes of page `page` from `offset` on, given as
  // they read when decoded.
  virtual void Write(std::uint32_t page, std::uint32_t offset, std::span<const std::uint8_t> bytes) = 0;
};

// Writes page changes straight to the file (encoding them for encoded
// databases) and flushes them on Commit.
class Transaction : public PageSink {
 public:
  Transaction(File& file, const Format& format, const PageCodec& codec)
      : file_(file), format_(format), codec_(codec) {}

  void Write(std::uint32_t page, std::uint32_t offset, std::span<const std::uint8_t> bytes) override;
  void Commit();

  std::uint64_t writes() const { return writes_; }
  std::uint64_t bytes_written() const { return bytes_written_; }

 private:
  File& file_;
  const Format& format_;
  PageCodec codec_;
  std::uint64_t writes_ = 0;
  std::uint64_t bytes_written_ = 0;
};

}  // namespace jet
