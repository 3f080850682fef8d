// What a caller describes when creating a table.
#pragma once

#include <string>
#include <vector>

namespace jet::writer {

enum class ColumnType {
  kBoolean,   // Yes/No
  kByte,
  kInteger,   // 16 bit
  kLong,      // 32 bit, optionally an autonumber
  kCurrency,
  kDouble,
  kDateTime,
  kText,      // up to 255 characters
  kMemo,      // long text, may span pages
};

struct ColumnDef {
  std::string name;
  ColumnType type = ColumnType::kLong;
  int textLength = 50;      // characters; Text only
  bool autoNumber = false;  // Long only
};

struct IndexDef {
  std::string name;
  std::vector<std::string> columns;  // at most ten, ascending
  bool primaryKey = false;           // implies unique and required
  bool unique = false;
};

struct TableDef {
  std::string name;
  std::vector<ColumnDef> columns;
  std::vector<IndexDef> indexes;
};

}  // namespace jet::writer
