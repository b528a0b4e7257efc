#pragma once
// Modal message boxes for start-up failures and undecodable pictures. Where the box goes is decided
// here (message_box.cpp); the backends only show one (sdl/, win32/).

#include <string>

namespace platform {

// Shows `text` in a modal box with the caption "Error" and an OK button, and returns once the user
// has dismissed it. Where no box can be shown (no display), or when the environment variable
// GLIMMERDALE_MESSAGE_BOX is "stderr" (unattended runs and tests), the line
// "Error: <text>" goes to stderr instead and the call returns at once.
void showErrorMessage(const std::string& text);

// The same with a caption of the caller's choosing.
void showMessageBox(const std::string& caption, const std::string& text);

// --- The backend's part ---

// Shows the system's modal box with an OK button and returns once it is dismissed. False when no box
// could be shown.
bool showSystemMessageBox(const std::string& caption, const std::string& text);

}  // namespace platform
