#pragma once

// The only file access of the profile functions. Everything the operating
// system does for them (reading, locking, flushing, renaming, permission
// checks) sits behind these two calls, one implementation per system:
// FileSystemPosix.cpp and FileSystemWin32.cpp. Paths are UTF-8; on Windows
// they go to the system's wide calls as UTF-16.

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace winapi::fs {

// The whole file, or nothing when it cannot be read (missing, a folder, no
// permission). Never creates anything.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Receives the current contents (nothing when the file does not exist yet) and
// returns the new contents, or nothing to leave the file as it is.
using Editor = std::function<std::optional<std::string>(const std::optional<std::string>& current)>;

// How long a save waits for another save of the same file to finish.
inline constexpr std::chrono::milliseconds kDefaultLockWait{3000};

// Read-modify-write of one file, safe against crashes and against other savers:
//  - an exclusive lock is held from the read to the replacement, so
//    concurrent saves (threads or processes) follow one another instead of
//    overwriting each other's keys; when the lock is not had within lockWait
//    the save is refused. On POSIX systems it is a lock on the file; Windows
//    will not rename over a file that is open, so there it is a machine-wide
//    mutex named after the file's full path;
//  - the new contents go to a temporary file in the same folder, are flushed
//    to the disk and renamed over the original, which keeps its permission
//    bits (on Windows its attributes and access list); a crash leaves the old
//    file or the new one, never a mix;
//  - a file without any write permission bit (on Windows, with the read-only
//    attribute) is read-only for every user, whatever the process may be
//    allowed; on POSIX systems so is a folder without write bits.
// Returns false when the save was refused; the file is then left as it was.
// A file that did not exist and that the editor leaves alone is not created.
bool EditFile(const std::string& path, const Editor& edit,
              std::chrono::milliseconds lockWait = kDefaultLockWait);

}  // namespace winapi::fs
