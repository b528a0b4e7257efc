// Pictures that are found but cannot be decoded end the process with exit code 0 after an "Error"
// box; the log lines written before are on disk. No GL is reached on these paths.
#include <gtest/gtest.h>

#include <cstdio>

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

    // Runs one request in a manager whose "Error" box writes "Error: <text>" to stderr.
    void request(const std::string& path) {
        theLog().open(logPath_);
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

TEST_F(PictureFailure, UndecodableTgaShowsUnableOpenWithTheNameFound) {
    pack_.add("Logo/4loader.tga", testfiles::makeTga(2, 4, 4, 8, Bytes(16, 0)));  // 8-bit: refused
    EXPECT_EXIT(request("Logo/4loader.jpg"), ::testing::ExitedWithCode(0),
                "Error: Unable open Logo/4loader.tga");
    const auto lines = testfiles::readLines(logPath_);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines.back(), "Try load Logo/4loader.tga");
}

// Each death test re-runs its whole test body in the child, so checks after one would run there too.
TEST_F(PictureFailure, TruncatedTgaShowsUnableOpen) {
    pack_.add("Textures/short.tga", Bytes(10, 0));
    EXPECT_EXIT(request("Textures/short.tga"), ::testing::ExitedWithCode(0),
                "Error: Unable open Textures/short.tga");
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

TEST_F(PictureFailure, CorruptJpegAndBmpShowTheirMessages) {
    pack_.add("Notification/loading.jpg", Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'});
    EXPECT_EXIT(request("Notification/loading.jpg"), ::testing::ExitedWithCode(0),
                "Error: Unable to load JPG File!");

    pack_.add("Textures/wall.bmp", Bytes{'B', 'M', 1, 2, 3});
    EXPECT_EXIT(request("Textures/wall.bmp"), ::testing::ExitedWithCode(0),
                "Error: Unknown DIB file format.");

    testfiles::BmpLayout huge;
    huge.width = 1 << 16;
    huge.height = 1 << 16;
    huge.bitCount = 8;
    huge.compression = 1;
    huge.palette = {0};
    huge.bits = {0, 1};
    pack_.add("Textures/huge.bmp", testfiles::makeBmp(huge));
    EXPECT_EXIT(request("Textures/huge.bmp"), ::testing::ExitedWithCode(0), "Error: Out of memory.");
}
