#pragma once
// The process-wide log, "Log.txt" in the working directory (or, for a copy drawing into a host's
// window, in the user's state folder). Every subsystem writes its progress and failure lines here;
// each line is on disk as soon as write() returns, in one write for any line shorter than the stream's
// buffer, so the lines of copies appending to one file do not mix.

#include <fstream>
#include <sstream>
#include <string>

class Log {
public:
    enum class OpenMode {
        Truncate,  // the file starts empty
        Append,    // lines go after what the file holds (other writers' lines included)
    };

    // Opens the file, truncating it unless told to append. A file that cannot be created leaves the
    // log in a failed state in which every write is silently dropped.
    void open(const std::string& path = "Log.txt", OpenMode mode = OpenMode::Truncate);
    // Appends the text and a line end, then flushes. Dropped when the log is not open.
    void write(const std::string& text);
    // Closes the file; later writes are dropped.
    void close();
    bool isOpen() const { return stream_.is_open() && stream_.good(); }

    // Builds a line from any mix of strings and numbers, formatted as a default text stream formats
    // them: 60.0 becomes "60", 1.25 stays "1.25", at most six significant digits.
    template <typename... Parts>
    static std::string line(const Parts&... parts) {
        std::ostringstream out;
        (out << ... << parts);
        return out.str();
    }

private:
    std::ofstream stream_;
};

// The one log of the process; opened by the entry point, closed at shutdown.
Log& theLog();

// Shorthand for theLog().write(Log::line(parts...)).
template <typename... Parts>
void logLine(const Parts&... parts) {
    theLog().write(Log::line(parts...));
}
