// Restoring and saving the main window's placement, and the instance count
// that keeps a second instance from overwriting it.

#include "core/text.h"
#include "settings/keys.h"
#include "settings/widget_placement.h"
#include "settings/window_placement.h"
#include "support/fake_platform.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include <optional>

using namespace kiebitz;
using settings::kApp;
using settings::kSection;
namespace key = settings::key;

namespace {

constexpr std::uint32_t kTask = core::WS_VISIBLE | core::WS_BORDER;
constexpr platform::WindowId kOwnId = 0x4200001;

// A window at 96 dpi (15 twips per pixel) on a 1280 × 1024 screen.
class FakeWindow : public settings::PlacementWindow {
public:
    core::TwipsPerPixel tpp{15.0, 15.0};
    QRect screen{0, 0, 1280, 1024};
    QRect desktop{0, 0, 1280, 1024};
    QRect frame{83, 102, 289, 205};  // 4335 × 3075 twips
    QRect normal;                    // empty: the frame
    settings::WindowStateValue windowState = settings::StateNormal;
    int moves = 0;

    core::TwipsPerPixel twipsPerPixel() const override { return tpp; }
    QRect screenGeometry() const override { return screen; }
    QRect desktopGeometry() const override { return desktop; }
    QRect frameGeometry() const override { return frame; }
    void moveTo(const QPoint& p) override
    {
        frame.moveTopLeft(p);
        ++moves;
    }
    QRect normalFrameGeometry() const override { return normal.isEmpty() ? frame : normal; }
    settings::WindowStateValue state() const override { return windowState; }
    void setState(settings::WindowStateValue s) override { windowState = s; }
    platform::WindowId windowId() const override { return kOwnId; }
};

void store(test::MemorySettingsStore& s, const QString& k, const char* value)
{
    if (value)
        s.values[test::MemorySettingsStore::path(kApp, kSection, k)] = QString::fromUtf8(value);
}

TEST(RestoreWindowPos, PositionInstancesAndScreenEdges)
{
    struct Row {
        const char* name;
        const char* left;
        const char* top;
        int instances;
        QPoint expected;  // pixels
    } rows[] = {
        {"nothing stored", nullptr, nullptr, 0, {0, 0}},
        {"stored, alone", "3000", "2000", 0, {200, 133}},
        {"one instance watches", "3000", "2000", 1, {220, 153}},
        {"two instances watch", "3000", "2000", 2, {240, 173}},
        {"first start, second instance", nullptr, nullptr, 1, {20, 20}},
        {"fraction and blanks", " 1507.6 ", "15", 0, {101, 1}},
        // Right edge: 19200 twips of screen − 4335 − 500 = 14365 twips.
        {"beyond the right edge", "30000", "2000", 0, {958, 133}},
        {"just fits on the right", "14865", "0", 0, {991, 0}},
        // Bottom edge: 15360 − 3075 − 500 = 11785 twips.
        {"beyond the bottom edge", "3000", "16000", 0, {200, 786}},
        {"beyond both edges", "1e30", "1e30", 3, {958, 786}},
        {"partly left of the screen stays", "-1500", "-300", 0, {-100, -20}},
        {"wholly left and above is brought back", "-99999", "-1e20", 0, {0, 0}},
        {"not a number", "links", "", 0, {0, 0}},
        {"beyond single precision", "1e39", "-1e39", 0, {0, 0}},
        {"many instances stop at 109 offsets", "0", "0", 30000, {958, 786}},
        {"negative count gives no offset", "3000", "2000", -4, {200, 133}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        test::MemorySettingsStore s;
        store(s, key::Left, r.left);
        store(s, key::Top, r.top);
        FakeWindow w;
        const QSize size = w.frame.size();
        settings::restore_WindowPos(w, s, kApp, kSection, true, std::int16_t(r.instances));
        EXPECT_EQ(w.frame.topLeft(), r.expected);
        EXPECT_EQ(w.frame.size(), size);
        EXPECT_EQ(w.moves, 1);
        EXPECT_TRUE(s.writes.isEmpty());
    }
}

TEST(RestoreWindowPos, InstanceOffsetDoesNotOverflowSixteenBits)
{
    // 109 × 300 = 32700 fits; more instances keep that offset.
    test::MemorySettingsStore s;
    FakeWindow w;
    w.screen = w.desktop = QRect(0, 0, 10000, 10000);
    settings::restore_WindowPos(w, s, kApp, kSection, false, 109);
    EXPECT_EQ(w.frame.topLeft(), QPoint(2180, 2180));
    settings::restore_WindowPos(w, s, kApp, kSection, false, 32767);
    EXPECT_EQ(w.frame.topLeft(), QPoint(2180, 2180));
}

TEST(RestoreWindowPos, WindowStateAndTheSwitch)
{
    struct Row {
        const char* stored;
        bool restoreState;
        settings::WindowStateValue expected;
    } rows[] = {
        {nullptr, true, settings::StateNormal},  {"1", true, settings::StateMinimized},
        {"2", true, settings::StateMaximized},   {" 2 ", true, settings::StateMaximized},
        {"1.5", true, settings::StateMaximized}, {"3", true, settings::StateNormal},
        {"-1", true, settings::StateNormal},     {"99999", true, settings::StateNormal},
        {"zu", true, settings::StateNormal},     {"1", false, settings::StateNormal},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.stored ? r.stored : "(none)");
        test::MemorySettingsStore s;
        store(s, key::Left, "45000");
        store(s, key::WindowState, r.stored);
        FakeWindow w;
        settings::restore_WindowPos(w, s, kApp, kSection, r.restoreState, 0);
        EXPECT_EQ(w.windowState, r.expected);
        // The normal position is kept on the screen whatever the state.
        EXPECT_EQ(w.frame.x(), 958);
    }
}

TEST(CountInstances, CountsOtherWatchingInstances)
{
    using E = platform::WindowEntry;
    struct Row {
        const char* name;
        std::vector<E> windows;
        std::int16_t expected;
    } rows[] = {
        {"empty desktop", {}, 0},
        {"only the own window", {{kOwnId, kTask, QStringLiteral("Uhr Kiebitz")}}, 0},
        {"one other instance",
         {{kOwnId, kTask, QStringLiteral("x Kiebitz")}, {7, kTask, QStringLiteral("Uhr Kiebitz")}},
         1},
        {"two others and a browser",
         {{7, kTask, QStringLiteral("Uhr Kiebitz")},
          {8, kTask, QStringLiteral("eBay - Mozilla Firefox")},
          {9, kTask, QStringLiteral("Lampe Kiebitz")}},
         2},
        {"idle instance caption", {{7, kTask, QStringLiteral(" Kiebitz 1.6.30")}}, 0},
        {"lower case", {{7, kTask, QStringLiteral("Notiz kiebitz")}}, 0},
        {"another program's title", {{7, kTask, QStringLiteral("Kiebitz")}}, 1},
        {"with terminating NUL", {{7, kTask, QStringLiteral("Uhr Kiebitz") + QChar(u'\0')}}, 1},
        {"hidden window", {{7, core::WS_BORDER, QStringLiteral("Uhr Kiebitz")}}, 0},
        {"unframed window", {{7, core::WS_VISIBLE, QStringLiteral("Uhr Kiebitz")}}, 0},
        {"empty title", {{7, kTask, QString()}}, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        test::FakeWindowList list;
        list.entries = r.windows;
        EXPECT_EQ(settings::count_Instances(list, kOwnId), r.expected);
    }
}

TEST(SaveWindowPos, WritesNormalRectangleAndStateInOrder)
{
    struct Row {
        const char* name;
        settings::WindowStateValue state;
        QRect normal;
        const char* expected[5];
    } rows[] = {
        {"normal", settings::StateNormal, {}, {"1245", "1530", "4335", "3075", "0"}},
        {"minimised", settings::StateMinimized, QRect(100, 200, 289, 205), {"1500", "3000", "4335", "3075", "1"}},
        {"maximised", settings::StateMaximized, QRect(-8, 0, 289, 205), {"-120", "0", "4335", "3075", "2"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        test::FakePlatform fake;
        fake.windows.entries = {{kOwnId, kTask, QStringLiteral("Uhr Kiebitz")},
                                {5, kTask, QStringLiteral("Notiz kiebitz")}};
        FakeWindow w;
        w.windowState = r.state;
        w.normal = r.normal;
        settings::save_WindowPos(w, fake.platform(), kApp, kSection);
        EXPECT_EQ(fake.settings.writes,
                  QStringList({key::Left, key::Top, key::Width, key::Height, key::WindowState}));
        int i = 0;
        for (const QString& k : fake.settings.writes)
            EXPECT_EQ(fake.settings.get(kApp, kSection, k, {}), QString::fromUtf8(r.expected[i++]))
                << k.toStdString();
    }
}

TEST(SaveWindowPos, OtherWatchingInstanceKeepsTheStoredPlacement)
{
    test::FakePlatform fake;
    fake.windows.entries = {{9, kTask, QStringLiteral("Uhr Kiebitz")}};
    FakeWindow w;
    settings::save_WindowPos(w, fake.platform(), kApp, kSection);
    EXPECT_TRUE(fake.settings.writes.isEmpty());
}

TEST(SaveWindowPos, TwipsFollowTheScreensFactors)
{
    // 120 dpi: 12 twips per pixel; 144 dpi vertically: 10.
    test::FakePlatform fake;
    FakeWindow w;
    w.tpp = core::TwipsPerPixel::fromDpi(120, 144);
    w.frame = QRect(10, 20, 300, 200);
    settings::save_WindowPos(w, fake.platform(), kApp, kSection);
    EXPECT_EQ(fake.settings.values.value(test::MemorySettingsStore::path(kApp, kSection, key::Left)), u"120");
    EXPECT_EQ(fake.settings.values.value(test::MemorySettingsStore::path(kApp, kSection, key::Top)), u"200");
    EXPECT_EQ(fake.settings.values.value(test::MemorySettingsStore::path(kApp, kSection, key::Width)), u"3600");
    EXPECT_EQ(fake.settings.values.value(test::MemorySettingsStore::path(kApp, kSection, key::Height)), u"2000");

    // Read back at the same factors, the window comes back to the same place.
    FakeWindow again;
    again.tpp = w.tpp;
    settings::restore_WindowPos(again, fake.settings, kApp, kSection, true, 0);
    EXPECT_EQ(again.frame.topLeft(), QPoint(10, 20));
}

TEST(WidgetPlacement, RealWindowGoesWhereItWasLeft)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const auto tpp = core::TwipsPerPixel::fromDpi(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());

    test::FakePlatform fake;
    QWidget first;
    first.setFixedSize(281, 183);
    settings::WidgetPlacement placement(first);
    EXPECT_EQ(placement.twipsPerPixel().x, tpp.x);
    settings::restore_WindowPos(placement, fake.platform(), kApp, kSection, true, 0);
    EXPECT_EQ(first.pos(), QPoint(0, 0));
    first.move(150, 90);
    first.show();
    fake.windows.entries = {{platform::WindowId(first.winId()), kTask, QStringLiteral("Uhr Kiebitz")}};
    settings::save_WindowPos(placement, fake.platform(), kApp, kSection);
    EXPECT_EQ(fake.settings.get(kApp, kSection, key::Left, {}), core::numberText(150 * tpp.x));
    EXPECT_EQ(fake.settings.get(kApp, kSection, key::WindowState, {}), u"0");

    // The next run, with one other instance watching an auction.
    QWidget second;
    second.setFixedSize(281, 183);
    settings::WidgetPlacement next(second);
    settings::restore_WindowPos(next, fake.platform(), kApp, kSection, true, 1);
    EXPECT_EQ(second.pos(), QPoint(150 + tpp.toPixelsX(300), 90 + tpp.toPixelsY(300)));
    EXPECT_FALSE(second.isVisible());

    // A stored minimised state takes effect when the window is shown.
    fake.settings.save(kApp, kSection, key::WindowState, QStringLiteral("1"));
    QWidget third;
    third.setFixedSize(281, 183);
    settings::WidgetPlacement thirdPlacement(third);
    settings::restore_WindowPos(thirdPlacement, fake.platform(), kApp, kSection, true, 0);
    EXPECT_TRUE(third.windowState() & Qt::WindowMinimized);
    EXPECT_EQ(thirdPlacement.state(), settings::StateMinimized);
    EXPECT_EQ(third.pos(), QPoint(150, 90));
}

}  // namespace
