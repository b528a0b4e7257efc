#include "app/launch_options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/clock.h"
#include "settings/settings.h"

namespace {

// Whole-string decimal integer in [minimum, maximum].
bool readInteger(const std::string& text, long long minimum, long long maximum, long long& value) {
    if (text.empty() || text[0] == ' ' || text[0] == '+') return false;
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < minimum || parsed > maximum) return false;
    value = parsed;
    return true;
}

bool readSize(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find_first_of("xX");
    long long w = 0, h = 0;
    if (x == std::string::npos || !readInteger(text.substr(0, x), 1, 16384, w) ||
        !readInteger(text.substr(x + 1), 1, 16384, h))
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool readPositiveNumber(const std::string& text, double& value) {
    if (text.empty() || text[0] == ' ') return false;
    errno = 0;
    char* end = nullptr;
    const double parsed = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(parsed) || parsed <= 0.0) return false;
    value = parsed;
    return true;
}

// "X,Y,Z": three finite decimal numbers.
bool readPoint(const std::string& text, std::array<float, 3>& point) {
    std::array<float, 3> parsed{};
    std::size_t start = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t comma = text.find(',', start);
        if ((i < 2) != (comma != std::string::npos)) return false;
        const std::string part = text.substr(start, i < 2 ? comma - start : std::string::npos);
        if (part.empty() || part[0] == ' ') return false;
        errno = 0;
        char* end = nullptr;
        const double value = std::strtod(part.c_str(), &end);
        if (errno != 0 || *end != '\0' || !std::isfinite(value) || std::fabs(value) > 1e9) return false;
        parsed[i] = static_cast<float>(value);
        start = comma + 1;
    }
    point = parsed;
    return true;
}

// XScreenSaver hands its modules its own flags with one dash; they mean what the long options mean.
// (Other arguments with one dash are the screensaver's switches and stay as they are.)
std::string withTwoDashes(const std::string& argument) {
    for (const char* flag : {"-root", "-window-id", "-fps"}) {
        const std::size_t length = std::strlen(flag);
        if (argument.compare(0, length, flag) == 0 && (argument.size() == length || argument[length] == '='))
            return "-" + argument;
    }
    return argument;
}

// The on/off options that override a stored setting for one run.
struct Switch {
    const char* name;
    std::optional<bool> LaunchOptions::*option;
    bool value;
};
const Switch kSwitches[] = {
    {"--fps", &LaunchOptions::showFrameRate, true},     {"--no-fps", &LaunchOptions::showFrameRate, false},
    {"--music", &LaunchOptions::music, true},           {"--no-music", &LaunchOptions::music, false},
    {"--clock", &LaunchOptions::showClock, true},       {"--no-clock", &LaunchOptions::showClock, false},
    {"--clock-24h", &LaunchOptions::clock24Hour, true}, {"--clock-12h", &LaunchOptions::clock24Hour, false},
};

const Switch* findSwitch(const std::string& name) {
    for (const Switch& candidate : kSwitches)
        if (name == candidate.name) return &candidate;
    return nullptr;
}

// Options that only mean something together.
bool checkCombinations(const LaunchOptions& options, bool lookFromGiven, bool lookAtGiven, bool fovGiven,
                       std::string& error) {
    if (options.cameraKey >= 0 && options.camera < 0) {
        error = "--camera-key needs --camera";
        return false;
    }
    if (lookFromGiven != lookAtGiven) {
        error = lookFromGiven ? "--look-from needs --look-at" : "--look-at needs --look-from";
        return false;
    }
    if (fovGiven && !lookFromGiven) {
        error = "--fov needs --look-from and --look-at";
        return false;
    }
    if (lookFromGiven && options.camera >= 0) {
        error = "--look-from and --camera do not go together";
        return false;
    }
    const int desktopCommands = options.setAsScreensaver + options.unsetAsScreensaver +
                                options.screensaverStatus + options.idleLauncher;
    if (desktopCommands > 1) {
        error =
            "--set-as-screensaver, --unset-as-screensaver, --screensaver-status and --idle-launcher go "
            "one at a time";
        return false;
    }
    if (options.idleSeconds > 0 && !options.idleLauncher) {
        error = "--idle-seconds needs --idle-launcher";
        return false;
    }
    if (options.lockAfterSeconds >= 0 && !options.idleLauncher) {
        error = "--lock-after-seconds needs --idle-launcher";
        return false;
    }
    if (lookFromGiven && options.lookFrom == options.lookAt) {
        error = "--look-at needs a point other than --look-from";
        return false;
    }
    return true;
}

}  // namespace

bool takeLongOptions(std::vector<std::string>& arguments, LaunchOptions& options, std::string& error,
                     bool frameworkFlags) {
    std::vector<std::string> kept;
    bool lookFromGiven = false, lookAtGiven = false, fovGiven = false;
    if (!arguments.empty()) kept.push_back(arguments[0]);
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string argument = frameworkFlags ? withTwoDashes(arguments[i]) : arguments[i];
        if (argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            kept.push_back(argument);
            continue;
        }
        std::string name = argument;
        std::string value;
        bool hasValue = false;
        const std::size_t equals = argument.find('=');
        if (equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
            hasValue = true;
        }
        auto takeValue = [&]() {
            if (hasValue) return true;
            if (i + 1 >= arguments.size()) {
                error = name + " needs a value";
                return false;
            }
            value = arguments[++i];
            hasValue = true;
            return true;
        };
        auto flag = [&](bool& target) {
            if (hasValue) {
                error = name + " takes no value";
                return false;
            }
            target = true;
            return true;
        };
        auto bad = [&](const char* wanted) {
            error = name + " " + wanted + ", not \"" + value + "\"";
            return false;
        };
        long long number = 0;
        if (name == "--windowed") {
            if (!flag(options.windowed)) return false;
        } else if (name == "--no-vsync") {
            if (!flag(options.noVsync)) return false;
        } else if (name == "--soak-report") {
            if (!flag(options.soakReport)) return false;
        } else if (name == "--layered-drawing") {
            if (!flag(options.layeredDrawing)) return false;
        } else if (name == "--help") {
            if (!flag(options.help)) return false;
        } else if (name == "--set-as-screensaver") {
            if (!flag(options.setAsScreensaver)) return false;
        } else if (name == "--unset-as-screensaver") {
            if (!flag(options.unsetAsScreensaver)) return false;
        } else if (name == "--screensaver-status") {
            if (!flag(options.screensaverStatus)) return false;
        } else if (name == "--idle-launcher") {
            if (!flag(options.idleLauncher)) return false;
        } else if (name == "--idle-seconds") {
            if (!takeValue()) return false;
            if (!readInteger(value, 1, 86400, number))
                return bad("needs a number of seconds from 1 to 86400");
            options.idleSeconds = static_cast<int>(number);
        } else if (name == "--lock-after-seconds") {
            if (!takeValue()) return false;
            if (!readInteger(value, 0, 86400, number))
                return bad("needs a number of seconds from 0 (never) to 86400");
            options.lockAfterSeconds = static_cast<int>(number);
        } else if (name == "--size") {
            if (!takeValue()) return false;
            if (!readSize(value, options.width, options.height))
                return bad("needs WIDTHxHEIGHT, each 1 to 16384");
        } else if (name == "--frames") {
            if (!takeValue()) return false;
            if (!readInteger(value, 0, 2000000000, number)) return bad("needs a frame count of 0 or more");
            options.frames = static_cast<long>(number);
        } else if (name == "--monitors") {
            if (!takeValue()) return false;
            if (value != "primary" && value != "all") return bad("needs \"primary\" or \"all\"");
            options.roomOnPrimaryOnly = value == "primary";
        } else if (name == "--max-fps") {
            if (!takeValue()) return false;
            if (!readInteger(value, 0, 1000, number))
                return bad("needs a frame rate from 0 (no cap) to 1000");
            options.maxFps = static_cast<int>(number);
        } else if (name == "--screenshot") {
            if (!takeValue()) return false;
            if (value.empty()) return bad("needs a file name");
            options.screenshotPath = value;
        } else if (name == "--time") {
            if (!takeValue()) return false;
            platform::LocalTime parsed;
            if (!platform::parseLocalTime(value, parsed))
                return bad("needs a real date and time as \"YYYY-MM-DD HH:MM:SS\"");
            options.fixedTime = true;
            options.timeText = value;
        } else if (name == "--fixed-dt") {
            if (!takeValue()) return false;
            if (!readPositiveNumber(value, options.fixedDt)) return bad("needs a frame step above 0");
        } else if (name == "--seed") {
            if (!takeValue()) return false;
            if (!readInteger(value, 0, 4294967295LL, number))
                return bad("needs a number from 0 to 4294967295");
            options.seeded = true;
            options.seed = static_cast<std::uint32_t>(number);
        } else if (name == "--camera") {
            if (!takeValue()) return false;
            if (!readInteger(value, 0, 1000000, number)) return bad("needs a camera number of 0 or more");
            options.camera = static_cast<int>(number);
        } else if (name == "--camera-key") {
            if (!takeValue()) return false;
            if (!readInteger(value, 0, 1000000, number)) return bad("needs a key number of 0 or more");
            options.cameraKey = static_cast<int>(number);
        } else if (name == "--look-from" || name == "--look-at") {
            if (!takeValue()) return false;
            const bool from = name == "--look-from";
            if (!readPoint(value, from ? options.lookFrom : options.lookAt))
                return bad("needs a point as X,Y,Z");
            (from ? lookFromGiven : lookAtGiven) = true;
        } else if (name == "--fov") {
            if (!takeValue()) return false;
            if (!readPositiveNumber(value, options.fieldOfView) || options.fieldOfView >= 180.0)
                return bad("needs an angle in degrees above 0 and below 180");
            fovGiven = true;
        } else if (name == "--view-model") {
            if (!takeValue()) return false;
            if (value.empty()) return bad("needs a model name");
            options.viewModel = value;
        } else if (name == "--config-dir") {
            if (!takeValue()) return false;
            if (value.empty()) return bad("needs a folder");
            options.configDir = value;
        } else if (name == "--root") {
            if (!flag(options.root)) return false;
        } else if (name == "--window-id") {
            if (!takeValue()) return false;
            if (!readWindowId(value, options.windowId))
                return bad("needs an X11 window id (decimal or 0x hex)");
            options.windowIdGiven = true;
        } else if (const Switch* setting = findSwitch(name)) {
            if (hasValue) {
                error = name + " takes no value";
                return false;
            }
            options.*(setting->option) = setting->value;
        } else if (name == "--volume") {
            if (!takeValue()) return false;
            if (!readInteger(value, 0, 100, number)) return bad("needs a volume from 0 to 100");
            options.volume = static_cast<int>(number);
        } else {
            error = "unknown option " + name;
            return false;
        }
    }
    if (!checkCombinations(options, lookFromGiven, lookAtGiven, fovGiven, error)) return false;
    options.fixedView = lookFromGiven;
    arguments.swap(kept);
    return true;
}

std::string launchOptionsHelp() {
    return "Usage: Glimmerdale.scr [SWITCH] [OPTION]...\n"
           "A 3-D Christmas screensaver.\n"
           "\n"
           "Switches (\"/\" or \"-\", any letter case):\n"
           "  /s              run the screensaver (any letter but c, p or t does the same)\n"
           "  /c              show the options dialog (also with no switch at all)\n"
           "  /p ID           show the preview picture inside the X11 window ID\n"
           "  /p, /t          show the preview picture in a small window of its own\n"
           "\n"
           "Options:\n"
           "  --windowed              a normal window instead of full screen\n"
           "  --size WxH              window size in pixels\n"
           "  --frames N              quit after N frames\n"
           "  --screenshot FILE.png   write the last frame to FILE.png\n"
           "  --time \"YYYY-MM-DD HH:MM:SS\"  start the local clock at this moment; it runs on from there\n"
           "  --fixed-dt X            a fixed frame step X (in 1/55 s), for repeatable pictures; the\n"
           "                          local clock then moves on by the steps, not in real time\n"
           "  --seed N                seed of the camera order\n"
           "  --no-vsync              do not wait for the vertical blank\n"
           "  --max-fps N             without vsync, draw at most N frames a second (0: no cap;\n"
           "                          default: the display's refresh rate, 60 when unknown)\n"
           "  --monitors all|primary  the room on every monitor (default), or on the primary only with\n"
           "                          the others black (for slow machines)\n"
           "  --soak-report           every 1000 frames, log the resident memory, the particle count\n"
           "                          and any GL error (for long runs)\n"
           "  --layered-drawing       draw each layer of the room in a pass of its own, as earlier\n"
           "                          versions did (slower; for comparing pictures)\n"
           "  --camera N              start on camera N\n"
           "  --camera-key K          with --camera, start its path at key K (kept inside the path)\n"
           "  --look-from X,Y,Z       with --look-at, a still camera at X,Y,Z (z up) instead of the paths\n"
           "  --look-at X,Y,Z         the point the still camera looks at\n"
           "  --fov DEG               field of view of the still camera (default 45)\n"
           "  --view-model NAME       show the one model NAME turning\n"
           "  --config-dir DIR        keep the settings file in DIR\n"
           "  --set-as-screensaver    make Glimmerdale this desktop's screensaver: the choice of the\n"
           "                          XScreenSaver, MATE or Xfce screensaver that runs here, else the\n"
           "                          idle launcher at each log-in\n"
           "  --unset-as-screensaver  undo --set-as-screensaver, in every desktop's settings\n"
           "  --screensaver-status    how that stands in this session (exit code 0: set up and working)\n"
           "  --idle-launcher         stay resident and start the screensaver when the user is idle\n"
           "  --idle-seconds N        with --idle-launcher, the idle delay in seconds (default: the\n"
           "                          delay in the options dialog)\n"
           "  --lock-after-seconds N  with --idle-launcher, have the session locked after N seconds of\n"
           "                          the screensaver (0: never; default: the options dialog's choice)\n"
           "  --help                  print this text and exit\n"
           "\n"
           "Inside a screensaver framework (XScreenSaver): live Run mode in the framework's window until\n"
           "SIGTERM; input is the framework's; one copy per monitor, of which one plays the music (the\n"
           "one-dash spellings and $XSCREENSAVER_WINDOW are read on Linux only):\n"
           "  --root, -root           draw into $XSCREENSAVER_WINDOW, or without it into the root window\n"
           "  --window-id ID, -window-id ID  draw into the X11 window ID (decimal or 0x hex)\n"
           "For this run only, over the stored options (which stay as they are):\n"
           "  --fps, -fps / --no-fps  show / hide the frame rate\n"
           "  --music / --no-music    play / do not play the music\n"
           "  --volume N              music volume, 0 to 100\n"
           "  --clock / --no-clock    show / hide the clock\n"
           "  --clock-24h / --clock-12h  24-hour / 12-hour clock\n"
           "\n"
           "Options may also be written --name=value. The program writes Log.txt into the working folder;\n"
           "inside a framework's window into $XDG_STATE_HOME/glimmerdale/ (~/.local/state/glimmerdale/).\n";
}

bool readWindowId(const std::string& text, std::uint32_t& id) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    if (digits.empty()) return false;
    for (char c : digits)
        if (!(hex ? std::isxdigit(static_cast<unsigned char>(c))
                  : std::isdigit(static_cast<unsigned char>(c))))
            return false;
    errno = 0;
    const unsigned long long parsed = std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
    if (errno != 0 || parsed == 0 || parsed > 0xffffffffULL) return false;
    id = static_cast<std::uint32_t>(parsed);
    return true;
}

bool resolveHostWindow(LaunchOptions& options, const char* xscreensaverWindow, std::string& error) {
    options.embedded = false;
    options.hostWindow = 0;
    if (options.windowIdGiven) {
        options.embedded = true;
        options.hostWindow = options.windowId;
    } else if (xscreensaverWindow && *xscreensaverWindow) {
        if (!readWindowId(xscreensaverWindow, options.hostWindow)) {
            error = std::string("XSCREENSAVER_WINDOW holds no window id: \"") + xscreensaverWindow + "\"";
            return false;
        }
        options.embedded = true;
    } else if (options.root) {
        options.embedded = true;
    }
    if (options.embedded && !options.viewModel.empty()) {
        error = "--view-model does not draw into a framework's window";
        return false;
    }
    return true;
}

void applySettingOverrides(const LaunchOptions& options, Settings& settings) {
    if (options.showFrameRate) settings.showFrameRate = *options.showFrameRate;
    if (options.music) settings.enableMusic = *options.music;
    if (options.volume) settings.masterVolume = static_cast<float>(*options.volume);
    if (options.showClock) settings.showClock = *options.showClock;
    if (options.clock24Hour) settings.clock24Hour = *options.clock24Hour;
}
