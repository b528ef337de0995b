// Placement on a real X server: what is saved at close is where the next
// run puts the window, with and without a window manager's frame.

#include "core/text.h"
#include "settings/keys.h"
#include "settings/widget_placement.h"
#include "settings/window_placement.h"
#include "support/fake_platform.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

using namespace kiebitz;
using settings::kApp;
using settings::kSection;
namespace key = settings::key;

namespace {

int storedPixels(const test::MemorySettingsStore& s, const QString& k, double tpp)
{
    return int(std::lround(core::toDouble(s.get(kApp, kSection, k, {})).value_or(-1e9) / tpp));
}

TEST(WindowPlacementX11, SavedPlacementIsWhereTheNextRunOpens)
{
    test::FakePlatform fake;
    fake.settings.save(kApp, kSection, key::Left, QStringLiteral("3000"));
    fake.settings.save(kApp, kSection, key::Top, QStringLiteral("2000"));

    QWidget first;
    first.setWindowTitle(QStringLiteral(" Kiebitz 1.6.30"));
    first.setFixedSize(281, 183);
    settings::WidgetPlacement placement(first);
    const core::TwipsPerPixel tpp = placement.twipsPerPixel();
    settings::restore_WindowPos(placement, fake.platform(), kApp, kSection, true, 0);
    const QPoint wanted(tpp.toPixelsX(3000), tpp.toPixelsY(2000));
    first.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&first));
    // Let the window manager put its frame around the window.
    QTest::qWait(300);
    EXPECT_NEAR(first.frameGeometry().x(), wanted.x(), 1);
    EXPECT_NEAR(first.frameGeometry().y(), wanted.y(), 1);

    fake.settings.writes.clear();
    settings::save_WindowPos(placement, fake.platform(), kApp, kSection);
    ASSERT_EQ(fake.settings.writes.size(), 5);
    EXPECT_NEAR(storedPixels(fake.settings, key::Left, tpp.x), wanted.x(), 1);
    EXPECT_NEAR(storedPixels(fake.settings, key::Top, tpp.y), wanted.y(), 1);
    EXPECT_NEAR(storedPixels(fake.settings, key::Width, tpp.x), first.frameGeometry().width(), 1);
    EXPECT_EQ(fake.settings.get(kApp, kSection, key::WindowState, {}), u"0");

    // Minimised, the rectangle it returns to is stored with state 1.
    if (qEnvironmentVariableIntValue("KIEBITZ_EXPECT_WM") == 1) {
        first.showMinimized();
        QTest::qWait(300);
        fake.settings.writes.clear();
        settings::save_WindowPos(placement, fake.platform(), kApp, kSection);
        EXPECT_EQ(fake.settings.get(kApp, kSection, key::WindowState, {}), u"1");
        EXPECT_NEAR(storedPixels(fake.settings, key::Left, tpp.x), wanted.x(), 1);
        EXPECT_NEAR(storedPixels(fake.settings, key::Top, tpp.y), wanted.y(), 1);
    }
}

}  // namespace
