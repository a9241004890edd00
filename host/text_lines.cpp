#include "host/text_lines.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

void ForEachTextLine(const uint8_t *data, size_t size, const std::function<void(int, std::string_view)> &line) {
    if (!data) return;
    size_t pos = 0;
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) pos = 3;
    int number = 0;
    while (pos < size) {
        size_t end = pos;
        while (end < size && data[end] != '\n' && data[end] != '\r') ++end;
        line(++number, std::string_view(reinterpret_cast<const char *>(data) + pos, end - pos));
        if (end < size && data[end] == '\r' && end + 1 < size && data[end + 1] == '\n') ++end;
        pos = end + 1;
    }
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

namespace {

bool IsUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t follow;
        unsigned min;
        unsigned value;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            follow = 1, min = 0x80, value = c & 0x1Fu;
        } else if ((c & 0xF0) == 0xE0) {
            follow = 2, min = 0x800, value = c & 0x0Fu;
        } else if ((c & 0xF8) == 0xF0) {
            follow = 3, min = 0x10000, value = c & 0x07u;
        } else {
            return false;
        }
        if (text.size() - i <= follow) return false;
        for (size_t k = 1; k <= follow; ++k) {
            const unsigned char f = static_cast<unsigned char>(text[i + k]);
            if ((f & 0xC0) != 0x80) return false;
            value = (value << 6) | (f & 0x3Fu);
        }
        // Overlong forms, surrogates and values past the last code point are not UTF-8.
        if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
        i += follow + 1;
    }
    return true;
}

}  // namespace

std::string ToUtf8(std::string_view text) {
    if (IsUtf8(text)) return std::string(text);
    std::string out;
    out.reserve(text.size() * 2);
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool ReadSmallFile(const std::string &path, size_t limit, std::string *out, std::string *error) {
    out->clear();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        *error = path + (std::filesystem::exists(path, ec) ? ": not a regular file" : ": no such file");
        return false;
    }
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const size_t got = std::fread(buffer, 1, sizeof buffer, file);
        if (out->size() + got > limit) {
            *error = path + ": larger than " + std::to_string(limit / 1024) + " KiB";
            ok = false;
            break;
        }
        out->append(buffer, got);
        if (got < sizeof buffer) {
            if (std::ferror(file)) {
                *error = path + ": read error";
                ok = false;
            }
            break;
        }
    }
    std::fclose(file);
    if (!ok) out->clear();
    return ok;
}
