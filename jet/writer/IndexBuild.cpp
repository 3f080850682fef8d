#include "IndexBuild.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <queue>
#include <stdexcept>

#include "Jet4Layout.h"

namespace jet::writer {

namespace ix = layout::index;

// ------------------------------------------------------------ sorting

namespace {

bool Less(const std::uint8_t* a, std::size_t an, const std::uint8_t* b, std::size_t bn) {
  const int c = std::memcmp(a, b, std::min(an, bn));
  return c < 0 || (c == 0 && an < bn);
}

// Reads back one sorted run: entries stored as a 2-byte length and the bytes.
class RunReader {
 public:
  explicit RunReader(ScratchFile& file) : file_(file) { file_.startReading(); }

  bool next() {
    std::array<std::uint8_t, 2> size{};
    if (!readExactly(size.data(), size.size(), true)) return false;
    current_.resize(GetLE16(size.data()));
    readExactly(current_.data(), current_.size(), false);
    return true;
  }
  const Bytes& current() const { return current_; }

 private:
  bool readExactly(std::uint8_t* out, std::size_t n, bool endAllowed) {
    std::size_t got = 0;
    while (got < n) {
      if (pos_ == end_) {
        end_ = file_.read(buffer_.data(), buffer_.size());
        pos_ = 0;
        if (end_ == 0) {
          if (got == 0 && endAllowed) return false;
          throw std::runtime_error("sort run ends early");
        }
      }
      const std::size_t take = std::min(n - got, end_ - pos_);
      std::memcpy(out + got, buffer_.data() + pos_, take);
      pos_ += take;
      got += take;
    }
    return true;
  }

  ScratchFile& file_;
  std::array<std::uint8_t, 1 << 16> buffer_{};
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  Bytes current_;
};

}  // namespace

EntrySorter::EntrySorter(FileEnv& env, std::string scratchNear, std::size_t memoryBudget)
    : env_(env), scratchNear_(std::move(scratchNear)), budget_(memoryBudget) {}

EntrySorter::~EntrySorter() = default;

void EntrySorter::add(const Bytes& entry) {
  if (entry.size() > 0xffff) throw std::logic_error("index entry too long");
  items_.push_back({static_cast<std::uint32_t>(arena_.size()), static_cast<std::uint32_t>(entry.size())});
  arena_.insert(arena_.end(), entry.begin(), entry.end());
  ++count_;
  if (arena_.size() + items_.size() * sizeof(Item) >= budget_) spill();
}

void EntrySorter::sortMemory() {
  const std::uint8_t* base = arena_.data();
  std::sort(items_.begin(), items_.end(), [base](const Item& a, const Item& b) {
    return Less(base + a.offset, a.size, base + b.offset, b.size);
  });
}

void EntrySorter::spill() {
  sortMemory();
  auto run = env_.newScratchFile(scratchNear_);
  Bytes chunk;
  chunk.reserve(1 << 16);
  for (const Item& item : items_) {
    AppendLE16(chunk, item.size);
    chunk.insert(chunk.end(), arena_.begin() + item.offset, arena_.begin() + item.offset + item.size);
    if (chunk.size() >= (1 << 16) - 4) {
      run->append(chunk.data(), chunk.size());
      chunk.clear();
    }
  }
  run->append(chunk.data(), chunk.size());
  runs_.push_back(std::move(run));
  items_.clear();
  arena_.clear();
}

void EntrySorter::drain(const std::function<void(const Bytes&)>& sink) {
  if (runs_.empty()) {
    sortMemory();
    Bytes entry;
    for (const Item& item : items_) {
      entry.assign(arena_.begin() + item.offset, arena_.begin() + item.offset + item.size);
      sink(entry);
    }
    items_.clear();
    arena_.clear();
    return;
  }
  if (!items_.empty()) spill();
  arena_.shrink_to_fit();
  items_.shrink_to_fit();
  std::vector<std::unique_ptr<RunReader>> readers;
  for (auto& run : runs_) readers.push_back(std::make_unique<RunReader>(*run));
  auto later = [&readers](std::size_t a, std::size_t b) {
    const Bytes& x = readers[a]->current();
    const Bytes& y = readers[b]->current();
    return Less(y.data(), y.size(), x.data(), x.size());
  };
  std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(later)> heap(later);
  for (std::size_t i = 0; i < readers.size(); ++i) {
    if (readers[i]->next()) heap.push(i);
  }
  while (!heap.empty()) {
    const std::size_t i = heap.top();
    heap.pop();
    sink(readers[i]->current());
    if (readers[i]->next()) heap.push(i);
  }
  readers.clear();
  runs_.clear();
}

// ------------------------------------------------------------ tree pages

namespace {

std::size_t CommonPrefix(const Bytes& a, const Bytes& b) {
  const std::size_t n = std::min(a.size(), b.size());
  std::size_t i = 0;
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

struct BuiltPage {
  std::uint32_t page;
  Bytes last;  // the greatest entry below this page, without child pointer
};

// Writes the pages of one level, left to right, each linked to its
// neighbours. The entries of a page share a common prefix, stored once.
// A finished page waits in memory until the next one has a number, so that
// it can point to it.
class LevelWriter {
 public:
  LevelWriter(PageStore& store, std::uint32_t tdefPage, bool leaf)
      : store_(store), tdefPage_(tdefPage), leaf_(leaf) {}

  // Leaf level: one entry per row, in order.
  void addLeafEntry(const Bytes& entry) {
    if (!fits(entry)) closePage(0, entries_.back());
    place(entry);
  }

  // Node level: one child page, in order. The last child of a node page is
  // not among its entries; the page header names it as the tail.
  void addChild(const BuiltPage& child) {
    if (pending_) {
      Bytes entry = NodeEntry(*pending_);
      if (fits(entry)) {
        place(entry);
      } else {
        closePage(pending_->page, pending_->last);
      }
    }
    pending_ = child;
  }

  std::vector<BuiltPage> finish() {
    if (pending_) {
      if (entries_.empty()) {
        place(NodeEntry(*pending_));
        closePage(0, pending_->last);
      } else {
        closePage(pending_->page, pending_->last);
      }
      pending_.reset();
    } else if (!entries_.empty() || built_.empty()) {
      closePage(0, entries_.empty() ? Bytes{} : entries_.back());
    }
    writeHeld(0);
    return std::move(built_);
  }

 private:
  static Bytes NodeEntry(const BuiltPage& child) {
    Bytes entry = child.last;
    AppendBE(entry, child.page, 4);
    return entry;
  }

  bool fits(const Bytes& entry) const {
    if (entries_.empty()) return entry.size() <= ix::kEntrySpace;
    const std::size_t prefix = std::min(prefix_, CommonPrefix(entries_.front(), entry));
    return totalSize_ + entry.size() - entries_.size() * prefix <= ix::kEntrySpace;
  }

  void place(const Bytes& entry) {
    prefix_ = entries_.empty() ? entry.size() : std::min(prefix_, CommonPrefix(entries_.front(), entry));
    totalSize_ += entry.size();
    entries_.push_back(entry);
  }

  void closePage(std::uint32_t tailPage, const Bytes& last) {
    const std::uint32_t page = store_.allocate();
    writeHeld(page);
    render(tailPage);
    held_ = true;
    heldPage_ = page;
    built_.push_back({page, last});
    entries_.clear();
    totalSize_ = 0;
    prefix_ = 0;
  }

  // Lays the current entries out in the held page buffer.
  void render(std::uint32_t tailPage) {
    buffer_.fill(0);
    buffer_[0] = leaf_ ? page_type::kIndexLeaf : page_type::kIndexNode;
    buffer_[1] = 0x01;
    PutLE32(buffer_.data() + kFormat.index_owner, tdefPage_);
    PutLE32(buffer_.data() + kFormat.index_prev_page, built_.empty() ? 0 : built_.back().page);
    PutLE32(buffer_.data() + kFormat.index_tail_page, tailPage);
    const std::size_t prefix = entries_.size() > 1 ? prefix_ : 0;
    PutLE16(buffer_.data() + kFormat.index_prefix_length, static_cast<std::uint32_t>(prefix));
    std::size_t at = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      const Bytes& e = entries_[i];
      const std::size_t skip = i == 0 ? 0 : prefix;
      std::memcpy(buffer_.data() + kFormat.index_first_entry + at, e.data() + skip, e.size() - skip);
      at += e.size() - skip;
      buffer_[kFormat.index_entry_mask + at / 8] |= static_cast<std::uint8_t>(1u << (at % 8));
    }
    PutLE16(buffer_.data() + kFormat.index_free_space, static_cast<std::uint32_t>(ix::kEntrySpace - at));
  }

  void writeHeld(std::uint32_t nextPage) {
    if (!held_) return;
    PutLE32(buffer_.data() + kFormat.index_next_page, nextPage);
    store_.write(heldPage_, buffer_.data());
    held_ = false;
  }

  PageStore& store_;
  std::uint32_t tdefPage_;
  bool leaf_;
  std::vector<Bytes> entries_;
  std::size_t prefix_ = 0;
  std::size_t totalSize_ = 0;
  std::optional<BuiltPage> pending_;
  std::array<std::uint8_t, layout::kPageSize> buffer_{};
  bool held_ = false;
  std::uint32_t heldPage_ = 0;
  std::vector<BuiltPage> built_;
};

}  // namespace

IndexTree WriteIndexTree(PageStore& store, std::uint32_t tdefPage, EntrySorter& entries, bool unique) {
  IndexTree tree;
  LevelWriter leaves(store, tdefPage, true);
  Bytes previous;
  entries.drain([&](const Bytes& entry) {
    const std::size_t keySize = entry.size() - ix::kRowPointerSize;
    // Rows whose key columns are all null may repeat (every part is a
    // lone null flag then).
    const bool allNull = std::all_of(entry.begin(), entry.begin() + static_cast<std::ptrdiff_t>(keySize),
                                     [](std::uint8_t b) { return b == ix::kKeyNullAscending; });
    if (unique && !allNull) {
      if (!previous.empty() && previous.size() == keySize &&
          std::equal(previous.begin(), previous.end(), entry.begin())) {
        throw std::invalid_argument("duplicate value in a unique index");
      }
      previous.assign(entry.begin(), entry.begin() + static_cast<std::ptrdiff_t>(keySize));
    }
    leaves.addLeafEntry(entry);
  });
  std::vector<BuiltPage> level = leaves.finish();
  for (const auto& p : level) tree.pages.push_back(p.page);
  while (level.size() > 1) {
    LevelWriter nodes(store, tdefPage, false);
    for (const auto& child : level) nodes.addChild(child);
    level = nodes.finish();
    for (const auto& p : level) tree.pages.push_back(p.page);
  }
  tree.root = level.front().page;
  return tree;
}

}  // namespace jet::writer
