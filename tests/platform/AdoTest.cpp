#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "ado/ADODB.h"
#include "ado/ConnectionString.h"
#include "com/ComObj.h"
#include "writer/SampleDatabase.h"
#include "TempFolder.h"

namespace {

struct ParseCase {
  const char* name;
  const char* text;
  const char* key;
  std::optional<std::string> value;
};

class ConnectionStringParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ConnectionStringParse, FindsTheValueAsOleDbDoes) {
  const ParseCase& c = GetParam();
  EXPECT_EQ(ado::ConnectionString::Parse(c.text).Get(c.key), c.value);
}

const char* const kProgramString =
    "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/opt/client/Client.mdb ;Persist Security "
    "Info=False;Jet OLEDB:Database Password=";

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectionStringParse,
    ::testing::Values(
        ParseCase{"BlankAfterThePathIsDropped", kProgramString, "Data Source",
                  "/opt/client/Client.mdb"},
        ParseCase{"EmptyPassword", kProgramString, "Jet OLEDB:Database Password", ""},
        ParseCase{"KeysIgnoreCase", kProgramString, "PROVIDER", "Microsoft.Jet.OLEDB.4.0"},
        ParseCase{"BlanksAroundKeys", " Data Source = /a b/c.mdb ; x=1", "data source",
                  "/a b/c.mdb"},
        ParseCase{"QuotedValueKeepsSemicolons", "Data Source=\"/a;b/c.mdb\";x=1", "Data Source",
                  "/a;b/c.mdb"},
        ParseCase{"SingleQuotes", "Data Source='/a/c.mdb'", "Data Source", "/a/c.mdb"},
        ParseCase{"DoubledEqualsInAKey", "a==b=1", "a=b", "1"},
        ParseCase{"LastOneCounts", "x=1;x=2", "x", "2"},
        ParseCase{"Missing", kProgramString, "User ID", std::nullopt},
        ParseCase{"EmptyPairsAreSkipped", ";;x=1;;", "x", "1"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ConnectionStringParse, RefusesAnUnclosedQuote) {
  EXPECT_THROW(ado::ConnectionString::Parse("Data Source=\"/a/c.mdb"), rtl::Exception);
}

struct ErrorTextCase {
  const char* description;
  unsigned code;
  const char* shown;
};

class OleErrorText : public ::testing::TestWithParam<ErrorTextCase> {};

TEST_P(OleErrorText, DropsTrailingBlanksControlsAndFullStops) {
  EXPECT_EQ(ado::OleErrorText(GetParam().description, GetParam().code), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Cases, OleErrorText,
                         ::testing::Values(ErrorTextCase{"cannot find the table 'T_Room'.",
                                                         0x80004005U,
                                                         "cannot find the table 'T_Room'"},
                                           ErrorTextCase{"Disk full. \r\n..", 1, "Disk full"},
                                           ErrorTextCase{"a.b", 1, "a.b"},
                                           ErrorTextCase{"", 0x80004005U, "OLE error 80004005"},
                                           ErrorTextCase{" . ", 0xABCU, "OLE error 00000ABC"}));

TEST(Com, EntriesNestAndTheApartmentKindCannotChange) {
  ASSERT_EQ(com::ApartmentDepth(), 0);
  EXPECT_EQ(com::CoInitializeEx(nullptr, com::COINIT_APARTMENTTHREADED), com::S_OK);
  EXPECT_EQ(com::CoInitializeEx(nullptr, com::COINIT_APARTMENTTHREADED), com::S_FALSE);
  EXPECT_EQ(com::CoInitializeEx(nullptr, com::COINIT_MULTITHREADED), com::RPC_E_CHANGED_MODE);
  com::CoUninitialize();
  com::CoUninitialize();
  EXPECT_EQ(com::ApartmentDepth(), 0);
  com::CoUninitialize();  // one too many does no harm
  EXPECT_EQ(com::ApartmentDepth(), 0);
}

TEST(Ado, ComponentsCannotBeCreatedOutsideAnApartment) {
  ASSERT_EQ(com::ApartmentDepth(), 0);
  EXPECT_THROW(ado::TADOConnection(), ado::EOleSysError);
  EXPECT_THROW(ado::TADOQuery(), ado::EOleSysError);
}

class AdoConnection : public ::testing::Test {
 protected:
  void SetUp() override { com::CoInitializeEx(nullptr, com::COINIT_APARTMENTTHREADED); }
  void TearDown() override { com::CoUninitialize(); }
  tarvex::test::TempFolder dir;
};

TEST_F(AdoConnection, AnotherProviderIsRefused) {
  ado::TADOConnection connection;
  connection.ConnectionString = "Provider=SQLOLEDB;Data Source=x";
  try {
    connection.Open("", "");
    FAIL() << "opened with another provider";
  } catch (const ado::EOleException& error) {
    EXPECT_EQ(std::string(error.what()), "Provider cannot be found. It may not be properly installed");
  }
  EXPECT_FALSE(connection.Connected());
}

TEST_F(AdoConnection, OpensThePathWithoutTheBlankAndRunsStatementsOnOneConnection) {
  const std::string path = dir.File("Client.mdb");
  jet::writer::CreateSampleClientDatabase(path, 12);
  ado::TADOConnection connection;
  connection.ConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path +
                                " ;Persist Security Info=False;Jet OLEDB:Database Password=";
  connection.Open("", "");
  ado::TADOQuery query;
  query.SetConnection(&connection);
  query.SQL = "DELETE * FROM T_Room";
  EXPECT_EQ(query.ExecSQL(), 12);
  EXPECT_EQ(connection.Execute("delete from [t_room]"), 0);
  try {
    connection.Execute("SELECT * FROM T_Room");
    FAIL() << "an unsupported statement ran";
  } catch (const ado::EOleException& error) {
    const std::string text = error.what();
    EXPECT_NE(text.find("unsupported statement"), std::string::npos) << text;
    EXPECT_NE(text.back(), '.');
  }
  EXPECT_TRUE(connection.Connected());
}

TEST_F(AdoConnection, AStatementBeforeOpenIsAnError) {
  ado::TADOConnection connection;
  EXPECT_THROW(connection.Execute("DELETE * FROM T_Room"), ado::EOleException);
}

}  // namespace
