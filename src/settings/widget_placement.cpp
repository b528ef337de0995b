#include "settings/widget_placement.h"

#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace kiebitz::settings {

namespace {

const QScreen* screenOf(const QWidget& widget)
{
    if (const QScreen* s = widget.screen())
        return s;
    return QGuiApplication::primaryScreen();
}

}  // namespace

core::TwipsPerPixel WidgetPlacement::twipsPerPixel() const
{
    const QScreen* s = screenOf(m_widget);
    return s ? core::TwipsPerPixel::fromDpi(s->logicalDotsPerInchX(), s->logicalDotsPerInchY())
             : core::TwipsPerPixel{};
}

QRect WidgetPlacement::screenGeometry() const
{
    const QScreen* s = screenOf(m_widget);
    return s ? s->geometry() : QRect(0, 0, 640, 480);
}

QRect WidgetPlacement::desktopGeometry() const
{
    const QScreen* s = screenOf(m_widget);
    return s ? s->virtualGeometry() : screenGeometry();
}

QRect WidgetPlacement::frameGeometry() const { return m_widget.frameGeometry(); }

void WidgetPlacement::moveTo(const QPoint& topLeft) { m_widget.move(topLeft); }

QRect WidgetPlacement::normalFrameGeometry() const
{
    if (state() == StateNormal)
        return m_widget.frameGeometry();
    // normalGeometry() is the client rectangle the window returns to; add
    // the frame the window manager draws around it.
    QMargins frame;
    if (const QWindow* w = m_widget.windowHandle())
        frame = w->frameMargins();
    return m_widget.normalGeometry().marginsAdded(frame);
}

WindowStateValue WidgetPlacement::state() const
{
    const Qt::WindowStates s = m_widget.windowState();
    if (s & Qt::WindowMinimized)
        return StateMinimized;
    if (s & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return StateMaximized;
    return StateNormal;
}

void WidgetPlacement::setState(WindowStateValue state)
{
    Qt::WindowStates s = m_widget.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    if (state == StateMinimized)
        s |= Qt::WindowMinimized;
    else if (state == StateMaximized)
        s |= Qt::WindowMaximized;
    m_widget.setWindowState(s);
}

platform::WindowId WidgetPlacement::windowId() const { return platform::WindowId(m_widget.winId()); }

}  // namespace kiebitz::settings
