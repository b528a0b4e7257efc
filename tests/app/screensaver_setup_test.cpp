// Who starts Glimmerdale is decided from what runs, in a fixed order; the desktop's own delays are
// compared with Glimmerdale's, with the numbers in the words people read.

#include "app/screensaver_setup.h"

#include <gtest/gtest.h>

namespace {

TEST(ScreensaverSetup, WhatRunsDecidesNotWhatIsInstalled) {
    const struct {
        const char* name;
        DesktopFacts facts;
        ScreensaverHost host;
        const char* found;
    } cases[] = {
        {"XScreenSaver runs, with MATE's too",
         {true, false, true, true, true, false, "MATE"},
         ScreensaverHost::XScreenSaver,
         "an XScreenSaver daemon runs"},
        {"MATE before Xfce",
         {true, false, false, true, true, true, "MATE"},
         ScreensaverHost::Mate,
         "MATE's screensaver (mate-screensaver) runs"},
        {"Xfce",
         {true, false, false, false, false, true, "XFCE"},
         ScreensaverHost::Xfce,
         "Xfce's screensaver (xfce4-screensaver) runs"},
        {"GNOME with XScreenSaver installed",
         {true, true, false, true, false, false, "GNOME"},
         ScreensaverHost::IdleLauncher,
         "no screensaver runs in this session (GNOME on Wayland; XScreenSaver is installed but does not "
         "run)"},
        {"a bare window manager",
         {true, false, false, false, false, false, ""},
         ScreensaverHost::IdleLauncher,
         "no screensaver runs in this session (X11)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScreensaverHost host = chooseScreensaverHost(c.facts);
        EXPECT_EQ(host, c.host);
        EXPECT_EQ(describeFindings(c.facts, host).rfind(c.found, 0), 0u) << describeFindings(c.facts, host);
    }
}

TEST(ScreensaverSetup, OnlyTheDesktopsDelaysThatComeNoLaterAreNamedWithBothNumbers) {
    using Effect = DesktopDelay::Effect;
    const std::vector<DesktopDelay> delays = {
        {"GNOME", Effect::Blanks, 300, "Settings, Power", "Screen Blank"},
        {"GNOME", Effect::Locks, 600, "Settings, Privacy", "Screen Lock"},
        {"KDE", Effect::Locks, 900, "System Settings", "Screen Locking"},
        {"The X server", Effect::Blanks, 0, "xset s", "xset s"},  // off
    };
    const std::vector<std::string> warnings = delayWarnings(delays, 600);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(
        warnings[0].rfind("GNOME blanks the screen after 5 minutes, before Glimmerdale's 10 minutes", 0), 0u)
        << warnings[0];
    EXPECT_NE(warnings[0].find("Settings, Power"), std::string::npos);
    EXPECT_EQ(warnings[1].rfind(
                  "GNOME locks the screen after 10 minutes, no later than Glimmerdale's 10 minutes", 0),
              0u)
        << warnings[1];
    EXPECT_TRUE(delayWarnings(delays, 299).empty());
    EXPECT_EQ(
        briefDelayWarning(delays, 600),
        "GNOME blanks after 5 minutes, before Glimmerdale's 10 minutes: change Screen Blank or Start after.");
    EXPECT_EQ(briefDelayWarning(delays, 60), "");

    const struct {
        unsigned seconds;
        const char* text;
    } durations[] = {{1, "1 second"},
                     {45, "45 seconds"},
                     {60, "1 minute"},
                     {600, "10 minutes"},
                     {90, "1 minute 30 seconds"},
                     {3600, "1 hour"},
                     {5400, "90 minutes"},
                     {0, "0 seconds"}};
    for (const auto& duration : durations) EXPECT_EQ(durationText(duration.seconds), duration.text);
}

}  // namespace
