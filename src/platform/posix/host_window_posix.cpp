// What copies running side by side in hosts' windows agree on through file locks: who plays the
// music, who empties the shared log.

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/folders.h"
#include "platform/host_window.h"
#include "platform/posix/folders_posix.h"

namespace platform {
namespace {

// Locks that are held until the process ends. The kernel drops them however it ends, so a copy that
// crashed never keeps the others from taking them.
int g_musicLock = -1;
int g_logLock = -1;

int openLockFile(const std::string& path, int access) {
    return ::open(path.c_str(), access | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

int lockWithRetry(int fd, int operation) {
    int result;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

}  // namespace

bool frameworkFlagsApply() { return true; }

MusicLock lockMusic() {
    if (g_musicLock >= 0) return MusicLock::Taken;
    std::string path;
    const std::string runtime = posix::environment("XDG_RUNTIME_DIR");
    if (!runtime.empty() && runtime[0] == '/') {
        path = runtime + "/glimmerdale-music.lock";
    } else {
        const std::string folder = stateFolder();
        if (folder.empty()) return MusicLock::NotToBeHad;
        path = folder + "/music.lock";
    }
    const int fd = openLockFile(path, O_RDWR);
    if (fd < 0) return MusicLock::NotToBeHad;
    if (lockWithRetry(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool heldElsewhere = errno == EWOULDBLOCK;
        ::close(fd);
        return heldElsewhere ? MusicLock::HeldByAnother : MusicLock::NotToBeHad;
    }
    g_musicLock = fd;
    return MusicLock::Taken;
}

void shareLogFile(const std::string& path) {
    if (g_logLock >= 0) return;
    const int fd = openLockFile(path, O_WRONLY);
    if (fd < 0) return;
    if (lockWithRetry(fd, LOCK_EX | LOCK_NB) == 0) {
        // First here: the log of the last run goes (if that fails, the new lines follow the old).
        // Then a shared lock, which lets the others in and keeps any later first copy from emptying
        // the file while this one still writes to it.
        const int emptied = ::ftruncate(fd, 0);
        (void)emptied;
        lockWithRetry(fd, LOCK_SH);
    } else {
        lockWithRetry(fd, LOCK_SH);
    }
    g_logLock = fd;
}

}  // namespace platform
