#include "TableDef.h"

#include <algorithm>
#include <set>

#include "Text.h"

namespace jet {

namespace {

// A definition never needs more: 255 columns with long names and 32 indexes
// fit in a few pages. The bound stops a cyclic or endless page chain.
constexpr std::size_t kMaxDefinitionPages = 64;

class Reader {
 public:
  Reader(const Bytes& bytes, std::size_t offset) : bytes_(bytes), offset_(offset) {}
  std::size_t offset() const { return offset_; }
  void Skip(std::size_t n) {
    bytes_.Check(offset_, n);
    offset_ += n;
  }
  std::string Name(const Format& format) {
    std::size_t length = format.name_length_size == 1 ? bytes_.U8(offset_) : bytes_.U16(offset_);
    offset_ += format.name_length_size;
    auto raw = bytes_.Slice(offset_, length);
    offset_ += length;
    return DecodeText(raw, format.version);
  }

 private:
  const Bytes& bytes_;
  std::size_t offset_;
};

}  // namespace

TableDef TableDef::Load(const Pager& pager, std::uint32_t page) {
  const Format& format = pager.format();
  TableDef def;
  def.page_size_ = format.page_size;
  std::set<std::uint32_t> seen;
  std::uint32_t next = page;
  while (true) {
    pager.CheckPageNumber(next, "a table definition");
    if (!seen.insert(next).second || seen.size() > kMaxDefinitionPages) {
      throw Damaged("the table definition at page " + std::to_string(page) +
                    " continues in a loop or without end");
    }
    Page current = pager.ReadTyped(next, page_type::kTableDef, "a table definition");
    def.pages_.push_back(next);
    const auto& b = current.bytes();
    const std::size_t from = def.bytes_.empty() ? 0 : table_def::kContinuationHeader;
    def.bytes_.insert(def.bytes_.end(), b.begin() + static_cast<std::ptrdiff_t>(from), b.end());
    next = current.U32(format.tdef_next_page);
    if (next == 0) break;
  }
  def.Parse(format);
  return def;
}

void TableDef::Parse(const Format& format) {
  const Bytes b(bytes_, "table definition at page", page());
  row_count_offset_ = format.tdef_row_count;
  row_count_ = b.U32(format.tdef_row_count);
  table_type_ = b.U8(format.tdef_table_type);
  var_column_count_ = b.U16(format.tdef_var_column_count);
  const std::uint16_t column_count = b.U16(format.tdef_column_count);
  const std::uint32_t index_count = b.U32(format.tdef_index_count);
  const std::uint32_t real_index_count = b.U32(format.tdef_real_index_count);
  owned_pages_map_ = b.U32(format.tdef_owned_pages);

  // Each count is checked against the bytes it needs before anything is kept,
  // so a huge count from a hostile file fails instead of allocating.
  std::size_t at = format.tdef_block_end;
  b.Check(at, static_cast<std::size_t>(real_index_count) * format.real_index_counter_size);
  for (std::uint32_t i = 0; i < real_index_count; ++i) {
    RealIndex index;
    index.entry_count_offset = at + format.real_index_counter_entries;
    index.entry_count = b.U32(index.entry_count_offset);
    real_indexes_.push_back(index);
    at += format.real_index_counter_size;
  }

  b.Check(at, static_cast<std::size_t>(column_count) * format.column_size);
  for (std::uint16_t i = 0; i < column_count; ++i) {
    Column c;
    c.type = b.U8(at + format.column_type);
    c.number = b.U16(at + format.column_number);
    c.var_index = b.U16(at + format.column_var_index);
    c.flags = b.U8(at + format.column_flags);
    c.fixed_offset = b.U16(at + format.column_fixed_offset);
    c.length = b.U16(at + format.column_length);
    columns_.push_back(c);
    at += format.column_size;
  }
  Reader names(b, at);
  for (Column& c : columns_) c.name = names.Name(format);
  at = names.offset();

  b.Check(at, static_cast<std::size_t>(real_index_count) * format.real_index_size);
  for (RealIndex& index : real_indexes_) {
    index.root_page = b.U32(at + format.real_index_root);
    at += format.real_index_size;
  }

  b.Check(at, static_cast<std::size_t>(index_count) * format.logical_index_size);
  for (std::uint32_t i = 0; i < index_count; ++i) {
    LogicalIndex index;
    index.real = b.U32(at + format.logical_index_real);
    index.type = b.U8(at + format.logical_index_type);
    index.rel_role = b.U8(at + format.logical_index_rel_role);
    index.rel_table = b.U32(at + format.logical_index_rel_table);
    index.cascade_deletes = b.U8(at + format.logical_index_cascade_deletes) != 0;
    if (index.real >= real_index_count) {
      throw Damaged(b.what() + ": logical index " + std::to_string(i) + " names physical index " +
                    std::to_string(index.real) + " of " + std::to_string(real_index_count));
    }
    logical_indexes_.push_back(index);
    at += format.logical_index_size;
  }
  Reader index_names(b, at);
  for (LogicalIndex& index : logical_indexes_) index.name = index_names.Name(format);
}

const Column* TableDef::FindColumn(std::string_view name) const {
  auto it = std::find_if(columns_.begin(), columns_.end(),
                         [&](const Column& c) { return SameName(c.name, name); });
  return it == columns_.end() ? nullptr : &*it;
}

TableDef::Location TableDef::Locate(std::size_t offset, std::size_t length) const {
  // The first page holds page_size bytes of the definition, each continuation
  // page_size - 8 more.
  std::size_t page_index = 0;
  std::size_t in_page = offset;
  std::size_t capacity = page_size_;
  while (in_page >= capacity) {
    in_page -= capacity;
    capacity = page_size_ - table_def::kContinuationHeader;
    ++page_index;
  }
  const std::size_t start = page_index == 0 ? in_page : in_page + table_def::kContinuationHeader;
  if (page_index >= pages_.size() || start + length > page_size_) {
    throw Damaged("table definition at page " + std::to_string(page()) + ": a field at offset " +
                  std::to_string(offset) + " straddles its pages");
  }
  return {pages_[page_index], static_cast<std::uint32_t>(start)};
}

}  // namespace jet
