#include "platform/linux/atspi_pages.h"

#include "platform/linux/browser_title_windows.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QMetaType>
#include <QUuid>

#include <array>
#include <utility>

namespace kiebitz::platform {

namespace {

const QString kAccessible = QStringLiteral("org.a11y.atspi.Accessible");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kRootPath = QStringLiteral("/org/a11y/atspi/accessible/root");

// AT-SPI role and state numbers (AtspiRole, AtspiStateType).
constexpr int kRolePageTab = 37;
constexpr int kRoleDocumentWeb = 95;
constexpr int kStateActive = 1;
constexpr int kStateSelected = 23;
constexpr int kStateShowing = 25;
// Collection match types and sort order.
constexpr int kMatchAll = 1;
constexpr int kMatchAny = 2;
constexpr uint kSortCanonical = 1;

struct Ref {
    QString service;
    QString path;
};

// One stage of the walk: every call is sent before any answer is awaited,
// and the stage waits at most its share of what is left of the read's
// budget, so that an application that never answers cannot leave the
// stages after it without time.
class Stage {
public:
    Stage(QDBusConnection bus, const QDeadlineTimer& deadline, int stagesLeft)
        : m_bus(std::move(bus)), m_deadline(deadline.remainingTime() / stagesLeft)
    {}

    std::size_t call(const Ref& to, const QString& interface, const QString& method, const QVariantList& args = {})
    {
        QDBusMessage m = QDBusMessage::createMethodCall(to.service, to.path, interface, method);
        m.setArguments(args);
        const int left = int(std::max<qint64>(1, m_deadline.remainingTime()));
        m_calls.push_back(m_bus.asyncCall(m, left));
        return m_calls.size() - 1;
    }
    std::size_t name(const Ref& to)
    {
        return call(to, kProperties, QStringLiteral("Get"), {kAccessible, QStringLiteral("Name")});
    }

    // The answer's first value; invalid when the call failed or timed out.
    QVariant answer(std::size_t i)
    {
        QDBusPendingCall& c = m_calls[i];
        if (!m_deadline.hasExpired())
            c.waitForFinished();
        if (!c.isFinished() || c.isError())
            return {};
        const QList<QVariant> values = c.reply().arguments();
        return values.isEmpty() ? QVariant() : values.front();
    }

private:
    QDBusConnection m_bus;
    QDeadlineTimer m_deadline;
    std::vector<QDBusPendingCall> m_calls;
};

QDBusArgument asArgument(const QVariant& v, const char* signature)
{
    if (v.metaType() != QMetaType::fromType<QDBusArgument>())
        return {};
    const auto arg = v.value<QDBusArgument>();
    return arg.currentSignature() == QLatin1String(signature) ? arg : QDBusArgument();
}

// a(so): references to accessibles; empty for any other answer.
std::vector<Ref> refs(const QVariant& v)
{
    std::vector<Ref> out;
    const QDBusArgument arg = asArgument(v, "a(so)");
    if (arg.currentSignature().isEmpty())
        return out;
    arg.beginArray();
    while (!arg.atEnd()) {
        QString service;
        QDBusObjectPath path;
        arg.beginStructure();
        arg >> service >> path;
        arg.endStructure();
        out.push_back({service, path.path()});
    }
    arg.endArray();
    return out;
}

QString text(const QVariant& v)
{
    const QVariant inner =
        v.metaType() == QMetaType::fromType<QDBusVariant>() ? v.value<QDBusVariant>().variant() : v;
    return inner.metaType() == QMetaType::fromType<QString>() ? inner.toString() : QString();
}

bool hasState(const QVariant& v, int state)
{
    const QDBusArgument arg = asArgument(v, "au");
    if (arg.currentSignature().isEmpty())
        return false;
    QList<uint> words;
    arg >> words;
    const int word = state / 32;
    return words.size() > word && (words[word] >> (state % 32)) & 1u;
}

QMap<QString, QString> attributes(const QVariant& v)
{
    QMap<QString, QString> out;
    const QDBusArgument arg = asArgument(v, "a{ss}");
    if (!arg.currentSignature().isEmpty())
        arg >> out;
    return out;
}

// Collection match rule: any of the roles, nothing else asked.
QVariant rolesRule(std::initializer_list<int> roles)
{
    std::array<int, 4> bits{};
    for (const int r : roles)
        bits[std::size_t(r / 32)] |= int(1u << (r % 32));
    QDBusArgument rule;
    rule.beginStructure();
    rule << QList<int>() << kMatchAll;
    rule.beginMap(QMetaType::fromType<QString>(), QMetaType::fromType<QString>());
    rule.endMap();
    rule << kMatchAll << QList<int>(bits.begin(), bits.end()) << kMatchAny << QStringList() << kMatchAll << false;
    rule.endStructure();
    return QVariant::fromValue(rule);
}

QDBusMessage sessionCall(const QString& interface, const QString& method, const QVariantList& args)
{
    QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                                    interface, method);
    m.setArguments(args);
    return m;
}

}  // namespace

AtspiBus::AtspiBus(QString address, int budgetMs, int reuseMs)
    : m_address(std::move(address)),
      m_connectionName(QStringLiteral("kiebitz-a11y-") + QUuid::createUuid().toString(QUuid::WithoutBraces)),
      m_budgetMs(budgetMs),
      m_reuseMs(reuseMs)
{}

AtspiBus::~AtspiBus()
{
    if (m_connected)
        QDBusConnection::disconnectFromBus(m_connectionName);
}

std::optional<QDBusConnection> AtspiBus::connection()
{
    if (m_connected) {
        QDBusConnection bus(m_connectionName);
        if (bus.isConnected())
            return bus;
        QDBusConnection::disconnectFromBus(m_connectionName);
        m_connected = false;
    }
    QString address = m_address;
    if (address.isEmpty())
        address = qEnvironmentVariable("AT_SPI_BUS_ADDRESS");
    if (address.isEmpty()) {
        QDBusConnection session = QDBusConnection::sessionBus();
        if (!session.isConnected())
            return std::nullopt;
        const QDBusMessage reply = session.call(
            sessionCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"), {}), QDBus::Block, m_budgetMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return std::nullopt;
        address = text(reply.arguments().front());
    }
    if (address.isEmpty())
        return std::nullopt;
    QDBusConnection bus = QDBusConnection::connectToBus(address, m_connectionName);
    m_connected = true;
    if (!bus.isConnected())
        return std::nullopt;
    return bus;
}

std::vector<AtspiPage> AtspiBus::pages()
{
    if (m_lastRead.isValid() && m_lastRead.elapsed() < m_reuseMs)
        return m_last;
    const auto bus = connection();
    m_last = bus ? readPages(*bus) : std::vector<AtspiPage>{};
    m_lastRead.start();
    return m_last;
}

std::vector<AtspiPage> AtspiBus::readPages(QDBusConnection bus)
{
    const QDeadlineTimer deadline(m_budgetMs);

    // The applications the registry knows.
    Stage registry(bus, deadline, 5);
    const std::size_t appsCall = registry.call({QStringLiteral("org.a11y.atspi.Registry"), kRootPath}, kAccessible,
                                               QStringLiteral("GetChildren"));
    const std::vector<Ref> apps = refs(registry.answer(appsCall));

    // This program is an application on the bus too, and one that cannot
    // answer while it waits here: the bus tells each application's process.
    Stage pidStage(bus, deadline, 4);
    std::vector<std::size_t> pidCalls;
    for (const Ref& app : apps)
        pidCalls.push_back(pidStage.call(
            {QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus")},
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"), {app.service}));
    std::vector<Ref> others;
    for (std::size_t i = 0; i < apps.size(); ++i) {
        const QVariant pid = pidStage.answer(pidCalls[i]);
        if (pid.metaType() == QMetaType::fromType<uint>() &&
            qint64(pid.toUInt()) != QCoreApplication::applicationPid())
            others.push_back(apps[i]);
    }

    // Each application's name and top-level frames.
    Stage appStage(bus, deadline, 3);
    std::vector<std::pair<std::size_t, std::size_t>> appCalls;
    for (const Ref& app : others)
        appCalls.emplace_back(appStage.name(app), appStage.call(app, kAccessible, QStringLiteral("GetChildren")));
    struct Frame {
        QString application;
        Ref ref;
    };
    std::vector<Frame> frames;
    for (std::size_t i = 0; i < others.size(); ++i) {
        const QString name = text(appStage.answer(appCalls[i].first));
        for (const Ref& f : refs(appStage.answer(appCalls[i].second)))
            frames.push_back({name, f});
    }

    // Each frame's title and state, its documents and its page tabs (two
    // queries, so that the role of each match is known without asking).
    Stage frameStage(bus, deadline, 2);
    const QVariant documentsRule = rolesRule({kRoleDocumentWeb});
    const QVariant tabsRule = rolesRule({kRolePageTab});
    const auto matchesOf = [&](const Ref& frame, const QVariant& rule) {
        return frameStage.call(frame, QStringLiteral("org.a11y.atspi.Collection"), QStringLiteral("GetMatches"),
                               {rule, QVariant::fromValue(kSortCanonical), 0, true});
    };
    struct FrameCalls {
        std::size_t name, state, documents, tabs;
    };
    std::vector<FrameCalls> frameCalls;
    for (const Frame& f : frames)
        frameCalls.push_back({frameStage.name(f.ref), frameStage.call(f.ref, kAccessible, QStringLiteral("GetState")),
                              matchesOf(f.ref, documentsRule), matchesOf(f.ref, tabsRule)});
    struct Match {
        std::size_t frame;
        Ref ref;
        bool document;
    };
    std::vector<AtspiPage> frameInfo;
    std::vector<Match> matches;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        AtspiPage info;
        info.application = frames[i].application;
        info.frameTitle = text(frameStage.answer(frameCalls[i].name));
        info.frameActive = hasState(frameStage.answer(frameCalls[i].state), kStateActive);
        frameInfo.push_back(info);
        for (const Ref& m : refs(frameStage.answer(frameCalls[i].documents)))
            matches.push_back({i, m, true});
        for (const Ref& m : refs(frameStage.answer(frameCalls[i].tabs)))
            matches.push_back({i, m, false});
    }

    // Each match's title and state, and a document's address.
    Stage matchStage(bus, deadline, 1);
    struct MatchCalls {
        std::size_t name, state, attributes;
    };
    std::vector<MatchCalls> matchCalls;
    for (const Match& m : matches)
        matchCalls.push_back({matchStage.name(m.ref), matchStage.call(m.ref, kAccessible, QStringLiteral("GetState")),
                              m.document ? matchStage.call(m.ref, QStringLiteral("org.a11y.atspi.Document"),
                                                           QStringLiteral("GetAttributes"))
                                         : 0});
    std::vector<AtspiPage> pages;
    for (std::size_t i = 0; i < matches.size(); ++i) {
        const QVariant state = matchStage.answer(matchCalls[i].state);
        if (!state.isValid())
            continue;  // gone during the read
        AtspiPage page = frameInfo[matches[i].frame];
        page.title = text(matchStage.answer(matchCalls[i].name));
        if (matches[i].document) {
            const QMap<QString, QString> attrs = attributes(matchStage.answer(matchCalls[i].attributes));
            // Firefox names the address DocURL, Chromium URI.
            page.url = attrs.value(QStringLiteral("DocURL"), attrs.value(QStringLiteral("URI")));
            page.selected = hasState(state, kStateShowing);
        } else {
            page.selected = hasState(state, kStateSelected);
        }
        pages.push_back(std::move(page));
    }
    return pages;
}

AccessibilitySwitch::State AtspiBus::switchState()
{
    QDBusConnection session = QDBusConnection::sessionBus();
    if (!session.isConnected())
        return AccessibilitySwitch::State::Unavailable;
    const QDBusMessage reply =
        session.call(sessionCall(kProperties, QStringLiteral("Get"),
                                 {QStringLiteral("org.a11y.Status"), QStringLiteral("IsEnabled")}),
                     QDBus::Block, m_budgetMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return AccessibilitySwitch::State::Unavailable;
    const QVariant v = reply.arguments().front().value<QDBusVariant>().variant();
    if (v.metaType() != QMetaType::fromType<bool>())
        return AccessibilitySwitch::State::Unavailable;
    return v.toBool() ? AccessibilitySwitch::State::On : AccessibilitySwitch::State::Off;
}

bool AtspiBus::switchOn()
{
    QDBusConnection session = QDBusConnection::sessionBus();
    if (!session.isConnected())
        return false;
    const QDBusMessage reply =
        session.call(sessionCall(kProperties, QStringLiteral("Set"),
                                 {QStringLiteral("org.a11y.Status"), QStringLiteral("IsEnabled"),
                                  QVariant::fromValue(QDBusVariant(true))}),
                     QDBus::Block, m_budgetMs);
    m_lastRead.invalidate();
    return reply.type() == QDBusMessage::ReplyMessage;
}

std::optional<std::vector<ShellBrowserEntry>> AtspiShellWindows::browserWindows(
    const std::vector<WindowEntry>& windows)
{
    const std::vector<AtspiPage> pages = m_bus.pages();
    std::vector<ShellBrowserEntry> entries;
    for (const AtspiPage& page : pages) {
        WindowId id = 0;
        for (const WindowEntry& w : windows)
            if (w.title == page.frameTitle) {
                id = w.id;
                break;
            }
        entries.push_back({page.url, id, page.title, true, page.selected});
    }
    if (!entries.empty())
        return entries;
    // No pages on the bus: each browser window stands for the page it shows.
    return browserEntriesOfTitles(windows);
}

std::optional<QString> AtspiDdeClient::request(const QString& service, const QString&, const QString&)
{
    const std::vector<AtspiPage> pages = m_bus.pages();
    const AtspiPage* shown = nullptr;
    for (const AtspiPage& p : pages) {
        if (p.application.compare(service, Qt::CaseInsensitive) != 0 || !p.selected || p.url.isEmpty())
            continue;
        if (!shown || (p.frameActive && !shown->frameActive))
            shown = &p;
    }
    if (!shown)
        return std::nullopt;
    const auto quoted = [](QString s) { return u'"' + s.replace(u'"', QStringLiteral("\"\"")) + u'"'; };
    return quoted(shown->url) + u',' + quoted(shown->title) + u',' + quoted(shown->frameTitle);
}

}  // namespace kiebitz::platform
