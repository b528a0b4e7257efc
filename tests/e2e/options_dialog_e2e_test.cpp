// Configure mode end to end: the real Glimmerdale.scr shows the options dialog in the X server the
// tests run in, xdotool clicks its controls, and the settings file holds what was chosen.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "settings/options_dialog.h"
#include "support/process.h"
#include "support/x_server.h"

using testsupport::BackgroundProcess;
using testsupport::ProcessRequest;
using testsupport::ProcessResult;
using testsupport::readTextFile;
using testsupport::TempDir;
using testsupport::waitUntil;

namespace {

const char* const kDialogTitles = "^( Options|Glimmerdale Configuration)$";

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

// The executable, copied under another name into `folder`: the single-instance check would end the
// dialog at once whenever any other Glimmerdale.scr runs on the machine (another test, a developer).
std::string privateCopy(const std::string& folder) {
    const std::string copy = folder + "/GdOptionsDialog";
    std::filesystem::copy_file(GLIMMERDALE_EXE, copy, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(copy, std::filesystem::perms::owner_all);
    return copy;
}

// Where the Linux dialog (the one with the desktop's rows) has the control, in dialog units: the
// buttons below those rows move with them.
const platform::ControlTemplate& placeOf(int id) {
    const platform::DialogTemplate& dialog = kOptionsDialogDesktopTemplate;
    for (std::size_t i = 0; i < dialog.controlCount; ++i)
        if (dialog.controls[i].id == id) return dialog.controls[i];
    return dialog.controls[0];
}

// Pixel position inside the dialog of a point given in dialog units.
int pixelsX(int units) { return (units * 6 + 2) / 4; }
int pixelsY(int units) { return (units * 13 + 4) / 8; }

class OptionsDialogE2E : public ::testing::Test {
protected:
    void SetUp() override {
        // An X server of its own, where no other test's window takes the clicks.
        if (!xServer.start(800, 600)) GTEST_SKIP() << "Xvfb is not available";
        if (shell("command -v xdotool").empty()) GTEST_SKIP() << "needs xdotool";
    }

    // Starts the screensaver with "/c" over the config folder and waits for its dialog window.
    void startDialog(const std::string& path = "") {
        ProcessRequest request;
        request.program = privateCopy(work.path());
        request.args = {"/c", "--config-dir", config.path()};
        request.cwd = work.path();
        request.env["GLIMMERDALE_MESSAGE_BOX"] = std::string("stderr");
        request.env["DISPLAY"] = xServer.display();
        if (!path.empty()) request.env["PATH"] = path;
        ASSERT_TRUE(process.start(request));
        ASSERT_TRUE(waitUntil(
            [&] {
                if (!process.running()) return true;
                window = trimmed(shell(std::string("xdotool search --all --onlyvisible --pid ") +
                                       std::to_string(process.pid()) + " --name '" + kDialogTitles + "'"));
                return !window.empty();
            },
            std::chrono::seconds(30)));
        ASSERT_FALSE(window.empty()) << process.errorOutput() << readTextFile(work.file("Log.txt"));
        window = window.substr(0, window.find('\n'));
    }

    // Clicks the point (x, y) in dialog units of the dialog window.
    void clickAt(int x, int y) {
        shell("xdotool mousemove --window " + window + " " + std::to_string(pixelsX(x)) + " " +
              std::to_string(pixelsY(y)) + " click 1");
        // Each click is a round trip through the X server; give the dialog a moment to take it.
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }

    // Turns the mouse wheel down once over the point (x, y) in dialog units.
    void scrollDownAt(int x, int y) {
        shell("xdotool mousemove --window " + window + " " + std::to_string(pixelsX(x)) + " " +
              std::to_string(pixelsY(y)) + " click 5");
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }

    // A shell command on the dialog's X server.
    std::string shell(const std::string& command) const { return xServer.run(command); }

    ProcessResult waitForEnd() {
        ProcessResult result;
        EXPECT_TRUE(process.waitForExit(result, std::chrono::seconds(20)));
        return result;
    }

    std::string settings() const { return readTextFile(config.file("settings.reg")); }

    testsupport::PrivateXServer xServer;
    TempDir work{"gd-dialog-work"};
    TempDir config{"gd-dialog-config"};
    BackgroundProcess process;
    std::string window;
};

const char* const kStartingSettings =
    "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Vantorel\\Glimmerdale]\n"
    "\"Resolution:\"=dword:00000003\n\"Gamma:\"=dword:00000003\n\"Fps:\"=dword:00000000\n"
    "\"Clock:\"=dword:00000001\n\"ExitMM:\"=dword:00000001\n\"Enable sound:\"=dword:00000000\n"
    "\"Enable music:\"=dword:00000001\n\"Music volume:\"=dword:00000028\n\"Sound volume:\"=dword:00000028\n"
    "\"Usemon:\"=dword:00000000\n\"Style24h:\"=dword:00000000\n";

}  // namespace

TEST_F(OptionsDialogE2E, ChangedControlsAreStoredOnOk) {
    std::ofstream(config.file("settings.reg")) << kStartingSettings;
    startDialog();
    const std::string screenshot = std::string(GLIMMERDALE_BINARY_DIR) + "/options_dialog.png";
    shell("import -window " + window + " " + screenshot + " 2>/dev/null");

    clickAt(259 + 5, 106 + 5);  // Show FPS: on
    clickAt(259 + 5, 122 + 5);  // Exit on mouse move: off
    clickAt(208 + 5, 128 + 5);  // 24h style
    clickAt(15 + 5, 76 + 6);    // Enable music: off
    clickAt(83 + 50, 113 + 6);  // the gamma slider takes the focus ...
    shell("xdotool key Home");  // ... and goes to 0 (real key events: GTK ignores sent ones)
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    // The resolution list two items on, from 1024x768x32 to 1280x1024x32: the wheel turned down twice
    // over the closed list.
    scrollDownAt(15 + 60, 17 + 6);
    scrollDownAt(15 + 60, 17 + 6);
    clickAt(placeOf(kIdOk).x + 30, placeOf(kIdOk).y + 7);

    const ProcessResult result = waitForEnd();
    EXPECT_EQ(result.signal, 0);
    const std::string text = settings();
    EXPECT_NE(text.find("\"Fps:\"=dword:00000001"), std::string::npos) << text;
    EXPECT_NE(text.find("\"ExitMM:\"=dword:00000000"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Style24h:\"=dword:00000001"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Enable music:\"=dword:00000000"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Gamma:\"=dword:00000000"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Resolution:\"=dword:00000005"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Music volume:\"=dword:00000000"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Usemon:\"=dword:00000000"), std::string::npos) << text;
}

TEST_F(OptionsDialogE2E, AboutVisitAndCancelStoreNothing) {
    std::ofstream(config.file("settings.reg")) << kStartingSettings;
    // A stand-in for the desktop's URL opener records the address it is given.
    const std::string opener = work.file("bin/xdg-open");
    std::filesystem::create_directories(work.file("bin"));
    std::ofstream(opener) << "#!/bin/sh\necho \"$1\" > \"" << work.file("opened.txt") << "\"\n";
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    const char* path = std::getenv("PATH");
    startDialog(work.file("bin") + ":" + (path ? path : "/usr/bin:/bin"));

    clickAt(259 + 5, 106 + 5);   // Show FPS: on, in memory only
    clickAt(208 + 30, 154 + 7);  // Visit...
    ASSERT_TRUE(
        waitUntil([&] { return !readTextFile(work.file("opened.txt")).empty(); }, std::chrono::seconds(10)));
    EXPECT_EQ(trimmed(readTextFile(work.file("opened.txt"))), "https://vantorel.example/glimmerdale");

    clickAt(272 + 30, 154 + 7);  // About...
    const std::string findAbout =
        "xdotool search --all --onlyvisible --pid " + std::to_string(process.pid()) + " --name '^ ?About$'";
    std::string aboutWindow;
    ASSERT_TRUE(waitUntil([&] { return !(aboutWindow = trimmed(shell(findAbout))).empty(); },
                          std::chrono::seconds(10)));
    shell("xdotool mousemove --window " + aboutWindow + " " + std::to_string(pixelsX(163 + 27)) + " " +
          std::to_string(pixelsY(77 + 7)) + " click 1");  // the About box's OK hides it
    EXPECT_TRUE(waitUntil([&] { return trimmed(shell(findAbout)).empty(); }, std::chrono::seconds(10)));
    clickAt(placeOf(kIdCancel).x + 30, placeOf(kIdCancel).y + 7);

    const ProcessResult result = waitForEnd();
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(settings(), kStartingSettings);
}

TEST(OptionsDialogWithoutDisplay, SaysSoAndEndsCleanly) {
    TempDir work("gd-dialog-nodisplay");
    TempDir config("gd-dialog-config");
    ProcessRequest request;
    request.program = privateCopy(work.path());
    request.args = {"/c", "--config-dir", config.path()};
    request.cwd = work.path();
    request.env["DISPLAY"] = std::nullopt;
    request.env["WAYLAND_DISPLAY"] = std::nullopt;
    request.env["GLIMMERDALE_MESSAGE_BOX"] = std::string("stderr");
    const ProcessResult result = testsupport::runProcess(request, std::chrono::seconds(30));
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.signal, 0);
    EXPECT_NE(result.errorOutput.find("the options dialog needs a display: DISPLAY is not set"),
              std::string::npos)
        << result.errorOutput;
    EXPECT_NE(readTextFile(work.file("Log.txt")).find("Options dialog: no display (DISPLAY is not set)\n"),
              std::string::npos);
    // Settings were still loaded: the first start wrote the defaults.
    EXPECT_NE(readTextFile(config.file("settings.reg")).find("\"Gamma:\"=dword:00000003"), std::string::npos);
}
