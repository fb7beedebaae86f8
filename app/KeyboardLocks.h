// The keyboard's lock state, where the platform tells it.
#pragma once

#include <optional>

enum EKeyboardLock : unsigned {
    LOCK_CAPS = 1,
    LOCK_NUM = 2,
    LOCK_SCROLL = 4,
};

// The lit locks as EKeyboardLock bits, or nullopt where the platform does not say (not on
// X11, or no X library): the indicator panes then stay blank.
std::optional<unsigned> ReadKeyboardLocks();
