// Index keys: each column's value turned into bytes whose plain byte order is
// the sort order Jet uses (ascending only).
#pragma once

#include "Bytes.h"
#include "TableLayout.h"
#include "Value.h"

namespace jet::writer {

// Appends one column's part of a key; throws std::invalid_argument for values
// or types the writer cannot index.
void AppendKeyPart(Bytes& key, const ColumnLayout& column, const Value& value);

// Appends the pointer from an index entry to its row (page, then row number,
// big-endian).
void AppendRowPointer(Bytes& entry, std::uint32_t page, std::uint8_t row);

}  // namespace jet::writer
