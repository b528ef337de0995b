// The Linux clock and the reader of the browsers' pages on the
// accessibility bus (AT-SPI 2), against stand-ins on a private message bus:
// a timedated that takes its time as a password prompt would (the clock is
// never set), and a registry with browsers that can hang, die or answer
// with wrong D-Bus types, served from a thread, since the reader waits for
// its answers blocking.

#include "platform/linux/atspi_pages.h"
#include "platform/linux/system_clock_linux.h"

#include <QtDBus>

#include <gtest/gtest.h>

namespace kiebitz::platform {
namespace {

// A message bus of the test's own; `address` stays empty without dbus-daemon.
struct PrivateBus {
    PrivateBus()
    {
        daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address"});
        if (daemon.waitForReadyRead(30'000))
            address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        daemon.kill();
        daemon.waitForFinished();
    }
    QProcess daemon;
    QString address;
};

// An object on the bus whose calls `handle` answers, or leaves to the bus
// to refuse.
struct Handler : QDBusVirtualObject {
    std::function<bool(const QDBusMessage&, const QDBusConnection&)> handle;
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& c) override { return handle(m, c); }
};

// The correction goes to the time service as an offset, so the clock ends
// up right however long the user takes at the prompt, and the window keeps
// handling its events meanwhile.
TEST(SystemClockLinux, TimeServiceGetsAnOffsetAndTheWindowStaysLive)
{
    PrivateBus bus;
    if (bus.address.isEmpty())
        GTEST_SKIP() << "no dbus-daemon";
    // timedated answering SetTime(x usec, b relative, b interactive) after
    // 1.5 s, with where the clock would then stand.
    Handler timedated;
    QVariantList call;
    std::optional<qint64> clockAfterwards;
    timedated.handle = [&](const QDBusMessage& m, const QDBusConnection& c) {
        if (m.interface() != "org.freedesktop.timedate1" || m.member() != "SetTime" || m.signature() != "xbb")
            return false;
        call = m.arguments();
        QTimer::singleShot(1500, &timedated, [&, m, c] {
            clockAfterwards =
                call[0].toLongLong() + (call[1].toBool() ? SystemClockLinux::realtimeMicroseconds() : 0);
            c.send(m.createReply());
        });
        return true;
    };
    QDBusConnection service = QDBusConnection::connectToBus(bus.address, QStringLiteral("timedated"));
    ASSERT_TRUE(service.registerVirtualObject(QStringLiteral("/org/freedesktop/timedate1"), &timedated));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.timedate1")));
    SystemClockLinux clock(QDBusConnection::connectToBus(bus.address, QStringLiteral("client")), false, 30'000);
    for (const auto& [offsetSeconds, dateOnly] : {std::pair{37, false}, {-3600, false}, {86'400, true}}) {
        SCOPED_TRACE(offsetSeconds);
        const QDateTime wanted = QDateTime::currentDateTime().addSecs(offsetSeconds);
        int ticks = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
        tick.start(100);
        const qint64 asked = SystemClockLinux::realtimeMicroseconds();
        ASSERT_TRUE(dateOnly ? clock.setDate(wanted.date()) : clock.setTimeOfDay(wanted.time()));
        const qint64 waited = SystemClockLinux::realtimeMicroseconds() - asked;
        EXPECT_EQ(call.mid(1), QVariantList({true, true})) << "relative, interactive";
        EXPECT_GE(waited, 1'400'000);
        EXPECT_GE(ticks, 5) << "events ran while the prompt was open";
        // The wanted time plus the time spent waiting, in whole seconds as set.
        ASSERT_TRUE(clockAfterwards);
        EXPECT_NEAR(double(*std::exchange(clockAfterwards, std::nullopt)),
                    double(wanted.toMSecsSinceEpoch() * 1000 + waited), dateOnly ? 1e6 : 1.3e6);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("timedated"));
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
}

TEST(SystemClockLinux, CapabilityAndInvalidLocalTimes)
{
    QFile status(QStringLiteral("/proc/self/status"));
    ASSERT_TRUE(status.open(QIODevice::ReadOnly));
    const QByteArray all = status.readAll();
    const qsizetype at = all.indexOf("CapEff:") + 7;
    const quint64 effective = all.mid(at, all.indexOf('\n', at) - at).trimmed().toULongLong(nullptr, 16);
    EXPECT_EQ(SystemClockLinux::maySetClockDirectly(), bool((effective >> 25) & 1)) << "CAP_SYS_TIME";

    // The scale of the epoch value shows in where the time service puts the clock.
    EXPECT_FALSE(SystemClockLinux::localToEpochMicroseconds(QDate(2026, 2, 30), QTime(12, 0)) ||
                 SystemClockLinux::localToEpochMicroseconds(QDate(2026, 12, 6), QTime()));
}

const QString kBase = QStringLiteral("/org/a11y/atspi/accessible/");
// AT-SPI role numbers (AtspiRole) and bits of the first state word (AtspiStateType).
constexpr uint kApp = 75, kFrame = 23, kDoc = 95, kTab = 37, kPanel = 39;
constexpr uint kActive = 1u << 1, kSelected = 1u << 23, kShowing = 1u << 25;
using Ref = std::pair<QString, QDBusObjectPath>;  // (so): an accessible

// An accessible of a browser; `on` is a frame's ACTIVE, a document's
// SHOWING, a tab's SELECTED state.
struct Node {
    uint role;
    QString title;
    bool on = false;
    QString url = {};
    std::vector<Node> children = {};
};
// Never answers; answers at its root only; closes its connection at the
// first call below its root.
enum class Fault { None, Silent, SilentBelowRoot, Closes };
// One browser, its objects at kBase + "root", "<frame>" and "<frame>_<page>".
struct App {
    Node root;
    QString urlKey;  // the document attribute with the address: DocURL (Firefox), URI (Chromium)
    Fault fault = Fault::None;
    QStringList wrong = {};  // methods that answer with a wrong D-Bus type
    int delayMs = 0;         // before each answer, as a busy browser
    bool own = false;        // of the reader's own process
};

QString bridge() { return QStandardPaths::findExecutable(QStringLiteral("systemd-stdio-bridge")); }

// The registry and one connection per browser. A reader leaves out the
// applications of its own process, so the browsers reach the bus through a
// bridge process each.
class FakeDesktop : public QThread {
public:
    FakeDesktop(QString address, std::vector<App> apps) : m_address(std::move(address)), m_apps(std::move(apps))
    {
        qDBusRegisterMetaType<Ref>();
        qDBusRegisterMetaType<QList<Ref>>();
        qDBusRegisterMetaType<QMap<QString, QString>>();
        start();
        m_ready.acquire();
    }
    ~FakeDesktop() override
    {
        quit();
        wait();
    }
    std::atomic<int> registryReads = 0;

private:
    void run() override
    {
        std::vector<Handler> objects(m_apps.size() + 1);  // the registry last
        QList<Ref> apps;
        const QString bridged = "unixexec:path=" + bridge() + ",argv1=--bus-path%3dunix%3apath%3d" +
                                m_address.section(u',', 0, 0).section(u'=', 1);
        for (std::size_t i = 0; i < objects.size(); ++i) {
            const App* app = i < m_apps.size() ? &m_apps[i] : nullptr;
            QDBusConnection c =
                QDBusConnection::connectToBus(app && !app->own ? bridged : m_address, "fake-" + QString::number(i));
            objects[i].handle = [this, app, apps](const QDBusMessage& m, const QDBusConnection& c) {
                if (app)
                    return handle(*app, m, c);
                ++registryReads;
                return c.send(m.createReply(QVariant::fromValue(apps)));
            };
            c.registerVirtualObject(kBase.chopped(1), &objects[i], QDBusConnection::SubPath);
            apps.append({c.baseService(), QDBusObjectPath(kBase + "root")});
            if (!app)
                c.registerService(QStringLiteral("org.a11y.atspi.Registry"));
        }
        m_ready.release();
        exec();
        for (std::size_t i = 0; i < objects.size(); ++i)
            QDBusConnection::disconnectFromBus("fake-" + QString::number(i));
    }
    bool handle(const App& app, const QDBusMessage& m, const QDBusConnection& c)
    {
        const QString at = m.path().mid(kBase.size());
        if (app.fault == Fault::Silent || (app.fault != Fault::None && at != "root")) {
            if (app.fault == Fault::Closes)
                QTimer::singleShot(0, [name = c.name()] { QDBusConnection::disconnectFromBus(name); });
            return true;
        }
        const Node* n = &app.root;
        for (const QString& i : at.split(u'_'))
            n = i == "root" ? n : &n->children.at(i.toUInt());
        const QVariant a = answer(app, m, c, *n, at);
        QTimer::singleShot(
            app.delayMs, [c, r = a.isValid() ? m.createReply(a) : m.createErrorReply("e.Failed", {})] { c.send(r); });
        return true;
    }
    static QVariant answer(const App& app, const QDBusMessage& m, const QDBusConnection& c, const Node& n,
                           const QString& at)
    {
        static const QMap<QString, QVariant> wrong = {
            {"GetChildren", "kein Array"},
            {"GetMatches", QVariant::fromValue(QList<uint>{1, 2})},
            {"Get", QVariant::fromValue(QDBusVariant(42))},
            {"GetAttributes", QStringList{"DocURL"}},
            {"GetState", QVariant::fromValue(QMap<QString, QString>{{"a", "b"}})}};
        const QString& member = m.member();
        if (app.wrong.contains(member))
            return wrong[member];
        if (member == "Get")
            return QVariant::fromValue(QDBusVariant(n.title));
        if (member == "GetState") {
            const uint on = n.role == kFrame ? kActive : n.role == kTab ? kSelected : kShowing;
            return QVariant::fromValue(QList<uint>{(n.role == kDoc ? 0 : kShowing) | (n.on ? on : 0), 0});
        }
        if (member == "GetAttributes")
            return QVariant::fromValue(QMap<QString, QString>{{app.urlKey, n.url}, {"MimeType", "text/html"}});
        // GetMatches: the children of a role in the rule's role set with
        // match type "any", as at-spi2-atk reads the rule.
        QList<int> states, roles;
        QMap<QString, QString> attributes;
        int match = 0, roleMatch = 0;
        if (member == "GetMatches" && m.signature() == "(aiia{ss}iaiiasib)uib") {
            const auto rule = m.arguments()[0].value<QDBusArgument>();
            rule.beginStructure();
            rule >> states >> match >> attributes >> match >> roles >> roleMatch;
        } else if (member != "GetChildren") {
            return {};
        }
        QList<Ref> refs;
        for (std::size_t i = 0; i < n.children.size(); ++i)
            if (const uint r = n.children[i].role;
                member == "GetChildren" ||
                (roleMatch == 2 && roles.size() > int(r / 32) && (uint(roles[r / 32]) >> r % 32) & 1))
                refs.append({c.baseService(),
                             QDBusObjectPath(kBase + (n.role == kApp ? "" : at + u'_') + QString::number(i))});
        return QVariant::fromValue(refs);
    }

    QString m_address;
    std::vector<App> m_apps;
    QSemaphore m_ready;
};

const QString kItem = "eBay Artikel 1234567890 (Endet 12.03.27 18:30:00 MEZ) - Canon EOS 350D Body";
const QString kLong(65'000, u'x');

App browser(const QString& name, const QString& urlKey, std::vector<Node> frames)
{
    return {{kApp, name, false, {}, std::move(frames)}, urlKey};
}
Node frame(const QString& title, bool active, std::vector<Node> children)
{
    return {kFrame, title, active, {}, std::move(children)};
}
// Web documents and page tabs; a panel must not match the query.
App firefox()
{
    const QString hallo = QStringLiteral("Sag \"Hallo\"");
    return browser("Firefox", "DocURL",
                   {frame("Seite 1 — Mozilla Firefox", false,
                          {{kTab, "Seite 1", true},
                           {kTab, kItem},
                           {kPanel, "Leiste", true},
                           {kDoc, "Seite 1", true, "http://127.0.0.1:1/1"},
                           {kDoc, kItem, false, "http://127.0.0.1:1/2"}}),
                    frame(hallo + " — Mozilla Firefox", true,
                          {{kTab, hallo, true}, {kDoc, hallo, true, "http://127.0.0.1:1/3"}})});
}
App chromium()
{
    return browser(
        "Chromium", "URI",
        {frame("Leer - Chromium", false, {{kTab, "", true}, {kTab, kLong}, {kDoc, "", true, "about:blank"}})});
}

// One line per page of `application` (null: of all), sorted: the order of
// the list is not asserted.
std::vector<std::string> lines(const std::vector<AtspiPage>& pages, const QString& application = {})
{
    std::vector<std::string> out;
    for (const AtspiPage& p : pages)
        if (application.isNull() || p.application == application)
            out.push_back(QStringList{p.application, p.frameTitle, QString::number(p.frameActive), p.url, p.title,
                                      QString::number(p.selected)}
                              .join(u'|')
                              .toStdString());
    std::ranges::sort(out);
    return out;
}
const std::vector<std::string> kFirefoxPages = {
    "Firefox|Sag \"Hallo\" — Mozilla Firefox|1|http://127.0.0.1:1/3|Sag \"Hallo\"|1",
    "Firefox|Sag \"Hallo\" — Mozilla Firefox|1||Sag \"Hallo\"|1",
    "Firefox|Seite 1 — Mozilla Firefox|0|http://127.0.0.1:1/1|Seite 1|1",
    "Firefox|Seite 1 — Mozilla Firefox|0|http://127.0.0.1:1/2|" + kItem.toStdString() + "|0",
    "Firefox|Seite 1 — Mozilla Firefox|0||Seite 1|1",
    "Firefox|Seite 1 — Mozilla Firefox|0||" + kItem.toStdString() + "|0"};

std::atomic<int> g_warnings = 0;

// Each test also checks that nothing was printed as a warning.
class AtspiPages : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (bus.address.isEmpty() || bridge().isEmpty())
            GTEST_SKIP() << "no dbus-daemon or systemd-stdio-bridge";
        m_previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
            g_warnings += type != QtDebugMsg && type != QtInfoMsg;
        });
    }
    void TearDown() override
    {
        qInstallMessageHandler(m_previous);
        EXPECT_EQ(g_warnings.exchange(0), 0);
    }
    PrivateBus bus;
    QtMessageHandler m_previous = nullptr;
};

// Every web document and page tab of every browser but those of this
// process, read once per click; the shown page of a browser's active (else
// first) window; each page in the window of its frame's title, and the
// window titles themselves while the bus has no pages.
TEST_F(AtspiPages, PagesOfEveryBrowser)
{
    const std::vector<WindowEntry> windows = {
        {11, 0, "Leer - Chromium"}, {12, 0, "Sag \"Hallo\" — Mozilla Firefox"}, {13, 0, "Terminal"}};
    const auto entries = [&](AtspiBus& atspi) {
        std::vector<std::string> out;
        for (const ShellBrowserEntry& e :
             AtspiShellWindows(atspi).browserWindows(windows).value_or(std::vector<ShellBrowserEntry>{}))
            out.push_back(QStringLiteral("%1|%2|%3|%4")
                              .arg(e.locationUrl)
                              .arg(e.window)
                              .arg(e.documentTitle.left(9))
                              .arg(e.selected)
                              .toStdString());
        std::ranges::sort(out);
        return out;
    };
    AtspiBus empty(bus.address, 5000, 0);
    EXPECT_EQ(entries(empty), (std::vector<std::string>{"http:|11|Leer|1", "http:|12|Sag \"Hall|1"}));

    App own = chromium();
    own.own = true;
    FakeDesktop desktop(bus.address, {firefox(), chromium(), own});
    std::vector<std::string> expected = kFirefoxPages;
    expected.insert(expected.begin(),
                    {"Chromium|Leer - Chromium|0|||1", "Chromium|Leer - Chromium|0||" + kLong.toStdString() + "|0",
                     "Chromium|Leer - Chromium|0|about:blank||1"});
    std::ranges::sort(expected);
    AtspiBus atspi(bus.address, 5000, 60'000), fresh(bus.address, 5000, 0);
    EXPECT_EQ(lines(atspi.pages()), expected);
    EXPECT_EQ(lines(atspi.pages()), expected);
    EXPECT_EQ(desktop.registryReads, 1) << "a second read within reuseMs gives the first one's pages";
    fresh.pages();
    EXPECT_EQ(lines(fresh.pages()), expected);
    EXPECT_EQ(desktop.registryReads, 3);

    AtspiDdeClient dde(atspi);
    EXPECT_EQ(dde.request("firefox", "WWW_GetWindowInfo", "-1"),
              R"("http://127.0.0.1:1/3","Sag ""Hallo""","Sag ""Hallo"" — Mozilla Firefox")");
    EXPECT_EQ(dde.request("CHROMIUM", "WWW_GetWindowInfo", "-1"), R"("about:blank","","Leer - Chromium")");
    EXPECT_EQ(dde.request("Opera", "WWW_GetWindowInfo", "-1"), std::nullopt);
    EXPECT_EQ(entries(atspi),
              (std::vector<std::string>{"about:blank|11||1", "http://127.0.0.1:1/1|0|Seite 1|1",
                                        "http://127.0.0.1:1/2|0|eBay Arti|0", "http://127.0.0.1:1/3|12|Sag \"Hall|1",
                                        "|0|Seite 1|1", "|0|eBay Arti|0", "|11|xxxxxxxxx|0", "|11||1",
                                        "|12|Sag \"Hall|1"}));
}

// A browser that hangs, dies or answers nonsense costs at most the budget,
// and the pages of a busy (40 ms an answer) Firefox are still read.
TEST_F(AtspiPages, MisbehavingBrowserLeavesTheOthersPages)
{
    const std::tuple<Fault, QStringList, int, int, std::vector<std::string>> rows[] = {
        {Fault::Silent, {}, 300, 1500, {}},
        {Fault::SilentBelowRoot, {}, 300, 1500, {}},
        {Fault::Closes, {}, 5000, 2500, {}},
        {Fault::None, {"GetChildren"}, 5000, 2500, {}},
        {Fault::None, {"GetMatches"}, 5000, 2500, {}},
        {Fault::None, {"Get", "GetState", "GetAttributes"}, 5000, 2500, {"||0|||0", "||0|||0"}},
    };
    for (const auto& [fault, wrong, budgetMs, boundMs, brokenPages] : rows) {
        SCOPED_TRACE(wrong.join(u',').toStdString() + " " + std::to_string(int(fault)));
        App broken = browser("Kaputt", "DocURL",
                             {frame("Kaputt", true, {{kTab, "Tab", true}, {kDoc, "Dok", true, "http://x/"}})});
        broken.fault = fault;
        broken.wrong = wrong;
        App busy = firefox();
        busy.delayMs = 40;
        FakeDesktop desktop(bus.address, {broken, busy});
        AtspiBus atspi(bus.address, budgetMs, 0);
        const QDeadlineTimer bound(boundMs);
        const std::vector<AtspiPage> pages = atspi.pages();
        EXPECT_FALSE(bound.hasExpired());
        EXPECT_EQ(lines(pages, "Firefox"), kFirefoxPages);
        EXPECT_EQ(lines(pages, ""), brokenPages);
        EXPECT_EQ(pages.size(), kFirefoxPages.size() + brokenPages.size());
    }
}

}  // namespace
}  // namespace kiebitz::platform
