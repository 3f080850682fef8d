// The tarvex-jet command line: exit codes, output, error text.

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace jet {
namespace {

const std::string kTool = TARVEX_JET_TOOL;

TEST(Tool, UsageErrorsExitOne) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {kTool}, {kTool, "frobnicate"}, {kTool, "info"}, {kTool, "exec", "a.mdb"}}) {
    const auto r = test::Run(args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("usage: tarvex-jet"), std::string::npos) << r.err;
  }
}

TEST(Tool, ErrorsGoToStandardErrorWithExitOne) {
  test::TempDir dir;
  const auto missing = (dir.path() / "Client.mdb").string();
  const auto r = test::Run({kTool, "exec", missing, "DELETE * FROM T_Room"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "tarvex-jet: " + missing + ": cannot open the file: " + test::NoSuchFileText() + "\n");
}

TEST(Tool, InfoAndExecOnARealFile) {
  if (test::FixtureDir().empty()) GTEST_SKIP() << "../shared/fixtures/access is absent";
  test::TempDir dir;
  const auto file = dir.CopyFixture("delTestV2000.mdb").string();
  auto info = test::Run({kTool, "info", file});
  ASSERT_EQ(info.exit_code, 0) << info.err;
  EXPECT_NE(info.out.find("format: Jet 4 (Access 2000-2003)\npage size: 4096\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("  Table\t2\n"), std::string::npos) << info.out;

  const auto exec = test::Run({kTool, "exec", file, "DELETE * FROM [Table]"});
  EXPECT_EQ(exec.exit_code, 0) << exec.err;
  EXPECT_EQ(exec.out, "2\n");
  info = test::Run({kTool, "info", file});
  EXPECT_NE(info.out.find("  Table\t0\n"), std::string::npos) << info.out;

  const auto bad = test::Run({kTool, "exec", file, "DELETE * FROM T_Room"});
  EXPECT_EQ(bad.exit_code, 1);
  EXPECT_EQ(bad.err, "tarvex-jet: " + file + ": cannot find the table 'T_Room'\n");
}

}  // namespace
}  // namespace jet
