#include "winapi/ProfileText.h"

namespace winapi::profile {

namespace {

// Blanks around names and values in the file. Ctrl-Z is among them because old
// DOS editors left it at the end of files.
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a';
}

char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

void Classify(std::string_view text, Line& line) {
  std::size_t start = line.begin;
  while (start < line.contentEnd && IsBlank(text[start])) ++start;
  if (start == line.contentEnd) {
    line.kind = LineKind::kBlank;
    return;
  }
  const std::string_view rest = text.substr(start, line.contentEnd - start);
  if (rest.front() == '[') {
    // The name runs to the first ']'; a missing ']' ends it at the line break,
    // and whatever follows the ']' is ignored.
    line.kind = LineKind::kSection;
    line.name = TrimBlanks(rest.substr(1, rest.find(']', 1) - 1));
    return;
  }
  if (rest.front() == ';') {
    line.kind = LineKind::kComment;
    return;
  }
  line.kind = LineKind::kEntry;
  const std::size_t eq = rest.find('=');
  if (eq == std::string_view::npos) {
    line.name = TrimBlanks(rest);
    return;
  }
  line.name = TrimBlanks(rest.substr(0, eq));
  line.hasValue = true;
  std::size_t valueBegin = start + eq + 1;
  std::size_t valueEnd = line.contentEnd;
  while (valueBegin < valueEnd && IsBlank(text[valueBegin])) ++valueBegin;
  while (valueEnd > valueBegin && IsBlank(text[valueEnd - 1])) --valueEnd;
  line.valueBegin = valueBegin;
  line.valueEnd = valueEnd;
}

}  // namespace

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    Line line;
    line.begin = pos;
    std::size_t end = pos;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    line.contentEnd = end;
    if (end < text.size()) {
      const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
      end += crlf ? 2 : 1;
    }
    line.end = end;
    Classify(text, line);
    lines.push_back(line);
    pos = end;
  }
  return lines;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string_view TrimSpaces(std::string_view name) {
  while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

Document::Document(std::string_view text) : text_(text), lines_(SplitLines(text)) {}

std::optional<std::size_t> Document::FindSection(std::string_view section) const {
  // Only the first section of a name counts; later ones are never read.
  const std::string_view wanted = TrimSpaces(section);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == LineKind::kSection && SameName(lines_[i].name, wanted)) return i;
  }
  return std::nullopt;
}

std::size_t Document::SectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < lines_.size() && lines_[i].kind != LineKind::kSection) ++i;
  return i;
}

std::optional<std::size_t> Document::FindEntry(std::size_t header, std::string_view key) const {
  const std::string_view wanted = TrimSpaces(key);
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind == LineKind::kEntry && SameName(lines_[i].name, wanted)) return i;
  }
  return std::nullopt;
}

std::size_t Document::LastEntryOrHeader(std::size_t header) const {
  // New keys go straight after the last key, so that blank lines and comments
  // that close a section stay in front of the next one.
  std::size_t last = header;
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind == LineKind::kEntry) last = i;
  }
  return last;
}

std::string_view Document::Bytes(std::size_t begin, std::size_t end) const {
  return text_.substr(begin, end - begin);
}

std::optional<std::string_view> Document::FindValue(std::string_view section,
                                                    std::string_view key) const {
  const auto header = FindSection(section);
  if (!header) return std::nullopt;
  const auto entry = FindEntry(*header, key);
  if (!entry || !lines_[*entry].hasValue) return std::nullopt;
  return Bytes(lines_[*entry].valueBegin, lines_[*entry].valueEnd);
}

std::vector<std::string_view> Document::SectionNames() const {
  std::vector<std::string_view> names;
  for (const Line& line : lines_) {
    if (line.kind == LineKind::kSection) names.push_back(line.name);
  }
  return names;
}

std::vector<std::string_view> Document::KeyNames(std::string_view section) const {
  std::vector<std::string_view> names;
  const auto header = FindSection(section);
  if (!header) return names;
  const std::size_t end = SectionEnd(*header);
  for (std::size_t i = *header + 1; i < end; ++i) {
    if (lines_[i].kind == LineKind::kEntry && lines_[i].hasValue) names.push_back(lines_[i].name);
  }
  return names;
}

std::string Document::WithValue(std::string_view section, std::string_view key,
                                std::string_view value) const {
  constexpr std::string_view kCrLf = "\r\n";
  std::string out;
  const auto header = FindSection(section);
  if (!header) {
    out = text_;
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += kCrLf;
    out.append("[").append(TrimSpaces(section)).append("]").append(kCrLf);
    out.append(TrimSpaces(key)).append("=").append(value).append(kCrLf);
    return out;
  }
  if (const auto entry = FindEntry(*header, key)) {
    // Only the value changes: the key keeps its spelling and indentation, and
    // the line keeps its own line break (a last line without one gets CRLF).
    const Line& line = lines_[*entry];
    const std::size_t keep = line.hasValue
        ? line.valueBegin
        : static_cast<std::size_t>(line.name.data() + line.name.size() - text_.data());
    out = Bytes(0, keep);
    if (!line.hasValue) out += '=';
    out += value;
    out += line.HasLineBreak() ? Bytes(line.contentEnd, line.end) : kCrLf;
    out += Bytes(line.end, text_.size());
    return out;
  }
  const Line& anchor = lines_[LastEntryOrHeader(*header)];
  out = Bytes(0, anchor.end);
  if (!anchor.HasLineBreak()) out += kCrLf;
  out.append(TrimSpaces(key)).append("=").append(value).append(kCrLf);
  out += Bytes(anchor.end, text_.size());
  return out;
}

std::string Document::WithoutKey(std::string_view section, std::string_view key) const {
  const auto header = FindSection(section);
  const auto entry = header ? FindEntry(*header, key) : std::nullopt;
  if (!entry) return std::string(text_);
  std::string out(Bytes(0, lines_[*entry].begin));
  out += Bytes(lines_[*entry].end, text_.size());
  return out;
}

std::string Document::WithoutSection(std::string_view section) const {
  const auto header = FindSection(section);
  if (!header) return std::string(text_);
  // The header and its keys go; comments and blank lines stay where they are.
  const std::size_t end = SectionEnd(*header);
  std::string out(Bytes(0, lines_[*header].begin));
  for (std::size_t i = *header + 1; i < end; ++i) {
    if (lines_[i].kind != LineKind::kEntry) out += Bytes(lines_[i].begin, lines_[i].end);
  }
  if (end < lines_.size()) out += Bytes(lines_[end].begin, text_.size());
  return out;
}

}  // namespace winapi::profile
