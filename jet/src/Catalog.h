#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Pager.h"
#include "jet/Format.h"

namespace jet {

inline constexpr std::uint32_t kSystemObjectFlags = object_flag::kSystem | object_flag::kAltSystem;

struct CatalogEntry {
  std::int64_t id = 0;
  std::int64_t parent_id = 0;
  std::string name;
  std::int64_t type = 0;
  std::uint32_t flags = 0;

  // A local table's definition page is the low three bytes of its id.
  std::uint32_t table_page() const { return static_cast<std::uint32_t>(id) & 0xffffffu; }
  bool is_table() const { return type == object_type::kTable; }
  bool is_linked() const { return type == object_type::kLinkedJet || type == object_type::kLinkedOdbc; }
  bool is_query() const { return type == object_type::kQuery; }
  bool is_system() const;
};

// The rows of MSysObjects, whose definition is always on page 2.
class Catalog {
 public:
  static constexpr std::uint32_t kCatalogPage = fixed_page::kCatalog;

  static Catalog Read(const Pager& pager);

  const std::vector<CatalogEntry>& entries() const { return entries_; }
  // A table, query or linked table of that name, any letter case.
  const CatalogEntry* FindTableLike(std::string_view name) const;
  const CatalogEntry* FindTableByPage(std::uint32_t page) const;

 private:
  std::vector<CatalogEntry> entries_;
};

}  // namespace jet
