#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "Journal.h"
#include "PageCodec.h"
#include "jet/Env.h"
#include "jet/Error.h"
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

// A change of the database that happens whole or not at all, through the
// rollback journal (Journal.h). Write only journals; the database itself is
// written by Commit. The caller holds the database's lock exclusively.
class Transaction : public PageSink {
 public:
  Transaction(Env& env, std::string database_path, File& file, const Format& format, const PageCodec& codec);
  // Without a Commit the database was never touched; the journal goes.
  ~Transaction() override;
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  void Write(std::uint32_t page, std::uint32_t offset, std::span<const std::uint8_t> bytes) override;
  // Makes the journal durable, then writes and flushes the database, then
  // removes the journal. When a step fails the database is put back as it
  // was before the error is thrown (and should even that fail, the journal
  // stays for the next open to finish the job).
  void Commit();

  std::uint64_t writes() const { return writes_; }
  // Journal and database together.
  std::uint64_t bytes_written() const;

 private:
  template <typename F>
  void Unchanged(F&& step);
  void Apply();
  [[noreturn]] void Undo(const Error& cause);

  Env& env_;
  std::string journal_path_;
  File& file_;
  const Format& format_;
  PageCodec codec_;
  std::unique_ptr<JournalWriter> journal_;
  bool sealed_ = false;
  std::vector<std::uint8_t> before_;
  std::uint64_t writes_ = 0;
  std::uint64_t journal_bytes_ = 0;  // once the journal is closed
  std::uint64_t database_bytes_ = 0;
};

}  // namespace jet
