#include <fstream>
#include <sstream>
#include <stdexcept>

#include "mediagen/generator.h"

namespace mediagen {
namespace {

const std::string kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kEntryCount = 32;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    std::size_t i = text.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0 ? kByteOrderMark.size() : 0;
    while (i < text.size()) {
        while (i < text.size() && isSpace(text[i])) ++i;
        const std::size_t start = i;
        while (i < text.size() && !isSpace(text[i])) ++i;
        if (i > start) out.push_back(text.substr(start, i - start));
    }
    return out;
}

}  // namespace

std::vector<std::string> stringTableTexts(const std::string& fileText) {
    const std::vector<std::string> all = words(fileText);
    std::vector<std::string> texts;
    if (all.empty()) return texts;
    std::string current;
    bool open = false;
    for (std::size_t i = 1; i < all.size(); ++i) {
        if (all[i][0] == '#') {
            texts.push_back(current);
            current.clear();
            open = false;
            continue;
        }
        current += " " + all[i];
        open = true;
    }
    if (open) texts.push_back(current);
    return texts;
}

void makeStringTable(MediaTree& tree, const std::string& contentDir) {
    const std::string path = contentDir + "/interface/text.txt";
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    std::string text = buffer.str();
    if (text.compare(0, kByteOrderMark.size(), kByteOrderMark) != 0) text = kByteOrderMark + text;

    // The dialog matches texts to controls by position alone, so a lost or extra key would shift every
    // later label; refuse such a table here rather than ship it.
    const std::vector<std::string> all = words(text);
    if (all.empty() || all.front()[0] != '#')
        throw std::runtime_error(path + ": the first word must be a key");
    if (all.back() != "#") throw std::runtime_error(path + ": the table must end with a lone \"#\"");
    const std::vector<std::string> texts = stringTableTexts(text);
    if (texts.size() != kEntryCount)
        throw std::runtime_error(path + ": " + std::to_string(texts.size()) + " entries, expected " +
                                 std::to_string(kEntryCount));
    tree.write(Archive::Interface, "Text/text.txt", Bytes(text.begin(), text.end()));
}

}  // namespace mediagen
