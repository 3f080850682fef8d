#include "IndexKey.h"

#include <bit>
#include <cstring>
#include <stdexcept>

#include "Text.h"

namespace jet::writer {
namespace {

namespace ix = layout::index;

[[noreturn]] void Unsupported(const ColumnLayout& column) {
  throw std::invalid_argument("column " + column.name + ": value cannot be used in an index");
}

std::int64_t IntegerOf(const ColumnLayout& column, const Value& value) {
  if (const auto* v = value.get<std::int64_t>()) return *v;
  if (const auto* m = value.get<Currency>()) return m->tenThousandths;
  Unsupported(column);
}

// Signed integers sort correctly once the sign bit is inverted.
void AppendSigned(Bytes& key, std::int64_t v, std::size_t width) {
  const std::uint64_t bits = static_cast<std::uint64_t>(v) ^ (std::uint64_t{1} << (8 * width - 1));
  AppendBE(key, bits, width);
}

// Floating point: positive values get the sign bit set, negative values are
// inverted entirely, so larger magnitudes sort first among them.
void AppendFloating(Bytes& key, double v) {
  std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
  if ((bits >> 63) != 0) {
    bits = ~bits;
  } else {
    bits |= std::uint64_t{1} << 63;
  }
  AppendBE(key, bits, 8);
}

void AppendText(Bytes& key, const ColumnLayout& column, const std::string& utf8) {
  for (char16_t c : Utf8ToUtf16(utf8)) {
    if (c < ix::kFirstCodedChar || c >= ix::kFirstCodedChar + ix::kTextSortCodes.size()) {
      Unsupported(column);
    }
    const std::uint16_t code = ix::kTextSortCodes[static_cast<std::size_t>(c - ix::kFirstCodedChar)];
    if (code == 0) Unsupported(column);
    if (code > 0xff) key.push_back(static_cast<std::uint8_t>(code >> 8));
    key.push_back(static_cast<std::uint8_t>(code));
  }
  key.push_back(ix::kTextEnd);
  key.push_back(ix::kTextExtraEnd);
}

}  // namespace

void AppendKeyPart(Bytes& key, const ColumnLayout& column, const Value& value) {
  if (value.isNull()) {
    key.push_back(ix::kKeyNullAscending);
    return;
  }
  key.push_back(ix::kKeyAscending);
  switch (column.code) {
    case ColumnCode::kByte:
      key.push_back(static_cast<std::uint8_t>(IntegerOf(column, value)));
      return;
    case ColumnCode::kInteger:
      AppendSigned(key, IntegerOf(column, value), 2);
      return;
    case ColumnCode::kLong:
      AppendSigned(key, IntegerOf(column, value), 4);
      return;
    case ColumnCode::kCurrency:
      AppendSigned(key, IntegerOf(column, value), 8);
      return;
    case ColumnCode::kDouble:
      if (const auto* d = value.get<double>()) return AppendFloating(key, *d);
      if (const auto* i = value.get<std::int64_t>()) return AppendFloating(key, static_cast<double>(*i));
      Unsupported(column);
    case ColumnCode::kDateTime:
      if (const auto* t = value.get<DateTime>()) return AppendFloating(key, t->toJetDays());
      Unsupported(column);
    case ColumnCode::kText:
      if (const auto* s = value.get<std::string>()) return AppendText(key, column, *s);
      Unsupported(column);
    default:
      Unsupported(column);
  }
}

void AppendRowPointer(Bytes& entry, std::uint32_t page, std::uint8_t row) {
  AppendBE(entry, page, 3);
  entry.push_back(row);
}

}  // namespace jet::writer
