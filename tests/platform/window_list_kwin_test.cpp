// KWin's window list on a real `kwin_wayland --virtual` in a D-Bus session of
// its own (scripts/wayland-tests starts both): native Qt windows of another
// program and of this one, read through a KWin script.

#include "core/program_values.h"
#include "platform/linux/window_list_kwin.h"
#include "platform/linux/window_list_session.h"
#include "support/sway_session.h"

#include <QGuiApplication>
#include <QWidget>

#include <gtest/gtest.h>

using namespace kiebitz;
using platform::WindowEntry;
using platform::WindowId;
using test::Program;
using test::titled;

namespace {

constexpr std::uint32_t kTaskWindow = core::WS_VISIBLE | core::WS_BORDER;

std::unique_ptr<Program> window(const QString& title)
{
    return std::make_unique<Program>(QStringLiteral(KIEBITZ_TEST_WINDOW), QStringList{title});
}

class WindowListKWinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("wayland"))
            GTEST_FAIL() << "needs KWin on Wayland (QT_QPA_PLATFORM=wayland)";
        ASSERT_TRUE(list.available()) << "needs org.kde.KWin on the session bus";
    }
    platform::WindowListKWin list{QDBusConnection::sessionBus(), platform::qtOwnWindows};
};

TEST(WindowListKWin, WithoutKWinListsNothing)
{
    const QDBusConnection none =
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("kiebitz-none"));
    platform::WindowListKWin list(none, {}, 300);
    EXPECT_FALSE(list.available());
    EXPECT_TRUE(list.windows().empty());
    EXPECT_EQ(list.style(WindowId(1) << 63), 0u);
}

// Titles as the programs set them, in KWin's stacking order: a new window
// comes on top.
TEST_F(WindowListKWinTest, TitlesInStackingOrder)
{
    const QStringList titles = {
        QStringLiteral("eBay Artikel 1234567890 (Endet 12.03.27 18:30:00 MEZ) - Canon EOS 350D"),
        QStringLiteral("Müller Grüße ½ © ÿ – Kiebitz"),
        QStringLiteral("Lang ") + QString(900, QChar(u'ä')),
    };
    std::vector<std::unique_ptr<Program>> windows;
    for (const QString& t : titles) {
        windows.push_back(window(t));
        ASSERT_TRUE(test::listUntil(list, [&](const auto& all) { return !all.empty() && all[0].title == t; }))
            << test::titles(list.windows());
    }
    const std::vector<WindowEntry> all = list.windows();
    QStringList seen;
    for (const WindowEntry& e : all)
        if (titles.contains(e.title)) {
            seen << e.title;
            EXPECT_EQ(e.style, kTaskWindow);
            EXPECT_GE(e.id, WindowId(1) << 63);
        }
    EXPECT_EQ(seen, QStringList({titles[2], titles[1], titles[0]}));
}

// A window of this process carries its own id; a closed window is gone.
TEST_F(WindowListKWinTest, OwnWindowAndClosedWindow)
{
    QWidget own;
    own.setWindowTitle(QStringLiteral("Canon EOS 350D Body Kiebitz"));
    own.resize(300, 200);
    own.show();
    const WindowId ownId = own.winId();
    const QString other = QStringLiteral("Anderes Programm");
    auto closing = window(other);
    ASSERT_TRUE(test::listUntil(list, [&](const auto& all) {
        const WindowEntry* mine = titled(all, own.windowTitle());
        return mine && mine->id == ownId && titled(all, other);
    })) << test::titles(list.windows());
    const WindowId otherId = titled(list.windows(), other)->id;
    EXPECT_NE(otherId, ownId);
    EXPECT_EQ(list.style(otherId), kTaskWindow);

    closing->end();
    ASSERT_TRUE(test::listUntil(list, [&](const auto& all) { return titled(all, other) == nullptr; }));
    EXPECT_EQ(list.style(otherId), 0u);
}

// KWin offers no wlr toplevel list: the session's list is KWin's.
TEST_F(WindowListKWinTest, SessionListIsKWins)
{
    const QString title = QStringLiteral("Sitzungsfenster");
    auto shown = window(title);
    platform::WindowListSession session;
    EXPECT_TRUE(test::listUntil(session, [&](const auto& all) {
        const WindowEntry* e = titled(all, title);
        return e && e->style == kTaskWindow;
    })) << test::titles(session.windows());
}

}  // namespace
