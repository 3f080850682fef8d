// The system tables Jet creates in every database and the rows it keeps in
// them: the catalog MSysObjects, the permissions in MSysACEs, and the empty
// MSysQueries and MSysRelationships.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "TableLayout.h"
#include "Value.h"

namespace jet::writer {

struct CatalogTable {
  std::string name;
  std::uint32_t tdefPage = 0;
};

struct SystemTable {
  TableLayout layout;
  std::uint32_t tdefPage = 0;
};

// In the order of their definition pages, 2 to 5.
std::vector<SystemTable> SystemTables();

std::vector<std::vector<Value>> CatalogObjectRows(const std::vector<CatalogTable>& userTables,
                                                  const DateTime& created);
std::vector<std::vector<Value>> CatalogPermissionRows(const std::vector<CatalogTable>& userTables);

}  // namespace jet::writer
