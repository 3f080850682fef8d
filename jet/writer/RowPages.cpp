#include "RowPages.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace jet::writer {

namespace dp = layout::data;

std::array<std::uint8_t, 4> OwnerTable(std::uint32_t tdefPage) {
  std::array<std::uint8_t, 4> owner{};
  PutLE32(owner.data(), tdefPage);
  return owner;
}

RowPageWriter::RowPageWriter(PageStore& store, std::array<std::uint8_t, 4> owner)
    : store_(store), owner_(owner) {}

std::size_t RowPageWriter::freeSpace() const {
  return dataStart_ - (kFormat.data_row_table + rows_ * dp::kRowPointerSize);
}

void RowPageWriter::startPage() {
  buffer_.fill(0);
  buffer_[0] = page_type::kData;
  buffer_[1] = 0x01;
  std::memcpy(buffer_.data() + kFormat.data_owner, owner_.data(), owner_.size());
  page_ = store_.allocate();
  pages_.push_back(page_);
  open_ = true;
  rows_ = 0;
  dataStart_ = layout::kPageSize;
}

RowId RowPageWriter::add(const std::uint8_t* row, std::size_t size) {
  if (!Fits(size)) throw std::logic_error("row larger than a page");
  if (open_ && (rows_ == dp::kMaxRowsPerPage || freeSpace() < size + dp::kRowPointerSize)) flush();
  if (!open_) startPage();
  dataStart_ -= size;
  std::memcpy(buffer_.data() + dataStart_, row, size);
  PutLE16(buffer_.data() + kFormat.data_row_table + rows_ * dp::kRowPointerSize,
          static_cast<std::uint32_t>(dataStart_));
  RowId id{page_, static_cast<std::uint8_t>(rows_)};
  ++rows_;
  return id;
}

void RowPageWriter::flush() {
  if (!open_) return;
  PutLE16(buffer_.data() + kFormat.data_free_space, static_cast<std::uint32_t>(freeSpace()));
  PutLE16(buffer_.data() + kFormat.data_row_count, rows_);
  store_.write(page_, buffer_.data());
  lastPage_ = page_;
  lastFree_ = freeSpace();
  open_ = false;
}

std::vector<std::uint32_t> RowPageWriter::pagesWithFreeSpace() const {
  // Only the last page can have room: every earlier one was closed because
  // the next row did not fit. A nearly full last page is left out, as Jet
  // would not try to put a row there either.
  std::vector<std::uint32_t> result;
  const std::uint32_t last = open_ ? page_ : lastPage_;
  const std::size_t free = open_ ? freeSpace() : lastFree_;
  if (!pages_.empty() && free >= 64 && rows_ < dp::kMaxRowsPerPage) result.push_back(last);
  return result;
}

}  // namespace jet::writer
