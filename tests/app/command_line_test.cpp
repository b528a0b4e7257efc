#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {

struct Parsed {
    RunMode mode;
    std::uint32_t handle;
};

Parsed parse(const std::wstring& line, std::uint32_t handleBefore = 0) {
    std::uint32_t handle = handleBefore;
    const RunMode mode = parseCommandLine(line, handle);
    return {mode, handle};
}

TEST(ParseCommandLine, NoSwitchMeansConfigure) {
    EXPECT_EQ(parse(L"").mode, RunMode::Configure);
    EXPECT_EQ(parse(L"Glimmerdale.scr").mode, RunMode::Configure);   // unquoted name, no space
    EXPECT_EQ(parse(L"Glimmerdale.scr ").mode, RunMode::Configure);  // nothing after the name
    EXPECT_EQ(parse(L"\"C:\\My Saver\\G.scr\"").mode, RunMode::Configure);
    EXPECT_EQ(parse(L"\"C:\\unclosed /s").mode, RunMode::Configure);  // no closing quote
    EXPECT_EQ(parse(L"Glimmerdale.scr foo bar").mode, RunMode::Configure);
}

TEST(ParseCommandLine, RunSwitchesAndUnknownLetters) {
    EXPECT_EQ(parse(L"Glimmerdale.scr /s").mode, RunMode::Run);
    EXPECT_EQ(parse(L"Glimmerdale.scr -S").mode, RunMode::Run);
    EXPECT_EQ(parse(L"Glimmerdale.scr /x").mode, RunMode::Run);
    EXPECT_EQ(parse(L"Glimmerdale.scr /").mode, RunMode::Run);  // trailing "/" with nothing after
    EXPECT_EQ(parse(L"Glimmerdale.scr -").mode, RunMode::Run);
    EXPECT_EQ(parse(L"Glimmerdale.scr / c").mode, RunMode::Run);  // the letter must follow at once
}

TEST(ParseCommandLine, PreviewTakesTheFirstNumberAfterTheLetter) {
    for (const wchar_t* line :
         {L"Glimmerdale.scr /p 1234", L"Glimmerdale.scr /P:1234", L"Glimmerdale.scr -p1234"}) {
        const Parsed parsed = parse(line);
        EXPECT_EQ(parsed.mode, RunMode::Preview) << line;
        EXPECT_EQ(parsed.handle, 1234u) << line;
    }
    // The number ends at the first non-digit.
    EXPECT_EQ(parse(L"G.scr /p 12x34").handle, 12u);
    // Any text may stand between the letter and the number.
    EXPECT_EQ(parse(L"G.scr /preview window 77").handle, 77u);
}

TEST(ParseCommandLine, PreviewWithoutNumberKeepsTheHandle) {
    Parsed parsed = parse(L"Glimmerdale.scr /p");
    EXPECT_EQ(parsed.mode, RunMode::Preview);
    EXPECT_EQ(parsed.handle, 0u);
    parsed = parse(L"Glimmerdale.scr /p", 99);
    EXPECT_EQ(parsed.handle, 99u);
}

TEST(ParseCommandLine, TestSwitchIsPreviewAndLeavesTheHandleAlone) {
    Parsed parsed = parse(L"Glimmerdale.scr /t 555", 42);
    EXPECT_EQ(parsed.mode, RunMode::Preview);
    EXPECT_EQ(parsed.handle, 42u);
    EXPECT_EQ(parse(L"Glimmerdale.scr -T").mode, RunMode::Preview);
}

TEST(ParseCommandLine, ConfigureSetsTheHandleOrClearsIt) {
    Parsed parsed = parse(L"Glimmerdale.scr /c:5678");
    EXPECT_EQ(parsed.mode, RunMode::Configure);
    EXPECT_EQ(parsed.handle, 5678u);
    parsed = parse(L"Glimmerdale.scr /C", 31);
    EXPECT_EQ(parsed.mode, RunMode::Configure);
    EXPECT_EQ(parsed.handle, 0u);
}

TEST(ParseCommandLine, QuotedProgramPathIsSkippedWhole) {
    EXPECT_EQ(parse(L"\"/opt/my saver/bin-x/Glimmerdale.scr\" /s").mode, RunMode::Run);
    EXPECT_EQ(parse(L"\"C:/Program Files/c-p/Glimmerdale.scr\" /p 8").mode, RunMode::Preview);
    EXPECT_EQ(parse(L"\"C:/Program Files/c-p/Glimmerdale.scr\" /p 8").handle, 8u);
    // The switch may follow the closing quote at once.
    EXPECT_EQ(parse(L"\"a b\"/s").mode, RunMode::Run);
    // An unquoted name ends at the first space, so the rest of a spaced path is scanned.
    EXPECT_EQ(parse(L"/opt/my saver/Glimmerdale.scr /c").mode, RunMode::Run);
}

TEST(ParseCommandLine, TextBeforeTheSwitchIsSkippedButADashInsideAWordCounts) {
    EXPECT_EQ(parse(L"Glimmerdale.scr foo /s").mode, RunMode::Run);
    EXPECT_EQ(parse(L"Glimmerdale.scr my-file /s").mode, RunMode::Run);          // selects by "f"
    EXPECT_EQ(parse(L"Glimmerdale.scr my-config /s").mode, RunMode::Configure);  // selects by "c"
    EXPECT_EQ(parse(L"Glimmerdale.scr my-preview /s").mode, RunMode::Preview);
}

TEST(ParseCommandLine, HugeNumbersSaturateInsteadOfOverflowing) {
    EXPECT_EQ(parse(L"G.scr /p 4294967295").handle, 4294967295u);
    EXPECT_EQ(parse(L"G.scr /p 4294967296").handle, 4294967295u);
    EXPECT_EQ(parse(L"G.scr /p 99999999999999999999999999").handle, 4294967295u);
    EXPECT_EQ(parse(L"G.scr /p 0007").handle, 7u);
}

TEST(CommandLineFromArguments, QuotesOnlyWhatWindowsWouldQuote) {
    EXPECT_EQ(commandLineFromArguments({}), L"");
    EXPECT_EQ(commandLineFromArguments({"./Glimmerdale.scr"}), L"./Glimmerdale.scr");
    EXPECT_EQ(commandLineFromArguments({"./Glimmerdale.scr", "/p", "1234"}), L"./Glimmerdale.scr /p 1234");
    EXPECT_EQ(commandLineFromArguments({"/my dir/G.scr", "/s"}), L"\"/my dir/G.scr\" /s");
    EXPECT_EQ(commandLineFromArguments({"/odd\"dir/G.scr", "/s"}), L"/odddir/G.scr /s");
    EXPECT_EQ(commandLineFromArguments({"G.scr", "a b", ""}), L"G.scr \"a b\" \"\"");
    EXPECT_EQ(commandLineFromArguments({"G.scr", "say \"hi\" now"}), L"G.scr \"say \\\"hi\\\" now\"");
}

TEST(CommandLineFromArguments, DecodesUtf8AndReplacesBadBytes) {
    EXPECT_EQ(commandLineFromArguments({"G.scr", "\xc3\xa9t\xc3\xa9"}), L"G.scr \u00e9t\u00e9");
    EXPECT_EQ(commandLineFromArguments({"G.scr", "\xe2\x82\xac"}), L"G.scr \u20ac");
    // A lone continuation byte, a truncated sequence at the end and an overlong form.
    EXPECT_EQ(commandLineFromArguments({"G.scr", "\x80x"}), L"G.scr \ufffdx");
    EXPECT_EQ(commandLineFromArguments({"G.scr", "x\xe2\x82"}), L"G.scr x\ufffd\ufffd");
    EXPECT_EQ(commandLineFromArguments({"G.scr", "\xc0\xaf"}), L"G.scr \ufffd\ufffd");
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
