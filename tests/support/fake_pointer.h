#pragma once

// A pointer the test moves by hand, a desktop of rectangles that say which
// window lies where, and timers that tick only when the test says so.

#include "platform/pointer.h"

#include <QRect>

#include <functional>
#include <map>
#include <vector>

namespace kiebitz::test {

class FakePointer : public platform::Pointer {
public:
    struct Region {
        QRect rect;       // screen pixels
        QWidget* window;  // nullptr stands for another program's window
    };

    QPoint cursorPos() const override { return cursor; }
    QWidget* windowAt(const QPoint& p) const override
    {
        const auto it =
            std::find_if(regions.begin(), regions.end(), [&](const Region& r) { return r.rect.contains(p); });
        return it == regions.end() ? nullptr : it->window;
    }
    QWidget* foregroundWindow() const override { return foreground; }
    quint32 setTimer(QWidget* window, quint32 id, int periodMs, std::function<void()> onTick) override
    {
        if (!window || id == 0 || periodMs < 1 || refuseTimers)
            return 0;
        m_timers[{window, id}] = std::move(onTick);
        return id;
    }
    bool killTimer(QWidget* window, quint32 id) override { return m_timers.erase({window, id}) > 0; }

    // Runs one tick of every running timer, as the event loop would after
    // one period; a tick may stop timers.
    void tick()
    {
        std::vector<std::function<void()>> due;
        for (const auto& [key, onTick] : m_timers)
            due.push_back(onTick);
        for (const auto& onTick : due)
            onTick();
    }
    bool timerRuns() const { return !m_timers.empty(); }

    QPoint cursor;
    QWidget* foreground = nullptr;
    std::vector<Region> regions;  // front to back: the first that holds a point names its window
    bool refuseTimers = false;

private:
    std::map<std::pair<QWidget*, quint32>, std::function<void()>> m_timers;
};

}  // namespace kiebitz::test
