#pragma once
// Running the Windows Glimmerdale.scr under Wine from Linux tests. The Wine session (WINEPREFIX,
// its running server) and the X server come from the caller (scripts/test-windows.sh); the program
// paths come from the environment the Windows build's CTest sets:
//
//   GLIMMERDALE_WINDOWS_EXE   the built Glimmerdale.scr
//   GLIMMERDALE_PREVIEW_HOST  the preview host program (tests/wine/windows/preview_host.cpp)
//   GLIMMERDALE_MEDIA_DIR     the media folder the program's resources were made from

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/process.h"

namespace winetest {

using namespace std::chrono_literals;

// The path in the environment variable; the test fails (never skips) when it is missing.
inline std::string requiredPath(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') {
        ADD_FAILURE() << variable << " is not set: run these tests through scripts/test-windows.sh";
        return std::string();
    }
    return value;
}

inline std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

// True when lines starting with these texts come in this order (other lines may come between).
inline bool prefixesInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& prefixes) {
    std::size_t next = 0;
    for (const std::string& line : lines)
        if (next < prefixes.size() && line.rfind(prefixes[next], 0) == 0) ++next;
    return next == prefixes.size();
}

// True when these exact lines come in this order (other lines may come between).
inline bool containsInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
    std::size_t next = 0;
    for (const std::string& line : lines)
        if (next < wanted.size() && line == wanted[next]) ++next;
    return next == wanted.size();
}

// A request to run a Windows program under Wine in `cwd`, with error boxes sent to stderr.
inline testsupport::ProcessRequest wineRequest(const std::string& program,
                                               const std::vector<std::string>& args, const std::string& cwd) {
    testsupport::ProcessRequest request;
    request.program = "/usr/bin/wine";
    request.args = {program};
    request.args.insert(request.args.end(), args.begin(), args.end());
    request.cwd = cwd;
    request.env["GLIMMERDALE_MESSAGE_BOX"] = "stderr";
    request.env["MESA_SHADER_CACHE_DISABLE"] = "true";
    return request;
}

// One folder for one run of the screensaver (its Log.txt lands there), with the program linked in
// under the file name the test chooses: the single-instance check counts copies by file name.
class WineSandbox {
public:
    explicit WineSandbox(const std::string& fileName = "gd-wine.scr") : dir_("gdwine") {
        std::error_code ignored;
        std::filesystem::create_symlink(requiredPath("GLIMMERDALE_WINDOWS_EXE"), dir_.file(fileName),
                                        ignored);
        program_ = dir_.file(fileName);
    }

    testsupport::ProcessRequest request(const std::vector<std::string>& args) const {
        return wineRequest(program_, args, dir_.path());
    }
    testsupport::ProcessResult run(const std::vector<std::string>& args,
                                   std::chrono::seconds limit = std::chrono::seconds(180)) const {
        return testsupport::runProcess(request(args), limit);
    }

    std::string log() const { return testsupport::readTextFile(dir_.file("Log.txt")); }
    std::vector<std::string> logLines() const {
        std::vector<std::string> lines;
        std::istringstream in(log());
        for (std::string line; std::getline(in, line);) lines.push_back(trimmed(line));
        return lines;
    }
    bool logHas(const std::string& line) const {
        for (const std::string& l : logLines())
            if (l == line) return true;
        return false;
    }
    std::string file(const std::string& name) const { return dir_.file(name); }
    const std::string& path() const { return dir_.path(); }

private:
    testsupport::TempDir dir_;
    std::string program_;
};

// `wine reg ...` with its output (CR LF line ends as Windows writes them).
inline testsupport::ProcessResult reg(const std::vector<std::string>& args) {
    testsupport::TempDir dir("gdreg");
    return testsupport::runProcess(wineRequest("reg", args, dir.path()), 60s);
}

constexpr char kSettingsKey[] = "HKCU\\Software\\Vantorel\\Glimmerdale";

// The REG_DWORD values under our key, by name; missing values are absent.
inline std::map<std::string, unsigned long> settingsInRegistry() {
    std::map<std::string, unsigned long> values;
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

inline void setSetting(const std::string& name, unsigned long value) {
    reg({"add", kSettingsKey, "/v", name, "/t", "REG_DWORD", "/d", std::to_string(value), "/f"});
}

inline void forgetSettings() { reg({"delete", kSettingsKey, "/f"}); }

// What the first start stores.
inline const std::map<std::string, unsigned long>& defaultSettings() {
    static const std::map<std::string, unsigned long> values = {
        {"Resolution:", 1},    {"Gamma:", 3},        {"Fps:", 0},          {"Clock:", 1},
        {"ExitMM:", 1},        {"Enable sound:", 0}, {"Enable music:", 1}, {"Music volume:", 40},
        {"Sound volume:", 40}, {"Usemon:", 1},       {"Style24h:", 0}};
    return values;
}

// The key as the first start leaves it, so that a test can change single values from there.
inline void storeDefaultSettings() {
    forgetSettings();
    for (const auto& [name, value] : defaultSettings()) setSetting(name, value);
}

// The mean colour (0..1 per channel) of a rectangle of a picture file, through ImageMagick.
struct Colour {
    double red = -1, green = -1, blue = -1;
};
inline Colour meanColour(const std::string& picture, int x, int y, int width, int height) {
    std::ostringstream command;
    command << "convert '" << picture << "' -crop " << width << "x" << height << "+" << x << "+" << y
            << " +repage -scale '1x1!' -format '%[fx:r] %[fx:g] %[fx:b]' info: 2>/dev/null";
    Colour colour;
    std::istringstream(testsupport::commandOutput(command.str())) >> colour.red >> colour.green >>
        colour.blue;
    return colour;
}

// "W H" of a picture file, "" when it cannot be read.
inline std::string pictureSize(const std::string& picture) {
    return trimmed(testsupport::commandOutput("identify -format '%w %h' '" + picture + "' 2>/dev/null"));
}

// The id of the first X window with exactly this name, "" when none shows within the time limit.
inline std::string windowNamed(const std::string& name) {
    std::string id;
    testsupport::waitUntil(
        [&] {
            id = trimmed(
                testsupport::commandOutput("xdotool search --name '^" + name + "$' 2>/dev/null | head -n 1"));
            return !id.empty();
        },
        30s);
    return id;
}

inline void xdotool(const std::string& arguments) {
    testsupport::commandOutput("xdotool " + arguments + " >/dev/null 2>&1");
}

}  // namespace winetest
