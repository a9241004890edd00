// Line-oriented reading of the small text files that travel with charts (song.ini, .chart): a
// UTF-8 byte-order mark at the start is skipped, lines end at LF, CRLF or a lone CR, and
// surrounding blanks are trimmed. Text that is not valid UTF-8 (older files are often written in
// Latin-1) is turned into UTF-8 byte by byte, so what reaches captions is always valid UTF-8.
//
// Plain functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Calls `line` for each line of `data`, with its 1-based number and its text (not trimmed, no
// line end). The views point into `data`.
void ForEachTextLine(const uint8_t *data, size_t size, const std::function<void(int, std::string_view)> &line);

// `text` without leading and trailing spaces and tabs.
std::string_view TrimBlanks(std::string_view text);

// `text` itself when it is valid UTF-8, otherwise each byte read as Latin-1.
std::string ToUtf8(std::string_view text);

// ASCII lower case.
std::string LowerAscii(std::string_view text);

// Reads a whole file of at most `limit` bytes. False with *error ("path: reason") when it cannot
// be read or is larger.
bool ReadSmallFile(const std::string &path, size_t limit, std::string *out, std::string *error);
