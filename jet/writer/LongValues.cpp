#include "LongValues.h"

#include <stdexcept>

namespace jet::writer {

namespace lv = layout::longvalue;

namespace {

Bytes Field(std::size_t length, std::uint8_t kind, std::uint32_t pointer) {
  if (length > 0x3fffffff) throw std::invalid_argument("memo value too long");
  Bytes field(lv::kFieldSize, 0);
  PutLE24(field.data(), static_cast<std::uint32_t>(length));
  field[3] = kind;
  PutLE32(field.data() + 4, pointer);
  return field;
}

}  // namespace

LongValueWriter::LongValueWriter(PageStore& store)
    : pages_(store, layout::data::kLongValueOwner) {}

Bytes LongValueWriter::store(const Bytes& data) {
  if (data.size() <= lv::kMaxInlineSize) {
    Bytes field = Field(data.size(), lv::kInline, 0);
    field.insert(field.end(), data.begin(), data.end());
    return field;
  }
  if (data.size() <= lv::kMaxRowSize) {
    return Field(data.size(), lv::kSingleRow, pages_.add(data).packed());
  }
  // Each part starts with a pointer to the next. Writing the parts from the
  // last to the first lets every part know where its successor went.
  const std::size_t partSize = lv::kMaxRowSize - lv::kChainPointerSize;
  const std::size_t parts = (data.size() + partSize - 1) / partSize;
  std::uint32_t next = 0;
  Bytes row;
  for (std::size_t k = parts; k-- > 0;) {
    const std::size_t begin = k * partSize;
    const std::size_t end = std::min(data.size(), begin + partSize);
    row.assign(lv::kChainPointerSize, 0);
    PutLE32(row.data(), next);
    row.insert(row.end(), data.begin() + static_cast<std::ptrdiff_t>(begin),
               data.begin() + static_cast<std::ptrdiff_t>(end));
    next = pages_.add(row).packed();
  }
  return Field(data.size(), lv::kChain, next);
}

}  // namespace jet::writer
