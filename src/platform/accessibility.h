#pragma once

#include <QString>

namespace kiebitz::platform {

// The desktop's switch that makes programs publish their contents to
// assistive technology; browsers list their pages only while it is on.
class AccessibilitySwitch {
public:
    enum class State { Unavailable, Off, On };
    virtual ~AccessibilitySwitch() = default;
    virtual State state() = 0;
    // Switches it on for this desktop session; false when that failed.
    virtual bool switchOn() = 0;
};

}  // namespace kiebitz::platform
