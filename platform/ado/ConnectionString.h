#pragma once

// OLE DB connection strings: "key=value" pairs separated by semicolons. Keys are
// matched without regard to letter case; blanks around keys and values are
// dropped; a value may be quoted with ' or " to hold semicolons; "==" in a key
// stands for one "="; when a key is named twice, the last value counts.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace ado {

class ConnectionString {
 public:
  // Raises rtl::Exception for a string that does not parse (an unclosed quote,
  // a pair without "=").
  static ConnectionString Parse(std::string_view text);

  // The value of `key`, if the string names it.
  std::optional<std::string> Get(std::string_view key) const;

 private:
  std::map<std::string, std::string> values_;  // keys in lower case
};

}  // namespace ado
