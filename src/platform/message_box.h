#pragma once
// Modal message boxes for start-up failures and undecodable pictures.

#include <string>

namespace platform {

// Shows `text` in a modal box with the caption "Error" and an OK button, and returns once the user
// has dismissed it. Where no box can be shown (no display), or when the environment variable
// GLIMMERDALE_MESSAGE_BOX is "stderr" (unattended runs and tests), the line
// "Error: <text>" goes to stderr instead and the call returns at once.
void showErrorMessage(const std::string& text);

// The same with a caption of the caller's choosing.
void showMessageBox(const std::string& caption, const std::string& text);

}  // namespace platform
