// What the writer knows about the Jet 4 (Access 2000) file layout beyond
// jet/Format.h, which names every offset and flag the engine shares with the
// writer: the values Jet expects in a new file, the limits it keeps, the
// layout of long values and index keys, and Jet's own tables.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "jet/Format.h"

namespace jet::writer {
// The writer makes Jet 4 files only.
inline constexpr const Format& kFormat = Jet4Format();
}  // namespace jet::writer

namespace jet::layout {

inline constexpr std::size_t kPageSize = Jet4Format().page_size;
// Jet 4 files end at 2 GiB.
inline constexpr std::uint32_t kMaxPages = 0x80000000u / kPageSize;

// ---------------------------------------------------------------- page 0
// Header fields the engine does not read (offsets are from the page start).
namespace header {
inline constexpr std::size_t kCodePageOffset = 0x3c;  // in the masked region
inline constexpr std::uint16_t kCodePageWestern = 1252;
inline constexpr std::size_t kSortOrderOffset = 0x6e;  // in the masked region
inline constexpr std::uint16_t kSortOrderGeneral = 0x0409;
// Plain bytes after the masked region; Jet writes the same value here in
// every Jet 4 file seen.
inline constexpr std::size_t kAfterMaskOffset = 0x98;
inline constexpr std::uint32_t kAfterMaskValue = 0x0654;
inline constexpr std::size_t kVersionTextOffset = 0x9c;
inline constexpr char kVersionText[] = "4.0";
// The page's last 512 bytes: 16-bit words of unknown meaning, which a newly
// created Jet 4 database holds as 0x0101 followed by 0x0100s.
inline constexpr std::size_t kTrailerOffset = 0xe00;
inline constexpr std::uint16_t kTrailerFirst = 0x0101;
inline constexpr std::uint16_t kTrailerRest = 0x0100;
// Bytes 0x18..0x2f of a Jet-created file, unmasked (their meaning is unknown
// but Jet writes them the same in every file).
inline constexpr std::size_t kFixedPrologueOffset = 0x18;
inline constexpr std::array<std::uint8_t, 24> kFixedPrologue = {
    0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
    0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
}  // namespace header

// ------------------------------------------------------------ data pages
namespace data {
inline constexpr std::size_t kRowPointerSize = 2;
inline constexpr std::size_t kInitialFreeSpace = kPageSize - Jet4Format().data_row_table;
inline constexpr std::size_t kMaxRowsPerPage = 255;
inline constexpr std::size_t kMaxRowSize = 4060;
// In place of the owning table's definition page.
inline constexpr std::array<std::uint8_t, 4> kLongValueOwner = {'L', 'V', 'A', 'L'};
}  // namespace data

// ---------------------------------------------------------------- rows
namespace row {
inline constexpr std::size_t kVarOffsetSize = 2;
}  // namespace row

// ------------------------------------------------------- long values (memo)
namespace longvalue {
inline constexpr std::size_t kFieldSize = 12;  // the value stored in the row
inline constexpr std::uint8_t kInline = 0x80;
inline constexpr std::uint8_t kSingleRow = 0x40;
inline constexpr std::uint8_t kChain = 0x00;
inline constexpr std::size_t kMaxInlineSize = 64;
// Largest long-value row on an LVAL page; a chained row spends four of these
// bytes on the pointer to the next part.
inline constexpr std::size_t kMaxRowSize = 4076;
inline constexpr std::size_t kChainPointerSize = 4;
}  // namespace longvalue

// ----------------------------------------------------- table definitions
namespace tdef {
inline constexpr std::size_t kFreeSpaceOffset = 2;  // free space minus 8
inline constexpr std::size_t kMagicOffset = 12;
inline constexpr std::uint32_t kMagic = 1625;
inline constexpr std::size_t kAutoNumberFlagOffset = 24;
inline constexpr std::size_t kMaxIndexColumns = 10;
inline constexpr std::uint32_t kIndexMagic = 1923;
inline constexpr std::size_t kLongValueMapEntrySize = 10;
inline constexpr std::uint16_t kEndMarker = 0xffff;

// Offsets inside one column entry that the engine does not read.
namespace column {
inline constexpr std::size_t kMagic = 1;
inline constexpr std::size_t kNumberAgain = 9;
inline constexpr std::size_t kSortOrder = 11;  // or precision, scale
inline constexpr std::size_t kExtFlags = 16;
}  // namespace column

inline constexpr std::uint8_t kColumnExtCompressedText = 0x01;

inline constexpr std::uint8_t kIndexColumnAscending = 0x01;
inline constexpr std::uint8_t kIndexUnique = 0x01;
inline constexpr std::uint8_t kIndexIgnoreNulls = 0x02;
inline constexpr std::uint8_t kIndexRequired = 0x08;
inline constexpr std::uint8_t kIndexAlwaysSet = 0x80;

inline constexpr std::uint8_t kLogicalIndexNormal = 0x00;  // beside logical_index::kPrimaryKey
// Cascade bytes of an index that takes part in no relationship.
inline constexpr std::uint8_t kNoCascade = 0x04;
}  // namespace tdef

// Bytes a value of a fixed-size type takes in a row (0 for variable types;
// Yes/No values live in the null mask although the definition says 1).
constexpr std::uint16_t FixedSize(ColumnCode code) {
  switch (code) {
    case ColumnCode::kBoolean:
    case ColumnCode::kByte:
      return 1;
    case ColumnCode::kInteger:
      return 2;
    case ColumnCode::kLong:
    case ColumnCode::kSingle:
      return 4;
    case ColumnCode::kCurrency:
    case ColumnCode::kDouble:
    case ColumnCode::kDateTime:
      return 8;
    default:
      return 0;
  }
}

// ------------------------------------------------------------ usage maps
namespace usagemap {
inline constexpr std::size_t kInlineBitmapSize = 64;
inline constexpr std::size_t kRowSize = 69;  // both kinds of table maps
inline constexpr std::size_t kReferenceSlots = (kRowSize - usage_map::kIndirectPages) / 4;
inline constexpr std::size_t kPagesPerBitmapPage = (kPageSize - usage_map::kBitmapPageData) * 8;
// Page 1 names "table" 1 as its owner and keeps a second, empty map row.
inline constexpr std::uint32_t kGlobalMapOwner = 1;
}  // namespace usagemap

// ----------------------------------------------------------- index pages
namespace index {
inline constexpr std::size_t kEntrySpace = kPageSize - Jet4Format().index_first_entry;
inline constexpr std::size_t kRowPointerSize = 4;   // 3-byte page, 1-byte row
inline constexpr std::size_t kChildPointerSize = 4;
inline constexpr std::uint8_t kKeyAscending = 0x7f;
inline constexpr std::uint8_t kKeyNullAscending = 0x00;
// Text keys in the "General" (legacy) sort order.
inline constexpr std::uint8_t kTextEnd = 0x01;
inline constexpr std::uint8_t kTextExtraEnd = 0x00;
// Sort codes of the printable ASCII characters (0x20 to 0x7e) in that order.
// A value above 0xff stands for two code bytes; 0 marks a character that
// needs more than a plain code (such text is not supported in keys here).
inline constexpr char kFirstCodedChar = 0x20;
inline constexpr std::array<std::uint16_t, 95> kTextSortCodes = {
    0x0007, 0x0009, 0x000a, 0x000c, 0x000e, 0x0010, 0x0012, 0x0000,
    0x0014, 0x0016, 0x0018, 0x002c, 0x001a, 0x0000, 0x001c, 0x001e,
    0x0036, 0x0038, 0x003a, 0x003c, 0x003e, 0x0040, 0x0042, 0x0044,
    0x0046, 0x0048, 0x0020, 0x0022, 0x002e, 0x0030, 0x0032, 0x0024,
    0x0026, 0x004a, 0x004c, 0x004d, 0x004f, 0x0051, 0x0053, 0x0055,
    0x0057, 0x0059, 0x005b, 0x005c, 0x005e, 0x0060, 0x0062, 0x0064,
    0x0066, 0x0068, 0x0069, 0x006b, 0x006d, 0x006f, 0x0071, 0x0073,
    0x0075, 0x0076, 0x0078, 0x0027, 0x0029, 0x002a, 0x2b02, 0x2b03,
    0x2b07, 0x004a, 0x004c, 0x004d, 0x004f, 0x0051, 0x0053, 0x0055,
    0x0057, 0x0059, 0x005b, 0x005c, 0x005e, 0x0060, 0x0062, 0x0064,
    0x0066, 0x0068, 0x0069, 0x006b, 0x006d, 0x006f, 0x0071, 0x0073,
    0x0075, 0x0076, 0x0078, 0x2b09, 0x2b0b, 0x2b0d, 0x2b0f,
};
}  // namespace index

// ---------------------------------------------------------------- text
namespace text {
inline constexpr std::size_t kMaxCompressedChars = 1024;
}  // namespace text

// ------------------------------------------------------- catalog (MSysObjects)
namespace catalog {
inline constexpr std::int32_t kRootContainer = 0x0f000000;
inline constexpr std::int32_t kTablesContainer = 0x0f000001;
inline constexpr std::int32_t kDatabasesContainer = 0x0f000002;
inline constexpr std::int32_t kRelationshipsContainer = 0x0f000003;
inline constexpr std::int32_t kDatabaseObject = 0x10000000;

// Column flags of Jet's own tables: all marked replicated, the security
// identifiers with one more bit.
inline constexpr std::uint8_t kSystemFixedColumn = 0x13;
inline constexpr std::uint8_t kSystemVariableColumn = 0x12;
inline constexpr std::uint8_t kSystemSecurityIdColumn = 0x32;
// Index flags of Jet's own tables.
inline constexpr std::uint8_t kObjectsIndexFlags = 0x81;
inline constexpr std::uint8_t kPermissionsIndexFlags = 0x88;
inline constexpr std::uint8_t kQueriesIndexFlags = 0x81;
inline constexpr std::uint8_t kRelationshipsIndexFlags = 0x82;

// Security identifiers as Jet writes them in a database made without a
// workgroup of its own, and the rights it grants.
inline constexpr char kAdminUserSid[] = "\x06\xea";
inline constexpr char kEngineSid[] = "\x07\xe8";
inline constexpr char kAdminsGroupSid[] = "\x06\xe8";
inline constexpr char kUsersGroupSid[] = "\x06\xed";
inline constexpr std::int64_t kFullRights = 1048319;
inline constexpr std::int64_t kAllRights = 1048575;
inline constexpr std::int64_t kUsersTableRights = 983294;
inline constexpr std::int64_t kEngineReadRights = 393216;
inline constexpr std::int64_t kEngineContainerRights = 393217;
inline constexpr std::int64_t kEngineRelationshipsRights = 917504;
inline constexpr std::int64_t kEngineDatabaseRights = 393230;
inline constexpr std::int64_t kAdminsDatabaseRights = 14;
inline constexpr std::int64_t kAdminsSystemTableRights = 20;
}  // namespace catalog

}  // namespace jet::layout
