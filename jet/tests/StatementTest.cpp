#include <gtest/gtest.h>

#include "Statement.h"
#include "jet/Error.h"

namespace jet {
namespace {

struct Accepted {
  const char* sql;
  const char* table;
};

class AcceptedStatement : public testing::TestWithParam<Accepted> {};

TEST_P(AcceptedStatement, NamesTheTable) {
  EXPECT_EQ(ParseStatement(GetParam().sql).table, GetParam().table);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, AcceptedStatement,
    testing::Values(Accepted{"DELETE * FROM T_Room", "T_Room"},
                    Accepted{"DELETE FROM T_Room", "T_Room"},
                    Accepted{"delete * from t_room", "t_room"},
                    Accepted{"Delete From T_Room", "T_Room"},
                    Accepted{"  DELETE\t*\nFROM   T_Room  ", "T_Room"},
                    Accepted{"DELETE*FROM T_Room", "T_Room"},
                    Accepted{"DELETE *FROM T_Room", "T_Room"},
                    Accepted{"DELETE * FROM [T_Room]", "T_Room"},
                    Accepted{"DELETE FROM [Room list 2]", "Room list 2"},
                    Accepted{"DELETE FROM[T_Room]", "T_Room"},
                    Accepted{"DELETE * FROM T_Room;", "T_Room"},
                    Accepted{"DELETE * FROM T_Room ; ", "T_Room"},
                    Accepted{"DELETE FROM 房间", "房间"}));

class UnsupportedStatement : public testing::TestWithParam<const char*> {};

TEST_P(UnsupportedStatement, IsRefusedWithItsText) {
  try {
    ParseStatement(GetParam());
    FAIL() << "accepted: " << GetParam();
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), Error::Code::kUnsupportedStatement);
    EXPECT_NE(std::string(e.what()).find("unsupported statement"), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, UnsupportedStatement,
    testing::Values("", "   ", "SELECT * FROM T_Room", "DROP TABLE T_Room",
                    "DELETE * FROM T_Room WHERE RoomNo = 1", "DELETE * FROM", "DELETE FROM []",
                    "DELETE FROM [T_Room", "DELETEFROM T_Room", "DELETE FROMT_Room",
                    "DELETE * FROM T_Room; DELETE * FROM T_Card", "DELETE * FROM T_Room, T_Card",
                    "DELETE ** FROM T_Room", "UPDATE T_Room SET a = 1", "DELETE T_Room",
                    "INSERT INTO T_Room VALUES (1)", "DELETE * FROM T_Room;;"));

TEST(UnsupportedStatement, LongTextIsShortenedInTheMessage) {
  const std::string sql = "SELECT " + std::string(10000, 'x');
  try {
    ParseStatement(sql);
    FAIL();
  } catch (const Error& e) {
    EXPECT_LT(std::string(e.what()).size(), 300u);
  }
}

}  // namespace
}  // namespace jet
