#include "Report.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace bench {

namespace {

constexpr int kLargeRows = 1000000;
constexpr int kMediumRows = 100000;
constexpr double kMiB = 1024.0 * 1024.0;

std::string Format(const char* pattern, double value) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

std::string Count(std::uint64_t n) { return GroupDigits(n); }

std::string Millis(double seconds) {
  const double ms = seconds * 1000;
  return Format(ms < 10 ? "%.2f ms" : ms < 100 ? "%.1f ms" : "%.0f ms", ms);
}

std::string Duration(double seconds) { return seconds < 1 ? Millis(seconds) : Format("%.2f s", seconds); }

std::string Micros(double seconds) {
  if (seconds >= 0.01) return Millis(seconds);
  return Format(seconds < 0.0001 ? "%.1f µs" : "%.0f µs", seconds * 1e6);
}

std::string MiB(std::uint64_t bytes) {
  const double mib = static_cast<double>(bytes) / kMiB;
  if (mib < 1) return Format("%.1f KiB", static_cast<double>(bytes) / 1024);
  return Format(mib < 10 ? "%.2f MiB" : "%.1f MiB", mib);
}

std::string Ratio(double r) { return Format("%.2f×", r); }

std::string Rows(int rows) {
  if (rows % 1000000 == 0) return std::to_string(rows / 1000000) + " M";
  if (rows % 1000 == 0) return std::to_string(rows / 1000) + " k";
  return std::to_string(rows);
}

const char* CacheName(Cache cache) { return cache == Cache::kCold ? "cold" : "warm"; }

const ClearCase* FindCase(const Results& results, int rows, bool memos) {
  for (const ClearCase& c : results.clears) {
    if (c.rows == rows && c.memos == memos) return &c;
  }
  return nullptr;
}

const Measurement* FindMeasurement(const Results& results, int rows, bool memos, const std::string& operation,
                                   Cache cache = Cache::kWarm) {
  const ClearCase* c = FindCase(results, rows, memos);
  return c ? c->Find(operation, cache) : nullptr;
}

double Quotient(std::uint64_t a, std::uint64_t b) { return b == 0 ? 0 : static_cast<double>(a) / static_cast<double>(b); }

// Time is what the goals judge; the page and disk ratios beside it say
// where the time went.
Goal RatioGoal(std::string text, const Measurement* top, const Measurement* bottom, double limit,
               const std::string& how) {
  Goal g{std::move(text), "not measured", "≤ " + Format("%.1f", limit) + "×", false, false};
  if (top == nullptr || bottom == nullptr || bottom->seconds <= 0) return g;
  const double r = top->seconds / bottom->seconds;
  g.measured = Ratio(r) + " (" + Duration(top->seconds) + " / " + Duration(bottom->seconds) + how +
               "; pages written " + Ratio(Quotient(top->pages_written, bottom->pages_written)) + ", to disk " +
               Ratio(Quotient(top->disk_bytes_written, bottom->disk_bytes_written)) + ")";
  g.known = true;
  g.met = r <= limit;
  return g;
}

Goal MemoryGoal(const Results& results) {
  Goal g{"Peak memory of a clear, whatever the database's size", "not measured", "< 32 MiB", false, false};
  std::uint64_t peak = 0;
  std::string where;
  for (const ClearCase& c : results.clears) {
    for (const Measurement& m : c.measurements) {
      if (m.operation != "clear" || m.peak_rss_bytes < peak) continue;
      peak = m.peak_rss_bytes;
      where = Rows(c.rows) + " rows" + (c.memos ? " with memos" : "");
    }
  }
  if (peak == 0) return g;
  g.measured = MiB(peak) + " at most (" + where + ")";
  g.known = true;
  g.met = static_cast<double>(peak) < 32 * kMiB;
  return g;
}

const MicroResult* FindOpen(const Results& results, Cache cache, bool largest) {
  const MicroResult* found = nullptr;
  for (const MicroResult& r : results.opens) {
    if (r.cache != cache) continue;
    if (found == nullptr || (largest ? r.file_bytes > found->file_bytes : r.file_bytes < found->file_bytes)) {
      found = &r;
    }
  }
  return found;
}

// The largest database opened against the smallest, from a cold page cache.
// What start-up costs is judged by the pages it reads, which do not vary
// from run to run; the times are shown beside them, but a few cold reads of
// a virtual disk shared with other work vary by more than any size effect.
Goal OpenGoal(const Results& results) {
  Goal g{"Opening the largest database vs the smallest (cold cache)", "not measured",
         "no more pages read", false, false};
  const MicroResult* small = FindOpen(results, Cache::kCold, false);
  const MicroResult* large = FindOpen(results, Cache::kCold, true);
  if (small == nullptr || large == nullptr || small == large || small->seconds <= 0) return g;
  g.measured = Format("%.1f", large->pages_read) + " pages against " + Format("%.1f", small->pages_read) + " (" +
               MiB(large->file_bytes) + ": " + Micros(large->seconds) + "; " + MiB(small->file_bytes) + ": " +
               Micros(small->seconds) + "; time " + Ratio(large->seconds / small->seconds) + ")";
  g.known = true;
  g.met = large->pages_read <= small->pages_read;
  return g;
}

void MachineSection(std::ostringstream& out, const Machine& machine, const RunInfo& info) {
  out << "## Machine and run\n\n"
      << "| | |\n|---|---|\n"
      << "| CPU | " << machine.cpu << ", " << machine.cores << " cores online |\n"
      << "| memory | " << machine.memory << " |\n"
      << "| disk | " << machine.disk << " |\n"
      << "| system | " << machine.kernel << " |\n"
      << "| date | " << info.date << " |\n"
      << "| source | " << info.revision << " (" << info.build << " build) |\n"
      << "| runs | " << info.runs << " of each clear and copy (median shown, spread in brackets); one "
      << "mdb-export |\n\n";
}

void GoalSection(std::ostringstream& out, const Results& results) {
  out << "## Goals\n\n"
      << "What limits the goals that are missed, and how the engine was brought to these figures: "
         "`bench/NOTES.md`.\n\n"
      << "| goal | measured | limit | |\n|---|---|---|---|\n";
  for (const Goal& g : EvaluateGoals(results)) {
    out << "| " << g.goal << " | " << g.measured << " | " << g.limit << " | "
        << (!g.known ? "—" : g.met ? "met" : "**missed**") << " |\n";
  }
  out << "\n";
}

void ClearSection(std::ostringstream& out, const Results& results) {
  out << "## Clearing T_Room, copying the file, reading the table\n\n"
      << "| rows | memos | file | operation | cache | wall time | pages read | pages written | "
         "bytes written | to disk | flushes | flushing | peak memory |\n"
      << "|--:|---|--:|---|---|--:|--:|--:|--:|--:|--:|--:|--:|\n";
  for (const ClearCase& c : results.clears) {
    for (const Measurement& m : c.measurements) {
      std::string wall = Duration(m.seconds);
      if (m.runs > 1) wall += " (" + Duration(m.fastest) + "–" + Duration(m.slowest) + ")";
      out << "| " << Rows(c.rows) << " | " << (c.memos ? "yes" : "no") << " | " << MiB(c.file_bytes) << " | "
          << m.operation << " | " << CacheName(m.cache) << " | " << wall << " | " << Count(m.pages_read) << " | "
          << Count(m.pages_written) << " | " << MiB(m.bytes_written) << (m.note.empty() ? "" : " (" + m.note + ")")
          << " | " << MiB(m.disk_bytes_written) << " | " << (m.syncs ? Count(m.syncs) : "—") << " | "
          << (m.sync_seconds >= 0 ? Duration(m.sync_seconds) : "—") << " | " << MiB(m.peak_rss_bytes) << " |\n";
    }
  }
  out << "\n";
}

void OpenSection(std::ostringstream& out, const Results& results) {
  out << "## Opening a database (what start-up pays)\n\n"
      << "| database | file | cache | time per open | pages read per open | iterations |\n"
      << "|---|--:|---|--:|--:|--:|\n";
  for (const MicroResult& r : results.opens) {
    out << "| " << r.database << " | " << MiB(r.file_bytes) << " | " << CacheName(r.cache) << " | "
        << Micros(r.seconds) << " | " << Format("%.1f", r.pages_read) << " | " << r.iterations << " |\n";
  }
  out << "\n## Option.ini\n\n| operation | time | iterations |\n|---|--:|--:|\n";
  for (const MicroResult& r : results.settings) {
    out << "| " << r.name << " | " << Micros(r.seconds) << " | " << r.iterations << " |\n";
  }
  out << "\n";
}

void MethodSection(std::ostringstream& out, const RunInfo& info) {
  out << "## How the figures are taken\n\n"
      << "- **clear**: `tarvex-bench clear-child FILE` in a process of its own: `jet::Database::Open` and "
         "`Execute(\"DELETE * FROM T_Room\")`, journal, file and folder flushes included. Each run clears a "
         "fresh copy of the database, made and flushed before the clock starts. The wall time runs from fork "
         "to exit, so it includes starting the process (about a millisecond), as the copy's does.\n"
      << "- **copy**: GNU `cp` of the same file, then an `fsync` of the copy inside the timed region: both "
         "the clear and the copy are timed until their data is on the disk.\n"
      << "- **read all**: `mdb-export FILE T_Room`, its CSV to /dev/null, once.\n"
      << "- **cache**: *warm* means the file's pages are in the page cache and clean (as right after it was "
         "written and flushed); *cold* means they were dropped with `posix_fadvise(DONTNEED)` first (the "
         "host of a virtual machine may still hold them).\n"
      << "- **pages read**: bytes read ÷ 4 KiB, re-reads counted; the engine's counted by a counting "
         "`jet::Env`, the others' by the kernel (`rchar` in /proc/PID/io).\n"
      << "- **pages written**: for the clear, the distinct 4 KiB blocks of database and journal written "
         "(each is written back to the disk whole); for the copy, bytes ÷ 4 KiB.\n"
      << "- **bytes written**: bytes handed to write calls, journal included; **to disk**: what the kernel "
         "counted as made dirty for the disk (`write_bytes`).\n"
      << "- **flushes**: `fsync` calls on files and folders; **flushing**: the part of the wall time spent "
         "waiting for them.\n"
      << "- **peak memory**: the child's maximum resident set (`ru_maxrss`).\n"
      << "- **opening** and **Option.ini**: in process with Google Benchmark; opening is `jet::Database::Open` "
         "and closing again, a cold open has the file dropped from the page cache before each iteration "
         "(outside the timed region). Saving is `TBaseItemsOption::SaveOptions` on an Option.ini in the scratch "
         "folder.\n"
      << "- Scratch folder: " << info.scratch << " (removed at the end).\n\n";
}

}  // namespace

std::string GroupDigits(std::uint64_t n) {
  const std::string digits = std::to_string(n);
  std::string text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ' ';
    text += digits[i];
  }
  return text;
}

std::vector<Goal> EvaluateGoals(const Results& results) {
  return {
      RatioGoal("Clearing 1 M rows (no memos) vs copying the file once",
                FindMeasurement(results, kLargeRows, false, "clear"),
                FindMeasurement(results, kLargeRows, false, "copy"), 2.0, ", warm cache"),
      RatioGoal("The same, both from a cold page cache", FindMeasurement(results, kLargeRows, false, "clear", Cache::kCold),
                FindMeasurement(results, kLargeRows, false, "copy", Cache::kCold), 2.0, ", cold cache"),
      RatioGoal("Clearing 1 M rows with memos vs without",
                FindMeasurement(results, kLargeRows, true, "clear"),
                FindMeasurement(results, kLargeRows, false, "clear"), 1.5, ""),
      MemoryGoal(results),
      OpenGoal(results),
      RatioGoal("Clearing 1 M rows vs 100 k rows (no memos)", FindMeasurement(results, kLargeRows, false, "clear"),
                FindMeasurement(results, kMediumRows, false, "clear"), 12.0, ""),
      RatioGoal("Clearing 1 M rows vs 100 k rows (with memos)", FindMeasurement(results, kLargeRows, true, "clear"),
                FindMeasurement(results, kMediumRows, true, "clear"), 12.0, ""),
  };
}

std::string RenderMarkdown(const Results& results, const Machine& machine, const RunInfo& info) {
  std::ostringstream out;
  out << "# Benchmarks\n\n"
      << "Written by `bash scripts/bench.sh` (the program `tarvex-bench`, source in `bench/`). Run it again "
         "to compare; it replaces this file.\n\n";
  MachineSection(out, machine, info);
  GoalSection(out, results);
  ClearSection(out, results);
  OpenSection(out, results);
  MethodSection(out, info);
  out << "Whole run: " << Format("%.0f", results.total_seconds) << " s.\n";
  return out.str();
}

}  // namespace bench
