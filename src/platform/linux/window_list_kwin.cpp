#include "platform/linux/window_list_kwin.h"

#include "core/program_values.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <algorithm>

namespace kiebitz::platform {

namespace {

const QString kKWin = QStringLiteral("org.kde.KWin");
const QString kScripting = QStringLiteral("org.kde.kwin.Scripting");
const QString kReportPath = QStringLiteral("/de/tickwerk/Kiebitz/WindowList");
const QString kReportInterface = QStringLiteral("de.tickwerk.Kiebitz.WindowList");

// The script: KWin's windows, each with caption, pid, place in the stacking
// order, type and task bar flag, sent back in one D-Bus call. KWin 6 has
// workspace.stackingOrder and windowList(), KWin 5 clientList() and a
// stackingOrder number per window.
QByteArray script(const QString& service, const QString& token)
{
    return QStringLiteral(R"((function () {
    var list = workspace.stackingOrder !== undefined ? workspace.stackingOrder
        : (typeof workspace.windowList === "function" ? workspace.windowList() : workspace.clientList());
    var out = [];
    for (var i = 0; i < list.length; ++i) {
        var w = list[i];
        if (!w || w.deleted || w.managed === false)
            continue;
        out.push({t: String(w.caption), p: Number(w.pid) || 0,
                  s: typeof w.stackingOrder === "number" ? w.stackingOrder : i,
                  n: !!w.normalWindow, d: !!w.dialog, k: !!w.skipTaskbar, u: String(w.internalId)});
    }
    callDBus("%1", "%2", "%3", "report", "%4", JSON.stringify(out));
})();
)")
        .arg(service, kReportPath, kReportInterface, token)
        .toUtf8();
}

}  // namespace

// Takes the script's answer for the read under way.
class KWinReportReceiver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "de.tickwerk.Kiebitz.WindowList")
public:
    QString expected;
    std::optional<QByteArray> list;
    QEventLoop* waiting = nullptr;

public slots:
    Q_SCRIPTABLE void report(const QString& token, const QString& json)
    {
        if (token != expected || list)
            return;
        list = json.toUtf8();
        if (waiting)
            waiting->quit();
    }
};

WindowListKWin::WindowListKWin(QDBusConnection bus, WindowListWayland::OwnWindows ownWindows, int timeoutMs)
    : m_bus(std::move(bus)),
      m_ownWindows(std::move(ownWindows)),
      m_timeoutMs(timeoutMs),
      m_receiver(std::make_unique<KWinReportReceiver>())
{}

WindowListKWin::~WindowListKWin()
{
    if (m_registered)
        m_bus.unregisterObject(kReportPath);
}

bool WindowListKWin::available()
{
    if (!m_bus.isConnected() || !m_bus.interface())
        return false;
    const QDBusMessage r = m_bus.call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                                     QStringLiteral("/org/freedesktop/DBus"),
                                                                     QStringLiteral("org.freedesktop.DBus"),
                                                                     QStringLiteral("NameHasOwner"))
                                          << kKWin,
                                      QDBus::Block, m_timeoutMs);
    return r.type() == QDBusMessage::ReplyMessage && r.arguments().value(0).toBool();
}

std::optional<QByteArray> WindowListKWin::report()
{
    if (!m_bus.isConnected() || !m_dir.isValid())
        return std::nullopt;
    if (!m_registered)
        m_registered = m_bus.registerObject(kReportPath, m_receiver.get(), QDBusConnection::ExportScriptableSlots);
    if (!m_registered)
        return std::nullopt;

    QElapsedTimer clock;
    clock.start();
    const auto left = [&] { return std::max<qint64>(0, m_timeoutMs - clock.elapsed()); };
    const auto call = [&](const QString& path, const QString& interface, const QString& method,
                          const QVariantList& args) {
        QDBusMessage m = QDBusMessage::createMethodCall(kKWin, path, interface, method);
        m.setArguments(args);
        return m_bus.call(m, QDBus::Block, int(left()));
    };

    const QString token = QString::number(++m_token);
    const QString plugin = QStringLiteral("kiebitz-window-list-%1").arg(QCoreApplication::applicationPid());
    // A new file per read, so that KWin never runs an earlier one again.
    QFile file(m_dir.filePath(QStringLiteral("window-list-%1.js").arg(token)));
    if (!file.open(QIODevice::WriteOnly) || file.write(script(m_bus.baseService(), token)) < 0)
        return std::nullopt;
    file.close();

    // A script of ours left by a read that got no answer goes first.
    call(QStringLiteral("/Scripting"), kScripting, QStringLiteral("unloadScript"), {plugin});
    const QDBusMessage loaded =
        call(QStringLiteral("/Scripting"), kScripting, QStringLiteral("loadScript"), {file.fileName(), plugin});
    const int id = loaded.type() == QDBusMessage::ReplyMessage ? loaded.arguments().value(0).toInt() : -1;

    m_receiver->expected = token;
    m_receiver->list.reset();
    if (id >= 0) {
        // KWin 6 names a script's object /Scripting/ScriptN, KWin 5 /N.
        const QString run = QStringLiteral("run");
        const QString interface = QStringLiteral("org.kde.kwin.Script");
        if (call(QStringLiteral("/Scripting/Script%1").arg(id), interface, run, {}).type() !=
            QDBusMessage::ReplyMessage)
            call(QStringLiteral("/%1").arg(id), interface, run, {});
        if (!m_receiver->list && left() > 0) {
            QEventLoop loop;
            QTimer::singleShot(int(left()), &loop, &QEventLoop::quit);
            m_receiver->waiting = &loop;
            loop.exec(QEventLoop::ExcludeUserInputEvents);
            m_receiver->waiting = nullptr;
        }
    }
    // Unloading gets a moment of its own, also when the read ran out of time.
    QDBusMessage unload = QDBusMessage::createMethodCall(kKWin, QStringLiteral("/Scripting"), kScripting,
                                                         QStringLiteral("unloadScript"));
    unload << plugin;
    m_bus.call(unload, QDBus::Block, m_timeoutMs);
    file.remove();
    m_receiver->expected.clear();
    return m_receiver->list;
}

std::vector<WindowEntry> WindowListKWin::windows()
{
    const std::optional<QByteArray> json = report();
    if (!json)
        return {};
    struct Listed {
        WindowEntry entry;
        qint64 stacking = 0;
        bool own = false;
    };
    std::vector<Listed> listed;
    const qint64 pid = QCoreApplication::applicationPid();
    for (const QJsonValue& v : QJsonDocument::fromJson(*json).array()) {
        const QJsonObject w = v.toObject();
        const QString key = w.value(QStringLiteral("u")).toString();
        if (key.isEmpty())
            continue;
        auto id = m_ids.find(key);
        if (id == m_ids.end())
            id = m_ids.insert(key, m_nextId++);
        const bool framed = (w.value(QStringLiteral("n")).toBool() || w.value(QStringLiteral("d")).toBool()) &&
                            !w.value(QStringLiteral("k")).toBool();
        listed.push_back(
            {{*id, core::WS_VISIBLE | (framed ? core::WS_BORDER : 0u), w.value(QStringLiteral("t")).toString()},
             w.value(QStringLiteral("s")).toInteger(),
             w.value(QStringLiteral("p")).toInteger() == pid});
    }
    std::stable_sort(listed.begin(), listed.end(),
                     [](const Listed& a, const Listed& b) { return a.stacking > b.stacking; });

    const std::vector<OwnWindow> own = m_ownWindows ? m_ownWindows() : std::vector<OwnWindow>{};
    std::vector<WindowEntry> out;
    out.reserve(listed.size());
    for (Listed& l : listed) {
        if (l.own && !own.empty()) {
            const auto same =
                std::find_if(own.begin(), own.end(), [&](const OwnWindow& w) { return w.title == l.entry.title; });
            l.entry.id = same != own.end() ? same->id : own.front().id;
        }
        out.push_back(std::move(l.entry));
    }
    return out;
}

std::uint32_t WindowListKWin::style(WindowId id) { return styleIn(windows(), id); }

}  // namespace kiebitz::platform

#include "window_list_kwin.moc"
