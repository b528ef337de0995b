// Click to shown auction with real browsers: Chromium and Firefox ESR with 20
// tabs in all on the accessibility bus, plus 300 other windows. Prints the
// median of 20 runs of
//   - one plain scan of the X11 window list (WindowListXcb::windows),
//   - one read of the accessibility bus (AtspiBus::pages), for reference,
//   - a click whose auction is in a browser's active tab: the direct X11 path,
//   - a click whose auction is only in a background tab: the page-list path,
//     every click reading the bus (target: under 150 ms); with reuse 0 each
//     step of the click reads it again, so the same is also timed with the
//     program's reuse time and the clicks further apart.
// A click is capture::take_Auction with the Linux window list, browser list,
// page question and time zone; each one must take the auction over.
//
// Run by hand, under an X server with a window manager and in a D-Bus
// session with the accessibility bus switched on, e.g.:
//   Xvfb :171 -screen 0 1280x1024x24 -nolisten tcp &
//   DISPLAY=:171 dbus-run-session -- bash -c 'openbox & sleep 1; A11Y; build/bench/page_list_bench'
// where A11Y switches the bus on (the program also does it when it is off):
//   dbus-send --session --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set
//             string:org.a11y.Status string:IsEnabled variant:boolean:true
// Needs chromium, firefox-esr and at-spi2-core. The pages are served on
// 127.0.0.1 by this program; the browsers run with fresh profiles and are
// killed at the end, with this program's windows. Every wait is bounded.
#include "capture/auction.h"
#include "core/program_values.h"
#include "platform/linux/atspi_pages.h"
#include "platform/linux/time_zone_posix.h"
#include "platform/linux/window_list_xcb.h"
#include "platform/message_box.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

using namespace kiebitz;

namespace {

const QByteArray kItem = "eBay Artikel 1234567890 (Endet 12.03.27 18:30:00 MEZ) - Canon EOS 350D Body";
constexpr int kRuns = 20;
constexpr int kOtherWindows = 300;

// The pages: "/p/N" is "Seite N", "/item" the auction, and "/shown" the
// auction until flip(), then "/p/0" (its script waits for "/flip", which is
// answered then; a new document, as Chromium's accessible document keeps
// its name when only the title changes).
class PageServer {
public:
    PageServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { read(s); });
            }
        });
    }
    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:") + QString::number(m_server.serverPort()) + path;
    }
    void flip()
    {
        m_flipped = true;
        for (QTcpSocket* s : std::exchange(m_waiting, {}))
            answer(s, "200 OK", {});
    }

private:
    void read(QTcpSocket* s)
    {
        const QByteArray request = s->property("request").toByteArray() + s->readAll();
        s->setProperty("request", request);
        if (!request.contains("\r\n\r\n"))
            return;
        const QByteArray path = request.split(' ').value(1);
        if (path == "/flip" && !m_flipped)
            m_waiting.push_back(s);
        else if (path == "/flip")
            answer(s, "200 OK", {});
        else if (path == "/item")
            answer(s, "200 OK", page(kItem));
        else if (path == "/shown")
            answer(s, "200 OK", page(kItem, "fetch('/flip').then(function () { location.replace('/p/0'); });"));
        else if (path.startsWith("/p/"))
            answer(s, "200 OK", page("Seite " + path.mid(3)));
        else
            answer(s, "404 Not Found", {});
    }
    static QByteArray page(const QByteArray& title, const QByteArray& script = {})
    {
        return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + title + "</title></head><body><p>" +
               title + "</p><script>" + script + "</script></body></html>";
    }
    static void answer(QTcpSocket* s, const QByteArray& status, const QByteArray& body)
    {
        s->write("HTTP/1.1 " + status + "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                 QByteArray::number(body.size()) + "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + body);
        s->disconnectFromHost();
    }

    QTcpServer m_server;
    std::vector<QTcpSocket*> m_waiting;
    bool m_flipped = false;
};

// A browser in a process group of its own, so that its helpers end with it.
class Browser {
public:
    Browser(const QString& program, const QStringList& args)
    {
        m_process.setProgram(program);
        m_process.setArguments(args);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.setChildProcessModifier([] { setpgid(0, 0); });
        m_process.start();
        m_process.waitForStarted(10'000);
    }
    ~Browser()
    {
        if (m_process.processId() > 0)
            ::kill(-pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(10'000);
    }

private:
    QProcess m_process;
};

// Titled, mapped top-level windows of a connection of their own.
class PlainWindows {
public:
    explicit PlainWindows(int count) : m_c(xcb_connect(nullptr, nullptr))
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
        const auto atom = [&](const char* name) {
            xcb_intern_atom_reply_t* r =
                xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, std::uint16_t(strlen(name)), name), nullptr);
            const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
            free(r);
            return a;
        };
        const xcb_atom_t utf8 = atom("UTF8_STRING"), netName = atom("_NET_WM_NAME");
        for (int i = 0; i < count; ++i) {
            const xcb_window_t w = xcb_generate_id(m_c);
            xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, root, 10 + i % 50 * 4, 10 + i % 40 * 4, 240, 120, 0,
                              XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
            const QByteArray title = "Fenster Nr. " + QByteArray::number(i) + " – Bieter";
            xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, netName, utf8, 8, std::uint32_t(title.size()),
                                title.data());
            xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                                std::uint32_t(title.size()), title.data());
            xcb_map_window(m_c, w);
            made.push_back(w);
        }
        xcb_flush(m_c);
    }
    ~PlainWindows()
    {
        for (const xcb_window_t w : made)
            xcb_destroy_window(m_c, w);
        xcb_flush(m_c);
        xcb_disconnect(m_c);
    }
    std::vector<xcb_window_t> made;

private:
    xcb_connection_t* m_c;
};

// Error reports a click would show the user, counted instead.
class CountedMessages : public platform::MessageBox {
public:
    int show(const QString& text, int, const QString&, const platform::HelpReference&) override
    {
        last = text;
        ++shown;
        return platform::kOkPressed;
    }
    int shown = 0;
    QString last;
};

class NoDisplay : public capture::AuctionDisplay {
public:
    void show_NoAuction() override {}
    void show_Auction(core::DateValue) override {}
};

// Runs events until `done` holds, for at most `boundMs`; whether it holds.
bool waitFor(const std::function<bool()>& done, int boundMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > boundMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        usleep(100'000);
    }
    return true;
}

// Median time of `f` over kRuns calls, each after an untimed pause;
// nothing when a call fails.
std::optional<double> medianMs(const std::function<bool()>& f, int pauseMs = 0)
{
    std::vector<double> t;
    for (int i = 0; i < kRuns; ++i) {
        usleep(useconds_t(pauseMs) * 1000);
        QElapsedTimer timer;
        timer.start();
        if (!f())
            return std::nullopt;
        t.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

void print(const char* what, std::optional<double> v)
{
    if (v)
        std::printf("  %-58s %8.1f ms\n", what, *v);
    else
        std::printf("  %-58s %8s\n", what, "failed");
}

bool windowTitled(platform::WindowList& list, const QString& title)
{
    const auto all = list.windows();
    return std::any_of(all.begin(), all.end(), [&](const platform::WindowEntry& w) { return w.title == title; });
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    platform::WindowListXcb list;
    platform::AtspiBus atspi({}, platform::AtspiBus::kBudgetMs, 0);
    const auto state = atspi.switchState();
    if (qEnvironmentVariableIsEmpty("DISPLAY") || state == platform::AccessibilitySwitch::State::Unavailable) {
        std::fprintf(stderr, "needs an X display with a window manager and a D-Bus session with at-spi2-core\n");
        return 1;
    }
    if (state == platform::AccessibilitySwitch::State::Off)
        atspi.switchOn();

    PageServer server;
    QTemporaryDir chromiumProfile, firefoxProfile;
    QFile prefs(firefoxProfile.filePath(QStringLiteral("user.js")));
    prefs.open(QIODevice::WriteOnly);
    // No first-run, welcome or default-browser pages.
    for (const char* pref :
         {"browser.shell.checkDefaultBrowser\", false", "browser.aboutwelcome.enabled\", false",
          "browser.startup.homepage_override.mstone\", \"ignore\"", "startup.homepage_welcome_url\", \"\"",
          "datareporting.policy.dataSubmissionEnabled\", false",
          "toolkit.telemetry.reportingpolicy.firstRun\", false", "browser.tabs.warnOnClose\", false"})
        prefs.write(QByteArray("user_pref(\"") + pref + ");\n");
    prefs.close();

    // Chromium: the auction in its shown tab, "Seite 1" to "Seite 9" behind;
    // Firefox: "Seite 10" shown, the auction in its sixth tab.
    QStringList chromiumArgs = {"--no-sandbox",
                                "--no-first-run",
                                "--disable-background-networking",
                                "--disable-component-update",
                                "--disable-sync",
                                "--password-store=basic",
                                "--force-renderer-accessibility",
                                "--user-data-dir=" + chromiumProfile.path(),
                                server.url("/shown")};
    QStringList firefoxArgs = {"--no-remote", "--profile", firefoxProfile.path()};
    for (int i = 1; i <= 9; ++i)
        chromiumArgs << server.url("/p/" + QString::number(i));
    for (int i = 10; i <= 18; ++i) {
        if (i == 15)
            firefoxArgs << server.url(QStringLiteral("/item"));
        firefoxArgs << server.url("/p/" + QString::number(i));
    }
    Browser chromium(QStringLiteral("chromium"), chromiumArgs);
    Browser firefox(QStringLiteral("firefox-esr"), firefoxArgs);

    // Until both browsers list every tab on the bus and Chromium's window
    // shows the auction.
    std::vector<platform::AtspiPage> pages;
    const auto allListed = [&] {
        pages = atspi.pages();
        QSet<QString> titles;
        int items = 0;
        for (const auto& p : pages) {
            titles << p.title;
            // Chromium's shown tab may add " - Memory usage - 22.3 MB".
            items += p.url.isEmpty() && p.title.startsWith(QString::fromUtf8(kItem));
        }
        for (int i = 1; i <= 18; ++i)
            if (!titles.contains("Seite " + QString::number(i)))
                return false;
        return items >= 2 && windowTitled(list, QString::fromUtf8(kItem) + " - Chromium");
    };
    if (!waitFor(allListed, 120'000)) {
        std::fprintf(stderr, "the browsers did not list their 20 tabs within 2 minutes; %zu pages:\n", pages.size());
        for (const auto& p : pages)
            std::fprintf(stderr, "  %s | %s | %s | %d\n", qPrintable(p.application), qPrintable(p.title),
                         qPrintable(p.url), int(p.selected));
        for (const auto& w : list.windows())
            std::fprintf(stderr, "  window %s\n", qPrintable(w.title));
        return 1;
    }

    PlainWindows others(kOtherWindows);
    const bool othersListed = waitFor(
        [&] {
            const auto all = list.windows();
            return std::count_if(all.begin(), all.end(), [&](const platform::WindowEntry& w) {
                       return !w.title.isEmpty() &&
                              std::find(others.made.begin(), others.made.end(), w.id) != others.made.end();
                   }) == kOtherWindows;
        },
        30'000);

    platform::AtspiShellWindows shell(atspi);
    platform::AtspiDdeClient dde(atspi);
    platform::TimeZonePosix zone;
    capture::CaptureContext context;
    context.platform.windows = &list;
    context.platform.shellWindows = &shell;
    context.platform.dde = &dde;
    context.platform.timeZone = &zone;
    CountedMessages messages;
    context.platform.messages = &messages;
    context.windowStyleMask = core::WS_VISIBLE | core::WS_BORDER;
    const auto clickIn = [](const capture::CaptureContext& c) {
        capture::AuctionRecord record;
        NoDisplay display;
        capture::take_Auction(c, record, display);
        return record.ItemNumber == QStringLiteral("1234567890") && record.AuctionEnd != core::kZeroDate;
    };
    const auto click = [&] { return clickIn(context); };
    // As in the program: a click reads the bus once and its later steps
    // reuse that answer; clicks further apart than the reuse time.
    platform::AtspiBus pacedBus;
    platform::AtspiShellWindows pacedShell(pacedBus);
    platform::AtspiDdeClient pacedDde(pacedBus);
    capture::CaptureContext paced = context;
    paced.platform.shellWindows = &pacedShell;
    paced.platform.dde = &pacedDde;

    std::size_t tabs = 0;
    for (const auto& p : pages)
        tabs += p.url.isEmpty();
    std::printf("%d other windows%s, %zu windows in the list, %zu pages on the bus (%zu tabs)\n", kOtherWindows,
                othersListed ? "" : " (not all listed)", list.windows().size(), pages.size(), tabs);
    std::printf("median of %d:\n", kRuns);
    print("one plain X11 scan (WindowListXcb::windows)", medianMs([&] { return !list.windows().empty(); }));
    print("click, auction in an active tab (direct X11 path)", medianMs(click));
    print("one read of the accessibility bus (AtspiBus::pages)", medianMs([&] { return !atspi.pages().empty(); }));

    // The shown tab turns into "Seite 0": the auction is only in Firefox's
    // background tab.
    server.flip();
    const bool flipped = waitFor(
        [&] {
            const auto now = atspi.pages();
            return windowTitled(list, QStringLiteral("Seite 0 - Chromium")) &&
                   std::none_of(now.begin(), now.end(), [](const platform::AtspiPage& p) {
                       return p.selected && p.title.startsWith(QString::fromUtf8(kItem));
                   });
        },
        30'000);
    if (flipped) {
        print("click, auction in a background tab (page-list path)", medianMs(click));
        print("the same, one bus read a click (reuse as in the program)",
              medianMs([&] { return clickIn(paced); }, platform::AtspiBus::kReuseMs + 100));
    } else {
        std::printf("the shown tab did not change; the browsers show:\n");
        for (const auto& p : atspi.pages())
            if (p.selected)
                std::printf("  %s | %s\n", qPrintable(p.title), qPrintable(p.url));
    }
    if (messages.shown > 0)
        std::printf("%d error reports during the clicks, the last: %s\n", messages.shown,
                    qPrintable(QString(messages.last).replace(u'\n', u' ')));
    return 0;
}
