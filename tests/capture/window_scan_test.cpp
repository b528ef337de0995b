#include "capture/window_scan.h"
#include "core/program_values.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

using namespace kiebitz;
using capture::FallbackScan;

namespace {

constexpr std::uint32_t kMask = core::WS_VISIBLE | core::WS_BORDER;
constexpr std::uint32_t kTask = kMask;
constexpr platform::WindowId kMain = 1;

const QString kItemPage =
    QStringLiteral("eBay Artikel 1234567890 (Endet 12.03.07 18:30:00 MEZ) - Canon EOS 350D Body - Mozilla Firefox");
const QString kAuctionPage =
    QStringLiteral("eBay: Canon EOS 350D Body (Artikel 1234567890 endet 12.03.07 18:30:00 MEZ) - Mozilla Firefox");

struct Desk {
    test::FakeWindowList list;
    platform::WindowId next = 10;
    // Adds a window below the ones before it.
    Desk& add(const QString& title, std::uint32_t style = kTask, platform::WindowId id = 0)
    {
        list.entries.push_back({id ? id : next++, style, title});
        return *this;
    }
    std::optional<QString> scan(std::int16_t& count)
    {
        return capture::scan_ItemWindow(list.entries, kMain, kMask, count);
    }
    FallbackScan fallback() { return capture::scanAuctionWindow(list.entries, kMain, kMask); }
};

}  // namespace

TEST(WindowScan, TitlePatterns)
{
    struct Row {
        QString title;
        bool item;     // direct scan finds it
        bool auction;  // fallback scan matches it
    } rows[] = {
        {kItemPage, true, false},
        {QString(kItemPage).replace("eBay", "ebay"), false, false},
        {QStringLiteral("eBay Artikel 123456789 (Endet 12.03.07 18:30:00 MEZ) - x"), false, false},
        {kAuctionPage, true, true},
        {QStringLiteral("eBay: Canon [Artikel 1234567890 endet 12.03.07 18:30:00 MEZ]"), true, false},
        {QStringLiteral("eBay: Canon (Artikel1234567890 endet 12.03.07 18:30:00 MEZ)"), true, false},
        {QStringLiteral("1234567890 eBay"), false, false},
        {QStringLiteral("eBay"), false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.title.toStdString());
        Desk d;
        d.add(row.title);
        std::int16_t count = -1;
        const auto found = d.scan(count);
        EXPECT_EQ(found.has_value(), row.item);
        if (found) {
            EXPECT_EQ(*found, row.title + QChar(u'\0')) << "the title text keeps one NUL";
        }
        const FallbackScan f = d.fallback();
        EXPECT_EQ(f.matchedWindow != 0, row.auction);
    }
}

TEST(WindowScan, WalkOrderInstancesAndWindowsPassedOver)
{
    const QString watching = QStringLiteral("Canon EOS Kiebitz");
    struct Row {
        const char* name;
        std::vector<std::pair<QString, std::uint32_t>> windows;  // topmost first
        std::optional<int> foundIndex;
        int instances;
    } rows[] = {
        {"instance above the item page", {{watching, kTask}, {kItemPage, kTask}}, 1, 1},
        {"instance below is not reached", {{kItemPage, kTask}, {watching, kTask}}, 0, 0},
        {"upper of two item pages wins", {{kItemPage + "A", kTask}, {kItemPage + "B", kTask}}, 0, 0},
        {"hidden and unframed windows are passed over",
         {{kItemPage, core::WS_BORDER},
          {kItemPage, core::WS_VISIBLE},
          {watching, core::WS_VISIBLE},
          {kItemPage + "C", kTask}},
         3,
         0},
        {"instances counted without an item page",
         {{watching, kTask}, {QStringLiteral("x Kiebitz"), kTask}},
         std::nullopt,
         2},
        {"\"Kiebitz\" must end the title", {{QStringLiteral("Kiebitz 1.6.30"), kTask}}, std::nullopt, 0},
        {"empty titles are passed over", {{QString(), kTask}, {kItemPage, kTask}}, 1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Desk d;
        for (const auto& [title, style] : row.windows)
            d.add(title, style);
        std::int16_t count = 99;
        const auto found = d.scan(count);
        EXPECT_EQ(count, row.instances);
        ASSERT_EQ(found.has_value(), row.foundIndex.has_value());
        if (found) {
            EXPECT_EQ(*found, row.windows[std::size_t(*row.foundIndex)].first + QChar(u'\0'));
        }
    }
}

TEST(WindowScan, OwnWindowIsNeverExamined)
{
    Desk d;
    d.add(kItemPage + " Kiebitz", kTask, kMain).add(QStringLiteral("Editor"));
    std::int16_t count = 5;
    EXPECT_FALSE(d.scan(count).has_value());
    EXPECT_EQ(count, 0);
    EXPECT_EQ(d.fallback().verdict, QStringLiteral("skip"));
}

TEST(WindowScan, FallbackVerdict)
{
    struct Row {
        const char* name;
        QStringList titles;  // topmost first, all application windows
        QString verdict;
        int matched;  // index, -1: none
    } rows[] = {
        {"no windows", {}, QString(), -1},
        {"match", {QStringLiteral("Editor"), kAuctionPage}, kAuctionPage + QChar(u'\0'), 1},
        {"lowest begins with eBay", {QStringLiteral("Editor"), QStringLiteral("eBay Startseite")}, QString(), -1},
        {"lowest begins otherwise", {QStringLiteral("eBay Startseite"), QStringLiteral("Editor")}, "skip", -1},
        {"empty title", {QString()}, "skip", -1},
        {"upper of two matches", {kAuctionPage + "1", kAuctionPage + "2"}, kAuctionPage + "1" + QChar(u'\0'), 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Desk d;
        for (const QString& t : row.titles)
            d.add(t);
        const FallbackScan f = d.fallback();
        EXPECT_EQ(f.verdict, row.verdict);
        EXPECT_EQ(f.matchedWindow, row.matched < 0 ? 0 : d.list.entries[std::size_t(row.matched)].id);
    }
    // The cut title drops the NUL and the last 30 visible characters; a
    // shorter matching title has an empty cut.
    Desk d;
    d.add(kAuctionPage);
    EXPECT_EQ(d.fallback().cutWindowTitle, kAuctionPage.left(kAuctionPage.size() - 30));
    Desk shortTitle;
    shortTitle.add(QStringLiteral("eBay (x 1234567890"));
    EXPECT_EQ(shortTitle.fallback().cutWindowTitle, QString());
}

// Many instances never overflow the 16-bit count.
TEST(WindowScan, InstanceCountSaturates)
{
    Desk d;
    for (int i = 0; i < 33000; ++i)
        d.add(QStringLiteral("x Kiebitz"));
    std::int16_t count = 0;
    d.scan(count);
    EXPECT_EQ(count, 32767);
}
