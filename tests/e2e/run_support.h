#pragma once
// Starting Glimmerdale.scr in Run mode for end-to-end tests: a fresh working folder (for Log.txt)
// and settings folder, error boxes on stderr, no sound card needed.

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/process.h"

namespace runtest {

struct RunSettings {
    bool exitOnMouseMove = false;
    bool music = false;
    int gamma = 3;
};

inline bool haveDisplay() {
    const char* display = std::getenv("DISPLAY");
    return display && *display;
}

class RunSession {
public:
    explicit RunSession(const RunSettings& settings = {}) {
        const std::string folder = dir.file("config");
        testsupport::commandOutput("mkdir -p '" + folder + "'");
        std::ostringstream text;
        text << "Windows Registry Editor Version 5.00\n\n"
             << "[HKEY_CURRENT_USER\\Software\\Vantorel\\Glimmerdale]\n"
             << "\"Resolution:\"=dword:00000001\n"
             << "\"Gamma:\"=dword:0000000" << settings.gamma << "\n"
             << "\"Fps:\"=dword:00000000\n\"Clock:\"=dword:00000001\n"
             << "\"ExitMM:\"=dword:0000000" << (settings.exitOnMouseMove ? 1 : 0) << "\n"
             << "\"Enable sound:\"=dword:00000000\n"
             << "\"Enable music:\"=dword:0000000" << (settings.music ? 1 : 0) << "\n"
             << "\"Music volume:\"=dword:00000028\n\"Sound volume:\"=dword:00000028\n"
             << "\"Usemon:\"=dword:00000001\n\"Style24h:\"=dword:00000000\n";
        std::ofstream(folder + "/settings.reg") << text.str();
    }

    testsupport::ProcessRequest request(std::vector<std::string> options) const {
        testsupport::ProcessRequest request;
        // GLIMMERDALE_RUN_EXE may name a copy under another file name, so that a developer's run is
        // not taken for a second copy of someone else's screensaver on a shared machine.
        const char* other = std::getenv("GLIMMERDALE_RUN_EXE");
        request.program = other && *other ? other : GLIMMERDALE_EXE;
        request.args = {"--config-dir", dir.file("config")};
        request.args.insert(request.args.end(), options.begin(), options.end());
        request.args.push_back("/s");
        request.cwd = dir.path();
        request.env["GLIMMERDALE_MESSAGE_BOX"] = "stderr";
        request.env["SDL_AUDIODRIVER"] = "dummy";
        request.env["MESA_SHADER_CACHE_DISABLE"] = "true";
        return request;
    }

    std::string log() const { return testsupport::readTextFile(dir.file("Log.txt")); }
    std::vector<std::string> logLines() const {
        std::vector<std::string> lines;
        std::istringstream in(log());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // True once the frame loop runs (the loading sequence has logged its last line).
    bool looping() const { return log().find("OpenGL initialized") != std::string::npos; }

    testsupport::TempDir dir{"gdrun"};
};

// A second copy of the screensaver ends at once (exit code 0, "gi gi" twice in its log). Other
// programs on the machine may run one for a while; these tests wait for their turn.
inline bool wasSecondCopy(const testsupport::ProcessResult& result, const RunSession& session) {
    return result.exitCode == 0 && session.log().rfind("gi gi\ngi gi", 0) == 0;
}

inline testsupport::ProcessResult runAlone(const RunSession& session, const std::vector<std::string>& options,
                                           std::chrono::seconds limit = std::chrono::seconds(120)) {
    testsupport::ProcessResult result;
    for (int attempt = 0; attempt < 60; ++attempt) {
        result = testsupport::runProcess(session.request(options), limit);
        if (!wasSecondCopy(result, session)) break;
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    return result;
}

// The mean grey level (0..1) of a picture file, through ImageMagick; -1 when it cannot be read.
inline double meanBrightness(const std::string& path) {
    const std::string out = testsupport::commandOutput(
        "convert '" + path + "' -colorspace gray -format '%[fx:mean]' info: 2>/dev/null");
    return out.empty() ? -1.0 : std::atof(out.c_str());
}

// Whether a picture file shows the lit room rather than black or the loading picture: bright
// enough, and warm (brick, wood and firelight) where the loading picture is a blue winter night.
inline bool showsTheRoom(const std::string& path) {
    const std::string out = testsupport::commandOutput(
        "convert '" + path + "' -format '%[fx:mean] %[fx:mean.r] %[fx:mean.b]' info: 2>/dev/null");
    double mean = 0, red = 0, blue = 0;
    if (std::sscanf(out.c_str(), "%lf %lf %lf", &mean, &red, &blue) != 3) return false;
    return mean > 0.06 && red > blue + 0.03;
}

}  // namespace runtest
