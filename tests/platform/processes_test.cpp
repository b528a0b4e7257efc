#include "platform/processes.h"

#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "support/process.h"

namespace {

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// A copy of `sleep` under `name` in `dir`, started for 30 s.
bool startSleeperNamed(testsupport::BackgroundProcess& sleeper, const testsupport::TempDir& dir,
                       const std::string& name) {
    std::filesystem::copy_file("/bin/sleep", dir.file(name));
    std::filesystem::permissions(dir.file(name), std::filesystem::perms::owner_all);
    testsupport::ProcessRequest request;
    request.program = dir.file(name);
    request.args = {"30"};
    return sleeper.start(request);
}

TEST(RunningProcessNames, FindsThisProcessByItsFileName) {
    std::vector<std::string> names;
    ASSERT_TRUE(platform::runningProcessNames(names));
    EXPECT_TRUE(contains(names, "test_platform"));
}

TEST(RunningProcessNames, NamesLongerThanTheKernelKeepsAreGivenWhole) {
    // A copy of `sleep` under a 20-byte name: /proc/<pid>/comm holds only 15 of them.
    testsupport::TempDir dir;
    const std::string longName = "Glimmerdale.scr-long";
    testsupport::BackgroundProcess sleeper;
    ASSERT_TRUE(startSleeperNamed(sleeper, dir, longName));
    std::vector<std::string> names;
    ASSERT_TRUE(platform::runningProcessNames(names));
    const auto shortNames = [&] { return std::count(names.begin(), names.end(), "Glimmerdale.scr"); };
    const auto shortBefore = shortNames();  // copies of the screensaver may be running on this machine
    ASSERT_TRUE(testsupport::waitUntil([&] {
        platform::runningProcessNames(names);
        return contains(names, longName);
    }));
    EXPECT_EQ(shortNames(), shortBefore);
    sleeper.kill();
}

TEST(OwnProcessName, CanBeChangedWithinTheKernelsFifteenBytes) {
    const std::string original = platform::ownProcessName();
    ASSERT_EQ(original, "test_platform");
    // Not the screensaver's name: a copy starting elsewhere on the machine would count this one.
    ASSERT_TRUE(platform::setOwnProcessName("gd-fifteen-byte"));
    EXPECT_EQ(platform::ownProcessName(), "gd-fifteen-byte");
    std::vector<std::string> names;
    ASSERT_TRUE(platform::runningProcessNames(names));
    EXPECT_TRUE(contains(names, "gd-fifteen-byte"));
    EXPECT_FALSE(platform::setOwnProcessName("gd-sixteen-bytes"));
    EXPECT_FALSE(platform::setOwnProcessName(""));
    EXPECT_EQ(platform::ownProcessName(), "gd-fifteen-byte");
    ASSERT_TRUE(platform::setOwnProcessName(original));
}

TEST(OwnProcesses, AreCountedWhileTheyRunEvenAfterTheirProgramIsReplacedButNotOnceEnded) {
    // A child that takes a name of its own and waits; then ends, and is not reaped at once.
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        prctl(PR_SET_NAME, "gd-proc-child", 0, 0, 0);
        char byte;
        close(go[1]);
        (void)!read(go[0], &byte, 1);
        _exit(0);
    }
    close(go[0]);
    EXPECT_TRUE(testsupport::waitUntil([&] { return platform::countOwnProcesses("gd-proc-child") == 1; }));
    EXPECT_TRUE(platform::processRunning(child));
    close(go[1]);
    // Ended but not yet reaped: it runs nothing, and is neither counted nor listed.
    EXPECT_TRUE(testsupport::waitUntil([&] { return !platform::processRunning(child); }));
    EXPECT_EQ(platform::countOwnProcesses("gd-proc-child"), 0);
    std::vector<std::string> names;
    ASSERT_TRUE(platform::runningProcessNames(names));
    EXPECT_FALSE(contains(names, "gd-proc-child"));
    int status = 0;
    waitpid(child, &status, 0);

    // A program under a long name whose file is renamed over, as a package upgrade does: still the
    // same name, found whole.
    testsupport::TempDir dir;
    const std::string longName = "gd-upgraded-sleeper";
    testsupport::BackgroundProcess sleeper;
    ASSERT_TRUE(startSleeperNamed(sleeper, dir, longName));
    std::filesystem::copy_file("/bin/sleep", dir.file("new"));
    std::filesystem::rename(dir.file("new"), dir.file(longName));
    EXPECT_TRUE(testsupport::waitUntil([&] {
        const std::vector<int> found = platform::ownProcessesNamed(longName);
        return found.size() == 1 && found[0] == sleeper.pid();
    }));
    EXPECT_TRUE(platform::stopProcess(sleeper.pid()));
    testsupport::ProcessResult ended;
    EXPECT_TRUE(sleeper.waitForExit(ended, std::chrono::seconds(5)));
    EXPECT_EQ(ended.signal, SIGTERM);

    const std::string self = platform::ownExecutablePath();
    EXPECT_EQ(self.substr(self.rfind('/') + 1), "test_platform") << self;
    const std::vector<int> sameName = platform::ownProcessesNamed("test_platform");
    EXPECT_EQ(std::count(sameName.begin(), sameName.end(), platform::ownProcessId()), 0) << "itself counted";
}

}  // namespace
