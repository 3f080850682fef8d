// One cell of a row handed to the writer.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace jet::writer {

struct DateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  // Days since 1899-12-30, the time as the fraction of a day, the way Jet
  // stores it (before that date the fraction counts away from zero).
  double toJetDays() const;
};

// Currency is a fixed-point number with four decimals.
struct Currency {
  std::int64_t tenThousandths = 0;
};

// Raw bytes for binary columns (the system tables use them).
struct Blob {
  std::string bytes;
};

class Value {
 public:
  Value() = default;  // null
  static Value Null() { return Value(); }
  static Value Bool(bool v) { return Value(Scalar(v)); }
  static Value Int(std::int64_t v) { return Value(Scalar(v)); }
  static Value Real(double v) { return Value(Scalar(v)); }
  static Value Money(Currency v) { return Value(Scalar(v)); }
  static Value Date(DateTime v) { return Value(Scalar(v)); }
  static Value Text(std::string utf8) {
    Value v(Scalar(TextTag{}));
    v.text_ = std::move(utf8);
    return v;
  }
  static Value Binary(std::string bytes) {
    Value v(Scalar(BlobTag{}));
    v.blob_.bytes = std::move(bytes);
    return v;
  }

  // Replaces the value in place with a whole number.
  void setInt(std::int64_t v) {
    v_ = v;
    text_.clear();
    blob_.bytes.clear();
  }

  bool isNull() const { return std::holds_alternative<std::monostate>(v_); }
  // The value if it has type T, else nullptr.
  template <typename T>
  const T* get() const {
    if constexpr (std::is_same_v<T, std::string>) {
      return std::holds_alternative<TextTag>(v_) ? &text_ : nullptr;
    } else if constexpr (std::is_same_v<T, Blob>) {
      return std::holds_alternative<BlobTag>(v_) ? &blob_ : nullptr;
    } else {
      return std::get_if<T>(&v_);
    }
  }

 private:
  struct TextTag {};
  struct BlobTag {};
  // Strings stay outside the variant: simpler to move, and GCC 12 reports
  // false "maybe uninitialized" warnings for strings moved inside variants.
  using Scalar = std::variant<std::monostate, bool, std::int64_t, double, Currency, DateTime, TextTag, BlobTag>;
  explicit Value(Scalar v) : v_(v) {}
  Scalar v_;
  std::string text_;
  Blob blob_;
};

}  // namespace jet::writer
