#include "Journal.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "Bytes.h"
#include "jet/Error.h"

namespace jet {

namespace {

constexpr std::array<std::uint8_t, 8> kMagic{'J', 'e', 't', 'U', 'n', 'd', 'o', '1'};
constexpr std::size_t kPageSizeAt = 8;
constexpr std::size_t kDatabaseSizeAt = 16;
constexpr std::size_t kEntriesAt = 24;
constexpr std::size_t kBodyLengthAt = 32;
constexpr std::size_t kBodyChecksumAt = 40;
constexpr std::size_t kHeaderChecksumAt = 56;

constexpr std::uint64_t kCrcPolynomial = 0xc96c5795d7870f42ull;

const std::array<std::uint64_t, 256>& CrcTable() {
  static const std::array<std::uint64_t, 256> table = [] {
    std::array<std::uint64_t, 256> t{};
    for (std::uint64_t i = 0; i < 256; ++i) {
      std::uint64_t c = i;
      for (int bit = 0; bit < 8; ++bit) c = (c & 1u) != 0 ? (c >> 1) ^ kCrcPolynomial : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  return table;
}

std::uint64_t U64(std::span<const std::uint8_t> b, std::size_t at) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(b[at + i]) << (8 * i);
  return v;
}

void PutU64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void Append(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

// Reads a stretch of a file front to back in pieces of a fixed buffer.
class Stream {
 public:
  Stream(File& file, std::uint64_t from, std::uint64_t length)
      : file_(file), next_(from), left_(length) {}

  std::uint64_t left() const { return left_ + (have_ - at_); }

  // The next `n` bytes, contiguous; valid until the next call.
  std::span<const std::uint8_t> Take(std::size_t n) {
    if (have_ - at_ < n) Refill(n);
    const std::span<const std::uint8_t> out(buffer_.data() + at_, n);
    at_ += n;
    return out;
  }

 private:
  void Refill(std::size_t n) {
    if (n > left()) throw std::logic_error("journal stream read past its end");
    std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(at_),
              buffer_.begin() + static_cast<std::ptrdiff_t>(have_), buffer_.begin());
    have_ -= at_;
    at_ = 0;
    if (buffer_.size() < std::max(n, journal::kBufferSize)) buffer_.resize(std::max(n, journal::kBufferSize));
    const std::size_t chunk =
        static_cast<std::size_t>(std::min<std::uint64_t>(left_, buffer_.size() - have_));
    file_.Read(next_, std::span<std::uint8_t>(buffer_.data() + have_, chunk));
    next_ += chunk;
    left_ -= chunk;
    have_ += chunk;
  }

  File& file_;
  std::uint64_t next_;
  std::uint64_t left_;
  std::vector<std::uint8_t> buffer_;
  std::size_t at_ = 0;
  std::size_t have_ = 0;
};

}  // namespace

std::string JournalPath(const std::string& database_path) { return database_path + "-journal"; }

void Crc64::Update(std::span<const std::uint8_t> bytes) {
  const auto& table = CrcTable();
  std::uint64_t c = state_;
  for (std::uint8_t b : bytes) c = table[(c ^ b) & 0xffu] ^ (c >> 8);
  state_ = c;
}

JournalWriter::JournalWriter(Env& env, std::string path, std::uint32_t page_size,
                             std::uint64_t database_size)
    : env_(env),
      path_(std::move(path)),
      file_(env_.Create(path_)),
      page_size_(page_size),
      database_size_(database_size) {
  buffer_.reserve(journal::kBufferSize);
}

void JournalWriter::Add(std::uint64_t offset, std::span<const std::uint8_t> before,
                        std::span<const std::uint8_t> after) {
  if (before.size() != after.size() || before.size() > page_size_) {
    throw std::logic_error("journal entry of unequal or oversized ranges");
  }
  std::uint8_t head[journal::kEntryHeaderSize];
  PutU64(head, offset);
  PutU32(head + 8, static_cast<std::uint32_t>(before.size()));
  if (buffer_.size() + sizeof head + 2 * before.size() > journal::kBufferSize) Flush();
  const std::size_t start = buffer_.size();
  Append(buffer_, head);
  Append(buffer_, before);
  Append(buffer_, after);
  checksum_.Update(std::span<const std::uint8_t>(buffer_).subspan(start));
  ++entries_;
}

void JournalWriter::Flush() {
  if (buffer_.empty()) return;
  file_->Write(body_end_, buffer_);
  body_end_ += buffer_.size();
  written_ += buffer_.size();
  buffer_.clear();
}

void JournalWriter::Seal() {
  Flush();
  std::array<std::uint8_t, journal::kHeaderSize> header{};
  std::copy(kMagic.begin(), kMagic.end(), header.begin());
  PutU32(&header[kPageSizeAt], page_size_);
  PutU64(&header[kDatabaseSizeAt], database_size_);
  PutU64(&header[kEntriesAt], entries_);
  PutU64(&header[kBodyLengthAt], body_end_ - journal::kHeaderSize);
  PutU64(&header[kBodyChecksumAt], checksum_.value());
  Crc64 own;
  own.Update(std::span<const std::uint8_t>(header).first(kHeaderChecksumAt));
  PutU64(&header[kHeaderChecksumAt], own.value());
  // One flush covers header and entries: until it is done the checksums
  // cannot all match, and a journal that does not match is never used.
  file_->Write(0, header);
  written_ += header.size();
  file_->Sync();
  env_.SyncFolderOf(path_);
}

JournalReader::JournalReader(File& file) : file_(file) {
  complete_ = ReadHeader() && ChecksumMatches();
  if (complete_) ForEach([](const JournalEntry&) {});  // checks every entry before any is used
}

bool JournalReader::ReadHeader() {
  const std::uint64_t size = file_.Size();
  if (size < journal::kHeaderSize) return false;
  std::array<std::uint8_t, journal::kHeaderSize> header{};
  file_.Read(0, header);
  Crc64 own;
  own.Update(std::span<const std::uint8_t>(header).first(kHeaderChecksumAt));
  if (!std::equal(kMagic.begin(), kMagic.end(), header.begin()) ||
      own.value() != U64(header, kHeaderChecksumAt)) {
    return false;
  }
  page_size_ = Bytes(header, "journal header", 0).U32(kPageSizeAt);
  database_size_ = U64(header, kDatabaseSizeAt);
  entries_ = U64(header, kEntriesAt);
  body_length_ = U64(header, kBodyLengthAt);
  body_checksum_ = U64(header, kBodyChecksumAt);
  return body_length_ <= size - journal::kHeaderSize;
}

bool JournalReader::ChecksumMatches() const {
  Stream in(file_, journal::kHeaderSize, body_length_);
  Crc64 crc;
  while (in.left() > 0) {
    crc.Update(in.Take(static_cast<std::size_t>(std::min<std::uint64_t>(in.left(), journal::kBufferSize))));
  }
  return crc.value() == body_checksum_;
}

void JournalReader::ForEach(const std::function<void(const JournalEntry&)>& visit) const {
  if (!complete_) throw std::logic_error("journal used although it is not complete");
  auto malformed = [](const std::string& why) { return Error(Error::Code::kDamaged, "the journal " + why); };
  if (page_size_ != 2048 && page_size_ != 4096) {
    throw malformed("names a page size of " + std::to_string(page_size_) + " bytes");
  }
  Stream in(file_, journal::kHeaderSize, body_length_);
  for (std::uint64_t i = 0; i < entries_; ++i) {
    if (in.left() < journal::kEntryHeaderSize) throw malformed("ends before its last entry");
    const auto head = in.Take(journal::kEntryHeaderSize);
    JournalEntry entry;
    entry.offset = U64(head, 0);
    const std::uint32_t length = Bytes(head, "journal entry", i).U32(8);
    const std::uint64_t in_page = entry.offset % page_size_;
    if (length > page_size_ - in_page || entry.offset >= database_size_ ||
        length > database_size_ - entry.offset) {
      throw malformed("has an entry of " + std::to_string(length) + " bytes at offset " +
                      std::to_string(entry.offset) + ", outside the database's pages");
    }
    if (in.left() < 2ull * length) throw malformed("ends inside an entry");
    const auto bytes = in.Take(2u * length);
    entry.before = bytes.first(length);
    entry.after = bytes.subspan(length);
    visit(entry);
  }
  if (in.left() != 0) throw malformed("runs on past its last entry");
}

void RollBack(const JournalReader& journal, File& database) {
  journal.ForEach([&](const JournalEntry& entry) { database.Write(entry.offset, entry.before); });
  database.Sync();
}

Recovery RecoverJournal(Env& env, const std::string& database_path, File& database) {
  const std::string path = JournalPath(database_path);
  if (!env.Exists(path)) return Recovery::kNothing;
  std::unique_ptr<File> file;
  try {
    file = env.Open(path, Access::kReadOnly);
  } catch (const Error& e) {
    if (e.code() == Error::Code::kNotFound) return Recovery::kNothing;
    throw Error(e.code(), "cannot read the journal " + path + " left by an interrupted change: " + e.what());
  }
  auto refuse = [&](const std::string& why) {
    return Error(Error::Code::kDamaged, "cannot undo an interrupted change: " + why +
                                            "; the database and " + path +
                                            " were left as they are (remove the journal only if the database "
                                            "is known to be sound)");
  };
  std::optional<JournalReader> read;
  try {
    read.emplace(*file);
  } catch (const Error& e) {
    if (e.code() != Error::Code::kDamaged) throw;
    throw refuse(e.what());
  }
  const JournalReader& journal = *read;
  if (!journal.complete()) {
    // Cut short before the database was touched: nothing to undo. Should it
    // not go away (a read-only folder), it harms nothing where it is.
    file.reset();
    try {
      env.Remove(path);
      env.SyncFolderOf(path);
    } catch (const Error&) {
    }
    return Recovery::kDiscarded;
  }
  if (journal.database_size() != database.Size()) {
    throw refuse("the journal is for a database of " + std::to_string(journal.database_size()) +
                 " bytes, but this one has " + std::to_string(database.Size()));
  }
  RollBack(journal, database);
  file.reset();
  env.Remove(path);
  env.SyncFolderOf(path);
  return Recovery::kRolledBack;
}

}  // namespace jet
