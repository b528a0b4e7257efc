#include "core/log.h"

void Log::open(const std::string& path, OpenMode mode) {
    if (stream_.is_open()) stream_.close();
    stream_.clear();
    stream_.open(path, std::ios::out | (mode == OpenMode::Append ? std::ios::app : std::ios::trunc));
}

void Log::write(const std::string& text) {
    if (!stream_.is_open() || !stream_.good()) return;
    stream_ << text << '\n';
    stream_.flush();
}

void Log::close() {
    if (stream_.is_open()) stream_.close();
}

Log& theLog() {
    static Log log;
    return log;
}
