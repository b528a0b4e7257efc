// Configure mode of the Windows build under Wine: the options dialog as a user sees and works it
// through real X input, what OK stores in the registry, and what Cancel and the close box leave.
// The dialog's controls are read from outside by dialog_probe (tests/wine/windows/).

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <thread>

#include "support/screensaver.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ScreensaverSandbox;

// One control as dialog_probe describes it; the rectangle is in pixels of the dialog's client area.
struct ProbedControl {
    std::string kind;
    int x = 0, y = 0, width = 0, height = 0;
    bool enabled = false;
    std::string state;
    std::string text;
};

struct ProbedDialog {
    bool found = false;
    unsigned long self = 0, owner = 0;
    bool visible = false;
    std::map<int, ProbedControl> controls;  // by id; of those without one, only the picture (-1)
};

std::string field(std::istringstream& line) {
    std::string value;
    std::getline(line, value, '\t');
    return value;
}

ProbedDialog probe(const std::string& caption) {
    const auto result = testsupport::runProcess(
        testsupport::wineRequest(testsupport::requiredPath("GLIMMERDALE_DIALOG_PROBE"), {"controls", caption},
                                 "/tmp"),
        60s);
    ProbedDialog dialog;
    std::istringstream lines(result.output);
    for (std::string text; std::getline(lines, text);) {
        std::istringstream line(testsupport::trimmed(text));
        const std::string kind = field(line);
        if (kind == "dialog") {
            dialog.found = true;
            dialog.self = std::stoul(field(line));
            dialog.owner = std::stoul(field(line));
            dialog.visible = field(line) == "1";
        } else if (kind == "control") {
            const int id = std::stoi(field(line));
            if (id == -1 && line.str().find("\tpicture\t") == std::string::npos) continue;
            ProbedControl& control = dialog.controls[id];
            control.kind = field(line);
            control.x = std::stoi(field(line));
            control.y = std::stoi(field(line));
            control.width = std::stoi(field(line));
            control.height = std::stoi(field(line));
            control.enabled = field(line) == "1";
            control.state = field(line);
            control.text = field(line);
        }
    }
    return dialog;
}

class WineOptionsDialog : public ::testing::Test {
protected:
    void SetUp() override { testsupport::storeSettingsInRegistry(testsupport::defaultSettings()); }

    // Starts "/c" and waits for the dialog and its controls.
    void start(const std::vector<std::string>& args = {"/c"}) {
        sandbox_ = std::make_unique<ScreensaverSandbox>();
        ASSERT_TRUE(process_.start(sandbox_->request(args)));
        window_ = testsupport::windowNamed(" Options");
        ASSERT_FALSE(window_.empty()) << process_.errorOutput() << sandbox_->log();
        options_ = probe(" Options");
        ASSERT_TRUE(options_.found);
        ASSERT_EQ(options_.controls.count(kOk), 1u);
    }

    // A left click in the middle of a control of the options dialog (or of `dialog`'s window).
    void click(int id) { clickIn(window_, options_, id); }
    void clickIn(const std::string& window, const ProbedDialog& dialog, int id) {
        ASSERT_EQ(dialog.controls.count(id), 1u) << id;
        const ProbedControl& control = dialog.controls.at(id);
        // A drop-down list reports the height of its opened list: its closed box is the top line.
        const int height = control.kind == "list" ? 16 : control.height;
        testsupport::xdotool("mousemove --window " + window + " " +
                             std::to_string(control.x + control.width / 2) + " " +
                             std::to_string(control.y + height / 2) + " click 1");
        std::this_thread::sleep_for(300ms);
    }
    // Keys to the control that has the keyboard focus.
    void keys(const std::string& names) {
        testsupport::xdotool("key --delay 40 " + names);
        std::this_thread::sleep_for(300ms);
    }

    void expectEnds() {
        testsupport::ProcessResult result;
        ASSERT_TRUE(process_.waitForExit(result, 30s)) << "the dialog stayed";
        EXPECT_EQ(result.exitCode, 1) << result.errorOutput;
    }

    static constexpr int kOk = 1032, kCancel = 1034, kAbout = 1019, kRestoreDefaults = 1031;
    static constexpr int kList = 1016, kUseDesktop = 1015, kMusic = 1012, kVolume = 1013, kVolumeLabel = 1047;
    static constexpr int kGamma = 1007, kShowTime = 1037, kStyle12h = 1024, kStyle24h = 1038, kFps = 1008;
    static constexpr int kExitOnMouseMove = 1010;

    std::unique_ptr<ScreensaverSandbox> sandbox_;
    testsupport::BackgroundProcess process_;
    std::string window_;
    ProbedDialog options_;
};

TEST_F(WineOptionsDialog, ShowsTheStringTableTextsAndTheStoredSettings) {
    start();
    EXPECT_TRUE(options_.visible);
    EXPECT_EQ(options_.owner, 0u) << "a bare /c: the desktop owns the dialog";
    const std::map<int, std::string> texts = {
        {1048, " Video Mode Selection"},
        {1049, " Sound Control"},
        {1050, " Graphics"},
        {1051, " Products"},
        {1053, " Misc Options"},
        {kUseDesktop, " Use Desktop Settings"},
        {kMusic, " Enable music"},
        {kVolumeLabel, " Master volume:"},
        {1054, " Gamma Control:"},
        {1055, " Visit our official web-site for more great 3D screensavers"},
        {1028, " Visit..."},
        {kAbout, " About..."},
        {kRestoreDefaults, " Restore Defaults"},
        {kOk, " OK"},
        {kCancel, " Cancel"},
        {kFps, " Show FPS"},
        {kExitOnMouseMove, " Exit on mouse move"},
        {kShowTime, " Show time"},
        {kStyle24h, " 24h style"},
        {kStyle12h, " 12h style"}};
    for (const auto& [id, text] : texts) EXPECT_EQ(options_.controls[id].text, text) << id;

    const std::map<int, std::string> kinds = {{1048, "frame"},
                                              {1049, "frame"},
                                              {1050, "frame"},
                                              {1051, "frame"},
                                              {1053, "frame"},
                                              {kList, "list"},
                                              {kUseDesktop, "checkbox"},
                                              {kMusic, "checkbox"},
                                              {kVolumeLabel, "label"},
                                              {kVolume, "slider"},
                                              {1054, "label"},
                                              {kGamma, "slider"},
                                              {1055, "label"},
                                              {1028, "button"},
                                              {kAbout, "button"},
                                              {kRestoreDefaults, "button"},
                                              {kOk, "button"},
                                              {kCancel, "button"},
                                              {kShowTime, "checkbox"},
                                              {kStyle12h, "radio"},
                                              {kStyle24h, "radio"},
                                              {kFps, "checkbox"},
                                              {kExitOnMouseMove, "checkbox"},
                                              {-1, "picture"}};
    for (const auto& [id, kind] : kinds) EXPECT_EQ(options_.controls[id].kind, kind) << id;
    EXPECT_EQ(options_.controls.size(), kinds.size());
    EXPECT_EQ(options_.controls[-1].state, "bitmap");

    // The first start's settings: the desktop size (index 10, no list item), music on at 40, gamma 3.
    EXPECT_EQ(options_.controls[kList].state, "-1 of 10");
    EXPECT_FALSE(options_.controls[kList].enabled);
    EXPECT_EQ(options_.controls[kUseDesktop].state, "checked");
    EXPECT_EQ(options_.controls[kMusic].state, "checked");
    EXPECT_EQ(options_.controls[kVolume].state, "40 of 0..100");
    EXPECT_TRUE(options_.controls[kVolume].enabled);
    EXPECT_TRUE(options_.controls[kVolumeLabel].enabled);
    EXPECT_EQ(options_.controls[kGamma].state, "75 of 0..100");
    EXPECT_EQ(options_.controls[kShowTime].state, "checked");
    EXPECT_EQ(options_.controls[kStyle12h].state, "checked");
    EXPECT_EQ(options_.controls[kStyle24h].state, "unchecked");
    EXPECT_TRUE(options_.controls[kStyle24h].enabled);
    EXPECT_EQ(options_.controls[kFps].state, "unchecked");
    EXPECT_EQ(options_.controls[kExitOnMouseMove].state, "checked");

    click(kCancel);
    expectEnds();
}

TEST_F(WineOptionsDialog, ControlsFollowOtherStoredSettings) {
    testsupport::setSettingInRegistry("Usemon:", 0);
    testsupport::setSettingInRegistry("Resolution:", 3);
    testsupport::setSettingInRegistry("Enable music:", 0);
    testsupport::setSettingInRegistry("Clock:", 0);
    testsupport::setSettingInRegistry("Style24h:", 1);
    testsupport::setSettingInRegistry("Sound volume:", 7);
    testsupport::setSettingInRegistry("Gamma:", 1);
    start();
    EXPECT_EQ(options_.controls[kList].state, "3 of 10");
    EXPECT_TRUE(options_.controls[kList].enabled);
    EXPECT_EQ(options_.controls[kMusic].state, "unchecked");
    EXPECT_FALSE(options_.controls[kVolume].enabled);
    EXPECT_FALSE(options_.controls[kVolumeLabel].enabled);
    EXPECT_EQ(options_.controls[kVolume].state, "7 of 0..100");
    EXPECT_EQ(options_.controls[kGamma].state, "25 of 0..100");
    EXPECT_EQ(options_.controls[kStyle24h].state, "checked");
    EXPECT_EQ(options_.controls[kStyle12h].state, "unchecked");
    EXPECT_FALSE(options_.controls[kStyle12h].enabled);
    EXPECT_FALSE(options_.controls[kStyle24h].enabled);

    // Ticking the boxes enables what hangs off them.
    click(kMusic);
    click(kShowTime);
    click(kUseDesktop);
    const ProbedDialog after = probe(" Options");
    EXPECT_TRUE(after.controls.at(kVolume).enabled);
    EXPECT_TRUE(after.controls.at(kVolumeLabel).enabled);
    EXPECT_TRUE(after.controls.at(kStyle12h).enabled);
    EXPECT_FALSE(after.controls.at(kList).enabled);
    click(kCancel);
    expectEnds();
}

TEST_F(WineOptionsDialog, TickingAndSlidingThenOkStoresExactlyTheseValues) {
    start();
    click(kFps);         // on
    click(kShowTime);    // off
    click(kUseDesktop);  // off: the list opens up
    click(kList);        // opens the list; the last item, taken with Enter
    // A list without a selection takes the first key only as far as its first item.
    keys("Home End Return");
    click(kGamma);  // the focus; the click itself may page the thumb
    keys("End");
    keys("--repeat 26 Left");  // 74: gamma 2.96, stored as 2
    click(kVolume);
    keys("Home Right Right Right Right Right Right Right");  // 7
    const ProbedDialog worked = probe(" Options");
    EXPECT_EQ(worked.controls.at(kList).state, "9 of 10");
    EXPECT_EQ(worked.controls.at(kGamma).state, "74 of 0..100");
    EXPECT_EQ(worked.controls.at(kVolume).state, "7 of 0..100");
    click(kOk);
    expectEnds();
    const std::map<std::string, unsigned long> expected = {
        {"Resolution:", 9},   {"Gamma:", 2},        {"Fps:", 1},          {"Clock:", 0},
        {"ExitMM:", 1},       {"Enable sound:", 0}, {"Enable music:", 1}, {"Music volume:", 0},
        {"Sound volume:", 7}, {"Usemon:", 0},       {"Style24h:", 0}};
    EXPECT_EQ(testsupport::settingsInRegistry(), expected);
}

TEST_F(WineOptionsDialog, CancelAndTheCloseKeyStoreNothing) {
    const auto before = testsupport::settingsInRegistry();
    start();
    click(kShowTime);
    click(kFps);
    click(kCancel);
    expectEnds();
    EXPECT_EQ(testsupport::settingsInRegistry(), before);

    start();
    click(kShowTime);
    keys("alt+F4");  // the close box's request
    expectEnds();
    EXPECT_EQ(testsupport::settingsInRegistry(), before);
}

TEST_F(WineOptionsDialog, RestoreDefaultsThenOkStoresTheDefaultsWithMusicVolumeZeroAndTheDesktopIndex) {
    for (const char* name : {"Fps:", "Clock:", "ExitMM:", "Enable music:", "Usemon:"})
        testsupport::setSettingInRegistry(name, 0);
    testsupport::setSettingInRegistry("Style24h:", 1);
    testsupport::setSettingInRegistry("Resolution:", 4);
    testsupport::setSettingInRegistry("Gamma:", 1);
    testsupport::setSettingInRegistry("Sound volume:", 90);
    start();
    click(kRestoreDefaults);
    click(kOk);
    expectEnds();
    std::map<std::string, unsigned long> expected = testsupport::defaultSettings();
    expected["Music volume:"] = 0;
    expected["Resolution:"] = 10;
    EXPECT_EQ(testsupport::settingsInRegistry(), expected);
}

TEST_F(WineOptionsDialog, AboutShowsTheAboutBoxAndItsOkHidesIt) {
    start();
    EXPECT_FALSE(probe(" About").visible);
    click(kAbout);
    const std::string aboutWindow = testsupport::windowNamed(" About");
    ASSERT_FALSE(aboutWindow.empty());
    const ProbedDialog about = probe(" About");
    EXPECT_TRUE(about.visible);
    EXPECT_EQ(about.owner, options_.self);
    EXPECT_EQ(about.controls.at(1062).text, " Glimmerdale");
    EXPECT_EQ(about.controls.at(1056).text, " Programming by");
    EXPECT_EQ(about.controls.at(1058).text, "") << "the shipped table has no words for \"Music by\"";
    EXPECT_EQ(about.controls.at(1).text, " OK");
    EXPECT_EQ(about.controls.at(-1).state, "bitmap");
    clickIn(aboutWindow, about, 1);
    EXPECT_FALSE(probe(" About").visible);
    EXPECT_TRUE(probe(" Options").visible);
    click(kCancel);
    expectEnds();
}

// The display settings page starts "/c:<window>": that window owns the dialog. The stand-in page
// ticks a box and closes the dialog through its system menu; nothing is stored.
TEST(WineOptionsDialogHost, TheSettingsPageOwnsTheDialogAndItsCloseStoresNothing) {
    testsupport::storeSettingsInRegistry(testsupport::defaultSettings());
    const auto before = testsupport::settingsInRegistry();
    ScreensaverSandbox sandbox;
    const auto result = testsupport::runProcess(
        testsupport::wineRequest(testsupport::requiredPath("GLIMMERDALE_DIALOG_PROBE"),
                                 {"host", testsupport::requiredPath("GLIMMERDALE_WINDOWS_EXE")},
                                 sandbox.path()),
        120s);
    ASSERT_EQ(result.exitCode, 0) << result.output << result.errorOutput;
    std::istringstream lines(result.output);
    std::string word;
    unsigned long host = 0, dialog = 0, owner = 0, exitCode = 0;
    lines >> word >> host >> word >> dialog >> word >> owner >> word >> exitCode;
    EXPECT_NE(host, 0u);
    EXPECT_EQ(owner, host) << result.output;
    EXPECT_EQ(exitCode, 1u) << result.output;
    EXPECT_EQ(testsupport::settingsInRegistry(), before);
}

}  // namespace
