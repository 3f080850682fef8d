#include "Pager.h"

#include <string>

namespace jet {

void Pager::CheckPageNumber(std::uint32_t number, const std::string& from) const {
  // Page 0 is the header: no structure ever points at it.
  if (number == 0 || number >= page_count_) {
    throw Damaged(from + " names page " + std::to_string(number) + ", but the file has " +
                  std::to_string(page_count_) + " pages");
  }
}

Page Pager::Read(std::uint32_t number) const {
  if (number >= page_count_) {
    throw Damaged("page " + std::to_string(number) + " lies past the end of the file (" +
                  std::to_string(page_count_) + " pages)");
  }
  std::vector<std::uint8_t> bytes(format_.page_size);
  file_.Read(static_cast<std::uint64_t>(number) * format_.page_size, bytes);
  codec_.Apply(number, 0, bytes);
  ++pages_read_;
  return Page(number, std::move(bytes));
}

Page Pager::ReadTyped(std::uint32_t number, std::uint8_t type, const char* purpose) const {
  Page page = Read(number);
  if (page.type() != type) {
    throw Damaged("page " + std::to_string(number) + " should hold " + purpose +
                  " but is of type " + std::to_string(page.type()));
  }
  return page;
}

}  // namespace jet
