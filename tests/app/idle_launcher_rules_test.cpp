// The idle launcher's rules, driven with a made-up sequence of desktop reports and a made-up clock.

#include <gtest/gtest.h>

#include "app/idle_launcher.h"

namespace {

using Action = IdleLauncherRules::Action;
using Outcome = IdleLauncherRules::IdleOutcome;

TEST(IdleLauncherRules, StartsOnIdleAndIsReadyAgainOnlyAfterInput) {
    IdleLauncherRules rules;
    EXPECT_EQ(rules.idle(false, false), Outcome::Started);
    EXPECT_TRUE(rules.runModeRunning());
    // A second idle report while it runs starts nothing.
    EXPECT_EQ(rules.idle(false, false), Outcome::AlreadyRunning);

    // Run mode ended without any input (it crashed, or was ended from outside): not again at once.
    rules.runModeEnded();
    EXPECT_EQ(rules.idle(false, false), Outcome::WaitingForInput);
    rules.active();
    EXPECT_EQ(rules.idle(false, false), Outcome::Started);

    // The key that ends Run mode usually reaches the idle source first: that input counts.
    rules.active();
    rules.runModeEnded();
    EXPECT_EQ(rules.idle(false, false), Outcome::Started);
    rules.runModeEnded();

    // Input first, then its end: the same.
    rules.active();
    EXPECT_EQ(rules.idle(false, true), Outcome::AlreadyRunning);  // a copy started by hand runs
    EXPECT_EQ(rules.idle(true, false), Outcome::Inhibited);       // a video plays
    EXPECT_TRUE(rules.ready());
    EXPECT_EQ(rules.idle(false, false), Outcome::Started);
}

TEST(IdleLauncherRules, ALockEndsRunModeAndStartsNothingUntilUnlocked) {
    IdleLauncherRules rules;
    EXPECT_EQ(rules.locked(1000), Action::None);  // nothing runs
    EXPECT_EQ(rules.idle(false, false), Outcome::Locked);
    rules.unlocked();
    EXPECT_EQ(rules.idle(false, false), Outcome::Started);

    // Locked while it runs: asked to end once; ended by force once the grace time is over.
    EXPECT_EQ(rules.locked(5000), Action::EndRunMode);
    EXPECT_EQ(rules.locked(5100), Action::None);
    EXPECT_EQ(rules.tick(5000 + IdleLauncherRules::kEndGraceMilliseconds - 1), Action::None);
    EXPECT_EQ(rules.tick(5000 + IdleLauncherRules::kEndGraceMilliseconds), Action::ForceEndRunMode);
    EXPECT_EQ(rules.tick(9000), Action::None);
    rules.runModeEnded();
    rules.active();
    EXPECT_EQ(rules.idle(false, false), Outcome::Locked);

    // The millisecond tick wraps between the two readings: the grace time still counts from the ask.
    rules.unlocked();
    EXPECT_EQ(rules.idle(false, false), Outcome::Started);
    EXPECT_EQ(rules.locked(0xFFFFFF9Bu), Action::EndRunMode);  // 100 ms before the wrap
    EXPECT_EQ(rules.tick(1000), Action::None);
    EXPECT_EQ(rules.tick(2900), Action::ForceEndRunMode);
    rules.runModeEnded();
    EXPECT_EQ(rules.tick(9000), Action::None);

    // A child that cannot be started leaves the launcher waiting for input, not retrying in a loop.
    rules.unlocked();
    rules.active();
    EXPECT_EQ(rules.idle(false, false), Outcome::Started);
    rules.startFailed();
    EXPECT_FALSE(rules.runModeRunning());
    EXPECT_EQ(rules.idle(false, false), Outcome::WaitingForInput);
}

}  // namespace
