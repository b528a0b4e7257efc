#include "app/command_line.h"

#include <limits>

namespace {

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The number at the first digit from `from` on; false when there is no digit.
bool readNumberAfter(const std::wstring& line, std::size_t from, std::uint32_t& value) {
    std::size_t i = from;
    while (i < line.size() && !isDigit(line[i])) ++i;
    if (i >= line.size()) return false;
    std::uint64_t number = 0;
    for (; i < line.size() && isDigit(line[i]); ++i) {
        number = number * 10 + static_cast<std::uint64_t>(line[i] - L'0');
        if (number > std::numeric_limits<std::uint32_t>::max())
            number = std::numeric_limits<std::uint32_t>::max();
    }
    value = static_cast<std::uint32_t>(number);
    return true;
}

void appendUtf8(const std::string& text, std::wstring& out) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        std::uint32_t code = 0xFFFD;
        std::size_t length = 1;
        std::size_t extra = 0;
        std::uint32_t minimum = 0;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, minimum = 0x80, code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, minimum = 0x800, code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, minimum = 0x10000, code = lead & 0x07;
        } else {
            code = 0xFFFD;
        }
        if (extra) {
            bool valid = i + extra < n;  // all continuation bytes present
            for (std::size_t k = 1; valid && k <= extra; ++k) {
                const unsigned char next = static_cast<unsigned char>(text[i + k]);
                if ((next & 0xC0) != 0x80)
                    valid = false;
                else
                    code = (code << 6) | (next & 0x3F);
            }
            if (valid && code >= minimum && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
                length = extra + 1;
            } else {
                code = 0xFFFD;
            }
        }
        if (sizeof(wchar_t) == 2 && code >= 0x10000) {
            out.push_back(static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(code));
        }
        i += length;
    }
}

bool needsQuotes(const std::string& argument) {
    return argument.empty() || argument.find_first_of(" \t") != std::string::npos;
}

}  // namespace

RunMode parseCommandLine(const std::wstring& line, std::uint32_t& parentHandle) {
    std::size_t i = 0;
    if (!line.empty() && line[0] == L'"') {
        const std::size_t closing = line.find(L'"', 1);
        if (closing == std::wstring::npos) return RunMode::Configure;
        i = closing + 1;
    } else {
        const std::size_t space = line.find(L' ');
        if (space == std::wstring::npos) return RunMode::Configure;
        i = space + 1;
    }
    while (i < line.size() && line[i] != L'/' && line[i] != L'-') ++i;
    if (i >= line.size()) return RunMode::Configure;
    const std::size_t selectorAt = i + 1;
    if (selectorAt >= line.size()) return RunMode::Run;
    switch (line[selectorAt]) {
        case L'c':
        case L'C': {
            std::uint32_t handle = 0;
            readNumberAfter(line, selectorAt + 1, handle);
            parentHandle = handle;
            return RunMode::Configure;
        }
        case L'p':
        case L'P':
            readNumberAfter(line, selectorAt + 1, parentHandle);
            return RunMode::Preview;
        case L't':
        case L'T':
            return RunMode::Preview;
        default:
            return RunMode::Run;
    }
}

std::wstring commandLineFromArguments(const std::vector<std::string>& arguments) {
    std::wstring line;
    if (arguments.empty()) return line;
    std::string program;
    for (char c : arguments[0])
        if (c != '"') program.push_back(c);
    if (needsQuotes(program)) {
        line.push_back(L'"');
        appendUtf8(program, line);
        line.push_back(L'"');
    } else {
        appendUtf8(program, line);
    }
    for (std::size_t k = 1; k < arguments.size(); ++k) {
        line.push_back(L' ');
        const std::string& argument = arguments[k];
        if (!needsQuotes(argument)) {
            appendUtf8(argument, line);
            continue;
        }
        std::string quoted = "\"";
        for (char c : argument) {
            if (c == '"') quoted.push_back('\\');
            quoted.push_back(c);
        }
        quoted.push_back('"');
        appendUtf8(quoted, line);
    }
    return line;
}
