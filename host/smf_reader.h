// Standard MIDI File reader: formats 0 and 1, any number of ticks per quarter note, running
// status. SMPTE time division, format 2 and malformed files are refused with one message that
// names the file and the problem ("song.mid: track 2 ends inside an event"); the reader never
// reads outside its input.
//
// Plain functions; no shared state, so any thread may call them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/smf_file.h"

// Parses `size` bytes of `data`. `name` is what error messages call the input (usually its path).
// On success fills *out and returns true; otherwise leaves *out empty, sets *error and returns
// false.
bool ParseSmf(const uint8_t *data, size_t size, const std::string &name, SmfFile *out, std::string *error);

// Reads and parses the file at `path`; an unreadable file is an error like any other.
bool ReadSmfFile(const std::string &path, SmfFile *out, std::string *error);
