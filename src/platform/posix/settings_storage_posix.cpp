// The settings file on disk: whole-file reads and atomic replacement (temporary file, fsync, rename).
// The text inside is the format's business.

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/posix/folders_posix.h"
#include "platform/settings_storage.h"

namespace platform {

namespace {

// Closes a POSIX file descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // Closes now and reports whether the close succeeded (a failed close can mean lost data).
    bool close() {
        int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

enum class ReadResult { Ok, Missing, Failed };

ReadResult readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    if (path.empty()) return ReadResult::Missing;
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    std::uint8_t chunk[4096];
    for (;;) {
        ssize_t got = ::read(file.get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            return ReadResult::Failed;
        }
        if (got == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return ReadResult::Ok;
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

}  // namespace

SettingsStorage::SettingsStorage(std::string folder, const SettingsFileFormat& format)
    : folder_(std::move(folder)), format_(&format) {
    if (!folder_.empty()) path_ = folder_ + "/" + kSettingsFileName;
}

bool SettingsStorage::keyExists() const {
    if (path_.empty()) return false;
    struct stat info;
    return ::stat(path_.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool SettingsStorage::readDword(const std::string& name, std::uint32_t& value) const {
    std::vector<std::uint8_t> bytes;
    if (readWholeFile(path_, bytes) != ReadResult::Ok) return false;
    return format_->findDword(bytes.data(), bytes.size(), name, value);
}

bool SettingsStorage::writeDwords(const std::vector<DwordValue>& values) {
    if (path_.empty() || !posix::makeFolders(folder_)) return false;
    std::vector<std::uint8_t> old;
    if (readWholeFile(path_, old) == ReadResult::Failed) return false;  // never overwrite what we cannot see
    const std::string text = format_->update(old.data(), old.size(), values);

    std::string temporary = path_ + ".XXXXXX";
    FileDescriptor file(::mkstemp(&temporary[0]));
    if (file.get() < 0) return false;
    ::fchmod(file.get(), 0600);
    bool ok = writeAll(file.get(), text) && ::fsync(file.get()) == 0;
    ok = file.close() && ok;
    if (!ok || ::rename(temporary.c_str(), path_.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    // Make the rename itself durable; a failure here does not undo the write.
    FileDescriptor directory(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0) ::fsync(directory.get());
    return true;
}

std::string settingsFolder(const std::string& overrideFolder) {
    if (!overrideFolder.empty()) return overrideFolder;
    const std::string folder = posix::environment("GLIMMERDALE_CONFIG_DIR");
    if (!folder.empty()) return folder;
    return posix::xdgFolder("XDG_CONFIG_HOME", ".config");
}

}  // namespace platform
