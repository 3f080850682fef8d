#include "SystemCatalog.h"

#include "Jet4Layout.h"

namespace jet::writer {

namespace td = layout::tdef;
namespace cat = layout::catalog;

namespace {

constexpr std::uint8_t kSysFixed = cat::kSystemFixedColumn;
constexpr std::uint8_t kSysVariable = cat::kSystemVariableColumn;
constexpr std::uint8_t kSysSecurityId = cat::kSystemSecurityIdColumn;

ColumnLayout Fixed(const char* name, ColumnCode code, std::uint16_t length) {
  ColumnLayout c;
  c.name = name;
  c.code = code;
  c.length = length;
  c.flags = kSysFixed;
  return c;
}

ColumnLayout Variable(const char* name, ColumnCode code, std::uint16_t length,
                    std::uint8_t flags = kSysVariable) {
  ColumnLayout c;
  c.name = name;
  c.code = code;
  c.length = length;
  c.maxChars = static_cast<std::uint16_t>(length / 2);
  c.flags = flags;
  return c;
}

IndexLayout Index(const char* name, std::vector<std::uint16_t> columns, std::uint8_t flags,
                std::uint8_t logicalType) {
  return IndexLayout{name, std::move(columns), flags, logicalType};
}

SystemTable Make(std::string name, std::uint32_t page, std::vector<ColumnLayout> columns,
                 std::vector<IndexLayout> indexes) {
  SystemTable t;
  t.layout.name = std::move(name);
  t.layout.system = true;
  t.layout.columns = std::move(columns);
  t.layout.indexes = std::move(indexes);
  AssignPlacement(t.layout);
  t.tdefPage = page;
  return t;
}

const std::string kAdminUser(cat::kAdminUserSid, 2);
const std::string kEngine(cat::kEngineSid, 2);
const std::string kAdminsGroup(cat::kAdminsGroupSid, 2);
const std::string kUsersGroup(cat::kUsersGroupSid, 2);

constexpr std::int64_t kSystemFlag = static_cast<std::int32_t>(object_flag::kSystem);

std::vector<Value> ObjectRow(std::int64_t id, std::int64_t parent, const char* name, std::int64_t type,
                             const DateTime& created, const std::string& owner, std::int64_t flags) {
  std::vector<Value> row(17);
  row[0] = Value::Int(id);
  row[1] = Value::Int(parent);
  row[2] = Value::Text(name);
  row[3] = Value::Int(type);
  row[4] = Value::Date(created);
  row[5] = Value::Date(created);
  row[6] = Value::Binary(owner);
  row[7] = Value::Int(flags);
  return row;
}

std::vector<Value> AceRow(std::int64_t object, const std::string& sid, std::int64_t rights, bool inherit) {
  return {Value::Int(object), Value::Binary(sid), Value::Int(rights), Value::Bool(inherit)};
}

}  // namespace

std::vector<SystemTable> SystemTables() {
  std::vector<SystemTable> tables;
  tables.push_back(Make("MSysObjects", fixed_page::kCatalog,
                        {Fixed("Id", ColumnCode::kLong, 4), Fixed("ParentId", ColumnCode::kLong, 4),
                         Variable("Name", ColumnCode::kText, 510), Fixed("Type", ColumnCode::kInteger, 2),
                         Fixed("DateCreate", ColumnCode::kDateTime, 8),
                         Fixed("DateUpdate", ColumnCode::kDateTime, 8),
                         Variable("Owner", ColumnCode::kBinary, 510, kSysSecurityId),
                         Fixed("Flags", ColumnCode::kLong, 4), Variable("Database", ColumnCode::kMemo, 0),
                         Variable("Connect", ColumnCode::kMemo, 0),
                         Variable("ForeignName", ColumnCode::kText, 510),
                         Variable("RmtInfoShort", ColumnCode::kBinary, 510),
                         Variable("RmtInfoLong", ColumnCode::kOle, 0), Variable("Lv", ColumnCode::kOle, 0),
                         Variable("LvProp", ColumnCode::kOle, 0), Variable("LvModule", ColumnCode::kOle, 0),
                         Variable("LvExtra", ColumnCode::kOle, 0)},
                        {Index("Id", {0}, cat::kObjectsIndexFlags, logical_index::kPrimaryKey),
                         Index("ParentIdName", {1, 2}, cat::kObjectsIndexFlags, td::kLogicalIndexNormal)}));
  tables.push_back(Make("MSysACEs", 3,
                        {Fixed("ObjectId", ColumnCode::kLong, 4),
                         Variable("SID", ColumnCode::kBinary, 510, kSysSecurityId),
                         Fixed("ACM", ColumnCode::kLong, 4), Fixed("FInheritable", ColumnCode::kBoolean, 1)},
                        {Index("ObjectId", {0}, cat::kPermissionsIndexFlags, td::kLogicalIndexNormal)}));
  tables.push_back(Make("MSysQueries", 4,
                        {Fixed("ObjectId", ColumnCode::kLong, 4), Fixed("Attribute", ColumnCode::kByte, 1),
                         Variable("Order", ColumnCode::kBinary, 510), Variable("Name1", ColumnCode::kText, 510),
                         Variable("Name2", ColumnCode::kText, 510), Variable("Expression", ColumnCode::kMemo, 0),
                         Fixed("Flag", ColumnCode::kInteger, 2), Fixed("LvExtra", ColumnCode::kLong, 4)},
                        {Index("ObjectIdAttribute", {0, 1, 2}, cat::kQueriesIndexFlags, logical_index::kPrimaryKey)}));
  tables.push_back(Make("MSysRelationships", 5,
                        {Variable("szRelationship", ColumnCode::kText, 510), Fixed("grbit", ColumnCode::kLong, 4),
                         Fixed("ccolumn", ColumnCode::kLong, 4), Fixed("icolumn", ColumnCode::kLong, 4),
                         Variable("szObject", ColumnCode::kText, 510), Variable("szColumn", ColumnCode::kText, 510),
                         Variable("szReferencedObject", ColumnCode::kText, 510),
                         Variable("szReferencedColumn", ColumnCode::kText, 510)},
                        {Index("szObject", {4}, cat::kRelationshipsIndexFlags, td::kLogicalIndexNormal),
                         Index("szReferencedObject", {6}, cat::kRelationshipsIndexFlags, td::kLogicalIndexNormal),
                         Index("szRelationship", {0}, cat::kRelationshipsIndexFlags, td::kLogicalIndexNormal)}));
  return tables;
}

std::vector<std::vector<Value>> CatalogObjectRows(const std::vector<CatalogTable>& userTables,
                                                  const DateTime& created) {
  std::vector<std::vector<Value>> rows;
  rows.push_back(ObjectRow(cat::kTablesContainer, cat::kRootContainer, "Tables", object_type::kContainer, created,
                           kAdminUser, kSystemFlag));
  rows.push_back(ObjectRow(cat::kDatabasesContainer, cat::kRootContainer, "Databases", object_type::kContainer,
                           created, kAdminUser, kSystemFlag));
  rows.push_back(ObjectRow(cat::kRelationshipsContainer, cat::kRootContainer, "Relationships",
                           object_type::kContainer, created, kAdminUser, kSystemFlag));
  rows.push_back(ObjectRow(cat::kDatabaseObject, cat::kDatabasesContainer, "MSysDb", object_type::kDatabase, created,
                           kEngine, kSystemFlag));
  for (const auto& t : SystemTables()) {
    rows.push_back(ObjectRow(t.tdefPage, cat::kTablesContainer, t.layout.name.c_str(), object_type::kTable, created,
                             kAdminUser, kSystemFlag));
  }
  for (const auto& t : userTables) {
    rows.push_back(ObjectRow(t.tdefPage, cat::kTablesContainer, t.name.c_str(), object_type::kTable, created,
                             kAdminUser, 0));
  }
  return rows;
}

std::vector<std::vector<Value>> CatalogPermissionRows(const std::vector<CatalogTable>& userTables) {
  std::vector<std::vector<Value>> rows = {
      AceRow(2, kEngine, cat::kEngineReadRights, false),
      AceRow(3, kEngine, cat::kEngineReadRights, false),
      AceRow(4, kEngine, cat::kEngineReadRights, false),
      AceRow(5, kEngine, cat::kEngineRelationshipsRights, false),
      AceRow(cat::kTablesContainer, kUsersGroup, cat::kUsersTableRights, true),
      AceRow(cat::kTablesContainer, kEngine, cat::kEngineContainerRights, false),
      AceRow(cat::kRelationshipsContainer, kUsersGroup, cat::kUsersTableRights, true),
      AceRow(cat::kRelationshipsContainer, kEngine, cat::kEngineContainerRights, false),
      AceRow(cat::kDatabasesContainer, kEngine, cat::kEngineReadRights, false),
      AceRow(cat::kDatabaseObject, kEngine, cat::kEngineDatabaseRights, false),
      AceRow(cat::kDatabaseObject, kAdminsGroup, cat::kAdminsDatabaseRights, false),
      AceRow(4, kAdminsGroup, cat::kAdminsSystemTableRights, false),
      AceRow(5, kAdminsGroup, cat::kAdminsSystemTableRights, false),
      AceRow(2, kAdminsGroup, cat::kAdminsSystemTableRights, false),
      AceRow(cat::kTablesContainer, kAdminsGroup, cat::kFullRights, true),
      AceRow(cat::kRelationshipsContainer, kAdminsGroup, cat::kAllRights, true),
  };
  // A new table gets what the Tables container passes on, and its creator
  // full rights.
  for (const auto& t : userTables) {
    rows.push_back(AceRow(t.tdefPage, kAdminUser, cat::kFullRights, false));
    rows.push_back(AceRow(t.tdefPage, kAdminsGroup, cat::kFullRights, false));
    rows.push_back(AceRow(t.tdefPage, kUsersGroup, cat::kUsersTableRights, false));
  }
  return rows;
}

}  // namespace jet::writer
