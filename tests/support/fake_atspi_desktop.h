#pragma once

// A stand-in for the desktop's accessibility bus (AT-SPI 2): the registry
// and browser applications with frames, web documents and page tabs, served
// on a bus of the test's from a thread of their own, since a reader waits
// for its answers blocking. Applications can hang, die or answer with wrong
// D-Bus types.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSemaphore>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>
#include <vector>

namespace kiebitz::test::atspi {
struct FakeRef {  // (so): an accessible
    QString service;
    QDBusObjectPath path;
};
inline QDBusArgument& operator<<(QDBusArgument& a, const FakeRef& r)
{
    a.beginStructure();
    a << r.service << r.path;
    a.endStructure();
    return a;
}
inline const QDBusArgument& operator>>(const QDBusArgument& a, FakeRef& r)
{
    a.beginStructure();
    a >> r.service >> r.path;
    a.endStructure();
    return a;
}
}  // namespace kiebitz::test::atspi
Q_DECLARE_METATYPE(kiebitz::test::atspi::FakeRef)

namespace kiebitz::test::atspi {

inline const QString kBase = QStringLiteral("/org/a11y/atspi/accessible/");
// AT-SPI role numbers (AtspiRole) and bits of the first state word (AtspiStateType).
constexpr uint kApplication = 75, kFrame = 23, kDoc = 95, kTab = 37, kPanel = 39;
constexpr uint kActive = 1u << 1, kSelected = 1u << 23, kShowing = 1u << 25;

struct Node {
    uint role;
    QString title;
    bool on = false;  // a frame's ACTIVE, a document's SHOWING, a tab's SELECTED
    QString url = {};
    std::vector<Node> children = {};
};
enum class Fault {
    None,
    Silent,        // never answers
    SilentFrames,  // answers at its root only
    Closes,        // closes its connection at the first call below its root
};
struct App {
    Node root;
    QString urlKey;  // Firefox: DocURL, Chromium: URI
    Fault fault = Fault::None;
    QStringList wrong = {};  // methods that answer with a wrong D-Bus type
    int delayMs = 0;         // before each answer, as a busy browser
    bool own = false;        // of the reader's own process
};

// The registry (no app) or one application, its objects at kBase + "root",
// "<frame>" and "<frame>_<page>".
class FakeObject : public QDBusVirtualObject {
public:
    FakeObject(const App* app, QList<FakeRef> apps, std::atomic<int>& reads)
        : m_app(app), m_apps(apps), m_reads(reads)
    {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& c) override
    {
        if (!m_app) {
            ++m_reads;
            return c.send(m.createReply(QVariant::fromValue(m_apps)));
        }
        const QString at = m.path().mid(kBase.size());
        if (m_app->fault == Fault::Silent || (m_app->fault > Fault::Silent && at != QLatin1String("root"))) {
            if (m_app->fault == Fault::Closes)
                QTimer::singleShot(0, this, [name = c.name()] { QDBusConnection::disconnectFromBus(name); });
            return true;
        }
        const Node* n = &m_app->root;
        for (const QString& i : at.split(u'_', Qt::SkipEmptyParts))
            n = i == QLatin1String("root") ? n : &n->children.at(i.toUInt());
        const QVariant a = m_app->wrong.contains(m.member()) ? wrongAnswer(m.member()) : answer(m, c, *n, at);
        const QDBusMessage reply = a.isValid() ? m.createReply(a) : m.createErrorReply(QDBusError::Failed, {});
        QTimer::singleShot(m_app->delayMs, this, [c, reply] { c.send(reply); });
        return true;
    }

private:
    static QVariant wrongAnswer(const QString& member)
    {
        const QMap<QString, QVariant> answers = {
            {"GetChildren", "kein Array"},
            {"GetState", QVariant::fromValue(QMap<QString, QString>{{"a", "b"}})},
            {"Get", QVariant::fromValue(QDBusVariant(42))},
            {"GetRole", "Dokument"},
            {"GetMatches", QVariant::fromValue(QList<uint>{1, 2})},
            {"GetAttributes", QStringList{"DocURL"}}};
        return answers.value(member);
    }
    QVariant answer(const QDBusMessage& m, const QDBusConnection& c, const Node& n, const QString& at) const
    {
        const QString& member = m.member();
        QList<FakeRef> refs;
        const auto ref = [&](std::size_t i) {
            refs.append({c.baseService(), QDBusObjectPath(kBase + (n.role == kApplication ? QString() : at + u'_') +
                                                          QString::number(i))});
        };
        if (member == QLatin1String("Get"))
            return QVariant::fromValue(QDBusVariant(n.title));
        if (member == QLatin1String("GetRole"))
            return n.role;
        if (member == QLatin1String("GetState")) {
            const uint on = n.role == kFrame ? kActive : n.role == kTab ? kSelected : kShowing;
            return QVariant::fromValue(QList<uint>{(n.role == kDoc ? 0 : kShowing) | (n.on ? on : 0), 0});
        }
        if (member == QLatin1String("GetAttributes") && n.role == kDoc)
            return QVariant::fromValue(QMap<QString, QString>{{m_app->urlKey, n.url}, {"MimeType", "text/html"}});
        if (member == QLatin1String("GetChildren")) {
            for (std::size_t i = 0; i < n.children.size(); ++i)
                ref(i);
            return QVariant::fromValue(refs);
        }
        if (member != QLatin1String("GetMatches") || m.signature() != QLatin1String("(aiia{ss}iaiiasib)uib"))
            return {};
        // The rule's role set with match type "any", as at-spi2-atk reads it.
        const auto rule = m.arguments().at(0).value<QDBusArgument>();
        QList<int> states, roles;
        QMap<QString, QString> attributes;
        int stateMatch = 0, attributeMatch = 0, roleMatch = 0;
        rule.beginStructure();
        rule >> states >> stateMatch >> attributes >> attributeMatch >> roles >> roleMatch;
        for (std::size_t i = 0; i < n.children.size(); ++i) {
            const uint r = n.children[i].role;
            if (roleMatch == 2 && roles.size() > int(r / 32) && (uint(roles[r / 32]) >> (r % 32)) & 1u)
                ref(i);
        }
        return QVariant::fromValue(refs);
    }

    const App* m_app;
    QList<FakeRef> m_apps;
    std::atomic<int>& m_reads;
};

// The registry and one connection per application, served from a thread.
class FakeDesktop : public QThread {
public:
    FakeDesktop(QString address, std::vector<App> apps) : m_address(std::move(address)), m_apps(std::move(apps))
    {
        qDBusRegisterMetaType<FakeRef>();
        qDBusRegisterMetaType<QList<FakeRef>>();
        qDBusRegisterMetaType<QMap<QString, QString>>();
        start();
        m_ready.acquire();
    }
    ~FakeDesktop() override
    {
        quit();
        wait();
    }
    std::atomic<int> registryReads{0};

    // The bridge program; empty when missing. Needs a bus at a unix:path.
    static QString bridge() { return QStandardPaths::findExecutable(QStringLiteral("systemd-stdio-bridge")); }

private:
    void run() override
    {
        std::vector<std::unique_ptr<FakeObject>> objects;
        QStringList names;
        QList<FakeRef> apps;
        // A reader leaves out applications of its own process, so the
        // browsers reach the bus through a bridge process each.
        const QString bridged = QStringLiteral("unixexec:path=") + bridge() +
                                QStringLiteral(",argv1=--bus-path%3dunix%3apath%3d") +
                                m_address.section(u',', 0, 0).section(u'=', 1);
        const auto serve = [&](const App* app) {
            names << QStringLiteral("fake-%1").arg(names.size());
            QDBusConnection c = QDBusConnection::connectToBus(app && !app->own ? bridged : m_address, names.back());
            objects.push_back(std::make_unique<FakeObject>(app, apps, registryReads));
            c.registerVirtualObject(kBase.chopped(1), objects.back().get(), QDBusConnection::SubPath);
            apps.append({c.baseService(), QDBusObjectPath(kBase + QStringLiteral("root"))});
            return c;
        };
        for (const App& app : m_apps)
            serve(&app);
        serve(nullptr).registerService(QStringLiteral("org.a11y.atspi.Registry"));
        m_ready.release();
        exec();
        for (const QString& name : names)
            QDBusConnection::disconnectFromBus(name);
    }

    QString m_address;
    std::vector<App> m_apps;
    QSemaphore m_ready;
};

}  // namespace kiebitz::test::atspi
