// Little- and big-endian stores into byte buffers. Jet keeps its page fields
// little-endian and its index keys big-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace jet::writer {

using Bytes = std::vector<std::uint8_t>;

inline void PutLE16(std::uint8_t* at, std::uint32_t v) {
  at[0] = static_cast<std::uint8_t>(v);
  at[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutLE24(std::uint8_t* at, std::uint32_t v) {
  PutLE16(at, v);
  at[2] = static_cast<std::uint8_t>(v >> 16);
}
inline void PutLE32(std::uint8_t* at, std::uint32_t v) {
  PutLE16(at, v);
  PutLE16(at + 2, v >> 16);
}
inline void PutLE64(std::uint8_t* at, std::uint64_t v) {
  PutLE32(at, static_cast<std::uint32_t>(v));
  PutLE32(at + 4, static_cast<std::uint32_t>(v >> 32));
}
inline void PutBE24(std::uint8_t* at, std::uint32_t v) {
  at[0] = static_cast<std::uint8_t>(v >> 16);
  at[1] = static_cast<std::uint8_t>(v >> 8);
  at[2] = static_cast<std::uint8_t>(v);
}
inline void PutBE32(std::uint8_t* at, std::uint32_t v) {
  at[0] = static_cast<std::uint8_t>(v >> 24);
  PutBE24(at + 1, v);
}

inline void AppendLE16(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void AppendLE32(Bytes& out, std::uint32_t v) {
  AppendLE16(out, v);
  AppendLE16(out, v >> 16);
}
inline void AppendBE(Bytes& out, std::uint64_t v, std::size_t width) {
  for (std::size_t i = width; i-- > 0;) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline std::uint32_t GetLE16(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8);
}
inline std::uint32_t GetLE32(const std::uint8_t* at) {
  return GetLE16(at) | (GetLE16(at + 2) << 16);
}

}  // namespace jet::writer
