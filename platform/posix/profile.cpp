// Private profile (INI) files. The file belongs to the host: a write changes the one line it must
// and keeps every other byte (sections, keys, comments, blank lines, LF or CRLF endings); the
// file is replaced as file_replace.h describes (atomically, through symbolic links, never when
// read-only).
#include "windows.h"

#include "file_replace.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Line {
    std::string text;    // without its ending
    std::string ending;  // "\n", "\r\n" or "" for a last line without one
};

bool ReadWholeFile(const char *path, std::string *out) {
    FILE *file = std::fopen(path, "rb");
    if (!file) return false;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof(chunk), file)) > 0) out->append(chunk, n);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

std::vector<Line> SplitLines(const std::string &content) {
    std::vector<Line> lines;
    size_t start = 0;
    while (start < content.size()) {
        const size_t newline = content.find('\n', start);
        Line line;
        if (newline == std::string::npos) {
            line.text = content.substr(start);
            start = content.size();
        } else {
            size_t end = newline;
            if (end > start && content[end - 1] == '\r') {
                --end;
                line.ending = "\r\n";
            } else {
                line.ending = "\n";
            }
            line.text = content.substr(start, end - start);
            start = newline + 1;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The section name when the line is a section header.
bool SectionHeader(std::string_view text, std::string_view *name) {
    text = Trim(text);
    if (text.empty() || text.front() != '[') return false;
    const size_t close = text.find(']');
    if (close == std::string_view::npos) return false;
    *name = Trim(text.substr(1, close - 1));
    return true;
}

// The key and the value when the line is a key line (comments start with ';').
bool KeyLine(std::string_view text, std::string_view *key, std::string_view *value) {
    const std::string_view trimmed = Trim(text);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') return false;
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) return false;
    *key = Trim(text.substr(0, equals));
    if (value) *value = Trim(text.substr(equals + 1));
    return true;
}

// Range of lines [first, end) belonging to the section's body, or false when it is absent.
bool FindSection(const std::vector<Line> &lines, std::string_view section, size_t *first, size_t *end) {
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view name;
        if (!SectionHeader(lines[i].text, &name) || !SameName(name, section)) continue;
        size_t j = i + 1;
        std::string_view other;
        while (j < lines.size() && !SectionHeader(lines[j].text, &other)) ++j;
        *first = i + 1;
        *end = j;
        return true;
    }
    return false;
}

bool FindKey(const std::vector<Line> &lines, size_t first, size_t end, std::string_view key, size_t *at) {
    for (size_t i = first; i < end; ++i) {
        std::string_view name;
        if (KeyLine(lines[i].text, &name, nullptr) && SameName(name, key)) {
            *at = i;
            return true;
        }
    }
    return false;
}

// Windows' integer read: leading blanks, an optional sign, decimal digits; anything else ends
// the number. Saturates instead of wrapping.
int64_t ParseInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<int64_t>(INT_MAX) + 1) value = static_cast<int64_t>(INT_MAX) + 1;
        ++i;
    }
    if (negative) return -value;
    return value > INT_MAX ? INT_MAX : value;
}

std::string KeyValue(const char *a, const char *b, const char *c) {
    std::string text(a);
    text.append(b);
    text.append(c);
    return text;
}

bool HasLineBreak(const char *text) { return text && (std::strchr(text, '\n') || std::strchr(text, '\r')); }

}  // namespace

extern "C" {

UINT WINAPI GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT default_value, LPCSTR filename) {
    if (!section || !key || !filename) return static_cast<UINT>(default_value);
    std::string content;
    if (!ReadWholeFile(filename, &content)) return static_cast<UINT>(default_value);
    const std::vector<Line> lines = SplitLines(content);
    size_t first, end, at;
    if (!FindSection(lines, section, &first, &end) || !FindKey(lines, first, end, key, &at)) {
        return static_cast<UINT>(default_value);
    }
    std::string_view name, value;
    KeyLine(lines[at].text, &name, &value);
    return static_cast<UINT>(static_cast<INT>(ParseInt(value)));
}

BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR filename) {
    if (!section || !filename || !*section) return FALSE;
    // Names and values that would break the line structure are refused rather than written.
    if (HasLineBreak(section) || std::strchr(section, ']') || HasLineBreak(key) || HasLineBreak(value)) return FALSE;
    if (key && (!*key || std::strchr(key, '='))) return FALSE;

    std::string content;
    if (!ReadWholeFile(filename, &content) && errno != ENOENT) return FALSE;
    std::vector<Line> lines = SplitLines(content);
    // New lines take the file's own ending.
    std::string eol = "\n";
    for (const Line &line : lines) {
        if (!line.ending.empty()) {
            eol = line.ending;
            break;
        }
    }

    size_t first = 0, end = 0;
    const bool has_section = FindSection(lines, section, &first, &end);
    if (!key) {
        // No key: the whole section goes (Windows' meaning of a null key).
        if (!has_section) return TRUE;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(first - 1), lines.begin() + static_cast<std::ptrdiff_t>(end));
    } else if (!has_section) {
        if (!value) return TRUE;
        if (!lines.empty() && lines.back().ending.empty()) lines.back().ending = eol;
        lines.push_back({KeyValue("[", section, "]"), eol});
        lines.push_back({KeyValue(key, "=", value), eol});
    } else {
        size_t at;
        if (FindKey(lines, first, end, key, &at)) {
            if (!value) {
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
            } else {
                // Keep the line's own spelling of the key and its spacing up to the '='.
                const size_t equals = lines[at].text.find('=');
                lines[at].text.resize(equals + 1);
                lines[at].text.append(value);
            }
        } else {
            if (!value) return TRUE;
            // After the section's last non-blank line, so trailing blank lines stay between sections.
            size_t insert = first;
            for (size_t i = first; i < end; ++i) {
                if (!Trim(lines[i].text).empty()) insert = i + 1;
            }
            if (insert > 0 && lines[insert - 1].ending.empty()) lines[insert - 1].ending = eol;
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert), Line{KeyValue(key, "=", value), eol});
        }
    }

    std::string out;
    out.reserve(content.size() + 64);
    for (const Line &line : lines) {
        out += line.text;
        out += line.ending;
    }
    return qlv_platform::ReplaceFileContent(filename, out) ? TRUE : FALSE;
}

}  // extern "C"
