// Creates sample databases from the command line, for the tests and the
// benchmarks:
//   tarvex-jet-writer create-sample FILE [--rooms N] [--no-memos]
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

#include "writer/SampleDatabase.h"

namespace {

int Usage() {
  std::cerr << "usage: tarvex-jet-writer create-sample FILE [--rooms N] [--no-memos]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || std::string(argv[1]) != "create-sample") return Usage();
  jet::writer::RoomDatabaseOptions options;
  const std::string path = argv[2];
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--rooms" && i + 1 < argc) {
      char* end = nullptr;
      const long n = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || n < 0 || n > 50000000) return Usage();
      options.rooms = static_cast<int>(n);
    } else if (arg == "--no-memos") {
      options.memoValues = false;
    } else {
      return Usage();
    }
  }
  try {
    jet::writer::CreateRoomDatabase(path, options);
  } catch (const std::exception& e) {
    std::cerr << "tarvex-jet-writer: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
