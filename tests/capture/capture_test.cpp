// Taking an auction over: the two window walks, the browsers' replies, and
// whole acquisitions (the direct scan and its cut, else the fallback through
// the browser list, the browsers over DDE and the page list).

#include "capture/auction.h"
#include "capture/browser_query.h"
#include "capture/window_scan.h"
#include "core/program_values.h"
#include "support/fake_browsers.h"
#include "support/fake_platform.h"
#include "support/fake_time_zone.h"

#include <gtest/gtest.h>

using namespace kiebitz;
using Windows = std::vector<platform::WindowEntry>;

namespace {

constexpr std::uint32_t kTask = core::WS_VISIBLE | core::WS_BORDER;
const QString kNul(QChar(0));
const QString kItem = "eBay Artikel 1234567890 (Endet 12.03.07 18:30:00 MEZ) - Canon EOS 350D Body";
const QString kAuction = "eBay: Canon EOS 350D Body (Artikel 1234567890 endet 12.03.07 18:30:00 MEZ)";
// 18:30 central European time, on a PC on the US west coast.
const QString kShown = "auction:12.03.2007 09:30:00";

// Application windows with these titles, topmost first, ids 100, 101, ...
Windows desk(const QStringList& titles)
{
    Windows w;
    for (const QString& t : titles)
        w.push_back({platform::WindowId(100 + w.size()), kTask, t});
    return w;
}

// The direct scan passes over the main window (1), other programs' hidden
// or unframed windows and empty titles, counts the titles ending with
// "Kiebitz" down to the first item page, and returns that page's title text.
// The fallback walk stops at the first title of the stricter pattern; a
// window passed over makes the verdict "" when its title begins with
// "eBay" (the fallback ends), else "skip". Its cut drops the NUL and the
// last 30 visible characters; a shorter title has none.
TEST(WindowScan, DirectAndFallbackWalks)
{
    const QString watching = "Canon EOS Kiebitz";
    Windows passedOver = desk({kItem, watching, "", kItem, kItem + "C"});
    std::tie(passedOver[0].style, passedOver[1].style, passedOver[3].id) =
        std::tuple(core::WS_BORDER, core::WS_VISIBLE, 1);
    const std::tuple<Windows, std::optional<QString>, int> rows[] = {
        {desk({watching, kItem, watching}), kItem + kNul, 1},
        {passedOver, kItem + "C" + kNul, 0},
        {desk({watching, "x Kiebitz", "Kiebitz 1.6.30", "kiebitz", "1234567890 eBay"}), {}, 2},
        {desk(QStringList(33000, "x Kiebitz")), {}, 32767},  // never overflows
    };
    for (const auto& [windows, found, instances] : rows) {
        std::int16_t count = 99;
        EXPECT_EQ(capture::scan_ItemWindow(windows, 1, kTask, count), found);
        EXPECT_EQ(count, instances);
    }

    const std::pair<Windows, QString> fallback[] = {
        {{}, "|0|"},
        {desk({"Editor", kAuction}), kAuction + kNul + "|101|" + kAuction.chopped(30)},
        {desk({"eBay Startseite", "Editor", ""}), "skip|0|"},
        {desk({"eBay (x 1234567890"}), "eBay (x 1234567890" + kNul + "|100|"},
    };
    for (const auto& [windows, expect] : fallback) {
        const capture::FallbackScan f = capture::scanAuctionWindow(windows, 1, kTask);
        EXPECT_EQ(f.verdict + '|' + QString::number(f.matchedWindow) + '|' + f.cutWindowTitle, expect);
    }
}

// A reply is quoted fields separated by commas; field 2 is the page title,
// a comma or doubled quote inside quotes and text outside them dropped,
// each character through the code page. A reply longer than 32767 fails,
// as does a browser that does not run.
TEST(BrowserQuery, DdeReplies)
{
    QStringList titles;
    for (const char* reply : {R"x("u","eBay: Canon (1)","w")x", R"x("u","a, b","w")x", R"x("u","say ""hi""","w")x",
                              "\"u\" ,\r\n \"title\" , \"w\"", R"x("one field")x", R"x("u","t","w","x","y")x",
                              "u,t,w", "\"u\",\"Stra\u00dfe \u20ac \u0416\""})
        titles << capture::ddeReplyPageTitle(QString::fromUtf8(reply));
    EXPECT_EQ(titles, QStringList({"eBay: Canon (1)", "a b", "say hi", "title", "", "t", "", "Straße € ?"}));
    test::FakeDdeClient dde;
    dde.replies["Firefox"] = QString(capture::kMaxDdeReply - 11, u'x') + R"x(,"Page","w")x";
    dde.replies["Opera"] = QString(capture::kMaxDdeReply + 1, u'"');
    EXPECT_EQ(capture::ask_Browser(dde, "Firefox") + '|' + capture::ask_Browser(dde, "Opera") +
                  capture::ask_Browser(dde, "Chromium"),
              "Page|");
}

struct Acquisition : ::testing::Test {
    test::FakePlatform fake;
    test::FakeShellWindows shell;
    test::FakeDdeClient dde;
    test::FakeTimeZone zone = test::FakeTimeZone::fixed(-8 * 60);
    test::RecordingDisplay display;
    capture::AuctionRecord record;
    // One click with these application windows on the desktop; what it
    // left: the states shown, the names and the last report.
    QString take(const QStringList& titles)
    {
        fake.windows.entries = desk(titles);
        capture::CaptureContext c{fake.platform(), 1, kTask};
        std::tie(c.platform.shellWindows, c.platform.dde, c.platform.timeZone) = std::tuple(&shell, &dde, &zone);
        display.states.clear(), fake.messages.shown.clear(), dde.asked.clear();
        shell.calls = fake.windows.reads = 0;
        capture::take_Auction(c, record, display);
        EXPECT_EQ(fake.windows.reads, 1) << "one read of the windows for every step";
        EXPECT_EQ(record.AuctionEnd == core::kZeroDate, display.states.last() == "none");
        return display.states.join(',') + '|' + record.AuctionTitle + '|' + record.ItemNumber + '|' +
               (fake.messages.shown.empty() ? "" : fake.messages.shown.back().text);
    }
};

// The item title ends before a browser's name, at the title's end or after
// 38 characters, and the end time is shown in the PC's zone. The end phrase
// tells the site of "CET". A title that does not cut or read leaves the
// no-item state, silently, and the fallback is not tried.
TEST_F(Acquisition, DirectTitles)
{
    const QString head = "eBay Artikel 1234567890 (Endet 12.03.07 18:30:00 MEZ) - ";
    const std::pair<QString, QString> rows[] = {
        {kItem + " - Mozilla Firefox", "Canon EOS 350D Body"},
        {head + "Leica M6", "Leica M6"},
        {head + "Objektiv 50 mm, sehr guter Zustand, mit Deckel - Google Chrome",
         "Objektiv 50 mm, sehr guter Zustand, m"},
        {"eBay Artikel 1234567890 (Endet 12.03.07 18:30:00 CET) - Leica M6", "Leica M6"},
        {"eBay x (1234567890) - Canon EOS 350D Body", ""},
        {"eBay Artikel 1234567890 (Endet 12.03.07  18:30:00 MEZ) - Y", ""},
        {"eBay Artikel 1234567890 (" + QString(26, u'x') + " MEZ) - Y", ""},
    };
    for (const auto& [title, itemTitle] : rows) {
        record = {};
        dde.replies["Firefox"] = "\"u\",\"" + kAuction + "\"";
        // Another instance watches above.
        EXPECT_EQ(take({"Editor Kiebitz", title, "Editor"}),
                  itemTitle.isEmpty() ? "none|||" : "none," + kShown + '|' + itemTitle + "|1234567890|")
            << title.toStdString();
        EXPECT_EQ(std::tuple(record.InstanceCount, dde.asked.size(), shell.calls), std::tuple(1, 0, 0));
    }
}

// The fallback takes the browser list's page of the matched window, its
// only one or the first holding the cut title; else (an entry that does
// not answer ends that step) the browsers in order until one answers. It
// ends at once when the lowest window begins with eBay, leaving the last
// auction's names; then the first item page of the page list is taken,
// shown pages before background tabs, but not the colon form.
TEST_F(Acquisition, FallbackStepsAndThePageList)
{
    dde.replies["Netscape"] = "\"http://cgi.ebay.de/x\",\"" + kAuction + "\",\"Netscape\"";
    dde.replies["Opera"] = "\"u\",\"never asked\"";
    const QString page = "none," + kShown + "|Canon EOS 350D Body|1234567890|";
    const QString other = "eBay Artikel 9876543210 (Endet 12.03.07 20:00:00 MEZ) - Leica M6";
    const QStringList matched = {"Editor", kAuction + " - Mozilla Firefox"}, ends = {"Editor", "eBay Startseite"};
    using E = platform::ShellBrowserEntry;
    const std::tuple<std::vector<E>, QStringList, QString, int> rows[] = {
        // the browser list, the windows, the outcome, the browsers asked
        {{{"http://a", 101, "News"}, {"https://b", 101, kAuction}, {"file:///c", 101, "eBay: x"}}, matched, page, 0},
        {{{"http://a", 101, kAuction}, {"", 0, "", false}}, matched, page, 2},
        {{{"", 7, "Seite", true, true}, {"", 7, kItem, true, false}}, ends, page, 0},
        {{{"", 7, kItem, true, false}, {"", 8, other, true, true}},
         ends,
         "none,auction:12.03.2007 11:00:00|Leica M6|9876543210|",
         0},
        {{{"", 7, kAuction, true, false}}, ends, "none,none|Leica M6|9876543210|", 0},
    };
    for (const auto& [entries, windows, outcome, asked] : rows) {
        shell.entries = entries;
        EXPECT_EQ(take(windows), outcome);
        EXPECT_EQ(dde.asked, QStringList({"Firefox", "Netscape"}).mid(0, asked));
    }
}

// The fallback's cut of the page title; a failed cut is reported with how
// far it got (130 for title and number, 60 from the end clause on) and
// keeps what was cut before it. The end phrase follows the first "(" after
// the colon.
TEST_F(Acquisition, FallbackPageTitles)
{
    const QString error5 = "Fehlernummer:  5\r\nBeschreibung: Ungültiger Prozeduraufruf oder ungültiges "
                           "Argument\r\nProgrammteil: find_Auction\r\nZeile: ";
    const QString error9 = "Fehlernummer:  9\r\nBeschreibung: Index außerhalb des gültigen Bereichs\r\nProgrammteil: "
                           "find_Auction\r\nZeile: 60";
    const std::pair<QString, QString> rows[] = {
        {"eBay: Canon (EOS) 350D (Artikel 1234567890 endet 12.03.07 18:30:00 MEZ)",
         kShown + "|Canon (EOS) 350D|1234567890|"},
        {"eBay: Canon (Artikel 12345 endet 12.03.07 18:30:00 MEZ)", kShown + "|Canon|12345|"},
        {"eBay (NL): Canon (loopt 1234567890 12-mrt-07 18:30:00 CET)", kShown + "|Canon|1234567890|"},
        {"Startseite", "none|old|0000000000|" + error5 + "130"},
        {"eBay: Canon (Artikel 1234567890", "none|Canon|0000000000|" + error5 + "130"},
        {"eBay: Canon (Artikel 1234567890 endet 12.03.07 18:30:00 MEZ", "none|Canon|1234567890|" + error5 + "60"},
        {"eBay: Canon (Artikel 1234567890 " + QString(26, u'x') + " MEZ)", "none|Canon|1234567890|" + error9},
    };
    for (const auto& [page, outcome] : rows) {
        std::tie(record.AuctionTitle, record.ItemNumber) = std::tuple("old", "0000000000");
        dde.replies["Firefox"] = "\"u\",\"" + page + "\"";
        EXPECT_EQ(take({"Editor"}), "none," + outcome) << page.toStdString();
    }
}

}  // namespace
