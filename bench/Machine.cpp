#include "Machine.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace bench {

namespace {

// The value of the first "key : value" line of `path` whose key is `key`.
std::string Field(const std::string& path, const std::string& key) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string name = line.substr(0, colon);
    name.erase(name.find_last_not_of(" \t") + 1);
    if (name != key) continue;
    const auto start = line.find_first_not_of(" \t", colon + 1);
    return start == std::string::npos ? "" : line.substr(start);
  }
  return "";
}

std::string Memory() {
  std::istringstream kib(Field("/proc/meminfo", "MemTotal"));
  double value = 0;
  kib >> value;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f GiB", value / (1024.0 * 1024.0));
  return text;
}

// The mount holding `folder`: the longest mount point that is a prefix of it.
std::string Disk(const std::string& folder) {
  const std::string path = std::filesystem::weakly_canonical(folder).string();
  std::ifstream mounts("/proc/mounts");
  std::string device, point, type, options, best_device, best_point, best_type;
  std::string rest;
  while (mounts >> device >> point >> type >> options && std::getline(mounts, rest)) {
    const bool inside = path.compare(0, point.size(), point) == 0 &&
                        (point == "/" || path.size() == point.size() || path[point.size()] == '/');
    if (inside && point.size() >= best_point.size()) {
      best_device = device;
      best_point = point;
      best_type = type;
    }
  }
  std::string text = best_device + ", " + best_type + " mounted on " + best_point;
  const std::string name = std::filesystem::path(best_device).filename().string();
  std::ifstream rotational("/sys/block/" + name + "/queue/rotational");
  int spins = -1;
  if (rotational >> spins) text += spins != 0 ? ", reported as rotational" : ", reported as non-rotational";
  return text;
}

}  // namespace

Machine DescribeMachine(const std::string& scratch_folder) {
  Machine m;
  m.cpu = Field("/proc/cpuinfo", "model name");
  m.cores = static_cast<unsigned>(::sysconf(_SC_NPROCESSORS_ONLN));
  m.memory = Memory();
  m.disk = Disk(scratch_folder);
  utsname names{};
  if (::uname(&names) == 0) m.kernel = std::string(names.sysname) + " " + names.release;
  return m;
}

}  // namespace bench
