#pragma once
// The dialog string table "Text/text.txt": UTF-8 words separated by white space. A word that begins
// with "#" is a key; keys only separate entries, and which control gets which text is decided by
// the entry's position alone. The first word of the file is a key and is skipped.

#include <cstddef>
#include <cstdint>
#include <string>

class StringTable {
public:
    // Starts reading a copy of (data, size): a leading byte-order mark and the first word are
    // dropped. Bytes that are not valid UTF-8 become U+FFFD. A null or empty input gives a table
    // whose every entry is empty.
    void open(const std::uint8_t* data, std::size_t size);

    // The next entry's text: the words up to the next key (which is consumed) or the end of the
    // input, each preceded by one space, in UTF-8. An entry without words, or a read past the
    // end, gives "".
    std::string readNextText();

    // True once every word has been read.
    bool atEnd() const;

private:
    bool readWord(std::string& word);

    std::string text_;  // the input as valid UTF-8
    std::size_t position_ = 0;
};
