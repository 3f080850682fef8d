#include "DatabaseWriter.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>

#include "HeaderPage.h"
#include "PageStore.h"
#include "SystemCatalog.h"
#include "TableBuilder.h"
#include "UsageMap.h"

namespace jet::writer {

namespace {

DateTime Now() {
  using namespace std::chrono;
  const auto now = floor<seconds>(system_clock::now());
  const auto days = floor<std::chrono::days>(now);
  const year_month_day ymd{days};
  const hh_mm_ss<seconds> time{now - days};
  DateTime t;
  t.year = static_cast<int>(ymd.year());
  t.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  t.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  t.hour = static_cast<int>(time.hours().count());
  t.minute = static_cast<int>(time.minutes().count());
  t.second = static_cast<int>(time.seconds().count());
  return t;
}

std::string Folded(const std::string& name) {
  std::string out = name;
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

// Rows of the catalog tables stay few; they are added in one go at the end.
constexpr std::size_t kSystemIndexBudget = std::size_t{1} << 20;

}  // namespace

// ------------------------------------------------------------ TableWriter

TableWriter::TableWriter(std::unique_ptr<TableBuilder> builder) : builder_(std::move(builder)) {}
TableWriter::~TableWriter() = default;

std::int64_t TableWriter::addRow(std::vector<Value> row) { return builder_->addRow(std::move(row)); }
std::uint32_t TableWriter::rowCount() const { return builder_->rowCount(); }
const std::string& TableWriter::name() const { return builder_->layout().name; }

// --------------------------------------------------------- DatabaseWriter

std::unique_ptr<DatabaseWriter> DatabaseWriter::create(const std::string& path, WriterOptions options) {
  FileEnv& env = options.env != nullptr ? *options.env : FileEnv::Default();
  auto file = env.newPageFile(path);
  return std::unique_ptr<DatabaseWriter>(new DatabaseWriter(path, options, std::move(file)));
}

DatabaseWriter::DatabaseWriter(std::string path, WriterOptions options, std::unique_ptr<PageFile> file)
    : path_(std::move(path)),
      options_(options),
      env_(options.env != nullptr ? *options.env : FileEnv::Default()),
      file_(std::move(file)),
      store_(std::make_unique<PageStore>(*file_)) {
  if (options_.useCurrentTime) options_.created = Now();
  options_.created.toJetDays();  // rejects an impossible date early
  // The header, the global usage map and the four system table definitions.
  for (std::uint32_t p = 0; p <= 5; ++p) store_->allocate();
}

DatabaseWriter::~DatabaseWriter() {
  // Tables refer to the store; they go first.
  tables_.clear();
}

TableWriter& DatabaseWriter::addTable(const TableDef& def) {
  if (finished_) throw std::logic_error("database already finished");
  TableLayout layout = MakeUserTableLayout(def);
  for (const auto& t : tables_) {
    if (Folded(t->name()) == Folded(def.name)) {
      throw std::invalid_argument("table " + def.name + " already exists");
    }
  }
  const std::uint32_t tdef = store_->allocate();
  auto builder = std::make_unique<TableBuilder>(*store_, env_, path_, std::move(layout), tdef,
                                                options_.indexMemoryBudget);
  tables_.push_back(std::unique_ptr<TableWriter>(new TableWriter(std::move(builder))));
  return *tables_.back();
}

void DatabaseWriter::finish() {
  if (finished_) throw std::logic_error("database already finished");
  finished_ = true;
  std::vector<CatalogTable> userTables;
  for (auto& t : tables_) {
    t->builder_->finish();
    userTables.push_back({t->name(), t->builder_->tdefPage()});
  }
  for (auto& system : SystemTables()) {
    TableBuilder builder(*store_, env_, path_, system.layout, system.tdefPage, kSystemIndexBudget);
    if (system.layout.name == "MSysObjects") {
      for (auto& row : CatalogObjectRows(userTables, options_.created)) builder.addRow(std::move(row));
    } else if (system.layout.name == "MSysACEs") {
      for (auto& row : CatalogPermissionRows(userTables)) builder.addRow(std::move(row));
    }
    builder.finish();
  }
  WriteGlobalUsageMap(*store_);
  WriteHeaderPage(*store_, options_.created.toJetDays());
  file_->commit();
}

}  // namespace jet::writer
