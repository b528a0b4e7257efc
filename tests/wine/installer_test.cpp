// The Windows installer under Wine, in silent mode: it puts the screensaver and its shortcuts in
// place and makes it the user's screensaver; the silent uninstaller gives the screensaver chosen
// before back and removes what the installer added, and the user's options only when asked to.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/screensaver.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr char kDesktopKey[] = "HKCU\\Control Panel\\Desktop";
constexpr char kUninstallKey[] = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Glimmerdale";

// A REG_SZ value, "" when the key or the value is missing.
std::string registryText(const std::string& key, const std::string& name) {
    std::istringstream in(testsupport::reg({"query", key, "/v", name}).output);
    const std::string marker = "    REG_SZ    ";
    for (std::string line; std::getline(in, line);) {
        line = testsupport::trimmed(line);
        const std::size_t type = line.find(marker);
        if (type != std::string::npos && line.compare(0, type, "    " + name) == 0)
            return line.substr(type + marker.size());
    }
    return std::string();
}

bool registryKeyExists(const std::string& key) { return testsupport::reg({"query", key}).exitCode == 0; }

// The Linux path of a Windows path in the Wine prefix.
fs::path linuxPath(const std::string& windowsPath) {
    return testsupport::trimmed(testsupport::commandOutput("winepath -u '" + windowsPath + "' 2>/dev/null"));
}

testsupport::ProcessResult runWindowsProgram(const std::string& program, const std::vector<std::string>& args,
                                             const std::string& cwd) {
    return testsupport::runProcess(testsupport::wineRequest(program, args, cwd), 180s);
}

TEST(WineInstaller, SilentInstallAndUninstallPutTheScreensaverInPlaceAndGiveThePreviousOneBack) {
    const std::string installer = testsupport::requiredPath("GLIMMERDALE_INSTALLER");
    ASSERT_FALSE(installer.empty());
    const std::string previous = "C:\\windows\\system32\\previous.scr";
    testsupport::reg({"add", kDesktopKey, "/v", "SCRNSAVE.EXE", "/t", "REG_SZ", "/d", previous, "/f"});
    testsupport::reg({"add", kDesktopKey, "/v", "ScreenSaveActive", "/t", "REG_SZ", "/d", "0", "/f"});
    testsupport::storeSettingsInRegistry(testsupport::defaultSettings());
    testsupport::TempDir work("gdsetup");

    // Twice: the second install must not take the first one's screensaver for the one to give back.
    for (int round = 0; round < 2; ++round) {
        const auto installed = runWindowsProgram(installer, {"/S"}, work.path());
        ASSERT_FALSE(installed.timedOut);
        ASSERT_EQ(installed.exitCode, 0) << installed.errorOutput;
    }
    const std::string location = registryText(kUninstallKey, "InstallLocation");
    ASSERT_NE(location.find("\\AppData\\Local\\Programs\\Glimmerdale"), std::string::npos) << location;
    const fs::path folder = linuxPath(location);
    const fs::path screensaver = folder / "Glimmerdale.scr";
    ASSERT_TRUE(fs::is_regular_file(screensaver)) << screensaver;
    EXPECT_EQ(fs::file_size(screensaver),
              fs::file_size(testsupport::requiredPath("GLIMMERDALE_WINDOWS_EXE")));
    EXPECT_TRUE(fs::is_regular_file(folder / "Uninstall.exe"));
    const fs::path shortcuts = folder.parent_path().parent_path().parent_path() /
                               "Roaming/Microsoft/Windows/Start Menu/Programs/Glimmerdale";
    EXPECT_TRUE(fs::is_regular_file(shortcuts / "Settings.lnk")) << shortcuts;
    EXPECT_TRUE(fs::is_regular_file(shortcuts / "Preview.lnk")) << shortcuts;
    EXPECT_NE(registryText(kUninstallKey, "UninstallString").find("Uninstall.exe"), std::string::npos);

    // The current screensaver, by its short path.
    const std::string current = registryText(kDesktopKey, "SCRNSAVE.EXE");
    EXPECT_EQ(current.find(' '), std::string::npos) << current;
    std::error_code error;
    EXPECT_TRUE(fs::equivalent(linuxPath(current), screensaver, error)) << current;
    EXPECT_EQ(registryText(kDesktopKey, "ScreenSaveActive"), "1");

    // Windows starts it by that path.
    testsupport::TempDir runFolder("gdinstalled");
    const auto shown = runWindowsProgram(current, {"--windowed", "--size", "320x240", "--frames", "5", "/s"},
                                         runFolder.path());
    ASSERT_FALSE(shown.timedOut);
    EXPECT_EQ(shown.exitCode, 1) << shown.errorOutput;
    EXPECT_NE(testsupport::readTextFile(runFolder.file("Log.txt")).find("OpenGL initialized"),
              std::string::npos);

    // The uninstaller runs a copy of itself from the temporary folder and returns at once.
    const auto removed = runWindowsProgram(location + "\\Uninstall.exe", {"/S"}, work.path());
    ASSERT_EQ(removed.exitCode, 0) << removed.errorOutput;
    EXPECT_TRUE(testsupport::waitUntil([&] { return !fs::exists(folder) && !fs::exists(shortcuts); }, 60s))
        << "left behind in " << folder << " or " << shortcuts;
    EXPECT_TRUE(testsupport::waitUntil([&] { return !registryKeyExists(kUninstallKey); }, 30s));
    EXPECT_EQ(registryText(kDesktopKey, "SCRNSAVE.EXE"), previous);
    EXPECT_EQ(registryText(kDesktopKey, "ScreenSaveActive"), "0");
    EXPECT_EQ(testsupport::settingsInRegistry(), testsupport::defaultSettings())
        << "the options are the user's";

    // An administrator's silent uninstall that takes the options too.
    ASSERT_EQ(runWindowsProgram(installer, {"/S"}, work.path()).exitCode, 0);
    ASSERT_EQ(runWindowsProgram(location + "\\Uninstall.exe", {"/S", "/REMOVEOPTIONS"}, work.path()).exitCode,
              0);
    EXPECT_TRUE(testsupport::waitUntil([&] { return !registryKeyExists(kUninstallKey); }, 60s));
    EXPECT_FALSE(registryKeyExists(testsupport::kSettingsKey));
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(registryText(kDesktopKey, "SCRNSAVE.EXE"), previous);
}

}  // namespace
