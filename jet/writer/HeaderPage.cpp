#include "HeaderPage.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <numeric>

#include "Bytes.h"
#include "Jet4Layout.h"

namespace jet::writer {

namespace hd = layout::header;

std::array<std::uint8_t, 128> HeaderMask() {
  static_assert(hd::kMaskedSize == 128);
  std::array<std::uint8_t, 256> state{};
  std::iota(state.begin(), state.end(), 0);
  unsigned j = 0;
  for (unsigned i = 0; i < 256; ++i) {
    j = (j + state[i] + hd::kMaskKey[i % hd::kMaskKey.size()]) & 0xffu;
    std::swap(state[i], state[j]);
  }
  std::array<std::uint8_t, 128> stream{};
  unsigned a = 0;
  unsigned b = 0;
  for (auto& out : stream) {
    a = (a + 1) & 0xffu;
    b = (b + state[a]) & 0xffu;
    std::swap(state[a], state[b]);
    out = state[(state[a] + state[b]) & 0xffu];
  }
  return stream;
}

void WriteHeaderPage(PageStore& store, double creationDays) {
  std::array<std::uint8_t, layout::kPageSize> page{};
  page[hd::kMagicOffset + 1] = 0x01;
  std::memcpy(page.data() + hd::kFormatIdOffset, hd::kFormatId, sizeof hd::kFormatId);
  page[hd::kVersionOffset] = hd::kVersionJet4;
  std::memcpy(page.data() + hd::kFixedPrologueOffset, hd::kFixedPrologue.data(), hd::kFixedPrologue.size());
  PutLE16(page.data() + hd::kCodePageOffset, hd::kCodePageWestern);
  // An empty password is stored as the mask Jet derives from the creation
  // date: the whole days, repeated.
  const auto dateMask = static_cast<std::uint32_t>(static_cast<std::int32_t>(std::floor(creationDays)));
  for (std::size_t i = 0; i < hd::kPasswordSize; i += 4) PutLE32(page.data() + hd::kPasswordOffset + i, dateMask);
  PutLE16(page.data() + hd::kSortOrderOffset, hd::kSortOrderGeneral);
  PutLE64(page.data() + hd::kCreationDateOffset, std::bit_cast<std::uint64_t>(creationDays));
  const auto mask = HeaderMask();
  for (std::size_t i = 0; i < hd::kMaskedSize; ++i) page[hd::kMaskedOffset + i] ^= mask[i];
  PutLE32(page.data() + hd::kAfterMaskOffset, hd::kAfterMaskValue);
  std::memcpy(page.data() + hd::kEngineNameOffset, hd::kEngineName, sizeof hd::kEngineName);
  PutLE16(page.data() + hd::kTrailerOffset, hd::kTrailerFirst);
  for (std::size_t at = hd::kTrailerOffset + 2; at < layout::kPageSize; at += 2) PutLE16(page.data() + at, hd::kTrailerRest);
  store.write(layout::kHeaderPage, page.data());
}

}  // namespace jet::writer
