#include "Row.h"

#include <string>

namespace jet {

namespace {

std::size_t FixedSize(const Column& column) {
  switch (static_cast<ColumnCode>(column.type)) {
    case ColumnCode::kBoolean: return 0;  // yes/no lives in the null mask
    case ColumnCode::kByte: return 1;
    case ColumnCode::kInteger: return 2;
    case ColumnCode::kLong: case ColumnCode::kSingle: return 4;
    case ColumnCode::kCurrency: case ColumnCode::kDouble: case ColumnCode::kDateTime: return 8;
    default: return column.length;
  }
}

}  // namespace

RowReader::RowReader(const Format& format, const TableDef& table, std::span<const std::uint8_t> row,
                     std::uint32_t page)
    : row_(row, "row on page", page), count_size_(format.row_column_count_size) {
  column_count_ = count_size_ == 1 ? row_.U8(0) : row_.U16(0);
  const std::size_t mask_size = (column_count_ + 7) / 8;
  if (mask_size > row_.size()) throw Damaged(row_.what() + ": null mask larger than the row");
  null_mask_ = row_.Slice(row_.size() - mask_size, mask_size);
  fixed_end_ = static_cast<std::uint32_t>(row_.size() - mask_size);
  if (table.var_column_count() > 0) ReadVarOffsets(format, mask_size);
}

void RowReader::ReadVarOffsets(const Format& format, std::size_t mask_size) {
  const std::size_t len = row_.size();
  if (format.version == JetVersion::kJet4) {
    if (len < mask_size + 2) throw Damaged(row_.what() + ": too short");
    const std::size_t count = row_.U16(len - mask_size - 2);
    for (std::size_t i = 0; i <= count; ++i) {
      if (len < mask_size + 4 + 2 * i) throw Damaged(row_.what() + ": variable column table too long");
      var_offsets_.push_back(row_.U16(len - mask_size - 4 - 2 * i));
    }
  } else {
    // Jet 3 offsets are single bytes; a jump table counts the 256-byte
    // boundaries crossed, naming the first column past each.
    if (len < mask_size + 1) throw Damaged(row_.what() + ": too short");
    const std::size_t count = row_.U8(len - mask_size - 1);
    std::size_t jumps = (len - 1) / 256;
    if (len < mask_size + jumps + 2) throw Damaged(row_.what() + ": jump table too long");
    const std::size_t table_end = len - mask_size - jumps - 2;  // offset of entry 0
    if (table_end < count || (table_end - count) < 256 * jumps) {
      if (jumps > 0) --jumps;  // the last jump entry is only filler
    }
    std::size_t used = 0;
    for (std::size_t i = 0; i <= count; ++i) {
      while (used < jumps && i == row_.U8(len - mask_size - used - 2)) ++used;
      if (i > table_end) throw Damaged(row_.what() + ": variable column table too long");
      var_offsets_.push_back(static_cast<std::uint32_t>(row_.U8(table_end - i) + 256 * used));
    }
  }
  for (std::uint32_t offset : var_offsets_) {
    if (offset > fixed_end_) throw Damaged(row_.what() + ": a variable column lies outside the row");
  }
  if (!var_offsets_.empty()) fixed_end_ = var_offsets_.front();
}

bool RowReader::IsNull(const Column& column) const {
  if (column.number >= column_count_) return true;
  const unsigned bits = null_mask_[column.number / 8u];
  return ((bits >> (column.number % 8u)) & 1u) == 0;
}

std::optional<std::span<const std::uint8_t>> RowReader::Value(const Column& column) const {
  if (IsNull(column)) return std::nullopt;
  if (column.fixed()) {
    const std::size_t start = count_size_ + column.fixed_offset;
    const std::size_t size = FixedSize(column);
    if (start + size > fixed_end_) return std::nullopt;  // added after this row was written
    return row_.Slice(start, size);
  }
  if (var_offsets_.empty() || column.var_index + 1u >= var_offsets_.size()) return std::nullopt;
  const std::uint32_t start = var_offsets_[column.var_index];
  const std::uint32_t end = var_offsets_[column.var_index + 1u];
  if (start > end) throw Damaged(row_.what() + ": a variable column ends before it starts");
  return row_.Slice(start, end - start);
}

std::optional<std::int64_t> ReadInteger(const RowReader& row, const Column* column) {
  if (column == nullptr) return std::nullopt;
  auto value = row.Value(*column);
  if (!value) return std::nullopt;
  const Bytes b(*value, "value", 0);
  switch (value->size()) {
    case 1: return b.U8(0);
    case 2: return static_cast<std::int16_t>(b.U16(0));
    case 4: return static_cast<std::int32_t>(b.U32(0));
    default: return std::nullopt;
  }
}

}  // namespace jet
