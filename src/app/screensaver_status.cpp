#include "app/screensaver_status.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/screensaver_setup.h"
#include "platform/launcher_service.h"

namespace {

constexpr int kAnswerMilliseconds = 3000;

void line(const std::string& label, const std::string& text) {
    std::printf("%-26s%s\n", (label + ":").c_str(), text.c_str());
}

std::string hostName(ScreensaverHost host) {
    switch (host) {
        case ScreensaverHost::XScreenSaver:
            return "XScreenSaver";
        case ScreensaverHost::Mate:
            return "MATE's screensaver";
        case ScreensaverHost::Xfce:
            return "Xfce's screensaver";
        case ScreensaverHost::IdleLauncher:
            return "the idle launcher";
    }
    return "";
}

std::string setUpText(const SetupTraces& traces) {
    std::vector<std::string> found;
    if (traces.xscreensaverSelects) found.push_back("XScreenSaver (~/.xscreensaver selects Glimmerdale)");
    if (traces.mateSelects)
        found.push_back("MATE's screensaver (theme " + std::string(kScreensaverThemeId) + ")");
    if (traces.xfceSelects)
        found.push_back("Xfce's screensaver (theme " + std::string(kScreensaverThemeId) + ")");
    if (!traces.autostartEntry.empty()) found.push_back("the idle launcher (" + traces.autostartEntry + ")");
    std::string text;
    for (const std::string& part : found) text += (text.empty() ? "" : "; ") + part;
    return text.empty() ? "nothing" : text;
}

std::string valueText(const platform::LauncherStatusEntry& entry) {
    switch (entry.kind) {
        case platform::LauncherStatusEntry::Kind::Text:
            return entry.text;
        case platform::LauncherStatusEntry::Kind::Number:
            return std::to_string(entry.number);
        case platform::LauncherStatusEntry::Kind::TextPairs:
            break;
    }
    std::string text;
    for (const auto& [first, second] : entry.pairs)
        text += (text.empty() ? "" : "; ") + first + (second.empty() ? "" : " (" + second + ")");
    return text.empty() ? "none" : text;
}

// The launcher's record, each key under a label people read; keys this version does not know are
// printed as they come.
void printLauncher(const platform::LauncherStatus& status) {
    const struct {
        const char* key;
        const char* label;
    } labels[] = {
        {"pid", "  process"},
        {"idle-source", "  idle source"},
        {"delay-seconds", "  delay (seconds)"},
        {"inhibitors", "  holding off idle now"},
        {"last-run-start", "  Run mode last started"},
        {"last-run-end", "  Run mode last ended"},
        {"lock-after", "  lock after"},
    };
    for (const platform::LauncherStatusEntry& entry : status) {
        std::string label = "  " + entry.key;
        for (const auto& known : labels)
            if (entry.key == known.key) label = known.label;
        std::string value = valueText(entry);
        if (entry.key.compare(0, 9, "last-run-") == 0 && value.empty()) value = "never";
        line(label, value);
    }
}

}  // namespace

int runScreensaverStatus(const Settings& settings) {
    const DesktopFacts facts = gatherDesktopFacts();
    const ScreensaverHost host = chooseScreensaverHost(facts);
    const SetupTraces traces = findSetupTraces();
    line("In this session", describeFindings(facts, host));
    line("Set up", setUpText(traces));

    unsigned seconds = 0;
    std::string where;
    hostDelaySeconds(host, settings, seconds, where);
    line("Starts Glimmerdale after",
         durationText(seconds) + " without input (" + hostName(host) + "; " + where + ")");
    const std::vector<DesktopDelay> delays = desktopDelays(facts);
    std::string own;
    for (const DesktopDelay& delay : delays)
        own += (own.empty() ? "" : "; ") + delay.who +
               (delay.effect == DesktopDelay::Effect::Blanks ? " blanks" : " locks") + " the screen after " +
               durationText(delay.seconds);
    line("The desktop's own delays", own.empty() ? "none known" : own);
    for (const std::string& warning : delayWarnings(delays, seconds)) line("Note", warning);

    platform::LauncherStatus status;
    const platform::LauncherQuery query = platform::askLauncherStatus(status, kAnswerMilliseconds);
    switch (query) {
        case platform::LauncherQuery::Answered:
            line("Idle launcher", "runs in this session");
            printLauncher(status);
            break;
        case platform::LauncherQuery::NoLauncher:
            line("Idle launcher", "does not run in this session");
            break;
        case platform::LauncherQuery::NoAnswer:
            line("Idle launcher", "holds its name on the session bus but does not answer");
            break;
        case platform::LauncherQuery::NoSessionBus:
            line("Idle launcher", "unknown (no session bus to ask on)");
            break;
    }

    std::string problem;
    switch (host) {
        case ScreensaverHost::XScreenSaver:
            if (!traces.xscreensaverSelects)
                problem = "XScreenSaver runs here, but does not select Glimmerdale";
            break;
        case ScreensaverHost::Mate:
        case ScreensaverHost::Xfce:
            if (!(host == ScreensaverHost::Mate ? traces.mateSelects : traces.xfceSelects))
                problem = hostName(host) + " runs here, but does not show Glimmerdale";
            else if (!traces.themeRunnable)
                problem = hostName(host) + " shows Glimmerdale's theme, but cannot run its program";
            break;
        case ScreensaverHost::IdleLauncher:
            if (query == platform::LauncherQuery::NoAnswer)
                problem = "the idle launcher of this session does not answer";
            else if (query != platform::LauncherQuery::Answered)
                problem = traces.autostartEntry.empty()
                              ? "nothing starts Glimmerdale in this session"
                              : "the idle launcher is set up, but does not run in this "
                                "session";
            break;
    }
    line("Working", problem.empty() ? "yes" : "no: " + problem);
    return problem.empty() ? 0 : 1;
}
