// The idle launcher's rules, driven with a made-up sequence of desktop reports and a made-up clock.

#include <gtest/gtest.h>

#include <vector>

#include "app/idle_launcher.h"

namespace {

using Action = IdleLauncherRules::Action;
using Outcome = IdleLauncherRules::IdleOutcome;
using LockAfter = IdleLauncherRules::LockAfter;
using Actions = std::vector<Action>;

constexpr std::uint32_t kDelay = 10000;
constexpr std::uint32_t kGrace = IdleLauncherRules::kEndGraceMilliseconds;

// Everything due at `now`, in order.
Actions due(IdleLauncherRules& rules, std::uint32_t now) {
    Actions actions;
    for (Action action = rules.nextAction(now); action != Action::None; action = rules.nextAction(now))
        actions.push_back(action);
    return actions;
}

// The idle source reports idle and the launcher tries to start.
Outcome idle(IdleLauncherRules& rules, std::uint32_t now, bool inhibited = false, bool otherCopy = false) {
    rules.noteIdle();
    return rules.startRunModeIfAllowed(now, inhibited, otherCopy);
}

TEST(IdleLauncherRules, StartsOnIdleAndIsReadyAgainOnlyAfterInput) {
    IdleLauncherRules rules(kDelay, 0);
    EXPECT_FALSE(rules.waitsForTheClock());  // the launcher sleeps until the desktop reports
    EXPECT_EQ(idle(rules, 0), Outcome::Started);
    EXPECT_TRUE(rules.runModeRunning());
    EXPECT_TRUE(rules.waitsForTheClock());
    // A second idle report while it runs starts nothing.
    EXPECT_EQ(idle(rules, 10), Outcome::AlreadyRunning);

    // Run mode ended without any input (it crashed, or was ended from outside): not again at once.
    rules.noteRunModeEnded();
    EXPECT_EQ(idle(rules, 20), Outcome::WaitingForInput);
    rules.noteInput();
    EXPECT_EQ(idle(rules, 30), Outcome::Started);

    // The key that ends Run mode usually reaches the idle source first: that input counts.
    rules.noteInput();
    rules.noteRunModeEnded();
    EXPECT_EQ(idle(rules, 40), Outcome::Started);
    rules.noteRunModeEnded();

    rules.noteInput();
    EXPECT_EQ(idle(rules, 50, false, true), Outcome::AlreadyRunning);  // a copy started by hand runs
    EXPECT_TRUE(rules.ready());
    EXPECT_EQ(idle(rules, 60), Outcome::Started);
    EXPECT_EQ(due(rules, 1000000), Actions{});  // no lock-after: nothing more to do while it runs

    // A child that cannot be started leaves the launcher waiting for input, not retrying in a loop.
    rules.noteRunModeEnded();
    rules.noteInput();
    EXPECT_EQ(idle(rules, 70), Outcome::Started);
    rules.noteStartFailed();
    EXPECT_FALSE(rules.runModeRunning());
    EXPECT_EQ(idle(rules, 80), Outcome::WaitingForInput);
}

TEST(IdleLauncherRules, ALockEndsRunModeOnceAndStartsNothingUntilUnlocked) {
    IdleLauncherRules rules(kDelay, 0);
    rules.noteLocked(true);
    EXPECT_EQ(due(rules, 1000), Actions{});  // nothing runs
    EXPECT_EQ(idle(rules, 1000), Outcome::Locked);
    rules.noteLocked(false);
    EXPECT_EQ(idle(rules, 1000), Outcome::Started);

    // Locked while it runs: asked to end once; ended by force once the grace time is over.
    rules.noteLocked(true);
    EXPECT_EQ(due(rules, 5000), Actions{Action::EndRunMode});
    rules.noteLocked(true);
    EXPECT_EQ(due(rules, 5100), Actions{});
    EXPECT_EQ(due(rules, 5000 + kGrace - 1), Actions{});
    EXPECT_EQ(due(rules, 5000 + kGrace), Actions{Action::ForceEndRunMode});
    EXPECT_EQ(due(rules, 9000), Actions{});
    rules.noteRunModeEnded();
    rules.noteInput();
    EXPECT_EQ(idle(rules, 9000), Outcome::Locked);

    // The millisecond tick wraps between the two readings: the grace time still counts from the ask.
    rules.noteLocked(false);
    EXPECT_EQ(idle(rules, 9000), Outcome::Started);
    rules.noteLocked(true);
    EXPECT_EQ(due(rules, 0xFFFFFF9Bu), Actions{Action::EndRunMode});  // 100 ms before the wrap
    EXPECT_EQ(due(rules, 1000), Actions{});
    EXPECT_EQ(due(rules, 2900), Actions{Action::ForceEndRunMode});
    rules.noteRunModeEnded();
    EXPECT_EQ(due(rules, 9000), Actions{});

    // logind's Lock signal (loginctl lock-session, an idle daemon) ends Run mode too, without
    // counting as locked: whether a locker answers is another matter.
    rules.noteLocked(false);
    rules.noteInput();
    EXPECT_EQ(idle(rules, 20000), Outcome::Started);
    rules.noteLockRequested();
    EXPECT_EQ(due(rules, 20100), Actions{Action::EndRunMode});
    rules.noteRunModeEnded();
    rules.noteInput();
    EXPECT_EQ(idle(rules, 30000), Outcome::Started);
}

TEST(IdleLauncherRules, AnInhibitionHoldsOffTheSpellAndRunModeStartsADelayAfterItsEnd) {
    IdleLauncherRules rules(kDelay, 0);
    EXPECT_EQ(idle(rules, 0, true), Outcome::Inhibited);
    EXPECT_TRUE(rules.ready());
    EXPECT_TRUE(rules.waitsForTheClock());
    // Asked about once a second while it holds.
    EXPECT_EQ(due(rules, 999), Actions{});
    EXPECT_EQ(due(rules, 1000), Actions{Action::CheckInhibition});
    rules.noteInhibition(true, 1000);
    EXPECT_EQ(due(rules, 1500), Actions{});
    EXPECT_EQ(due(rules, 2000), Actions{Action::CheckInhibition});
    // Over at 2 s: no more questions, and a new try once the delay has passed since, without input.
    rules.noteInhibition(false, 2000);
    EXPECT_EQ(due(rules, 2000 + kDelay - 1), Actions{});
    EXPECT_EQ(due(rules, 2000 + kDelay), Actions{Action::TryStartAgain});
    EXPECT_EQ(rules.startRunModeIfAllowed(2000 + kDelay, false, false), Outcome::Started);
    EXPECT_EQ(due(rules, 100000), Actions{});

    // Held again at the new try (a player that re-inhibits): held off again, and asked about again.
    rules.noteRunModeEnded();
    rules.noteInput();
    EXPECT_EQ(idle(rules, 200000, true), Outcome::Inhibited);
    rules.noteInhibition(false, 201000);
    EXPECT_EQ(due(rules, 201000 + kDelay), Actions{Action::TryStartAgain});
    EXPECT_EQ(rules.startRunModeIfAllowed(201000 + kDelay, true, false), Outcome::Inhibited);
    EXPECT_EQ(due(rules, 201000 + kDelay + 1000), Actions{Action::CheckInhibition});

    // Input ends the spell: the end of the inhibition then starts nothing (the next idle report will).
    rules.noteInhibition(false, 213000);
    rules.noteInput();
    EXPECT_FALSE(rules.waitsForTheClock());
    EXPECT_EQ(due(rules, 213000 + kDelay), Actions{});
    // So does a lock.
    EXPECT_EQ(idle(rules, 300000, true), Outcome::Inhibited);
    rules.noteLocked(true);
    EXPECT_EQ(rules.startRunModeIfAllowed(300000, false, false), Outcome::Locked);
    EXPECT_EQ(due(rules, 400000), Actions{});
}

TEST(IdleLauncherRules, LockAfterAsksOncePerRunAndSaysWhatBecameOfIt) {
    constexpr std::uint32_t kLockAfter = 60000;
    constexpr std::uint32_t kAnswer = IdleLauncherRules::kLockAnswerMilliseconds;
    EXPECT_EQ(IdleLauncherRules(kDelay, 0).lockAfter(), LockAfter::Off);
    IdleLauncherRules rules(kDelay, kLockAfter);
    EXPECT_EQ(rules.lockAfter(), LockAfter::NotAsked);
    ASSERT_EQ(idle(rules, 1000), Outcome::Started);
    EXPECT_EQ(due(rules, 1000 + kLockAfter - 1), Actions{});
    EXPECT_EQ(due(rules, 1000 + kLockAfter), Actions{Action::LockSession});
    EXPECT_EQ(rules.lockAfter(), LockAfter::Waiting);
    // logind's echo of the request ends nothing; no locker answers: said once, and Run mode goes on.
    rules.noteLockRequested();
    EXPECT_EQ(due(rules, 1000 + kLockAfter + kAnswer - 1), Actions{});
    EXPECT_EQ(due(rules, 1000 + kLockAfter + kAnswer), Actions{Action::ReportLockNotAnswered});
    EXPECT_EQ(rules.lockAfter(), LockAfter::NotAnswered);
    EXPECT_EQ(due(rules, 1000 + 5 * kLockAfter), Actions{});
    EXPECT_TRUE(rules.runModeRunning());
    // A Lock signal from elsewhere now ends it.
    rules.noteLockRequested();
    EXPECT_EQ(due(rules, 1000 + 5 * kLockAfter), Actions{Action::EndRunMode});
    rules.noteRunModeEnded();

    // The next run asks again; a locker answers: the session locked, Run mode ends at once.
    rules.noteInput();
    ASSERT_EQ(idle(rules, 1000000), Outcome::Started);
    EXPECT_EQ(due(rules, 1000000 + kLockAfter), Actions{Action::LockSession});
    rules.noteLocked(true);
    EXPECT_EQ(rules.lockAfter(), LockAfter::Locked);
    EXPECT_EQ(due(rules, 1000000 + kLockAfter + 10), Actions{Action::EndRunMode});
    rules.noteRunModeEnded();
    EXPECT_EQ(due(rules, 1000000 + kLockAfter + kAnswer), Actions{});
    rules.noteLocked(false);

    // Without logind nothing can be asked; that is what the status says.
    rules.noteInput();
    ASSERT_EQ(idle(rules, 2000000), Outcome::Started);
    EXPECT_EQ(due(rules, 2000000 + kLockAfter), Actions{Action::LockSession});
    rules.noteLockNotAsked();
    EXPECT_EQ(rules.lockAfter(), LockAfter::CouldNotAsk);
    EXPECT_EQ(due(rules, 2000000 + kLockAfter + kAnswer), Actions{});
    for (LockAfter state : {LockAfter::Off, LockAfter::NotAsked, LockAfter::Waiting, LockAfter::Locked,
                            LockAfter::NotAnswered, LockAfter::CouldNotAsk})
        EXPECT_STRNE(lockAfterText(state), "");
}

TEST(IdleLauncherRules, StoppingEndsRunModeAndDoesNothingElse) {
    IdleLauncherRules rules(kDelay, 1000);
    ASSERT_EQ(idle(rules, 0), Outcome::Started);
    rules.noteStopping();
    EXPECT_EQ(due(rules, 5000), Actions{Action::EndRunMode});  // no lock request any more
    EXPECT_EQ(due(rules, 5000 + kGrace), Actions{Action::ForceEndRunMode});
    rules.noteRunModeEnded();
    EXPECT_FALSE(rules.runModeRunning());
    EXPECT_EQ(due(rules, 100000), Actions{});
}

}  // namespace
