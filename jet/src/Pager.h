#pragma once

#include <cstdint>
#include <vector>

#include "Bytes.h"
#include "PageCodec.h"
#include "jet/Env.h"
#include "jet/Format.h"

namespace jet {

// One page as read (and decoded) from the file.
class Page {
 public:
  Page() = default;
  Page(std::uint32_t number, std::vector<std::uint8_t> bytes)
      : number_(number), bytes_(std::move(bytes)) {}

  std::uint32_t number() const { return number_; }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::uint8_t type() const { return bytes_.empty() ? 0 : bytes_[0]; }
  Bytes view() const { return Bytes(bytes_, "page", number_); }

  std::uint8_t U8(std::size_t offset) const { return view().U8(offset); }
  std::uint16_t U16(std::size_t offset) const { return view().U16(offset); }
  std::uint32_t U32(std::size_t offset) const { return view().U32(offset); }

 private:
  std::uint32_t number_ = 0;
  std::vector<std::uint8_t> bytes_;
};

// Reads whole pages, refusing page numbers past the end of the file.
class Pager {
 public:
  Pager(File& file, const Format& format, PageCodec codec, std::uint32_t page_count)
      : file_(file), format_(format), codec_(codec), page_count_(page_count) {}

  const Format& format() const { return format_; }
  const PageCodec& codec() const { return codec_; }
  std::uint32_t page_count() const { return page_count_; }
  File& file() { return file_; }

  Page Read(std::uint32_t number) const;
  // The same, also checking the page's type byte.
  Page ReadTyped(std::uint32_t number, std::uint8_t type, const char* purpose) const;

  // Throws unless `number` names a page of the file. `from` says where the
  // number was found, for the error text.
  void CheckPageNumber(std::uint32_t number, const std::string& from) const;

  std::uint64_t pages_read() const { return pages_read_; }

 private:
  File& file_;
  const Format& format_;
  PageCodec codec_;
  std::uint32_t page_count_;
  mutable std::uint64_t pages_read_ = 0;
};

}  // namespace jet
