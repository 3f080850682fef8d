#include "SampleDatabase.h"

#include <array>
#include <stdexcept>

#include "DatabaseWriter.h"

namespace jet::writer {

namespace {

constexpr int kRoomsPerFloor = 20;
constexpr int kFloorsPerBuilding = 18;

const std::array<const char*, 5> kRoomKinds = {"标准间", "大床房", "豪华套房", "Twin room", "家庭房"};
const std::array<const char*, kSampleBuildings> kBuildingNames = {"主楼", "东楼 East Wing", "西楼"};

// Every so often a remark long enough to need a chain of memo pages.
constexpr int kLongRemarkEvery = 97;

std::string Remark(int index) {
  std::string text = "房间 " + std::to_string(index) + " 备注: 门锁已检查, battery ok.";
  if (index % 3 == 0) text += " 窗户朝南, quiet side.";
  if (index % kLongRemarkEvery == kLongRemarkEvery - 1) {
    for (int i = 0; i < 400; ++i) text += " 第" + std::to_string(i) + "行 long remark line";
  }
  return text;
}

}  // namespace

TableDef RoomTableDef() {
  TableDef t;
  t.name = "T_Room";
  t.columns = {
      {"RoomID", ColumnType::kLong, 0, true},
      {"RoomNo", ColumnType::kText, 10, false},
      {"Building", ColumnType::kInteger, 0, false},
      {"Floor", ColumnType::kByte, 0, false},
      {"LockNo", ColumnType::kLong, 0, false},
      {"RoomType", ColumnType::kText, 30, false},
      {"Price", ColumnType::kCurrency, 0, false},
      {"Area", ColumnType::kDouble, 0, false},
      {"CheckTime", ColumnType::kDateTime, 0, false},
      {"Enabled", ColumnType::kBoolean, 0, false},
      {"Remark", ColumnType::kMemo, 0, false},
  };
  t.indexes = {
      {"PrimaryKey", {"RoomID"}, true, false},
      {"Building", {"Building"}, false, false},
      {"LockNo", {"LockNo"}, false, false},
  };
  return t;
}

TableDef BuildingTableDef() {
  TableDef t;
  t.name = "T_Building";
  t.columns = {
      {"BuildingID", ColumnType::kLong, 0, true},
      {"BuildingNo", ColumnType::kInteger, 0, false},
      {"BuildingName", ColumnType::kText, 40, false},
      {"Floors", ColumnType::kByte, 0, false},
  };
  t.indexes = {{"PrimaryKey", {"BuildingID"}, true, false}};
  return t;
}

std::vector<Value> SampleRoomRow(int index, bool memoValues) {
  const int building = index / (kRoomsPerFloor * kFloorsPerBuilding) % kSampleBuildings + 1;
  const int floor = index / kRoomsPerFloor % kFloorsPerBuilding + 1;
  const int room = index % kRoomsPerFloor + 1;
  const int roomNo = building * 10000 + floor * 100 + room;
  DateTime checked{2023, 1 + index % 12, 1 + index % 28, index % 24, (index * 7) % 60, (index * 13) % 60};
  return {
      Value::Null(),
      Value::Text(std::to_string(roomNo)),
      Value::Int(building),
      Value::Int(floor),
      // Lock numbers are spread so that their index is not in row order.
      Value::Int((static_cast<std::int64_t>(index) * 7919) % 1000003 + 100000),
      Value::Text(kRoomKinds[static_cast<std::size_t>(index) % kRoomKinds.size()]),
      Value::Money({(19800 + (index % 50) * 1000) * 100LL + (index % 4) * 2500}),
      Value::Real(18.5 + (index % 17) * 1.25),
      index % 11 == 10 ? Value::Null() : Value::Date(checked),
      Value::Bool(index % 5 != 0),
      memoValues ? Value::Text(Remark(index)) : Value::Null(),
  };
}

std::vector<Value> SampleBuildingRow(int index) {
  if (index < 0 || index >= kSampleBuildings) throw std::out_of_range("no such sample building");
  return {Value::Null(), Value::Int(index + 1), Value::Text(kBuildingNames[static_cast<std::size_t>(index)]),
          Value::Int(kFloorsPerBuilding)};
}

void CreateRoomDatabase(const std::string& path, const RoomDatabaseOptions& options) {
  if (options.rooms < 0) throw std::invalid_argument("room count must not be negative");
  auto db = DatabaseWriter::create(path);
  auto& buildings = db->addTable(BuildingTableDef());
  for (int i = 0; i < kSampleBuildings; ++i) buildings.addRow(SampleBuildingRow(i));
  auto& rooms = db->addTable(RoomTableDef());
  for (int i = 0; i < options.rooms; ++i) rooms.addRow(SampleRoomRow(i, options.memoValues));
  db->finish();
}

void CreateSampleClientDatabase(const std::string& path, int rooms) {
  CreateRoomDatabase(path, RoomDatabaseOptions{rooms, true});
}

}  // namespace jet::writer
