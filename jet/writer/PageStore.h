// Hands out page numbers in file order and writes finished pages.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "FileEnv.h"
#include "Jet4Layout.h"

namespace jet::writer {

class PageStore {
 public:
  explicit PageStore(PageFile& file) : file_(file) {}
  PageStore(const PageStore&) = delete;
  PageStore& operator=(const PageStore&) = delete;

  std::uint32_t allocate() {
    if (next_ >= layout::kMaxPages) throw std::runtime_error("database would exceed 2 GB");
    return next_++;
  }
  void write(std::uint32_t page, const std::uint8_t* data) { file_.writePage(page, data); }
  std::uint32_t pageCount() const { return next_; }

 private:
  PageFile& file_;
  std::uint32_t next_ = 0;
};

}  // namespace jet::writer
