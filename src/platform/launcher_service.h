#pragma once
// One idle launcher per desktop session, and what it tells others: the launcher that runs owns the
// well-known name kLauncherBusName on the session bus and answers, at the object kLauncherObjectPath,
// the method GetStatus() -> a{sv} of interface kLauncherBusName. A second launcher finds the name
// taken and stands down; --screensaver-status and the desktop set-up ask the one that runs.
//
//   LauncherStatus                       the record GetStatus returns, key by key
//   LauncherName, claimLauncherName      the name, held while the launcher runs
//   askLauncherStatus                    the record of this session's launcher

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform {

inline constexpr char kLauncherBusName[] = "com.vantorel.Glimmerdale.IdleLauncher";
inline constexpr char kLauncherObjectPath[] = "/com/vantorel/Glimmerdale/IdleLauncher";

// One key of the record: a text ("s"), a number ("u") or a list of text pairs ("a(ss)"). A value of
// any other type read from the bus comes as Text in GLib's text form.
struct LauncherStatusEntry {
    enum class Kind { Text, Number, TextPairs };
    std::string key;
    Kind kind = Kind::Text;
    std::string text;
    std::uint32_t number = 0;
    std::vector<std::pair<std::string, std::string>> pairs;
};
using LauncherStatus = std::vector<LauncherStatusEntry>;

// The name while this process holds it; destroying it gives the name up.
class LauncherName {
public:
    virtual ~LauncherName() = default;
};

enum class LauncherClaim {
    Claimed,        // this process holds the name now
    HeldByAnother,  // another launcher of this session holds it
    NoSessionBus,   // there is no session bus to hold a name on
};
// Takes the name for this process, which then answers GetStatus with what `status` returns, from
// the GLib main loop's default context (the launcher's waits run it). Null unless Claimed; with
// HeldByAnother, `holder` is the holder's process id (0 when unknown).
std::unique_ptr<LauncherName> claimLauncherName(std::function<LauncherStatus()> status,
                                                LauncherClaim& outcome, int& holder);

enum class LauncherQuery {
    Answered,      // `status` holds the launcher's record
    NoLauncher,    // no launcher runs in this session
    NoSessionBus,  // there is no session bus to ask on
    NoAnswer,      // a launcher holds the name but did not answer in time
};
LauncherQuery askLauncherStatus(LauncherStatus& status, int timeoutMilliseconds);

}  // namespace platform
