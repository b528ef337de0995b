#include "app/kiebitz_main.h"
#include "app/main_window.h"
#include "platform/classic_fonts.h"
#include "support/event_waits.h"
#include "support/fake_platform.h"

#include <QCloseEvent>
#include <QFontInfo>
#include <QImage>

#include <gtest/gtest.h>

using namespace kiebitz;

namespace {

class Form1Test : public ::testing::Test {
protected:
    Form1Test() : form(fake.platform(), state) { form.Form1init(); }

    // Follows an auction that ends `remaining` seconds after the clock's now.
    void follow(std::int64_t remaining, const QString& title = QStringLiteral("Canon EOS"))
    {
        state.auction.AuctionTitle = title;
        state.auction.ItemNumber = QStringLiteral("1234567890");
        state.auction.AuctionEnd = core::addSeconds(core::fromQDateTime(fake.clock.now()), remaining);
        form.show_Auction(state.auction.AuctionEnd);
    }

    QString zeit() const { return form.LabelZeit->caption(); }
    double zeitPt() const { return form.LabelZeit->font().pointSizeF(); }

    test::FakePlatform fake;
    app::ProgramState state;
    app::Form1 form;
};

}  // namespace

TEST_F(Form1Test, StartsInTheNoItemState)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral(" Kiebitz 1.6.30"));
    EXPECT_EQ(form.Label1->caption(), QStringLiteral("Kein Artikel gewählt."));
    EXPECT_TRUE(form.Lbl_NoAuction->caption().startsWith(QStringLiteral("Öffnen Sie den Artikel,\r\nauf den")));
    EXPECT_TRUE(form.Lbl_NoAuction->caption().endsWith(QStringLiteral("\r\n'Artikel übernehmen'")));
    EXPECT_FALSE(form.Lbl_NoAuction->isHidden());
    EXPECT_TRUE(form.LabelZeit->isHidden());
    EXPECT_FALSE(form.Timer1->isEnabled());
    // The instruction stands centred on the countdown panel.
    const QRectF shape = form.twipsGeometry(form.Shape2);
    const QRectF label = form.twipsGeometry(form.Lbl_NoAuction);
    EXPECT_NEAR(label.center().y(), shape.center().y(), form.twipsPerPixel().y);
    // Its six lines start at its left edge: the first ink of each line lies
    // in the same column, although the lines differ in width.
    QImage img(form.Lbl_NoAuction->size(), QImage::Format_ARGB32);
    img.fill(Qt::white);
    form.Lbl_NoAuction->render(&img);
    const int lineHeight = form.Lbl_NoAuction->fontMetrics().lineSpacing();
    QList<int> firstInk;
    for (int top = 0; top + lineHeight <= img.height(); top += lineHeight) {
        int left = img.width();
        for (int y = top; y < top + lineHeight; ++y)
            for (int x = 0; x < left; ++x)
                if (qGray(img.pixel(x, y)) < 128)
                    left = x;
        firstInk << left;
    }
    ASSERT_EQ(firstInk.size(), 6);
    for (int left : firstInk)
        EXPECT_LE(left, 3) << "lines start at " << firstInk.first() << ", " << firstInk.last();
    // Settings defaults when nothing is stored.
    EXPECT_EQ(state.settings.warnton, 1);
    EXPECT_EQ(state.settings.warntonsek, 60);
    EXPECT_EQ(state.settings.msgonsync, 1);
    EXPECT_EQ(state.settings.synconstart, 0);
    EXPECT_EQ(state.settings.soundfile, QStringLiteral("/opt/kiebitz/drum.wav"));
    EXPECT_EQ(state.values.WindowStyleMask, 0x10800000u);
}

TEST_F(Form1Test, LayoutInTwips)
{
    const auto& tpp = form.twipsPerPixel();
    EXPECT_NEAR(form.width() * tpp.x, 4215, tpp.x);
    EXPECT_NEAR(form.height() * tpp.y, 2745, tpp.y);
    EXPECT_EQ(form.minimumSize(), form.maximumSize());  // fixed border
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    const QRectF shape1 = form.twipsGeometry(form.Shape1);
    EXPECT_NEAR(shape1.left(), 2280, tpp.x);
    EXPECT_NEAR(shape1.width(), 1815, tpp.x);
    EXPECT_EQ(form.Lbl_GetTime->toolTip(), QStringLiteral(" Synchronisiert die Systemuhr mit dem eBayserver "));
    EXPECT_EQ(form.Lbl_GetArtikel->foreColor(), 0x0000FFu);
    EXPECT_EQ(form.Lbl_GetArtikel->cursor().hotSpot(), QPoint(12, 1));
    // Arial or its metric twin, whichever is installed: no fallback search.
    EXPECT_EQ(QFontInfo(form.Lbl_GoItem->font()).family(), form.Lbl_GoItem->font().family());
    EXPECT_TRUE(platform::kArialFamilies.contains(form.Lbl_GoItem->font().family()));
    EXPECT_DOUBLE_EQ(form.Lbl_GoItem->font().pointSizeF(), 9.0);
    // Every label lies in front of the panels.
    const auto children = form.children();
    EXPECT_LT(children.indexOf(form.Shape2), children.indexOf(form.LabelZeit));
}

TEST_F(Form1Test, CountsDownThroughEveryBand)
{
    struct Row {
        std::int64_t remaining;
        const char* text;
        double pt;
        std::uint32_t color;
        int interval;  // 0: timer off
        const char* caption;
    };
    const Row rows[] = {
        {172800, "2 Tage\r\n0 Stunden", 12, 0, 500, "Canon EOS Kiebitz"},
        {90000, "1 Tag\r\n1 Stunde", 12, 0, 500, "Canon EOS Kiebitz"},
        {86400, "1 Tag\r\n0 Stunden", 12, 0, 500, "Canon EOS Kiebitz"},
        {86399, "23 Stunden\r\n59 Minuten", 12, 0, 500, "Canon EOS Kiebitz"},
        {3660, "1 Stunde\r\n1 Minute", 12, 0, 500, "Canon EOS Kiebitz"},
        {3600, "1 Stunde\r\n0 Minuten", 12, 0, 500, "Canon EOS Kiebitz"},
        {3599, "59 Minuten\r\n59 Sekunden", 12, 0, 200, "Canon EOS Kiebitz"},
        {125, "2 Minuten\r\n5 Sekunden", 12, 0, 200, "Canon EOS Kiebitz"},
        {61, "1 Minute\r\n1 Sekunden", 12, 0, 200, "Canon EOS Kiebitz"},
        {60, "1 Minute\r\n0 Sekunden", 12, 0, 200, "Canon EOS Kiebitz"},
        {59, "59", 13, 0x000000, 1000, " >>59<<"},
        {42, "42", 30, 0x440000, 1000, " >>42<<"},
        {1, "1", 71, 0xE80000, 1000, " >>1<<"},
        {0, "Auktion\r\nbeendet", 16, 0, 0, "Canon EOS"},
        {-3700, "Auktion\r\nbeendet", 16, 0, 0, "Canon EOS"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.remaining);
        follow(r.remaining);
        form.Update_Label();
        EXPECT_EQ(zeit(), QString::fromUtf8(r.text));
        EXPECT_DOUBLE_EQ(zeitPt(), r.pt);
        EXPECT_EQ(form.LabelZeit->foreColor(), r.color);
        EXPECT_EQ(form.Timer1->isEnabled(), r.interval != 0);
        if (r.interval != 0) {
            EXPECT_EQ(form.Timer1->interval(), r.interval);
        }
        EXPECT_EQ(form.windowTitle(), QString::fromUtf8(r.caption));
        EXPECT_FALSE(form.LabelZeit->isHidden());
        // Re-centred in the countdown panel after every rewrite.
        const QRectF shape = form.twipsGeometry(form.Shape2);
        EXPECT_NEAR(form.twipsGeometry(form.LabelZeit).center().y(), shape.center().y(), form.twipsPerPixel().y);
    }
}

TEST_F(Form1Test, FinalMinuteFlashesEveryTickAndStampsTheMinutes)
{
    follow(65);
    form.Update_Label();
    EXPECT_TRUE(fake.flash.flashed.empty());
    EXPECT_NE(form.Label2->caption(), QStringLiteral("Label2gdfg "));
    for (int i = 0; i < 10; ++i) {
        fake.clock.advanceSeconds(1);
        form.Update_Label();
    }
    EXPECT_EQ(fake.flash.flashed.size(), 5u);  // 59..55
    EXPECT_EQ(fake.flash.flashed.front(), quintptr(form.winId()));
}

TEST_F(Form1Test, LabelRewrittenOnlyWhenTheTextChanges)
{
    follow(7200);
    form.Update_Label();
    form.LabelZeit->move(0, 0);  // would be re-centred by a rewrite
    form.Update_Label();
    EXPECT_EQ(form.LabelZeit->y(), 0);
    fake.clock.advanceSeconds(60);
    form.Update_Label();
    EXPECT_NE(form.LabelZeit->y(), 0);
}

TEST_F(Form1Test, NoAuctionLeavesEverythingButTheTimer)
{
    follow(100);
    form.Update_Label();
    const QString before = zeit();
    state.auction.AuctionEnd = core::kZeroDate;
    fake.clock.advanceSeconds(10);
    form.Update_Label();
    EXPECT_EQ(zeit(), before);
    EXPECT_FALSE(form.Timer1->isEnabled());
}

TEST_F(Form1Test, WarningPlaysAtExactlyTheConfiguredSecond)
{
    struct Row {
        std::int16_t warnton, warntonsek;
        std::vector<int> ticksMs;  // clock steps between calls
        int plays;
    };
    const std::vector<int> every200(40, 200);  // 8 s at the 200 ms rate
    const Row rows[] = {
        {1, 60, every200, 5},  // restarted on each tick within that second
        {0, 60, every200, 0},     {2, 60, every200, 0}, {1, 60, {1000, 1000, 5000}, 1},  // the clock passes 60 once
        {1, 60, {4000, 4000}, 0},  // jumps over the moment: no sound
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.warnton << "/" << r.warntonsek << " steps " << r.ticksMs.size());
        fake.sound.calls.clear();
        state.settings.warnton = r.warnton;
        state.settings.warntonsek = r.warntonsek;
        fake.clock.set(QDateTime(QDate(2026, 12, 6), QTime(12, 0, 0)));
        follow(62);
        form.Update_Label();
        for (int ms : r.ticksMs) {
            fake.clock.advanceMs(ms);
            form.Update_Label();
        }
        EXPECT_EQ(fake.sound.calls.count(QStringLiteral("play:/opt/kiebitz/drum.wav")), r.plays);
        EXPECT_EQ(fake.sound.calls.count(QStringLiteral("stop")), r.plays);
    }
}

// The final minute's ticks are placed just after each whole second, so even
// with late ticks no second is skipped and the warning at 30 s always plays.
TEST_F(Form1Test, FinalMinuteTicksNeverSkipASecond)
{
    state.settings.warntonsek = 30;
    fake.clock.set(QDateTime(QDate(2026, 12, 6), QTime(12, 0, 0, 700)));
    follow(50);
    form.Update_Label();
    std::vector<int> shown;
    const int lateness[] = {0, 9, 3, 15, 1, 40, 7, 0, 25, 2};  // ms each tick fires late
    for (int i = 0; form.Timer1->isEnabled() && i < 200; ++i) {
        const int delay = form.Timer1->nextDelayMs();
        ASSERT_GT(delay, 0);
        ASSERT_LE(delay, 1000 + app::CountdownTimer::kAlignMarginMs);
        fake.clock.advanceMs(delay + lateness[i % 10]);
        form.Timer1->fire();
        if (form.Timer1->interval() == 1000 || !form.Timer1->isEnabled()) {
            bool ok = false;
            const int n = zeit().toInt(&ok);
            if (ok && (shown.empty() || shown.back() != n))
                shown.push_back(n);
        }
    }
    ASSERT_FALSE(shown.empty());
    for (std::size_t i = 1; i < shown.size(); ++i)
        EXPECT_EQ(shown[i], shown[i - 1] - 1) << "skipped after " << shown[i - 1];
    EXPECT_EQ(shown.back(), 1);
    EXPECT_EQ(zeit(), QStringLiteral("Auktion\r\nbeendet"));
    EXPECT_EQ(fake.sound.calls.count(QStringLiteral("play:/opt/kiebitz/drum.wav")), 1);
}

TEST(Main, FirstStartStoresInstallDirAndClosesCleanly)
{
    test::FakePlatform fake;
    app::ProgramState state;
    fake.settings.values[test::MemorySettingsStore::path("Auktionswerk", "Kiebitz", "warntonsek")] =
        QStringLiteral("1.5e9");
    fake.settings.values[test::MemorySettingsStore::path("Auktionswerk", "Kiebitz", "warnton")] =
        QStringLiteral(" 0 ");
    auto form = app::Main(fake.platform(), state);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(fake.settings.values.value("Auktionswerk/Kiebitz/InstallDir"), QStringLiteral("/opt/kiebitz"));
    EXPECT_EQ(state.settings.warntonsek, 60);  // not a 16-bit number: the default
    EXPECT_EQ(state.settings.warnton, 0);
    EXPECT_EQ(state.helpFile, QStringLiteral("/opt/kiebitz/kiebitz.chm"));
    fake.settings.writes.clear();
    // Closing shows the notice modally; the close completes only after it.
    bool noticeShown = false;
    const auto closer = test::whenModal([&](QWidget* notice) {
        noticeShown = notice != form.get();
        EXPECT_TRUE(form->isVisible());
        notice->close();
    });
    form->close();
    EXPECT_TRUE(noticeShown);
    EXPECT_FALSE(form->isVisible());
    // Placement first, then the program folder.
    EXPECT_EQ(fake.settings.writes, QStringList({"Left", "Top", "Width", "Height", "WindowState", "InstallDir"}));
}
