#pragma once

// RC4, as Jet uses it twice: to mask part of the header page under a fixed
// key, and to encode every other page of an "encoded" database under a key
// made from the database's encoding key and the page number.

#include <array>
#include <cstdint>
#include <span>

namespace jet {

// XORs `data` with the RC4 key stream of `key`, starting `skip` bytes into it.
void Rc4Apply(std::span<const std::uint8_t> key, std::span<std::uint8_t> data,
              std::size_t skip = 0);

class PageCodec {
 public:
  explicit PageCodec(std::uint32_t encoding_key = 0) : key_(encoding_key) {}

  bool encoded() const { return key_ != 0; }

  // Encoding and decoding are the same operation. `offset` is where `data`
  // starts inside page `page`, so that part of a page can be written alone.
  void Apply(std::uint32_t page, std::uint32_t offset, std::span<std::uint8_t> data) const;

 private:
  std::uint32_t key_;
};

}  // namespace jet
