// The clock synchronisation end to end: the real Qt Network control against
// a server on 127.0.0.1, a fake clock that records what it is set to, and a
// temporary program folder for the error log.

#include "timing/clock_sync.h"

#include "core/program_values.h"
#include "platform/linux/http_control_qt.h"
#include "support/event_waits.h"
#include "support/fake_http_control.h"
#include "support/fake_platform.h"
#include "support/fake_time_zone.h"
#include "support/loopback_http_server.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <tuple>

namespace kiebitz::timing {
namespace {

using test::LoopbackHttpServer;
using Outcome = TimePageReading::Outcome;

const QByteArray kTimePath = kTimePagePath.toLatin1();
const QByteArray kVersion = kVersionPath.toLatin1();

QString readLog(const QString& folder)
{
    QFile f(folder + QStringLiteral("/error.txt"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readAll());
}

// ---------------------------------------------------------------------------
// The page reader on its own.

TEST(ReadTimePage, FindsDateAndTimeBeforeTheZoneWord)
{
    struct Row {
        const char* name;
        QString page;
        Outcome outcome;
        const char* zone;
        QDateTime time;  // when Read
    };
    const QString upTo18192(18192 - 3, u'x');  // "GMT" ends at character 18192
    const QString upTo18193(18192 - 2, u'x');  // ... at 18193
    const std::vector<Row> rows = {
        {"example", "Tuesday, 14 Mar 2006 17:30:00 GMT", Outcome::Read, "GMT", {{2006, 3, 14}, {17, 30}}},
        {"html page",
         "<html><body><p>The official eBay Time is:</p><b>Wednesday, December 06, 2026</b>"
         "<br><b>Wed, 06 Dec 2026 11:00:00 GMT</b></body></html>",
         Outcome::Read,
         "GMT",
         {{2026, 12, 6}, {11, 0}}},
        {"bst only", "Monday, 10 Jul 2006 18:05:09 BST", Outcome::Read, "BST", {{2006, 7, 10}, {18, 5, 9}}},
        {"lower case zone", "Monday, 10 Jul 2006 18:05:09 gmt", Outcome::Read, "GMT", {{2006, 7, 10}, {18, 5, 9}}},
        {"december, two-digit month",
         "Thursday, 31 Dec 2026 23:59:59 GMT",
         Outcome::Read,
         "GMT",
         {{2026, 12, 31}, {23, 59, 59}}},
        {"sharp s keeps positions",
         "Straße, 14 Mar 2006 17:30:00 GMT",
         Outcome::Read,
         "GMT",
         {{2006, 3, 14}, {17, 30}}},
        {"window starts at the first character",
         " 14 Mar 2006 17:30:00 GMT",
         Outcome::Read,
         "GMT",
         {{2006, 3, 14}, {17, 30}}},
        {"window would start before the text", "14 Mar 2006 17:30:00 GMT", Outcome::Unreadable, "GMT", {}},
        {"gmt before the time",
         "<title>Time (gmt)</title> Tuesday, 14 Mar 2006 17:30:00 GMT",
         Outcome::Unreadable,
         "GMT",
         {}},
        {"gmt wins over an earlier bst",
         "BST is summer time; Tuesday, 14 Mar 2006 17:30:00 GMT",
         Outcome::Read,
         "GMT",
         {{2006, 3, 14}, {17, 30}}},
        {"unknown month", "Tuesday, 14 Mrz 2006 17:30:00 GMT", Outcome::Unreadable, "GMT", {}},
        {"piece of the month row", "Tuesday, 14 Ebm 2006 17:30:00 GMT", Outcome::Unreadable, "GMT", {}},
        {"two-letter month", "Tuesday, 14  an 2006 17:30:00 GMT", Outcome::Unreadable, "GMT", {}},
        {"double blank", "Tuesday,  4 Mar  2006 17:30:00 GMT", Outcome::Unreadable, "GMT", {}},
        {"no time", "Server busy, please retry (GMT)  ", Outcome::Unreadable, "GMT", {}},
        {"bad time", "Tuesday, 14 Mar 2006 17:3x:00 GMT", Outcome::Unreadable, "GMT", {}},
        {"no zone word", "Tuesday, 14 Mar 2006 17:30:00 UTC", Outcome::NoTimeInformation, "", {}},
        {"empty", "", Outcome::NoTimeInformation, "", {}},
        {"zone word at the limit", upTo18192 + "GMT", Outcome::Unreadable, "GMT", {}},
        {"zone word cut by the limit", upTo18193 + "GMT", Outcome::NoTimeInformation, "", {}},
        {"time right at the limit",
         QString(18192 - 25, u'x') + " 14 Mar 2006 17:30:00 GMT",
         Outcome::Read,
         "GMT",
         {{2006, 3, 14}, {17, 30}}},
        {"zone word beyond the limit",
         QString(20000, u'x') + " 14 Mar 2006 17:30:00 GMT",
         Outcome::NoTimeInformation,
         "",
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TimePageReading r = read_TimePage(row.page);
        EXPECT_EQ(r.outcome, row.outcome);
        EXPECT_EQ(r.zoneWord, QString::fromLatin1(row.zone));
        if (row.outcome == Outcome::Read)
            EXPECT_EQ(core::toQDateTime(r.pageTime), row.time);
        else
            EXPECT_EQ(r.pageTime, core::kZeroDate);
    }
}

// ---------------------------------------------------------------------------
// Whole runs against the loopback server.

struct SyncSetup {
    test::FakePlatform fakes;
    test::FakeTimeZone zone = test::FakeTimeZone::centralEuropeWinter();
    QTemporaryDir folder;
    LoopbackHttpServer server;
    std::unique_ptr<platform::HttpControlQt> http;
    platform::Platform platform;
    std::unique_ptr<ClockSync> sync;

    explicit SyncSetup(int timeoutMs = test::kEventBoundMs, std::optional<quint16> timePagePort = std::nullopt)
        : http(std::make_unique<platform::HttpControlQt>(timeoutMs))
    {
        platform = fakes.platform(folder.path());
        platform.http = http.get();
        platform.timeZone = &zone;
        SyncAddresses addresses{server.url(kTimePagePath), server.url(kVersionPath)};
        if (timePagePort)
            addresses.timePage = QStringLiteral("http://127.0.0.1:%1").arg(*timePagePort) + kTimePagePath;
        sync = std::make_unique<ClockSync>(platform, addresses);
    }
};

using Response = LoopbackHttpServer::Response;

Response page(const QByteArray& body, int status = 200)
{
    Response r;
    r.body = body;
    r.status = status;
    return r;
}

Response neverAnswers()
{
    Response r;
    r.kind = Response::Kind::NeverAnswer;
    return r;
}

TEST(SyncClock, OutcomesAgainstARealServer)
{
    // The PC: 06.12.2026 12:00:00 in central Europe, winter (GMT + 1 h).
    struct Row {
        const char* name;
        Response response;
        QString status;
        std::vector<QTime> timesSet = {};
        std::vector<QDate> datesSet = {};
        bool logged = false;
        int timeoutMs = test::kEventBoundMs;
        bool refused = false;
        bool refuseSetting = false;
        bool seasons = false;  // the PC follows the EU summer-time rule
    };
    const QByteArray example = "<html><body>Tuesday, 14 Mar 2006 17:30:00 GMT</body></html>";
    // The slow answer comes in three pieces; each later one waits until the
    // control holds the ones before and moves the clock of the run on by 6 s.
    test::FakeClock* clock = nullptr;
    platform::HttpControlQt* http = nullptr;
    Response slow;
    const QByteArray slowBody = "<html><body>Sunday, 06 Dec 2026 11:00:00 GMT</body></html>";
    slow.pieces.push_back({0, slowBody.left(20), {}});
    for (const int held : {20, 40})
        slow.pieces.push_back({0, slowBody.mid(held, held == 40 ? -1 : 20), [&clock, &http, held] {
                                   EXPECT_TRUE(test::runUntil([&] { return http->keptBytes() >= held; }));
                                   clock->advanceSeconds(6);
                               }});
    Response tenMegabytes;
    tenMegabytes.generatedBodySize = 10 * 1024 * 1024;
    const std::vector<Row> rows = {
        {"example page", page(example), kStatusUpdated, {QTime(18, 30)}, {QDate(2006, 3, 14)}},
        {"bst page",
         page("<b>Wed, 06 Dec 2026 11:00:00 BST</b>"),
         kStatusUpdated,
         {QTime(11, 0)},
         {QDate(2026, 12, 6)}},
        {"bst page on a pc in summer time",
         page("<b>Mon, 10 Jul 2006 18:05:09 BST</b>"),
         kStatusUpdated,
         {QTime(19, 5, 9)},
         {QDate(2006, 7, 10)},
         false,
         test::kEventBoundMs,
         false,
         false,
         true},
        {"day rolls over on the move to local time",
         page("<b>Sun, 06 Dec 2026 23:30:00 GMT</b>"),
         kStatusUpdated,
         {QTime(0, 30)},
         {QDate(2026, 12, 7)}},
        {"page two days ahead sets the date",
         page("<b>Tue, 08 Dec 2026 11:00:00 GMT</b>"),
         kStatusUpdated,
         {QTime(12, 0)},
         {QDate(2026, 12, 8)}},
        {"page three days ahead keeps the date",
         page("<b>Wed, 09 Dec 2026 11:00:00 GMT</b>"),
         kStatusUpdated,
         {QTime(12, 0)}},
        {"body in slow pieces, seconds since the answer began added",
         slow,
         kStatusUpdated,
         {QTime(12, 0, 12)},
         {QDate(2026, 12, 6)}},
        {"gmt before the time", page("<title>Time (GMT)</title>" + example), kStatusUnexpected, {}, {}, true},
        {"time within 22 characters of the start", page("14 Mar 2006 17:30:00 GMT"), kStatusUnexpected, {}, {}, true},
        {"clock refuses to be set",
         page(example),
         kStatusUnexpected,
         {QTime(18, 30)},
         {},
         true,
         test::kEventBoundMs,
         false,
         true},
        {"empty body", page({}), kStatusNoTime},
        {"10 MB body", tenMegabytes, kStatusNoTime},
        {"server error page", page("<h1>500</h1>", 500), kStatusNoTime},
        {"connection refused", page({}), kStatusNoTime, {}, {}, false, test::kEventBoundMs, true},
        {"server never answers", neverAnswers(), kStatusNoTime, {}, {}, false, 300},
    };

    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SyncSetup run(row.timeoutMs, row.refused ? std::optional(LoopbackHttpServer::refusedPort()) : std::nullopt);
        run.fakes.clock.set(QDateTime(QDate(2026, 12, 6), QTime(12, 0)));
        run.fakes.clock.refuseSetting = row.refuseSetting;
        if (row.seasons)
            run.zone = test::FakeTimeZone::centralEurope();
        clock = &run.fakes.clock;
        http = run.http.get();
        run.server.route(kTimePath, row.response);
        run.server.route(kVersion, page("1.6.30"));

        QElapsedTimer took;
        took.start();
        run.sync->sync_Clock();

        EXPECT_FALSE(run.sync->busy());
        EXPECT_EQ(run.sync->statusText(), row.status);
        EXPECT_EQ(run.fakes.clock.timesSet, row.timesSet);
        EXPECT_EQ(run.fakes.clock.datesSet, row.datesSet);

        const QString log = readLog(run.folder.path());
        if (row.logged)
            EXPECT_EQ(log, QString::fromLatin1(row.response.body) + QStringLiteral("\r\n"));
        else
            EXPECT_TRUE(log.isEmpty()) << log.toStdString();

        // Both requests went out with their headers as specified, the
        // version request after every outcome.
        EXPECT_EQ(run.server.requestCount(kTimePath), row.refused ? 0 : 1);
        ASSERT_EQ(run.server.requestCount(kVersion), 1);
        for (const auto& req : run.server.requests()) {
            EXPECT_EQ(req.method, "GET");
            if (req.target == kVersion)
                EXPECT_EQ(req.headerLine("User-Agent"),
                          "User-Agent: Tickwerk - " + core::versionText().toLatin1() + " - ");
            else
                EXPECT_EQ(req.headerLine("User-Agent"),
                          "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
        }
        EXPECT_EQ(run.server.requests().back().target, kVersion);

        ASSERT_EQ(run.fakes.messages.shown.size(), 1u);
        const auto& shown = run.fakes.messages.shown[0];
        EXPECT_EQ((std::tuple{shown.text, shown.title, shown.style}),
                  (std::tuple{row.status, QStringLiteral("Kiebitz"), 0}));

        // The server never answers: only the control's own time-out ends the wait.
        if (row.timeoutMs < test::kEventBoundMs) {
            EXPECT_GE(took.elapsed(), row.timeoutMs - 20);
            EXPECT_LT(took.elapsed(), test::kEventBoundMs);
        }
    }
}

TEST(SyncClock, MessageOnlyWhenMsgonsyncIsNotZero)
{
    struct Row {
        std::int16_t msgonsync;
        QByteArray body;
        bool shown;
    };
    const std::vector<Row> rows = {
        {0, "Tuesday, 14 Mar 2006 17:30:00 GMT", false},
        {0, "14 Mar 2006 17:30:00 GMT", false},
        {0, "", false},
        {1, "", true},
        {-1, "", true},
        {2, "Tuesday, 14 Mar 2006 17:30:00 GMT", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.msgonsync << " " << row.body.toStdString());
        SyncSetup run;
        run.server.route(kTimePath, page(row.body));
        run.sync->sync_Clock(row.msgonsync != 0);
        EXPECT_EQ(run.fakes.messages.shown.size(), row.shown ? 1u : 0u);
        EXPECT_EQ(run.server.requestCount(kVersion), 1);
    }
}

TEST(SyncClock, SecondCallWhileWaitingReturnsAtOnce)
{
    SyncSetup run;
    bool inner = false, busyDuringWait = false;
    int requestsSeenInside = -1;
    // The second call comes while the first waits for the body.
    Response slow;
    slow.pieces = {{0, "Sunday, 06 Dec 2026 11:00:00 GMT", [&] {
                        busyDuringWait = run.sync->busy();
                        run.sync->sync_Clock();  // must not start a request or wait
                        inner = true;
                        requestsSeenInside = int(run.server.requests().size());
                    }}};
    run.server.route(kTimePath, slow);
    run.sync->sync_Clock();

    EXPECT_TRUE(inner);
    EXPECT_TRUE(busyDuringWait);
    EXPECT_EQ(requestsSeenInside, 1);
    EXPECT_EQ(run.sync->statusText(), kStatusUpdated);
    EXPECT_EQ(run.fakes.clock.timesSet.size(), 1u);
    EXPECT_EQ(run.server.requestCount(kTimePath), 1);
    EXPECT_EQ(run.server.requestCount(kVersion), 1);
    EXPECT_EQ(run.fakes.messages.shown.size(), 1u);
    EXPECT_FALSE(run.sync->busy());

    // The mark is free again: a later run goes through.
    run.server.route(kTimePath, page({}));
    run.sync->sync_Clock();
    EXPECT_EQ(run.sync->statusText(), kStatusNoTime);
    EXPECT_EQ(run.server.requestCount(kTimePath), 2);
}

TEST(SyncClock, ElapsedSecondsCountFromThisRunsResponseOnly)
{
    test::FakePlatform fakes;
    test::FakeTimeZone zone = test::FakeTimeZone::centralEuropeWinter();
    test::FakeHttpControl http;
    QTemporaryDir folder;
    platform::Platform p = fakes.platform(folder.path());
    p.http = &http;
    p.timeZone = &zone;
    const SyncAddresses addresses{QStringLiteral("http://time/"), QStringLiteral("http://version/")};
    http.answers[addresses.timePage] = QStringLiteral("Sunday, 06 Dec 2026 11:00:00 GMT");
    ClockSync sync(p, addresses);

    // The answer began at 12:00:00; 5 seconds pass before it is read.
    fakes.clock.set(QDateTime(QDate(2026, 12, 6), QTime(12, 0)));
    http.duringWait = [&] { fakes.clock.advanceSeconds(5); };
    sync.sync_Clock();
    ASSERT_EQ(fakes.clock.timesSet.size(), 1u);
    EXPECT_EQ(fakes.clock.timesSet[0], QTime(12, 0, 5));

    // A state 7 outside a run is ignored, and a run whose answer reports no
    // state 7 adds nothing rather than counting from an old stamp.
    fakes.clock.advanceSeconds(3600);
    sync.Inet1_StateChanged(platform::HttpControl::ReceivingResponse);
    http.reportsReceiving = false;
    sync.sync_Clock();
    ASSERT_EQ(fakes.clock.timesSet.size(), 2u);
    EXPECT_EQ(fakes.clock.timesSet[1], QTime(12, 0));
}

// ---------------------------------------------------------------------------
// The Qt Network control itself.

struct ControlRun {
    LoopbackHttpServer server;
    platform::HttpControlQt http;
    std::vector<std::int16_t> states;
    explicit ControlRun(int timeoutMs = test::kEventBoundMs) : http(timeoutMs)
    {
        http.setStateHandler([this](std::int16_t s) { states.push_back(s); });
    }
    void get(const QString& url, const QString& headers = {})
    {
        http.execute(url, headers);
        while (http.stillExecuting())
            http.doEvents();
    }
};

TEST(HttpControlQt, KeepsOnlyTheFirstPartOfALargeBodyAndStopsReading)
{
    ControlRun c;
    Response big;
    big.generatedBodySize = 10 * 1024 * 1024;
    c.server.route("/big", big);
    c.get(c.server.url(QStringLiteral("/big")));

    EXPECT_EQ(c.http.keptBytes(), 18192);
    EXPECT_EQ(c.http.getChunk(18192), QString(18192, u'x'));
    EXPECT_EQ(c.http.getChunk(100000).size(), 18192);
    EXPECT_EQ(c.http.getChunk(10), QStringLiteral("xxxxxxxxxx"));
    // The server notices the closed connection.
    EXPECT_TRUE(test::runUntil([&] { return c.server.clientClosedEarly(); }));
    EXPECT_LT(c.server.generatedBytesSent(), 10 * 1024 * 1024);
}

TEST(HttpControlQt, StatesAndAnswers)
{
    struct Row {
        const char* name;
        Response response;
        bool refused;
        std::vector<std::int16_t> states;
        QString answer;
    };
    const std::vector<Row> rows = {
        {"answer", page("hello"), false, {5, 7, 12}, QStringLiteral("hello")},
        {"error status keeps the body", page("no such page", 404), false, {5, 7, 12}, QStringLiteral("no such page")},
        {"single-byte code page",
         page("Gr\xfc\xdf"
              "e \x80"),
         false,
         {5, 7, 12},
         QStringLiteral("Grüße €")},
        {"refused", page("x"), true, {5, 11}, {}},
        {"never answers", neverAnswers(), false, {5, 11}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // Only the server that never answers meets the short time-out.
        ControlRun c(row.response.kind == Response::Kind::NeverAnswer ? 300 : test::kEventBoundMs);
        c.server.route("/p", row.response);
        const QString url = row.refused
                                ? QStringLiteral("http://127.0.0.1:%1/p").arg(LoopbackHttpServer::refusedPort())
                                : c.server.url(QStringLiteral("/p"));
        c.get(url);
        EXPECT_EQ(c.states, row.states);
        EXPECT_EQ(c.http.getChunk(18192), row.answer);
    }
}

// The answer begins with the head of the final response: redirects on the
// way there answer at once, the final page only after a while, and state 7
// must wait for the page.
TEST(HttpControlQt, ResponseBeginsWithTheFinalAnswerAfterRedirects)
{
    for (const int hops : {1, 2}) {
        SCOPED_TRACE(hops);
        ControlRun c(30'000);
        Response moved = page("moved", 302);
        moved.headerLines = {"Location: /hop2"};
        c.server.route("/hop1", moved);
        moved.headerLines = {"Location: /slow"};
        c.server.route(hops == 1 ? "/hop1" : "/hop2", moved);
        Response slow = page("Tuesday, 14 Mar 2006 17:30:00 GMT");
        slow.headDelayMs = 1500;
        c.server.route("/slow", slow);

        QElapsedTimer sinceStart;
        qint64 receivingAt = -1;
        c.http.setStateHandler([&](std::int16_t s) {
            c.states.push_back(s);
            if (s == platform::HttpControl::ReceivingResponse)
                receivingAt = sinceStart.elapsed();
        });
        sinceStart.start();
        c.get(c.server.url(QStringLiteral("/hop1")));

        EXPECT_EQ(c.states, (std::vector<std::int16_t>{5, 7, 12}));
        EXPECT_GE(receivingAt, 1400);
        EXPECT_EQ(c.http.getChunk(18192), QStringLiteral("Tuesday, 14 Mar 2006 17:30:00 GMT"));
        EXPECT_EQ(c.server.requestCount("/slow"), 1);
    }
}

TEST(HttpControlQt, SendsHeaderLinesAsWritten)
{
    ControlRun c;
    c.server.route("/h", page("ok"));
    c.get(c.server.url(QStringLiteral("/h")),
          QStringLiteral("User-Agent: Tickwerk - 1.6.30 - \r\nX-Extra:  two\r\n"));
    ASSERT_EQ(c.server.requests().size(), 1u);
    const auto& req = c.server.requests()[0];
    EXPECT_EQ(req.headerLine("User-Agent"), "User-Agent: Tickwerk - 1.6.30 - ");
    EXPECT_EQ(req.header("X-Extra"), "two");
    EXPECT_EQ(req.target, "/h");
}

}  // namespace
}  // namespace kiebitz::timing
