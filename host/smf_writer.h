// Standard MIDI File writer: the inverse of ParseSmf for the files this project makes (format 0 or
// 1, metrical time division). Events are written in their stored order with delta times, without
// running status, and every track gets an end-of-track event unless it already ends with one.
//
// Plain functions; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/smf_file.h"

// The file's bytes. Events whose ticks go backwards are written with a delta of 0.
std::vector<uint8_t> WriteSmf(const SmfFile &file);

// Writes the bytes to `path`; false with *error set ("path: reason") when the file cannot be written.
bool WriteSmfFile(const SmfFile &file, const std::string &path, std::string *error);
