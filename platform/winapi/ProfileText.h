#pragma once

// The INI text as the profile functions see it, and the edits they make to it.
// Pure byte handling with no file access, so that every rule can be checked on
// a string (and fed hostile input) without touching a disk.
//
// Bytes outside ASCII are carried through untouched: names are compared with
// ASCII letters folded to one case and every other byte taken as it is.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace winapi::profile {

enum class LineKind {
  kBlank,    // nothing but blanks
  kComment,  // first non-blank is ';'
  kSection,  // first non-blank is '['
  kEntry,    // anything else: "name=value", or a bare name without '='
};

// One line of the text. Offsets index the whole text.
struct Line {
  std::size_t begin = 0;       // first byte of the line
  std::size_t contentEnd = 0;  // first byte of the line break, or the end of the text
  std::size_t end = 0;         // first byte after the line break
  LineKind kind = LineKind::kBlank;
  std::string_view name;       // section or entry name, blanks trimmed
  bool hasValue = false;       // an entry with '='
  std::size_t valueBegin = 0;  // entry with '=': the value, blanks trimmed
  std::size_t valueEnd = 0;

  bool HasLineBreak() const { return contentEnd != end; }
};

// Splits text at "\r\n", "\n" or a lone "\r" and classifies each line.
std::vector<Line> SplitLines(std::string_view text);

// Removes one pair of matching outer quotes (both ' or both ").
std::string_view Unquote(std::string_view value);

// The names the caller passes: only spaces around them are ignored.
std::string_view TrimSpaces(std::string_view name);

// Read access to a parsed text. Keeps a view of the text: the text must outlive it.
class Document {
 public:
  explicit Document(std::string_view text);

  // The value of the first entry `key` in the first section `section`, blanks
  // trimmed and quotes left in place; nothing when absent or when the entry
  // has no '='.
  std::optional<std::string_view> FindValue(std::string_view section, std::string_view key) const;

  // Every section name, in file order, duplicates included.
  std::vector<std::string_view> SectionNames() const;

  // Names of the entries with '=' in the first section `section`.
  std::vector<std::string_view> KeyNames(std::string_view section) const;

  // The edited texts. Each returns the whole new text.
  std::string WithValue(std::string_view section, std::string_view key, std::string_view value) const;
  std::string WithoutKey(std::string_view section, std::string_view key) const;
  std::string WithoutSection(std::string_view section) const;

 private:
  std::optional<std::size_t> FindSection(std::string_view section) const;
  std::size_t SectionEnd(std::size_t header) const;
  std::optional<std::size_t> FindEntry(std::size_t header, std::string_view key) const;
  std::size_t LastEntryOrHeader(std::size_t header) const;
  std::string_view Bytes(std::size_t begin, std::size_t end) const;

  std::string_view text_;
  std::vector<Line> lines_;
};

}  // namespace winapi::profile
