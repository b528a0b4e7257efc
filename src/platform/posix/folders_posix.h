#pragma once
// The user's folders as the XDG base directory rules name them, shared by the POSIX backends.

#include <string>

namespace platform::posix {

// The value of an environment variable, "" when it is not set.
std::string environment(const char* name);

// $HOME, else the home folder of the user's password entry; "" when neither is known.
std::string homeFolder();

// "<$variable>/glimmerdale" when the variable holds an absolute path, else
// "<home>/<fallbackBelowHome>/glimmerdale"; "" when there is no home folder either.
std::string xdgFolder(const char* variable, const char* fallbackBelowHome);

// mkdir -p, with mode 0700 for the folders it creates. True when the folder exists afterwards.
bool makeFolders(const std::string& folder);

}  // namespace platform::posix
