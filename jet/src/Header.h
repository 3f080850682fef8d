#pragma once

#include <cstdint>

#include "jet/Env.h"
#include "jet/Format.h"

namespace jet {

struct HeaderInfo {
  const Format* format = nullptr;
  std::uint32_t encoding_key = 0;  // nonzero: pages 1.. are RC4-encoded
  std::uint32_t page_count = 0;
};

// Reads and checks page 0: signature, version, size, password. Throws
// jet::Error (kNotJet, kUnsupportedVersion, kDamaged, kPassword) on refusal.
HeaderInfo ReadHeader(File& file);

}  // namespace jet
