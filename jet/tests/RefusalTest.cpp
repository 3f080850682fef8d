// Files the engine must refuse to open, each with a message that names the
// file and the reason, and each left byte for byte as it was.

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "PageCodec.h"
#include "TestSupport.h"
#include "jet/Database.h"
#include "jet/Format.h"

namespace jet {
namespace {

using test::TempDir;

// A header page as Access writes one: signature, version, creation date and
// the password field, with the block from 0x18 masked.
std::vector<std::uint8_t> MakeHeader(const Format& format, std::uint8_t version,
                                     const std::string& password = "",
                                     const char* engine = header::kJetEngineName) {
  std::vector<std::uint8_t> page(format.page_size, 0);
  std::memcpy(page.data(), header::kMagic.data(), header::kMagic.size());
  std::memcpy(page.data() + header::kEngineNameOffset, engine, std::strlen(engine) + 1);
  page[header::kVersionOffset] = version;
  std::vector<std::uint8_t> pw(format.password_size, 0);
  for (std::size_t i = 0; i < password.size(); ++i) {
    pw[format.version == JetVersion::kJet4 ? 2 * i : i] = static_cast<std::uint8_t>(password[i]);
  }
  if (format.password_masked_by_date) {
    const double created = 39000.25;
    std::memcpy(page.data() + header::kCreationDateOffset, &created, sizeof created);
    const auto days = static_cast<std::uint32_t>(created);
    for (std::size_t i = 0; i < pw.size(); ++i) pw[i] ^= static_cast<std::uint8_t>(days >> (8 * (i % 4)));
  }
  std::memcpy(page.data() + header::kPasswordOffset, pw.data(), pw.size());
  Rc4Apply(header::kMaskKey,
           std::span<std::uint8_t>(page).subspan(header::kMaskedOffset, format.masked_header_size));
  return page;
}

std::vector<std::uint8_t> MakeFile(std::vector<std::uint8_t> header, std::size_t pages = 3) {
  header.resize(header.size() * pages, 0);
  return header;
}

struct BadFile {
  const char* name;
  std::vector<std::uint8_t> bytes;
  Error::Code code;
  const char* reason;  // part of the message
};

std::vector<BadFile> BadFiles() {
  const Format& j3 = Jet3Format();
  const Format& j4 = Jet4Format();
  const auto good4 = MakeFile(MakeHeader(j4, header::kVersionJet4));
  auto cut = [&](std::size_t n) { return std::vector<std::uint8_t>(good4.begin(), good4.begin() + static_cast<std::ptrdiff_t>(n)); };
  std::mt19937 random(4);
  std::vector<std::uint8_t> noise(3 * 4096);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  auto bad_signature = good4;
  std::memcpy(bad_signature.data() + header::kEngineNameOffset, "Standard Jot DB", 15);
  return {
      {"empty", {}, Error::Code::kNotJet, "the file is empty"},
      {"random_bytes", noise, Error::Code::kNotJet, "not a Jet (Access) database"},
      {"text_file", std::vector<std::uint8_t>(5000, 'a'), Error::Code::kNotJet, "not a Jet (Access) database"},
      {"wrong_signature", bad_signature, Error::Code::kNotJet, "not a Jet (Access) database"},
      {"cut_at_10_bytes", cut(10), Error::Code::kDamaged, "truncated to 10 bytes"},
      {"cut_at_21_bytes", cut(21), Error::Code::kDamaged, "truncated: 21 bytes"},
      {"cut_inside_page_0", cut(4095), Error::Code::kDamaged, "truncated: 4095 bytes"},
      {"cut_inside_page_1", cut(4097), Error::Code::kDamaged, "truncated: 4097 bytes"},
      {"cut_after_page_1", cut(8192), Error::Code::kDamaged, "truncated to 2 pages"},
      {"jet3_cut_inside_page", MakeFile(MakeHeader(j3, header::kVersionJet3), 2), Error::Code::kDamaged,
       "truncated to 2 pages"},
      {"ace_2007", MakeFile(MakeHeader(j4, 0x02, "", header::kAceEngineName)),
       Error::Code::kUnsupportedVersion, "Access 2007 or later (ACE)"},
      {"ace_2010_version_code", MakeFile(MakeHeader(j4, 0x03)), Error::Code::kUnsupportedVersion,
       "Access 2007 or later (ACE)"},
      {"jet4_password", MakeFile(MakeHeader(j4, header::kVersionJet4, "secret")), Error::Code::kPassword,
       "protected by a database password"},
      {"jet3_password", MakeFile(MakeHeader(j3, header::kVersionJet3, "x")), Error::Code::kPassword,
       "protected by a database password"},
      {"no_catalog", good4, Error::Code::kDamaged, "page 2 should hold a table definition"},
  };
}

class Refusal : public testing::TestWithParam<BadFile> {};

TEST_P(Refusal, NamesFileAndReasonAndLeavesFileAlone) {
  const BadFile& bad = GetParam();
  TempDir dir;
  const auto path = dir.path() / (std::string(bad.name) + ".mdb");
  test::WriteFile(path, bad.bytes);
  try {
    Database::Open(path.string());
    FAIL() << "opened " << bad.name;
  } catch (const Error& e) {
    const std::string message = e.what();
    EXPECT_EQ(e.code(), bad.code) << message;
    EXPECT_EQ(message.rfind(path.string() + ": ", 0), 0u) << message;
    EXPECT_NE(message.find(bad.reason), std::string::npos) << message;
  }
  EXPECT_EQ(test::ReadFile(path), bad.bytes);
}

INSTANTIATE_TEST_SUITE_P(HandMade, Refusal, testing::ValuesIn(BadFiles()),
                         [](const testing::TestParamInfo<BadFile>& param) { return std::string(param.param.name); });

TEST(Refusal, MissingFileNamesIt) {
  TempDir dir;
  const auto path = dir.path() / "Client.mdb";
  try {
    Database::Open(path.string());
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), Error::Code::kNotFound);
    EXPECT_EQ(std::string(e.what()), path.string() + ": cannot open the file: " + test::NoSuchFileText());
  }
  EXPECT_FALSE(test::fs::exists(path));
}

TEST(Refusal, DirectoryIsNotADatabase) {
  TempDir dir;
  EXPECT_THROW(Database::Open(dir.path().string()), Error);
}

// Real files cut short: whatever is refused is refused before any write.
TEST(Refusal, TruncatedRealFilesAreRefusedUnchanged) {
  if (test::FixtureDir().empty()) GTEST_SKIP() << "../shared/fixtures/access is absent";
  for (const char* name : {"testV2000.mdb", "testV1997.mdb", "overflowTestV2000.mdb"}) {
    const auto original = test::ReadFile(test::FixtureDir() / name);
    const std::size_t page = original[header::kVersionOffset] == header::kVersionJet3 ? 2048 : 4096;
    for (std::size_t length : {page, 3 * page, 3 * page + 7, original.size() / 2,
                               original.size() - page, original.size() - 1}) {
      SCOPED_TRACE(std::string(name) + " cut to " + std::to_string(length));
      TempDir dir;
      const auto path = dir.path() / name;
      const std::vector<std::uint8_t> bytes(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(length));
      test::WriteFile(path, bytes);
      bool refused = false;
      try {
        auto db = Database::Open(path.string());
        for (const auto& table : db->Info().tables) {
          if (table.system) continue;
          const auto before = test::ReadFile(path);
          try {
            db->Execute("DELETE FROM [" + table.name + "]");
          } catch (const Error& e) {
            refused = true;
            EXPECT_EQ(e.code(), Error::Code::kDamaged) << e.what();
            EXPECT_EQ(test::ReadFile(path), before) << e.what();
          }
        }
      } catch (const Error& e) {
        refused = true;
        EXPECT_EQ(e.code(), Error::Code::kDamaged) << e.what();
      }
      if (length % page != 0 || length <= 3 * page) {
        EXPECT_TRUE(refused);
        EXPECT_EQ(test::ReadFile(path), bytes);
      }
    }
  }
}

}  // namespace
}  // namespace jet
