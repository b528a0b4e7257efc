#pragma once
// Questions about files on disk that portable code may ask.

namespace platform {

// True when the file at `path` (relative to the working directory, or absolute) exists and can be
// opened for reading in binary mode; it is closed again at once. Folders do not count as files.
bool canOpenForReading(const char* path);

}  // namespace platform
