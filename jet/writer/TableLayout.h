// A table as the file describes it: every column and index with the numbers,
// offsets and flags its definition page holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Jet4Layout.h"
#include "Schema.h"

namespace jet::writer {

struct ColumnLayout {
  std::string name;
  ColumnCode code = ColumnCode::kLong;
  std::uint16_t length = 0;  // bytes as the definition states them
  std::uint8_t flags = 0;
  std::uint8_t extFlags = 0;
  bool autoNumber = false;
  std::uint16_t maxChars = 0;  // Text only
  // Placement, filled in by AssignPlacement.
  std::uint16_t number = 0;
  std::uint16_t fixedOffset = 0;
  std::uint16_t varIndex = 0;

  bool isFixed() const { return (flags & column_flag::kFixed) != 0; }
  bool isLongValue() const {
    return code == ColumnCode::kMemo || code == ColumnCode::kOle;
  }
  bool isBoolean() const { return code == ColumnCode::kBoolean; }
};

struct IndexLayout {
  std::string name;
  std::vector<std::uint16_t> columns;  // column numbers
  std::uint8_t flags = layout::tdef::kIndexAlwaysSet;
  std::uint8_t logicalType = layout::tdef::kLogicalIndexNormal;
};

struct TableLayout {
  std::string name;
  bool system = false;
  std::vector<ColumnLayout> columns;
  std::vector<IndexLayout> indexes;
  // Derived by AssignPlacement.
  std::uint16_t fixedSize = 0;
  std::uint16_t varCount = 0;
  int autoNumberColumn = -1;
  std::vector<std::uint16_t> longValueColumns;
};

// Numbers the columns, lays out the fixed and variable parts of a row.
void AssignPlacement(TableLayout& layout);

// Checks a caller's definition and turns it into a layout; throws
// std::invalid_argument with a readable reason.
TableLayout MakeUserTableLayout(const TableDef& def);

// Names Jet accepts for tables, columns and indexes that the catalog index
// can also sort: ASCII letters, digits, blank and _ $ #, 1 to 64 long.
bool IsPlainName(const std::string& name);

}  // namespace jet::writer
