#pragma once
// Running the built Glimmerdale.scr in end-to-end tests: each run gets its own working folder (where
// Log.txt lands) and settings folder, and runs under a file name of the test's choosing (a link to
// the built executable), so copies running for other tests never trip the single-instance check.

#include <string>
#include <vector>

#include "support/process.h"

namespace testsupport {

// A file name that is not "Glimmerdale.scr", so the instance check never ends the run.
inline constexpr char kIsolatedName[] = "gd-e2e.scr";

// Everything one run of the screensaver needs: a working folder with the executable linked in.
class ScreensaverSandbox {
public:
    explicit ScreensaverSandbox(const std::string& fileName = kIsolatedName) : dir_("gde2e") {
        std::error_code ignored;
        std::filesystem::create_symlink(GLIMMERDALE_EXE, dir_.file(fileName), ignored);
        executable_ = dir_.file(fileName);
    }

    // The run of the screensaver with these arguments, in this folder, with the settings under
    // config/ of it, message boxes sent to stderr and no display unless `display` is given.
    ProcessRequest request(const std::vector<std::string>& args, const std::string& display = "") const {
        ProcessRequest request;
        request.program = executable_;
        request.args = args;
        request.cwd = dir_.path();
        request.env["XDG_CONFIG_HOME"] = dir_.file("config");
        request.env["GLIMMERDALE_MESSAGE_BOX"] = "stderr";
        request.env["SDL_AUDIODRIVER"] = "dummy";
        request.env["MESA_SHADER_CACHE_DISABLE"] = "true";
        request.env["WAYLAND_DISPLAY"] = std::nullopt;
        if (display.empty())
            request.env["DISPLAY"] = std::nullopt;
        else
            request.env["DISPLAY"] = display;
        return request;
    }

    std::string log() const { return readTextFile(dir_.file("Log.txt")); }
    std::vector<std::string> logLines() const {
        std::vector<std::string> lines;
        std::istringstream in(log());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
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
    TempDir dir_;
    std::string executable_;
};

// True when `wanted` appears in `lines` in this order (other lines may come between).
inline bool containsInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
    std::size_t next = 0;
    for (const std::string& line : lines)
        if (next < wanted.size() && line == wanted[next]) ++next;
    return next == wanted.size();
}

}  // namespace testsupport
