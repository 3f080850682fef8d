#include "RowEncoder.h"

#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "Jet4Layout.h"
#include "Text.h"

namespace jet::writer {


double DateTime::toJetDays() const {
  using namespace std::chrono;
  const year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                            std::chrono::day{static_cast<unsigned>(day)}};
  if (!date.ok() || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
    throw std::invalid_argument("not a valid date and time");
  }
  const auto epoch = sys_days{std::chrono::year{1899} / December / 30};
  const double days = static_cast<double>((sys_days{date} - epoch).count());
  const double fraction = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
  return days < 0 ? days - fraction : days + fraction;
}

namespace {

[[noreturn]] void Bad(const ColumnLayout& column, const std::string& why) {
  throw std::invalid_argument("column " + column.name + ": " + why);
}

std::int64_t IntegerIn(const ColumnLayout& column, const Value& value, std::int64_t lo, std::int64_t hi) {
  const auto* v = value.get<std::int64_t>();
  if (v == nullptr) Bad(column, "needs a whole number");
  if (*v < lo || *v > hi) Bad(column, "value " + std::to_string(*v) + " out of range");
  return *v;
}

const std::string& TextOf(const ColumnLayout& column, const Value& value) {
  const auto* s = value.get<std::string>();
  if (s == nullptr) Bad(column, "needs text");
  return *s;
}

bool MayCompress(const ColumnLayout& column) {
  return (column.extFlags & layout::tdef::kColumnExtCompressedText) != 0;
}

}  // namespace

void RowEncoder::putFixed(std::uint8_t* at, const ColumnLayout& column, const Value& value) const {
  switch (column.code) {
    case ColumnCode::kByte:
      *at = static_cast<std::uint8_t>(IntegerIn(column, value, 0, 255));
      return;
    case ColumnCode::kInteger:
      PutLE16(at, static_cast<std::uint32_t>(IntegerIn(column, value, INT16_MIN, INT16_MAX)));
      return;
    case ColumnCode::kLong:
      PutLE32(at, static_cast<std::uint32_t>(IntegerIn(column, value, INT32_MIN, INT32_MAX)));
      return;
    case ColumnCode::kCurrency: {
      const auto* m = value.get<Currency>();
      if (m == nullptr) Bad(column, "needs a currency amount");
      PutLE64(at, static_cast<std::uint64_t>(m->tenThousandths));
      return;
    }
    case ColumnCode::kDouble: {
      const auto* d = value.get<double>();
      if (d == nullptr) Bad(column, "needs a number");
      if (!std::isfinite(*d)) Bad(column, "needs a finite number");
      PutLE64(at, std::bit_cast<std::uint64_t>(*d));
      return;
    }
    case ColumnCode::kDateTime: {
      const auto* t = value.get<DateTime>();
      if (t == nullptr) Bad(column, "needs a date");
      try {
        PutLE64(at, std::bit_cast<std::uint64_t>(t->toJetDays()));
      } catch (const std::invalid_argument& e) {
        Bad(column, e.what());
      }
      return;
    }
    default:
      Bad(column, "type cannot be written");
  }
}

Bytes RowEncoder::variablePart(const ColumnLayout& column, const Value& value,
                               const LongValueStore& longValues) const {
  switch (column.code) {
    case ColumnCode::kText: {
      const std::u16string text = Utf8ToUtf16(TextOf(column, value));
      if (text.size() > column.maxChars) {
        Bad(column, "text longer than " + std::to_string(column.maxChars) + " characters");
      }
      return EncodeStoredText(text, MayCompress(column));
    }
    case ColumnCode::kMemo:
      return longValues(column.number, EncodeStoredText(Utf8ToUtf16(TextOf(column, value)), MayCompress(column)));
    case ColumnCode::kBinary: {
      const auto* b = value.get<Blob>();
      if (b == nullptr || b->bytes.size() > column.length) Bad(column, "needs binary data that fits");
      return Bytes(b->bytes.begin(), b->bytes.end());
    }
    default:
      Bad(column, "type cannot be written");
  }
}

Bytes RowEncoder::encode(const std::vector<Value>& row, const LongValueStore& longValues) const {
  const auto& columns = layout_.columns;
  if (row.size() != columns.size()) {
    throw std::invalid_argument("table " + layout_.name + ": row has " + std::to_string(row.size()) +
                                " values for " + std::to_string(columns.size()) + " columns");
  }
  const std::size_t maskSize = (columns.size() + 7) / 8;
  Bytes out(kFormat.row_column_count_size + layout_.fixedSize, 0);
  PutLE16(out.data(), static_cast<std::uint32_t>(columns.size()));
  Bytes mask(maskSize, 0);
  auto markPresent = [&mask](std::uint16_t n) {
    mask[n / 8] = static_cast<std::uint8_t>(mask[n / 8] | (1u << (n % 8)));
  };

  std::vector<std::uint16_t> varOffsets(layout_.varCount, 0);
  for (const auto& c : columns) {
    const Value& v = row[c.number];
    if (c.isBoolean()) {
      if (!v.isNull()) {
        const auto* b = v.get<bool>();
        if (b == nullptr) Bad(c, "needs yes or no");
        if (*b) markPresent(c.number);
      }
      continue;
    }
    if (!c.isFixed() || v.isNull()) continue;
    putFixed(out.data() + kFormat.row_column_count_size + c.fixedOffset, c, v);
    markPresent(c.number);
  }
  // Variable columns in the order of their slots in the offset table.
  std::vector<const ColumnLayout*> bySlot(layout_.varCount, nullptr);
  for (const auto& c : columns) {
    if (!c.isFixed()) bySlot[c.varIndex] = &c;
  }
  for (const ColumnLayout* c : bySlot) {
    varOffsets[c->varIndex] = static_cast<std::uint16_t>(out.size());
    const Value& v = row[c->number];
    if (v.isNull()) continue;
    const Bytes data = variablePart(*c, v, longValues);
    out.insert(out.end(), data.begin(), data.end());
    markPresent(c->number);
  }
  if (layout_.varCount > 0) {
    AppendLE16(out, static_cast<std::uint32_t>(out.size()));  // end of data
    for (std::size_t i = layout_.varCount; i-- > 0;) AppendLE16(out, varOffsets[i]);
    AppendLE16(out, layout_.varCount);
  }
  out.insert(out.end(), mask.begin(), mask.end());
  if (out.size() > layout::data::kMaxRowSize) {
    throw std::invalid_argument("table " + layout_.name + ": row too large (" + std::to_string(out.size()) +
                                " bytes)");
  }
  return out;
}

}  // namespace jet::writer
