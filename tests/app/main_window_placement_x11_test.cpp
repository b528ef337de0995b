// The real main window on an X server, with a window manager's frame
// (KIEBITZ_EXPECT_WM=1) and without one: its frame opens at the stored
// position, closing stores where it is, and starting again does not move it.

#include "app/main_window.h"
#include "core/text.h"
#include "settings/keys.h"
#include "settings/widget_placement.h"
#include "settings/window_placement.h"
#include "support/event_waits.h"
#include "support/fake_platform.h"

#include <QTest>

#include <cmath>

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

bool expectWm() { return qEnvironmentVariableIntValue("KIEBITZ_EXPECT_WM") == 1; }

// Until the window is shown and, with a window manager, framed: its frame
// then stands where the window manager put it.
bool shown(QWidget& form)
{
    return QTest::qWaitForWindowExposed(&form, test::kEventBoundMs) &&
           (!expectWm() ||
            QTest::qWaitFor([&] { return form.frameGeometry() != form.geometry(); }, test::kEventBoundMs));
}

struct Opened {
    QPoint frame;
    core::TwipsPerPixel tpp;
};

// Starts the main window as Main does, waits for the window manager's frame
// and saves the placement as closing does.
Opened openAndClose(test::FakePlatform& fake, app::ProgramState& state)
{
    app::Form1 form(fake.platform(), state);
    form.Form1init();
    form.show();
    EXPECT_TRUE(shown(form));
    const QPoint at = form.frameGeometry().topLeft();
    settings::WidgetPlacement placement(form);
    fake.settings.writes.clear();
    settings::save_WindowPos(placement, fake.platform(), kApp, kSection);
    EXPECT_EQ(fake.settings.writes.size(), 5);
    EXPECT_NEAR(storedPixels(fake.settings, key::Width, placement.twipsPerPixel().x), form.frameGeometry().width(),
                1);
    EXPECT_EQ(fake.settings.get(kApp, kSection, key::WindowState, {}), u"0");
    return {at, placement.twipsPerPixel()};
}

TEST(MainWindowPlacementX11, FrameOpensAtTheStoredPositionRunAfterRun)
{
    struct Row {
        const char* what;
        const char* left;
        const char* top;
    } rows[] = {
        {"first start, nothing stored", nullptr, nullptr},
        {"stored at the top left corner", "0", "0"},
        {"stored inside the screen", "3000", "2000"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        test::FakePlatform fake;
        if (r.left) {
            fake.settings.save(kApp, kSection, key::Left, QString::fromLatin1(r.left));
            fake.settings.save(kApp, kSection, key::Top, QString::fromLatin1(r.top));
        }
        const double left = r.left ? QString::fromLatin1(r.left).toDouble() : 0;
        const double top = r.top ? QString::fromLatin1(r.top).toDouble() : 0;

        app::ProgramState state;
        const auto [first, tpp] = openAndClose(fake, state);
        // The title bar stays on the screen: the frame, not the client
        // area, is at the stored position.
        EXPECT_NEAR(first.x(), std::lround(left / tpp.x), 1);
        EXPECT_NEAR(first.y(), std::lround(top / tpp.y), 1);
        EXPECT_NEAR(storedPixels(fake.settings, key::Left, tpp.x), first.x(), 1);
        EXPECT_NEAR(storedPixels(fake.settings, key::Top, tpp.y), first.y(), 1);

        app::ProgramState again;
        const QPoint second = openAndClose(fake, again).frame;
        EXPECT_EQ(second.x(), first.x());
        EXPECT_EQ(second.y(), first.y());
    }
}

// Minimised, the rectangle it returns to is stored with state 1.
TEST(MainWindowPlacementX11, MinimisedWindowStoresItsNormalPlace)
{
    if (!expectWm())
        GTEST_SKIP() << "minimising needs a window manager";
    test::FakePlatform fake;
    fake.settings.save(kApp, kSection, key::Left, QStringLiteral("3000"));
    fake.settings.save(kApp, kSection, key::Top, QStringLiteral("2000"));
    app::ProgramState state;
    app::Form1 form(fake.platform(), state);
    form.Form1init();
    form.show();
    ASSERT_TRUE(shown(form));
    const QPoint wanted = form.frameGeometry().topLeft();
    form.showMinimized();
    // The window manager has iconified it once it takes the window off the screen.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.windowHandle()->isExposed(); }, test::kEventBoundMs));
    settings::WidgetPlacement placement(form);
    const core::TwipsPerPixel tpp = placement.twipsPerPixel();
    settings::save_WindowPos(placement, fake.platform(), kApp, kSection);
    EXPECT_EQ(fake.settings.get(kApp, kSection, key::WindowState, {}), u"1");
    EXPECT_NEAR(storedPixels(fake.settings, key::Left, tpp.x), wanted.x(), 1);
    EXPECT_NEAR(storedPixels(fake.settings, key::Top, tpp.y), wanted.y(), 1);
}

}  // namespace
