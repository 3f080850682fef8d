// Everything the writer knows about the Jet 4 (Access 2000) file layout:
// page types, field offsets and the constants Jet expects. Kept in one place
// so that it can be shared with the page-level reader later.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace jet::layout {

inline constexpr std::size_t kPageSize = 4096;
// Jet 4 files end at 2 GiB.
inline constexpr std::uint32_t kMaxPages = 0x80000000u / kPageSize;

// First byte of every page.
enum class PageType : std::uint8_t {
  kDatabaseDefinition = 0x00,
  kData = 0x01,
  kTableDefinition = 0x02,
  kIndexNode = 0x03,
  kIndexLeaf = 0x04,
  kUsageBitmap = 0x05,
};

// Fixed pages of every database.
inline constexpr std::uint32_t kHeaderPage = 0;
inline constexpr std::uint32_t kGlobalUsageMapPage = 1;
inline constexpr std::uint32_t kCatalogTdefPage = 2;  // MSysObjects

// ---------------------------------------------------------------- page 0
namespace header {
inline constexpr std::size_t kMagicOffset = 0x00;  // 00 01 00 00
inline constexpr std::size_t kFormatIdOffset = 0x04;
inline constexpr char kFormatId[] = "Standard Jet DB";  // NUL-terminated
inline constexpr std::size_t kVersionOffset = 0x14;
inline constexpr std::uint8_t kVersionJet4 = 0x01;
// The region [0x18, 0x98) is stored XORed with an RC4 key stream.
inline constexpr std::size_t kMaskedOffset = 0x18;
inline constexpr std::size_t kMaskedSize = 128;
inline constexpr std::array<std::uint8_t, 4> kMaskKey = {0xc7, 0xda, 0x39, 0x6b};
// Fields inside the masked region (offsets are from the page start).
inline constexpr std::size_t kCodePageOffset = 0x3c;
inline constexpr std::uint16_t kCodePageWestern = 1252;
inline constexpr std::size_t kEncryptionKeyOffset = 0x3e;  // 0: not encrypted
inline constexpr std::size_t kPasswordOffset = 0x42;
inline constexpr std::size_t kPasswordSize = 40;
inline constexpr std::size_t kSortOrderOffset = 0x6e;
inline constexpr std::uint16_t kSortOrderGeneral = 0x0409;
inline constexpr std::size_t kCreationDateOffset = 0x72;
// Plain bytes after the masked region; Jet writes the same value here in
// every Jet 4 file seen.
inline constexpr std::size_t kAfterMaskOffset = 0x98;
inline constexpr std::uint32_t kAfterMaskValue = 0x0654;
inline constexpr std::size_t kEngineNameOffset = 0x9c;
// The page's last 512 bytes: 16-bit words of unknown meaning, which a newly
// created Jet 4 database holds as 0x0101 followed by 0x0100s.
inline constexpr std::size_t kTrailerOffset = 0xe00;
inline constexpr std::uint16_t kTrailerFirst = 0x0101;
inline constexpr std::uint16_t kTrailerRest = 0x0100;
inline constexpr char kEngineName[] = "4.0";
// Bytes 0x18..0x2f of a Jet-created file, unmasked (their meaning is unknown
// but Jet writes them the same in every file).
inline constexpr std::size_t kFixedPrologueOffset = 0x18;
inline constexpr std::array<std::uint8_t, 24> kFixedPrologue = {
    0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
    0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
}  // namespace header

// ------------------------------------------------------------ data pages
namespace data {
inline constexpr std::size_t kFreeSpaceOffset = 2;
inline constexpr std::size_t kOwnerOffset = 4;  // tdef page, or "LVAL"
inline constexpr std::size_t kRowCountOffset = 12;
inline constexpr std::size_t kRowTableOffset = 14;
inline constexpr std::size_t kRowPointerSize = 2;
inline constexpr std::size_t kInitialFreeSpace = kPageSize - kRowTableOffset;
inline constexpr std::size_t kMaxRowsPerPage = 255;
inline constexpr std::size_t kMaxRowSize = 4060;
inline constexpr std::array<std::uint8_t, 4> kLongValueOwner = {'L', 'V', 'A', 'L'};
}  // namespace data

// ---------------------------------------------------------------- rows
namespace row {
inline constexpr std::size_t kColumnCountSize = 2;
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
inline constexpr std::size_t kNextPageOffset = 4;
inline constexpr std::size_t kContinuationHeaderSize = 8;
inline constexpr std::size_t kLengthOffset = 8;
inline constexpr std::size_t kMagicOffset = 12;
inline constexpr std::uint32_t kMagic = 1625;
inline constexpr std::size_t kRowCountOffset = 16;
inline constexpr std::size_t kAutoNumberOffset = 20;
inline constexpr std::size_t kAutoNumberFlagOffset = 24;
inline constexpr std::size_t kTableTypeOffset = 40;
inline constexpr std::uint8_t kTypeUser = 0x4e;
inline constexpr std::uint8_t kTypeSystem = 0x53;
inline constexpr std::size_t kMaxColumnsOffset = 41;
inline constexpr std::size_t kVarColumnsOffset = 43;
inline constexpr std::size_t kColumnsOffset = 45;
inline constexpr std::size_t kLogicalIndexesOffset = 47;
inline constexpr std::size_t kRealIndexesOffset = 51;
inline constexpr std::size_t kOwnedPagesMapOffset = 55;
inline constexpr std::size_t kFreePagesMapOffset = 59;
inline constexpr std::size_t kHeaderSize = 63;
inline constexpr std::size_t kRealIndexCountEntrySize = 12;
inline constexpr std::size_t kColumnEntrySize = 25;
inline constexpr std::size_t kRealIndexEntrySize = 52;
inline constexpr std::size_t kLogicalIndexEntrySize = 28;
inline constexpr std::size_t kMaxIndexColumns = 10;
inline constexpr std::uint32_t kIndexMagic = 1923;
inline constexpr std::size_t kLongValueMapEntrySize = 10;
inline constexpr std::uint16_t kEndMarker = 0xffff;

// Offsets inside one column entry.
namespace column {
inline constexpr std::size_t kType = 0;
inline constexpr std::size_t kMagic = 1;
inline constexpr std::size_t kNumber = 5;
inline constexpr std::size_t kVarIndex = 7;
inline constexpr std::size_t kNumberAgain = 9;
inline constexpr std::size_t kSortOrder = 11;  // or precision, scale
inline constexpr std::size_t kFlags = 15;
inline constexpr std::size_t kExtFlags = 16;
inline constexpr std::size_t kFixedOffset = 21;
inline constexpr std::size_t kLength = 23;
}  // namespace column

inline constexpr std::uint8_t kColumnFixed = 0x01;
inline constexpr std::uint8_t kColumnUpdatable = 0x02;
inline constexpr std::uint8_t kColumnAutoNumber = 0x04;
inline constexpr std::uint8_t kColumnReplication = 0x10;
inline constexpr std::uint8_t kColumnExtCompressedText = 0x01;

inline constexpr std::uint8_t kIndexColumnAscending = 0x01;
inline constexpr std::uint8_t kIndexUnique = 0x01;
inline constexpr std::uint8_t kIndexIgnoreNulls = 0x02;
inline constexpr std::uint8_t kIndexRequired = 0x08;
inline constexpr std::uint8_t kIndexAlwaysSet = 0x80;

inline constexpr std::uint8_t kLogicalIndexNormal = 0x00;
inline constexpr std::uint8_t kLogicalIndexPrimary = 0x01;
// Cascade bytes of an index that takes part in no relationship.
inline constexpr std::uint8_t kNoCascade = 0x04;
}  // namespace tdef

// Column type codes.
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
inline constexpr std::uint8_t kInline = 0x00;
inline constexpr std::uint8_t kReference = 0x01;
inline constexpr std::size_t kInlineStartOffset = 1;
inline constexpr std::size_t kInlineBitmapOffset = 5;
inline constexpr std::size_t kInlineBitmapSize = 64;
inline constexpr std::size_t kRowSize = 69;  // both kinds of table maps
inline constexpr std::size_t kReferenceSlots = (kRowSize - 1) / 4;
inline constexpr std::size_t kBitmapPageHeader = 4;
inline constexpr std::size_t kPagesPerBitmapPage = (kPageSize - kBitmapPageHeader) * 8;
// Page 1 names "table" 1 as its owner and keeps a second, empty map row.
inline constexpr std::uint32_t kGlobalMapOwner = 1;
}  // namespace usagemap

// ----------------------------------------------------------- index pages
namespace index {
inline constexpr std::size_t kFreeSpaceOffset = 2;
inline constexpr std::size_t kOwnerOffset = 4;
inline constexpr std::size_t kPrevPageOffset = 12;
inline constexpr std::size_t kNextPageOffset = 16;
inline constexpr std::size_t kTailPageOffset = 20;
inline constexpr std::size_t kPrefixLengthOffset = 24;
inline constexpr std::size_t kEntryMaskOffset = 27;
inline constexpr std::size_t kEntryMaskSize = 453;
inline constexpr std::size_t kEntriesOffset = kEntryMaskOffset + kEntryMaskSize;  // 0x1e0
inline constexpr std::size_t kEntrySpace = kPageSize - kEntriesOffset;
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
inline constexpr std::uint8_t kCompressedMark0 = 0xff;
inline constexpr std::uint8_t kCompressedMark1 = 0xfe;
inline constexpr std::size_t kMaxCompressedChars = 1024;
}  // namespace text

// ------------------------------------------------------- catalog (MSysObjects)
namespace catalog {
inline constexpr std::int32_t kRootContainer = 0x0f000000;
inline constexpr std::int32_t kTablesContainer = 0x0f000001;
inline constexpr std::int32_t kDatabasesContainer = 0x0f000002;
inline constexpr std::int32_t kRelationshipsContainer = 0x0f000003;
inline constexpr std::int32_t kDatabaseObject = 0x10000000;
inline constexpr std::int16_t kTypeTable = 1;
inline constexpr std::int16_t kTypeDatabase = 2;
inline constexpr std::int16_t kTypeContainer = 3;
inline constexpr std::uint32_t kSystemObjectFlag = 0x80000000u;

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
