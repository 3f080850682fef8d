#include "TableLayout.h"

#include <set>
#include <stdexcept>

namespace jet::writer {
namespace {

namespace td = layout::tdef;

ColumnCode CodeOf(ColumnType type) {
  switch (type) {
    case ColumnType::kBoolean: return ColumnCode::kBoolean;
    case ColumnType::kByte: return ColumnCode::kByte;
    case ColumnType::kInteger: return ColumnCode::kInteger;
    case ColumnType::kLong: return ColumnCode::kLong;
    case ColumnType::kCurrency: return ColumnCode::kCurrency;
    case ColumnType::kDouble: return ColumnCode::kDouble;
    case ColumnType::kDateTime: return ColumnCode::kDateTime;
    case ColumnType::kText: return ColumnCode::kText;
    case ColumnType::kMemo: return ColumnCode::kMemo;
  }
  throw std::invalid_argument("unknown column type");
}

[[noreturn]] void Reject(const std::string& table, const std::string& why) {
  throw std::invalid_argument("table " + table + ": " + why);
}

ColumnLayout MakeColumn(const std::string& table, const ColumnDef& def) {
  if (!IsPlainName(def.name)) Reject(table, "unusable column name '" + def.name + "'");
  ColumnLayout c;
  c.name = def.name;
  c.code = CodeOf(def.type);
  c.autoNumber = def.autoNumber;
  if (def.autoNumber && def.type != ColumnType::kLong) {
    Reject(table, "column " + def.name + ": only Long columns can be autonumbers");
  }
  if (def.type == ColumnType::kText) {
    if (def.textLength < 1 || def.textLength > 255) {
      Reject(table, "column " + def.name + ": text length must be 1 to 255");
    }
    c.maxChars = static_cast<std::uint16_t>(def.textLength);
    c.length = static_cast<std::uint16_t>(def.textLength * 2);
  } else {
    c.length = layout::FixedSize(c.code);
  }
  const bool variable = def.type == ColumnType::kText || def.type == ColumnType::kMemo;
  c.flags = column_flag::kUpdatable;
  if (!variable) c.flags |= column_flag::kFixed;
  if (def.autoNumber) c.flags |= column_flag::kAutoNumber;
  if (variable) c.extFlags = td::kColumnExtCompressedText;
  return c;
}

IndexLayout MakeIndex(const TableLayout& layout, const IndexDef& def) {
  if (!IsPlainName(def.name)) Reject(layout.name, "unusable index name '" + def.name + "'");
  if (def.columns.empty() || def.columns.size() > td::kMaxIndexColumns) {
    Reject(layout.name, "index " + def.name + " needs 1 to 10 columns");
  }
  IndexLayout index;
  index.name = def.name;
  for (const auto& name : def.columns) {
    bool found = false;
    for (const auto& c : layout.columns) {
      if (c.name != name) continue;
      found = true;
      if (c.isLongValue() || c.code == ColumnCode::kText || c.isBoolean()) {
        Reject(layout.name, "index " + def.name + ": column " + name + " cannot be indexed here");
      }
      index.columns.push_back(c.number);
    }
    if (!found) Reject(layout.name, "index " + def.name + ": no column " + name);
  }
  if (def.primaryKey) {
    index.flags |= td::kIndexUnique | td::kIndexRequired;
    index.logicalType = logical_index::kPrimaryKey;
  } else if (def.unique) {
    index.flags |= td::kIndexUnique;
  }
  return index;
}

}  // namespace

bool IsPlainName(const std::string& name) {
  if (name.empty() || name.size() > 64 || name.front() == ' ') return false;
  for (char ch : name) {
    const bool ok = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') ||
                    (ch >= '0' && ch <= '9') || ch == '_' || ch == ' ' || ch == '$' || ch == '#';
    if (!ok) return false;
  }
  return true;
}

void AssignPlacement(TableLayout& layout) {
  std::uint16_t fixed = 0;
  std::uint16_t var = 0;
  layout.autoNumberColumn = -1;
  layout.longValueColumns.clear();
  for (std::size_t i = 0; i < layout.columns.size(); ++i) {
    auto& c = layout.columns[i];
    c.number = static_cast<std::uint16_t>(i);
    c.fixedOffset = 0;
    c.varIndex = 0;
    if (c.isFixed()) {
      // Yes/No values live in the null mask and take no room in the row.
      if (!c.isBoolean()) {
        c.fixedOffset = fixed;
        fixed = static_cast<std::uint16_t>(fixed + c.length);
      }
    } else {
      c.varIndex = var++;
    }
    if (c.autoNumber) layout.autoNumberColumn = static_cast<int>(i);
    if (c.isLongValue()) layout.longValueColumns.push_back(c.number);
  }
  layout.fixedSize = fixed;
  layout.varCount = var;
}

TableLayout MakeUserTableLayout(const TableDef& def) {
  if (!IsPlainName(def.name)) Reject(def.name, "unusable table name");
  if (def.name.rfind("MSys", 0) == 0) Reject(def.name, "names starting with MSys are reserved");
  if (def.columns.empty() || def.columns.size() > 255) Reject(def.name, "needs 1 to 255 columns");
  TableLayout layout;
  layout.name = def.name;
  std::set<std::string> seen;
  int autoNumbers = 0;
  for (const auto& c : def.columns) {
    if (!seen.insert(c.name).second) Reject(def.name, "column " + c.name + " appears twice");
    layout.columns.push_back(MakeColumn(def.name, c));
    if (c.autoNumber) ++autoNumbers;
  }
  if (autoNumbers > 1) Reject(def.name, "at most one autonumber column");
  AssignPlacement(layout);
  if (def.indexes.size() > 32) Reject(def.name, "at most 32 indexes");
  std::set<std::string> indexNames;
  int primaryKeys = 0;
  for (const auto& i : def.indexes) {
    if (!indexNames.insert(i.name).second) Reject(def.name, "index " + i.name + " appears twice");
    layout.indexes.push_back(MakeIndex(layout, i));
    if (i.primaryKey) ++primaryKeys;
  }
  if (primaryKeys > 1) Reject(def.name, "at most one primary key");
  return layout;
}

}  // namespace jet::writer
