#pragma once
// The settings file: the options as text in the registry-export convention, the form the Linux build
// keeps them in ("settings.reg" in the settings folder, stored by platform/settings_storage.h):
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Vantorel\Glimmerdale]
//   "Resolution:"=dword:00000001
//   "Gamma:"=dword:00000003
//
// One value per line, the name in double quotes (\" and \\ escaped), the data "dword:" and 1 to 8
// hex digits. Lines that cannot be parsed are kept and skipped, never fatal. The functions are pure
// (bytes in, result out) so that the parser can be fuzzed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/settings_storage.h"

// The section line of our key, without the brackets.
extern const char* const kSettingsKeyName;

// Looks `name` up in the text of a settings file. Names compare without regard to ASCII letter
// case, as registry value names do. Only value lines in our key's section (or before any section
// line) count, and the last line for a name wins. Lines that cannot be parsed are skipped.
// Returns false (leaving `value` alone) when there is no line for the name or its data is not a
// well-formed DWORD ("dword:" and 1 to 8 hex digits).
bool findDwordInSettingsText(const std::uint8_t* data, std::size_t size, const std::string& name,
                             std::uint32_t& value);

// The text of a settings file after storing `values` into the file whose current text is
// (data, size): a line already holding one of the names is replaced in place (later duplicates
// are dropped), names without a line are appended to our key's section (which is added when
// missing), and every other line, understood or not, is kept. Line ends come out as "\n".
// The names in `values` are expected to be distinct.
std::string updateSettingsText(const std::uint8_t* data, std::size_t size,
                               const std::vector<platform::DwordValue>& values);

// The two functions above as the settings storage reads and rewrites the file with them.
const platform::SettingsFileFormat& settingsFileFormat();
