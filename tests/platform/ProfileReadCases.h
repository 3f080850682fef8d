#pragma once

// The INI reading cases: what GetPrivateProfileStringA reads from a text. Each
// row is one rule; the note before it says where the rule was seen: [W] on
// Windows (tests run against the real functions), [D] in Microsoft's
// documentation, [Wine] in Wine's code where Windows was not observed.
// ProfileReadTest runs them against our functions; on Windows,
// ProfileWindowsTest runs them against the system's own side by side.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace tarvex::test::profile {

inline constexpr const char* kDefault = "<default>";

struct ReadCase {
  std::string id;
  std::string ini;
  std::string section;
  std::string key;
  std::string expected;  // kDefault: the key is not found
};

inline void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.id; }

inline const std::vector<ReadCase>& ReadCases() {
  using namespace std::string_literals;
  static const std::vector<ReadCase> cases{
    ReadCase{"Plain", "[S]\r\nk=v\r\n", "S", "k", "v"},
    // Names without regard to letter case [W][D].
    ReadCase{"SectionAndKeyCase", "[DoorlockOption]\r\nDelayMinutes=5\r\n", "DOORLOCKoption",
             "delayminutes", "5"},
    // Blanks (space, tab, vertical tab) around names and values are ignored [W];
    // form feed and Ctrl-Z too [Wine].
    ReadCase{"BlanksAroundKeyAndValue", "[S]\r\n \t\vk \t= \t v v \t\v\r\n", "S", "k", "v v"},
    ReadCase{"FormFeedAndCtrlZAreBlanks", "[S]\r\nk=\fv\x1a\r\n", "S", "k", "v"},
    ReadCase{"BlanksInsideBrackets", "[ \tS\v ]\r\nk=v\r\n", "S", "k", "v"},
    ReadCase{"BlanksBeforeBracket", " \t[S]\r\nk=v\r\n", "S", "k", "v"},
    // Only spaces around the names the caller passes are ignored [W].
    ReadCase{"SpacesAroundParameters", "[S]\r\nk=v\r\n", "  S ", " k  ", "v"},
    ReadCase{"TabInSectionParameter", "[S]\r\nk=v\r\n", "\tS", "k", kDefault},
    ReadCase{"TabInKeyParameter", "[S]\r\nk=v\r\n", "S", "k\t", kDefault},
    // Outer quotes, double or single, matching, are removed; blanks inside stay [W][D].
    ReadCase{"DoubleQuotes", "[S]\r\nk=  \"  v  \"  \r\n", "S", "k", "  v  "},
    ReadCase{"SingleQuotes", "[S]\r\nk='v'\r\n", "S", "k", "v"},
    ReadCase{"OnlyOuterQuotes", "[S]\r\nk=\"'v'\"\r\n", "S", "k", "'v'"},
    ReadCase{"UnmatchedQuotesStay", "[S]\r\nk=\"v'\r\n", "S", "k", "\"v'"},
    ReadCase{"QuoteOnOneSideStays", "[S]\r\nk=\"v\r\n", "S", "k", "\"v"},
    ReadCase{"LoneQuoteStays", "[S]\r\nk=\"\r\n", "S", "k", "\""},
    ReadCase{"EmptyQuotes", "[S]\r\nk=\"\"\r\n", "S", "k", ""},
    ReadCase{"QuotesInNamesAreKept", "[\"S\"]\r\n'k'=v\r\n", "\"S\"", "'k'", "v"},
    // The first of duplicate keys wins; a repeated section is never read [W].
    ReadCase{"FirstDuplicateKey", "[S]\r\nk=1\r\nk=2\r\n", "S", "k", "1"},
    ReadCase{"SecondSectionIgnored", "[S]\r\na=1\r\n[T]\r\n[s]\r\nk=2\r\n", "S", "k", kDefault},
    ReadCase{"KeyOfAnotherSection", "[A]\r\nk=1\r\n[B]\r\nm=2\r\n", "A", "m", kDefault},
    // ';' first on a line makes a comment, even after blanks; elsewhere it is text [W].
    ReadCase{"CommentIsNoKey", "[S]\r\n;k=1\r\n", "S", "k", kDefault},
    ReadCase{"CommentNotReadWithSemicolon", "[S]\r\n;k=1\r\n", "S", ";k", kDefault},
    ReadCase{"IndentedComment", "[S]\r\n \t;k=1\r\nk=2\r\n", "S", "k", "2"},
    ReadCase{"SemicolonInValue", "[S]\r\nk=;text\r\n", "S", "k", ";text"},
    ReadCase{"SemicolonInKey", "[S]\r\nk ;x=1\r\n", "S", "k ;x", "1"},
    ReadCase{"HashIsNoComment", "[S]\r\n#k=1\r\n", "S", "#k", "1"},
    ReadCase{"SemicolonInSectionName", "[;S]\r\nk=1\r\n", ";S", "k", "1"},
    // A line without '=' names a key without a value: the default is read [Wine].
    ReadCase{"LineWithoutEquals", "[S]\r\nk\r\n", "S", "k", kDefault},
    ReadCase{"LineWithoutEqualsComesFirst", "[S]\r\nk\r\nk=2\r\n", "S", "k", kDefault},
    ReadCase{"EmptyValueIsNoDefault", "[S]\r\nk=\r\n", "S", "k", ""},
    ReadCase{"EqualsInValue", "[S]\r\nk=a=b\r\n", "S", "k", "a=b"},
    ReadCase{"EmptyKeyName", "[S]\r\n=v\r\n", "S", "", "v"},  // [W]
    // Keys before the first section belong to none [W].
    ReadCase{"KeyBeforeAnySection", "k=1\r\n[S]\r\n", "", "k", kDefault},
    ReadCase{"KeyBeforeAnySectionNotInNext", "k=1\r\n[S]\r\n", "S", "k", kDefault},
    ReadCase{"EmptySectionName", "[]\r\nk=1\r\n", "", "k", "1"},  // [W]
    // The section name ends at the first ']', or at the line break [W].
    ReadCase{"NameEndsAtFirstBracket", "[S]x]\r\nk=1\r\n", "S", "k", "1"},
    ReadCase{"BracketCannotBeInName", "[S]x]\r\nk=1\r\n", "S]x", "k", kDefault},
    ReadCase{"TextAfterBracketIgnored", "[S]k=1\r\n", "S", "k", kDefault},
    ReadCase{"MissingClosingBracket", "[S  \r\nk=1\r\n", "S", "k", "1"},
    ReadCase{"MissingOpeningBracket", "S]\r\nk=1\r\n", "S", "k", kDefault},
    ReadCase{"OpeningBracketInName", "[[S]\r\nk=1\r\n", "[S", "k", "1"},
    // Line breaks: CRLF, LF, a lone CR [W]; the last line needs none.
    ReadCase{"LfLines", "[S]\nk=1\nm=2\n", "S", "m", "2"},
    ReadCase{"CrLines", "[S]\rk=1\rm=2\r", "S", "m", "2"},
    ReadCase{"MixedLines", "[S]\nk=1\r\nm=2\r", "S", "m", "2"},
    ReadCase{"LastLineWithoutBreak", "[S]\r\nk=1", "S", "k", "1"},
    // Bytes outside ASCII are taken as they are (GBK, UTF-8).
    ReadCase{"GbkValue", "[S]\r\nname=\xC9\xE8\xD6\xC3\r\n", "S", "name", "\xC9\xE8\xD6\xC3"},
    ReadCase{"Utf8Names", "[\xE8\xAE\xBE\xE7\xBD\xAE]\r\n\xE9\x94\xAE=1\r\n",
             "\xE8\xAE\xBE\xE7\xBD\xAE", "\xE9\x94\xAE", "1"},
    ReadCase{"NoCaseFoldingBeyondAscii", "[S]\r\n\xC9\xE8=1\r\n", "S", "\xE9\xE8", kDefault},
    // A UTF-8 byte order mark spoils the first line only [W].
    ReadCase{"Utf8MarkHidesFirstSection", "\xEF\xBB\xBF[S]\r\nk=1\r\n", "S", "k", kDefault},
    ReadCase{"Utf8MarkLeavesLaterSections", "\xEF\xBB\xBF[S]\r\nk=1\r\n[T]\r\nk=2\r\n", "T", "k", "2"},
    // NUL bytes in the file do not end it [Wine tests].
    ReadCase{"NulBytesBeforeSection", "junk\0junk\r\n[S]\r\nk=1\r\n"s, "S", "k", "1"}};
  return cases;
}

// Values are cut to size - 1 bytes and a NUL; the count copied is returned [W][D].
struct CutCase {
  std::string value;  // as in the file
  std::uint32_t size;
  std::string expected;
};

inline void PrintTo(const CutCase& c, std::ostream* os) { *os << c.value.size() << " bytes, size " << c.size; }

inline const std::vector<CutCase>& CutCases() {
  static const std::vector<CutCase> cases{
      CutCase{"val1", 4, "val"}, CutCase{"val1", 5, "val1"}, CutCase{"a", 1, ""}, CutCase{"abc", 2, "a"},
      // Quotes come off before the cut.
      CutCase{"\"abcdef\"", 4, "abc"}, CutCase{"\"abc\"", 4, "abc"},
      CutCase{std::string(3000, 'x'), 2048, std::string(2047, 'x')}};
  return cases;
}

// Lists: a null section gives the section names, a null key the key names, each
// followed by a NUL, the list by one more; a list that fills the buffer is cut
// with two NULs and size - 2 returned [W: Wine's tests on Windows].
struct ListCase {
  std::string id;
  std::string ini;
  bool sections;  // otherwise the keys of section "S"
  std::uint32_t size;
  std::string expected;  // the bytes up to and including the closing NUL(s)
  std::uint32_t count;
};

inline void PrintTo(const ListCase& c, std::ostream* os) { *os << c.id; }

inline const std::vector<ListCase>& ListCases() {
  using namespace std::string_literals;
  static const std::string kThreeSections = "[ section1 ]\r\n[section2]\r\n[section3]\r\n";
  static const std::string kKeys = "[S]\r\nname1=val1\r\n;c=1\r\nname2=\r\nname3\r\nname4=a\r\n[T]\r\nt=1\r\n";
  static const std::vector<ListCase> cases{
    ListCase{"SectionsFit", kThreeSections, true, 29, "section1\0section2\0section3\0\0"s, 27},
    ListCase{"SectionsFillBuffer", kThreeSections, true, 28, "section1\0section2\0section3\0\0"s, 26},
    ListCase{"SectionsCut", kThreeSections, true, 27, "section1\0section2\0section\0\0"s, 25},
    ListCase{"SectionsCutEarly", kThreeSections, true, 16, "section1\0secti\0\0"s, 14},
    ListCase{"DuplicateSectionsListed", "[a]\r\n[b]\r\n[a]\r\n", true, 100, "a\0b\0a\0\0"s, 6},
    // Comments and lines without '=' are no keys to list.
    ListCase{"KeysFit", kKeys, false, 100, "name1\0name2\0name4\0\0"s, 18},
    ListCase{"KeysCut", kKeys, false, 16, "name1\0name2\0na\0\0"s, 14},
    ListCase{"NoSectionsListsNothing", "k=1\r\n", true, 10, "\0"s, 0},
    ListCase{"MissingSectionGivesDefault", "[T]\r\nt=1\r\n", false, 100, "<default>\0"s, 9}};
  return cases;
}

}  // namespace tarvex::test::profile
