#pragma once
// Running the built Glimmerdale.scr in end-to-end tests, the Linux build or the Windows build under
// Wine, through one interface, so that a scenario that holds on both platforms is written once:
//
//   Build, kBuildUnderTest          which program a test drives (test_wine: the Windows one)
//   ScreensaverSandbox              one copy's working folder (its Log.txt), file name and settings
//   StoredSettings, defaultSettings the eleven stored values by name, as the first start writes them;
//     settingsWith, quietSettings     ... with changes
//   containsInOrder, prefixesInOrder  log lines in order
//   meanColour, meanBrightness, showsTheRoom, pictureSize, pictureCrop, pictureDifference
//                                   pictures, through ImageMagick
//   windowNamed, xdotool            X windows and input
//   RunningScreensaver              a copy in the background: its window, keys, its end
//   reg, settingsInRegistry, ...    the registry of the Wine session
//
// Each copy runs under a file name of the test's choosing (a link to the built program in its own
// folder): the single-instance check counts copies named "Glimmerdale.scr" only, so copies of other
// tests, or of people on the machine, never end a test's run unless the test picks that name.
//
// The Linux program is the build's own (GLIMMERDALE_EXE) or $GLIMMERDALE_LINUX_EXE. The Windows
// program, and the Wine session (WINEPREFIX, its running server), come from scripts/test-windows.sh
// through the Windows build's CTest: $GLIMMERDALE_WINDOWS_EXE.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/process.h"

namespace testsupport {

using namespace std::chrono_literals;

enum class Build { Linux, Windows };

// The display argument of ScreensaverSandbox::request for a run without any X display.
inline const std::string kNoDisplay;

#ifdef GLIMMERDALE_TESTS_DRIVE_WINDOWS_BUILD
inline constexpr Build kBuildUnderTest = Build::Windows;
#else
inline constexpr Build kBuildUnderTest = Build::Linux;
#endif

inline const char* buildName(Build build) { return build == Build::Linux ? "Linux" : "Windows"; }

// The path in the environment variable; the test fails (never skips) when it is missing.
inline std::string requiredPath(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') {
        ADD_FAILURE() << variable << " is not set: run these tests through scripts/test-windows.sh";
        return std::string();
    }
    return value;
}

inline std::string programOf(Build build) {
    if (build == Build::Windows) return requiredPath("GLIMMERDALE_WINDOWS_EXE");
#ifdef GLIMMERDALE_EXE
    return GLIMMERDALE_EXE;
#else
    return requiredPath("GLIMMERDALE_LINUX_EXE");
#endif
}

inline std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(trimmed(line));
    return lines;
}

// `lines` holds `wanted` in this order (other lines may come between); a line matches when it
// equals the wanted one or, with `prefixes`, starts with it. A failure names the first line missing.
inline ::testing::AssertionResult linesInOrder(const std::vector<std::string>& lines,
                                               const std::vector<std::string>& wanted, bool prefixes) {
    std::size_t next = 0;
    for (const std::string& line : lines)
        if (next < wanted.size() && (prefixes ? line.rfind(wanted[next], 0) == 0 : line == wanted[next]))
            ++next;
    if (next == wanted.size()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "missing or out of order: \"" << wanted[next] << "\"";
}
inline ::testing::AssertionResult containsInOrder(const std::vector<std::string>& lines,
                                                  const std::vector<std::string>& wanted) {
    return linesInOrder(lines, wanted, false);
}
inline ::testing::AssertionResult prefixesInOrder(const std::vector<std::string>& lines,
                                                  const std::vector<std::string>& prefixes) {
    return linesInOrder(lines, prefixes, true);
}

// The stored options by value name ("Gamma:"); a value missing from the store is absent.
using StoredSettings = std::map<std::string, unsigned long>;

// What the first start stores.
inline const StoredSettings& defaultSettings() {
    static const StoredSettings values = {{"Resolution:", 1},   {"Gamma:", 3},         {"Fps:", 0},
                                          {"Clock:", 1},        {"ExitMM:", 1},        {"Enable sound:", 0},
                                          {"Enable music:", 1}, {"Music volume:", 40}, {"Sound volume:", 40},
                                          {"Usemon:", 1},       {"Style24h:", 0}};
    return values;
}

// The defaults with these values changed.
inline StoredSettings settingsWith(const StoredSettings& changes) {
    StoredSettings values = defaultSettings();
    for (const auto& [name, value] : changes) values[name] = value;
    return values;
}

// The defaults without the music and without the exit on mouse movement, with these changes: runs
// that need no sound card and that the test's own mouse does not end.
inline StoredSettings quietSettings(const StoredSettings& changes = {}) {
    StoredSettings values = settingsWith({{"Enable music:", 0}, {"ExitMM:", 0}});
    for (const auto& [name, value] : changes) values[name] = value;
    return values;
}

// A request to run a Windows program under Wine in `cwd`, with error boxes sent to stderr.
inline ProcessRequest wineRequest(const std::string& program, const std::vector<std::string>& args,
                                  const std::string& cwd) {
    ProcessRequest request;
    request.program = "/usr/bin/wine";
    request.args = {program};
    request.args.insert(request.args.end(), args.begin(), args.end());
    request.cwd = cwd;
    request.env["GLIMMERDALE_MESSAGE_BOX"] = "stderr";
    request.env["MESA_SHADER_CACHE_DISABLE"] = "true";
    return request;
}

// `wine reg ...` with its output (CR LF line ends as Windows writes them).
inline ProcessResult reg(const std::vector<std::string>& args) {
    TempDir dir("gdreg");
    return runProcess(wineRequest("reg", args, dir.path()), 60s);
}

inline constexpr char kSettingsKey[] = "HKCU\\Software\\Vantorel\\Glimmerdale";

// The REG_DWORD values under the settings key of the Wine session.
inline StoredSettings settingsInRegistry() {
    StoredSettings values;
    std::istringstream in(reg({"query", kSettingsKey}).output);
    for (std::string line; std::getline(in, line);) {
        // "    Gamma:    REG_DWORD    0x3"
        const std::size_t type = line.find("    REG_DWORD    ");
        if (type == std::string::npos) continue;
        const std::size_t begin = line.find_first_not_of(' ');
        values[line.substr(begin, type - begin)] = std::strtoul(line.c_str() + type + 17, nullptr, 16);
    }
    return values;
}

inline void setSettingInRegistry(const std::string& name, unsigned long value) {
    reg({"add", kSettingsKey, "/v", name, "/t", "REG_DWORD", "/d", std::to_string(value), "/f"});
}

// The settings key of the Wine session holding exactly these values.
inline void storeSettingsInRegistry(const StoredSettings& values) {
    reg({"delete", kSettingsKey, "/f"});
    for (const auto& [name, value] : values) setSettingInRegistry(name, value);
}

// The settings file of the Linux build: the .reg text convention, one line per value.
inline std::string settingsFileText(const StoredSettings& values) {
    std::string text =
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Vantorel\\Glimmerdale]\n";
    for (const auto& [name, value] : values) {
        char line[96];
        std::snprintf(line, sizeof line, "\"%s\"=dword:%08lx\n", name.c_str(), value);
        text += line;
    }
    return text;
}

inline StoredSettings settingsInFile(const std::string& path) {
    StoredSettings values;
    for (const std::string& line : linesOf(readTextFile(path))) {
        const std::size_t end = line.find("\"=dword:");
        if (line.empty() || line[0] != '"' || end == std::string::npos) continue;
        values[line.substr(1, end - 1)] = std::strtoul(line.c_str() + end + 8, nullptr, 16);
    }
    return values;
}

// Everything one copy of the screensaver needs: a working folder (where Log.txt lands) with the
// program linked in under the file name the test chooses, and its settings.
class ScreensaverSandbox {
public:
    explicit ScreensaverSandbox(Build build = kBuildUnderTest, const std::string& fileName = "")
        : build_(build), dir_("gde2e") {
        const std::string name = !fileName.empty()       ? fileName
                                 : build == Build::Linux ? "gd-e2e.scr"
                                                         : "gd-wine.scr";
        std::error_code ignored;
        std::filesystem::create_symlink(programOf(build), dir_.file(name), ignored);
        program_ = dir_.file(name);
    }
    explicit ScreensaverSandbox(const std::string& fileName)
        : ScreensaverSandbox(kBuildUnderTest, fileName) {}

    Build build() const { return build_; }

    // The run of the screensaver with these arguments, in this folder, with error boxes on stderr,
    // no sound card needed, on the display of the test's environment. The Linux build keeps its
    // settings under config/ of the folder; the Windows build in the Wine session's registry.
    ProcessRequest request(const std::vector<std::string>& args) const {
        if (build_ == Build::Windows) return wineRequest(program_, args, dir_.path());
        ProcessRequest request;
        request.program = program_;
        request.args = args;
        request.cwd = dir_.path();
        request.env["XDG_CONFIG_HOME"] = dir_.file("config");
        request.env["GLIMMERDALE_MESSAGE_BOX"] = "stderr";
        request.env["SDL_AUDIODRIVER"] = "dummy";
        request.env["MESA_SHADER_CACHE_DISABLE"] = "true";
        request.env["WAYLAND_DISPLAY"] = std::nullopt;
        return request;
    }
    // The same on this X display, or on none (kNoDisplay).
    ProcessRequest request(const std::vector<std::string>& args, const std::string& display) const {
        ProcessRequest request = this->request(args);
        if (display.empty())
            request.env["DISPLAY"] = std::nullopt;
        else
            request.env["DISPLAY"] = display;
        return request;
    }
    // Whether a run stood down as a second copy: exit code 0 and "gi gi" twice for its whole log. The
    // check counts the processes named "Glimmerdale.scr", whatever this copy's own name; the test
    // programs run apart from the rest of the machine, so only their own copies count.
    bool stoodDown(const ProcessResult& result) const {
        return result.exitCode == 0 && logLines() == std::vector<std::string>{"gi gi", "gi gi"};
    }
    // Runs the request to its end; a run that stood down (an earlier copy of this test program was
    // still ending) goes again a second later, for up to a minute.
    ProcessResult runAlone(const ProcessRequest& request, std::chrono::seconds limit = 180s) const {
        ProcessResult result;
        for (int attempt = 0; attempt < 60; ++attempt) {
            result = runProcess(request, limit);
            if (!stoodDown(result)) break;
            std::this_thread::sleep_for(1s);
        }
        return result;
    }
    ProcessResult run(const std::vector<std::string>& args, std::chrono::seconds limit = 180s) const {
        return runAlone(request(args), limit);
    }

    // The stored settings this copy starts with, in place of whatever was stored.
    void storeSettings(const StoredSettings& values) const {
        if (build_ == Build::Windows) return storeSettingsInRegistry(values);
        std::filesystem::create_directories(dir_.file("config/glimmerdale"));
        std::ofstream(settingsFile()) << settingsFileText(values);
    }
    void forgetSettings() const {
        if (build_ == Build::Windows)
            reg({"delete", kSettingsKey, "/f"});
        else
            std::filesystem::remove(settingsFile());
    }
    StoredSettings storedSettings() const {
        return build_ == Build::Windows ? settingsInRegistry() : settingsInFile(settingsFile());
    }
    std::string settingsFile() const { return dir_.file("config/glimmerdale/settings.reg"); }

    std::string log() const { return readTextFile(dir_.file("Log.txt")); }
    std::vector<std::string> logLines() const { return linesOf(log()); }
    bool logHas(const std::string& line) const {
        for (const std::string& l : logLines())
            if (l == line) return true;
        return false;
    }
    // True once the frame loop runs (the loading sequence has logged its last line).
    bool looping() const { return logHas("OpenGL initialized"); }
    std::string file(const std::string& name) const { return dir_.file(name); }
    const std::string& path() const { return dir_.path(); }
    const std::string& program() const { return program_; }

private:
    Build build_;
    TempDir dir_;
    std::string program_;
};

inline bool haveDisplay() {
    const char* display = std::getenv("DISPLAY");
    return display && *display;
}

// The mean colour (0..1 per channel) of a rectangle of a picture file (all of it without a
// rectangle); all -1 when the picture cannot be read.
struct Colour {
    double red = -1, green = -1, blue = -1;
};
inline Colour meanColour(const std::string& picture, int x = 0, int y = 0, int width = 0, int height = 0) {
    std::ostringstream command;
    command << "convert '" << picture << "'";
    if (width > 0) command << " -crop " << width << "x" << height << "+" << x << "+" << y << " +repage";
    command << " -scale '1x1!' -format '%[fx:r] %[fx:g] %[fx:b]' info: 2>/dev/null";
    Colour colour;
    std::istringstream(commandOutput(command.str())) >> colour.red >> colour.green >> colour.blue;
    return colour;
}

// The mean grey level (0..1) of a picture file; -1 when it cannot be read.
inline double meanBrightness(const std::string& path) {
    const std::string out =
        commandOutput("convert '" + path + "' -colorspace gray -format '%[fx:mean]' info: 2>/dev/null");
    return out.empty() ? -1.0 : std::atof(out.c_str());
}

// Whether a picture file shows the lit room rather than black or the loading picture: bright
// enough, and warm (brick, wood and firelight) where the loading picture is a blue winter night.
inline bool showsTheRoom(const std::string& path) {
    const std::string out = commandOutput(
        "convert '" + path + "' -format '%[fx:mean] %[fx:mean.r] %[fx:mean.b]' info: 2>/dev/null");
    double mean = 0, red = 0, blue = 0;
    if (std::sscanf(out.c_str(), "%lf %lf %lf", &mean, &red, &blue) != 3) return false;
    return mean > 0.06 && red > blue + 0.03;
}

// "W H" of a picture file, "" when it cannot be read.
inline std::string pictureSize(const std::string& picture) {
    return trimmed(commandOutput("identify -format '%w %h' '" + picture + "' 2>/dev/null"));
}

// The part "WxH+X+Y" of a picture file, written beside it as `name`; returns that file's path.
inline std::string pictureCrop(const std::string& picture, const std::string& region,
                               const std::string& name) {
    const std::string part = (std::filesystem::path(picture).parent_path() / name).string();
    commandOutput("convert '" + picture + "' -crop " + region + " +repage '" + part + "' 2>/dev/null");
    return part;
}

// The root-mean-square difference (0..1) of a region "WxH+X+Y" of two picture files; -1 when they
// cannot be compared.
inline double pictureDifference(const std::string& a, const std::string& b, const std::string& region) {
    const std::string out = commandOutput("compare -metric RMSE '" + a + "[" + region + "]' '" + b + "[" +
                                          region + "]' null: 2>&1");
    const std::size_t open = out.find('(');
    return open == std::string::npos ? -1.0 : std::atof(out.c_str() + open + 1);
}

// The id of the first X window with exactly this name, "" when none shows within the time limit.
inline std::string windowNamed(const std::string& name) {
    std::string id;
    waitUntil(
        [&] {
            id = trimmed(commandOutput("xdotool search --name '^" + name + "$' 2>/dev/null | head -n 1"));
            return !id.empty();
        },
        30s);
    return id;
}

inline void xdotool(const std::string& arguments) {
    commandOutput("xdotool " + arguments + " >/dev/null 2>&1");
}

// A copy running in the background: started, waited for until its frame loop runs, given X input,
// and checked for a normal end. Its X display is the test's own, or the one given to start().
class RunningScreensaver {
public:
    // Starts the copy and waits for its frame loop and its window.
    ::testing::AssertionResult start(const ScreensaverSandbox& sandbox, const std::vector<std::string>& args,
                                     const std::string& display = "") {
        sandbox_ = &sandbox;
        display_ = display;
        // A copy that stood down as a second one starts again a second later, for up to a minute.
        for (int attempt = 0; attempt < 60; ++attempt) {
            // An earlier copy's log would read as this one's loop running.
            std::error_code ignored;
            std::filesystem::remove(sandbox.file("Log.txt"), ignored);
            if (!process_.start(display.empty() ? sandbox.request(args) : sandbox.request(args, display)))
                return ::testing::AssertionFailure() << "did not start";
            waitUntil([&] { return sandbox.looping() || !process_.running(); }, 180s);
            if (process_.running() || !sandbox.stoodDown(process_.collect())) break;
            std::this_thread::sleep_for(1s);
        }
        if (!process_.running())
            return ::testing::AssertionFailure() << "ended early\n"
                                                 << sandbox.log() << process_.errorOutput();
        // Wine's windows carry the process id of Wine's loader: there the name finds it.
        window_ = sandbox.build() == Build::Windows
                      ? windowNamed("Glimmerdale")
                      : trimmed(commandOutput(onDisplay("xdotool search --sync --pid " +
                                                        std::to_string(process_.pid()) +
                                                        " 2>/dev/null | head -n 1")));
        if (window_.empty()) return ::testing::AssertionFailure() << "no window";
        return ::testing::AssertionSuccess();
    }

    const std::string& window() const { return window_; }
    // xdotool on the copy's display; "{}" in the arguments stands for the copy's window.
    void xdotool(std::string arguments) const {
        for (std::size_t at; (at = arguments.find("{}")) != std::string::npos;)
            arguments.replace(at, 2, window_);
        commandOutput(onDisplay("xdotool " + arguments + " >/dev/null 2>&1"));
    }
    // Keys (xdotool's names) sent to the window.
    void keys(const std::string& names) const { xdotool("key --window {} " + names); }

    // Still running after a second of frames.
    bool stillRunningAfterASecond() {
        std::this_thread::sleep_for(1s);
        return process_.running();
    }
    // Ends within the time limit through the normal shutdown: exit code 1, the frame-rate lines last.
    ::testing::AssertionResult endsNormally() {
        ProcessResult result;
        if (!process_.waitForExit(result, 60s)) return ::testing::AssertionFailure() << "still running";
        const std::vector<std::string> lines = sandbox_->logLines();
        if (result.exitCode != 1 || lines.empty() || lines.back().rfind("Fps: ", 0) != 0)
            return ::testing::AssertionFailure() << "exit code " << result.exitCode << "\n"
                                                 << sandbox_->log();
        return ::testing::AssertionSuccess();
    }
    BackgroundProcess& process() { return process_; }

private:
    std::string onDisplay(const std::string& command) const {
        return display_.empty() ? command : "DISPLAY='" + display_ + "' " + command;
    }

    const ScreensaverSandbox* sandbox_ = nullptr;
    std::string display_;
    BackgroundProcess process_;
    std::string window_;
};

}  // namespace testsupport
