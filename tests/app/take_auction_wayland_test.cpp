// "Artikel übernehmen" on a real headless sway (scripts/wayland-tests): the
// auction of a native Wayland Firefox or foot window, the order of
// activation choosing among item windows, and a second Kiebitz (the real
// program) counted while the own main window never is. Run twice, with the
// main window on Xwayland (QT_QPA_PLATFORM=xcb) and native (wayland).

#include "app/main_window.h"
#include "core/program_values.h"
#include "platform/linux/time_zone_posix.h"
#include "platform/linux/window_list_session.h"
#include "platform/linux/window_list_xcb.h"
#include "platform/null_facilities.h"
#include "support/fake_platform.h"
#include "support/loopback_http_server.h"
#include "support/sway_session.h"

#include <QFile>
#include <QTest>

#include <cstdlib>
#include <ctime>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace kiebitz;
using test::Program;
using test::titled;

namespace {

const QString kItemTitle =
    QStringLiteral("eBay Artikel 1234567890 (Endet 12.03.27 18:30:00 MEZ) - Canon EOS 350D Body");
const QString kOtherItem =
    QStringLiteral("eBay Artikel 2345678901 (Endet 14.03.27 20:15:00 MEZ) - Nikon D70 Gehäuse");

class SwayDesktop : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // 18:30 MEZ is 09:30 in Los Angeles (both zones still in winter time).
        setenv("TZ", "America/Los_Angeles", 1);
        tzset();
        if (test::swaySession())
            terminals = std::make_unique<test::FootServer>();
    }
    static void TearDownTestSuite() { terminals.reset(); }
    void SetUp() override
    {
        if (!test::swaySession())
            GTEST_FAIL() << "needs a running sway (WAYLAND_DISPLAY, SWAYSOCK)";
        ASSERT_TRUE(terminals->ready());
        auto p = fake.platform();
        p.windows = &windows;
        p.dde = &dde;
        p.timeZone = &zone;
        form = std::make_unique<app::Form1>(p, state);
    }
    // Every window of the test closed before the next one starts.
    void TearDown() override
    {
        form.reset();
        EXPECT_TRUE(test::listUntil(probe, [](const auto& all) { return all.empty(); }))
            << test::titles(probe.windows());
    }
    // Form1init and the main window shown, as at the program's start.
    void start()
    {
        form->Form1init();
        const QString title = form->windowTitle();
        const auto shown = [&](const std::vector<platform::WindowEntry>& all) {
            return std::count_if(all.begin(), all.end(), [&](const auto& e) { return e.title == title; });
        };
        const auto before = shown(probe.windows());
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get(), test::kSwayBoundMs));
        ASSERT_TRUE(test::waitFor([] { return test::swayContainerOf(::getpid()) != 0; }));
        ASSERT_TRUE(test::listUntil(probe, [&](const auto& all) { return shown(all) == before + 1; }));
        // The program's event loop reads the compositor's announcement of the
        // main window while its title is shown; here one read stands in.
        windows.windows();
    }
    bool listed(const QString& title, int boundMs = test::kSwayBoundMs)
    {
        return test::listUntil(
            probe, [&](const auto& all) { return titled(all, title) != nullptr; }, boundMs);
    }
    // A terminal window titled `title`, once it is listed. foot's server now
    // and then drops a client it was asked to start: a window that does not
    // show is asked for again.
    std::unique_ptr<Program> openListed(const QString& title)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            auto window = terminals->window(title);
            if (listed(title, test::kSwayBoundMs / 3))
                return window;
        }
        return nullptr;
    }
    // Activates the main window, as the click on its button does.
    bool focusMainWindow() { return test::swaymsg(QStringLiteral("[pid=%1] focus").arg(::getpid())); }
    void take() { emit form->Lbl_GetArtikel->clicked(); }

    static inline std::unique_ptr<test::FootServer> terminals;
    test::FakePlatform fake;
    platform::WindowListSession windows;
    platform::WindowListWayland probe;  // what the compositor lists, own windows included
    platform::NoDdeClient dde;
    platform::TimeZonePosix zone;
    app::ProgramState state;
    std::unique_ptr<app::Form1> form;
};

}  // namespace

// Native Firefox (fresh profile) shows an item page served on 127.0.0.1.
TEST_F(SwayDesktop, NativeFirefoxItemPageIsTakenOver)
{
    test::LoopbackHttpServer server;
    test::LoopbackHttpServer::Response page;
    page.headerLines = {"Content-Type: text/html; charset=utf-8"};
    page.body = "<!DOCTYPE html><html><head><title>" + kItemTitle.toUtf8() + "</title></head><body></body></html>";
    server.route("/item", page);
    QTemporaryDir profile;
    QFile prefs(profile.filePath(QStringLiteral("user.js")));
    ASSERT_TRUE(prefs.open(QIODevice::WriteOnly));
    for (const char* pref : {"browser.shell.checkDefaultBrowser\", false", "browser.aboutwelcome.enabled\", false",
                             "browser.startup.homepage_override.mstone\", \"ignore\"",
                             "datareporting.policy.dataSubmissionEnabled\", false",
                             "toolkit.telemetry.reportingpolicy.firstRun\", false"})
        prefs.write(QByteArray("user_pref(\"") + pref + ");\n");
    prefs.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MOZ_ENABLE_WAYLAND"), QStringLiteral("1"));
    env.remove(QStringLiteral("DISPLAY"));  // so that it cannot fall back to Xwayland
    Program firefox(QStringLiteral("firefox-esr"),
                    {QStringLiteral("--no-remote"), QStringLiteral("--profile"), profile.path(),
                     server.url(QStringLiteral("/item"))},
                    env);
    ASSERT_TRUE(firefox.started());
    ASSERT_TRUE(test::listUntil(
        probe,
        [&](const auto& all) {
            for (const platform::WindowEntry& e : all)
                if (e.title.startsWith(kItemTitle))
                    return true;
            return false;
        },
        60'000))
        << test::titles(probe.windows());

    // Ten minutes before the end in local time.
    fake.clock.set(QDateTime(QDate(2027, 3, 12), QTime(9, 20, 0)));
    start();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Canon EOS 350D Body Kiebitz"));
    EXPECT_EQ(form->Label1->caption(), QStringLiteral("endet am 12.03.2027 09:30:00"));
    EXPECT_TRUE(form->Timer1->isEnabled());
    EXPECT_EQ(form->LabelZeit->caption(), QStringLiteral("10 Minuten\r\n0 Sekunden"));
}

// Of several item windows the one activated last is taken.
TEST_F(SwayDesktop, LastActivatedItemWindowWins)
{
    struct Case {
        const char* name;
        QStringList focusOrder;
        QString caption;
    } cases[] = {
        {"second opened last", {}, QStringLiteral("Nikon D70 Gehäuse Kiebitz")},
        {"first activated", {kItemTitle}, QStringLiteral("Canon EOS 350D Body Kiebitz")},
        {"both in turn", {kOtherItem, kItemTitle, kOtherItem}, QStringLiteral("Nikon D70 Gehäuse Kiebitz")},
    };
    const auto first = terminals->window(kItemTitle);
    ASSERT_TRUE(listed(kItemTitle));
    const auto second = terminals->window(kOtherItem);
    ASSERT_TRUE(listed(kOtherItem));
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString& title : c.focusOrder)
            ASSERT_TRUE(test::focus(title));
        ASSERT_TRUE(focusMainWindow());
        take();
        EXPECT_EQ(form->windowTitle(), c.caption);
        ASSERT_TRUE(listed(form->windowTitle()));
    }
}

// Another Kiebitz, the real program with settings of its own, follows the
// same auction on Xwayland: it counts for InstanceCount where it stands above
// the item window, the own main window, of the very same title, never does.
TEST_F(SwayDesktop, OtherInstanceCountsOwnWindowNever)
{
    const auto item = openListed(kItemTitle);
    ASSERT_TRUE(item) << terminals->log();
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_STATE_HOME"), home.filePath(QStringLiteral("state")));
    Program other(QStringLiteral(KIEBITZ_PROGRAM), {}, env);
    ASSERT_TRUE(other.started());
    ASSERT_TRUE(test::waitFor([&] { return test::swayContainerOf(other.pid()) != 0; }));
    const QString following = QStringLiteral("Canon EOS 350D Body Kiebitz");
    ASSERT_TRUE(listed(following)) << test::titles(probe.windows());
    // With Xwayland at hand the program's widgets use it (placement needs X11).
    platform::WindowListXcb x11;
    EXPECT_TRUE(test::waitFor([&] { return titled(x11.windows(), following) != nullptr; }));

    // At the start the other instance, activated last, stands above the item.
    start();
    EXPECT_EQ(state.auction.InstanceCount, 1);
    EXPECT_EQ(form->windowTitle(), following);

    struct Case {
        const char* name;
        std::vector<int> focusOrder;  // 0: the item window, 1: the other instance
        int instances;
    } cases[] = {
        {"other below the item", {1, 0}, 0},
        {"other above the item", {0, 1}, 1},
        {"other below again", {0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const int w : c.focusOrder)
            ASSERT_TRUE(w == 0 ? test::focus(kItemTitle)
                               : test::swaymsg(QStringLiteral("[pid=%1] focus").arg(other.pid())));
        // The click on "Artikel übernehmen" activates the main window.
        ASSERT_TRUE(focusMainWindow());
        take();
        EXPECT_EQ(state.auction.InstanceCount, c.instances);
        EXPECT_EQ(form->windowTitle(), following);
        ASSERT_TRUE(listed(following));
    }
}
