// Word reader for the dialog string table.

#include "settings/string_table.h"

namespace {

bool isSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// Re-encodes the input, replacing every malformed, overlong or surrogate sequence by U+FFFD, so
// that whatever the file holds, the widgets are handed valid UTF-8.
std::string sanitisedUtf8(const std::uint8_t* data, std::size_t size) {
    std::string out;
    out.reserve(size);
    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t lead = data[at];
        int length = 0;
        std::uint32_t code = 0;
        std::uint32_t minimum = 0;
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            ++at;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, code = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, code = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, code = lead & 0x07, minimum = 0x10000;
        }
        bool valid = length > 0 && at + length <= size;
        for (int i = 1; valid && i < length; ++i) {
            const std::uint8_t next = data[at + i];
            if ((next & 0xC0) != 0x80) valid = false;
            code = (code << 6) | (next & 0x3F);
        }
        valid = valid && code >= minimum && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        if (valid) {
            appendUtf8(out, code);
            at += length;
        } else {
            appendUtf8(out, 0xFFFD);
            ++at;
        }
    }
    return out;
}

}  // namespace

void StringTable::open(const std::uint8_t* data, std::size_t size) {
    text_.clear();
    position_ = 0;
    if (data == nullptr) return;
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        data += 3;
        size -= 3;
    }
    text_ = sanitisedUtf8(data, size);
    std::string first;
    readWord(first);
}

bool StringTable::readWord(std::string& word) {
    word.clear();
    while (position_ < text_.size() && isSpace(static_cast<unsigned char>(text_[position_]))) ++position_;
    if (position_ >= text_.size()) return false;
    const std::size_t start = position_;
    while (position_ < text_.size() && !isSpace(static_cast<unsigned char>(text_[position_]))) ++position_;
    word.assign(text_, start, position_ - start);
    return true;
}

std::string StringTable::readNextText() {
    std::string result;
    std::string word;
    while (readWord(word)) {
        if (word[0] == '#') break;
        result += ' ';
        result += word;
    }
    return result;
}

bool StringTable::atEnd() const {
    std::size_t at = position_;
    while (at < text_.size() && isSpace(static_cast<unsigned char>(text_[at]))) ++at;
    return at >= text_.size();
}
