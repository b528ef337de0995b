#pragma once

// Helpers for tests on a running sway (scripts/wayland-tests starts it and
// sets WAYLAND_DISPLAY, SWAYSOCK and DISPLAY): native foot windows with a
// chosen title, and sway commands.

#include "platform/window_list.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <memory>
#include <optional>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kiebitz::test {

// Bound of the waits for the compositor, only reached when what is awaited
// never comes.
constexpr int kSwayBoundMs = 30'000;

// Runs events until `done` holds, for at most `boundMs`; whether it holds.
inline bool waitFor(const std::function<bool()>& done, int boundMs = kSwayBoundMs)
{
    return QTest::qWaitFor(done, boundMs);
}

inline bool swaySession()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("SWAYSOCK");
}

// Runs swaymsg with `args`; its output, or nothing when it failed.
inline std::optional<QByteArray> swaymsgOutput(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("swaymsg"), args);
    if (!p.waitForFinished(10'000)) {
        p.kill();
        p.waitForFinished(1'000);
        return std::nullopt;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << "swaymsg " << args.join(QLatin1Char(' ')).toStdString() << ": "
                      << p.readAllStandardOutput().toStdString() << p.readAllStandardError().toStdString();
        return std::nullopt;
    }
    return p.readAllStandardOutput();
}

// Runs one sway command; whether sway carried it out.
inline bool swaymsg(const QString& command) { return swaymsgOutput({command}).has_value(); }

// sway's container id of the first window for which `match` holds; 0 when
// there is none.
inline qint64 swayContainer(const std::function<bool(const QJsonObject&)>& match)
{
    const std::optional<QByteArray> tree = swaymsgOutput({QStringLiteral("-t"), QStringLiteral("get_tree")});
    if (!tree)
        return 0;
    std::vector<QJsonObject> open = {QJsonDocument::fromJson(*tree).object()};
    while (!open.empty()) {
        const QJsonObject node = open.back();
        open.pop_back();
        if (node.contains(QStringLiteral("app_id")) && match(node))
            return node.value(QStringLiteral("id")).toInteger();
        for (const char* key : {"nodes", "floating_nodes"})
            for (const QJsonValue& child : node.value(QLatin1String(key)).toArray())
                open.push_back(child.toObject());
    }
    return 0;
}

// sway's container id of the window titled `title`; 0 when there is none.
inline qint64 swayContainer(const QString& title)
{
    return swayContainer(
        [&](const QJsonObject& view) { return view.value(QStringLiteral("name")).toString() == title; });
}

// sway's container id of a window of process `pid`; 0 when there is none.
inline qint64 swayContainerOf(qint64 pid)
{
    return swayContainer(
        [&](const QJsonObject& view) { return view.value(QStringLiteral("pid")).toInteger() == pid; });
}

// Activates the window titled `title` as a click on it would.
inline bool focus(const QString& title)
{
    const qint64 id = swayContainer(title);
    return id != 0 && swaymsg(QStringLiteral("[con_id=%1] focus").arg(id));
}

// One program run in a process group of its own, ended with its helpers.
class Program {
public:
    // `log`: the file that takes its output; none: /dev/null.
    Program(const QString& program, const QStringList& args, const QProcessEnvironment& env = {},
            const QString& log = {})
    {
        m_process.setProgram(program);
        m_process.setArguments(args);
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
        m_process.start();
    }
    ~Program() { end(); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

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
    FootServer()
        : m_socket(m_dir.filePath(QStringLiteral("foot.sock"))),
          m_server(QStringLiteral("foot"), {QStringLiteral("--server=") + m_socket}, {},
                   m_dir.filePath(QStringLiteral("foot.log")))
    {}
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
    std::unique_ptr<Program> window(const QString& title, const QString& appId = QStringLiteral("foot")) const
    {
        return std::make_unique<Program>(
            QStringLiteral("footclient"),
            QStringList{QStringLiteral("--server-socket=") + m_socket, QStringLiteral("--title=") + title,
                        QStringLiteral("--app-id=") + appId, QStringLiteral("sleep"), QStringLiteral("600")});
    }

private:
    QTemporaryDir m_dir;
    QString m_socket;
    Program m_server;
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
    for (const platform::WindowEntry& e : list)
        if (e.title == title)
            return &e;
    return nullptr;
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
