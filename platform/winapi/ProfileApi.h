#pragma once

// Stand-in for the Windows profile functions the program reads and writes its
// INI file with, keeping their names and behaviour. Sections, keys and values
// are byte strings in the system's ANSI code page and pass through unchanged;
// the file name is UTF-8, as every path in the program (on Windows too).
//
// What a Windows INI file means to these functions:
//  - a line's first non-blank '[' opens a section; its name runs to the first
//    ']' (or the line break), blanks inside the brackets ignored;
//  - a line's first non-blank ';' makes it a comment, never a key;
//  - other lines are keys: the name before the first '=', the value after it,
//    blanks around both ignored; a line without '=' names a key with no value;
//  - lines end with CRLF, LF or a lone CR; lines before the first section
//    belong to no section and are never read;
//  - names are compared without regard to letter case; of duplicate sections
//    and keys the first one wins;
//  - a value inside a matching pair of quotes (" or ') is returned without them.
// A write changes one line, or adds one, and leaves every other byte as it was.

#include <cstdint>

namespace winapi {

// Copies the value of `key` in `section` into buffer, cut to size - 1 bytes
// and ended with a NUL, or copies defaultValue (trailing spaces removed; null
// reads as "") when the file, the section or the key is missing. Returns the
// count of bytes copied, without the NUL.
// A null section lists the section names, a null key the key names of the
// section, each ended with a NUL and the list with a second one; a list that
// does not fit ends in a cut name and two NULs, and then size - 2 is returned.
// Never creates the file.
std::uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                       char* buffer, std::uint32_t size, const char* fileName);

// Sets `key` in `section` to value: the key's value is replaced in place, a new
// key goes after the last key of its section, a new section at the end of the
// file, added lines ending in CRLF. A null value deletes the key, a null key
// the section (its header and keys; comments stay), and all three null only
// flushes, which has nothing to do here and succeeds.
// Returns false when the write is refused: read-only file or folder, missing
// folder, no space, a folder at the path, another save holding the file too
// long. A refused write leaves the file as it was.
bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName);

}  // namespace winapi
