// The built screensaver with SDL's disk audio driver: with music on the device is opened and audio
// flows into the driver's file; with music off no device is opened (no file) and "Sound initialized"
// is not logged. Runs without an X server (offscreen video).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/screensaver.h"

namespace {

using testsupport::ScreensaverSandbox;

void writeSettings(const std::string& folder, bool music) {
    std::filesystem::create_directories(folder);
    std::ofstream out(folder + "/settings.reg");
    out << "Windows Registry Editor Version 5.00\n\n"
        << "[HKEY_CURRENT_USER\\Software\\Vantorel\\Glimmerdale]\n"
        << "\"Enable music:\"=dword:0000000" << (music ? 1 : 0) << "\n"
        << "\"Sound volume:\"=dword:00000025\n";
}

class SoundEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(GLIMMERDALE_EXE)) GTEST_SKIP() << "Glimmerdale.scr is not built";
    }

    testsupport::ProcessResult run(bool music) {
        writeSettings(sandbox.file("settings"), music);
        testsupport::ProcessRequest request =
            sandbox.request({"/s", "--windowed", "--size", "160x120", "--frames", "20", "--config-dir",
                             sandbox.file("settings")},
                            testsupport::kNoDisplay);
        request.env["SDL_VIDEODRIVER"] = std::string("offscreen");
        request.env["SDL_AUDIODRIVER"] = std::string("disk");
        request.env["SDL_DISKAUDIOFILE"] = audioFile();
        return sandbox.runAlone(request, std::chrono::seconds(120));
    }
    std::string audioFile() const { return sandbox.file("audio.raw"); }

    ScreensaverSandbox sandbox;
};

TEST_F(SoundEndToEnd, MusicOnOpensTheDeviceAndLogsAfterLoading) {
    const auto result = run(true);
    ASSERT_FALSE(result.timedOut);
    EXPECT_TRUE(testsupport::containsInOrder(sandbox.logLines(),
                                             {"Loading models", "OpenGL initialized", "Sound initialized"}))
        << sandbox.log();
    ASSERT_TRUE(std::filesystem::exists(audioFile())) << "no audio device was opened";
    EXPECT_GT(std::filesystem::file_size(audioFile()), 0u);
}

TEST_F(SoundEndToEnd, MusicOffOpensNoDeviceAndLogsNothing) {
    const auto result = run(false);
    ASSERT_FALSE(result.timedOut);
    EXPECT_TRUE(sandbox.logHas("OpenGL initialized")) << sandbox.log();
    EXPECT_FALSE(sandbox.logHas("Sound initialized"));
    EXPECT_FALSE(std::filesystem::exists(audioFile()));
}

}  // namespace
