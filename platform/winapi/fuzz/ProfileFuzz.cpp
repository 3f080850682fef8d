// Fuzz harness of the INI reader and editor: the input is the text of an INI
// file. Parsing, every lookup and every edit must work on any bytes, edits
// must read back as written, and the profile function that copies into a
// caller's buffer must stay inside it (AddressSanitizer checks each buffer of
// exactly the size given). A broken promise aborts.
//
// Built with libFuzzer by scripts/fuzz.sh; the replay test runs the kept
// inputs through the same function in the ordinary test run.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "winapi/ProfileApi.h"
#include "winapi/ProfileText.h"

namespace winapi::fuzz {

namespace {

constexpr std::size_t kNamesTried = 4;
constexpr std::string_view kValue = "fuzz value";

void Require(bool promise) {
  if (!promise) std::abort();
}

void CheckWrite(const profile::Document& document, std::string_view section, std::string_view key) {
  const std::string text = document.WithValue(section, key, kValue);
  const profile::Document edited(text);
  Require(edited.FindValue(section, key) == kValue);
}

void CheckEdits(std::string_view text) {
  const profile::Document document(text);
  CheckWrite(document, "FuzzSection", "FuzzKey");
  std::size_t sections = 0;
  for (const std::string_view section : document.SectionNames()) {
    if (sections++ == kNamesTried) break;
    if (section.empty()) continue;
    CheckWrite(document, section, "FuzzKey");
    std::size_t keys = 0;
    for (const std::string_view key : document.KeyNames(section)) {
      if (keys++ == kNamesTried) break;
      if (key.empty()) continue;
      // A bare line of the same name before it may hide its value: no check.
      document.FindValue(section, key);
      CheckWrite(document, section, key);
      const std::string without = document.WithoutKey(section, key);
      Require(without.size() < text.size());
      profile::Document(without).KeyNames(section);
    }
    const std::string without = document.WithoutSection(section);
    Require(without.size() < text.size());
    profile::Document(without).SectionNames();
  }
}

// Reads through the profile function into buffers of exactly `size` bytes.
void CheckCopies(const std::string& file, const profile::Document& document) {
  const std::string first_section =
      document.SectionNames().empty() ? std::string("none") : std::string(document.SectionNames().front());
  for (std::uint32_t size : {1u, 2u, 3u, 7u, 64u}) {
    const auto buffer = std::make_unique<char[]>(size);
    const char* sections[] = {nullptr, first_section.c_str()};
    for (const char* section : sections) {
      for (const char* key : {static_cast<const char*>(nullptr), "FuzzKey"}) {
        const std::uint32_t n = GetPrivateProfileStringA(section, key, "default  ", buffer.get(), size, file.c_str());
        Require(n < size && buffer[n] == '\0');
      }
    }
  }
}

const std::string& ScratchFile() {
  static const std::string path =
      (std::filesystem::temp_directory_path() / ("tarvex-profile-fuzz-" + std::to_string(::getpid()) + ".ini"))
          .string();
  return path;
}

}  // namespace

int ReadAndEditProfile(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckEdits(text);
  {
    std::ofstream out(ScratchFile(), std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  CheckCopies(ScratchFile(), profile::Document(text));
  std::filesystem::remove(ScratchFile());
  return 0;
}

}  // namespace winapi::fuzz

#ifdef TARVEX_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return winapi::fuzz::ReadAndEditProfile(data, size);
}
#endif
