#pragma once

#include "platform/window_list.h"

#include <functional>
#include <vector>

namespace kiebitz::test {

// A desktop of windows the test lays out, topmost first.
class FakeWindowList : public platform::WindowList {
public:
    std::vector<platform::WindowEntry> windows() override
    {
        ++reads;
        if (onRead)
            onRead();
        return entries;
    }
    std::uint32_t style(platform::WindowId id) override { return platform::styleIn(entries, id); }
    std::vector<platform::WindowEntry> entries;
    int reads = 0;                 // calls of windows()
    std::function<void()> onRead;  // runs at each read, before the list is handed out
};

}  // namespace kiebitz::test
