// Taking an auction over from real windows on an X server, with a window
// manager (KIEBITZ_EXPECT_WM=1) and without one: the browser windows are
// top-level windows of this process, read back through the X11 window list.

#include "app/main_window.h"
#include "platform/linux/browser_title_windows.h"
#include "platform/linux/time_zone_posix.h"
#include "platform/linux/window_list_xcb.h"
#include "platform/null_facilities.h"
#include "support/event_waits.h"
#include "support/fake_platform.h"

#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <ctime>
#include <memory>

#include <gtest/gtest.h>

using namespace kiebitz;

namespace {

const QString kItemPage =
    QStringLiteral("eBay Artikel 1234567890 (Endet 12.03.27 18:30:00 MEZ) - Canon EOS 350D Body - Mozilla Firefox");
const QString kAuctionPage =
    QStringLiteral("eBay: Nikon D70 Gehäuse (Artikel 9876543210 endet 12.03.27 18:30:00 MEZ) - Mozilla Firefox");

struct RealDesktop : ::testing::Test {
    test::FakePlatform fake;
    platform::WindowListXcb windows;
    platform::BrowserTitleWindows browsers;
    platform::NoDdeClient dde;
    platform::TimeZonePosix zone;
    app::ProgramState state;
    std::unique_ptr<app::Form1> form;
    std::vector<std::unique_ptr<QWidget>> others;

    static void SetUpTestSuite()
    {
        setenv("TZ", "America/Los_Angeles", 1);
        tzset();
    }
    void SetUp() override
    {
        auto p = fake.platform();
        p.windows = &windows;
        p.shellWindows = &browsers;
        p.dde = &dde;
        p.timeZone = &zone;
        form = std::make_unique<app::Form1>(p, state);
        form->Form1init();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get(), test::kEventBoundMs));
    }
    // Another program's window, shown above the ones before it.
    QWidget* open(const QString& title)
    {
        others.push_back(std::make_unique<QWidget>());
        QWidget* w = others.back().get();
        w->setWindowTitle(title);
        w->resize(300, 100);
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w, test::kEventBoundMs));
        // The window list has it once the desktop (or its window manager) does.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                for (const auto& e : windows.windows())
                    if (e.id == platform::WindowId(w->winId()) && e.title == title)
                        return true;
                return false;
            },
            test::kEventBoundMs));
        return w;
    }
    void take() { emit form->Lbl_GetArtikel->clicked(); }
};

}  // namespace

TEST_F(RealDesktop, DirectTitleIsTakenOverInLocalTime)
{
    open(kItemPage);
    take();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Canon EOS 350D Body Kiebitz"));
    // 18:30 MEZ is 09:30 on a PC in Los Angeles (both zones still in winter time).
    EXPECT_EQ(form->Label1->caption(), QStringLiteral("endet am 12.03.2027 09:30:00"));
    EXPECT_TRUE(form->Timer1->isEnabled());
    EXPECT_EQ(state.auction.InstanceCount, 0);

    // Our own window now ends with "Kiebitz" but is never counted; another
    // instance's window above the item page is.
    take();
    EXPECT_EQ(state.auction.InstanceCount, 0);
    open(QStringLiteral("Nikon D70 Kiebitz"));
    take();
    EXPECT_EQ(state.auction.InstanceCount, 1);
    EXPECT_EQ(state.auction.ItemNumber, QStringLiteral("1234567890"));
}

TEST_F(RealDesktop, ColonTitleIsTakenOverThroughTheBrowsersPageTitle)
{
    open(kAuctionPage);
    take();
    EXPECT_EQ(state.auction.AuctionTitle, QStringLiteral("Nikon D70 Gehäuse"));
    EXPECT_EQ(state.auction.ItemNumber, QStringLiteral("9876543210"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Nikon D70 Gehäuse Kiebitz"));
    EXPECT_EQ(form->Label1->caption(), QStringLiteral("endet am 12.03.2027 09:30:00"));
}

TEST_F(RealDesktop, HiddenOrClosedBrowserGivesTheNoItemState)
{
    QWidget* browser = open(kItemPage);
    browser->hide();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return windows.style(platform::WindowId(browser->winId())) == 0 ||
                   !(windows.style(platform::WindowId(browser->winId())) & core::WS_VISIBLE);
        },
        test::kEventBoundMs));
    take();
    EXPECT_EQ(form->Label1->caption(), QStringLiteral("Kein Artikel gewählt."));
    EXPECT_FALSE(form->Timer1->isEnabled());
}
