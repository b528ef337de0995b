// The reader of the browsers' pages on the accessibility bus, against a
// stand-in registry and browsers on a private bus.

#include "platform/linux/atspi_pages.h"
#include "support/fake_atspi_desktop.h"
#include "support/fake_platform.h"
#include "support/private_bus.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

namespace kiebitz::platform {
namespace {

using namespace test::atspi;

std::atomic<int> g_warnings{0};

// Each test also checks that nothing was printed as a warning.
class AtspiPages : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (bus.address.isEmpty() || FakeDesktop::bridge().isEmpty())
            GTEST_SKIP() << "no dbus-daemon or systemd-stdio-bridge";
        g_warnings = 0;
        m_installed = true;
        m_previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
            g_warnings += type != QtDebugMsg && type != QtInfoMsg;
        });
    }
    void TearDown() override
    {
        if (m_installed)
            qInstallMessageHandler(m_previous);
        EXPECT_EQ(g_warnings.load(), 0);
    }
    test::PrivateBus bus;
    QtMessageHandler m_previous = nullptr;
    bool m_installed = false;
};

const QString kItem = QStringLiteral("eBay Artikel 1234567890 (Endet 12.03.27 18:30:00 MEZ) - Canon EOS 350D Body");
const QString kLong(65'000, u'x');

// Web documents and page tabs; a panel must not match the query.
App firefox()
{
    return {{kApplication,
             "Firefox",
             false,
             {},
             {{kFrame,
               "Seite 1 — Mozilla Firefox",
               false,
               {},
               {{kTab, "Seite 1", true},
                {kTab, kItem},
                {kPanel, "Leiste", true},
                {kDoc, "Seite 1", true, "http://127.0.0.1:1/1"},
                {kDoc, kItem, false, "http://127.0.0.1:1/2"}}},
              {kFrame,
               "Sag \"Hallo\" — Mozilla Firefox",
               true,
               {},
               {{kTab, "Sag \"Hallo\"", true}, {kDoc, "Sag \"Hallo\"", true, "http://127.0.0.1:1/3"}}}}},
            "DocURL"};
}
App chromium()
{
    return {{kApplication,
             "Chromium",
             false,
             {},
             {{kFrame,
               "Leer - Chromium",
               false,
               {},
               {{kTab, "", true}, {kTab, kLong}, {kDoc, "", true, "about:blank"}}}}},
            "URI"};
}

std::vector<std::string> sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
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
    return sorted(out);
}

const std::vector<std::string> kFirefoxPages =
    sorted({"Firefox|Seite 1 — Mozilla Firefox|0||Seite 1|1",
            "Firefox|Seite 1 — Mozilla Firefox|0||" + kItem.toStdString() + "|0",
            "Firefox|Seite 1 — Mozilla Firefox|0|http://127.0.0.1:1/1|Seite 1|1",
            "Firefox|Seite 1 — Mozilla Firefox|0|http://127.0.0.1:1/2|" + kItem.toStdString() + "|0",
            "Firefox|Sag \"Hallo\" — Mozilla Firefox|1||Sag \"Hallo\"|1",
            "Firefox|Sag \"Hallo\" — Mozilla Firefox|1|http://127.0.0.1:1/3|Sag \"Hallo\"|1"});

TEST_F(AtspiPages, EveryDocumentAndTabOfEveryBrowserReadOncePerClick)
{
    App own = chromium();  // of this process, so left out
    own.own = true;
    FakeDesktop desktop(bus.address, {firefox(), chromium(), own});
    std::vector<std::string> expected = kFirefoxPages;
    expected.insert(expected.end(),
                    {"Chromium|Leer - Chromium|0|||1", "Chromium|Leer - Chromium|0||" + kLong.toStdString() + "|0",
                     "Chromium|Leer - Chromium|0|about:blank||1"});
    expected = sorted(expected);
    AtspiBus reused(bus.address, 5000, 60'000);
    EXPECT_EQ(lines(reused.pages()), expected);
    EXPECT_EQ(lines(reused.pages()), expected);
    EXPECT_EQ(desktop.registryReads.load(), 1) << "a second read within reuseMs gives the first one's pages";
    AtspiBus fresh(bus.address, 5000, 0);
    fresh.pages();
    EXPECT_EQ(lines(fresh.pages()), expected);
    EXPECT_EQ(desktop.registryReads.load(), 3);
}

TEST_F(AtspiPages, CurrentPageOfTheActiveWindowOfTheNamedBrowser)
{
    FakeDesktop desktop(bus.address, {firefox(), chromium()});
    AtspiBus atspi(bus.address, 5000, 0);
    AtspiDdeClient dde(atspi);
    const std::pair<QString, std::optional<QString>> rows[] = {
        {"firefox", R"("http://127.0.0.1:1/3","Sag ""Hallo""","Sag ""Hallo"" — Mozilla Firefox")"},
        {"CHROMIUM", R"("about:blank","","Leer - Chromium")"},
        {"Opera", std::nullopt}};
    for (const auto& [browser, reply] : rows)
        EXPECT_EQ(dde.request(browser, "WWW_GetWindowInfo", "-1"), reply) << browser.toStdString();
}

TEST_F(AtspiPages, BrowserListByWindowTitleElseTheTitlesThemselves)
{
    test::FakeWindowList windows;
    windows.entries = {{11, 0, "Leer - Chromium"}, {12, 0, "Sag \"Hallo\" — Mozilla Firefox"}, {13, 0, "Terminal"}};
    const auto entries = [&](std::vector<App> apps) {
        FakeDesktop desktop(bus.address, std::move(apps));
        AtspiBus atspi(bus.address, 5000, 0);
        std::vector<std::string> out;
        for (const ShellBrowserEntry& e :
             AtspiShellWindows(atspi).browserWindows(windows.entries).value_or(std::vector<ShellBrowserEntry>{}))
            out.push_back(QStringLiteral("%1|%2|%3|%4")
                              .arg(e.locationUrl, QString::number(e.window), e.documentTitle.left(9))
                              .arg(e.selected)
                              .toStdString());
        return sorted(out);
    };
    EXPECT_EQ(entries({firefox(), chromium()}),
              sorted({"|0|Seite 1|1", "|0|eBay Arti|0", "http://127.0.0.1:1/1|0|Seite 1|1",
                      "http://127.0.0.1:1/2|0|eBay Arti|0", "|12|Sag \"Hall|1",
                      "http://127.0.0.1:1/3|12|Sag \"Hall|1", "|11||1", "|11|xxxxxxxxx|0", "about:blank|11||1"}));
    EXPECT_EQ(entries({}), sorted({"http:|11|Leer|1", "http:|12|Sag \"Hall|1"}));
}

// A browser that hangs, dies or answers nonsense costs at most the budget,
// and the pages of a busy (40 ms an answer) Firefox are still read.
TEST_F(AtspiPages, MisbehavingApplicationLeavesTheOthersPages)
{
    struct Row {
        const char* name;
        Fault fault;
        QStringList wrong;
        int budgetMs, boundMs;
        std::vector<std::string> brokenPages;
    };
    const Row rows[] = {
        {"never answers", Fault::Silent, {}, 300, 1500, {}},
        {"answers nothing below its root", Fault::SilentFrames, {}, 300, 1500, {}},
        {"connection closes mid-walk", Fault::Closes, {}, 5000, 2500, {}},
        {"children as a string", Fault::None, {"GetChildren"}, 5000, 2500, {}},
        {"matches as au", Fault::None, {"GetMatches"}, 5000, 2500, {}},
        {"names as int, states as a{ss}, attributes as as",
         Fault::None,
         {"Get", "GetState", "GetAttributes"},
         5000,
         2500,
         {"||0|||0", "||0|||0"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        App broken{{kApplication,
                    "Kaputt",
                    false,
                    {},
                    {{kFrame, "Kaputt", true, {}, {{kTab, "Tab", true}, {kDoc, "Dok", true, "http://x/"}}}}},
                   "DocURL",
                   row.fault,
                   row.wrong};
        App busy = firefox();
        busy.delayMs = 40;
        FakeDesktop desktop(bus.address, {broken, busy});
        AtspiBus atspi(bus.address, row.budgetMs, 0);
        QElapsedTimer t;
        t.start();
        const std::vector<AtspiPage> pages = atspi.pages();
        EXPECT_LT(t.elapsed(), row.boundMs);
        EXPECT_EQ(lines(pages, "Firefox"), kFirefoxPages);
        EXPECT_EQ(pages.size(), kFirefoxPages.size() + row.brokenPages.size());
        EXPECT_EQ(lines(pages, ""), row.brokenPages);
    }
}

}  // namespace
}  // namespace kiebitz::platform
