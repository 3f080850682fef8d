#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace jet::test {

namespace fs = std::filesystem;

// The folder of real Access databases, or empty when ../shared is absent.
fs::path FixtureDir();
std::vector<std::string> FixtureNames();  // file names, sorted

std::vector<std::uint8_t> ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes);

// A fresh directory, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }
  // Copies a fixture in, writable, under the same name.
  fs::path CopyFixture(const std::string& name) const;

 private:
  fs::path path_;
};

struct RunResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};
// Runs argv[0] found on PATH (or given as a path), without a shell. Line
// ends in the output are "\n", as a text-mode reader gets them on Windows too.
RunResult Run(const std::vector<std::string>& argv);
// The system's own words for a missing file, as the engine passes them on.
std::string NoSuchFileText();
bool OnPath(const std::string& program);

// Independent readers.
bool HaveMdbTools();
bool HaveMdbReader();
std::vector<std::string> MdbTables(const fs::path& file);  // user tables
// All rows of a table as mdb-export writes them, rows ended by a separator
// that no text in the fixtures contains.
std::string MdbExport(const fs::path& file, const std::string& table);
std::size_t CountExportedRows(const std::string& exported);
// {"table name" -> JSON text of that table} as mdb-reader reads the file.
std::map<std::string, std::string> MdbReaderTables(const fs::path& file);

}  // namespace jet::test
