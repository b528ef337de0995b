#include "platform/linux/pointer_qt.h"

#include <QApplication>
#include <QCursor>
#include <QTimer>

namespace kiebitz::platform {

namespace {

// A window's timers are its children, found by a name made of their id, so
// they go with the window and no table can point at a destroyed one.
QString timerName(quint32 id) { return QStringLiteral("kiebitz-timer-%1").arg(id); }

QTimer* findTimer(QWidget* window, quint32 id)
{
    return window->findChild<QTimer*>(timerName(id), Qt::FindDirectChildrenOnly);
}

void retire(QTimer* timer)
{
    // The timer may be the one whose tick is running right now: stop it and
    // let the event loop delete it.
    timer->stop();
    timer->setObjectName(QString());
    timer->deleteLater();
}

}  // namespace

QPoint PointerQt::cursorPos() const { return QCursor::pos(); }

QWidget* PointerQt::windowAt(const QPoint& screenPos) const { return hostWindow(QApplication::widgetAt(screenPos)); }

QWidget* PointerQt::foregroundWindow() const { return QApplication::activeWindow(); }

quint32 PointerQt::setTimer(QWidget* window, quint32 id, int periodMs, std::function<void()> onTick)
{
    if (!window || id == 0 || periodMs < 1 || !onTick)
        return 0;
    if (QTimer* old = findTimer(window, id))
        retire(old);
    auto* timer = new QTimer(window);
    timer->setObjectName(timerName(id));
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, std::move(onTick));
    timer->start(periodMs);
    return id;
}

bool PointerQt::killTimer(QWidget* window, quint32 id)
{
    if (!window || id == 0)
        return false;
    QTimer* timer = findTimer(window, id);
    if (!timer)
        return false;
    retire(timer);
    return true;
}

}  // namespace kiebitz::platform
