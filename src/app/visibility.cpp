#include "app/visibility.h"

bool Visibility::apply(platform::WindowEvent event) {
    const bool before = seen();
    switch (event) {
        case platform::WindowEvent::DisplaysOff:
            displaysOn_ = false;
            break;
        case platform::WindowEvent::DisplaysOn:
            displaysOn_ = true;
            break;
        case platform::WindowEvent::SystemSuspending:
            systemAsleep_ = true;
            break;
        case platform::WindowEvent::SystemResumed:
            systemAsleep_ = false;
            break;
        case platform::WindowEvent::WindowsHidden:
            windowsShown_ = false;
            break;
        case platform::WindowEvent::WindowsShown:
            windowsShown_ = true;
            break;
        default:
            break;
    }
    return seen() != before;
}
