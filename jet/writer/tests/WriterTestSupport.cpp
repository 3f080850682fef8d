#include "WriterTestSupport.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace jet::writer::testing {

namespace fs = std::filesystem;

std::string ScratchPath(const std::string& fileName) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string folder = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : folder) {
    if (c == '/') c = '_';
  }
  const fs::path dir = fs::path(::testing::TempDir()) / "jet-writer-tests" / folder;
  fs::create_directories(dir);
  const fs::path path = dir / fileName;
  fs::remove(path);
  return path.string();
}

Table ParseCsv(const std::string& csv) {
  Table table;
  std::vector<Cell> row;
  Cell cell;
  bool quoted = false;
  bool any = false;
  for (std::size_t i = 0; i < csv.size(); ++i) {
    const char c = csv[i];
    if (quoted) {
      if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
        cell.text += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell.text += c;
      }
      continue;
    }
    if (c == '"') {
      quoted = true;
      cell.null = false;
      any = true;
    } else if (c == ',') {
      row.push_back(cell);
      cell = Cell{};
      any = true;
    } else if (c == '\n') {
      row.push_back(cell);
      table.push_back(row);
      row.clear();
      cell = Cell{};
      any = false;
    } else if (c != '\r') {
      cell.text += c;
      cell.null = false;
      any = true;
    }
  }
  if (any) {
    row.push_back(cell);
    table.push_back(row);
  }
  return table;
}

namespace {

// Turns one table of the dump (JSON in the file named by its argument) into
// lines of cells split by 0x1f, 0x01 for null.
constexpr const char* kFlatten =
    "const t=JSON.parse(require('fs').readFileSync(process.argv[1],'utf8'));"
    "let o='';for(const r of t.rows){o+=r.map(v=>v===null?'\\x01':String(v)).join('\\x1f')+'\\x1e';}"
    "process.stdout.write(o);";

}  // namespace

Table ReadWithMdbReader(const std::string& file, const std::string& table) {
  const auto tables = jet::test::MdbReaderTables(file);
  const auto found = tables.find(table);
  if (found == tables.end()) throw std::runtime_error("mdb-reader finds no table " + table + " in " + file);
  const std::string json = ScratchPath(table + ".json");
  std::ofstream(json, std::ios::binary) << found->second;
  const auto result = jet::test::Run({"node", "-e", kFlatten, json});
  if (result.exit_code != 0) throw std::runtime_error("mdb-reader output not understood: " + result.err);
  Table rows;
  std::vector<Cell> row;
  Cell cell;
  cell.null = false;
  for (char c : result.out) {
    if (c == '\x1f' || c == '\x1e') {
      row.push_back(cell);
      cell = Cell{};
      cell.null = false;
      if (c == '\x1e') {
        rows.push_back(row);
        row.clear();
      }
    } else if (c == '\x01') {
      cell.null = true;
    } else {
      cell.text += c;
    }
  }
  return rows;
}

Table ReadWithMdbExport(const std::string& file, const std::string& table) {
  const auto result = jet::test::Run({"mdb-export", "-T", "%Y-%m-%d %H:%M:%S", file, table});
  if (result.exit_code != 0) throw std::runtime_error("mdb-export failed on " + file);
  Table rows = ParseCsv(result.out);
  if (!rows.empty()) rows.erase(rows.begin());  // the header
  return rows;
}

namespace {

// mdbtools converts text as UCS-2: a character outside the Basic
// Multilingual Plane (a surrogate pair in the file) comes out as "??".
std::string AsMdbtoolsPrints(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if ((lead & 0xf8) == 0xf0) {
      out += "??";
      i += 4;
    } else {
      out += utf8[i++];
    }
  }
  return out;
}

std::string CurrencyText(std::int64_t tenThousandths) {
  const bool negative = tenThousandths < 0;
  const std::uint64_t magnitude = negative ? static_cast<std::uint64_t>(-(tenThousandths + 1)) + 1
                                           : static_cast<std::uint64_t>(tenThousandths);
  char text[48];
  std::snprintf(text, sizeof text, "%s%" PRIu64 ".%04" PRIu64, negative ? "-" : "", magnitude / 10000,
                magnitude % 10000);
  return text;
}

std::string DateText(const DateTime& t, Reader reader) {
  char text[40];
  if (reader == Reader::kMdbExport) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.000Z", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
  }
  return text;
}

// Empty when the cell is as expected, else a description of the difference.
std::string Difference(const Cell& got, const Value& want, ColumnType type, Reader reader) {
  const std::string shown = got.null ? "null" : "'" + got.text.substr(0, 60) + "'";
  if (type == ColumnType::kBoolean) {
    // A null Yes/No reads as No.
    const bool v = !want.isNull() && *want.get<bool>();
    const std::string text = reader == Reader::kMdbExport ? (v ? "1" : "0") : (v ? "true" : "false");
    return !got.null && got.text == text ? "" : "got " + shown + ", expected " + text;
  }
  if (want.isNull()) return got.null ? "" : "got " + shown + ", expected null";
  std::string text;
  if (const auto* i = want.get<std::int64_t>()) {
    text = std::to_string(*i);
  } else if (const auto* m = want.get<Currency>()) {
    text = CurrencyText(m->tenThousandths);
  } else if (const auto* d = want.get<double>()) {
    const bool same = !got.null && std::strtod(got.text.c_str(), nullptr) == *d;
    return same ? "" : "got " + shown + ", expected " + std::to_string(*d);
  } else if (const auto* t = want.get<DateTime>()) {
    text = DateText(*t, reader);
  } else if (const auto* s = want.get<std::string>()) {
    text = reader == Reader::kMdbExport ? AsMdbtoolsPrints(*s) : *s;
    // mdb-export writes empty text like a null.
    if (reader == Reader::kMdbExport && text.empty() && got.null) return "";
  }
  return !got.null && got.text == text ? "" : "got " + shown + ", expected '" + text.substr(0, 60) + "'";
}

}  // namespace

void ExpectRows(const Table& actual, const std::vector<std::vector<Value>>& written,
                const std::vector<ColumnDef>& columns, Reader reader) {
  const char* name = reader == Reader::kMdbExport ? "mdb-export" : "mdb-reader";
  ASSERT_EQ(actual.size(), written.size()) << name;
  int reported = 0;
  for (std::size_t r = 0; r < written.size() && reported < 5; ++r) {
    ASSERT_EQ(actual[r].size(), columns.size()) << name << " row " << r;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const std::string difference = Difference(actual[r][c], written[r][c], columns[c].type, reader);
      if (!difference.empty() && reported++ < 5) {
        ADD_FAILURE() << name << " row " << r << " column " << columns[c].name << ": " << difference;
      }
    }
  }
}

}  // namespace jet::writer::testing
