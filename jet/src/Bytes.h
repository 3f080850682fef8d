#pragma once

// Little-endian fields inside a byte range whose every access is checked, so
// that no offset taken from a file can reach outside the bytes it names.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "jet/Error.h"

namespace jet {

class Bytes {
 public:
  // `kind` and `number` name the range in error texts, e.g. "page 12".
  // `kind` must outlive the object (a string literal).
  Bytes(std::span<const std::uint8_t> data, std::string_view kind, std::uint64_t number)
      : data_(data), kind_(kind), number_(number) {}

  std::size_t size() const { return data_.size(); }
  std::string what() const { return std::string(kind_) + " " + std::to_string(number_); }
  std::span<const std::uint8_t> data() const { return data_; }

  std::uint8_t U8(std::size_t offset) const {
    Check(offset, 1);
    return data_[offset];
  }
  std::uint16_t U16(std::size_t offset) const {
    Check(offset, 2);
    return static_cast<std::uint16_t>(data_[offset] | (data_[offset + 1] << 8));
  }
  std::uint32_t U32(std::size_t offset) const {
    Check(offset, 4);
    return static_cast<std::uint32_t>(data_[offset]) |
           (static_cast<std::uint32_t>(data_[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(data_[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(data_[offset + 3]) << 24);
  }
  std::span<const std::uint8_t> Slice(std::size_t offset, std::size_t length) const {
    Check(offset, length);
    return data_.subspan(offset, length);
  }

  void Check(std::size_t offset, std::size_t length) const {
    if (offset > data_.size() || length > data_.size() - offset) {
      throw Damaged(what() + ": " + std::to_string(length) + " bytes at offset " +
                    std::to_string(offset) + " lie outside its " +
                    std::to_string(data_.size()) + " bytes");
    }
  }

 private:
  std::span<const std::uint8_t> data_;
  std::string_view kind_;
  std::uint64_t number_;
};

inline void PutU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void PutU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace jet
