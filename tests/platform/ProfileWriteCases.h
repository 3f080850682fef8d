#pragma once

// The INI writing cases: the exact bytes WritePrivateProfileStringA leaves in a
// file. A write changes the target line, or adds one, and nothing else. Notes:
// [W] seen on Windows, [D] documented, [Wine] from Wine where Windows was not
// observed; rows without a note keep the file's bytes, which Windows does by
// editing the file in place. ProfileWriteTest runs them against our functions;
// on Windows, ProfileWindowsTest runs them against the system's own too.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tarvex::test::profile {

struct WriteCase {
  std::string id;
  std::optional<std::string> before;  // nothing: no file
  const char* section;
  const char* key;    // null: delete the section
  const char* value;  // null: delete the key
  std::optional<std::string> after;   // nothing: still no file
};

inline void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.id; }

inline const std::vector<WriteCase>& WriteCases() {
  using namespace std::string_literals;
  static const std::string kGbkComment = "; \xC3\xC5\xCB\xF8\xC9\xE8\xD6\xC3\r\n";  // GBK text
  static const std::string kUtf8Section = "[\xE8\xAE\xBE\xE7\xBD\xAE]\r\n";       // UTF-8 text
  static const std::vector<WriteCase> cases{
      // New file, empty file: section and key with CRLF [W].
      WriteCase{"NewFile", std::nullopt, "S", "k", "v", "[S]\r\nk=v\r\n"},
      WriteCase{"EmptyFile", "", "S", "k", "v", "[S]\r\nk=v\r\n"},
      WriteCase{"EmptyValue", "", "S", "k", "", "[S]\r\nk=\r\n"},
      // The value is written as given, blanks included [W].
      WriteCase{"ValueAsGiven", std::nullopt, "S", "k", " v\t", "[S]\r\nk= v\t\r\n"},
      // The names lose the spaces around them [W].
      WriteCase{"NamesLoseSpaces", std::nullopt, " S ", "  k ", "v", "[S]\r\nk=v\r\n"},
      // Replacing a value: only the value changes; the line keeps its key's
      // spelling [W], its indentation and its own line break.
      WriteCase{"ReplaceValue", "[S]\r\nk=old\r\n", "S", "k", "new", "[S]\r\nk=new\r\n"},
      WriteCase{"ReplaceKeepsEverythingElse",
                "; head\r\n[A]\r\nk=1\r\n\r\n[S]\n \tk = old  \n; tail\n[B]\r\nk=3",
                "S", "k", "new",
                "; head\r\n[A]\r\nk=1\r\n\r\n[S]\n \tk = new\n; tail\n[B]\r\nk=3"},
      WriteCase{"ReplaceKeepsKeyCase", "[door]\r\nDelayMinutes=1\r\n", "DOOR", "delayminutes", "2",
                "[door]\r\nDelayMinutes=2\r\n"},
      WriteCase{"ReplaceQuotedValue", "[S]\r\nk=\"a b\"\r\n", "S", "k", "c", "[S]\r\nk=c\r\n"},
      WriteCase{"ReplaceHexByDecimal", "[S]\r\nk=0x1E\r\n", "S", "k", "30", "[S]\r\nk=30\r\n"},
      WriteCase{"ReplaceOnCrLine", "[S]\rk=1\rm=2\r", "S", "k", "9", "[S]\rk=9\rm=2\r"},
      WriteCase{"ReplaceLastLineGetsCrLf", "[S]\r\nk=1", "S", "k", "2", "[S]\r\nk=2\r\n"},  // [W]
      WriteCase{"LineWithoutEqualsGetsValue", "[S]\r\nk\r\nm=1\r\n", "S", "k", "v", "[S]\r\nk=v\r\nm=1\r\n"},
      // The first of duplicates is the one written [W: the one read].
      WriteCase{"FirstDuplicateKey", "[S]\r\nk=1\r\nk=2\r\n", "S", "k", "9", "[S]\r\nk=9\r\nk=2\r\n"},
      WriteCase{"FirstDuplicateSection", "[S]\r\na=1\r\n[S]\r\nk=1\r\n", "S", "k", "2",
                "[S]\r\na=1\r\nk=2\r\n[S]\r\nk=1\r\n"},
      // A new key goes straight after the last key of its section [W], so
      // blank lines and comments at the section's end stay before the next.
      WriteCase{"NewKeyAfterLastKey", "[S]\r\na=1\r\nb=2\r\n[T]\r\n", "S", "c", "3",
                "[S]\r\na=1\r\nb=2\r\nc=3\r\n[T]\r\n"},
      WriteCase{"NewKeyBeforeBlankLines", "[S]\r\na=1\r\n\r\n\r\n[T]\r\nb=2\r\n", "S", "c", "3",
                "[S]\r\na=1\r\nc=3\r\n\r\n\r\n[T]\r\nb=2\r\n"},
      WriteCase{"NewKeyBeforeClosingComment", "[S]\r\na=1\r\n; about T\r\n[T]\r\n", "S", "c", "3",
                "[S]\r\na=1\r\nc=3\r\n; about T\r\n[T]\r\n"},
      WriteCase{"NewKeyAfterHeaderWhenNoKeys", "[S]\r\n; note\r\n\r\n[T]\r\n", "S", "c", "3",
                "[S]\r\nc=3\r\n; note\r\n\r\n[T]\r\n"},
      WriteCase{"CommentIsNoKeyToReplace", "[S]\r\n;k=1\r\n", "S", "k", "2", "[S]\r\nk=2\r\n;k=1\r\n"},
      WriteCase{"NewKeyInLastSection", "[A]\r\n[S]\r\na=1\r\n", "S", "k", "v", "[A]\r\n[S]\r\na=1\r\nk=v\r\n"},
      WriteCase{"NewKeyAfterHeaderWithoutBreak", "[S]", "S", "k", "v", "[S]\r\nk=v\r\n"},
      WriteCase{"NewKeyAfterKeyWithoutBreak", "[S]\r\na=1", "S", "k", "v", "[S]\r\na=1\r\nk=v\r\n"},
      WriteCase{"NewKeyInLfFile", "[S]\na=1\n", "S", "k", "v", "[S]\na=1\nk=v\r\n"},
      // A new section goes at the end of the file, right after the last line [W].
      WriteCase{"NewSectionAtEnd", "[A]\r\nx=1\r\n", "S", "k", "v", "[A]\r\nx=1\r\n[S]\r\nk=v\r\n"},
      WriteCase{"NewSectionAfterLastLineWithoutBreak", "[A]\r\nx=1", "S", "k", "v",
                "[A]\r\nx=1\r\n[S]\r\nk=v\r\n"},
      WriteCase{"NewSectionAfterBlankLines", "[A]\r\nx=1\r\n\r\n", "S", "k", "v",
                "[A]\r\nx=1\r\n\r\n[S]\r\nk=v\r\n"},
      WriteCase{"NewSectionAfterLf", "[A]\nx=1\n", "S", "k", "v", "[A]\nx=1\n[S]\r\nk=v\r\n"},
      WriteCase{"KeysBeforeFirstSectionStay", "k=1\r\n", "S", "k", "v", "k=1\r\n[S]\r\nk=v\r\n"},
      WriteCase{"EmptySectionName", "", "", "k", "v", "[]\r\nk=v\r\n"},  // [W]
      // Bytes outside ASCII, and NUL bytes, are kept [W: Wine's tests on Windows].
      WriteCase{"OtherBytesKept", kGbkComment + kUtf8Section + "a=\xC9\xE8\r\n[S]\r\nk=1\r\n", "S", "k", "2",
                kGbkComment + kUtf8Section + "a=\xC9\xE8\r\n[S]\r\nk=2\r\n"},
      WriteCase{"GbkValueWritten", "[S]\r\nk=1\r\n", "S", "k", "\xC9\xE8\xD6\xC3",
                "[S]\r\nk=\xC9\xE8\xD6\xC3\r\n"},
      WriteCase{"NulBytesKept", "Data \0 before\r\n[S]\r\nk=1\r\n"s, "S", "k", "2",
                "Data \0 before\r\n[S]\r\nk=2\r\n"s},
      // A null value deletes the key's line; the section stays [W].
      WriteCase{"DeleteKey", "[S]\r\na=1\r\nk=2\r\nb=3\r\n", "S", "k", nullptr, "[S]\r\na=1\r\nb=3\r\n"},
      WriteCase{"DeleteLastKeyKeepsSection", "[S]\r\nk=1\r\n", "S", "k", nullptr, "[S]\r\n"},
      WriteCase{"DeleteKeyWithoutBreak", "[S]\r\nk=1", "S", "k", nullptr, "[S]\r\n"},
      WriteCase{"DeleteMissingKey", "[S]\r\na=1", "S", "k", nullptr, "[S]\r\na=1"},
      WriteCase{"CommentNotDeleted", "[S]\r\n;k=1\r\n", "S", ";k", nullptr, "[S]\r\n;k=1\r\n"},
      WriteCase{"DeleteKeyOfMissingFile", std::nullopt, "S", "k", nullptr, std::nullopt},
      // A null key deletes the section's header and keys; comments stay [W].
      WriteCase{"DeleteSectionKeepsComments", ";c0\r\n[S]\r\n;c1\r\n[T]\r\n;c2\r\n", "S", nullptr, nullptr,
                ";c0\r\n;c1\r\n[T]\r\n;c2\r\n"},
      WriteCase{"DeleteSectionWithKeys", "[A]\r\nx=1\r\n[S]\r\na=1\r\nb\r\n\r\n[T]\r\nb=2\r\n", "S", nullptr,
                "ignored", "[A]\r\nx=1\r\n\r\n[T]\r\nb=2\r\n"},
      WriteCase{"DeleteLastSection", "[A]\r\nx=1\r\n[s]\r\na=1", "S", nullptr, nullptr, "[A]\r\nx=1\r\n"},
      WriteCase{"DeleteMissingSection", "[A]\r\nx=1\r\n", "S", nullptr, nullptr, "[A]\r\nx=1\r\n"},
      WriteCase{"DeleteSectionOfMissingFile", std::nullopt, "S", nullptr, nullptr, std::nullopt}};
  return cases;
}

}  // namespace tarvex::test::profile
