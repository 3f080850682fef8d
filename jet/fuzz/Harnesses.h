#pragma once

// The engine's fuzz harnesses. Each takes one input and returns 0; a fault
// of the engine (a crash, a sanitizer report, an exception other than
// jet::Error, a broken promise) aborts. Built with libFuzzer as programs of
// their own (fuzz.sh), and linked into a test that replays kept inputs.

#include <cstddef>
#include <cstdint>

namespace jet::fuzz {

// The input is a database file: open it in memory, list it, clear up to four
// of its tables. A refused clear must leave the file as it was, and no clear
// may leave a journal behind.
int OpenAndClear(const std::uint8_t* data, std::size_t size);

// The input is a journal found beside a database (its first byte chooses
// whether the harness first makes the checksums right, so that the entries
// behind them are reached): recovery must roll back, discard or refuse, and
// never write outside the database or leave it changed when it refuses.
int RecoverJournal(const std::uint8_t* data, std::size_t size);

}  // namespace jet::fuzz
