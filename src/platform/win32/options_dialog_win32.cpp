// Configure mode on Windows: the options dialog from dialog resources is not built yet, so the
// toolkit is missing and the user is told so.

#include "platform/message_box.h"
#include "platform/options_dialog.h"

namespace platform {

std::unique_ptr<DialogToolkit> createDialogToolkit(std::string& reason) {
    reason = "the options dialog is not available on Windows yet";
    showMessageBox("Glimmerdale", "The options dialog is not available in this version of Glimmerdale yet.");
    return nullptr;
}

}  // namespace platform
