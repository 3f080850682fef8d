#include "ado/ConnectionString.h"

#include <cctype>

#include "rtl/SysUtils.h"

namespace ado {
namespace {

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (static_cast<unsigned char>(c) < 0x80) c = static_cast<char>(std::tolower(c));
  }
  return lower;
}

[[noreturn]] void Malformed() {
  throw rtl::Exception("The connection string is not well formed");
}

// Reads the key up to its "=", where "==" stands for a literal "=".
std::string ReadKey(std::string_view text, std::size_t& pos) {
  std::string key;
  while (pos < text.size()) {
    if (text[pos] == '=') {
      if (pos + 1 < text.size() && text[pos + 1] == '=') {
        key += '=';
        pos += 2;
        continue;
      }
      ++pos;
      return std::string(Trim(key));
    }
    if (text[pos] == ';') Malformed();
    key += text[pos++];
  }
  Malformed();
}

std::string ReadValue(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
    const char quote = text[pos++];
    const std::size_t end = text.find(quote, pos);
    if (end == std::string_view::npos) Malformed();
    std::string value(text.substr(pos, end - pos));
    pos = end + 1;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    if (pos < text.size() && text[pos] != ';') Malformed();
    if (pos < text.size()) ++pos;
    return value;
  }
  const std::size_t end = std::min(text.find(';', pos), text.size());
  std::string value(Trim(text.substr(pos, end - pos)));
  pos = end < text.size() ? end + 1 : end;
  return value;
}

}  // namespace

ConnectionString ConnectionString::Parse(std::string_view text) {
  ConnectionString result;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (Trim(text.substr(pos, text.find(';', pos) - pos)).empty()) {
      const std::size_t next = text.find(';', pos);
      if (next == std::string_view::npos) break;
      pos = next + 1;
      continue;
    }
    const std::string key = ReadKey(text, pos);
    result.values_[Lower(key)] = ReadValue(text, pos);
  }
  return result;
}

std::optional<std::string> ConnectionString::Get(std::string_view key) const {
  const auto it = values_.find(Lower(key));
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

}  // namespace ado
