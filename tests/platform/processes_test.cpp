#include "platform/processes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/process.h"

namespace {

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
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
    std::filesystem::copy_file("/bin/sleep", dir.file(longName));
    std::filesystem::permissions(dir.file(longName), std::filesystem::perms::owner_all);
    testsupport::BackgroundProcess sleeper;
    testsupport::ProcessRequest request;
    request.program = dir.file(longName);
    request.args = {"30"};
    ASSERT_TRUE(sleeper.start(request));
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

}  // namespace
