#include <algorithm>
#include <cstdlib>
#include <vector>

#include "Bytes.h"
#include "Harnesses.h"
#include "Journal.h"
#include "jet/Error.h"

namespace jet::fuzz {

namespace {

constexpr char kPath[] = "fuzz.mdb";
constexpr std::size_t kPageSize = 4096;
constexpr std::size_t kPages = 8;

void Require(bool promise) {
  if (!promise) std::abort();
}

void PutU64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint64_t U64(const std::uint8_t* p) {
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(p[i]) << (8 * i);
  return v;
}

// Sets both checksums as the writer would, so that mutations of the header
// fields and entries get past them.
void MakeChecksumsRight(std::vector<std::uint8_t>& journal) {
  if (journal.size() < journal::kHeaderSize) return;
  const std::uint64_t body = journal.size() - journal::kHeaderSize;
  const std::uint64_t length = std::min(U64(&journal[32]), body);
  Crc64 entries;
  entries.Update(std::span<const std::uint8_t>(journal).subspan(journal::kHeaderSize, length));
  PutU64(&journal[40], entries.value());
  Crc64 header;
  header.Update(std::span<const std::uint8_t>(journal).first(56));
  PutU64(&journal[56], header.value());
}

}  // namespace

int RecoverJournal(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::vector<std::uint8_t> journal(data + 1, data + size);
  if ((data[0] & 1u) != 0) MakeChecksumsRight(journal);

  std::vector<std::uint8_t> database(kPageSize * kPages);
  for (std::size_t i = 0; i < database.size(); ++i) database[i] = static_cast<std::uint8_t>(i % 251);
  MemEnv env;
  env.Put(kPath, database);
  env.Put(JournalPath(kPath), journal);
  auto file = env.Open(kPath, Access::kReadWrite);
  try {
    const Recovery done = jet::RecoverJournal(env, kPath, *file);
    Require(!env.Exists(JournalPath(kPath)));
    Require(env.Get(kPath).size() == database.size());
    if (done != Recovery::kRolledBack) Require(env.Get(kPath) == database);
  } catch (const Error& e) {
    Require(e.code() == Error::Code::kDamaged);
    Require(env.Get(kPath) == database);
    Require(env.Exists(JournalPath(kPath)));
  }
  return 0;
}

}  // namespace jet::fuzz

#ifdef TARVEX_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return jet::fuzz::RecoverJournal(data, size);
}
#endif
