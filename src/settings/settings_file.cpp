#include "settings/settings_file.h"

#include <cstring>

const char* const kSettingsKeyName = "HKEY_CURRENT_USER\\Software\\Vantorel\\Glimmerdale";

namespace {

using platform::DwordValue;

const char* const kFileHeader = "Windows Registry Editor Version 5.00";

enum class LineKind { Other, Section, Value };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    bool ourSection = false;  // for Section lines: whether it opens our key
    std::string name;         // for Value lines
    bool isDword = false;     // for Value lines
    std::uint32_t value = 0;  // for Value lines with isDword
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = lowerAscii(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Parses one line (without its line end). Anything not understood is LineKind::Other.
ParsedLine parseLine(const char* text, std::size_t length) {
    ParsedLine line;
    std::size_t begin = 0;
    std::size_t end = length;
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    if (begin == end) return line;

    if (text[begin] == '[') {
        if (text[end - 1] != ']' || end - begin < 2) return line;
        line.kind = LineKind::Section;
        line.ourSection = equalIgnoringCase(std::string(text + begin + 1, end - begin - 2), kSettingsKeyName);
        return line;
    }
    if (text[begin] != '"') return line;

    // "Name" with \" and \\ escapes.
    std::size_t at = begin + 1;
    std::string name;
    bool closed = false;
    while (at < end) {
        char c = text[at];
        if (c == '\\' && at + 1 < end) {
            name.push_back(text[at + 1]);
            at += 2;
            continue;
        }
        ++at;
        if (c == '"') {
            closed = true;
            break;
        }
        name.push_back(c);
    }
    if (!closed) return line;
    while (at < end && isBlank(text[at])) ++at;
    if (at >= end || text[at] != '=') return line;
    ++at;
    while (at < end && isBlank(text[at])) ++at;

    // From here on the line names a value; whether its data is a DWORD is decided below.
    line.kind = LineKind::Value;
    line.name = std::move(name);
    static const char kDwordTag[] = "dword:";
    const std::size_t tagLength = sizeof(kDwordTag) - 1;
    if (end - at < tagLength) return line;
    for (std::size_t i = 0; i < tagLength; ++i) {
        if (lowerAscii(text[at + i]) != kDwordTag[i]) return line;
    }
    at += tagLength;
    std::size_t digits = end - at;
    if (digits < 1 || digits > 8) return line;
    std::uint32_t value = 0;
    for (; at < end; ++at) {
        int digit = hexDigit(text[at]);
        if (digit < 0) return line;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    line.isDword = true;
    line.value = value;
    return line;
}

// Calls visit(text, length) for every line of the input, without the '\n'.
template <typename Visit>
void forEachLine(const std::uint8_t* data, std::size_t size, Visit visit) {
    if (data == nullptr) return;
    const char* text = reinterpret_cast<const char*>(data);
    std::size_t start = 0;
    while (start < size) {
        const void* newline = std::memchr(text + start, '\n', size - start);
        std::size_t stop =
            newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - text) : size;
        visit(text + start, stop - start);
        start = stop + 1;
    }
}

std::string escapeName(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (c == '"' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

std::string valueLine(const DwordValue& value) {
    static const char kHex[] = "0123456789abcdef";
    std::string line = "\"" + escapeName(value.name) + "\"=dword:";
    for (int shift = 28; shift >= 0; shift -= 4) line.push_back(kHex[(value.value >> shift) & 0xF]);
    return line;
}

}  // namespace

bool findDwordInSettingsText(const std::uint8_t* data, std::size_t size, const std::string& name,
                             std::uint32_t& value) {
    bool inOurKey = true;  // lines before any section line belong to the key
    bool found = false;
    std::uint32_t foundValue = 0;
    forEachLine(data, size, [&](const char* text, std::size_t length) {
        ParsedLine line = parseLine(text, length);
        if (line.kind == LineKind::Section) {
            inOurKey = line.ourSection;
        } else if (line.kind == LineKind::Value && inOurKey && equalIgnoringCase(line.name, name)) {
            found = line.isDword;
            foundValue = line.value;
        }
    });
    if (found) value = foundValue;
    return found;
}

std::string updateSettingsText(const std::uint8_t* data, std::size_t size,
                               const std::vector<DwordValue>& values) {
    std::vector<std::string> lines;
    std::vector<bool> written(values.size(), false);
    bool inOurKey = true;
    bool sawOurSection = false;
    std::size_t insertAfter = 0;  // with sawOurSection: index of the last non-blank line of our key

    forEachLine(data, size, [&](const char* text, std::size_t length) {
        if (length > 0 && text[length - 1] == '\r') --length;
        ParsedLine parsed = parseLine(text, length);
        std::string line(text, length);
        if (parsed.kind == LineKind::Section) {
            inOurKey = parsed.ourSection;
            sawOurSection = sawOurSection || inOurKey;
        } else if (parsed.kind == LineKind::Value && inOurKey) {
            for (std::size_t i = 0; i < values.size(); ++i) {
                if (!equalIgnoringCase(parsed.name, values[i].name)) continue;
                if (written[i]) return;  // a later duplicate: the replaced line already holds the value
                line = valueLine(values[i]);
                written[i] = true;
                break;
            }
        }
        bool blank = line.find_first_not_of(" \t") == std::string::npos;
        lines.push_back(std::move(line));
        if (inOurKey && !blank) insertAfter = lines.size() - 1;
    });

    std::vector<std::string> added;
    if (!sawOurSection) {
        if (lines.empty()) {
            added.push_back(kFileHeader);
        }
        added.push_back("");
        added.push_back(std::string("[") + kSettingsKeyName + "]");
        if (!lines.empty() && lines.back().empty()) added.erase(added.begin());
        insertAfter = lines.size();  // past the end: appended
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!written[i]) added.push_back(valueLine(values[i]));
    }

    std::string out;
    auto emit = [&out](const std::string& text) {
        out += text;
        out += '\n';
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        emit(lines[i]);
        if (i == insertAfter) {
            for (const std::string& text : added) emit(text);
        }
    }
    if (insertAfter >= lines.size()) {
        for (const std::string& text : added) emit(text);
    }
    return out;
}

namespace {

class RegistryExportText : public platform::SettingsFileFormat {
public:
    bool findDword(const std::uint8_t* data, std::size_t size, const std::string& name,
                   std::uint32_t& value) const override {
        return findDwordInSettingsText(data, size, name, value);
    }
    std::string update(const std::uint8_t* data, std::size_t size,
                       const std::vector<DwordValue>& values) const override {
        return updateSettingsText(data, size, values);
    }
};

}  // namespace

const platform::SettingsFileFormat& settingsFileFormat() {
    static const RegistryExportText format;
    return format;
}
