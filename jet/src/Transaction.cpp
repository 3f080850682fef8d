#include "Transaction.h"

#include <string>
#include <vector>

#include "jet/Error.h"

namespace jet {

Transaction::Transaction(Env& env, std::string database_path, File& file, const Format& format,
                         const PageCodec& codec)
    : env_(env), journal_path_(JournalPath(database_path)), file_(file), format_(format), codec_(codec) {}

Transaction::~Transaction() {
  if (!journal_ || sealed_) return;
  journal_.reset();
  try {
    env_.Remove(journal_path_);
  } catch (const Error&) {
    // Never sealed, so never complete: the next open discards it.
  }
}

void Transaction::Write(std::uint32_t page, std::uint32_t offset, std::span<const std::uint8_t> bytes) {
  if (page == 0 || offset > format_.page_size || bytes.size() > format_.page_size - offset) {
    // A fault of the engine, never of the file: the plan checked every field.
    throw std::logic_error("page write outside its page: page " + std::to_string(page));
  }
  if (sealed_) throw std::logic_error("page write after the commit");
  std::vector<std::uint8_t> stored(bytes.begin(), bytes.end());
  codec_.Apply(page, offset, stored);
  const std::uint64_t at = static_cast<std::uint64_t>(page) * format_.page_size + offset;
  Unchanged([&] {
    before_.resize(stored.size());
    file_.Read(at, before_);
    if (!journal_) journal_ = std::make_unique<JournalWriter>(env_, journal_path_, format_.page_size, file_.Size());
    journal_->Add(at, before_, stored);
  });
  ++writes_;
}

// Until the journal is sealed the database is not touched, and a failure says
// so: a full disk usually strikes here, while the journal grows.
template <typename F>
void Transaction::Unchanged(F&& step) {
  try {
    step();
  } catch (const Error& e) {
    throw Error(e.code(), std::string(e.what()) + "; the database was left as it was");
  }
}

void Transaction::Commit() {
  if (!journal_) return;
  Unchanged([&] { journal_->Seal(); });
  sealed_ = true;
  try {
    Apply();
    file_.Sync();
    // Closed first: some systems (Windows) keep an open file from going.
    journal_bytes_ = journal_->bytes_written();
    journal_.reset();
    env_.Remove(journal_path_);
  } catch (const Error& e) {
    Undo(e);
  }
  try {
    env_.SyncFolderOf(journal_path_);
  } catch (const Error&) {
    // The change is whole on the disk. A power cut before the folder reaches
    // it could bring the journal back, and with it the database as it was:
    // one of the two states a change may leave, never a mix.
  }
}

// The new bytes come back from the journal rather than from a second pass
// over the table: what reaches the database is exactly what the checksum
// covers, and only the small journal is read again.
void Transaction::Apply() {
  const JournalReader journal(journal_->file());
  if (!journal.complete()) throw Error(Error::Code::kIo, "the journal " + journal_path_ + " does not read back whole");
  journal.ForEach([&](const JournalEntry& entry) {
    file_.Write(entry.offset, entry.after);
    database_bytes_ += entry.after.size();
  });
}

void Transaction::Undo(const Error& cause) {
  try {
    journal_.reset();
    const std::unique_ptr<File> file = env_.Open(journal_path_, Access::kReadOnly);
    const JournalReader journal(*file);
    if (!journal.complete()) throw Error(Error::Code::kIo, "the journal does not read back whole");
    RollBack(journal, file_);
  } catch (const Error& second) {
    throw Error(cause.code(), std::string(cause.what()) + "; undoing the change failed too (" + second.what() +
                                  "), so it will be undone when the database is next opened");
  }
  try {
    env_.Remove(journal_path_);
    env_.SyncFolderOf(journal_path_);
  } catch (const Error&) {
    // The journal now holds what the database holds: rolling it back again
    // changes nothing.
  }
  throw Error(cause.code(), std::string(cause.what()) + "; the database was left as it was");
}

std::uint64_t Transaction::bytes_written() const {
  return (journal_ ? journal_->bytes_written() : journal_bytes_) + database_bytes_;
}

}  // namespace jet
