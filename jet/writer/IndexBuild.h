// Builds an index B-tree from its entries: entries are sorted within a fixed
// memory budget (spilling sorted runs to scratch files), then written as leaf
// pages and as many levels of node pages as needed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Bytes.h"
#include "FileEnv.h"
#include "PageStore.h"

namespace jet::writer {

class EntrySorter {
 public:
  EntrySorter(FileEnv& env, std::string scratchNear, std::size_t memoryBudget);
  ~EntrySorter();
  EntrySorter(const EntrySorter&) = delete;
  EntrySorter& operator=(const EntrySorter&) = delete;

  void add(const Bytes& entry);
  // Hands every entry to the sink in ascending byte order, once.
  void drain(const std::function<void(const Bytes&)>& sink);
  std::uint64_t count() const { return count_; }

 private:
  struct Item {
    std::uint32_t offset;
    std::uint32_t size;
  };
  void sortMemory();
  void spill();

  FileEnv& env_;
  std::string scratchNear_;
  std::size_t budget_;
  Bytes arena_;
  std::vector<Item> items_;
  std::vector<std::unique_ptr<ScratchFile>> runs_;
  std::uint64_t count_ = 0;
};

struct IndexTree {
  std::uint32_t root = 0;
  std::vector<std::uint32_t> pages;
};

// With `unique`, two entries with the same key (the entry without its row
// pointer) make it throw std::invalid_argument, unless the key is all null.
IndexTree WriteIndexTree(PageStore& store, std::uint32_t tdefPage, EntrySorter& entries, bool unique);

}  // namespace jet::writer
