#pragma once

// Helpers for tests on a running sway (scripts/wayland-tests starts it and
// sets WAYLAND_DISPLAY, SWAYSOCK and DISPLAY): native foot windows with a
// chosen title, and sway commands.

#include "platform/window_list.h"

#include <QtTest>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace kiebitz::test {

// Bound of the waits for the compositor, only reached when what is awaited
// never comes.
constexpr int kSwayBoundMs = 30'000;

// Runs events until `done` holds, for at most `boundMs`; whether it holds.
inline bool waitFor(const std::function<bool()>& done, int ms = kSwayBoundMs) { return QTest::qWaitFor(done, ms); }

inline bool swaySession() { return !qgetenv("WAYLAND_DISPLAY").isEmpty() && !qgetenv("SWAYSOCK").isEmpty(); }

// Runs swaymsg with `args`: its output, or nothing when it failed.
inline std::optional<QByteArray> swaymsgOutput(const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("swaymsg"), args);
    if (p.waitForFinished(10'000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return p.readAll();
    ADD_FAILURE() << "swaymsg " << args.join(u' ').toStdString() << ": " << p.readAll().toStdString();
    return std::nullopt;
}

// Runs one sway command; whether sway carried it out.
inline bool swaymsg(const QString& command) { return swaymsgOutput({command}).has_value(); }

// sway's container id of the first window whose `key` ("name": title,
// "pid") reads `value`; 0 when there is none.
inline qint64 swayContainer(const QString& value, const char* key = "name")
{
    const std::function<qint64(const QJsonObject&)> find = [&](const QJsonObject& node) -> qint64 {
        if (node.contains(QLatin1String("app_id")) && node[QLatin1String(key)].toVariant().toString() == value)
            return node[QLatin1String("id")].toInteger();
        for (const char* nodes : {"nodes", "floating_nodes"})
            for (const QJsonValue& child : node[QLatin1String(nodes)].toArray())
                if (const qint64 id = find(child.toObject()))
                    return id;
        return 0;
    };
    const std::optional<QByteArray> tree = swaymsgOutput({QStringLiteral("-t"), QStringLiteral("get_tree")});
    return tree ? find(QJsonDocument::fromJson(*tree).object()) : 0;
}
inline qint64 swayContainerOf(qint64 pid) { return swayContainer(QString::number(pid), "pid"); }

// Activates the window titled `title` as a click on it would.
inline bool focus(const QString& title)
{
    return swaymsg(QStringLiteral("[con_id=%1] focus").arg(swayContainer(title)));
}

// One program run in a process group of its own, ended with its helpers.
class Program {
public:
    // `log`: the file that takes its output; none: /dev/null.
    Program(const QString& program, const QStringList& args, const QProcessEnvironment& env = {},
            const QString& log = {})
    {
        if (!env.isEmpty())
            m_process.setProcessEnvironment(env);
        m_process.setStandardOutputFile(log.isEmpty() ? QProcess::nullDevice() : log);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        // A foot server that writes to a footclient just ended must not die
        // of SIGPIPE.
        m_process.setChildProcessModifier([] {
            setpgid(0, 0);
            std::signal(SIGPIPE, SIG_IGN);
        });
        m_process.start(program, args);
    }
    ~Program() { end(); }
    bool started() { return m_process.waitForStarted(10'000); }
    qint64 pid() const { return m_process.processId(); }
    void end()
    {
        if (m_process.processId() > 0)
            ::kill(-pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(10'000);
    }

private:
    QProcess m_process;
};

// A foot terminal server: each window it opens is a native Wayland window
// of its own, opened far faster than a foot process of its own.
class FootServer {
public:
    bool ready()
    {
        const bool up = m_server.started() && waitFor([&] { return QFileInfo::exists(m_socket); }, 10'000);
        if (!up)
            ADD_FAILURE() << "foot server: " << log();
        return up;
    }
    // What the server printed, for failure messages.
    std::string log() const
    {
        QFile f(m_dir.filePath(QStringLiteral("foot.log")));
        return f.open(QIODevice::ReadOnly) ? f.readAll().right(2000).toStdString() : std::string();
    }
    // A window titled `title`; it closes when the returned program ends.
    std::unique_ptr<Program> window(const QString& title) const
    {
        return std::make_unique<Program>(
            QStringLiteral("footclient"),
            QStringList{"--server-socket=" + m_socket, "--title=" + title, "sleep", "600"});
    }

private:
    QTemporaryDir m_dir;
    QString m_socket = m_dir.filePath(QStringLiteral("foot.sock"));
    Program m_server{
        QStringLiteral("foot"), {"--server=" + m_socket}, {}, m_dir.filePath(QStringLiteral("foot.log"))};
};

// Waits, reading the list again and again, until `done` holds for it.
inline bool listUntil(platform::WindowList& list,
                      const std::function<bool(const std::vector<platform::WindowEntry>&)>& done,
                      int boundMs = kSwayBoundMs)
{
    return waitFor([&] { return done(list.windows()); }, boundMs);
}

inline const platform::WindowEntry* titled(const std::vector<platform::WindowEntry>& list, const QString& title)
{
    const auto it = std::find_if(list.begin(), list.end(), [&](const auto& e) { return e.title == title; });
    return it == list.end() ? nullptr : &*it;
}

// The titles of a list, each cut to 80 characters, for failure messages.
inline std::string titles(const std::vector<platform::WindowEntry>& list)
{
    QStringList out;
    for (const platform::WindowEntry& e : list)
        out << QStringLiteral("\"%1\" (%2)").arg(e.title.left(80)).arg(e.title.size());
    return out.join(QStringLiteral(", ")).toStdString();
}

}  // namespace kiebitz::test
