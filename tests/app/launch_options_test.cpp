#include "app/launch_options.h"

#include <gtest/gtest.h>

#include "settings/settings.h"

namespace {

using Args = std::vector<std::string>;

TEST(TakeLongOptions, StripsOptionsAndKeepsSwitchesInOrder) {
    Args args = {"G.scr", "--windowed", "/p", "--size", "640x480", "1234", "--frames=30", "--no-vsync"};
    LaunchOptions options;
    std::string error;
    ASSERT_TRUE(takeLongOptions(args, options, error)) << error;
    EXPECT_EQ(args, (Args{"G.scr", "/p", "1234"}));
    EXPECT_TRUE(options.windowed);
    EXPECT_TRUE(options.noVsync);
    EXPECT_EQ(options.width, 640);
    EXPECT_EQ(options.height, 480);
    EXPECT_EQ(options.frames, 30);
    EXPECT_FALSE(options.help);
}

TEST(TakeLongOptions, ReadsEveryValueOption) {
    Args args = {"G.scr",
                 "--screenshot",
                 "out.png",
                 "--time",
                 "2026-12-24 18:30:05",
                 "--fixed-dt",
                 "0.5",
                 "--seed=4294967295",
                 "--camera",
                 "3",
                 "--view-model",
                 "Models/fir.BSM",
                 "--config-dir",
                 "/tmp/c d",
                 "--help",
                 "--max-fps",
                 "0",
                 "--monitors=primary",
                 "--idle-launcher",
                 "--lock-after-seconds=0",
                 "-s"};
    LaunchOptions options;
    std::string error;
    ASSERT_TRUE(takeLongOptions(args, options, error)) << error;
    EXPECT_EQ(args, (Args{"G.scr", "-s"}));
    EXPECT_EQ(options.screenshotPath, "out.png");
    EXPECT_TRUE(options.fixedTime);
    EXPECT_EQ(options.timeText, "2026-12-24 18:30:05");
    EXPECT_DOUBLE_EQ(options.fixedDt, 0.5);
    EXPECT_TRUE(options.seeded);
    EXPECT_EQ(options.seed, 4294967295u);
    EXPECT_EQ(options.camera, 3);
    EXPECT_EQ(options.viewModel, "Models/fir.BSM");
    EXPECT_EQ(options.configDir, "/tmp/c d");
    EXPECT_TRUE(options.help);
    EXPECT_EQ(options.maxFps, 0);
    EXPECT_TRUE(options.roomOnPrimaryOnly);
    EXPECT_EQ(options.lockAfterSeconds, 0);  // never, over the stored minutes
}

TEST(TakeLongOptions, SingleDashSwitchesAreNotOptions) {
    Args args = {"G.scr", "-p1234", "-", "/c:5"};
    LaunchOptions options;
    std::string error;
    ASSERT_TRUE(takeLongOptions(args, options, error));
    EXPECT_EQ(args, (Args{"G.scr", "-p1234", "-", "/c:5"}));
}

TEST(TakeLongOptions, RejectsBadInputWithAReason) {
    const std::vector<std::pair<Args, std::string>> cases = {
        {{"G.scr", "--bogus"}, "unknown option --bogus"},
        {{"G.scr", "--"}, "unknown option --"},
        {{"G.scr", "--size"}, "--size needs a value"},
        {{"G.scr", "--size", "640"}, "--size needs"},
        {{"G.scr", "--size", "0x480"}, "--size needs"},
        {{"G.scr", "--size", "640x-1"}, "--size needs"},
        {{"G.scr", "--frames", "-2"}, "--frames needs"},
        {{"G.scr", "--max-fps", "-1"}, "--max-fps needs"},
        {{"G.scr", "--max-fps", "1001"}, "--max-fps needs"},
        {{"G.scr", "--monitors", "both"}, "--monitors needs \"primary\" or \"all\""},
        {{"G.scr", "--frames", "12abc"}, "--frames needs"},
        {{"G.scr", "--frames", "99999999999999999999"}, "--frames needs"},
        {{"G.scr", "--time", "2026-02-29 10:00:00"}, "--time needs"},  // 2026 is no leap year
        {{"G.scr", "--time", "2026-12-24 24:00:00"}, "--time needs"},
        {{"G.scr", "--time", "2026-12-24T18:00:00"}, "--time needs"},
        {{"G.scr", "--fixed-dt", "0"}, "--fixed-dt needs"},
        {{"G.scr", "--fixed-dt", "nan"}, "--fixed-dt needs"},
        {{"G.scr", "--seed", "4294967296"}, "--seed needs"},
        {{"G.scr", "--camera", "-1"}, "--camera needs"},
        {{"G.scr", "--screenshot="}, "--screenshot needs"},
        {{"G.scr", "--windowed=yes"}, "--windowed takes no value"},
        {{"G.scr", "--camera", "1", "--camera-key", "-3"}, "--camera-key needs a key"},
        {{"G.scr", "--camera-key", "4"}, "--camera-key needs --camera"},
        {{"G.scr", "--look-from", "1,2", "--look-at", "0,0,0"}, "--look-from needs a point"},
        {{"G.scr", "--look-from", "1,2,3,4", "--look-at", "0,0,0"}, "--look-from needs a point"},
        {{"G.scr", "--look-from", "1,,3", "--look-at", "0,0,0"}, "--look-from needs a point"},
        {{"G.scr", "--look-from", "1,2,inf", "--look-at", "0,0,0"}, "--look-from needs a point"},
        {{"G.scr", "--look-from", "0,0,0", "--look-at", "1,x,0"}, "--look-at needs a point"},
        {{"G.scr", "--look-from", "1,2,3"}, "--look-from needs --look-at"},
        {{"G.scr", "--look-at", "1,2,3"}, "--look-at needs --look-from"},
        {{"G.scr", "--look-from", "1,2,3", "--look-at", "1,2,3"}, "--look-at needs a point other"},
        {{"G.scr", "--look-from", "1,2,3", "--look-at", "0,0,0", "--camera", "2"}, "do not go together"},
        {{"G.scr", "--fov", "60"}, "--fov needs --look-from"},
        {{"G.scr", "--look-from", "1,2,3", "--look-at", "0,0,0", "--fov", "180"}, "--fov needs an angle"},
        {{"G.scr", "--look-from", "1,2,3", "--look-at", "0,0,0", "--fov", "0"}, "--fov needs an angle"},
        {{"G.scr", "--idle-launcher", "--idle-seconds", "0"}, "--idle-seconds needs"},
        {{"G.scr", "--idle-seconds", "3"}, "--idle-seconds needs --idle-launcher"},
        {{"G.scr", "--lock-after-seconds", "0"}, "--lock-after-seconds needs --idle-launcher"},
        {{"G.scr", "--idle-launcher", "--lock-after-seconds", "86401"}, "from 0 (never) to 86400"},
        {{"G.scr", "--set-as-screensaver", "--unset-as-screensaver"}, "one at a time"},
        {{"G.scr", "--idle-launcher", "--set-as-screensaver"}, "one at a time"},
        {{"G.scr", "--screensaver-status", "--unset-as-screensaver"}, "one at a time"},
        {{"G.scr", "--screensaver-status=1"}, "takes no value"},
    };
    for (const auto& [input, reason] : cases) {
        Args args = input;
        LaunchOptions options;
        std::string error;
        EXPECT_FALSE(takeLongOptions(args, options, error)) << input.back();
        EXPECT_NE(error.find(reason), std::string::npos) << "'" << error << "' for " << input.back();
    }
}

TEST(TakeLongOptions, ReviewViewOptions) {
    Args args = {"G.scr", "/s", "--camera", "2", "--camera-key=40"};
    LaunchOptions options;
    std::string error;
    ASSERT_TRUE(takeLongOptions(args, options, error)) << error;
    EXPECT_EQ(options.camera, 2);
    EXPECT_EQ(options.cameraKey, 40);
    EXPECT_FALSE(options.fixedView);

    Args still = {"G.scr", "--look-at", "-92,241.5,126", "--look-from=-92,200,1.5e2", "/s"};
    LaunchOptions view;
    ASSERT_TRUE(takeLongOptions(still, view, error)) << error;
    EXPECT_EQ(still, (Args{"G.scr", "/s"}));
    EXPECT_TRUE(view.fixedView);
    EXPECT_EQ(view.lookFrom, (std::array<float, 3>{-92, 200, 150}));
    EXPECT_EQ(view.lookAt, (std::array<float, 3>{-92, 241.5f, 126}));
    EXPECT_DOUBLE_EQ(view.fieldOfView, 45.0);  // unless --fov says otherwise
    Args narrow = {"G.scr", "--look-from", "0,0,0", "--look-at", "0,0,-1", "--fov", "12.5"};
    LaunchOptions narrowView;
    ASSERT_TRUE(takeLongOptions(narrow, narrowView, error)) << error;
    EXPECT_DOUBLE_EQ(narrowView.fieldOfView, 12.5);
}

TEST(TakeLongOptions, LeapDayOfALeapYearIsAccepted) {
    Args args = {"G.scr", "--time", "2028-02-29 23:59:59"};
    LaunchOptions options;
    std::string error;
    EXPECT_TRUE(takeLongOptions(args, options, error)) << error;
}

TEST(LaunchOptionsHelp, ListsEverySwitchAndOption) {
    const std::string help = launchOptionsHelp();
    for (const char* name : {"/s",
                             "/c",
                             "/p ID",
                             "/t",
                             "--windowed",
                             "--size",
                             "--frames",
                             "--screenshot",
                             "--time",
                             "--fixed-dt",
                             "--seed",
                             "--no-vsync",
                             "--camera",
                             "--camera-key",
                             "--look-from",
                             "--look-at",
                             "--fov",
                             "--view-model",
                             "--config-dir",
                             "--help",
                             "--root",
                             "-root",
                             "--window-id",
                             "--fps",
                             "--no-music",
                             "--volume",
                             "--no-clock",
                             "--clock-24h",
                             "--max-fps",
                             "--soak-report",
                             "--layered-drawing"}) {
        EXPECT_NE(help.find(name), std::string::npos) << name;
    }
}

TEST(FrameworkOptions, XScreenSaverFlagsWithOneOrTwoDashes) {
    // XScreenSaver 6 hands its hacks "--root"; older frameworks and people write "-root".
    for (const char* root : {"-root", "--root"}) {
        Args args = {"glimmerdale", root, "-fps"};
        LaunchOptions options;
        std::string error;
        ASSERT_TRUE(takeLongOptions(args, options, error)) << error;
        EXPECT_EQ(args, (Args{"glimmerdale"}));
        EXPECT_TRUE(options.root);
        EXPECT_EQ(options.showFrameRate, true);
    }
    Args args = {"glimmerdale", "-window-id", "0x2a00007", "/s"};
    LaunchOptions options;
    std::string error;
    ASSERT_TRUE(takeLongOptions(args, options, error)) << error;
    EXPECT_EQ(args, (Args{"glimmerdale", "/s"}));
    EXPECT_TRUE(options.windowIdGiven);
    EXPECT_EQ(options.windowId, 0x2a00007u);
    // Only the exact flags: other one-dash words are the screensaver's switches.
    Args switches = {"glimmerdale", "-rooted", "-fpsx", "-r"};
    ASSERT_TRUE(takeLongOptions(switches, options, error));
    EXPECT_EQ(switches, (Args{"glimmerdale", "-rooted", "-fpsx", "-r"}));
    // Where no framework hands out such flags (Windows) they are switches too; the long options stay.
    for (const char* flag : {"-root", "-fps", "-window-id"}) {
        Args windows = {"Glimmerdale.scr", flag, "--root"};
        LaunchOptions taken;
        ASSERT_TRUE(takeLongOptions(windows, taken, error, false)) << error;
        EXPECT_EQ(windows, (Args{"Glimmerdale.scr", flag}));
        EXPECT_TRUE(taken.root);
        EXPECT_FALSE(taken.showFrameRate.has_value());
        EXPECT_FALSE(taken.windowIdGiven);
    }
}

TEST(FrameworkOptions, WindowIdsAreDecimalOrHex) {
    std::uint32_t id = 7;
    EXPECT_TRUE(readWindowId("41943047", id));
    EXPECT_EQ(id, 41943047u);
    EXPECT_TRUE(readWindowId("0XfFfFfFfF", id));
    EXPECT_EQ(id, 0xffffffffu);
    for (const char* bad :
         {"", "0", "0x", "0x0", "0x100000000", "4294967296", "12a", "-5", "+5", " 5", "0x-1"}) {
        id = 7;
        EXPECT_FALSE(readWindowId(bad, id)) << bad;
        EXPECT_EQ(id, 7u) << bad;
    }
}

TEST(FrameworkOptions, TheHostWindowComesFromTheFlagThenTheEnvironmentThenTheRoot) {
    LaunchOptions options;
    std::string error;
    ASSERT_TRUE(resolveHostWindow(options, nullptr, error));
    EXPECT_FALSE(options.embedded);  // a run started by hand
    ASSERT_TRUE(resolveHostWindow(options, "", error));
    EXPECT_FALSE(options.embedded);

    options.root = true;
    ASSERT_TRUE(resolveHostWindow(options, nullptr, error));
    EXPECT_TRUE(options.embedded);
    EXPECT_EQ(options.hostWindow, 0u);  // the root window
    ASSERT_TRUE(resolveHostWindow(options, "0x600008", error));
    EXPECT_EQ(options.hostWindow, 0x600008u);

    options.root = false;
    ASSERT_TRUE(resolveHostWindow(options, "6291464", error));  // the variable alone is enough
    EXPECT_TRUE(options.embedded);
    EXPECT_EQ(options.hostWindow, 6291464u);

    options.windowIdGiven = true;
    options.windowId = 99;
    ASSERT_TRUE(resolveHostWindow(options, "0x600008", error));
    EXPECT_EQ(options.hostWindow, 99u);

    LaunchOptions bad;
    EXPECT_FALSE(resolveHostWindow(bad, "screen", error));
    EXPECT_NE(error.find("XSCREENSAVER_WINDOW"), std::string::npos) << error;
    LaunchOptions viewer;
    viewer.root = true;
    viewer.viewModel = "Fir";
    EXPECT_FALSE(resolveHostWindow(viewer, nullptr, error));
}

TEST(FrameworkOptions, SettingsForOneRunOverrideOnlyWhatIsGiven) {
    Args args = {"glimmerdale", "--no-music", "--volume=73", "--clock-24h",
                 "--no-clock",  "--fps",      "--no-fps"};
    LaunchOptions options;
    std::string error;
    ASSERT_TRUE(takeLongOptions(args, options, error)) << error;
    Settings settings;
    settings.showFrameRate = true;
    settings.unusedMusicVolume = 12.0f;
    applySettingOverrides(options, settings);
    EXPECT_FALSE(settings.enableMusic);
    EXPECT_FLOAT_EQ(settings.masterVolume, 73.0f);
    EXPECT_TRUE(settings.clock24Hour);
    EXPECT_FALSE(settings.showClock);
    EXPECT_FALSE(settings.showFrameRate);  // the last word counts
    EXPECT_FLOAT_EQ(settings.unusedMusicVolume, 12.0f);

    Settings untouched;
    untouched.showFrameRate = true;
    untouched.masterVolume = 55.0f;
    applySettingOverrides(LaunchOptions{}, untouched);
    EXPECT_TRUE(untouched.showFrameRate);
    EXPECT_FLOAT_EQ(untouched.masterVolume, 55.0f);
    EXPECT_TRUE(untouched.enableMusic);

    for (Args badArgs : {Args{"g", "--volume", "101"}, Args{"g", "--volume=-1"}, Args{"g", "--fps=1"},
                         Args{"g", "--window-id", "window"}, Args{"g", "-window-id"}}) {
        LaunchOptions rejected;
        EXPECT_FALSE(takeLongOptions(badArgs, rejected, error)) << badArgs[1];
    }
}

}  // namespace
