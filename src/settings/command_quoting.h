#pragma once
// A program path and its arguments written into the two command languages the desktop set-up
// writes, so that any path (spaces, quotes, "$", "%", backslashes, non-ASCII) comes back whole.
//
//   shellQuoted, firstShellWord   one word for /bin/sh, and the first word of a command read back
//   desktopEntryExec              the Exec= value of a desktop entry (the Desktop Entry rules)
//   hasControlCharacters          what neither language can carry on one line

#include <cstddef>
#include <string>
#include <vector>

// `word` as one /bin/sh word: as it is when it holds only characters sh takes literally, else in
// single quotes (a single quote inside becomes '\'').
std::string shellQuoted(const std::string& word);

// The first word of the /bin/sh command `command` with its quoting undone (single and double quotes,
// backslashes), and in `end` where it ends in `command`. False when the command is empty or its
// first word has an unclosed quote.
bool firstShellWord(const std::string& command, std::string& word, std::size_t& end);

// The Exec= value that starts `arguments` (arguments[0] is the program): each argument that holds a
// reserved character in double quotes with its '"', '`', '$' and '\' escaped, every '%' doubled, and
// then the string-value escape applied to the backslashes.
std::string desktopEntryExec(const std::vector<std::string>& arguments);

// True when `text` holds a character below 0x20 or DEL: no line of either file can carry it.
bool hasControlCharacters(const std::string& text);
