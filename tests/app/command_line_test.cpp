#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The mode and preview handle of a command line, given the handle as it was before.
TEST(ParseCommandLine, ModeAndHandleOfEachCommandLine) {
    constexpr std::uint32_t kMax = 4294967295u;
    struct Case {
        const wchar_t* line;
        std::uint32_t handleBefore;
        RunMode mode;
        std::uint32_t handle;
    };
    const Case cases[] = {
        // No switch means Configure.
        {L"", 0, RunMode::Configure, 0},
        {L"Glimmerdale.scr", 0, RunMode::Configure, 0},   // unquoted name, no space
        {L"Glimmerdale.scr ", 0, RunMode::Configure, 0},  // nothing after the name
        {L"\"C:\\My Saver\\G.scr\"", 0, RunMode::Configure, 0},
        {L"\"C:\\unclosed /s", 0, RunMode::Configure, 0},  // no closing quote
        {L"Glimmerdale.scr foo bar", 0, RunMode::Configure, 0},
        // Run: "s" and any letter that is not another mode's.
        {L"Glimmerdale.scr /s", 0, RunMode::Run, 0},
        {L"Glimmerdale.scr -S", 0, RunMode::Run, 0},
        {L"Glimmerdale.scr /x", 0, RunMode::Run, 0},
        {L"Glimmerdale.scr /", 0, RunMode::Run, 0},  // trailing "/" with nothing after
        {L"Glimmerdale.scr -", 0, RunMode::Run, 0},
        {L"Glimmerdale.scr / c", 0, RunMode::Run, 0},  // the letter must follow at once
        // Preview takes the first number after the letter, which ends at the first non-digit; any
        // text may stand between.
        {L"Glimmerdale.scr /p 1234", 0, RunMode::Preview, 1234},
        {L"Glimmerdale.scr /P:1234", 0, RunMode::Preview, 1234},
        {L"Glimmerdale.scr -p1234", 0, RunMode::Preview, 1234},
        {L"G.scr /p 12x34", 0, RunMode::Preview, 12},
        {L"G.scr /preview window 77", 0, RunMode::Preview, 77},
        // Without a number the handle stays as it was.
        {L"Glimmerdale.scr /p", 0, RunMode::Preview, 0},
        {L"Glimmerdale.scr /p", 99, RunMode::Preview, 99},
        // "t" is Preview and leaves the handle alone.
        {L"Glimmerdale.scr /t 555", 42, RunMode::Preview, 42},
        {L"Glimmerdale.scr -T", 0, RunMode::Preview, 0},
        // Configure sets the handle, or clears it.
        {L"Glimmerdale.scr /c:5678", 0, RunMode::Configure, 5678},
        {L"Glimmerdale.scr /C", 31, RunMode::Configure, 0},
        // A quoted program path is skipped whole, and the switch may follow the closing quote at
        // once; an unquoted name ends at the first space, so the rest of a spaced path is scanned.
        {L"\"/opt/my saver/bin-x/Glimmerdale.scr\" /s", 0, RunMode::Run, 0},
        {L"\"C:/Program Files/c-p/Glimmerdale.scr\" /p 8", 0, RunMode::Preview, 8},
        {L"\"a b\"/s", 0, RunMode::Run, 0},
        {L"/opt/my saver/Glimmerdale.scr /c", 0, RunMode::Run, 0},
        // Text before the switch is skipped, but a dash inside a word counts.
        {L"Glimmerdale.scr foo /s", 0, RunMode::Run, 0},
        {L"Glimmerdale.scr my-file /s", 0, RunMode::Run, 0},          // selects by "f"
        {L"Glimmerdale.scr my-config /s", 0, RunMode::Configure, 0},  // selects by "c"
        {L"Glimmerdale.scr my-preview /s", 0, RunMode::Preview, 0},
        // Huge numbers saturate instead of overflowing.
        {L"G.scr /p 4294967295", 0, RunMode::Preview, kMax},
        {L"G.scr /p 4294967296", 0, RunMode::Preview, kMax},
        {L"G.scr /p 99999999999999999999999999", 0, RunMode::Preview, kMax},
        {L"G.scr /p 0007", 0, RunMode::Preview, 7},
    };
    for (const Case& c : cases) {
        std::uint32_t handle = c.handleBefore;
        EXPECT_EQ(parseCommandLine(c.line, handle), c.mode) << c.line;
        EXPECT_EQ(handle, c.handle) << c.line;
    }
}

// The command line Windows would hand over for these arguments: only what needs quotes is quoted,
// and UTF-8 is decoded with every bad byte replaced.
TEST(CommandLineFromArguments, QuotesOnlyWhatWindowsWouldQuoteAndDecodesUtf8) {
    struct Case {
        std::vector<std::string> arguments;
        const wchar_t* line;
    };
    const Case cases[] = {
        {{}, L""},
        {{"./Glimmerdale.scr"}, L"./Glimmerdale.scr"},
        {{"./Glimmerdale.scr", "/p", "1234"}, L"./Glimmerdale.scr /p 1234"},
        {{"/my dir/G.scr", "/s"}, L"\"/my dir/G.scr\" /s"},
        {{"/odd\"dir/G.scr", "/s"}, L"/odddir/G.scr /s"},
        {{"G.scr", "a b", ""}, L"G.scr \"a b\" \"\""},
        {{"G.scr", "say \"hi\" now"}, L"G.scr \"say \\\"hi\\\" now\""},
        {{"G.scr", "\xc3\xa9t\xc3\xa9"}, L"G.scr \u00e9t\u00e9"},
        {{"G.scr", "\xe2\x82\xac"}, L"G.scr \u20ac"},
        // A lone continuation byte, a truncated sequence at the end and an overlong form.
        {{"G.scr", "\x80x"}, L"G.scr \ufffdx"},
        {{"G.scr", "x\xe2\x82"}, L"G.scr x\ufffd\ufffd"},
        {{"G.scr", "\xc0\xaf"}, L"G.scr \ufffd\ufffd"},
    };
    for (const Case& c : cases) EXPECT_EQ(commandLineFromArguments(c.arguments), c.line);
}

TEST(CommandLineFromArguments, RoundTripsThroughTheParser) {
    std::uint32_t handle = 0;
    // A path with spaces, dashes and a "c" after a dash must not be read as a switch.
    EXPECT_EQ(parseCommandLine(commandLineFromArguments({"/home/a b/x-c/Glimmerdale.scr", "/s"}), handle),
              RunMode::Run);
    EXPECT_EQ(parseCommandLine(commandLineFromArguments({"/home/a b/x-c/Glimmerdale.scr"}), handle),
              RunMode::Configure);
    EXPECT_EQ(parseCommandLine(commandLineFromArguments({"/usr/bin/Glimmerdale.scr", "/p", "4711"}), handle),
              RunMode::Preview);
    EXPECT_EQ(handle, 4711u);
}

}  // namespace
