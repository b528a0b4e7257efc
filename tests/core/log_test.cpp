#include "core/log.h"

#include <gtest/gtest.h>

#include "support/process.h"

namespace {

TEST(LogLine, NumbersUseDefaultStreamFormatting) {
    EXPECT_EQ(Log::line(60.0), "60");
    EXPECT_EQ(Log::line(1.25), "1.25");
    EXPECT_EQ(Log::line(1.0f / 3.0f), "0.333333");
    EXPECT_EQ(Log::line(1234567.0), "1.23457e+06");
    EXPECT_EQ(Log::line(0.5f), "0.5");
    EXPECT_EQ(Log::line(-7), "-7");
    EXPECT_EQ(Log::line(4294967295u), "4294967295");
    EXPECT_EQ(Log::line("Fps: ", 59.94, " frames ", 12), "Fps: 59.94 frames 12");
}

TEST(Log, TruncatesAtOpenAndEachLineIsOnDiskAtOnce) {
    testsupport::TempDir dir;
    const std::string path = dir.file("Log.txt");
    {
        std::ofstream old(path);
        old << "old contents\n";
    }
    Log log;
    log.open(path);
    EXPECT_TRUE(log.isOpen());
    EXPECT_EQ(testsupport::readTextFile(path), "");
    log.write("gi gi");
    EXPECT_EQ(testsupport::readTextFile(path), "gi gi\n");  // flushed without closing
    log.write(Log::line("Width: ", 800));
    EXPECT_EQ(testsupport::readTextFile(path), "gi gi\nWidth: 800\n");
    log.close();
    log.write("after close");
    EXPECT_EQ(testsupport::readTextFile(path), "gi gi\nWidth: 800\n");
}

TEST(Log, AFileThatCannotBeCreatedDropsEveryWrite) {
    testsupport::TempDir dir;
    Log log;
    log.open(dir.file("no/such/folder/Log.txt"));
    EXPECT_FALSE(log.isOpen());
    log.write("dropped");  // must not throw or crash
    // Opening again on a good path works after the failure.
    log.open(dir.file("Log.txt"));
    log.write("kept");
    EXPECT_EQ(testsupport::readTextFile(dir.file("Log.txt")), "kept\n");
}

}  // namespace
