// "Artikel übernehmen" and the window placement on real desktops:
//  - X11Desktop: an X server with a window manager (KIEBITZ_EXPECT_WM=1)
//    and without one; the browser windows are windows of this process.
//  - RealBrowsers: Debian's Chromium and Firefox ESR in fresh profiles with
//    pages served on 127.0.0.1, under X11 with the window manager and a
//    D-Bus session with the accessibility bus.
//  - SwayDesktop: a headless sway (scripts/wayland-tests) with native foot
//    and Firefox windows and a second Kiebitz (the real program); run with
//    the main window on Xwayland and native.

#include "app/main_window.h"
#include "core/text.h"
#include "platform/linux/atspi_pages.h"
#include "platform/linux/browser_title_windows.h"
#include "platform/linux/time_zone_posix.h"
#include "platform/linux/window_list_session.h"
#include "platform/linux/window_list_xcb.h"
#include "platform/null_facilities.h"
#include "settings/widget_placement.h"
#include "settings/window_placement.h"
#include "support/event_waits.h"
#include "support/fake_platform.h"
#include "support/loopback_http_server.h"
#include "support/sway_session.h"

#include <QStandardPaths>

using namespace kiebitz;
using test::titled;

namespace {

const QString kItem = QStringLiteral("eBay Artikel 1234567890 (Endet 12.03.27 18:30:00 MEZ) - Canon EOS 350D Body");
const QString kCanon = QStringLiteral("Canon EOS 350D Body Kiebitz");

// The main window on `p` with the real `windows`, on a PC set to the time
// zone `tz`.
std::unique_ptr<app::Form1> mainWindow(platform::Platform p, platform::WindowList& windows, app::ProgramState& state,
                                       const char* tz)
{
    static platform::TimeZonePosix zone;
    setenv("TZ", tz, 1);
    tzset();
    p.windows = &windows;
    p.timeZone = &zone;
    return std::make_unique<app::Form1>(p, state);
}

// A page titled `title` at `path`, and Firefox ESR's arguments for a fresh
// profile without first-run pages.
void servePage(test::LoopbackHttpServer& server, const QByteArray& path, const QString& title)
{
    test::LoopbackHttpServer::Response r;
    r.headerLines = {"Content-Type: text/html; charset=utf-8"};
    r.body = "<!DOCTYPE html><html><head><title>" + title.toUtf8() + "</title></head><body></body></html>";
    server.route(path, r);
}
QStringList firefoxArgs(const QTemporaryDir& profile, const QStringList& urls)
{
    QFile prefs(profile.filePath(QStringLiteral("user.js")));
    EXPECT_TRUE(prefs.open(QIODevice::WriteOnly));
    for (const char* pref :
         {"browser.shell.checkDefaultBrowser\", false", "browser.aboutwelcome.enabled\", false",
          "browser.startup.homepage_override.mstone\", \"ignore\"",
          "datareporting.policy.dataSubmissionEnabled\", false",
          "toolkit.telemetry.reportingpolicy.firstRun\", false", "browser.tabs.warnOnClose\", false"})
        prefs.write(QByteArray("user_pref(\"") + pref + ");\n");
    return QStringList{"--no-remote", "--profile", profile.path()} + urls;
}

// Whether a window (or page) title starting with `prefix` is listed.
template <class List> bool lists(const List& list, const QString& prefix)
{
    return std::any_of(list.begin(), list.end(), [&](const auto& e) { return e.title.startsWith(prefix); });
}

struct X11Desktop : ::testing::Test {
    // Shown and, with a window manager, framed: the frame then stands where it put it.
    std::unique_ptr<app::Form1> start(app::ProgramState& state)
    {
        platform::Platform p = fake.platform();
        p.shellWindows = &browsers;
        auto form = mainWindow(p, windows, state, "America/Los_Angeles");
        form->Form1init();
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get(), test::kEventBoundMs));
        EXPECT_TRUE(!wm ||
                    QTest::qWaitFor([&] { return form->frameGeometry() != form->geometry(); }, test::kEventBoundMs));
        return form;
    }
    // Another program's window above the ones before it, once listed.
    QWidget* open(const QString& title)
    {
        QWidget* w = others.emplace_back(std::make_unique<QWidget>()).get();
        w->setWindowTitle(title);
        w->resize(300, 100);
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w, test::kEventBoundMs));
        EXPECT_TRUE(QTest::qWaitFor([&] { return titled(windows.windows(), title); }, test::kEventBoundMs));
        return w;
    }
    // Saves the placement as closing does; the stored left, top and width in pixels.
    QRect saved(app::Form1& form, const char* windowState)
    {
        settings::WidgetPlacement placement(form);
        settings::save_WindowPos(placement, fake.platform(), settings::kApp, settings::kSection);
        EXPECT_EQ(fake.settings.values.value("Auktionswerk/Kiebitz/WindowState"), windowState);
        const auto px = [&](const char* key, double tpp) {
            const QString value = fake.settings.values.value(QStringLiteral("Auktionswerk/Kiebitz/") + key);
            return int(std::lround(core::toDouble(value).value_or(-1e9) / tpp));
        };
        const core::TwipsPerPixel tpp = placement.twipsPerPixel();
        return {px("Left", tpp.x), px("Top", tpp.y), px("Width", tpp.x), 0};
    }

    const bool wm = qEnvironmentVariableIntValue("KIEBITZ_EXPECT_WM") == 1;
    test::FakePlatform fake;
    platform::WindowListXcb windows;
    platform::BrowserTitleWindows browsers;
    std::vector<std::unique_ptr<QWidget>> others;
};

TEST_F(X11Desktop, TakesTheAuctionOverInLocalTime)
{
    app::ProgramState state;
    auto form = start(state);
    const auto take = [&] { emit form->Lbl_GetArtikel->clicked(); };
    open(kItem + " - Mozilla Firefox");
    take();
    EXPECT_EQ(form->windowTitle(), kCanon);
    // 18:30 MEZ is 09:30 on a PC in Los Angeles (both zones still in winter time).
    EXPECT_EQ(form->Label1->caption(), QStringLiteral("endet am 12.03.2027 09:30:00"));
    EXPECT_TRUE(form->Timer1->isEnabled());
    // Our own window now ends with "Kiebitz" but never counts; another
    // instance's window above the item page does.
    take();
    EXPECT_EQ(state.auction.InstanceCount, 0);
    open(QStringLiteral("Nikon D70 Kiebitz"));
    take();
    EXPECT_EQ(state.auction.InstanceCount, 1);
    EXPECT_EQ(state.auction.ItemNumber, QStringLiteral("1234567890"));
    // Hidden browser windows give the no-item state.
    for (const auto& w : others) {
        w->hide();
        const auto hidden = [&] { return !(windows.style(platform::WindowId(w->winId())) & core::WS_VISIBLE); };
        EXPECT_TRUE(QTest::qWaitFor(hidden, test::kEventBoundMs));
    }
    take();
    EXPECT_EQ(form->Label1->caption(), QStringLiteral("Kein Artikel gewählt."));
    EXPECT_FALSE(form->Timer1->isEnabled());
    // Alone, a title with a colon, through the browser's page title.
    open(
        QStringLiteral("eBay: Nikon D70 Gehäuse (Artikel 9876543210 endet 12.03.27 18:30:00 MEZ) - Mozilla Firefox"));
    take();
    EXPECT_EQ(state.auction.ItemNumber, QStringLiteral("9876543210"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Nikon D70 Gehäuse Kiebitz"));
    EXPECT_EQ(form->Label1->caption(), QStringLiteral("endet am 12.03.2027 09:30:00"));
}

// The frame (so the title bar stays on the screen), not the client area,
// opens at the stored position, closing stores where it is, and starting
// again does not move it. Minimised, the place it returns to is stored.
TEST_F(X11Desktop, FrameOpensAtTheStoredPositionRunAfterRun)
{
    for (const auto& [left, top] : {std::pair{"", ""}, {"0", "0"}, {"3000", "2000"}}) {
        SCOPED_TRACE(left);
        fake.settings.values.clear();
        if (*left) {
            fake.settings.save(settings::kApp, settings::kSection, QStringLiteral("Left"), left);
            fake.settings.save(settings::kApp, settings::kSection, QStringLiteral("Top"), top);
        }
        app::ProgramState state;
        auto form = start(state);
        const QRect frame = form->frameGeometry();
        EXPECT_NEAR(frame.x(), std::lround(QString(left).toDouble() / form->twipsPerPixel().x), 1);
        EXPECT_NEAR(frame.y(), std::lround(QString(top).toDouble() / form->twipsPerPixel().y), 1);
        for (int run = 0; run < 2; ++run) {
            const QRect stored = saved(*form, "0");
            EXPECT_NEAR(stored.x(), frame.x(), 1);
            EXPECT_NEAR(stored.y(), frame.y(), 1);
            EXPECT_NEAR(stored.width(), frame.width(), 1);
            app::ProgramState again;
            form = start(again);
            EXPECT_EQ(form->frameGeometry().topLeft(), frame.topLeft());
        }
        if (!wm)
            continue;  // minimising needs a window manager
        form->showMinimized();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form->windowHandle()->isExposed(); }, test::kEventBoundMs));
        const QRect stored = saved(*form, "1");
        EXPECT_NEAR(stored.x(), frame.x(), 1);
        EXPECT_NEAR(stored.y(), frame.y(), 1);
    }
}

// Chromium as it comes draws its own frame and names the shown page in its
// title; pages in background tabs are found through the accessibility bus.
TEST(RealBrowsers, ShownAndBackgroundTabs)
{
    for (const char* name : {"chromium", "firefox-esr"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty())
            GTEST_SKIP() << name << " is not installed";
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        GTEST_SKIP() << "no D-Bus session";
    test::LoopbackHttpServer server;
    servePage(server, "/item", kItem);
    servePage(server, "/other", QStringLiteral("Andere Seite"));
    platform::AtspiBus atspi;
    ASSERT_NE(atspi.switchState(), platform::AccessibilitySwitch::State::Unavailable);
    ASSERT_TRUE(atspi.switchOn());
    platform::WindowListXcb windows;
    platform::AtspiShellWindows shell{atspi};
    platform::AtspiDdeClient dde{atspi};
    platform::AtspiAccessibilitySwitch accessibility{atspi};
    for (const auto& row : {std::pair{true, false}, {false, false}, {false, true}, {true, true}}) {
        const bool chromium = row.first, background = row.second;  // plain names: lambdas below capture them
        SCOPED_TRACE(testing::Message() << (chromium ? "Chromium" : "Firefox") << (background ? ", background" : ""));
        QTemporaryDir profile;
        QStringList urls = {server.url("/item"), server.url("/other")};
        if (background)
            urls.swapItemsAt(0, 1);  // the first tab is the shown one
        QStringList chromiumArgs = QStringLiteral("--no-sandbox --no-first-run --disable-background-networking "
                                                  "--disable-component-update --disable-sync --password-store=basic")
                                       .split(u' ');
        chromiumArgs << "--user-data-dir=" + profile.path();
        if (background)
            chromiumArgs << "--force-renderer-accessibility";  // else its pages stay off the bus
        test::Program browser(chromium ? "chromium" : "firefox-esr",
                              chromium ? chromiumArgs + urls : firefoxArgs(profile, urls));
        ASSERT_TRUE(browser.started());
        ASSERT_TRUE(
            test::runUntil([&] { return lists(windows.windows(), background ? "Andere Seite" : kItem); }, 60'000));
        ASSERT_TRUE(test::runUntil([&] { return !background || lists(atspi.pages(), kItem); }, 60'000));
        test::FakePlatform fake;
        app::ProgramState state;
        platform::Platform p = fake.platform();
        p.shellWindows = &shell;
        p.dde = &dde;
        p.accessibility = &accessibility;
        auto form = mainWindow(p, windows, state, "Europe/Berlin");
        form->Form1init();
        emit form->Lbl_GetArtikel->clicked();
        EXPECT_EQ(form->windowTitle(), kCanon);
        EXPECT_EQ(form->Label1->caption(), QStringLiteral("endet am 12.03.2027 18:30:00"));
    }
}

class SwayDesktop : public ::testing::Test {
protected:
    static void SetUpTestSuite() { terminals = test::swaySession() ? std::make_unique<test::FootServer>() : nullptr; }
    static void TearDownTestSuite() { terminals.reset(); }
    void SetUp() override
    {
        if (!test::swaySession())
            GTEST_FAIL() << "needs a running sway (WAYLAND_DISPLAY, SWAYSOCK)";
        ASSERT_TRUE(terminals->ready());
    }
    // Every window of the test closed before the next one starts.
    void TearDown() override
    {
        form.reset();
        EXPECT_TRUE(test::listUntil(probe, [](const auto& all) { return all.empty(); }))
            << test::titles(probe.windows());
    }
    // Form1init and the main window shown, as at the program's start; 18:30
    // MEZ is 09:30 in Los Angeles.
    void start()
    {
        form = mainWindow(fake.platform(), windows, state, "America/Los_Angeles");
        form->Form1init();
        const auto count = [&](const auto& all) {
            return std::count_if(all.begin(), all.end(),
                                 [&](const auto& e) { return e.title == form->windowTitle(); });
        };
        const auto before = count(probe.windows());
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get(), test::kSwayBoundMs));
        ASSERT_TRUE(test::waitFor([] { return test::swayContainerOf(::getpid()) != 0; }));
        ASSERT_TRUE(test::listUntil(probe, [&](const auto& all) { return count(all) == before + 1; }));
        // The program's event loop reads the compositor's announcement of the
        // main window while its title is shown; here one read stands in.
        windows.windows();
    }
    bool listed(const QString& title, int boundMs = test::kSwayBoundMs)
    {
        return test::listUntil(
            probe, [&](const auto& all) { return titled(all, title) != nullptr; }, boundMs);
    }
    // A terminal window titled `title`, once listed. foot's server now and
    // then drops a client it was asked to start: it is asked again.
    std::unique_ptr<test::Program> openListed(const QString& title)
    {
        for (int attempt = 0; attempt < 3; ++attempt)
            if (auto window = terminals->window(title); listed(title, test::kSwayBoundMs / 3))
                return window;
        return nullptr;
    }
    // Activates windows in turn (by title, or "pid" the other instance) and
    // then the main window, as the click on its button does; takes the auction over.
    void take(const QStringList& focusOrder, qint64 otherPid = 0)
    {
        for (const QString& w : focusOrder)
            ASSERT_TRUE(w == u"pid" ? test::swaymsg(QStringLiteral("[pid=%1] focus").arg(otherPid)) : test::focus(w));
        ASSERT_TRUE(test::swaymsg(QStringLiteral("[pid=%1] focus").arg(::getpid())));
        emit form->Lbl_GetArtikel->clicked();
        EXPECT_TRUE(listed(form->windowTitle()));
    }

    static inline std::unique_ptr<test::FootServer> terminals;
    test::FakePlatform fake;
    platform::WindowListSession windows;
    platform::WindowListWayland probe;  // what the compositor lists, own windows included
    app::ProgramState state;
    std::unique_ptr<app::Form1> form;
};

// Native Firefox (fresh profile) shows an item page served on 127.0.0.1.
TEST_F(SwayDesktop, NativeFirefoxItemPageIsTakenOver)
{
    test::LoopbackHttpServer server;
    servePage(server, "/item", kItem);
    QTemporaryDir profile;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MOZ_ENABLE_WAYLAND"), QStringLiteral("1"));
    env.remove(QStringLiteral("DISPLAY"));  // so that it cannot fall back to Xwayland
    test::Program firefox(QStringLiteral("firefox-esr"), firefoxArgs(profile, {server.url("/item")}), env);
    ASSERT_TRUE(firefox.started());
    ASSERT_TRUE(test::listUntil(
        probe, [&](const auto& all) { return lists(all, kItem); }, 60'000))
        << test::titles(probe.windows());
    fake.clock.set(QDateTime(QDate(2027, 3, 12), QTime(9, 20, 0)));  // ten minutes before the end, local time
    start();
    EXPECT_EQ(form->windowTitle(), kCanon);
    EXPECT_EQ(form->Label1->caption(), QStringLiteral("endet am 12.03.2027 09:30:00"));
    EXPECT_EQ(form->LabelZeit->caption(), QStringLiteral("10 Minuten\r\n0 Sekunden"));
}

// Another Kiebitz, the real program with settings of its own, follows the
// same auction on Xwayland: it counts for InstanceCount where it stands above
// the item window; the own main window, of the very same title, never does.
TEST_F(SwayDesktop, OtherInstanceCountsOwnWindowNever)
{
    const auto item = openListed(kItem);
    ASSERT_TRUE(item) << terminals->log();
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_STATE_HOME"), home.filePath(QStringLiteral("state")));
    test::Program other(QStringLiteral(KIEBITZ_PROGRAM), {}, env);
    ASSERT_TRUE(other.started());
    ASSERT_TRUE(test::waitFor([&] { return test::swayContainerOf(other.pid()) != 0; }));
    ASSERT_TRUE(listed(kCanon)) << test::titles(probe.windows());
    // With Xwayland at hand the program's widgets use it (placement needs X11).
    platform::WindowListXcb x11;
    EXPECT_TRUE(test::waitFor([&] { return titled(x11.windows(), kCanon) != nullptr; }));
    start();  // the other instance, activated last, stands above the item
    EXPECT_EQ(state.auction.InstanceCount, 1);
    EXPECT_EQ(form->windowTitle(), kCanon);
    // focus order ("pid": the other instance), instances counted
    const std::pair<QStringList, int> cases[] = {{{"pid", kItem}, 0}, {{kItem, "pid"}, 1}, {{kItem}, 0}};
    for (const auto& [focusOrder, instances] : cases) {
        SCOPED_TRACE(focusOrder.join(u',').toStdString());
        take(focusOrder, other.pid());
        EXPECT_EQ(state.auction.InstanceCount, instances);
        EXPECT_EQ(form->windowTitle(), kCanon);
    }
}

}  // namespace
