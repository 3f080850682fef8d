// Everything written for one table while its rows stream in: data pages,
// memo pages, index entries waiting to be sorted; and at the end its index
// trees, usage maps and definition.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FileEnv.h"
#include "IndexBuild.h"
#include "LongValues.h"
#include "RowEncoder.h"
#include "RowPages.h"
#include "TableLayout.h"

namespace jet::writer {

class TableBuilder {
 public:
  TableBuilder(PageStore& store, FileEnv& env, const std::string& scratchNear, TableLayout layout,
               std::uint32_t tdefPage, std::size_t indexMemoryBudget);

  // Returns the autonumber given to the row, or 0 without one.
  std::int64_t addRow(std::vector<Value> row);
  void finish();

  const TableLayout& layout() const { return layout_; }
  std::uint32_t tdefPage() const { return tdefPage_; }
  std::uint32_t rowCount() const { return rowCount_; }

 private:
  std::int64_t assignAutoNumber(std::vector<Value>& row);
  Bytes storeLongValue(std::uint16_t column, const Bytes& data);

  PageStore& store_;
  TableLayout layout_;
  std::uint32_t tdefPage_;
  RowEncoder encoder_;
  RowPageWriter rows_;
  std::map<std::uint16_t, std::unique_ptr<LongValueWriter>> longValues_;
  std::vector<std::unique_ptr<EntrySorter>> indexEntries_;
  std::uint32_t rowCount_ = 0;
  std::int64_t lastAutoNumber_ = 0;
  bool finished_ = false;
};

}  // namespace jet::writer
