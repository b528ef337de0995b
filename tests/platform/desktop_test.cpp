// The window lists and the window flash on real desktops: an X server with
// a window manager (KIEBITZ_EXPECT_WM=1) and without one; a headless sway
// with native foot windows and X11 windows on its Xwayland, and KWin on
// Wayland, both started by scripts/wayland-tests (there sway keeps windows
// titled "Nie aktiv ..." from being activated). X11 windows are made by a
// client of their own, as another program would make them.

#include "core/program_values.h"
#include "platform/linux/window_flash_x11.h"
#include "platform/linux/window_list_kwin.h"
#include "platform/linux/window_list_session.h"
#include "platform/linux/window_list_wayland.h"
#include "platform/linux/window_list_xcb.h"
#include "support/sway_session.h"

#include <QLocalServer>
#include <QtWidgets>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <deque>
#include <ranges>
#include <thread>

using namespace kiebitz;
using platform::WindowEntry;
using platform::WindowId;
using test::titled;

namespace {

constexpr std::uint32_t kVisible = core::WS_VISIBLE, kTask = core::WS_VISIBLE | core::WS_BORDER;
constexpr WindowId kFirstMadeId = WindowId(1) << 63;  // of the ids the Wayland and KWin lists make
constexpr int kBoundMs = test::kSwayBoundMs;

bool expectWm() { return qEnvironmentVariableIntValue("KIEBITZ_EXPECT_WM") == 1; }
QByteArray words(std::initializer_list<std::uint32_t> v)
{
    return {reinterpret_cast<const char*>(v.begin()), 4 * int(v.size())};
}
template <class T> std::unique_ptr<T, void (*)(void*)> reply(T* r) { return {r, &std::free}; }

// A plain xcb client, as another program on the display would be; its
// windows go when it disconnects.
struct XClient {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xcb_screen_t* screen = xcb_connection_has_error(c) ? nullptr : xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    ~XClient() { xcb_disconnect(c); }
    xcb_atom_t atom(const std::string& name)
    {
        const auto r =
            reply(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(name.size()), name.data()), nullptr));
        return r ? r->atom : 0;
    }
    // An unmapped window, painted so that Xwayland shows it.
    xcb_window_t window(bool overrideRedirect = false)
    {
        const xcb_window_t w = xcb_generate_id(c);
        const std::uint32_t values[] = {screen->white_pixel, overrideRedirect};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 40, 40, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        return w;
    }
    // Text (format 8), or 32-bit values given as their bytes.
    void set(xcb_window_t w, const char* property, const char* type, const QByteArray& data, int format = 8)
    {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(property), atom(type), std::uint8_t(format),
                            std::uint32_t(data.size() * 8 / format), data.constData());
    }
    std::vector<std::uint32_t> words(xcb_window_t w, const char* property, const char* type)
    {
        const auto r =
            reply(xcb_get_property_reply(c, xcb_get_property(c, 0, w, atom(property), atom(type), 0, 1024), nullptr));
        const auto* p =
            static_cast<const std::uint32_t*>(r && r->format == 32 ? xcb_get_property_value(r.get()) : nullptr);
        return {p, p ? p + xcb_get_property_value_length(r.get()) / 4 : p};
    }
    // Returns once the server has handled every request sent so far.
    void sync() { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }
};

// Without a desktop to read every list is empty, and soon.
TEST(WindowLists, WithoutDesktopListNothingInTime)
{
    QLocalServer silent;  // takes connections, never answers
    ASSERT_TRUE(silent.listen(QStringLiteral("kiebitz-silent-%1").arg(QCoreApplication::applicationPid())));
    platform::WindowListWayland none("wayland-kiebitz-none", nullptr, {}, 300),
        mute(silent.fullServerName().toLocal8Bit(), nullptr, {}, 300);
    platform::WindowListKWin kwin(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent"), "none"),
                                  nullptr, 300);
    platform::WindowListXcb x11(":4999"), nonsense("no display here");
    EXPECT_FALSE(none.available() || mute.available() || kwin.available());
    for (platform::WindowList* list :
         std::initializer_list<platform::WindowList*>{&none, &mute, &kwin, &x11, &nonsense}) {
        const QDeadlineTimer bound(3000);
        EXPECT_TRUE(list->windows().empty());
        EXPECT_EQ(list->style(1) | list->style(kFirstMadeId), 0u);
        EXPECT_FALSE(bound.hasExpired());
    }
}

// Reads `list` 1000 times, within `boundMs`, while windows titled "Churn
// <n>" come and go (`each` runs after every read): no entry without an id
// or with a broken title, and some churned windows among them.
void readWhileChurning(platform::WindowList& list, int boundMs,
                       const std::function<void(int, const std::vector<WindowEntry>&)>& each)
{
    int reads = 0, churned = 0;
    for (const QDeadlineTimer bound(boundMs); reads < 1000 && !bound.hasExpired();) {
        const std::vector<WindowEntry> all = list.windows();
        for (const WindowEntry& e : all) {
            churned += e.title.startsWith(u"Churn ");
            EXPECT_TRUE(e.id != 0 && (!e.title.startsWith(u"Churn ") || e.title.mid(6).toInt() > 0))
                << e.title.toStdString();
        }
        each(++reads, all);
    }
    EXPECT_EQ(reads, 1000) << "the reads took too long";
    EXPECT_GT(churned, 0);
}

class X11Desktop : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(x.screen) << "needs an X display"; }
    // Maps `ws` and, with a window manager, waits until it manages them all
    // (ICCCM NormalState, EWMH client list). A manager that is still
    // starting may miss a map request: a window it has not taken is mapped anew.
    bool map(const std::vector<xcb_window_t>& ws)
    {
        const auto managed = [&](xcb_window_t w) {
            return std::ranges::count(x.words(w, "WM_STATE", "WM_STATE"), 1u) > 0 &&
                   std::ranges::count(x.words(x.screen->root, "_NET_CLIENT_LIST_STACKING", "WINDOW"), w) > 0;
        };
        for (int attempt = 0; attempt < 3; ++attempt) {
            for (const xcb_window_t w : ws)
                if (!managed(w)) {
                    xcb_unmap_window(x.c, w);
                    xcb_map_window(x.c, w);
                }
            x.sync();
            if (!expectWm() || test::waitFor([&] { return std::ranges::all_of(ws, managed); }, kBoundMs / 3))
                return true;
        }
        return false;
    }

    XClient x;
    platform::WindowListXcb list;
};

// Titles: _NET_WM_NAME as UTF-8, else WM_NAME as UTF-8 or Latin-1, longer
// than one read (64 KiB), cut at a NUL, broken UTF-8. Styles by window
// type, state and frame (ICCCM, EWMH), by style(id) and in the list. The
// list's order and the program's own windows (by winId()) are checked by
// the take-over tests of the main window on this display.
TEST_F(X11Desktop, TitlesAndStylesOfWindows)
{
    enum Then { Mapped, OverrideRedirect, Withdrawn, Iconified, Destroyed };
    using Property = std::tuple<const char*, const char*, QByteArray, int>;
    const auto atom = [&](const char* property, const char* value) {
        return Property{property, "ATOM", words({x.atom(property + std::string("_") + value)}), 32};
    };
    const auto utf8 = [](QByteArray bytes) { return Property{"_NET_WM_NAME", "UTF8_STRING", bytes, 8}; };
    const auto name = [](const char* type, QByteArray bytes) { return Property{"WM_NAME", type, bytes, 8}; };
    QString longTitle;
    for (int i = 0; i < 65000; ++i)
        longTitle += QStringLiteral("abcäöü€ß XYZ-")[i % 13];
    const std::tuple<std::vector<Property>, Then, std::uint32_t, QString> cases[] = {
        {{utf8("Grüße €"), name("STRING", "x")}, Mapped, kTask, "Grüße €"},
        {{name("STRING", "M\xfcller")}, Mapped, kTask, "Müller"},
        {{name("UTF8_STRING", "Müller")}, Mapped, kTask, "Müller"},
        {{name("COMPOUND_TEXT", "Gr\xfc\xdf")}, Mapped, kTask, "Grüß"},
        {{{"_NET_WM_NAME", "STRING", "wrong type", 8}, name("STRING", "M\xfcller")}, Mapped, kTask, "Müller"},
        {{utf8(longTitle.toUtf8())}, Mapped, kTask, longTitle},
        {{name("STRING", QByteArray(70000, '\xe9'))}, Mapped, kTask, QString(70000, QChar(0xe9))},
        {{utf8(QByteArray("Auktion\0 Rest", 13))}, Mapped, kTask, "Auktion"},
        {{utf8("ab\xff\xfe-\xc3")}, Mapped, kTask, "ab\ufffd\ufffd-\ufffd"},
        {{atom("_NET_WM_WINDOW_TYPE", "DIALOG")}, Mapped, kTask, ""},
        {{atom("_NET_WM_WINDOW_TYPE", "DOCK")}, Mapped, kVisible, ""},
        {{atom("_NET_WM_WINDOW_TYPE", "UTILITY")}, Mapped, kVisible, ""},
        {{atom("_NET_WM_STATE", "FULLSCREEN")}, Mapped, kTask, ""},
        {{atom("_NET_WM_STATE", "SKIP_TASKBAR")}, Mapped, kVisible, ""},
        // A browser that draws its own frame: no decorations by the manager.
        {{{"_MOTIF_WM_HINTS", "_MOTIF_WM_HINTS", words({2, 0, 0, 0, 0}), 32}}, Mapped, kTask, ""},
        {{}, OverrideRedirect, kVisible, ""},
        {{}, Withdrawn, 0, ""},
        {{}, Iconified, kVisible, ""},
        {{}, Destroyed, 0, ""},
    };
    std::vector<xcb_window_t> w, managed;
    for (const auto& [properties, then, style, title] : cases) {
        w.push_back(x.window(then == OverrideRedirect));
        for (const auto& [name, type, value, format] : properties)
            x.set(w.back(), name, type, value, format);
        if (then != OverrideRedirect)
            managed.push_back(w.back());
    }
    ASSERT_TRUE(map(managed));
    for (std::size_t i = 0; i < w.size(); ++i) {
        const Then then = std::get<Then>(cases[i]);
        if (then == OverrideRedirect)
            xcb_map_window(x.c, w[i]);
        if (then == Withdrawn)
            xcb_unmap_window(x.c, w[i]);
        if (then == Destroyed)
            xcb_destroy_window(x.c, w[i]);
        if (then == Iconified) {  // ICCCM 4.1.4: WM_CHANGE_STATE to IconicState, to the root
            const xcb_client_message_event_t ev{XCB_CLIENT_MESSAGE, 32, 0, w[i], x.atom("WM_CHANGE_STATE"), {{3}}};
            xcb_send_event(x.c, 0, x.screen->root,
                           XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                           reinterpret_cast<const char*>(&ev));
        }
    }
    x.sync();
    const auto holds = [&](std::size_t i) {
        const auto& [properties, then, style, title] = cases[i];
        // Whether a withdrawn or iconified window keeps its frame is the manager's.
        const std::uint32_t mask = then == Withdrawn || then == Iconified ? kVisible : kTask;
        const std::vector<WindowEntry> all = list.windows();
        const auto e = std::ranges::find(all, WindowId(w[i]), &WindowEntry::id);
        return (list.style(w[i]) & mask) == style && (e != all.end()) == (then == Mapped || then == Iconified) &&
               (e == all.end() || ((e->style & mask) == style && e->title == title));
    };
    test::waitFor([&] {
        for (std::size_t i = 0; i < w.size(); ++i)
            if (!holds(i))
                return false;
        return true;
    });
    for (std::size_t i = 0; i < w.size(); ++i)
        EXPECT_TRUE(holds(i)) << "case " << i;
    EXPECT_EQ(list.style(0) | list.style(WindowId(1) << 32 | w[0]), 0u) << "no window, or none of X11";
}

// Windows come and go from another connection while the list is read.
TEST_F(X11Desktop, ListsWhileWindowsComeAndGo)
{
    std::atomic<bool> stop = false;
    std::thread churn([&] {
        for (std::deque<xcb_window_t> alive; !stop; std::this_thread::sleep_for(std::chrono::milliseconds(1))) {
            alive.push_back(x.window());
            x.set(alive.back(), "_NET_WM_NAME", "UTF8_STRING", "Churn " + QByteArray::number(int(alive.back())));
            xcb_map_window(x.c, alive.back());
            if (alive.size() > 30) {
                xcb_destroy_window(x.c, alive.front());
                alive.pop_front();
            }
            x.sync();  // paced, so that a window manager takes some
        }
    });
    readWhileChurning(list, 120'000, [](int, const auto&) {});
    stop = true;
    churn.join();
}

// Each call toggles the attention state that the window manager shows.
TEST_F(X11Desktop, EachFlashTogglesAttention)
{
    if (!expectWm())
        GTEST_SKIP() << "toggling the state needs a window manager";
    const xcb_window_t w = x.window(), other = x.window();
    ASSERT_TRUE(map({w, other}));
    // The manager refuses attention to the focused window: the focus goes to
    // the other one, taken note of once the manager names it the active
    // window (EWMH).
    xcb_set_input_focus(x.c, XCB_INPUT_FOCUS_POINTER_ROOT, other, XCB_CURRENT_TIME);
    ASSERT_TRUE(
        test::waitFor([&] { return x.words(x.screen->root, "_NET_ACTIVE_WINDOW", "WINDOW") == std::vector{other}; }));
    const auto attention = [&] {
        return std::ranges::count(x.words(w, "_NET_WM_STATE", "ATOM"), x.atom("_NET_WM_STATE_DEMANDS_ATTENTION")) > 0;
    };
    // An even number of calls leaves the state as it was: openbox 3.6 has
    // crashed when a window was destroyed while demanding attention.
    platform::WindowFlashX11 flash;
    const bool before = attention();
    for (int i = 1; i <= 4; ++i) {
        flash.flash(w);
        EXPECT_TRUE(test::waitFor([&] { return attention() == ((i % 2 == 1) != before); })) << "call " << i;
    }
}

class WaylandDesktop : public ::testing::Test {
protected:
    static void SetUpTestSuite() { terminals = test::swaySession() ? std::make_unique<test::FootServer>() : nullptr; }
    static void TearDownTestSuite() { terminals.reset(); }
    void SetUp() override
    {
        ASSERT_TRUE(terminals && terminals->ready() && list.available())
            << "needs a running sway (WAYLAND_DISPLAY, SWAYSOCK)";
    }
    bool listed(const QString& title, bool shown = true, int boundMs = kBoundMs)
    {
        return test::listUntil(
            list, [&](const auto& all) { return (titled(all, title) != nullptr) == shown; }, boundMs);
    }
    // A foot window titled `title`, once it is listed. foot's server now and
    // then drops a client it was asked to start: a window that does not
    // show is asked for again.
    std::unique_ptr<test::Program> open(const QString& title)
    {
        for (int attempt = 0; attempt < 3; ++attempt)
            if (auto window = terminals->window(title); listed(title, true, kBoundMs / 3))
                return window;
        ADD_FAILURE() << "no window " << title.toStdString() << ": " << terminals->log();
        return nullptr;
    }

    static inline std::unique_ptr<test::FootServer> terminals;
    platform::WindowListWayland list;
};

// Titles reach the list as the programs set them; client and compositor cut
// an overlong one, here inside a character, to a prefix without a broken
// end. The order of last activation stands in for the Z order; windows
// never activated follow, newest first. A window on a workspace not shown
// stays listed; a closed one is gone, and its id is never given again.
TEST_F(WaylandDesktop, NativeWindows)
{
    const QString huge = "eBay " + QString(64995, u'ä');
    const QStringList names = {"eBay Artikel 1234567890 (Endet 12.03.27 18:30:00 MEZ) - Canon EOS 350D",
                               "Rolex Datejust | eBay.ch 3456789012 — Mozilla Firefox",
                               "Müller Grüße ½ © ÿ – Kiebitz", "Nie aktiv 1", "Nie aktiv 2"};
    std::vector<std::unique_ptr<test::Program>> windows;
    windows.push_back(terminals->window(huge));
    for (const QString& name : names)
        windows.push_back(open(name));
    ASSERT_TRUE(test::listUntil(list, [&](const auto& all) {
        return std::ranges::any_of(
            all, [&](const WindowEntry& e) { return e.title.size() > 100 && huge.startsWith(e.title); });
    })) << test::titles(list.windows());
    for (const WindowEntry& e : list.windows())
        EXPECT_TRUE(e.style == kTask && e.id >= kFirstMadeId) << e.title.left(80).toStdString();

    for (const auto& [activated, topmostFirst] : {std::pair{std::vector<int>{}, std::vector{2, 1, 0}},
                                                  {{0}, {0, 2, 1}},
                                                  {{1, 0, 2}, {2, 0, 1}},
                                                  {{0, 1, 0}, {0, 1, 2}}}) {
        QStringList expected, seen;
        for (const int w : activated)
            ASSERT_TRUE(test::focus(names[w]));
        for (const int w : topmostFirst)
            expected << names[w];
        expected << names[4] << names[3];
        EXPECT_TRUE(test::listUntil(list, [&](const auto& all) {
            seen.clear();
            for (const WindowEntry& e : all)
                if (names.contains(e.title))
                    seen << e.title;
            return seen == expected;
        })) << seen.join(u',').toStdString();
        for (const int w : {0, 1, 2})  // back to the order as opened
            ASSERT_TRUE(test::focus(names[w]));
    }

    const WindowId id = titled(list.windows(), names[2])->id;
    ASSERT_TRUE(test::swaymsg(QStringLiteral("[con_id=%1] move to workspace 7").arg(test::swayContainer(names[2]))));
    EXPECT_EQ(list.style(id), kTask);
    windows[3]->end();
    ASSERT_TRUE(listed(names[2], false));
    EXPECT_EQ(list.style(id), 0u);
    windows[3] = open(names[2]);
    EXPECT_GT(titled(list.windows(), names[2])->id, id);
}

// X11 windows on sway's Xwayland: the wlroots X window manager manages them
// without a frame window and without _NET_FRAME_EXTENTS; the X11 list counts
// them as framed, the compositor's list shows them with their titles. sway
// 1.7 drops every toplevel-list client while an X11 title is longer than one
// Wayland message holds: the list then answers empty at once, the session's
// list falls back to the X11 windows, and the toplevel list comes back once
// that window is gone.
TEST_F(WaylandDesktop, XwaylandWindowsAndOverlongTitles)
{
    XClient x;
    ASSERT_TRUE(x.screen) << "needs sway's Xwayland on DISPLAY";
    platform::WindowListXcb x11;
    platform::WindowListSession session;
    const QString title = QStringLiteral("X11 Grüße 1234"), native = QStringLiteral("Natives Fenster"),
                  huge = "X11 " + QString(65000, u'x');
    const auto window = open(native);
    const xcb_window_t w = x.window(), overlong = x.window();
    x.set(w, "_NET_WM_NAME", "UTF8_STRING", title.toUtf8());
    xcb_map_window(x.c, w);
    x.sync();
    EXPECT_TRUE(test::waitFor([&] { return x11.style(w) == kTask; }));
    EXPECT_EQ(reply(xcb_query_tree_reply(x.c, xcb_query_tree(x.c, w), nullptr))->parent, x.screen->root)
        << "not reparented";
    EXPECT_TRUE(test::listUntil(list, [&](const auto& all) {
        return titled(all, title) && titled(all, title)->style == kTask;
    })) << test::titles(list.windows());
    x.set(overlong, "_NET_WM_NAME", "UTF8_STRING", huge.toUtf8());
    xcb_map_window(x.c, overlong);
    x.sync();
    ASSERT_TRUE(test::listUntil(session, [&](const auto& all) { return titled(all, huge) && !titled(all, native); }))
        << test::titles(session.windows());
    const QDeadlineTimer bound(3000);
    EXPECT_TRUE(list.windows().empty());
    EXPECT_FALSE(bound.hasExpired());
    xcb_destroy_window(x.c, overlong);
    x.sync();
    EXPECT_TRUE(test::listUntil(session, [&](const auto& all) { return titled(all, native) != nullptr; }));
    EXPECT_TRUE(listed(native));
}

// Windows open and close while the list is read: the connection never
// breaks (a window that stays keeps its id).
TEST_F(WaylandDesktop, ListsWhileWindowsComeAndGo)
{
    const QString steady = QStringLiteral("Bleibt offen");
    const auto stays = open(steady);
    const WindowId id = titled(list.windows(), steady)->id;
    std::deque<std::unique_ptr<test::Program>> alive;
    readWhileChurning(list, 60'000, [&](int i, const std::vector<WindowEntry>& all) {
        ASSERT_TRUE(titled(all, steady) && titled(all, steady)->id == id) << "read " << i;
        if (i % 10 == 1)
            alive.push_back(terminals->window(QStringLiteral("Churn %1").arg(i)));
        if (alive.size() > 6)
            alive.pop_front();
        QTest::qWait(3);
    });
}

// KWin on Wayland, read through a KWin script: a new window on top of
// KWin's stacking order, a window of this process with its own
// id, a closed window gone; the session's list is KWin's, as KWin offers no
// wlr toplevel list.
TEST(KWinDesktop, WindowsInStackingOrder)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("wayland")) << "needs KWin (QT_QPA_PLATFORM=wayland)";
    auto list = std::make_unique<platform::WindowListKWin>(QDBusConnection::sessionBus(), platform::qtOwnWindows);
    ASSERT_TRUE(list->available()) << "needs org.kde.KWin on the session bus";
    const QStringList titles = {"eBay Artikel 1234567890 (Endet 12.03.27 18:30:00 MEZ) - Canon EOS 350D",
                                "Müller Grüße ½ © ÿ – Kiebitz", "Lang " + QString(900, u'ä')};
    std::vector<std::unique_ptr<test::Program>> windows;
    for (const QString& t : titles) {
        windows.push_back(std::make_unique<test::Program>(QStringLiteral(KIEBITZ_TEST_WINDOW), QStringList{t}));
        ASSERT_TRUE(test::listUntil(*list, [&](const auto& all) {
            return !all.empty() && all[0].title == t && all[0].style == kTask && all[0].id >= kFirstMadeId;
        })) << test::titles(list->windows());
    }
    QWidget own;
    own.setWindowTitle(QStringLiteral("Canon EOS 350D Body Kiebitz"));
    own.show();
    EXPECT_TRUE(test::listUntil(*list, [&](const auto& all) {
        return titled(all, own.windowTitle()) && titled(all, own.windowTitle())->id == own.winId();
    }));
    const WindowId id = titled(list->windows(), titles[0])->id;
    EXPECT_EQ(list->style(id), kTask);
    windows[0]->end();
    ASSERT_TRUE(test::listUntil(*list, [&](const auto& all) { return !titled(all, titles[0]); }));
    EXPECT_EQ(list->style(id), 0u);
    list.reset();  // one KWin list at a time: its report object has a fixed path
    platform::WindowListSession session;
    EXPECT_TRUE(test::listUntil(session, [&](const auto& all) { return titled(all, titles[1]) != nullptr; }));
}

}  // namespace
