#pragma once

// The rollback journal that makes a change of the database all or nothing.
//
// Before the first byte of the database changes, the original bytes of every
// range the change will write, with the bytes that replace them, go to
// "<database>-journal" beside it (e.g. "Client.mdb-journal"), followed by a
// header with the journal's length and checksums; the journal and its folder
// are then flushed. Only then is the database written and flushed, and then
// the journal removed (and the folder flushed): that removal is the moment
// the change takes effect. Whoever next opens the database and finds a
// complete journal writes the original bytes back; a journal whose checksums
// fail was cut short before the database was touched and is only removed.
//
// Layout, little-endian:
//   header, 64 bytes:
//     0  magic "JetUndo1"
//     8  u32 page size of the database
//    12  u32 zero
//    16  u64 size of the database in bytes (a change never resizes it)
//    24  u64 number of entries
//    32  u64 length of the entries in bytes
//    40  u64 CRC-64 of the entries
//    48  u64 zero
//    56  u64 CRC-64 of bytes 0-55
//   entries, one per changed range, in the order they are applied:
//     u64 offset in the file, u32 length, the original bytes, the new bytes.
// Bytes are as stored in the file (encoded, for encoded databases), so rolling
// back needs nothing of the database but its size. Entries are small (a few
// bytes of a page), and both writing and reading stream through a fixed
// buffer, so no table is ever too large to journal.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "jet/Env.h"

namespace jet {

std::string JournalPath(const std::string& database_path);

namespace journal {
inline constexpr std::size_t kHeaderSize = 64;
inline constexpr std::size_t kEntryHeaderSize = 12;
// Writing and reading go through buffers of this size.
inline constexpr std::size_t kBufferSize = 256 * 1024;
}  // namespace journal

// The CRC-64 of the XZ format (ECMA-182 polynomial, reflected).
class Crc64 {
 public:
  void Update(std::span<const std::uint8_t> bytes);
  std::uint64_t value() const { return ~state_; }

 private:
  std::uint64_t state_ = ~std::uint64_t{0};
};

// One range of the database, as the journal holds it. The spans point into
// the reader's buffer and are valid during the visit only.
struct JournalEntry {
  std::uint64_t offset = 0;
  std::span<const std::uint8_t> before;
  std::span<const std::uint8_t> after;
};

// Builds a journal, streaming its entries to the file.
class JournalWriter {
 public:
  // Creates the journal at `path`, emptying any file there.
  JournalWriter(Env& env, std::string path, std::uint32_t page_size, std::uint64_t database_size);

  void Add(std::uint64_t offset, std::span<const std::uint8_t> before, std::span<const std::uint8_t> after);
  // Writes the header and returns once the journal, and its name in the
  // folder, are on stable storage.
  void Seal();

  File& file() { return *file_; }
  const std::string& path() const { return path_; }
  std::uint64_t bytes_written() const { return written_; }

 private:
  void Flush();

  Env& env_;
  std::string path_;
  std::unique_ptr<File> file_;
  std::uint32_t page_size_;
  std::uint64_t database_size_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t body_end_ = journal::kHeaderSize;  // where the next flush goes
  std::uint64_t entries_ = 0;
  std::uint64_t written_ = 0;
  Crc64 checksum_;
};

// A journal read back from its file.
class JournalReader {
 public:
  // Reads the header and checks the whole journal. A journal that was cut
  // short (too short, a checksum fails) is not complete(). A complete one
  // whose entries contradict its header (outside the database, longer than a
  // page) was not written by this engine: that throws jet::Error (kDamaged).
  explicit JournalReader(File& file);

  bool complete() const { return complete_; }
  std::uint32_t page_size() const { return page_size_; }
  std::uint64_t database_size() const { return database_size_; }
  std::uint64_t entries() const { return entries_; }

  // Visits every entry in order. Only for a complete journal.
  void ForEach(const std::function<void(const JournalEntry&)>& visit) const;

 private:
  bool ReadHeader();
  bool ChecksumMatches() const;

  File& file_;
  bool complete_ = false;
  std::uint32_t page_size_ = 0;
  std::uint64_t database_size_ = 0;
  std::uint64_t entries_ = 0;
  std::uint64_t body_length_ = 0;
  std::uint64_t body_checksum_ = 0;
};

// Writes every entry's original bytes back into the database and flushes it.
void RollBack(const JournalReader& journal, File& database);

enum class Recovery { kNothing, kDiscarded, kRolledBack };

// Deals with a journal left beside the database by a change that did not
// finish: a complete one is rolled back, then removed; one cut short is
// removed. The caller holds the database's lock exclusively and has it open
// for writing. Throws jet::Error when a complete journal does not fit the
// database (both are then left as they are).
Recovery RecoverJournal(Env& env, const std::string& database_path, File& database);

}  // namespace jet
