#include "capture/auction.h"
#include "core/program_values.h"
#include "support/fake_browsers.h"
#include "support/fake_platform.h"
#include "support/fake_time_zone.h"

#include <gtest/gtest.h>

using namespace kiebitz;

namespace {

constexpr std::uint32_t kTask = core::WS_VISIBLE | core::WS_BORDER;
constexpr platform::WindowId kMain = 1;
constexpr platform::WindowId kBrowser = 42;

const QString kItemPage =
    QStringLiteral("eBay Artikel 1234567890 (Endet 12.03.07 18:30:00 MEZ) - Canon EOS 350D Body - Mozilla Firefox");
const QString kAuctionPage =
    QStringLiteral("eBay: Canon EOS 350D Body (Artikel 1234567890 endet 12.03.07 18:30:00 MEZ)");
const QString kShown = QStringLiteral("auction:12.03.2007 18:30:00");

struct Acquisition : ::testing::Test {
    test::FakePlatform fake;
    test::FakeShellWindows shell;
    test::FakeDdeClient dde;
    test::FakeTimeZone zone = test::FakeTimeZone::centralEuropeWinter();
    test::RecordingDisplay display;
    capture::AuctionRecord record;

    void window(const QString& title, platform::WindowId id = 0)
    {
        fake.windows.entries.push_back(
            {id ? id : platform::WindowId(100 + fake.windows.entries.size()), kTask, title});
    }
    void take()
    {
        capture::CaptureContext c;
        c.platform = fake.platform();
        c.platform.shellWindows = &shell;
        c.platform.dde = &dde;
        c.platform.timeZone = &zone;
        c.mainWindow = kMain;
        c.windowStyleMask = kTask;
        display.states.clear();
        capture::take_Auction(c, record, display);
    }
    QStringList reports() const
    {
        QStringList r;
        for (const auto& m : fake.messages.shown)
            r << m.title + u'|' + m.text;
        return r;
    }
};

}  // namespace

TEST_F(Acquisition, DirectTitleIsCutAndShownInLocalTime)
{
    window(QStringLiteral("Editor Kiebitz"));  // another instance watching
    window(kItemPage);
    take();
    EXPECT_EQ(display.states, QStringList({"none", kShown}));
    EXPECT_EQ(record.ItemNumber, "1234567890");
    // The browser's name is no part of the item title.
    EXPECT_EQ(record.AuctionTitle, "Canon EOS 350D Body");
    EXPECT_EQ(core::generalDateText(record.AuctionEnd), "12.03.2007 18:30:00");
    EXPECT_EQ(record.InstanceCount, 1);
    EXPECT_EQ(shell.calls, 0);
    EXPECT_TRUE(dde.asked.isEmpty());
}

// A short item title ends at the title's end, with or without a browser's
// name after it; a long one keeps its 38 characters.
TEST_F(Acquisition, ItemTitleEndsBeforeTheBrowsersName)
{
    const QString head = QStringLiteral("eBay Artikel 1234567890 (Endet 12.03.07 18:30:00 MEZ) - ");
    const struct {
        QString tail;
        QString itemTitle;
    } rows[] = {
        {"Leica M6 - Firefox", "Leica M6"},
        {"Leica M6 \u2014 Mozilla Firefox", "Leica M6"},
        {"Leica M6 \u2013 Chromium", "Leica M6"},
        {"Leica M6", "Leica M6"},
        {"Leica M6 - Texteditor", "Leica M6 - Texteditor"},
        {"Objektiv 50 mm, sehr guter Zustand, mit Deckel - Google Chrome", "Objektiv 50 mm, sehr guter Zustand, m"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.tail.toStdString());
        fake.windows.entries.clear();
        window(head + row.tail);
        take();
        EXPECT_EQ(record.AuctionTitle, row.itemTitle);
    }
}

TEST_F(Acquisition, EndTimeMovesToThePcZone)
{
    zone = test::FakeTimeZone::fixed(-8 * 60);  // a PC on the US west coast
    window(kItemPage);
    take();
    EXPECT_EQ(display.states.last(), "auction:12.03.2007 09:30:00");
}

TEST_F(Acquisition, DirectTitlesThatAreNotCutOrNotRead)
{
    struct Row {
        const char* name;
        QString title;
    } rows[] = {
        {"zone word not known", QString(kItemPage).replace("MEZ", "XYZ")},
        {"no \" (\" before the number", QStringLiteral("eBay 1234567890 Angebote")},
        {"\")\" too close to the start", QStringLiteral("eBay x (1234567890) - Canon EOS 350D Body")},
        {"two words in the end clause",
         QStringLiteral("eBay Artikel 1234567890 (Endet xxxxxxxxxxxxxxxxxxxx MEZ) - Y")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fake.windows.entries.clear();
        window(row.title);
        window(QStringLiteral("Editor"));
        dde.replies["Firefox"] = "\"u\",\"" + kAuctionPage + "\"";
        take();
        // The no-item state stays, silently, and the fallback is not tried.
        EXPECT_EQ(display.states, QStringList({"none"}));
        EXPECT_EQ(record.AuctionEnd, core::kZeroDate);
        EXPECT_TRUE(dde.asked.isEmpty());
        EXPECT_EQ(shell.calls, 0);
        EXPECT_TRUE(reports().isEmpty());
    }
}

TEST_F(Acquisition, ColonFormGoesThroughTheBrowserList)
{
    window(QStringLiteral("Editor"));
    window(kAuctionPage + " - Mozilla Firefox", kBrowser);
    shell.entries = {{"http://cgi.ebay.de/ws", kBrowser, kAuctionPage, true}};
    take();
    EXPECT_EQ(display.states, QStringList({"none", kShown}));
    EXPECT_EQ(record.AuctionTitle, "Canon EOS 350D Body");
    EXPECT_EQ(record.ItemNumber, "1234567890");
    EXPECT_TRUE(dde.asked.isEmpty());
}

TEST_F(Acquisition, BrowsersAskedInOrderUntilOneAnswers)
{
    window(QStringLiteral("Editor"));
    dde.replies["Netscape"] = "\"http://cgi.ebay.de/x\",\"" + kAuctionPage + "\",\"Netscape\"";
    dde.replies["Opera"] = "\"u\",\"never asked\"";
    take();
    EXPECT_EQ(dde.asked, QStringList({"Firefox", "Netscape"}));
    EXPECT_EQ(display.states, QStringList({"none", kShown}));
}

TEST_F(Acquisition, NothingFoundLeavesTheLastAuctionsNames)
{
    window(kItemPage);
    take();
    ASSERT_NE(record.AuctionEnd, core::kZeroDate);
    fake.windows.entries.clear();
    window(QStringLiteral("eBay Startseite"));  // lowest window begins with eBay: the fallback ends at once
    take();
    EXPECT_EQ(display.states, QStringList({"none", "none"}));
    EXPECT_EQ(record.AuctionEnd, core::kZeroDate);
    EXPECT_EQ(record.ItemNumber, "1234567890");
    EXPECT_EQ(shell.calls, 1) << "only the page list, which holds nothing";
    EXPECT_TRUE(dde.asked.isEmpty());
}

// When neither the windows nor the browsers' current pages hold an auction,
// the first item page of the page list is taken: shown pages before
// background tabs, each in list order; the colon form is not cut this way.
TEST_F(Acquisition, ItemPageFromThePageList)
{
    const QString other = QStringLiteral("eBay Artikel 9876543210 (Endet 12.03.07 20:00:00 MEZ) - Leica M6");
    struct Row {
        const char* name;
        std::vector<platform::ShellBrowserEntry> entries;
        QString itemNumber;  // empty: nothing taken
    };
    const Row rows[] = {
        {"background tab", {{"", 7, "Seite", true, true}, {"", 7, kItemPage, true, false}}, "1234567890"},
        {"shown page first", {{"", 7, kItemPage, true, false}, {"http://x", 8, other, true, true}}, "9876543210"},
        {"colon form", {{"", 7, kAuctionPage, true, false}}, ""},
        {"nothing", {{"", 7, "Seite", true, false}}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        record = {};
        fake.windows.entries.clear();
        window(QStringLiteral("Editor"));
        shell.entries = row.entries;
        fake.windows.reads = 0;
        take();
        EXPECT_EQ(fake.windows.reads, 1) << "one read of the windows for every step";
        EXPECT_EQ(record.ItemNumber, row.itemNumber);
        EXPECT_EQ(display.states.last().startsWith("auction:"), !row.itemNumber.isEmpty());
    }
}

TEST_F(Acquisition, FallbackPageTitles)
{
    const QString report5 = QStringLiteral("Fehler|Fehlernummer:  5\r\nBeschreibung: Ungültiger Prozeduraufruf oder "
                                           "ungültiges Argument\r\nProgrammteil: find_Auction\r\nZeile: ");
    const QString report9 = QStringLiteral("Fehler|Fehlernummer:  9\r\nBeschreibung: Index außerhalb des gültigen "
                                           "Bereichs\r\nProgrammteil: find_Auction\r\nZeile: 60");
    struct Row {
        const char* name;
        QString page;
        QString shown;  // empty: no auction
        QString report;
        QString title;   // AuctionTitle afterwards
        QString number;  // ItemNumber afterwards
    } rows[] = {
        {"parentheses in the item title", "eBay: Canon (EOS) 350D (Artikel 1234567890 endet 12.03.07 18:30:00 MEZ)",
         kShown, "", "Canon (EOS) 350D", "1234567890"},
        {"number of another length", "eBay: Canon (Artikel 12345 endet 12.03.07 18:30:00 MEZ)", kShown, "", "Canon",
         "12345"},
        {"not an item page", "Startseite", "", report5 + "130", "old", "0000000000"},
        {"\": \" right before \" (\"", "eBay: (Artikel 1234567890 endet 12.03.07 18:30:00 MEZ)", "", report5 + "130",
         "old", "0000000000"},
        {"no blank after the number", "eBay: Canon (Artikel 1234567890", "", report5 + "130", "Canon", "0000000000"},
        {"no closing parenthesis", "eBay: Canon (Artikel 1234567890 endet 12.03.07 18:30:00 MEZ", "", report5 + "60",
         "Canon", "1234567890"},
        {"one word in the end clause", "eBay: Canon (Artikel 1234567890 " + QString(30, u'x') + ")", "", report9,
         "Canon", "1234567890"},
        {"end time not readable", "eBay: Canon (Artikel 1234567890 endet 12.03.07 18:30:00 XYZ)", "", "", "Canon",
         "1234567890"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fake.messages.shown.clear();
        fake.windows.entries.clear();
        window(QStringLiteral("Editor"));
        record.AuctionTitle = "old";
        record.ItemNumber = "0000000000";
        dde.replies["Firefox"] = "\"u\",\"" + row.page + "\"";
        take();
        EXPECT_EQ(display.states,
                  row.shown.isEmpty() ? QStringList({"none", "none"}) : QStringList({"none", row.shown}));
        EXPECT_EQ(reports(), row.report.isEmpty() ? QStringList() : QStringList({row.report}));
        EXPECT_EQ(record.AuctionTitle, row.title);
        EXPECT_EQ(record.ItemNumber, row.number);
        EXPECT_EQ(record.AuctionEnd != core::kZeroDate, !row.shown.isEmpty());
    }
}
