// The kept inputs of the INI fuzz harness (seeds, and inputs that once broke
// the reader) run through it in the ordinary test run.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace winapi::fuzz {
int ReadAndEditProfile(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

TEST(ProfileFuzzReplay, KeptInputsPass) {
  std::vector<fs::path> files;
  for (const char* folder : {"seeds", "regressions"}) {
    const fs::path dir = fs::path(TARVEX_PROFILE_FUZZ_DIR) / folder;
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir)) {
      if (entry.is_regular_file() && entry.path().filename() != "README.md") files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty()) << "the seeds are missing";
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    std::ifstream in(file, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(ReadAndEditProfile(bytes.data(), bytes.size()), 0);
  }
}

}  // namespace
}  // namespace winapi::fuzz
