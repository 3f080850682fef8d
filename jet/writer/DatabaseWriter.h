// Creates a new Jet 4 (Access 2000 format) database. Tables are added one by
// one and their rows streamed in; nothing grows with the number of rows but
// the file.
//
//   auto db = jet::writer::DatabaseWriter::create("Client.mdb");
//   auto& rooms = db->addTable(def);
//   rooms.addRow({Value::Null(), Value::Int(101), ...});
//   db->finish();   // without it no file appears
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FileEnv.h"
#include "Schema.h"
#include "Value.h"

namespace jet::writer {

class TableBuilder;
class PageStore;

struct WriterOptions {
  // Stamped on the file and its catalog rows; the current time when unset.
  bool useCurrentTime = true;
  DateTime created;
  // Memory each index may use for its entries before they go to scratch files.
  std::size_t indexMemoryBudget = std::size_t{4} << 20;
  FileEnv* env = nullptr;  // the default file system when null
};

class TableWriter {
 public:
  ~TableWriter();
  TableWriter(const TableWriter&) = delete;
  TableWriter& operator=(const TableWriter&) = delete;

  // One value per column, in the table's column order. A null autonumber is
  // filled in; the autonumber is returned (0 without one). Throws
  // std::invalid_argument when a value does not fit its column; the table is
  // then unchanged.
  std::int64_t addRow(std::vector<Value> row);
  std::uint32_t rowCount() const;
  const std::string& name() const;

 private:
  friend class DatabaseWriter;
  explicit TableWriter(std::unique_ptr<TableBuilder> builder);
  std::unique_ptr<TableBuilder> builder_;
};

class DatabaseWriter {
 public:
  // Starts writing to a partial file beside `path`; throws std::runtime_error
  // when it cannot be created.
  static std::unique_ptr<DatabaseWriter> create(const std::string& path, WriterOptions options = {});
  ~DatabaseWriter();  // without finish() the partial file is removed
  DatabaseWriter(const DatabaseWriter&) = delete;
  DatabaseWriter& operator=(const DatabaseWriter&) = delete;

  // Throws std::invalid_argument for a definition Jet would not accept or the
  // writer cannot produce. The reference stays valid until finish().
  TableWriter& addTable(const TableDef& def);
  // Writes indexes, system tables and the header, then moves the file into
  // place. Throws std::invalid_argument when a unique index holds a value
  // twice; no file is left then.
  void finish();

 private:
  DatabaseWriter(std::string path, WriterOptions options, std::unique_ptr<PageFile> file);

  std::string path_;
  WriterOptions options_;
  FileEnv& env_;
  std::unique_ptr<PageFile> file_;
  std::unique_ptr<PageStore> store_;
  std::vector<std::unique_ptr<TableWriter>> tables_;
  bool finished_ = false;
};

}  // namespace jet::writer
