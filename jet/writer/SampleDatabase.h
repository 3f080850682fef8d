// Sample Client.mdb files: a room table T_Room like the card-issuing client
// keeps, and a neighbour table T_Building that clearing the rooms must leave
// alone. The values are a pure function of the room's position, so tests can
// rebuild what they expect.
#pragma once

#include <string>
#include <vector>

#include "Schema.h"
#include "Value.h"

namespace jet::writer {

struct RoomDatabaseOptions {
  int rooms = 36;
  bool memoValues = true;  // without: every Remark is null
};

inline constexpr int kSampleBuildings = 3;

TableDef RoomTableDef();
TableDef BuildingTableDef();

// Row `index` (0-based) of T_Room; the autonumber is left null.
std::vector<Value> SampleRoomRow(int index, bool memoValues);
// Row `index` (0-based) of T_Building, below kSampleBuildings.
std::vector<Value> SampleBuildingRow(int index);

void CreateRoomDatabase(const std::string& path, const RoomDatabaseOptions& options);
void CreateSampleClientDatabase(const std::string& path, int rooms = 36);

}  // namespace jet::writer
