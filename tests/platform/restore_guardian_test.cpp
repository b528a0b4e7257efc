// The guardian that puts the display back after its process is gone, however it went.

#include "platform/posix/restore_guardian_posix.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/process.h"

namespace {

using platform::posix::RestoreGuardian;

// A child process that starts a guardian whose action writes `mark`, reports the guardian's pid
// and, with `release`, lets it go before it reports. It then waits to be killed.
pid_t childWithGuardian(const std::string& mark, bool release, pid_t& guardian) {
    int report[2];
    if (pipe(report) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(report[0]);
        RestoreGuardian keeper;
        if (!keeper.start([mark] { std::ofstream(mark) << "restored"; })) _exit(3);
        pid_t pid = keeper.pid();
        if (release) keeper.release();
        if (write(report[1], &pid, sizeof pid) != sizeof pid) _exit(4);
        for (;;) pause();
    }
    close(report[1]);
    guardian = -1;
    if (read(report[0], &guardian, sizeof guardian) != sizeof guardian) guardian = -1;
    close(report[0]);
    return child;
}

void killAndReap(pid_t pid) {
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
}

TEST(RestoreGuardian, RestoresAfterItsProcessIsKilledAndShrugsOffTheTerminalsSignals) {
    testsupport::TempDir dir;
    const std::string mark = dir.file("restored");
    pid_t guardian = -1;
    const pid_t child = childWithGuardian(mark, false, guardian);
    ASSERT_GT(child, 0);
    ASSERT_GT(guardian, 0);

    // Once settled it holds nothing of ours but its end of the socket: the three standard streams
    // and that.
    const std::string proc = "/proc/" + std::to_string(guardian);
    const auto descriptors = [&] {
        int count = 0;
        std::error_code error;
        for (std::filesystem::directory_iterator at(proc + "/fd", error), end; !error && at != end;
             at.increment(error))
            ++count;
        return count;
    };
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return testsupport::readTextFile(proc + "/comm") == "gd-guardian\n" && descriptors() == 4; },
        std::chrono::seconds(5)))
        << descriptors() << " descriptors";

    // A Ctrl+C or a SIGTERM sent to the whole group must not take it away first.
    kill(guardian, SIGINT);
    kill(guardian, SIGTERM);
    kill(guardian, SIGHUP);
    usleep(50 * 1000);
    EXPECT_FALSE(std::filesystem::exists(mark));

    killAndReap(child);
    EXPECT_TRUE(
        testsupport::waitUntil([&] { return std::filesystem::exists(mark); }, std::chrono::seconds(5)));
    // Gone, or a zombie waiting for whoever inherited it to reap it.
    const auto ended = [&] {
        const std::string stat = testsupport::readTextFile(proc + "/stat");
        const std::size_t close = stat.rfind(')');
        return close == std::string::npos || stat.compare(close, 4, ") Z ") == 0;
    };
    EXPECT_TRUE(testsupport::waitUntil(ended, std::chrono::seconds(5))) << "the guardian outlived its work";
}

TEST(RestoreGuardian, AReleasedGuardianEndsWithoutItsAction) {
    testsupport::TempDir dir;
    const std::string mark = dir.file("restored");
    pid_t guardian = -1;
    const pid_t child = childWithGuardian(mark, true, guardian);
    ASSERT_GT(child, 0);
    // release() has reaped it before the child reported.
    EXPECT_NE(kill(guardian, 0), 0);
    killAndReap(child);
    usleep(100 * 1000);
    EXPECT_FALSE(std::filesystem::exists(mark));
}

}  // namespace
