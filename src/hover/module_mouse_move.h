#pragma once

// Tells a form when the mouse pointer enters and leaves one of its controls.
// Qt reports moves over a widget, and leaving only for the widget the pointer
// left last; a control that is covered, a form that goes to the background or
// a pointer that jumps off the window are easy to miss that way. So a control's
// mouse-move handler hands the control to track_Hover, and a 50 ms timer then
// watches the pointer and calls the form's public slots <name>_MouseIn and
// <name>_MouseOut, <name> being the control's objectName().

#include "platform/pointer.h"

#include <QPointer>
#include <QString>
#include <QWidget>

namespace kiebitz::hover {

constexpr quint32 kHoverTimerIdentifier = 44;
constexpr int kHoverPeriodMs = 50;

// A rectangle in screen pixels. Its left and top edges belong to it, its right
// and bottom edges do not.
struct HoverRectangle {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool contains(const QPoint& p) const { return p.x() >= left && p.x() < right && p.y() >= top && p.y() < bottom; }
    friend bool operator==(const HoverRectangle&, const HoverRectangle&) = default;
};

// Where a control counts as under the pointer: the rectangle it covers on the
// screen and the window that has to lie under the pointer there.
struct HotArea {
    QWidget* window = nullptr;
    HoverRectangle rect;
};

// A control with a window of its own is hot over its own client area in its
// own window; any other control over its place in its container, in the window
// the container is drawn into.
HotArea hotArea(QWidget& control);

// The top-level window that contains `control`, found by walking up its
// containers; the control itself never counts. nullptr for a loose control.
QWidget* formOf(QWidget* control);

// Calls the public slot or invokable method `name` without arguments on
// `target`. False when there is none of that name or it threw; nothing is
// reported either way.
bool invokeByName(QObject* target, const QString& name);

// The tracking of one control at a time.
struct HoverState {
    quint32 HoverTimerId = 0;        // 0 while no timer runs
    QPointer<QWidget> HoverControl;  // the control tracked last
    QPointer<QWidget> HoverForm;     // its top-level window
    HoverRectangle HoverRect;        // screen pixels
    QPointer<QWidget> HoverWindow;   // the window that must lie under the pointer
    bool HoverEntered = false;       // between <name>_MouseIn and <name>_MouseOut
};

// The hover tracking. The window that owns an instance shares it among all
// the controls it wants tracked; a second tracked control ends the first.
class ModuleMouseMove {
public:
    explicit ModuleMouseMove(platform::Pointer& pointer);
    ~ModuleMouseMove();
    ModuleMouseMove(const ModuleMouseMove&) = delete;
    ModuleMouseMove& operator=(const ModuleMouseMove&) = delete;

    // Call on every mouse move over `control`. Once the control is tracked
    // this only compares and returns.
    void track_Hover(QWidget* control);

    void start_HoverTimer(int periodMs);
    void stop_HoverTimer();
    // The timer's tick: the first one calls <name>_MouseIn; each one calls
    // <name>_MouseOut and ends tracking when the pointer is no longer inside.
    void hover_Tick();
    void fire_MouseIn();
    void fire_MouseOut();

    const HoverState& state() const { return m_state; }

private:
    void fire(const char* suffix);
    // A destroyed form takes its timer with it; forget it without calls.
    bool forgetVanished();

    platform::Pointer& m_pointer;
    HoverState m_state;
};

}  // namespace kiebitz::hover
