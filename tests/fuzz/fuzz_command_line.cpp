// The command-line readers on arbitrary bytes: the switch parser on the rebuilt wide line, the long
// options and the --time reader. None may crash, read out of bounds or leave a mode outside the four.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/launch_options.h"
#include "platform/clock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Arguments are separated by NUL bytes, as in /proc/<pid>/cmdline.
    std::vector<std::string> arguments(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            arguments.emplace_back();
        else
            arguments.back().push_back(static_cast<char>(data[i]));
    }

    std::uint32_t handle = 0;
    const RunMode mode = parseCommandLine(commandLineFromArguments(arguments), handle);
    if (mode != RunMode::Run && mode != RunMode::Configure && mode != RunMode::Preview) __builtin_trap();

    // The raw bytes as a wide line too, without the rebuilding's quoting.
    std::wstring raw;
    for (std::size_t i = 0; i < size; ++i) raw.push_back(static_cast<wchar_t>(data[i]));
    parseCommandLine(raw, handle);

    LaunchOptions options;
    std::string error;
    std::vector<std::string> copy = arguments;
    if (takeLongOptions(copy, options, error)) {
        for (std::size_t i = 1; i < copy.size(); ++i)
            if (copy[i].size() >= 2 && copy[i][0] == '-' && copy[i][1] == '-') __builtin_trap();
    }

    platform::LocalTime time;
    if (platform::parseLocalTime(std::string(reinterpret_cast<const char*>(data), size), time)) {
        const platform::LocalTime later = platform::addSeconds(time, 86400LL * 400);
        if (later.month < 1 || later.month > 12 || later.day < 1 || later.day > 31) __builtin_trap();
    }
    return 0;
}
