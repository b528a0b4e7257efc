#include "settings/xscreensaver_file.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "settings/command_quoting.h"

namespace {

constexpr std::size_t npos = std::string::npos;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

struct Line {
    std::size_t begin = 0, contentEnd = 0, end = 0;  // contentEnd: before "\r\n" or "\n"
};

std::vector<Line> splitLines(const std::string& text) {
    std::vector<Line> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t newline = text.find('\n', begin);
        Line line;
        line.begin = begin;
        line.end = newline == npos ? text.size() : newline + 1;
        line.contentEnd = newline == npos ? text.size() : newline;
        if (line.contentEnd > begin && text[line.contentEnd - 1] == '\r') --line.contentEnd;
        lines.push_back(line);
        begin = line.end;
    }
    return lines;
}

bool continues(const std::string& text, const Line& line) {
    return line.contentEnd > line.begin && text[line.contentEnd - 1] == '\\';
}

std::string trimmed(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool isGlimmerdaleProgram(const std::string& program) {
    const std::size_t slash = program.rfind('/');
    const std::string file = slash == npos ? program : program.substr(slash + 1);
    return file == "glimmerdale" || file == "Glimmerdale.scr";
}

// Splits one entry, escapes undone, into its parts as XScreenSaver does; `entry` has no blanks
// around it.
void readEntry(const std::string& entry, XScreenSaverProgram& program) {
    std::size_t at = 0;
    if (at < entry.size() && entry[at] == '-') {
        program.enabled = false;
        ++at;
        while (at < entry.size() && isBlank(entry[at])) ++at;
    }
    std::size_t word = at;
    while (word < entry.size() && entry[word] != ':' && entry[word] != '"' && !isBlank(entry[word])) ++word;
    if (word < entry.size() && entry[word] == ':') {
        program.visual = entry.substr(at, word - at);
        at = word + 1;
        while (at < entry.size() && isBlank(entry[at])) ++at;
    }
    if (at < entry.size() && entry[at] == '"') {
        const std::size_t close = entry.find('"', at + 1);
        program.name = entry.substr(at + 1, (close == npos ? entry.size() : close) - at - 1);
        at = close == npos ? entry.size() : close + 1;
        while (at < entry.size() && isBlank(entry[at])) ++at;
    }
    program.command = entry.substr(at);
    std::size_t wordEnd = 0;
    if (firstShellWord(program.command, program.program, wordEnd)) {
        std::size_t rest = wordEnd;
        while (rest < program.command.size() && isBlank(program.command[rest])) ++rest;
        program.arguments = program.command.substr(rest);
    }
    program.isGlimmerdale = isGlimmerdaleProgram(program.program);
}

// The programs list's value, line by line, split into entries at each "\n"; any other backslash
// makes the next character literal ("\t" a tab), as XScreenSaver reads it.
void readPrograms(const std::string& text, const std::vector<Line>& lines, std::size_t first,
                  std::size_t last, std::size_t valueBegin, XScreenSaverPreferences& preferences) {
    std::string pending;                    // the entry being read, as the list reads it
    std::vector<std::size_t> starts, ends;  // where each character of `pending` lies in the file
    auto finishEntry = [&](std::size_t separatorEnd) {
        std::size_t b = 0, e = pending.size();
        while (b < e && isBlank(pending[b])) ++b;
        while (e > b && isBlank(pending[e - 1])) --e;
        if (b < e) {
            XScreenSaverProgram program;
            program.begin = starts[b];
            program.end = ends[e - 1];
            program.separatorEnd = separatorEnd == npos ? program.end : separatorEnd;
            readEntry(pending.substr(b, e - b), program);
            preferences.programs.push_back(program);
        }
        pending.clear();
        starts.clear();
        ends.clear();
    };
    for (std::size_t i = first; i <= last; ++i) {
        const Line& line = lines[i];
        const bool more = continues(text, line);
        const std::size_t partEnd = more ? line.contentEnd - 1 : line.contentEnd;
        for (std::size_t at = i == first ? valueBegin : line.begin; at < partEnd; ++at) {
            if (text[at] == '\\' && at + 1 < partEnd) {
                const char next = text[at + 1];
                if (next == 'n') {
                    finishEntry(at + 2);
                } else {
                    pending += next == 't' ? '\t' : next == 'r' ? '\r' : next;
                    starts.push_back(at);
                    ends.push_back(at + 2);
                }
                ++at;
            } else {
                pending += text[at];
                starts.push_back(at);
                ends.push_back(at + 1);
            }
        }
        // A new line can go after this one when no entry is left half read here.
        if (more && trimmed(pending).empty() && preferences.insertAt == npos) preferences.insertAt = line.end;
    }
    finishEntry(npos);
    preferences.programsEnd = lines[last].contentEnd;

    // An entry stands alone on its line when nothing but blanks, its "\n" and a continuation is there.
    for (XScreenSaverProgram& program : preferences.programs) {
        for (std::size_t i = first + 1; i <= last; ++i) {
            const Line& line = lines[i];
            if (program.begin < line.begin || program.separatorEnd > line.contentEnd) continue;
            bool alone = true;
            for (std::size_t at = line.begin; at < line.contentEnd && alone; ++at) {
                const bool inside = at >= program.begin && at < program.separatorEnd;
                const bool continuation = at + 1 == line.contentEnd && text[at] == '\\';
                alone = inside || continuation || isBlank(text[at]);
            }
            if (alone) {
                program.lineBegin = line.begin;
                program.lineEnd = line.end;
                program.lastLine = i == last;
            }
        }
    }
}

// The value of a one-line resource: from the first non-blank after the colon to the line's end.
void valueRange(const std::string& text, std::size_t colon, const Line& line, std::size_t& begin,
                std::size_t& end) {
    begin = colon + 1;
    while (begin < line.contentEnd && isBlank(text[begin])) ++begin;
    end = line.contentEnd;
    while (end > begin && isBlank(text[end - 1])) --end;
}

struct Replacement {
    std::size_t begin, end;
    std::string text;
};

std::string applied(const std::string& text, std::vector<Replacement> replacements) {
    std::sort(replacements.begin(), replacements.end(),
              [](const Replacement& a, const Replacement& b) { return a.begin > b.begin; });
    std::string result = text;
    for (const Replacement& r : replacements) result.replace(r.begin, r.end - r.begin, r.text);
    return result;
}

// What the last line of `text` lacks of a line end: nothing, the "\n" of a "\r\n" cut short, or
// all of `lineEnd`.
std::string missingLineEnd(const std::string& text, const std::string& lineEnd) {
    if (text.empty() || text.back() == '\n') return "";
    return text.back() == '\r' ? "\n" : lineEnd;
}

// What a line added at the end of `text` needs before it: the last line's end when it has none,
// and a blank line when the last line goes on (a backslash at its end) and would take it in.
std::string beforeAddedLine(const std::string& text, const std::string& lineEnd) {
    const std::vector<Line> lines = splitLines(text);
    if (lines.empty()) return "";
    const std::string ended = missingLineEnd(text, lineEnd);
    return continues(text, lines.back()) ? ended + lineEnd : ended;
}

// A one-line setting set to `value` (in place, or added at the end), or with no value taken out.
void setSetting(const std::string& text, const XScreenSaverPreferences& preferences, const std::string& name,
                const std::optional<std::string>& value, std::vector<Replacement>& edits) {
    const XScreenSaverSetting* present = preferences.setting(name);
    if (!value) {
        if (present) edits.push_back({present->lineBegin, present->lineEnd, ""});
        return;
    }
    if (present) {
        if (present->value != *value) edits.push_back({present->valueBegin, present->valueEnd, *value});
        return;
    }
    const std::string line = name + ":" + (name.size() < 7 ? "\t\t" : "\t") + *value + preferences.lineEnd;
    // Settings added at the end go in one edit, in the order they were asked for, each on a line of
    // its own: that edit may be our entry, ending a list that ends the file.
    for (Replacement& edit : edits) {
        if (edit.begin == text.size() && edit.end == text.size()) {
            edit.text += beforeAddedLine(text + edit.text, preferences.lineEnd) + line;
            return;
        }
    }
    edits.push_back({text.size(), text.size(), beforeAddedLine(text, preferences.lineEnd) + line});
}

XScreenSaverEdit unparsable(const std::string& why) {
    XScreenSaverEdit edit;
    edit.result = XScreenSaverEdit::Result::Unparsable;
    edit.message = why;
    return edit;
}

XScreenSaverEdit finished(const std::string& text, const std::vector<Replacement>& edits) {
    XScreenSaverEdit edit;
    if (edits.empty()) {
        edit.result = XScreenSaverEdit::Result::Unchanged;
        return edit;
    }
    edit.result = XScreenSaverEdit::Result::Changed;
    edit.text = applied(text, edits);
    return edit;
}

// An entry taken out of the list: its whole line when it stands alone there (the last line of a
// list keeps its line end, so the continuation before it still ends there), else the entry and
// its separator.
Replacement removal(const XScreenSaverProgram& program) {
    if (program.lineBegin != npos && !program.lastLine) return {program.lineBegin, program.lineEnd, ""};
    return {program.begin, program.separatorEnd, ""};
}

bool hasRootArgument(const std::string& arguments) {
    std::size_t at = 0;
    while (at < arguments.size()) {
        while (at < arguments.size() && isBlank(arguments[at])) ++at;
        std::size_t end = at;
        while (end < arguments.size() && !isBlank(arguments[end])) ++end;
        const std::string word = arguments.substr(at, end - at);
        if (word == "--root" || word == "-root") return true;
        at = end;
    }
    return false;
}

// What the file holds for an entry as XScreenSaver reads it back: backslashes written doubled.
std::string escapedForResource(const std::string& text) {
    std::string escaped;
    for (char c : text) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return escaped;
}

std::string entryText(const std::string& name, const std::string& programPath, const std::string& arguments) {
    const std::string command = shellQuoted(programPath) + (arguments.empty() ? "" : " " + arguments);
    return "GL: \t\t\"" + name + "\" " + escapedForResource(command);
}

}  // namespace

const XScreenSaverSetting* XScreenSaverPreferences::setting(const std::string& name) const {
    const auto found = settings.find(name);
    return found == settings.end() ? nullptr : &found->second;
}

XScreenSaverPreferences readXScreenSaverPreferences(const std::string& text) {
    XScreenSaverPreferences preferences;
    const std::vector<Line> lines = splitLines(text);
    if (!lines.empty() && lines[0].end > lines[0].contentEnd + 1) preferences.lineEnd = "\r\n";
    for (std::size_t i = 0; i < lines.size();) {
        const Line& line = lines[i];
        std::size_t at = line.begin;
        while (at < line.contentEnd && isBlank(text[at])) ++at;
        if (at == line.contentEnd || text[at] == '#' || text[at] == '!') {
            ++i;
            continue;
        }
        const std::size_t nameBegin = text[at] == '*' ? at + 1 : at;
        std::size_t nameEnd = nameBegin;
        while (nameEnd < line.contentEnd &&
               (std::isalnum(static_cast<unsigned char>(text[nameEnd])) || text[nameEnd] == '_' ||
                text[nameEnd] == '.' || text[nameEnd] == '-'))
            ++nameEnd;
        std::size_t colon = nameEnd;
        while (colon < line.contentEnd && isBlank(text[colon])) ++colon;
        if (nameEnd == nameBegin || colon == line.contentEnd || text[colon] != ':') {
            preferences.error =
                "line " + std::to_string(i + 1) + " is neither a setting, a comment nor blank";
            return preferences;
        }
        const std::string name = text.substr(nameBegin, nameEnd - nameBegin);
        std::size_t last = i;
        while (continues(text, lines[last]) && last + 1 < lines.size()) ++last;
        if (name == "programs") {
            if (preferences.hasPrograms) {
                preferences.error = "line " + std::to_string(i + 1) + " starts a second programs list";
                return preferences;
            }
            preferences.hasPrograms = true;
            preferences.programsNameBegin = nameBegin;
            readPrograms(text, lines, i, last, colon + 1, preferences);
        } else if (last == i) {
            XScreenSaverSetting setting;
            valueRange(text, colon, line, setting.valueBegin, setting.valueEnd);
            setting.value = text.substr(setting.valueBegin, setting.valueEnd - setting.valueBegin);
            setting.lineBegin = line.begin;
            setting.lineEnd = line.end;
            preferences.settings[name] = setting;
        } else if (name == "mode" || name == "selected") {
            preferences.error =
                "line " + std::to_string(i + 1) + ": \"" + name + ":\" goes on over several lines";
            return preferences;
        }
        i = last + 1;
    }
    if (const XScreenSaverSetting* mode = preferences.setting("mode")) preferences.mode = mode->value;
    if (const XScreenSaverSetting* selected = preferences.setting("selected")) {
        char* stop = nullptr;
        const std::string& value = selected->value;
        const long number = std::strtol(value.c_str(), &stop, 10);
        preferences.selected = (!value.empty() && *stop == '\0' && number >= -1 && number < 100000)
                                   ? static_cast<int>(number)
                                   : -1;
    }
    preferences.parsed = true;
    return preferences;
}

XScreenSaverSelection xscreensaverSelection(const XScreenSaverPreferences& preferences) {
    XScreenSaverSelection selection;
    if (const XScreenSaverSetting* mode = preferences.setting("mode")) selection.mode = mode->value;
    if (const XScreenSaverSetting* selected = preferences.setting("selected"))
        selection.selected = selected->value;
    return selection;
}

XScreenSaverEdit addToXScreenSaverPreferences(const std::string& original, const std::string& programPath,
                                              const std::string& defaultPrograms) {
    XScreenSaverPreferences preferences = readXScreenSaverPreferences(original);
    if (!preferences.parsed) return unparsable(preferences.error);
    std::string text = original;
    bool appendedList = false;
    if (!preferences.hasPrograms) {
        text += beforeAddedLine(text, preferences.lineEnd);
        text += defaultPrograms.empty()
                    ? "programs:\t\t\t\t\t\t\t\t      \\" + preferences.lineEnd + preferences.lineEnd
                    : defaultPrograms;
        preferences = readXScreenSaverPreferences(text);
        if (!preferences.parsed || !preferences.hasPrograms)
            return unparsable("the default programs list is unreadable");
        appendedList = true;
    }
    std::vector<Replacement> edits;
    int index = -1;
    for (std::size_t i = 0; i < preferences.programs.size(); ++i) {
        const XScreenSaverProgram& program = preferences.programs[i];
        if (!program.isGlimmerdale) continue;
        if (index >= 0) {
            edits.push_back(removal(program));
            continue;
        }
        index = static_cast<int>(i);
        // The options the user chose for it in XScreenSaver's settings stay; it runs this program.
        const std::string name = program.name.empty() ? kXScreenSaverEntryName : program.name;
        const std::string arguments =
            hasRootArgument(program.arguments)
                ? program.arguments
                : program.arguments + (program.arguments.empty() ? "" : " ") + "--root";
        const bool asWanted = program.enabled && program.visual == "GL" && !program.name.empty() &&
                              program.program == programPath && arguments == program.arguments;
        if (!asWanted) edits.push_back({program.begin, program.end, entryText(name, programPath, arguments)});
    }
    if (index < 0) {
        const std::string entry = entryText(kXScreenSaverEntryName, programPath, "--root");
        const std::string& eol = preferences.lineEnd;
        if (preferences.insertAt != npos) {
            // After the list's last line, which goes on, the file may end without a line end.
            const std::string lineStart =
                preferences.insertAt == text.size() ? missingLineEnd(text, eol) : "";
            edits.push_back({preferences.insertAt, preferences.insertAt,
                             lineStart + "  " + entry + "\t\t    \\n\\" + eol});
            index = static_cast<int>(
                std::count_if(preferences.programs.begin(), preferences.programs.end(),
                              [&](const XScreenSaverProgram& p) { return p.begin < preferences.insertAt; }));
        } else {
            // A list on one line, or one whose lines all break inside entries: ours goes at its end.
            const bool endsWithSeparator =
                preferences.programs.empty() ||
                preferences.programs.back().separatorEnd > preferences.programs.back().end;
            const std::string joint = endsWithSeparator ? "\\" + eol : " \\n\\" + eol;
            edits.push_back({preferences.programsEnd, preferences.programsEnd, joint + "  " + entry});
            index = static_cast<int>(preferences.programs.size());
        }
    }
    setSetting(text, preferences, "mode", std::string("one"), edits);
    const XScreenSaverSetting* selected = preferences.setting("selected");
    if (!selected || preferences.selected != index || selected->value != std::to_string(index))
        setSetting(text, preferences, "selected", std::to_string(index), edits);
    XScreenSaverEdit edit = finished(text, edits);
    if (appendedList && edit.result == XScreenSaverEdit::Result::Unchanged) {
        edit.result = XScreenSaverEdit::Result::Changed;
        edit.text = text;
    }
    return edit;
}

XScreenSaverEdit removeFromXScreenSaverPreferences(const std::string& text,
                                                   const XScreenSaverSelection* before) {
    const XScreenSaverPreferences preferences = readXScreenSaverPreferences(text);
    if (!preferences.parsed) return unparsable(preferences.error);
    std::vector<Replacement> edits;
    int selected = preferences.selected;
    bool selectedOurs = false;
    for (std::size_t i = preferences.programs.size(); i-- > 0;) {
        const XScreenSaverProgram& program = preferences.programs[i];
        if (!program.isGlimmerdale) continue;
        edits.push_back(removal(program));
        const int index = static_cast<int>(i);
        if (selected == index) selectedOurs = true;
        if (selected > index) --selected;
    }
    if (edits.empty()) return finished(text, edits);
    if (selectedOurs && before) {
        setSetting(text, preferences, "mode", before->mode, edits);
        setSetting(text, preferences, "selected", before->selected, edits);
    } else if (selectedOurs) {
        setSetting(text, preferences, "mode", std::string("random"), edits);
        setSetting(text, preferences, "selected", std::string("-1"), edits);
    } else if (selected != preferences.selected) {
        setSetting(text, preferences, "selected", std::to_string(selected), edits);
    }
    return finished(text, edits);
}

bool selectsGlimmerdale(const XScreenSaverPreferences& preferences) {
    const int selected = preferences.selected;
    if (preferences.mode != "one" || selected < 0 || std::size_t(selected) >= preferences.programs.size())
        return false;
    const XScreenSaverProgram& program = preferences.programs[std::size_t(selected)];
    return program.isGlimmerdale && program.enabled;
}

bool xscreensaverPreferencesFromDefaults(const std::string& appDefaults, std::string& text,
                                         std::string& message) {
    const XScreenSaverPreferences defaults = readXScreenSaverPreferences(appDefaults);
    if (!defaults.parsed || !defaults.hasPrograms) {
        message = defaults.parsed ? "XScreenSaver's defaults hold no programs list" : defaults.error;
        return false;
    }
    // The list's lines as they stand, without the app-defaults "*" before the name.
    const std::size_t listStart = defaults.programsNameBegin;
    std::size_t end = appDefaults.find('\n', defaults.programsEnd);
    end = end == npos ? appDefaults.size() : end + 1;
    text = appDefaults.substr(listStart, end - listStart);
    if (text.empty() || text.back() != '\n') text += '\n';
    return true;
}

bool xscreensaverSeconds(const std::string& value, unsigned& seconds) {
    std::vector<unsigned> parts;
    std::size_t at = 0;
    for (;;) {
        std::size_t end = at;
        while (end < value.size() && std::isdigit(static_cast<unsigned char>(value[end]))) ++end;
        if (end == at || end - at > 6 || parts.size() == 3) return false;
        parts.push_back(unsigned(std::strtoul(value.substr(at, end - at).c_str(), nullptr, 10)));
        if (end == value.size()) break;
        if (value[end] != ':') return false;
        at = end + 1;
    }
    // "M", "M:SS" or "H:MM:SS", as XScreenSaver reads its times.
    if (parts.size() == 1) seconds = parts[0] * 60;
    if (parts.size() == 2) seconds = parts[0] * 60 + parts[1];
    if (parts.size() == 3) seconds = parts[0] * 3600 + parts[1] * 60 + parts[2];
    return true;
}
