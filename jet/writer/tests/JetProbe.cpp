#include "JetProbe.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace jet::writer::testing {

namespace {

constexpr std::size_t kPage = 4096;

std::uint32_t U16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }
std::uint32_t BE24(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 16) | (static_cast<std::uint32_t>(p[1]) << 8) | p[2];
}
std::uint32_t BE32(const std::uint8_t* p) { return (static_cast<std::uint32_t>(p[0]) << 24) | BE24(p + 1); }

std::string Hex(const PageBytes& b) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (auto c : b) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

struct RawPage {
  bool leaf = false;
  std::uint32_t owner = 0, prev = 0, next = 0, tail = 0;
  std::vector<PageBytes> entries;
};

RawPage ReadIndexPage(const FilePages& file, std::uint32_t n) {
  const std::uint8_t* p = file.page(n);
  if (p[0] != 3 && p[0] != 4) throw std::runtime_error("page " + std::to_string(n) + " is no index page");
  RawPage page;
  page.leaf = p[0] == 4;
  page.owner = U32(p + 4);
  page.prev = U32(p + 12);
  page.next = U32(p + 16);
  page.tail = U32(p + 20);
  const std::uint32_t prefixLength = U16(p + 24);
  PageBytes prefix;
  std::size_t start = 0;
  for (std::size_t bit = 0; bit < 453 * 8; ++bit) {
    if ((p[27 + bit / 8] & (1u << (bit % 8))) == 0) continue;
    PageBytes entry(p + 480 + start, p + 480 + bit);
    if (page.entries.empty()) {
      prefix.assign(entry.begin(), entry.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(prefixLength, entry.size())));
    } else {
      entry.insert(entry.begin(), prefix.begin(), prefix.end());
    }
    page.entries.push_back(entry);
    start = bit;
  }
  return page;
}

class Walker {
 public:
  Walker(const FilePages& file, std::uint32_t tdef, IndexWalk& out) : file_(file), tdef_(tdef), out_(out) {}

  // Returns the greatest entry below the page.
  PageBytes visit(std::uint32_t n, int depth) {
    out_.depth = std::max(out_.depth, depth);
    if (!out_.pages.insert(n).second) {
      problem("page " + std::to_string(n) + " reached twice");
      return {};
    }
    const RawPage page = ReadIndexPage(file_, n);
    if (page.owner != tdef_) problem("page " + std::to_string(n) + " names another table");
    if (page.leaf) {
      if (page.tail != 0) problem("leaf " + std::to_string(n) + " has a tail");
      leaves_.push_back(n);
      for (const auto& e : page.entries) out_.entries.push_back(e);
      return page.entries.empty() ? PageBytes{} : page.entries.back();
    }
    PageBytes last;
    for (const auto& e : page.entries) {
      if (e.size() < 8) {
        problem("short node entry");
        continue;
      }
      const PageBytes key(e.begin(), e.end() - 4);
      last = visit(BE32(e.data() + e.size() - 4), depth + 1);
      if (last != key) problem("node entry " + Hex(key) + " is not the last below it (" + Hex(last) + ")");
    }
    if (page.tail != 0) last = visit(page.tail, depth + 1);
    return last;
  }

  void checkChain() {
    for (std::size_t i = 0; i < leaves_.size(); ++i) {
      const RawPage page = ReadIndexPage(file_, leaves_[i]);
      const std::uint32_t prev = i == 0 ? 0 : leaves_[i - 1];
      const std::uint32_t next = i + 1 == leaves_.size() ? 0 : leaves_[i + 1];
      if (page.prev != prev || page.next != next) {
        problem("leaf " + std::to_string(leaves_[i]) + " links differ from the tree order");
      }
    }
    for (std::size_t i = 1; i < out_.entries.size(); ++i) {
      if (!(out_.entries[i - 1] < out_.entries[i])) {
        problem("entries out of order at " + std::to_string(i));
        break;
      }
    }
  }

 private:
  void problem(const std::string& text) { out_.problems.push_back(text); }

  const FilePages& file_;
  std::uint32_t tdef_;
  IndexWalk& out_;
  std::vector<std::uint32_t> leaves_;
};

}  // namespace

FilePages::FilePages(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  data_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::uint8_t* FilePages::page(std::uint32_t n) const {
  if ((static_cast<std::size_t>(n) + 1) * kPage > data_.size()) throw std::runtime_error("no page " + std::to_string(n));
  return data_.data() + static_cast<std::size_t>(n) * kPage;
}

PageBytes FilePages::row(std::uint32_t packed) const {
  const std::uint8_t* p = page(packed >> 8);
  const std::uint32_t r = packed & 0xff;
  if (r >= U16(p + 12)) throw std::runtime_error("no such row");
  const std::uint32_t start = U16(p + 14 + 2 * r) & 0x1fff;
  const std::uint32_t end = r == 0 ? kPage : U16(p + 14 + 2 * (r - 1)) & 0x1fff;
  return PageBytes(p + start, p + end);
}

TableInfo ReadTableDefinition(const FilePages& file, std::uint32_t tdefPage) {
  PageBytes def(file.page(tdefPage), file.page(tdefPage) + kPage);
  for (std::uint32_t next = U32(def.data() + 4); next != 0;) {
    const std::uint8_t* p = file.page(next);
    def.insert(def.end(), p + 8, p + kPage);
    next = U32(p + 4);
  }
  TableInfo t;
  t.rows = U32(&def[16]);
  const std::uint32_t columns = U16(&def[45]);
  const std::uint32_t logical = U32(&def[47]);
  const std::uint32_t real = U32(&def[51]);
  t.ownedMap = U32(&def[55]);
  std::size_t at = 63 + 12 * real;
  t.columns.resize(columns);
  std::vector<ColumnInfo> inOrder;
  for (std::uint32_t i = 0; i < columns; ++i, at += 25) {
    ColumnInfo c;
    c.type = def[at];
    c.number = static_cast<std::uint16_t>(U16(&def[at + 5]));
    c.flags = def[at + 15];
    c.fixedOffset = static_cast<std::uint16_t>(U16(&def[at + 21]));
    c.length = static_cast<std::uint16_t>(U16(&def[at + 23]));
    inOrder.push_back(c);
  }
  for (auto& c : inOrder) {
    const std::uint32_t length = U16(&def[at]);
    at += 2;
    for (std::uint32_t k = 0; k < length; k += 2) c.name += static_cast<char>(def[at + k]);
    at += length;
    if (c.number < t.columns.size()) t.columns[c.number] = c;
  }
  for (std::uint32_t i = 0; i < real; ++i, at += 52) {
    IndexInfo index;
    for (std::size_t k = 0; k < 10; ++k) {
      const std::uint32_t column = U16(&def[at + 4 + 3 * k]);
      if (column != 0xffff) index.columns.push_back(static_cast<std::uint16_t>(column));
    }
    index.usageMap = U32(&def[at + 34]);
    index.root = U32(&def[at + 38]);
    index.flags = def[at + 46];
    t.indexes.push_back(index);
  }
  at += 28 * logical;
  for (std::uint32_t i = 0; i < logical; ++i) at += 2 + U16(&def[at]);
  while (U16(&def[at]) != 0xffff) {
    t.longValues.push_back({static_cast<std::uint16_t>(U16(&def[at])), U32(&def[at + 2]), U32(&def[at + 6])});
    at += 10;
  }
  return t;
}

std::vector<std::uint32_t> UsageMapPages(const FilePages& file, std::uint32_t packedRow) {
  const PageBytes map = file.row(packedRow);
  std::vector<std::uint32_t> pages;
  if (map.at(0) == 0) {
    const std::uint32_t start = U32(&map[1]);
    for (std::size_t bit = 0; bit < (map.size() - 5) * 8; ++bit) {
      if (map[5 + bit / 8] & (1u << (bit % 8))) pages.push_back(start + static_cast<std::uint32_t>(bit));
    }
    return pages;
  }
  for (std::size_t slot = 0; slot * 4 + 5 <= map.size(); ++slot) {
    const std::uint32_t bitmapPage = U32(&map[1 + slot * 4]);
    if (bitmapPage == 0) continue;
    const std::uint8_t* p = file.page(bitmapPage);
    if (p[0] != 5) throw std::runtime_error("usage map points at a page that is no bitmap");
    for (std::size_t bit = 0; bit < (kPage - 4) * 8; ++bit) {
      if (p[4 + bit / 8] & (1u << (bit % 8))) {
        pages.push_back(static_cast<std::uint32_t>(slot * (kPage - 4) * 8 + bit));
      }
    }
  }
  return pages;
}

IndexWalk WalkIndex(const FilePages& file, std::uint32_t tdefPage, std::uint32_t root) {
  IndexWalk walk;
  Walker walker(file, tdefPage, walk);
  walker.visit(root, 1);
  walker.checkChain();
  return walk;
}

std::vector<std::uint32_t> UserTableDefinitions(const FilePages& file) {
  std::vector<std::uint32_t> pages;
  for (std::uint32_t n = 0; n < file.count(); ++n) {
    const std::uint8_t* p = file.page(n);
    // A first definition page: type 2, user table; continuation pages are
    // told apart by their missing magic number.
    if (p[0] == 2 && p[40] == 0x4e && U32(p + 12) == 1625) pages.push_back(n);
  }
  return pages;
}

}  // namespace jet::writer::testing
