#include "PageCodec.h"

#include <utility>

namespace jet {

void Rc4Apply(std::span<const std::uint8_t> key, std::span<std::uint8_t> data, std::size_t skip) {
  std::array<std::uint8_t, 256> s{};
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::uint8_t>(i);
  std::uint8_t j = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    j = static_cast<std::uint8_t>(j + s[i] + key[i % key.size()]);
    std::swap(s[i], s[j]);
  }
  std::uint8_t a = 0;
  std::uint8_t b = 0;
  for (std::size_t n = 0; n < skip + data.size(); ++n) {
    a = static_cast<std::uint8_t>(a + 1);
    b = static_cast<std::uint8_t>(b + s[a]);
    std::swap(s[a], s[b]);
    if (n >= skip) {
      data[n - skip] ^= s[static_cast<std::uint8_t>(s[a] + s[b])];
    }
  }
}

void PageCodec::Apply(std::uint32_t page, std::uint32_t offset, std::span<std::uint8_t> data) const {
  // Page 0 is masked differently (see Header.cpp) and never encoded.
  if (key_ == 0 || page == 0) return;
  const std::uint32_t k = key_ ^ page;
  const std::array<std::uint8_t, 4> key{
      static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k >> 8),
      static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 24)};
  Rc4Apply(key, data, offset);
}

}  // namespace jet
