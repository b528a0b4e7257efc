#include "settings/xscreensaver_file.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

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

// Splits one entry into its parts; `entry` has no blanks around it.
void readEntry(const std::string& entry, XScreenSaverProgram& program) {
    std::size_t at = 0;
    if (at < entry.size() && entry[at] == '-') {
        program.enabled = false;
        ++at;
        while (at < entry.size() && isBlank(entry[at])) ++at;
    }
    std::size_t word = at;
    while (word < entry.size() && (std::isalnum(static_cast<unsigned char>(entry[word])) ||
                                   entry[word] == '_' || entry[word] == '-'))
        ++word;
    if (word > at && word < entry.size() && entry[word] == ':') {
        program.visual = entry.substr(at, word - at);
        at = word + 1;
        while (at < entry.size() && isBlank(entry[at])) ++at;
    }
    if (at < entry.size() && entry[at] == '"') {
        const std::size_t close = entry.find('"', at + 1);
        at = close == npos ? entry.size() : close + 1;
        while (at < entry.size() && isBlank(entry[at])) ++at;
    }
    program.command = entry.substr(at);
    std::string file = program.command.substr(0, program.command.find_first_of(" \t"));
    const std::size_t slash = file.rfind('/');
    if (slash != npos) file = file.substr(slash + 1);
    program.isGlimmerdale = file == "glimmerdale";
}

// The programs list's value, line by line, split into entries at each "\n".
void readPrograms(const std::string& text, const std::vector<Line>& lines, std::size_t first,
                  std::size_t last, std::size_t valueBegin, XScreenSaverPreferences& preferences) {
    std::string pending;                 // the entry being read, as the list reads it
    std::vector<std::size_t> positions;  // the file offset of each character of `pending`
    auto finishEntry = [&](std::size_t separatorEnd) {
        std::size_t b = 0, e = pending.size();
        while (b < e && isBlank(pending[b])) ++b;
        while (e > b && isBlank(pending[e - 1])) --e;
        if (b < e) {
            XScreenSaverProgram program;
            program.begin = positions[b];
            program.end = positions[e - 1] + 1;
            program.separatorEnd = separatorEnd == npos ? program.end : separatorEnd;
            readEntry(pending.substr(b, e - b), program);
            preferences.programs.push_back(program);
        }
        pending.clear();
        positions.clear();
    };
    for (std::size_t i = first; i <= last; ++i) {
        const Line& line = lines[i];
        const bool more = continues(text, line);
        const std::size_t partEnd = more ? line.contentEnd - 1 : line.contentEnd;
        for (std::size_t at = i == first ? valueBegin : line.begin; at < partEnd; ++at) {
            if (text[at] == '\\' && at + 1 < partEnd && text[at + 1] == 'n') {
                finishEntry(at + 2);
                ++at;
            } else {
                pending += text[at];
                positions.push_back(at);
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

// "mode:" and "selected:" set to these values: in place where they are, else added at the end.
void setSelection(const std::string& text, const XScreenSaverPreferences& preferences,
                  const std::string& mode, int selected, std::vector<Replacement>& edits) {
    std::string appended;
    if (preferences.modeBegin != npos) {
        if (preferences.mode != mode) edits.push_back({preferences.modeBegin, preferences.modeEnd, mode});
    } else {
        appended += "mode:\t\t" + mode + preferences.lineEnd;
    }
    const std::string number = std::to_string(selected);
    if (preferences.selectedBegin != npos) {
        if (preferences.selected != selected ||
            text.compare(preferences.selectedBegin, preferences.selectedEnd - preferences.selectedBegin,
                         number) != 0)
            edits.push_back({preferences.selectedBegin, preferences.selectedEnd, number});
    } else {
        appended += "selected:\t" + number + preferences.lineEnd;
    }
    if (appended.empty()) return;
    if (!text.empty() && text.back() != '\n') appended = preferences.lineEnd + appended;
    edits.push_back({text.size(), text.size(), appended});
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

}  // namespace

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
        } else if (name == "mode" || name == "selected") {
            if (last != i) {
                preferences.error =
                    "line " + std::to_string(i + 1) + ": \"" + name + ":\" goes on over several lines";
                return preferences;
            }
            std::size_t begin = 0, end = 0;
            valueRange(text, colon, line, begin, end);
            const std::string value = text.substr(begin, end - begin);
            if (name == "mode") {
                preferences.mode = value;
                preferences.modeBegin = begin;
                preferences.modeEnd = end;
            } else {
                char* stop = nullptr;
                const long number = std::strtol(value.c_str(), &stop, 10);
                preferences.selected = (!value.empty() && *stop == '\0' && number >= -1 && number < 100000)
                                           ? static_cast<int>(number)
                                           : -1;
                preferences.selectedBegin = begin;
                preferences.selectedEnd = end;
            }
        }
        i = last + 1;
    }
    preferences.parsed = true;
    return preferences;
}

XScreenSaverEdit addToXScreenSaverPreferences(const std::string& original, const std::string& command,
                                              const std::string& defaultPrograms) {
    XScreenSaverPreferences preferences = readXScreenSaverPreferences(original);
    if (!preferences.parsed) return unparsable(preferences.error);
    std::string text = original;
    bool appendedList = false;
    if (!preferences.hasPrograms) {
        if (!text.empty() && text.back() != '\n') text += preferences.lineEnd;
        text += defaultPrograms.empty()
                    ? "programs:\t\t\t\t\t\t\t\t      \\" + preferences.lineEnd + preferences.lineEnd
                    : defaultPrograms;
        preferences = readXScreenSaverPreferences(text);
        if (!preferences.parsed || !preferences.hasPrograms)
            return unparsable("the default programs list is unreadable");
        appendedList = true;
    }
    const std::string entry = "GL: \t\t\t\t" + command;
    std::vector<Replacement> edits;
    int index = -1;
    for (std::size_t i = 0; i < preferences.programs.size(); ++i) {
        const XScreenSaverProgram& program = preferences.programs[i];
        if (!program.isGlimmerdale) continue;
        index = static_cast<int>(i);
        const bool asWanted =
            program.enabled && program.visual == "GL" && trimmed(program.command) == trimmed(command);
        if (!asWanted) edits.push_back({program.begin, program.end, entry});
        break;
    }
    if (index < 0) {
        const std::string& eol = preferences.lineEnd;
        if (preferences.insertAt != npos) {
            edits.push_back(
                {preferences.insertAt, preferences.insertAt, "\t\t\t\t" + entry + "\t\t    \\n\\" + eol});
            index = static_cast<int>(
                std::count_if(preferences.programs.begin(), preferences.programs.end(),
                              [&](const XScreenSaverProgram& p) { return p.begin < preferences.insertAt; }));
        } else {
            // A list on one line, or one whose lines all break inside entries: ours goes at its end.
            const bool endsWithSeparator =
                preferences.programs.empty() ||
                preferences.programs.back().separatorEnd > preferences.programs.back().end;
            const std::string joint = endsWithSeparator ? "\\" + eol : " \\n\\" + eol;
            edits.push_back({preferences.programsEnd, preferences.programsEnd, joint + "\t\t\t\t" + entry});
            index = static_cast<int>(preferences.programs.size());
        }
    }
    setSelection(text, preferences, "one", index, edits);
    XScreenSaverEdit edit = finished(text, edits);
    if (appendedList && edit.result == XScreenSaverEdit::Result::Unchanged)
        edit.result = XScreenSaverEdit::Result::Changed;
    if (appendedList && edit.text.empty()) edit.text = text;
    return edit;
}

XScreenSaverEdit removeFromXScreenSaverPreferences(const std::string& text) {
    const XScreenSaverPreferences preferences = readXScreenSaverPreferences(text);
    if (!preferences.parsed) return unparsable(preferences.error);
    std::vector<Replacement> edits;
    int selected = preferences.selected;
    bool selectedOurs = false;
    for (std::size_t i = preferences.programs.size(); i-- > 0;) {
        const XScreenSaverProgram& program = preferences.programs[i];
        if (!program.isGlimmerdale) continue;
        if (program.lineBegin != npos && !program.lastLine) {
            edits.push_back({program.lineBegin, program.lineEnd, ""});
        } else {
            // The last line of a list keeps its line end, so the continuation before it still ends there.
            edits.push_back({program.begin, program.separatorEnd, ""});
        }
        const int index = static_cast<int>(i);
        if (selected == index) selectedOurs = true;
        if (selected > index) --selected;
    }
    if (edits.empty()) return finished(text, edits);
    if (selectedOurs) {
        setSelection(text, preferences, "random", -1, edits);
    } else if (selected != preferences.selected) {
        setSelection(text, preferences, preferences.mode.empty() ? "random" : preferences.mode, selected,
                     edits);
    }
    return finished(text, edits);
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
