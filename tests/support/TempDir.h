#pragma once

// A fresh folder under the system's temporary folder, removed with everything in
// it when the test ends.

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace testing_support {

class TempDir {
 public:
  // create_directory says whether it made the folder, so two tests never share one.
  TempDir() {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    do {
      std::ostringstream name;
      name << "tarvex-test-" << std::hex << random() << random();
      path_ = base / name.str();
    } while (!std::filesystem::create_directory(path_));
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The folder with a trailing separator, as the application directory is.
  std::string Directory() const { return path_.string() + "/"; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace testing_support
