#pragma once

#include "platform/linux/window_list_wayland.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace kiebitz::platform {

class KWinReportReceiver;

// The windows of KDE Plasma's KWin on Wayland, which offers other programs
// no window list of its own: each read loads a small KWin script over D-Bus
// (org.kde.KWin, /Scripting), which sends the list back to an object of
// this program on the same bus and is unloaded again. Every D-Bus call and
// the script's answer are awaited at most `timeoutMs`; without an answer
// the list is empty.
//
// Order: KWin's stacking order, topmost first. Style: WS_VISIBLE for every
// managed window (a minimised one too), WS_BORDER for a normal window or a
// dialog that is not left off the task bar. Ids are made here per KWin
// window and never repeat; a window of this process (its pid) carries the
// id of the own window of its title, else of the first own window, so that
// the capture passes over it. Not for use from two threads.
class WindowListKWin : public WindowList {
public:
    explicit WindowListKWin(QDBusConnection bus = QDBusConnection::sessionBus(),
                            WindowListWayland::OwnWindows ownWindows = {}, int timeoutMs = 1000);
    ~WindowListKWin() override;
    WindowListKWin(const WindowListKWin&) = delete;
    WindowListKWin& operator=(const WindowListKWin&) = delete;

    // Whether KWin's scripting interface is on the bus.
    bool available();
    std::vector<WindowEntry> windows() override;
    std::uint32_t style(WindowId id) override;

private:
    // The list as the script reported it, unordered; nothing when no answer came.
    std::optional<QByteArray> report();

    QDBusConnection m_bus;
    WindowListWayland::OwnWindows m_ownWindows;
    int m_timeoutMs;
    QTemporaryDir m_dir;
    std::unique_ptr<KWinReportReceiver> m_receiver;
    bool m_registered = false;
    quint64 m_token = 0;
    QHash<QString, WindowId> m_ids;  // KWin's internal id of a window -> ours
    WindowId m_nextId = WindowId(1) << 63;
};

}  // namespace kiebitz::platform
