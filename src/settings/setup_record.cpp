#include "settings/setup_record.h"

std::optional<std::string> SetupRecord::get(const std::string& key) const {
    const auto found = values.find(key);
    if (found == values.end()) return std::nullopt;
    return found->second;
}

void SetupRecord::eraseAll(const std::string& prefix) {
    for (auto it = values.begin(); it != values.end();)
        it = it->first.compare(0, prefix.size(), prefix) == 0 ? values.erase(it) : std::next(it);
}

SetupRecord readSetupRecord(const std::string& text) {
    SetupRecord record;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        const std::size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string::npos || equals == 0) continue;
        std::string value;
        for (std::size_t at = equals + 1; at < line.size(); ++at) {
            if (line[at] == '\\' && at + 1 < line.size()) {
                ++at;
                value += line[at] == 'n' ? '\n' : line[at];
            } else {
                value += line[at];
            }
        }
        record.values[line.substr(0, equals)] = value;
    }
    return record;
}

std::string setupRecordText(const SetupRecord& record) {
    std::string text =
        "# What \"glimmerdale --set-as-screensaver\" changed outside Glimmerdale's own settings, with\n"
        "# the value it found there before; --unset-as-screensaver puts those back.\n";
    for (const auto& [key, value] : record.values) {
        text += key + "=";
        for (char c : value) text += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : std::string(1, c);
        text += "\n";
    }
    return text;
}
