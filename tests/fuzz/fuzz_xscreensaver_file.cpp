// Fuzzes the reader and the edits of XScreenSaver's preferences file, a file the user may have
// written any way: nothing may crash them; once Glimmerdale is added the file reads back selecting
// it and a second addition changes nothing; taken out again, it is listed nowhere and "mode:" and
// "selected:" are as they were.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/xscreensaver_file.h"

namespace {

// An install path that needs quoting for /bin/sh and escaping in the resource, and one that does not.
const char* const kPrograms[] = {"/usr/libexec/xscreensaver/glimmerdale", "/opt/my saver\\ 'x'/glimmerdale"};
const char kDefaults[] = "programs:\t\\\n  qix -root\t\t\\n\\\n  - maze -root\t\\n\n";

void check(bool condition) {
    if (!condition) std::abort();
}

std::optional<std::string> valueOf(const XScreenSaverPreferences& preferences, const char* name) {
    const XScreenSaverSetting* setting = preferences.setting(name);
    return setting ? std::optional<std::string>(setting->value) : std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string program = kPrograms[size % 2];
    const XScreenSaverPreferences before = readXScreenSaverPreferences(text);
    const XScreenSaverEdit added = addToXScreenSaverPreferences(text, program, kDefaults);
    // A file that reads may still be refused (XScreenSaver's list appended would not read back in
    // it), never changed when it does not read.
    check(before.parsed || added.result == XScreenSaverEdit::Result::Unparsable);
    if (added.result == XScreenSaverEdit::Result::Unparsable) return 0;

    const std::string ours = added.result == XScreenSaverEdit::Result::Changed ? added.text : text;
    const XScreenSaverPreferences after = readXScreenSaverPreferences(ours);
    check(after.parsed && selectsGlimmerdale(after));
    check(after.programs[std::size_t(after.selected)].program == program);
    check(addToXScreenSaverPreferences(ours, program, kDefaults).result ==
          XScreenSaverEdit::Result::Unchanged);

    // A last line that goes on (a backslash at its end) reads as one line only while nothing follows
    // it: once something was added after it, the removal cannot give that back.
    std::size_t end = text.size();
    if (end > 0 && text[end - 1] == '\n') --end;
    if (end > 0 && text[end - 1] == '\r') --end;
    if (end > 0 && text[end - 1] == '\\') return 0;

    const XScreenSaverSelection selection = xscreensaverSelection(before);
    const XScreenSaverEdit removed = removeFromXScreenSaverPreferences(ours, &selection);
    check(removed.result == XScreenSaverEdit::Result::Changed);
    const XScreenSaverPreferences gone = readXScreenSaverPreferences(removed.text);
    check(gone.parsed);
    for (const XScreenSaverProgram& entry : gone.programs) check(!entry.isGlimmerdale);
    check(valueOf(gone, "mode") == selection.mode && valueOf(gone, "selected") == selection.selected);
    return 0;
}
