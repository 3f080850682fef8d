#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "Bytes.h"
#include "TableDef.h"

namespace jet {

// Reads column values out of one stored row. Only what the catalog needs:
// fixed-width numbers and variable-width text.
class RowReader {
 public:
  // `row` must outlive the reader. `page` names the row in error texts.
  RowReader(const Format& format, const TableDef& table, std::span<const std::uint8_t> row,
            std::uint32_t page);

  // The stored bytes of the column, or nothing for a null (or absent) value.
  std::optional<std::span<const std::uint8_t>> Value(const Column& column) const;

 private:
  void ReadVarOffsets(const Format& format, std::size_t mask_size);
  bool IsNull(const Column& column) const;

  Bytes row_;
  std::size_t count_size_;
  std::uint32_t column_count_;
  std::span<const std::uint8_t> null_mask_;
  std::vector<std::uint32_t> var_offsets_;  // var_count + 1 entries (the last ends the data)
  std::uint32_t fixed_end_;
};

std::optional<std::int64_t> ReadInteger(const RowReader& row, const Column* column);

}  // namespace jet
