#include "Transaction.h"

#include <string>
#include <vector>

#include "jet/Error.h"

namespace jet {

void Transaction::Write(std::uint32_t page, std::uint32_t offset, std::span<const std::uint8_t> bytes) {
  if (page == 0 || offset > format_.page_size || bytes.size() > format_.page_size - offset) {
    // A fault of the engine, never of the file: the plan checked every field.
    throw std::logic_error("page write outside its page: page " + std::to_string(page));
  }
  std::vector<std::uint8_t> stored(bytes.begin(), bytes.end());
  codec_.Apply(page, offset, stored);
  file_.Write(static_cast<std::uint64_t>(page) * format_.page_size + offset, stored);
  ++writes_;
  bytes_written_ += stored.size();
}

void Transaction::Commit() { file_.Sync(); }

}  // namespace jet
