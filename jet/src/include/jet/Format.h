#pragma once

// What the engine knows about the layout of Jet 3 (Access 97) and Jet 4
// (Access 2000-2003) files: every offset the engine reads or writes is named
// here, once per version. Offsets count bytes from the start of the page (or,
// for table definitions, from the start of the definition's first page, its
// continuation pages being appended without their 8-byte headers).

#include <array>
#include <cstdint>

namespace jet {

enum class JetVersion { kJet3, kJet4 };

namespace page_type {
inline constexpr std::uint8_t kHeader = 0x00;
inline constexpr std::uint8_t kData = 0x01;
inline constexpr std::uint8_t kTableDef = 0x02;
inline constexpr std::uint8_t kIndexNode = 0x03;
inline constexpr std::uint8_t kIndexLeaf = 0x04;
inline constexpr std::uint8_t kUsageMap = 0x05;
}  // namespace page_type

// Pages at the same place in every database.
namespace fixed_page {
inline constexpr std::uint32_t kHeader = 0;
inline constexpr std::uint32_t kGlobalUsageMap = 1;  // which pages of the file are free
inline constexpr std::uint32_t kCatalog = 2;         // the definition of MSysObjects
}  // namespace fixed_page

// Page 0. The same for both versions, except where Format says otherwise.
namespace header {
inline constexpr std::uint32_t kMagicOffset = 0;  // 00 01 00 00
inline constexpr std::array<std::uint8_t, 4> kMagic{0x00, 0x01, 0x00, 0x00};
inline constexpr std::uint32_t kEngineNameOffset = 4;
inline constexpr char kJetEngineName[] = "Standard Jet DB";  // followed by a zero byte
inline constexpr char kAceEngineName[] = "Standard ACE DB";
inline constexpr std::uint32_t kVersionOffset = 0x14;
inline constexpr std::uint8_t kVersionJet3 = 0x00;
inline constexpr std::uint8_t kVersionJet4 = 0x01;  // 0x02 and up: ACE (Access 2007+)
// From this offset on, a stretch of the header is masked with RC4 under a
// fixed key (length per version in Format::masked_header_size).
inline constexpr std::uint32_t kMaskedOffset = 0x18;
inline constexpr std::array<std::uint8_t, 4> kMaskKey{0xc7, 0xda, 0x39, 0x6b};
// Offsets into the unmasked header.
inline constexpr std::uint32_t kEncodingKeyOffset = 0x3e;  // 4 bytes; nonzero: pages are RC4-encoded
inline constexpr std::uint32_t kPasswordOffset = 0x42;
inline constexpr std::uint32_t kCreationDateOffset = 0x72;  // Jet 4: a double, masks the password
}  // namespace header

// Row offset table entries of data pages carry two flags above the offset.
namespace row_flag {
inline constexpr std::uint16_t kDeleted = 0x8000;
inline constexpr std::uint16_t kOverflow = 0x4000;  // the row holds a pointer to its data elsewhere
inline constexpr std::uint16_t kOffsetMask = 0x1fff;
}  // namespace row_flag

// A page and row packed in 4 bytes: row number in the low byte.
struct RowPointer {
  std::uint32_t page;
  std::uint32_t row;
  static RowPointer FromRaw(std::uint32_t raw) { return {raw >> 8, raw & 0xffu}; }
};

// A table definition longer than a page goes on in further pages, each
// starting with a header of this size that is not part of the definition.
namespace table_def {
inline constexpr std::uint32_t kContinuationHeader = 8;
}  // namespace table_def

// Column types as a column definition names them.
enum class ColumnCode : std::uint8_t {
  kBoolean = 0x01,
  kByte = 0x02,
  kInteger = 0x03,
  kLong = 0x04,
  kCurrency = 0x05,
  kSingle = 0x06,
  kDouble = 0x07,
  kDateTime = 0x08,
  kBinary = 0x09,
  kText = 0x0a,
  kOle = 0x0b,
  kMemo = 0x0c,
};

namespace column_flag {
inline constexpr std::uint8_t kFixed = 0x01;  // stored in the fixed part of a row
inline constexpr std::uint8_t kUpdatable = 0x02;
inline constexpr std::uint8_t kAutoNumber = 0x04;
inline constexpr std::uint8_t kReplication = 0x10;
}  // namespace column_flag

// Jet 4 text in its compressed form starts with these two bytes.
namespace compressed_text {
inline constexpr std::uint8_t kMark0 = 0xff;
inline constexpr std::uint8_t kMark1 = 0xfe;
}  // namespace compressed_text

// The Type column of MSysObjects.
namespace object_type {
inline constexpr std::int64_t kTable = 1;
inline constexpr std::int64_t kDatabase = 2;
inline constexpr std::int64_t kContainer = 3;
inline constexpr std::int64_t kLinkedOdbc = 4;
inline constexpr std::int64_t kQuery = 5;
inline constexpr std::int64_t kLinkedJet = 6;
}  // namespace object_type

// The Flags column of MSysObjects: Jet marks its own objects with either bit.
namespace object_flag {
inline constexpr std::uint32_t kSystem = 0x80000000u;
inline constexpr std::uint32_t kAltSystem = 0x00000002u;
}  // namespace object_flag

namespace table_type {
inline constexpr std::uint8_t kUser = 0x4e;
inline constexpr std::uint8_t kSystem = 0x53;
}  // namespace table_type

// Logical index kinds and the role of the table in a relationship.
namespace logical_index {
inline constexpr std::uint8_t kPrimaryKey = 0x01;
inline constexpr std::uint8_t kForeignKey = 0x02;
// In a foreign-key entry, kReferenced says this table is the one referred to.
inline constexpr std::uint8_t kReferenced = 0x01;
}  // namespace logical_index

// Usage maps: an inline bitmap, or a list of bitmap pages.
namespace usage_map {
inline constexpr std::uint8_t kInline = 0x00;
inline constexpr std::uint8_t kIndirect = 0x01;
inline constexpr std::uint32_t kInlineStartPage = 1;  // 4 bytes: page of bit 0
inline constexpr std::uint32_t kInlineBitmap = 5;
inline constexpr std::uint32_t kIndirectPages = 1;  // 4 bytes per bitmap page
inline constexpr std::uint32_t kBitmapPageData = 4;  // bitmap pages: bits start here
}  // namespace usage_map

struct Format {
  JetVersion version;
  const char* name;
  std::uint32_t page_size;

  // Header (page 0).
  std::uint32_t masked_header_size;
  std::uint32_t password_size;
  bool password_masked_by_date;

  // Data pages.
  std::uint32_t data_free_space;
  std::uint32_t data_owner;      // 4 bytes: table definition page
  std::uint32_t data_row_count;  // 2 bytes
  std::uint32_t data_row_table;  // 2 bytes per row
  std::uint32_t row_column_count_size;  // width of counts inside a row

  // Table definition.
  std::uint32_t tdef_next_page;
  std::uint32_t tdef_length;
  std::uint32_t tdef_row_count;
  std::uint32_t tdef_autonumber;
  std::uint32_t tdef_table_type;
  std::uint32_t tdef_max_columns;
  std::uint32_t tdef_var_column_count;
  std::uint32_t tdef_column_count;
  std::uint32_t tdef_index_count;       // logical indexes
  std::uint32_t tdef_real_index_count;  // physical indexes (B-trees)
  std::uint32_t tdef_owned_pages;       // row pointer to the usage map of data pages
  std::uint32_t tdef_free_pages;
  std::uint32_t tdef_block_end;  // physical index counters follow

  std::uint32_t real_index_counter_size;    // one per physical index
  std::uint32_t real_index_counter_entries;  // 4 bytes inside it: its entry count

  std::uint32_t column_size;
  std::uint32_t column_type;
  std::uint32_t column_number;
  std::uint32_t column_var_index;
  std::uint32_t column_flags;
  std::uint32_t column_fixed_offset;
  std::uint32_t column_length;

  std::uint32_t name_length_size;  // Jet 3: 1-byte lengths, bytes; Jet 4: 2-byte lengths, UCS-2

  std::uint32_t real_index_size;
  std::uint32_t real_index_root;  // 4 bytes: first page of the B-tree

  std::uint32_t logical_index_size;
  std::uint32_t logical_index_number;
  std::uint32_t logical_index_real;  // which physical index holds the entries
  std::uint32_t logical_index_rel_role;
  std::uint32_t logical_index_rel_index;
  std::uint32_t logical_index_rel_table;
  std::uint32_t logical_index_cascade_updates;
  std::uint32_t logical_index_cascade_deletes;
  std::uint32_t logical_index_type;

  // Index pages (nodes and leaves).
  std::uint32_t index_free_space;
  std::uint32_t index_owner;  // 4 bytes: table definition page
  std::uint32_t index_prev_page;
  std::uint32_t index_next_page;
  std::uint32_t index_tail_page;
  std::uint32_t index_prefix_length;
  std::uint32_t index_entry_mask;
  std::uint32_t index_entry_mask_size;
  std::uint32_t index_first_entry;  // = index_entry_mask + index_entry_mask_size
};

// The tables are constants so that buffers and records can be sized by them.
inline constexpr Format kJet3Format{
    .version = JetVersion::kJet3,
    .name = "Jet 3 (Access 97)",
    .page_size = 2048,
    .masked_header_size = 126,
    .password_size = 20,
    .password_masked_by_date = false,
    .data_free_space = 2,
    .data_owner = 4,
    .data_row_count = 8,
    .data_row_table = 10,
    .row_column_count_size = 1,
    .tdef_next_page = 4,
    .tdef_length = 8,
    .tdef_row_count = 12,
    .tdef_autonumber = 16,
    .tdef_table_type = 20,
    .tdef_max_columns = 21,
    .tdef_var_column_count = 23,
    .tdef_column_count = 25,
    .tdef_index_count = 27,
    .tdef_real_index_count = 31,
    .tdef_owned_pages = 35,
    .tdef_free_pages = 39,
    .tdef_block_end = 43,
    .real_index_counter_size = 8,
    .real_index_counter_entries = 4,
    .column_size = 18,
    .column_type = 0,
    .column_number = 1,
    .column_var_index = 3,
    .column_flags = 13,
    .column_fixed_offset = 14,
    .column_length = 16,
    .name_length_size = 1,
    .real_index_size = 39,
    .real_index_root = 34,
    .logical_index_size = 20,
    .logical_index_number = 0,
    .logical_index_real = 4,
    .logical_index_rel_role = 8,
    .logical_index_rel_index = 9,
    .logical_index_rel_table = 13,
    .logical_index_cascade_updates = 17,
    .logical_index_cascade_deletes = 18,
    .logical_index_type = 19,
    .index_free_space = 2,
    .index_owner = 4,
    .index_prev_page = 8,
    .index_next_page = 12,
    .index_tail_page = 16,
    .index_prefix_length = 20,
    .index_entry_mask = 22,
    .index_entry_mask_size = 226,
    .index_first_entry = 248,
};

inline constexpr Format kJet4Format{
    .version = JetVersion::kJet4,
    .name = "Jet 4 (Access 2000-2003)",
    .page_size = 4096,
    .masked_header_size = 128,
    .password_size = 40,
    .password_masked_by_date = true,
    .data_free_space = 2,
    .data_owner = 4,
    .data_row_count = 12,
    .data_row_table = 14,
    .row_column_count_size = 2,
    .tdef_next_page = 4,
    .tdef_length = 8,
    .tdef_row_count = 16,
    .tdef_autonumber = 20,
    .tdef_table_type = 40,
    .tdef_max_columns = 41,
    .tdef_var_column_count = 43,
    .tdef_column_count = 45,
    .tdef_index_count = 47,
    .tdef_real_index_count = 51,
    .tdef_owned_pages = 55,
    .tdef_free_pages = 59,
    .tdef_block_end = 63,
    .real_index_counter_size = 12,
    .real_index_counter_entries = 4,
    .column_size = 25,
    .column_type = 0,
    .column_number = 5,
    .column_var_index = 7,
    .column_flags = 15,
    .column_fixed_offset = 21,
    .column_length = 23,
    .name_length_size = 2,
    .real_index_size = 52,
    .real_index_root = 38,
    .logical_index_size = 28,
    .logical_index_number = 4,
    .logical_index_real = 8,
    .logical_index_rel_role = 12,
    .logical_index_rel_index = 13,
    .logical_index_rel_table = 17,
    .logical_index_cascade_updates = 21,
    .logical_index_cascade_deletes = 22,
    .logical_index_type = 23,
    .index_free_space = 2,
    .index_owner = 4,
    .index_prev_page = 12,
    .index_next_page = 16,
    .index_tail_page = 20,
    .index_prefix_length = 24,
    .index_entry_mask = 27,
    .index_entry_mask_size = 453,
    .index_first_entry = 480,
};

static_assert(kJet3Format.index_entry_mask + kJet3Format.index_entry_mask_size == kJet3Format.index_first_entry);
static_assert(kJet4Format.index_entry_mask + kJet4Format.index_entry_mask_size == kJet4Format.index_first_entry);


constexpr const Format& Jet3Format() { return kJet3Format; }
constexpr const Format& Jet4Format() { return kJet4Format; }
constexpr const Format& FormatFor(JetVersion version) {
  return version == JetVersion::kJet3 ? kJet3Format : kJet4Format;
}

}  // namespace jet
