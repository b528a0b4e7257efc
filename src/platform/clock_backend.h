#pragma once
// What each platform backend supplies to the portable clock code in clock.cpp.

#include "platform/clock.h"

namespace platform::backend {

// The system's local date and time, all fields filled.
LocalTime systemLocalTime();

}  // namespace platform::backend
