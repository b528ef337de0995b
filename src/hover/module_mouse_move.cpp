#include "hover/module_mouse_move.h"

#include <QMetaMethod>

namespace kiebitz::hover {

HotArea hotArea(QWidget& control)
{
    if (platform::hasOwnWindow(control) || !control.parentWidget()) {
        const QPoint topLeft = control.mapToGlobal(QPoint(0, 0));
        return {&control, {topLeft.x(), topLeft.y(), topLeft.x() + control.width(), topLeft.y() + control.height()}};
    }
    QWidget* container = control.parentWidget();
    const QPoint topLeft = container->mapToGlobal(control.pos());
    return {platform::hostWindow(container),
            {topLeft.x(), topLeft.y(), topLeft.x() + control.width(), topLeft.y() + control.height()}};
}

QWidget* formOf(QWidget* control)
{
    QWidget* current = control ? control->parentWidget() : nullptr;
    while (current && !current->isWindow())
        current = current->parentWidget();
    return current;
}

bool invokeByName(QObject* target, const QString& name)
{
    if (!target || name.isEmpty())
        return false;
    const QByteArray signature = QMetaObject::normalizedSignature((name + QStringLiteral("()")).toUtf8().constData());
    const QMetaObject* meta = target->metaObject();
    const int index = meta->indexOfMethod(signature.constData());
    if (index < 0)
        return false;
    const QMetaMethod method = meta->method(index);
    if (method.access() != QMetaMethod::Public)
        return false;
    if (method.methodType() != QMetaMethod::Slot && method.methodType() != QMetaMethod::Method)
        return false;
    try {
        return method.invoke(target, Qt::DirectConnection);
    } catch (...) {
        // A failing callback must not end the tracking or reach the event loop.
        return false;
    }
}

ModuleMouseMove::ModuleMouseMove(platform::Pointer& pointer) : m_pointer(pointer) {}

ModuleMouseMove::~ModuleMouseMove() { stop_HoverTimer(); }

bool ModuleMouseMove::forgetVanished()
{
    if (m_state.HoverForm && m_state.HoverControl)
        return false;
    stop_HoverTimer();
    m_state.HoverTimerId = 0;
    m_state.HoverEntered = false;
    return true;
}

void ModuleMouseMove::track_Hover(QWidget* control)
{
    if (!control)
        return;
    if (control != m_state.HoverControl) {
        if (m_state.HoverTimerId != 0 && !forgetVanished()) {
            // The control tracked so far hears of its leave before anything
            // happens for the new one.
            stop_HoverTimer();
            m_state.HoverEntered = false;
            fire_MouseOut();
        }
        QWidget* form = formOf(control);
        if (!form)
            return;
        m_state.HoverForm = form;
        m_state.HoverControl = control;
    }
    if (m_state.HoverTimerId != 0 || !m_state.HoverForm || m_pointer.foregroundWindow() != m_state.HoverForm)
        return;

    // The geometry is worked out once per cycle; ticks only compare.
    const HotArea area = hotArea(*control);
    m_state.HoverWindow = area.window;
    m_state.HoverRect = area.rect;
    start_HoverTimer(kHoverPeriodMs);
}

void ModuleMouseMove::start_HoverTimer(int periodMs)
{
    if (m_state.HoverTimerId != 0 || !m_state.HoverForm)
        return;
    m_state.HoverTimerId =
        m_pointer.setTimer(m_state.HoverForm, kHoverTimerIdentifier, periodMs, [this] { hover_Tick(); });
}

void ModuleMouseMove::stop_HoverTimer()
{
    if (m_state.HoverTimerId == 0)
        return;
    if (m_state.HoverForm)
        m_pointer.killTimer(m_state.HoverForm, m_state.HoverTimerId);
    m_state.HoverTimerId = 0;
}

void ModuleMouseMove::hover_Tick()
{
    if (m_state.HoverTimerId == 0 || forgetVanished())
        return;
    if (!m_state.HoverEntered) {
        m_state.HoverEntered = true;
        const QWidget* tracked = m_state.HoverControl;
        fire_MouseIn();
        // The callback may have ended or moved the tracking itself.
        if (m_state.HoverTimerId == 0 || m_state.HoverControl != tracked || forgetVanished())
            return;
    }
    const QPoint p = m_pointer.cursorPos();
    const bool inside = m_state.HoverRect.contains(p) && m_state.HoverWindow &&
                        m_pointer.windowAt(p) == m_state.HoverWindow &&
                        m_pointer.foregroundWindow() == m_state.HoverForm;
    if (!inside) {
        stop_HoverTimer();
        m_state.HoverEntered = false;
        fire_MouseOut();
    }
}

void ModuleMouseMove::fire_MouseIn() { fire("_MouseIn"); }

void ModuleMouseMove::fire_MouseOut() { fire("_MouseOut"); }

void ModuleMouseMove::fire(const char* suffix)
{
    if (!m_state.HoverControl || !m_state.HoverForm)
        return;
    const QString name = m_state.HoverControl->objectName();
    if (name.isEmpty())
        return;
    invokeByName(m_state.HoverForm, name + QLatin1String(suffix));
}

}  // namespace kiebitz::hover
