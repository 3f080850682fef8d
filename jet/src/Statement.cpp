#include "Statement.h"

#include <cctype>

#include "jet/Error.h"

namespace jet {

namespace {

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  bool SkipSpace() {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    return pos_ > start;
  }
  bool AtEnd() const { return pos_ == text_.size(); }
  bool Accept(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  // A keyword must not run on into further name characters.
  bool AcceptKeyword(std::string_view word) {
    if (text_.size() - pos_ < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
      if (std::toupper(static_cast<unsigned char>(text_[pos_ + i])) != word[i]) return false;
    }
    if (pos_ + word.size() < text_.size() && IsNameChar(text_[pos_ + word.size()])) return false;
    pos_ += word.size();
    return true;
  }
  bool Name(std::string& out) {
    if (Accept('[')) {
      const std::size_t close = text_.find(']', pos_);
      if (close == std::string_view::npos || close == pos_) return false;
      out = std::string(text_.substr(pos_, close - pos_));
      pos_ = close + 1;
      return true;
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
    out = std::string(text_.substr(start, pos_ - start));
    return !out.empty();
  }

 private:
  static bool IsNameChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) || c == '_' || u >= 0x80;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

[[noreturn]] void Unsupported(std::string_view sql) {
  constexpr std::size_t kShown = 80;
  std::string shown(sql.substr(0, kShown));
  if (sql.size() > kShown) shown += "...";
  throw Error(Error::Code::kUnsupportedStatement,
              "unsupported statement \"" + shown +
                  "\"; only \"DELETE * FROM <table>\" and \"DELETE FROM <table>\" are supported");
}

}  // namespace

DeleteAll ParseStatement(std::string_view sql) {
  Scanner s(sql);
  DeleteAll statement;
  s.SkipSpace();
  if (!s.AcceptKeyword("DELETE")) Unsupported(sql);
  const bool space = s.SkipSpace();
  if (s.Accept('*')) {
    s.SkipSpace();
  } else if (!space) {
    Unsupported(sql);
  }
  if (!s.AcceptKeyword("FROM")) Unsupported(sql);
  s.SkipSpace();
  if (!s.Name(statement.table)) Unsupported(sql);
  s.SkipSpace();
  if (s.Accept(';')) s.SkipSpace();
  if (!s.AtEnd()) Unsupported(sql);
  return statement;
}

}  // namespace jet
