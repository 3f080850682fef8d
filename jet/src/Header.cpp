#include "Header.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "Bytes.h"
#include "PageCodec.h"
#include "jet/Error.h"

namespace jet {

namespace {

constexpr std::size_t kEngineNameSize = sizeof(header::kJetEngineName);  // with its zero byte
constexpr std::size_t kSignatureEnd = header::kEngineNameOffset + kEngineNameSize;
// Enough to judge signature and version; no Jet page is smaller.
constexpr std::size_t kProbeSize = 2048;

bool Matches(const std::vector<std::uint8_t>& bytes, std::size_t offset, const void* what,
             std::size_t length) {
  // Compares only what the file has; a short file is judged on its prefix.
  std::size_t have = bytes.size() > offset ? std::min(length, bytes.size() - offset) : 0;
  return std::memcmp(bytes.data() + offset, what, have) == 0;
}

const Format& CheckSignatureAndVersion(const std::vector<std::uint8_t>& bytes) {
  const bool magic = Matches(bytes, header::kMagicOffset, header::kMagic.data(), header::kMagic.size());
  if (magic && bytes.size() >= kSignatureEnd &&
      Matches(bytes, header::kEngineNameOffset, header::kAceEngineName, kEngineNameSize)) {
    throw Error(Error::Code::kUnsupportedVersion,
                "Access 2007 or later (ACE) databases are not supported; only Jet 3 and Jet 4");
  }
  if (!magic || !Matches(bytes, header::kEngineNameOffset, header::kJetEngineName, kEngineNameSize)) {
    throw Error(Error::Code::kNotJet, "not a Jet (Access) database: the signature is missing");
  }
  if (bytes.size() <= header::kVersionOffset) {
    throw Damaged("truncated to " + std::to_string(bytes.size()) + " bytes");
  }
  const std::uint8_t version = bytes[header::kVersionOffset];
  if (version == header::kVersionJet3) return Jet3Format();
  if (version == header::kVersionJet4) return Jet4Format();
  throw Error(Error::Code::kUnsupportedVersion,
              "version code " + std::to_string(version) +
                  " is Access 2007 or later (ACE), which is not supported; only Jet 3 and Jet 4");
}

std::uint32_t CheckSize(std::uint64_t size, const Format& format) {
  if (size < format.page_size || size % format.page_size != 0) {
    throw Damaged("truncated: " + std::to_string(size) + " bytes is not a whole number of " +
                  std::to_string(format.page_size) + "-byte pages");
  }
  const std::uint64_t pages = size / format.page_size;
  // Page numbers are 3 bytes wide inside row pointers.
  if (pages > 0xffffffu) throw Damaged("the file is larger than any Jet database can be");
  // Pages 0 (header), 1 (free space map) and 2 (catalog) always exist.
  if (pages < 3) throw Damaged("truncated to " + std::to_string(pages) + " pages");
  return static_cast<std::uint32_t>(pages);
}

bool HasPassword(const std::vector<std::uint8_t>& page, const Format& format) {
  Bytes view(page, "page", 0);
  std::vector<std::uint8_t> password(view.Slice(header::kPasswordOffset, format.password_size).begin(),
                                     view.Slice(header::kPasswordOffset, format.password_size).end());
  if (format.password_masked_by_date) {
    // Jet 4 stores the password XORed with the whole days of the creation date.
    double date = 0;
    auto raw = view.Slice(header::kCreationDateOffset, sizeof date);
    std::memcpy(&date, raw.data(), sizeof date);
    std::uint32_t mask = 0;
    if (std::isfinite(date) && date > -2147483648.0 && date < 2147483648.0) {
      mask = static_cast<std::uint32_t>(static_cast<std::int32_t>(date));
    }
    for (std::size_t i = 0; i < password.size(); ++i) {
      password[i] ^= static_cast<std::uint8_t>(mask >> (8 * (i % 4)));
    }
  }
  return std::any_of(password.begin(), password.end(), [](std::uint8_t b) { return b != 0; });
}

}  // namespace

HeaderInfo ReadHeader(File& file) {
  const std::uint64_t size = file.Size();
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min<std::uint64_t>(size, kProbeSize)));
  file.Read(0, bytes);
  if (bytes.empty()) throw Error(Error::Code::kNotJet, "not a Jet (Access) database: the file is empty");
  const Format& format = CheckSignatureAndVersion(bytes);

  HeaderInfo info;
  info.format = &format;
  info.page_count = CheckSize(size, format);

  std::vector<std::uint8_t> page(format.page_size);
  file.Read(0, page);
  Rc4Apply(header::kMaskKey,
           std::span<std::uint8_t>(page).subspan(header::kMaskedOffset, format.masked_header_size));
  if (HasPassword(page, format)) {
    throw Error(Error::Code::kPassword,
                "the database is protected by a database password; it cannot be opened without one");
  }
  info.encoding_key = Bytes(page, "page", 0).U32(header::kEncodingKeyOffset);
  return info;
}

}  // namespace jet
