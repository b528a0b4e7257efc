#include "platform/posix/restore_guardian_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utility>

namespace platform::posix {
namespace {

// Written by release(): the guardian's action is not wanted.
constexpr char kReleased = 'R';

// The guardian's whole life. Only its end of the socket stays open; the standard streams go to
// /dev/null, so the guardian holds nothing that someone waits on (a test's output pipe, a lock).
[[noreturn]] void guard(int ownEnd, const std::function<void()>& restore) {
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) ::signal(signalNumber, SIG_IGN);
    ::prctl(PR_SET_NAME, "gd-guardian", 0, 0, 0);

    int fd = ownEnd;
    if (fd < 3) fd = ::fcntl(ownEnd, F_DUPFD, 3);
    const int devNull = ::open("/dev/null", O_RDWR);
    if (devNull >= 0) {
        for (int standard = 0; standard < 3; ++standard) ::dup2(devNull, standard);
    }
    if (fd < 0) _exit(1);
    if (fd > 3) ::close_range(3, static_cast<unsigned>(fd - 1), 0);
    ::close_range(static_cast<unsigned>(fd + 1), ~0u, 0);

    char message = 0;
    ssize_t got;
    do {
        got = ::read(fd, &message, 1);
    } while (got < 0 && errno == EINTR);
    if (got == 1 && message == kReleased) _exit(0);
    restore();
    _exit(0);
}

}  // namespace

RestoreGuardian::~RestoreGuardian() {
    // The socket stays open until the process ends: closing it here would set the guardian off while
    // the process may still be running with the change in place.
}

bool RestoreGuardian::start(std::function<void()> restore) {
    release();
    // A socket pair rather than a pipe: the release message is sent with MSG_NOSIGNAL, so a guardian
    // that someone killed cannot take this process down with SIGPIPE.
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return false;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return false;
    }
    if (pid == 0) guard(ends[0], restore);
    ::close(ends[0]);
    pid_ = pid;
    socket_ = ends[1];
    return true;
}

void RestoreGuardian::release() {
    if (pid_ <= 0) return;
    ssize_t wrote;
    do {
        wrote = ::send(socket_, &kReleased, 1, MSG_NOSIGNAL);
    } while (wrote < 0 && errno == EINTR);
    ::close(socket_);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    socket_ = -1;
}

}  // namespace platform::posix
