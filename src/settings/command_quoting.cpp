#include "settings/command_quoting.h"

#include <cstring>

namespace {

bool isShellLiteral(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::strchr("_@%+=:,./-", c) != nullptr;
}

// The characters the Desktop Entry rules reserve inside Exec=; an argument holding one is quoted.
bool isDesktopEntryReserved(char c) { return std::strchr(" \t\n\"'\\><~|&;$*?#()`", c) != nullptr; }

}  // namespace

std::string shellQuoted(const std::string& word) {
    bool literal = !word.empty();
    for (char c : word) literal = literal && isShellLiteral(c);
    if (literal) return word;
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool firstShellWord(const std::string& command, std::string& word, std::size_t& end) {
    word.clear();
    std::size_t at = 0;
    while (at < command.size() && (command[at] == ' ' || command[at] == '\t')) ++at;
    if (at == command.size()) return false;
    while (at < command.size() && command[at] != ' ' && command[at] != '\t') {
        const char c = command[at];
        if (c == '\'') {
            const std::size_t close = command.find('\'', at + 1);
            if (close == std::string::npos) return false;
            word.append(command, at + 1, close - at - 1);
            at = close + 1;
        } else if (c == '"') {
            ++at;
            while (at < command.size() && command[at] != '"') {
                // Inside double quotes a backslash only escapes these.
                if (command[at] == '\\' && at + 1 < command.size() && std::strchr("$`\"\\", command[at + 1]))
                    ++at;
                word += command[at++];
            }
            if (at == command.size()) return false;
            ++at;
        } else if (c == '\\' && at + 1 < command.size()) {
            word += command[at + 1];
            at += 2;
        } else {
            word += c;
            ++at;
        }
    }
    end = at;
    return true;
}

std::string desktopEntryExec(const std::vector<std::string>& arguments) {
    std::string exec;
    for (const std::string& argument : arguments) {
        bool reserved = argument.empty();
        for (char c : argument) reserved = reserved || isDesktopEntryReserved(c);
        std::string quoted = reserved ? "\"" : "";
        for (char c : argument) {
            if (reserved && std::strchr("\"`$\\", c)) quoted += '\\';
            quoted += c == '%' ? std::string("%%") : std::string(1, c);
        }
        if (reserved) quoted += '"';
        if (!exec.empty()) exec += ' ';
        exec += quoted;
    }
    // The string-value escape comes last: every backslash of the quoting is written doubled.
    std::string escaped;
    for (char c : exec) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return escaped;
}

bool hasControlCharacters(const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7f) return true;
    return false;
}
