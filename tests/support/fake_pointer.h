#pragma once

// A pointer the test moves by hand, a desktop of rectangles that say which
// window lies where, and timers that tick only when the test says so.

#include "platform/pointer.h"

#include <QRect>

#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace kiebitz::test {

class FakePointer : public platform::Pointer {
public:
    struct Region {
        QRect rect;       // screen pixels
        QWidget* window;  // nullptr stands for another program's window
    };
    struct Timer {
        int periodMs = 0;
        std::function<void()> onTick;
    };

    QPoint cursorPos() const override { return cursor; }
    QWidget* windowAt(const QPoint& p) const override
    {
        for (const Region& r : regions)
            if (r.rect.contains(p))
                return r.window;
        return nullptr;
    }
    QWidget* foregroundWindow() const override { return foreground; }

    quint32 setTimer(QWidget* window, quint32 id, int periodMs, std::function<void()> onTick) override
    {
        ++timersSet;
        if (!window || id == 0 || periodMs < 1 || refuseTimers)
            return 0;
        timers[{window, id}] = {periodMs, std::move(onTick)};
        return id;
    }
    bool killTimer(QWidget* window, quint32 id) override
    {
        ++timersKilled;
        return timers.erase({window, id}) > 0;
    }

    // Runs one tick of every running timer, as the event loop would after
    // one period.
    void tick()
    {
        std::vector<std::function<void()>> due;
        for (auto& entry : timers)
            due.push_back(entry.second.onTick);
        for (auto& f : due)
            f();
    }
    bool timerRuns() const { return !timers.empty(); }

    QPoint cursor;
    QWidget* foreground = nullptr;
    // Front to back: the first region that contains a point names its window.
    std::vector<Region> regions;
    std::map<std::pair<QWidget*, quint32>, Timer> timers;
    int timersSet = 0;
    int timersKilled = 0;
    bool refuseTimers = false;
};

}  // namespace kiebitz::test
