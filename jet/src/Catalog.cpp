#include "Catalog.h"

#include "DataPage.h"
#include "Row.h"
#include "TableDef.h"
#include "Text.h"
#include "UsageMap.h"

namespace jet {

namespace {

bool StartsWithMSys(std::string_view name) {
  return name.size() >= 4 && SameName(name.substr(0, 4), "MSys");
}

struct CatalogColumns {
  const Column* id;
  const Column* parent_id;
  const Column* name;
  const Column* type;
  const Column* flags;
};

CatalogEntry ReadEntry(const Format& format, const TableDef& def, const CatalogColumns& columns,
                       std::span<const std::uint8_t> bytes, std::uint32_t page) {
  RowReader row(format, def, bytes, page);
  CatalogEntry entry;
  entry.id = ReadInteger(row, columns.id).value_or(0);
  entry.parent_id = ReadInteger(row, columns.parent_id).value_or(0);
  entry.type = ReadInteger(row, columns.type).value_or(0);
  entry.flags = static_cast<std::uint32_t>(ReadInteger(row, columns.flags).value_or(0));
  if (auto name = row.Value(*columns.name)) entry.name = DecodeText(*name, format.version);
  return entry;
}

}  // namespace

bool CatalogEntry::is_system() const {
  return (flags & kSystemObjectFlags) != 0 || StartsWithMSys(name);
}

Catalog Catalog::Read(const Pager& pager) {
  const Format& format = pager.format();
  const TableDef def = TableDef::Load(pager, kCatalogPage);
  const CatalogColumns columns{def.FindColumn("Id"), def.FindColumn("ParentId"), def.FindColumn("Name"),
                               def.FindColumn("Type"), def.FindColumn("Flags")};
  if (columns.id == nullptr || columns.name == nullptr || columns.type == nullptr) {
    throw Damaged("the catalog (MSysObjects) lacks its Id, Name or Type column");
  }
  Catalog catalog;
  ForEachDataPage(pager, def, [&](const Page& page, const DataPage& data) {
    for (std::uint32_t r = 0; r < data.row_count(); ++r) {
      if ((data.raw_slot(r) & row_flag::kDeleted) != 0) continue;
      const RowSlot slot = data.Slot(r);
      auto bytes = page.view().Slice(slot.start, slot.end - slot.start);
      if (!slot.overflow()) {
        catalog.entries_.push_back(ReadEntry(format, def, columns, bytes, page.number()));
        continue;
      }
      // The row moved: its slot keeps a pointer to where the data now is.
      const std::uint32_t pointer = Bytes(bytes, "row on page", page.number()).U32(0);
      const std::vector<std::uint8_t> moved = ReadRowAt(pager, pointer, "a moved catalog row");
      catalog.entries_.push_back(
          ReadEntry(format, def, columns, moved, RowPointer::FromRaw(pointer).page));
    }
  });
  return catalog;
}

const CatalogEntry* Catalog::FindTableLike(std::string_view name) const {
  for (const CatalogEntry& e : entries_) {
    if ((e.is_table() || e.is_linked() || e.is_query()) && SameName(e.name, name)) return &e;
  }
  return nullptr;
}

const CatalogEntry* Catalog::FindTableByPage(std::uint32_t page) const {
  for (const CatalogEntry& e : entries_) {
    if (e.is_table() && e.table_page() == page) return &e;
  }
  return nullptr;
}

}  // namespace jet
