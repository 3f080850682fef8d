#include "jet/Database.h"

#include "Catalog.h"
#include "ClearPlan.h"
#include "Header.h"
#include "Journal.h"
#include "Pager.h"
#include "Statement.h"
#include "TableDef.h"
#include "Transaction.h"

namespace jet {

namespace {

// Everything a statement needs, read afresh from the file each time: another
// program may have changed it since the last statement.
struct Snapshot {
  explicit Snapshot(File& file)
      : header(ReadHeader(file)),
        pager(file, *header.format, PageCodec(header.encoding_key), header.page_count),
        catalog(Catalog::Read(pager)) {}

  HeaderInfo header;
  Pager pager;
  Catalog catalog;
};

const CatalogEntry& FindTable(const Catalog& catalog, const std::string& name) {
  const CatalogEntry* entry = catalog.FindTableLike(name);
  if (entry == nullptr) {
    throw Error(Error::Code::kTableNotFound, "cannot find the table '" + name + "'");
  }
  if (entry->is_query()) {
    throw Error(Error::Code::kNotATable, "'" + entry->name + "' is a query, not a table");
  }
  if (entry->is_linked()) {
    throw Error(Error::Code::kNotATable,
                "'" + entry->name + "' is a linked table; its rows live in another database");
  }
  if (entry->is_system()) {
    throw Error(Error::Code::kNotATable, "'" + entry->name + "' is a system table and cannot be changed");
  }
  return *entry;
}

}  // namespace

// Holds the file's lock for one statement, never waiting for it: a program
// that cannot have the file at once says so instead of hanging. Readers share
// the lock; a change holds it alone, from its first read to the removal of
// its journal, so no one ever reads a change half made.
class StatementLock {
 public:
  enum class Kind { kShared, kExclusive };

  StatementLock(File& file, Kind kind) : file_(file) {
    if (!(kind == Kind::kShared ? file_.TryLockShared() : file_.TryLock())) Refuse(kind);
  }
  ~StatementLock() { file_.Unlock(); }
  StatementLock(const StatementLock&) = delete;
  StatementLock& operator=(const StatementLock&) = delete;

  void MakeExclusive() {
    if (!file_.TryLock()) Refuse(Kind::kExclusive);
  }

 private:
  [[noreturn]] static void Refuse(Kind kind) {
    throw Error(Error::Code::kInUse,
                kind == Kind::kShared
                    ? "the file is in use by another program, which is changing it; try again in a moment"
                    : "the file is in use by another program; try again when it has finished with the file");
  }

  File& file_;
};

Database::Database(std::string path, std::unique_ptr<File> file, bool read_only, Env& env)
    : path_(std::move(path)), file_(std::move(file)), read_only_(read_only), env_(env) {}

Database::~Database() = default;

// Every error leaving the object names the file first.
template <typename F>
auto Database::Guarded(F&& body) -> decltype(body()) {
  try {
    return body();
  } catch (const Error& e) {
    throw Error(e.code(), path_ + ": " + e.what());
  }
}

std::unique_ptr<Database> Database::Open(const std::string& path, const OpenOptions& /*options*/,
                                         Env* env) {
  if (env == nullptr) env = Env::Default();
  std::unique_ptr<File> file;
  bool read_only = false;
  try {
    try {
      file = env->Open(path, Access::kReadWrite);
    } catch (const Error& e) {
      if (e.code() != Error::Code::kReadOnly) throw;
      file = env->Open(path, Access::kReadOnly);
      read_only = true;
    }
  } catch (const Error& e) {
    throw Error(e.code(), path + ": " + e.what());
  }
  std::unique_ptr<Database> db(new Database(path, std::move(file), read_only, *env));
  db->Guarded([&] {
    StatementLock lock(*db->file_, StatementLock::Kind::kShared);
    db->FinishInterruptedChange(lock);
    Snapshot check(*db->file_);
  });
  return db;
}

std::int64_t Database::Execute(std::string_view sql) {
  return Guarded([&]() -> std::int64_t {
    const DeleteAll statement = ParseStatement(sql);
    StatementLock lock(*file_, StatementLock::Kind::kExclusive);
    FinishInterruptedChange(lock);
    Snapshot snap(*file_);
    const CatalogEntry& entry = FindTable(snap.catalog, statement.table);
    const TableDef table = TableDef::Load(snap.pager, entry.table_page());
    if (table.table_type() == table_type::kSystem) {
      throw Error(Error::Code::kNotATable, "'" + entry.name + "' is a system table and cannot be changed");
    }
    if (read_only_) {
      throw Error(Error::Code::kReadOnly, "the database is read-only; cannot delete from '" + entry.name + "'");
    }
    const ClearPlan plan = PlanClearTable(snap.pager, snap.catalog, table, entry.name);
    if (plan.changes_nothing()) return 0;
    Transaction transaction(env_, path_, *file_, *snap.header.format, snap.pager.codec());
    ApplyClearTable(snap.pager, plan, transaction);
    transaction.Commit();
    return plan.rows;
  });
}

// A journal found while the lock is ours was left by a change that died: no
// one else can be in the middle of one. It is dealt with before anything is
// read, so that no statement ever sees a change half made.
void Database::FinishInterruptedChange(StatementLock& lock) {
  if (!env_.Exists(JournalPath(path_))) return;
  lock.MakeExclusive();
  if (read_only_) {
    throw Error(Error::Code::kReadOnly, "a change that was interrupted must be undone from " + JournalPath(path_) +
                                            ", but the file may only be read");
  }
  RecoverJournal(env_, path_, *file_);
}

DatabaseInfo Database::Info() {
  return Guarded([&] {
    StatementLock lock(*file_, StatementLock::Kind::kShared);
    FinishInterruptedChange(lock);
    Snapshot snap(*file_);
    DatabaseInfo info;
    info.format = snap.header.format->name;
    info.page_size = snap.header.format->page_size;
    info.page_count = snap.header.page_count;
    info.encoded = snap.header.encoding_key != 0;
    for (const CatalogEntry& e : snap.catalog.entries()) {
      if (!e.is_table()) continue;
      const TableDef def = TableDef::Load(snap.pager, e.table_page());
      info.tables.push_back({e.name, def.row_count(), e.is_system()});
    }
    return info;
  });
}

}  // namespace jet
