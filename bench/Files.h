// The benchmark's own file handling: copies made before a clock starts, the
// page cache emptied for a cold start, the space a run needs.
#pragma once

#include <cstdint>
#include <string>

namespace bench {

// Copies `from` to `to` and flushes the copy, so that a later measurement
// does not pay for writing it back.
void CopySynced(const std::string& from, const std::string& to);

// Flushes `path` and asks the kernel to forget its cached pages: the next
// read of the file comes from the disk (as far as the machine below allows).
void DropFromCache(const std::string& path);

// Flushes `path` (its data only).
void SyncFile(const std::string& path);

// Writes back everything dirty on the file system holding `path`, so that
// earlier steps' write-back does not land in a later step's time.
void SyncFileSystem(const std::string& path);

std::uint64_t FileSize(const std::string& path);
std::uint64_t FreeBytes(const std::string& folder);

}  // namespace bench
