#include "winapi/ProfileApi.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "winapi/FileSystem.h"
#include "winapi/ProfileText.h"

namespace winapi {

namespace {

std::string_view WithoutTrailingSpaces(const char* text) {
  std::string_view s = text != nullptr ? text : "";
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// size >= 1.
std::uint32_t CopyString(std::string_view text, char* buffer, std::uint32_t size) {
  const std::size_t count = std::min<std::size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
  return static_cast<std::uint32_t>(count);
}

// Names, each followed by a NUL, the list by one more. A list that would fill
// the buffer to the last byte or beyond counts as cut: its last name is cut to
// leave room for two NULs and size - 2 is returned. size >= 1.
std::uint32_t CopyList(const std::vector<std::string_view>& names, char* buffer, std::uint32_t size) {
  buffer[0] = '\0';
  if (names.empty() || size < 2) return 0;
  const std::size_t limit = size - 2;
  std::size_t pos = 0;
  for (const std::string_view name : names) {
    if (pos + name.size() + 1 > limit) {
      std::memcpy(buffer + pos, name.data(), limit - pos);
      buffer[limit] = '\0';
      buffer[limit + 1] = '\0';
      return static_cast<std::uint32_t>(limit);
    }
    std::memcpy(buffer + pos, name.data(), name.size());
    pos += name.size();
    buffer[pos++] = '\0';
  }
  buffer[pos] = '\0';
  return static_cast<std::uint32_t>(pos);
}

std::string_view View(const std::optional<std::string>& text) {
  return text ? std::string_view(*text) : std::string_view();
}

}  // namespace

std::uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                       char* buffer, std::uint32_t size, const char* fileName) {
  if (buffer == nullptr || size == 0) return 0;
  const std::string_view fallback = WithoutTrailingSpaces(defaultValue);
  const std::optional<std::string> text =
      fileName != nullptr ? fs::ReadWholeFile(fileName) : std::nullopt;
  const profile::Document document(View(text));

  if (section == nullptr) return CopyList(document.SectionNames(), buffer, size);
  if (key == nullptr) {
    const std::vector<std::string_view> names = document.KeyNames(section);
    return names.empty() ? CopyString(fallback, buffer, size) : CopyList(names, buffer, size);
  }
  const std::optional<std::string_view> value = document.FindValue(section, key);
  return CopyString(value ? profile::Unquote(*value) : fallback, buffer, size);
}

bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName) {
  // Every write goes straight to the disk, so a flush has nothing left to do.
  if (section == nullptr && key == nullptr && value == nullptr) return true;
  if (section == nullptr || fileName == nullptr) return false;

  const fs::Editor edit = [&](const std::optional<std::string>& current) -> std::optional<std::string> {
    const profile::Document document(View(current));
    std::string next = key == nullptr     ? document.WithoutSection(section)
                       : value == nullptr ? document.WithoutKey(section, key)
                                          : document.WithValue(section, key, value);
    // Unchanged text is not written again, and a deletion creates no file.
    if (current ? next == *current : next.empty()) return std::nullopt;
    return next;
  };
  return fs::EditFile(fileName, edit);
}

}  // namespace winapi
