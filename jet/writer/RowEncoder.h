// Turns one row of values into the bytes of a Jet 4 data row, checking every
// value against its column.
#pragma once

#include <functional>
#include <vector>

#include "Bytes.h"
#include "TableLayout.h"
#include "Value.h"

namespace jet::writer {

// Stores a long value for the given column; returns what the row keeps.
using LongValueStore = std::function<Bytes(std::uint16_t column, const Bytes& data)>;

class RowEncoder {
 public:
  explicit RowEncoder(const TableLayout& layout) : layout_(layout) {}

  // Throws std::invalid_argument naming the column when a value does not fit.
  Bytes encode(const std::vector<Value>& row, const LongValueStore& longValues) const;

 private:
  void putFixed(std::uint8_t* at, const ColumnLayout& column, const Value& value) const;
  Bytes variablePart(const ColumnLayout& column, const Value& value,
                     const LongValueStore& longValues) const;

  const TableLayout& layout_;
};

}  // namespace jet::writer
