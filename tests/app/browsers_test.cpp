// Taking the auction over from real browsers: Debian's Chromium and Firefox
// ESR, each in a fresh profile, showing item pages served on 127.0.0.1,
// under an X server with a window manager and a D-Bus session with the
// accessibility bus. Checked through the main window's caption and Label1.

#include "app/main_window.h"
#include "platform/linux/atspi_pages.h"
#include "platform/linux/time_zone_posix.h"
#include "platform/linux/window_list_xcb.h"
#include "support/fake_platform.h"
#include "support/loopback_http_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace kiebitz;
using test::LoopbackHttpServer;

namespace {

// Runs events until `done` holds, for at most `boundMs`; whether it holds.
bool runUntil(const std::function<bool()>& done, int boundMs)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < boundMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    return done();
}

const QByteArray kItemTitle = "eBay Artikel 1234567890 (Endet 12.03.27 18:30:00 MEZ) - Canon EOS 350D Body";
const QString kCaption = QStringLiteral("Canon EOS 350D Body Kiebitz");

LoopbackHttpServer::Response page(const QByteArray& title)
{
    LoopbackHttpServer::Response r;
    r.headerLines = {"Content-Type: text/html; charset=utf-8"};
    r.body = "<!DOCTYPE html><html><head><title>" + title + "</title></head><body><p>" + title + "</p></body></html>";
    return r;
}

// One browser run in a process group of its own, so that every helper
// process it starts ends with it.
class Browser {
public:
    Browser(const QString& program, QStringList args)
    {
        m_process.setProgram(program);
        m_process.setArguments(args);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.setChildProcessModifier([] { setpgid(0, 0); });
        m_process.start();
    }
    ~Browser()
    {
        if (m_process.processId() > 0)
            ::kill(-pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(10'000);
    }
    bool started() { return m_process.waitForStarted(10'000); }

private:
    QProcess m_process;
};

class RealBrowsers : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
    }
    void SetUp() override
    {
        for (const char* name : {"chromium", "firefox-esr"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty())
                GTEST_SKIP() << name << " is not installed";
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            GTEST_SKIP() << "no D-Bus session";
        server.route("/item", page(kItemTitle));
        server.route("/other", page("Andere Seite"));
        ASSERT_NE(atspi.switchState(), platform::AccessibilitySwitch::State::Unavailable);
        ASSERT_TRUE(atspi.switchOn());
    }

    std::unique_ptr<Browser> chromium(const QStringList& paths, bool accessibility)
    {
        QStringList args = {QStringLiteral("--no-sandbox"),
                            QStringLiteral("--no-first-run"),
                            QStringLiteral("--disable-background-networking"),
                            QStringLiteral("--disable-component-update"),
                            QStringLiteral("--disable-sync"),
                            QStringLiteral("--password-store=basic"),
                            QStringLiteral("--user-data-dir=") + profile.path()};
        if (accessibility)
            args << QStringLiteral("--force-renderer-accessibility");
        for (const QString& p : paths)
            args << server.url(p);
        return std::make_unique<Browser>(QStringLiteral("chromium"), args);
    }
    std::unique_ptr<Browser> firefox(const QStringList& paths)
    {
        QFile prefs(profile.filePath(QStringLiteral("user.js")));
        EXPECT_TRUE(prefs.open(QIODevice::WriteOnly));
        for (const char* pref :
             {"browser.shell.checkDefaultBrowser\", false", "browser.aboutwelcome.enabled\", false",
              "browser.startup.homepage_override.mstone\", \"ignore\"",
              "datareporting.policy.dataSubmissionEnabled\", false",
              "toolkit.telemetry.reportingpolicy.firstRun\", false", "browser.tabs.warnOnClose\", false"})
            prefs.write(QByteArray("user_pref(\"") + pref + ");\n");
        prefs.close();
        QStringList args = {QStringLiteral("--no-remote"), QStringLiteral("--profile"), profile.path()};
        for (const QString& p : paths)
            args << server.url(p);
        return std::make_unique<Browser>(QStringLiteral("firefox-esr"), args);
    }

    // Waits until a top-level window's title starts with `prefix`.
    bool windowShows(const QString& prefix)
    {
        return runUntil(
            [&] {
                for (const auto& w : windows.windows())
                    if (w.title.startsWith(prefix))
                        return true;
                return false;
            },
            60'000);
    }
    // Waits until the accessibility bus lists a page titled as the item.
    bool busListsTheItem()
    {
        return runUntil(
            [&] {
                for (const auto& p : atspi.pages())
                    if (p.title == QString::fromUtf8(kItemTitle))
                        return true;
                return false;
            },
            60'000);
    }

    // "Artikel übernehmen" on a real main window.
    std::unique_ptr<app::Form1> click()
    {
        auto p = fake.platform();
        p.windows = &windows;
        p.shellWindows = &shell;
        p.dde = &dde;
        p.timeZone = &zone;
        p.accessibility = &accessibilitySwitch;
        auto form = std::make_unique<app::Form1>(p, state);
        form->Form1init();
        emit form->Lbl_GetArtikel->clicked();
        return form;
    }

    LoopbackHttpServer server;
    QTemporaryDir profile;
    test::FakePlatform fake;
    platform::WindowListXcb windows;
    platform::AtspiBus atspi;
    platform::AtspiShellWindows shell{atspi};
    platform::AtspiDdeClient dde{atspi};
    platform::AtspiAccessibilitySwitch accessibilitySwitch{atspi};
    platform::TimeZonePosix zone;
    app::ProgramState state;
};

void expectTaken(const app::Form1& form)
{
    EXPECT_EQ(form.windowTitle(), kCaption);
    EXPECT_EQ(form.Label1->caption(), QStringLiteral("endet am 12.03.2027 18:30:00"));
}

}  // namespace

// Chromium as it comes: it draws its own frame, and its window title names
// the shown page; nothing on the accessibility bus is needed.
TEST_F(RealBrowsers, ChromiumInItsOwnFrame)
{
    const auto browser = chromium({QStringLiteral("/item")}, false);
    ASSERT_TRUE(browser->started());
    ASSERT_TRUE(windowShows(QString::fromUtf8(kItemTitle)));
    expectTaken(*click());
}

TEST_F(RealBrowsers, FirefoxShownTab)
{
    const auto browser = firefox({QStringLiteral("/item"), QStringLiteral("/other")});
    ASSERT_TRUE(browser->started());
    ASSERT_TRUE(windowShows(QString::fromUtf8(kItemTitle)));
    expectTaken(*click());
}

// The auction in a background tab, found through the browsers' page list.
TEST_F(RealBrowsers, BackgroundTabs)
{
    for (const bool useChromium : {false, true}) {
        SCOPED_TRACE(useChromium ? "Chromium" : "Firefox");
        const QStringList paths = {QStringLiteral("/other"), QStringLiteral("/item")};
        const auto browser = useChromium ? chromium(paths, true) : firefox(paths);
        ASSERT_TRUE(browser->started());
        ASSERT_TRUE(windowShows(QStringLiteral("Andere Seite")));
        ASSERT_TRUE(busListsTheItem());
        expectTaken(*click());
    }
}
