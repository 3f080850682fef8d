#pragma once

// The four door-lock settings of Option.ini, held in memory for the settings
// dialog and moved to and from the file.

#include <cstdint>
#include <memory>
#include <string>

class TBaseItemsOption {
 public:
  explicit TBaseItemsOption(std::string fileName) : FileName(std::move(fileName)) {}

  // Reads the four keys; a missing file, section or key or an unreadable value
  // gives the key's default, and the file is never created.
  void LoadOptions();

  // Writes the four keys. A refused write raises "Unable to write to <FileName>";
  // keys written before it stay written.
  void SaveOptions();

  const std::string FileName;
  std::int32_t DelayMinutes = 0;
  std::int32_t DelayMinutes2 = 0;
  bool UseNativeDoorlockDb = false;
  bool SaveDoorlockRecord = false;
};

// The one option store, created and loaded at start-up; it lives until the
// process ends and is never saved automatically.
extern TBaseItemsOption* BaseItemsOption;

namespace BaseItemsOptionUnit {

inline constexpr const char* kSection = "DoorlockOption";
inline constexpr const char* kFileName = "Option.ini";

// Start-up step: the store for Option.ini in `applicationDirectory`, loaded.
void Initialization(const std::string& applicationDirectory);

}  // namespace BaseItemsOptionUnit
