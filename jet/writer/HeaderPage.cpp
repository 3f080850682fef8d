#include "HeaderPage.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <numeric>

#include "Bytes.h"
#include "Jet4Layout.h"

namespace jet::writer {

namespace hd = layout::header;  // what only the writer puts in page 0

std::array<std::uint8_t, 128> HeaderMask() {
  static_assert(kFormat.masked_header_size == 128);
  std::array<std::uint8_t, 256> state{};
  std::iota(state.begin(), state.end(), 0);
  unsigned j = 0;
  for (unsigned i = 0; i < 256; ++i) {
    j = (j + state[i] + header::kMaskKey[i % header::kMaskKey.size()]) & 0xffu;
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
  std::memcpy(page.data() + header::kMagicOffset, header::kMagic.data(), header::kMagic.size());
  std::memcpy(page.data() + header::kEngineNameOffset, header::kJetEngineName, sizeof header::kJetEngineName);
  page[header::kVersionOffset] = header::kVersionJet4;
  std::memcpy(page.data() + hd::kFixedPrologueOffset, hd::kFixedPrologue.data(), hd::kFixedPrologue.size());
  PutLE16(page.data() + hd::kCodePageOffset, hd::kCodePageWestern);
  // An empty password is stored as the mask Jet derives from the creation
  // date: the whole days, repeated.
  const auto dateMask = static_cast<std::uint32_t>(static_cast<std::int32_t>(std::floor(creationDays)));
  for (std::size_t i = 0; i < kFormat.password_size; i += 4) PutLE32(page.data() + header::kPasswordOffset + i, dateMask);
  PutLE16(page.data() + hd::kSortOrderOffset, hd::kSortOrderGeneral);
  PutLE64(page.data() + header::kCreationDateOffset, std::bit_cast<std::uint64_t>(creationDays));
  const auto mask = HeaderMask();
  for (std::size_t i = 0; i < kFormat.masked_header_size; ++i) page[header::kMaskedOffset + i] ^= mask[i];
  PutLE32(page.data() + hd::kAfterMaskOffset, hd::kAfterMaskValue);
  std::memcpy(page.data() + hd::kVersionTextOffset, hd::kVersionText, sizeof hd::kVersionText);
  PutLE16(page.data() + hd::kTrailerOffset, hd::kTrailerFirst);
  for (std::size_t at = hd::kTrailerOffset + 2; at < layout::kPageSize; at += 2) PutLE16(page.data() + at, hd::kTrailerRest);
  store.write(fixed_page::kHeader, page.data());
}

}  // namespace jet::writer
