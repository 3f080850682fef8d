#include "jet/Database.h"

#include "Catalog.h"
#include "ClearPlan.h"
#include "Header.h"
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

// Holds the file's lock for the length of one change.
class LockGuard {
 public:
  explicit LockGuard(File& file) : file_(file) {
    if (!file_.TryLock()) {
      throw Error(Error::Code::kInUse, "the file is in use by another program; try again later");
    }
  }
  ~LockGuard() { file_.Unlock(); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  File& file_;
};

}  // namespace

Database::Database(std::string path, std::unique_ptr<File> file, bool read_only)
    : path_(std::move(path)), file_(std::move(file)), read_only_(read_only) {}

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
  std::unique_ptr<Database> db(new Database(path, std::move(file), read_only));
  db->Guarded([&] { Snapshot check(*db->file_); });
  return db;
}

std::int64_t Database::Execute(std::string_view sql) {
  return Guarded([&]() -> std::int64_t {
    const DeleteAll statement = ParseStatement(sql);
    LockGuard lock(*file_);
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
    Transaction transaction(*file_, *snap.header.format, snap.pager.codec());
    ApplyClearTable(snap.pager, plan, transaction);
    transaction.Commit();
    return plan.rows;
  });
}

DatabaseInfo Database::Info() {
  return Guarded([&] {
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
