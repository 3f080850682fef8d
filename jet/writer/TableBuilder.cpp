#include "TableBuilder.h"

#include <algorithm>
#include <stdexcept>

#include "IndexKey.h"
#include "TableDefinition.h"
#include "UsageMap.h"

namespace jet::writer {

TableBuilder::TableBuilder(PageStore& store, FileEnv& env, const std::string& scratchNear, TableLayout layout,
                           std::uint32_t tdefPage, std::size_t indexMemoryBudget)
    : store_(store),
      layout_(std::move(layout)),
      tdefPage_(tdefPage),
      encoder_(layout_),
      rows_(store, OwnerTable(tdefPage)) {
  for (std::uint16_t column : layout_.longValueColumns) {
    longValues_.emplace(column, std::make_unique<LongValueWriter>(store));
  }
  for (std::size_t i = 0; i < layout_.indexes.size(); ++i) {
    indexEntries_.push_back(std::make_unique<EntrySorter>(env, scratchNear, indexMemoryBudget));
  }
}

std::int64_t TableBuilder::assignAutoNumber(std::vector<Value>& row) {
  if (layout_.autoNumberColumn < 0) return 0;
  Value& cell = row[static_cast<std::size_t>(layout_.autoNumberColumn)];
  if (cell.isNull()) {
    if (lastAutoNumber_ >= INT32_MAX) throw std::runtime_error("table " + layout_.name + ": autonumbers exhausted");
    cell.setInt(lastAutoNumber_ + 1);
  }
  const auto* given = cell.get<std::int64_t>();
  if (given == nullptr || *given < 1 || *given > INT32_MAX) {
    throw std::invalid_argument("table " + layout_.name + ": autonumber must be a positive Long");
  }
  lastAutoNumber_ = std::max(lastAutoNumber_, *given);
  return *given;
}

Bytes TableBuilder::storeLongValue(std::uint16_t column, const Bytes& data) {
  return longValues_.at(column)->store(data);
}

std::int64_t TableBuilder::addRow(std::vector<Value> row) {
  if (finished_) throw std::logic_error("table " + layout_.name + " is already finished");
  if (row.size() != layout_.columns.size()) {
    throw std::invalid_argument("table " + layout_.name + ": row has " + std::to_string(row.size()) +
                                " values for " + std::to_string(layout_.columns.size()) + " columns");
  }
  if (rowCount_ == UINT32_MAX) throw std::runtime_error("table " + layout_.name + ": too many rows");
  const std::int64_t previousAuto = lastAutoNumber_;
  const std::int64_t autoNumber = assignAutoNumber(row);
  Bytes keys;
  std::vector<Bytes> entries;
  try {
    // Keys first: they check what an index can hold before anything is written.
    for (const auto& index : layout_.indexes) {
      keys.clear();
      for (std::uint16_t c : index.columns) {
        if ((index.flags & layout::tdef::kIndexRequired) != 0 && row[c].isNull()) {
          throw std::invalid_argument("table " + layout_.name + ", index " + index.name + ": column " +
                                      layout_.columns[c].name + " needs a value");
        }
        AppendKeyPart(keys, layout_.columns[c], row[c]);
      }
      entries.push_back(keys);
    }
    const Bytes encoded =
        encoder_.encode(row, [this](std::uint16_t c, const Bytes& d) { return storeLongValue(c, d); });
    const RowId id = rows_.add(encoded);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      AppendRowPointer(entries[i], id.page, id.row);
      indexEntries_[i]->add(entries[i]);
    }
  } catch (...) {
    lastAutoNumber_ = previousAuto;
    throw;
  }
  ++rowCount_;
  return autoNumber;
}

void TableBuilder::finish() {
  if (finished_) return;
  finished_ = true;
  rows_.flush();
  for (auto& [column, writer] : longValues_) writer->flush();

  TableFacts facts;
  facts.rowCount = rowCount_;
  facts.lastAutoNumber = static_cast<std::uint32_t>(lastAutoNumber_);
  std::vector<IndexTree> trees;
  for (std::size_t i = 0; i < indexEntries_.size(); ++i) {
    const IndexLayout& index = layout_.indexes[i];
    try {
      trees.push_back(WriteIndexTree(store_, tdefPage_, *indexEntries_[i],
                                     (index.flags & layout::tdef::kIndexUnique) != 0));
    } catch (const std::invalid_argument& e) {
      throw std::invalid_argument("table " + layout_.name + ", index " + index.name + ": " + e.what());
    }
  }
  indexEntries_.clear();

  // The maps live as rows of pages owned by no table.
  RowPageWriter maps(store_, OwnerTable(0));
  auto addMap = [this, &maps](std::vector<std::uint32_t> pages) {
    std::sort(pages.begin(), pages.end());
    return maps.add(BuildUsageMapRow(store_, pages)).packed();
  };
  facts.ownedMap = addMap(rows_.pages());
  facts.freeMap = addMap(rows_.pagesWithFreeSpace());
  for (const auto& tree : trees) facts.indexes.push_back({tree.root, addMap(tree.pages)});
  for (const auto& [column, writer] : longValues_) {
    LongValueFacts lv;
    lv.column = column;
    lv.ownedMap = addMap(writer->pages());
    lv.freeMap = addMap(writer->pagesWithFreeSpace());
    facts.longValues.push_back(lv);
  }
  maps.flush();
  WriteTableDefinition(store_, tdefPage_, layout_, facts);
}

}  // namespace jet::writer
