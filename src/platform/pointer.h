#pragma once

// The mouse pointer as the desktop reports it: where it is, which window lies
// under it, which window has the foreground, and periodic timers bound to a
// window (they end when the window is destroyed).

#include <QPoint>
#include <QWidget>

#include <functional>

namespace kiebitz::platform {

// A widget has a window of its own when it is a top-level window or a native
// child window; every other (alien) widget is drawn into the window of its
// nearest ancestor that has one.
inline bool hasOwnWindow(const QWidget& widget)
{
    return widget.isWindow() || widget.testAttribute(Qt::WA_NativeWindow);
}

// The window a widget is drawn into: the widget itself or its nearest
// ancestor with a window of its own.
inline QWidget* hostWindow(QWidget* widget)
{
    while (widget && !hasOwnWindow(*widget))
        widget = widget->parentWidget();
    return widget;
}

class Pointer {
public:
    virtual ~Pointer() = default;

    // Pointer position in screen pixels.
    virtual QPoint cursorPos() const = 0;
    // The deepest window of this program at a screen point, in the sense of
    // hasOwnWindow(); nullptr over another program's window or the desktop.
    virtual QWidget* windowAt(const QPoint& screenPos) const = 0;
    // The active top-level window of this program; nullptr while another
    // program has the foreground.
    virtual QWidget* foregroundWindow() const = 0;

    // Starts timer `id` of `window`, replacing a running one of the same id:
    // `onTick` runs every `periodMs` on the user-interface thread until the
    // timer is killed or the window is destroyed. Returns `id`, or 0 when the
    // timer could not be set (no window, id 0, period below 1 ms).
    virtual quint32 setTimer(QWidget* window, quint32 id, int periodMs, std::function<void()> onTick) = 0;
    // Stops timer `id` of `window`; false when no such timer runs.
    virtual bool killTimer(QWidget* window, quint32 id) = 0;
};

}  // namespace kiebitz::platform
