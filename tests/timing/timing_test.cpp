// End-date notations, zone words and the PC's zone (fixed rules, and the C
// library's under a chosen TZ), the item link, and the clock
// synchronisation: its page reader and whole runs of the real Qt Network
// control against a server on 127.0.0.1, with a clock double.

#include "capture/read_datetime.h"
#include "core/program_values.h"
#include "core/text.h"
#include "platform/linux/http_control_qt.h"
#include "platform/linux/time_zone_posix.h"
#include "settings/keys.h"
#include "support/event_waits.h"
#include "support/fake_http_control.h"
#include "support/fake_platform.h"
#include "support/fake_time_zone.h"
#include "support/loopback_http_server.h"
#include "timing/clock_sync.h"
#include "timing/end_date.h"
#include "timing/item_link.h"
#include "timing/time_zones.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace kiebitz::timing {
namespace {

using Response = test::LoopbackHttpServer::Response;
QString u8(const char* text) { return QString::fromUtf8(text); }
auto at(int y, int m, int d, int h, int mi, int s = 0) { return *core::dateTimeSerial(y, m, d, h, mi, s); }

// The zone word in any letter case; for "CET" and "CEST" the whole
// five-character end phrase in any letter case.
TEST(EndDate, SitesAndNotations)
{
    const std::tuple<const char*, const char*, const char*> sites[] = {
        {"", "mesz", "de"},     {"", "Paris", "fr"},    {"", "BST", "uk"},        {"", "AEDST", "au"},
        {"scade", "MEZ", "de"}, {"endet", "CET", "de"}, {"Ends ", "CEST", "com"}, {"FIN :", "cet", "fr"},
        {"Final", "CET", "es"}, {"Scade", "CET", "it"}, {"loopt", "cest", "nl"},  {"ends", "CET", ""},
        {"endets", "CET", ""},  {"endet", "JST", ""},   {"endet", " MEZ", ""},    {"endet", "CETX", ""},
    };
    for (const auto& [phrase, zone, site] : sites)
        EXPECT_EQ(detect_Site(u8(phrase), u8(zone)), u8(site)) << phrase << "|" << zone;

    // Every notation becomes dd.mm.yyyy that reads as the right date; a
    // month name that is not the site's reads as no date at all. The
    // accented French names read in every form a title brings them:
    // Unicode, decomposed, upper case, and UTF-8 shown one byte per
    // character (Latin-1, Windows-1252).
    const auto read = [](const QString& date, const char* site) {
        const core::DateValue v = capture::read_DateTime(normalize_EndDate(date, {}, site) + " 18:30:00");
        return v == core::kZeroDate ? "no date" : core::generalDateText(v).left(10);
    };
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"de", "12.03.06", "12.03.2006"},  {"com", "Mar-12-06", "12.03.2006"}, {"com", "JAN-02-07", "02.01.2007"},
        {"es", "05-ene-07", "05.01.2007"}, {"nl", "12-mrt-06", "12.03.2006"},  {"fr", "12-mars-06", "12.03.2006"},
        {"fr", "03-avr-06", "03.04.2006"}, {"my", "12-03-2006", "12.03.2006"}, {"uk", "30-Nov-06", "30.11.2006"},
        {"com", "anf-12-06", "no date"},   {"nl", "12-mar-06", "no date"},     {"uk", "12-1-06", "no date"},
        {"fr", "12-1-06", "no date"},      {"DE", "12.03.06", "no date"},      {"jp", "12-03-06", "no date"},
    };
    for (const auto& [site, date, expect] : rows)
        EXPECT_EQ(read(date, site), expect) << site << " " << date;
    EXPECT_EQ(normalize_EndDate("12-03-2006", {}, "sg"), "12.03.2006");  // the reader skips any separator
    const std::pair<const char*, const char*> french[] = {
        {"14-févr-07", "14.02.2007"}, {"01-août-06", "01.08.2006"}, {"15-DÉC-06", "15.12.2006"}};
    for (const auto& [utf8, expect] : french)
        for (const QString& form : {u8(utf8), u8(utf8).normalized(QString::NormalizationForm_D),
                                    QString::fromLatin1(utf8), core::fromAnsi(utf8)})
            EXPECT_EQ(read(form, "fr"), expect) << form.toStdString();

    // Hostile text: no crash, no runaway result, never a date.
    for (const QString& t : {QString(), QString(10000, u'\u00c3'), QString(10000, QChar(0)), QString(10000, u'-'),
                             QString(3, QChar(0)) + "-janv-06", QChar(0xD800) + u8("-f") + QChar(0xDC00),
                             u8("12-\xF0\x9F\x98\x80-06")}) {
        EXPECT_EQ(detect_Site(t, t) + detect_Site(t, "CET"), QString());
        for (const char* site : {"de", "com", "fr", "es", "it", "nl", "uk", "au", "ca", "my", "ph", "sg", ""}) {
            EXPECT_LE(normalize_EndDate(t, t, site).size(), t.size() + 8);
            EXPECT_EQ(read(t, site), "no date");
        }
    }
}

// Zone words to GMT; the Spanish and French ones take the season of the
// PC's zone at the moment converted (taken as standard time; the changes
// are 29.03.2026 and 25.10.2026 01:00 UTC). No value, or no usable one (the
// first after 9999 included), stays no value.
TEST(TimeZones, ZoneWordsSeasonsAndRealRules)
{
    const test::FakeTimeZone winter = test::FakeTimeZone::centralEuropeWinter(),
                             summer = test::FakeTimeZone::centralEuropeSummer(),
                             rules = test::FakeTimeZone::centralEurope();
    const core::DateValue v = at(2006, 3, 12, 18, 30);
    const std::pair<const char*, std::optional<int>> rows[] = {
        {"MEZ", -1}, {"MESZ", -2}, {"pdt", 7},   {"BST", -1},  {"SGT", -8},   {"AEDST", -11},
        {"JST", {}}, {"", {}},     {"MEZ ", {}}, {"GMTX", {}}, {"H.ESP", -1}, {"paris", -1},
    };
    for (const auto& [zone, hours] : rows)
        EXPECT_EQ(convert_ToGMT(v, zone, winter), hours ? core::addHours(v, *hours) : core::kZeroDate) << zone;
    for (const double bad : {core::kZeroDate, qQNaN(), qInf(), 1e300, -1e300, 2958466.0})
        EXPECT_EQ(convert_ToGMT(bad, "GMT", winter) + convert_ToLocal(bad, winter), core::kZeroDate) << bad;
    const std::tuple<const char*, const test::FakeTimeZone*, core::DateValue, int> seasons[] = {
        {"H.ESP", &summer, at(2006, 7, 1, 12, 0), -2}, {"H.ESP", &rules, at(2026, 3, 29, 1, 59), -1},
        {"H.ESP", &rules, at(2026, 3, 29, 3, 0), -2},  {"PARIS", &rules, at(2026, 10, 25, 1, 59), -2},
        {"PARIS", &rules, at(2026, 10, 25, 2, 0), -1},
    };
    for (const auto& [zone, tz, value, hours] : seasons)
        EXPECT_EQ(convert_ToGMT(value, zone, *tz), core::addHours(value, hours)) << zone << " " << value;

    // The C library's rules around the changes of 2026, as hours from GMT:
    // an end after the next change is shown in that change's time.
    const platform::TimeZonePosix posix;
    const QByteArray oldTz = qgetenv("TZ");
    const auto setTz = [](const QByteArray& tz) { tz.isEmpty() ? qunsetenv("TZ") : qputenv("TZ", tz), tzset(); };
    const std::tuple<const char*, core::DateValue, int> real[] = {
        {"Europe/Berlin", at(2026, 3, 29, 0, 59, 59), 1},       {"Europe/Berlin", at(2026, 3, 29, 1, 0, 0), 2},
        {"Europe/Berlin", at(2026, 10, 25, 0, 59, 59), 2},      {"Europe/Berlin", at(2026, 10, 25, 1, 0, 0), 1},
        {"America/Los_Angeles", at(2026, 3, 8, 9, 59, 59), -8}, {"America/Los_Angeles", at(2026, 3, 8, 10, 0, 0), -7},
        {"Australia/Sydney", at(2026, 4, 4, 15, 59, 59), 11},   {"Australia/Sydney", at(2026, 4, 4, 16, 0, 0), 10},
    };
    for (const auto& [tz, gmt, hours] : real) {
        setTz(tz);
        EXPECT_EQ(convert_ToLocal(gmt, posix), core::addHours(gmt, hours)) << tz << " " << gmt;
    }
    setTz(oldTz);
}

// "&amp;" is replaced once; every character but A-Z, a-z, 0-9, "." and "_"
// becomes "%" and its code-page value in two digits at least, one the code
// page cannot hold "?", also when its upper case is an ASCII letter. Every
// code-page character survives the trip.
TEST(ItemLink, EncodingAndForwardingAddress)
{
    EXPECT_EQ(hex_Byte(15) + hex_Byte(16) + hex_Byte(0x1F0) + hex_Byte(-1), "0F101F0FFFFFFFF");
    EXPECT_EQ(encode_Url(u8("Abc.def_123 a&amp;b&amp;amp;-/:?=~\täÄß€ıſ\u0100\U0001F600") + QChar(0xDC00)),
              "Abc.def_123%20a%26b%26amp%3B%2D%2F%3A%3F%3D%7E%09%E4%C4%DF%80%3F%3F%3F%3F%3F");
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(char(b));
    const QString encoded = encode_Url(core::fromAnsi(all));
    EXPECT_EQ(QString(encoded).remove(QRegularExpression("[0-9A-Za-z._%]")), "");
    EXPECT_EQ(core::fromAnsi(QByteArray::fromPercentEncoding(encoded.toLatin1())), core::fromAnsi(all));
    // The forwarding service gets the item page back as one query value.
    const QUrl url(itemLink("42", {"http://127.0.0.1:8080", "http://items.test"}));
    EXPECT_EQ(QUrl::fromPercentEncoding(url.query(QUrl::FullyEncoded).mid(5).toLatin1()),
              "http://items.test/ws/eBayISAPI.dll?ViewItem&item=42");
    EXPECT_EQ(itemLink(QString()) + itemLink(QStringLiteral("")), "");
}

// ---------------------------------------------------------------------------
// The clock synchronisation.

const QByteArray kExample = "<html><body>Tuesday, 14 Mar 2006 17:30:00 GMT</body></html>";
enum { Logged = 1, Refused = 2, TimeRefused = 4, DateRefused = 8, Seasons = 16 };

// The date and time stand in the 21 characters that end two before the
// first "GMT" (any case), else the first "BST", within the first 18192;
// a time right before the zone word loses its last digit.
// Outcome: 2 read, 1 unreadable, 0 no time information.
TEST(ClockSync, TimePage)
{
    const std::pair<QString, const char*> rows[] = {
        {kExample, "2 14.03.2006 17:30:00 GMT"},
        {"Monday, 10 Jul 2006 18:05:09 BST", "2 10.07.2006 18:05:09 BST"},
        {"Straße,14 Mar 2006 17:30:00 gmt", "2 14.03.2006 17:30:00 GMT"},
        {" 14 Mar 2006 17:30:00 GMT", "2 14.03.2006 17:30:00 GMT"},
        {"Tuesday, 14 Mar 2006 17:30:05GMT", "2 14.03.2006 17:30:00 GMT"},
        {"BST: Tue, 14 Mar 2006 17:30:00 GMT", "2 14.03.2006 17:30:00 GMT"},
        {"14 Mar 2006 17:30:00 GMT", "1 - GMT"},
        {"Tuesday, 14 Ebm 2006 17:30:00 GMT", "1 - GMT"},
        {"Tuesday, 14 Mar 2006 17:30:00 UTC", "0 - "},
        {QString(18167, u'x') + " 14 Mar 2006 17:30:00 GMT", "2 14.03.2006 17:30:00 GMT"},
    };
    for (const auto& [page, expect] : rows) {
        const TimePageReading r = read_TimePage(page);
        const QString time = r.pageTime == core::kZeroDate ? "-" : core::generalDateText(r.pageTime);
        EXPECT_EQ(QString::number(int(r.outcome)) + ' ' + time + ' ' + r.zoneWord, expect)
            << page.left(60).toStdString();
    }
}

// A clock double that can refuse either setter;
// `set` lists the times and dates set, e.g. "18:30:00 14.03.2006".
struct PickyClock : test::FakeClock {
    int flags = 0;
    QStringList set;
    bool setTimeOfDay(const QTime& t) override
    {
        set << t.toString("hh:mm:ss");
        return FakeClock::setTimeOfDay(t) && !(flags & TimeRefused);
    }
    bool setDate(const QDate& d) override
    {
        set << d.toString("dd.MM.yyyy");
        return FakeClock::setDate(d) && !(flags & DateRefused);
    }
};

// A run's desktop: the PC at 06.12.2026 12:00:00 in central European time
// (winter all year unless Seasons), a program folder for the log, the
// loopback server, and the synchronisation, built here and only here.
struct Desk {
    test::FakePlatform fakes;
    PickyClock clock;
    test::FakeTimeZone zone;
    QTemporaryDir folder;
    test::LoopbackHttpServer server;
    settings::SettingsCopies copies;
    std::unique_ptr<ClockSync> sync;
    Desk(platform::HttpControl& http, int flags = 0, std::int16_t msgonsync = 1, QString timePage = {})
        : zone(flags & Seasons ? test::FakeTimeZone::centralEurope() : test::FakeTimeZone::centralEuropeWinter())
    {
        std::tie(clock.flags, copies.msgonsync) = std::tuple(flags, msgonsync);
        platform::Platform p = fakes.platform(folder.path());
        std::tie(p.clock, p.http, p.timeZone) = std::tuple(&clock, &http, &zone);
        if (flags & Refused)
            timePage = "http://127.0.0.1:" + QString::number(server.refusedPort()) + kTimePagePath;
        sync = std::make_unique<ClockSync>(
            p, copies,
            SyncAddresses{timePage.isEmpty() ? server.url(kTimePagePath) : timePage, server.url(kVersionPath)});
    }
};

// The time set is the page's, in local time, plus the seconds since the
// final answer began; the date only when the page is less than three days
// ahead. A refused setting, or an unexpected page (logged as received), is
// no success. The maker's site is asked after every outcome, which is shown
// unless msgonsync is 0. The control keeps 18192 bytes of a large body and
// stops reading; a silent server meets its time-out.
TEST(ClockSync, OutcomesAgainstARealServer)
{
    // The slow answer comes in three pieces; each later one waits until the
    // control holds the ones before and moves the clock on by 3 s.
    Desk* desk = nullptr;
    platform::HttpControlQt* http = nullptr;
    const QByteArray sunday = "<html><body>Sunday, 06 Dec 2026 11:00:00 GMT</body></html>";
    Response slow;
    for (const int held : {0, 20, 40})
        slow.pieces.push_back({0, sunday.mid(held, 20), [&desk, &http, held] {
                                   EXPECT_TRUE(test::runUntil([&] { return http->keptBytes() >= held; }))
                                       << held << " bytes";
                                   desk->clock.advanceSeconds(held ? 3 : 0);
                               }});
    const std::tuple<Response, QString, const char*, int, std::int16_t> rows[] = {
        // the answer, the status, the times and dates set, flags, msgonsync
        {{.body = kExample}, kStatusUpdated, "18:30:00 14.03.2006", 0, 2},
        {{.body = "<b>Mon, 10 Jul 2006 18:05:09 BST</b>"}, kStatusUpdated, "19:05:09 10.07.2006", Seasons, 1},
        {{.body = "<b>Tue, 08 Dec 2026 11:00:00 GMT</b>"}, kStatusUpdated, "12:00:00 08.12.2026", 0, 1},
        {{.body = "<b>Wed, 09 Dec 2026 11:00:00 GMT</b>"}, kStatusUpdated, "12:00:00", 0, 0},
        {slow, kStatusUpdated, "12:00:06 06.12.2026", 0, 1},
        {{.body = "<title>Zeit f\xfcr \x80 (GMT)</title>" + kExample}, kStatusUnexpected, "", Logged, 0},
        {{.body = kExample}, kStatusUnexpected, "18:30:00", Logged | TimeRefused, 1},
        {{.body = kExample}, kStatusUnexpected, "18:30:00 14.03.2006", Logged | DateRefused, 1},
        {{.status = 500}, kStatusNoTime, "", 0, -1},
        {{.generatedBodySize = 64 << 20}, kStatusNoTime, "", 0, 1},
        {{}, kStatusNoTime, "", Refused, 1},
        {{.kind = Response::Kind::NeverAnswer}, kStatusNoTime, "", 0, 1},
    };
    for (const auto& [response, status, set, flags, msgonsync] : rows) {
        SCOPED_TRACE(response.body.toStdString() + " " + std::to_string(flags));
        const bool hangs = response.kind == Response::Kind::NeverAnswer;
        platform::HttpControlQt control(hangs ? 300 : test::kEventBoundMs);
        Desk run(control, flags, msgonsync);
        std::tie(desk, http) = std::tuple(&run, &control);
        run.server.route(kTimePagePath.toLatin1(), response);
        QElapsedTimer took;
        took.start();
        run.sync->sync_Clock();
        EXPECT_EQ(run.sync->statusText() + '|' + run.clock.set.join(' '), status + '|' + set);
        EXPECT_FALSE(run.sync->busy());
        QFile log(run.folder.filePath("error.txt"));
        EXPECT_EQ(log.open(QIODevice::ReadOnly) ? log.readAll() : "", flags & Logged ? response.body + "\r\n" : "");
        EXPECT_EQ(run.server.requests().back().target, kVersionPath.toLatin1());
        EXPECT_EQ(run.server.requestCount(kVersionPath.toLatin1()) +
                      run.server.requestCount(kTimePagePath.toLatin1()),
                  flags & Refused ? 1 : 2);
        for (const auto& req : run.server.requests())
            EXPECT_EQ(req.headerLine("User-Agent"),
                      req.target == kVersionPath.toLatin1()
                          ? "User-Agent: Tickwerk - " + core::versionText().toLatin1() + " - "
                          : "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
        ASSERT_EQ(run.fakes.messages.shown.size(), msgonsync ? 1u : 0u);
        EXPECT_TRUE(!msgonsync || run.fakes.messages.shown[0].text == status);
        EXPECT_TRUE(!hangs || (took.elapsed() >= 280 && took.elapsed() < test::kEventBoundMs)) << took.elapsed();
        EXPECT_TRUE(!response.generatedBodySize || test::runUntil([&] { return run.server.clientClosedEarly(); }));
    }
}

// The seconds added count from this run's state 7 only; a second call while
// a run waits returns at once.
TEST(ClockSync, ElapsedSecondsAndBusy)
{
    test::FakeHttpControl http;
    Desk run(http, 0, 1, "http://time/");
    http.answers["http://time/"] = QStringLiteral("Sunday, 06 Dec 2026 11:00:00 GMT");
    bool busyInside = false;
    http.duringWait = [&] {
        run.clock.advanceSeconds(5);
        busyInside = run.sync->busy();
        run.sync->sync_Clock();
    };
    run.sync->sync_Clock();
    EXPECT_TRUE(busyInside);
    EXPECT_EQ(http.requests.size(), 2u);
    // A state 7 outside a run is ignored, and a run whose answer reports no
    // state 7 adds nothing rather than counting from an old stamp.
    run.clock.advanceSeconds(3600);
    run.sync->Inet1_StateChanged(platform::HttpControl::ReceivingResponse);
    http.reportsReceiving = false;
    run.sync->sync_Clock();
    EXPECT_EQ(run.clock.set.join(' '), "12:00:05 06.12.2026 12:00:00 06.12.2026");
}

}  // namespace
}  // namespace kiebitz::timing
