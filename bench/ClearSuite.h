// Clearing T_Room with the engine beside the two things it is judged against:
// copying the same file once (the disk's own pace) and mdb-export reading the
// whole table.
#pragma once

#include <string>

#include "Results.h"

namespace bench {

struct ClearOptions {
  std::string scratch;  // folder for the working copies
  int runs = 5;         // per operation; the median is reported
  bool cold_too = false;  // also measure clear and copy with the file out of the page cache
  bool export_too = true;
};

// Measures the operations on `database` (left unchanged), a sample made by
// the writer with `rows` rooms.
ClearCase MeasureClearCase(const std::string& database, int rows, bool memos, const ClearOptions& options);

}  // namespace bench
