#include "BaseItemsOptionUnit.h"

#include "inifiles/IniFiles.h"

TBaseItemsOption* BaseItemsOption = nullptr;

namespace {
std::unique_ptr<TBaseItemsOption> instance;
}

void TBaseItemsOption::LoadOptions() {
  using BaseItemsOptionUnit::kSection;
  inifiles::TIniFile ini(FileName);
  DelayMinutes = ini.ReadInteger(kSection, "DelayMinutes", 0);
  DelayMinutes2 = ini.ReadInteger(kSection, "DelayMinutes2", 0);
  UseNativeDoorlockDb = ini.ReadBool(kSection, "UseNativeDoorlockDb", true);
  SaveDoorlockRecord = ini.ReadBool(kSection, "SaveDoorlockRecord", false);
}

void TBaseItemsOption::SaveOptions() {
  using BaseItemsOptionUnit::kSection;
  inifiles::TIniFile ini(FileName);
  ini.WriteInteger(kSection, "DelayMinutes", DelayMinutes);
  ini.WriteInteger(kSection, "DelayMinutes2", DelayMinutes2);
  ini.WriteBool(kSection, "UseNativeDoorlockDb", UseNativeDoorlockDb);
  ini.WriteBool(kSection, "SaveDoorlockRecord", SaveDoorlockRecord);
}

namespace BaseItemsOptionUnit {

void Initialization(const std::string& applicationDirectory) {
  instance = std::make_unique<TBaseItemsOption>(applicationDirectory + kFileName);
  BaseItemsOption = instance.get();
  BaseItemsOption->LoadOptions();
}

}  // namespace BaseItemsOptionUnit
