// A small page-level reader for the tests: table definitions, usage maps and
// index trees, read as Access lays them out. It is checked against files
// Access made before it is trusted with the writer's.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace jet::writer::testing {

using PageBytes = std::vector<std::uint8_t>;

class FilePages {
 public:
  explicit FilePages(const std::string& path);
  const std::uint8_t* page(std::uint32_t n) const;
  std::uint32_t count() const { return static_cast<std::uint32_t>(data_.size() / 4096); }
  // The bytes of a row given as page << 8 | row.
  PageBytes row(std::uint32_t packed) const;

 private:
  std::vector<std::uint8_t> data_;
};

struct ColumnInfo {
  std::string name;
  std::uint8_t type = 0;
  std::uint16_t number = 0;
  std::uint8_t flags = 0;
  std::uint16_t fixedOffset = 0;
  std::uint16_t length = 0;
};

struct IndexInfo {
  std::vector<std::uint16_t> columns;
  std::uint32_t usageMap = 0;
  std::uint32_t root = 0;
  std::uint8_t flags = 0;
};

struct LongValueMaps {
  std::uint16_t column = 0;
  std::uint32_t ownedMap = 0;
  std::uint32_t freeMap = 0;
};

struct TableInfo {
  std::uint32_t rows = 0;
  std::uint32_t ownedMap = 0;
  std::vector<LongValueMaps> longValues;
  std::vector<ColumnInfo> columns;  // by column number
  std::vector<IndexInfo> indexes;   // real indexes
};

TableInfo ReadTableDefinition(const FilePages& file, std::uint32_t tdefPage);

// The pages a usage map row marks, inline or through bitmap pages.
std::vector<std::uint32_t> UsageMapPages(const FilePages& file, std::uint32_t packedRow);

struct IndexWalk {
  std::vector<PageBytes> entries;  // leaf entries in tree order, prefix restored
  std::set<std::uint32_t> pages;
  int depth = 0;
  std::vector<std::string> problems;  // broken rules; empty when sound
};

// Walks the tree from its root and along the leaf chain and checks that both
// agree, that entries ascend, and that every node entry is the greatest entry
// below it.
IndexWalk WalkIndex(const FilePages& file, std::uint32_t tdefPage, std::uint32_t root);

// Table definition pages of the user tables (type 0x4e) in the file.
std::vector<std::uint32_t> UserTableDefinitions(const FilePages& file);

}  // namespace jet::writer::testing
