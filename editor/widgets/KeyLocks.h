#pragma once

namespace morv {

// The state of the Caps Lock and Num Lock keys as the X server reports it. Where there is no X
// server (Wayland without Xwayland, the offscreen platform), the last state seen from key presses
// is used instead.
struct KeyLocks {
    bool caps = false;
    bool num = false;
};

// Reads the indicator state; false when the X server cannot be asked.
bool QueryKeyLocks(KeyLocks& locks);

}  // namespace morv
