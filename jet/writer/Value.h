// One cell of a row handed to the writer.
#pragma once

#include <cstdint>
#include <string>
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
  static Value Bool(bool v) { return Value(Storage(v)); }
  static Value Int(std::int64_t v) { return Value(Storage(v)); }
  static Value Real(double v) { return Value(Storage(v)); }
  static Value Money(Currency v) { return Value(Storage(v)); }
  static Value Date(DateTime v) { return Value(Storage(v)); }
  static Value Text(std::string utf8) { return Value(Storage(std::move(utf8))); }
  static Value Binary(std::string bytes) { return Value(Storage(Blob{std::move(bytes)})); }

  // Replaces the value in place with a whole number.
  void setInt(std::int64_t v) { v_.emplace<std::int64_t>(v); }

  bool isNull() const { return std::holds_alternative<std::monostate>(v_); }
  template <typename T>
  const T* get() const {
    return std::get_if<T>(&v_);
  }

 private:
  using Storage =
      std::variant<std::monostate, bool, std::int64_t, double, Currency, DateTime, std::string, Blob>;
  explicit Value(Storage v) : v_(std::move(v)) {}
  Storage v_;
};

}  // namespace jet::writer
