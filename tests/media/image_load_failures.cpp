// Pictures that are found but cannot be decoded end the process with exit code 0 after an "Error"
// box; the log lines written before are on disk. No GL is reached on these paths.
#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <string>

#include "core/log.h"
#include "media/image_test_files.h"
#include "media/texture_manager.h"

using testfiles::Bytes;

namespace {

class PictureFailure : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        logPath_ = ::testing::TempDir() + "gd_picture_failure_log.txt";
        std::remove(logPath_.c_str());
        pack_.add("Textures/tex_default.tga", testfiles::makeTga24(1, 1, {1, 2, 3}));
    }

    // Runs one request in a manager whose "Error" box writes "Error: <text>" to stderr; the log goes to
    // `log` (by default logPath_).
    void request(const std::string& path, const std::string& log = "") {
        theLog().open(log.empty() ? logPath_ : log);
        TextureManager manager(
            [this](const char* name) { return pack_.read(name); },
            [](const std::string& text) { std::fprintf(stderr, "Error: %s\n", text.c_str()); });
        manager.getTexture(path);
        theLog().close();
    }

    std::string logPath_;
    testfiles::FakePack pack_;
};

}  // namespace

TEST_F(PictureFailure, UndecodablePicturesShowTheirMessageNamingTheFileFound) {
    testfiles::BmpLayout huge;
    huge.width = 1 << 16;
    huge.height = 1 << 16;
    huge.bitCount = 8;
    huge.compression = 1;
    huge.palette = {0};
    huge.bits = {0, 1};
    struct Case {
        const char* stored;
        Bytes bytes;
        const char* requested;
        const char* message;
        std::size_t logLines;  // written before the box, the last one naming the file tried
        const char* lastLogLine;
    };
    const Case cases[] = {
        // An 8-bit TGA is refused; the request for the JPEG found the TGA of the same name.
        {"Logo/4loader.tga", testfiles::makeTga(2, 4, 4, 8, Bytes(16, 0)), "Logo/4loader.jpg",
         "Error: Unable open Logo/4loader.tga", 4, "Try load Logo/4loader.tga"},
        {"Textures/short.tga", Bytes(10, 0), "Textures/short.tga", "Error: Unable open Textures/short.tga", 2,
         "Try load original: Textures/short.tga"},
        {"Notification/loading.jpg", Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'},
         "Notification/loading.jpg", "Error: Unable to load JPG File!", 2,
         "Try load original: Notification/loading.jpg"},
        {"Textures/wall.bmp", Bytes{'B', 'M', 1, 2, 3}, "Textures/wall.bmp",
         "Error: Unknown DIB file format.", 2, "Try load original: Textures/wall.bmp"},
        {"Textures/huge.bmp", testfiles::makeBmp(huge), "Textures/huge.bmp", "Error: Out of memory.", 2,
         "Try load original: Textures/huge.bmp"},
    };
    // Each case logs to a file of its own, read once every case has run: the child of a death test runs
    // the loop up to its own case, so checks inside the loop would run there too.
    const auto logOf = [this](std::size_t i) { return logPath_ + std::to_string(i); };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        pack_.add(cases[i].stored, cases[i].bytes);
        EXPECT_EXIT(request(cases[i].requested, logOf(i)), ::testing::ExitedWithCode(0), cases[i].message)
            << cases[i].requested;
    }
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto lines = testfiles::readLines(logOf(i));
        EXPECT_EQ(lines.size(), cases[i].logLines) << cases[i].requested;
        EXPECT_EQ(lines.empty() ? "" : lines.back(), cases[i].lastLogLine);
    }
}

TEST_F(PictureFailure, MissingDefaultTextureEndsTheProgram) {
    testfiles::FakePack empty;
    pack_ = empty;
    EXPECT_EXIT(request("Textures/gone.tga"), ::testing::ExitedWithCode(0),
                "Error: Unable open Textures/tex_default.tga");
    const auto lines = testfiles::readLines(logPath_);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Loading default texture");
}
