#pragma once
// A small process that puts something back after we are gone, however we go: a crash, SIGKILL, an
// exit that skips every handler. It is forked while the thing to restore is still as the user had it
// and holds what it needs in its own copy of our memory. It waits on a socket whose only other end is
// in this process; when that end closes without release() (the kernel closes it when we die), it runs
// its restore action and ends.

#include <sys/types.h>

#include <functional>

namespace platform::posix {

class RestoreGuardian {
public:
    RestoreGuardian() = default;
    // Leaves a running guardian alone: if nothing released it, it restores when this process ends.
    ~RestoreGuardian();
    RestoreGuardian(const RestoreGuardian&) = delete;
    RestoreGuardian& operator=(const RestoreGuardian&) = delete;

    // Forks the guardian with `restore` as its action. It ignores SIGINT, SIGTERM and SIGHUP (a
    // Ctrl+C in the terminal reaches the whole process group, and it must outlive us), keeps no file
    // descriptor of ours but its end of the socket (so it holds no lock, socket or device of ours) and
    // goes by the process name "gd-guardian". The action runs in the guardian, never here. Returns
    // false when the guardian could not be started; a guardian already running is released first.
    bool start(std::function<void()> restore);

    // The restore has been done here: the guardian ends without its action, and is reaped.
    void release();

    bool running() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int socket_ = -1;  // our end
};

}  // namespace platform::posix
