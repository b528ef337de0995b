#include "platform/linux/window_list_session.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QWindow>

namespace kiebitz::platform {

std::vector<OwnWindow> qtOwnWindows()
{
    std::vector<OwnWindow> own;
    for (QWindow* w : QGuiApplication::topLevelWindows())
        if (w->isVisible() && w->handle())
            own.push_back({WindowId(w->winId()), w->title(), std::uintptr_t(w)});
    return own;
}

QStringList qtOwnAppIds()
{
    QString desktopEntry = QGuiApplication::desktopFileName();
    if (desktopEntry.endsWith(QLatin1String(".desktop")))
        desktopEntry.chop(8);
    QStringList ids = {desktopEntry, QCoreApplication::applicationName(),
                       QFileInfo(QCoreApplication::applicationFilePath()).fileName()};
    ids.removeAll(QString());
    ids.removeDuplicates();
    return ids;
}

WindowListSession::WindowListSession()
{
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        m_wayland = std::make_unique<WindowListWayland>(QByteArray(), qtOwnWindows, qtOwnAppIds());
        m_kwin = std::make_unique<WindowListKWin>(QDBusConnection::sessionBus(), qtOwnWindows);
    }
}

WindowList& WindowListSession::current()
{
    if (m_wayland && m_wayland->available())
        return *m_wayland;
    if (m_kwin && m_kwin->available())
        return *m_kwin;
    return m_x11;
}

std::vector<WindowEntry> WindowListSession::windows() { return current().windows(); }

std::uint32_t WindowListSession::style(WindowId id) { return current().style(id); }

}  // namespace kiebitz::platform
