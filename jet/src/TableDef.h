#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Bytes.h"
#include "Pager.h"

namespace jet {

struct Column {
  std::string name;
  std::uint8_t type = 0;
  std::uint16_t number = 0;  // bit in a row's null mask
  std::uint16_t var_index = 0;
  std::uint16_t fixed_offset = 0;
  std::uint16_t length = 0;
  std::uint8_t flags = 0;
  bool fixed() const { return (flags & column_flag::kFixed) != 0; }
};

// A B-tree of the table; several logical indexes may share one.
struct RealIndex {
  std::uint32_t root_page = 0;
  std::size_t entry_count_offset = 0;  // inside the definition
  std::uint32_t entry_count = 0;
};

struct LogicalIndex {
  std::string name;
  std::uint32_t real = 0;
  std::uint8_t type = 0;
  std::uint8_t rel_role = 0;
  std::uint32_t rel_table = 0;
  bool cascade_deletes = false;
  // A foreign key on the side other tables point at.
  bool referenced() const {
    return type == logical_index::kForeignKey && rel_role == logical_index::kReferenced;
  }
};

// A table definition, read whole (it spans one or a few pages).
class TableDef {
 public:
  static TableDef Load(const Pager& pager, std::uint32_t page);

  std::uint32_t page() const { return pages_.front(); }
  std::uint32_t row_count() const { return row_count_; }
  std::uint8_t table_type() const { return table_type_; }
  std::uint32_t owned_pages_map() const { return owned_pages_map_; }
  std::uint16_t var_column_count() const { return var_column_count_; }
  const std::vector<Column>& columns() const { return columns_; }
  const std::vector<RealIndex>& real_indexes() const { return real_indexes_; }
  const std::vector<LogicalIndex>& logical_indexes() const { return logical_indexes_; }
  std::size_t row_count_offset() const { return row_count_offset_; }

  const Column* FindColumn(std::string_view name) const;

  // Where bytes [offset, offset + length) of the definition lie in the file.
  struct Location {
    std::uint32_t page;
    std::uint32_t offset;
  };
  Location Locate(std::size_t offset, std::size_t length) const;

 private:
  void Parse(const Format& format);

  std::vector<std::uint32_t> pages_;
  std::vector<std::uint8_t> bytes_;  // first page whole, then each continuation after its header
  std::uint32_t page_size_ = 0;
  std::uint32_t row_count_ = 0;
  std::size_t row_count_offset_ = 0;
  std::uint8_t table_type_ = 0;
  std::uint32_t owned_pages_map_ = 0;
  std::uint16_t var_column_count_ = 0;
  std::vector<Column> columns_;
  std::vector<RealIndex> real_indexes_;
  std::vector<LogicalIndex> logical_indexes_;
};

}  // namespace jet
