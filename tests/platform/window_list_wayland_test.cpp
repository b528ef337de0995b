// The window list of a Wayland compositor, on a real headless sway with
// native foot windows and X11 windows on its Xwayland; scripts/wayland-tests
// starts sway and runs these. A sway configuration line `no_focus
// [title="^Nie aktiv"]` keeps windows of that title from being activated.

#include "core/program_values.h"
#include "platform/linux/window_list_session.h"
#include "platform/linux/window_list_wayland.h"
#include "platform/linux/window_list_xcb.h"
#include "support/sway_session.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <thread>

#include <gtest/gtest.h>

using namespace kiebitz;
using platform::WindowEntry;
using platform::WindowId;
using test::Program;
using test::titled;

namespace {

constexpr std::uint32_t kTaskWindow = core::WS_VISIBLE | core::WS_BORDER;

class WindowListWaylandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (test::swaySession())
            terminals = std::make_unique<test::FootServer>();
    }
    static void TearDownTestSuite() { terminals.reset(); }
    void SetUp() override
    {
        if (!test::swaySession())
            GTEST_FAIL() << "needs a running sway (WAYLAND_DISPLAY, SWAYSOCK)";
        ASSERT_TRUE(terminals->ready());
        ASSERT_TRUE(list.available());
    }
    static std::unique_ptr<Program> foot(const QString& title) { return terminals->window(title); }

    static inline std::unique_ptr<test::FootServer> terminals;
    platform::WindowListWayland list;
};

// A socket that takes connections and never answers.
class SilentCompositor {
public:
    SilentCompositor()
    {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        const QByteArray path = QDir(m_dir.path()).filePath(QStringLiteral("silent")).toLocal8Bit();
        std::strncpy(a.sun_path, path.constData(), sizeof a.sun_path - 1);
        if (::bind(m_fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0 && ::listen(m_fd, 4) == 0)
            m_path = path;
    }
    ~SilentCompositor() { ::close(m_fd); }
    QByteArray path() const { return m_path; }

private:
    QTemporaryDir m_dir;
    int m_fd = -1;
    QByteArray m_path;
};

TEST(WindowListWayland, WithoutCompositorListsNothingInTime)
{
    SilentCompositor silent;
    ASSERT_FALSE(silent.path().isEmpty());
    for (const QByteArray& display :
         {QByteArray("wayland-kiebitz-none"), QByteArray("/nonexistent/wayland-0"), silent.path()}) {
        SCOPED_TRACE(display.toStdString());
        platform::WindowListWayland none(display, {}, {}, 300);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(none.available());
        EXPECT_TRUE(none.windows().empty());
        EXPECT_EQ(none.style(WindowId(1) << 63), 0u);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    }
}

QString repeated(const QString& piece, int n)
{
    QString s;
    while (s.size() < n)
        s += piece;
    return s.left(n);
}

// Titles of native windows reach the list as the programs set them.
TEST_F(WindowListWaylandTest, TitlesOfNativeWindows)
{
    const QString huge = QStringLiteral("eBay ") + repeated(QStringLiteral("ä"), 64995);
    const QStringList titles = {
        QStringLiteral("eBay Artikel 1234567890 (Endet 12.03.27 18:30:00 MEZ) - Canon EOS 350D"),
        QStringLiteral("Canon EOS 350D | eBay.at Artikel 2345678901"),
        QStringLiteral("Rolex Datejust | eBay.ch 3456789012 — Mozilla Firefox"),
        QStringLiteral("Müller Grüße ½ © ÿ – Kiebitz"),
        huge,
    };
    std::vector<std::unique_ptr<Program>> windows;
    for (const QString& t : titles)
        windows.push_back(foot(t));
    const auto shown = [&](const std::vector<WindowEntry>& all) {
        int n = 0;
        for (const WindowEntry& e : all)
            n += titles.contains(e.title) || (e.title.size() > 100 && huge.startsWith(e.title));
        return n == titles.size();
    };
    ASSERT_TRUE(test::listUntil(list, shown)) << test::titles(list.windows());
    const std::vector<WindowEntry> all = list.windows();
    for (const QString& t : titles.mid(0, titles.size() - 1)) {
        SCOPED_TRACE(t.toStdString());
        const WindowEntry* e = titled(all, t);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->style, kTaskWindow);
        EXPECT_GE(e->id, WindowId(1) << 63);
    }
    // Clients and compositor cut an overlong title, here inside a character:
    // the listed title is a prefix of the real one, without a broken end.
    for (const WindowEntry& e : all)
        if (e.title.size() > 100 && e.title.startsWith(QStringLiteral("eBay ä"))) {
            EXPECT_TRUE(huge.startsWith(e.title));
            EXPECT_FALSE(e.title.endsWith(QChar::ReplacementCharacter));
        }
}

// The order of last activation stands in for the Z order; windows never
// activated follow, newest first.
TEST_F(WindowListWaylandTest, ActivationOrderStandsInForZOrder)
{
    struct Case {
        const char* name;
        std::vector<int> focusOrder;
        std::vector<int> topmostFirst;
    } cases[] = {
        {"as opened", {}, {2, 1, 0}},
        {"first one activated", {0}, {0, 2, 1}},
        {"each in turn", {1, 0, 2}, {2, 0, 1}},
        {"one twice", {0, 1, 0}, {0, 1, 2}},
    };
    const QStringList names = {QStringLiteral("Fenster A"), QStringLiteral("Fenster B"), QStringLiteral("Fenster C")};
    std::vector<std::unique_ptr<Program>> windows;
    for (const QString& name : names) {
        windows.push_back(foot(name));
        ASSERT_TRUE(test::listUntil(list, [&](const auto& all) { return titled(all, name) != nullptr; }));
        // sway activates a new window: the list shows it on top.
        ASSERT_TRUE(test::listUntil(list, [&](const auto& all) { return !all.empty() && all[0].title == name; }));
    }
    // Windows that were never activated come after, the newest first.
    const QStringList quiet = {QStringLiteral("Nie aktiv 1"), QStringLiteral("Nie aktiv 2")};
    for (const QString& name : quiet) {
        windows.push_back(foot(name));
        ASSERT_TRUE(test::listUntil(list, [&](const auto& all) { return titled(all, name) != nullptr; }));
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const int w : c.focusOrder)
            ASSERT_TRUE(test::focus(names[w]));
        QStringList expected;
        for (const int w : c.topmostFirst)
            expected << names[w];
        expected << quiet[1] << quiet[0];
        QStringList seen;
        EXPECT_TRUE(test::listUntil(
            list,
            [&](const auto& all) {
                seen.clear();
                for (const WindowEntry& e : all)
                    if (names.contains(e.title) || quiet.contains(e.title))
                        seen << e.title;
                return seen == expected;
            },
            5'000))
            << seen.join(QStringLiteral(", ")).toStdString();
        // Back to the order as opened for the next case.
        for (const int w : {0, 1, 2})
            ASSERT_TRUE(test::focus(names[w]));
    }
}

// A window on a workspace not shown stays listed; a closed window is gone,
// and its id is never given again.
TEST_F(WindowListWaylandTest, HiddenAndClosedWindows)
{
    const QString name = QStringLiteral("Zustände");
    auto window = foot(name);
    ASSERT_TRUE(test::listUntil(list, [&](const auto& all) { return titled(all, name) != nullptr; }));
    const WindowId id = titled(list.windows(), name)->id;
    ASSERT_TRUE(test::swaymsg(QStringLiteral("[con_id=%1] move to workspace 7").arg(test::swayContainer(name))));
    EXPECT_EQ(list.style(id), kTaskWindow);
    window->end();
    ASSERT_TRUE(test::listUntil(list, [&](const auto& all) { return titled(all, name) == nullptr; }));
    EXPECT_EQ(list.style(id), 0u);
    auto again = foot(name);
    ASSERT_TRUE(test::listUntil(list, [&](const auto& all) { return titled(all, name) != nullptr; }));
    EXPECT_GT(titled(list.windows(), name)->id, id);
}

// An X client on sway's Xwayland.
class XClient {
public:
    XClient() : m_c(xcb_connect(nullptr, nullptr))
    {
        if (!xcb_connection_has_error(m_c))
            m_screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
    }
    ~XClient()
    {
        for (const xcb_window_t w : m_made)
            xcb_destroy_window(m_c, w);
        xcb_disconnect(m_c);
    }
    bool ok() const { return m_screen != nullptr; }

    // A mapped window titled `bytes` in `property` of type `type`, painted
    // so that Xwayland hands the compositor something to show.
    xcb_window_t window(const char* property, const char* type, const QByteArray& bytes)
    {
        const xcb_window_t w = xcb_generate_id(m_c);
        const std::uint32_t white[] = {m_screen->white_pixel};
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, m_screen->root, 0, 0, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL, white);
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, atom(property), atom(type), 8, std::uint32_t(bytes.size()),
                            bytes.constData());
        xcb_map_window(m_c, w);
        xcb_flush(m_c);
        return m_made.emplace_back(w);
    }
    void destroy(xcb_window_t w)
    {
        xcb_destroy_window(m_c, w);
        xcb_flush(m_c);
        m_made.erase(std::find(m_made.begin(), m_made.end(), w));
    }
    bool reparented(xcb_window_t w)
    {
        auto* tree = xcb_query_tree_reply(m_c, xcb_query_tree(m_c, w), nullptr);
        const bool moved = !tree || tree->parent != m_screen->root;
        std::free(tree);
        return moved;
    }

private:
    xcb_atom_t atom(const char* name)
    {
        auto* r =
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    }

    xcb_connection_t* m_c;
    xcb_screen_t* m_screen = nullptr;
    std::vector<xcb_window_t> m_made;
};

// X11 windows on sway's Xwayland: the wlroots X window manager manages them
// without a frame window and without _NET_FRAME_EXTENTS; the X11 list counts
// them as framed, and the compositor's list shows them with their titles.
TEST_F(WindowListWaylandTest, XwaylandWindowsInBothLists)
{
    XClient x;
    ASSERT_TRUE(x.ok()) << "needs sway's Xwayland on DISPLAY";
    struct Case {
        const char* name;
        const char* property;
        const char* type;
        QByteArray bytes;
        QString title;
    } cases[] = {
        {"UTF-8 _NET_WM_NAME", "_NET_WM_NAME", "UTF8_STRING", "X11 Grüße 1234567890",
         QStringLiteral("X11 Grüße 1234567890")},
        {"Latin-1 WM_NAME", "WM_NAME", "STRING", "X11 M\xfcller \xbd \xe9", QStringLiteral("X11 Müller ½ é")},
    };
    platform::WindowListXcb x11;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const xcb_window_t w = x.window(k.property, k.type, k.bytes);
        EXPECT_TRUE(test::waitFor([&] { return x11.style(w) == kTaskWindow; }));
        EXPECT_FALSE(x.reparented(w));
        EXPECT_TRUE(test::listUntil(list, [&](const auto& all) {
            const WindowEntry* e = titled(all, k.title);
            return e && e->style == kTaskWindow;
        })) << test::titles(list.windows());
    }
}

// sway 1.7 drops the connection of every toplevel-list client while an X11
// window's title is longer than one Wayland message holds. The list then
// answers empty at once, the session's list falls back to the X11 windows,
// and the toplevel list comes back once that window is gone.
TEST_F(WindowListWaylandTest, OverlongX11TitleFallsBackToX11)
{
    XClient x;
    ASSERT_TRUE(x.ok()) << "needs sway's Xwayland on DISPLAY";
    const QString native = QStringLiteral("Natives Fenster");
    auto window = foot(native);
    ASSERT_TRUE(test::listUntil(list, [&](const auto& all) { return titled(all, native) != nullptr; }));
    platform::WindowListSession session;

    const QString huge = QStringLiteral("X11 ") + QString(65000, QLatin1Char('x'));
    const xcb_window_t w = x.window("_NET_WM_NAME", "UTF8_STRING", huge.toUtf8());
    ASSERT_TRUE(test::waitFor([&] {
        const std::vector<WindowEntry> all = session.windows();
        return titled(all, huge) && !titled(all, native);
    })) << test::titles(session.windows());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(list.windows().empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));

    x.destroy(w);
    EXPECT_TRUE(test::waitFor([&] { return titled(session.windows(), native) != nullptr; }));
    EXPECT_TRUE(test::listUntil(list, [&](const auto& all) { return titled(all, native) != nullptr; }));
}

// Windows open and close while the list is read 1,000 times: every read
// answers, the connection never breaks (a window that stays keeps its id).
TEST_F(WindowListWaylandTest, ListsWhileWindowsComeAndGo)
{
    const QString steady = QStringLiteral("Bleibt offen");
    auto stays = foot(steady);
    ASSERT_TRUE(test::listUntil(list, [&](const auto& all) { return titled(all, steady) != nullptr; }));
    const WindowId steadyId = titled(list.windows(), steady)->id;

    std::atomic<bool> stop{false};
    std::atomic<int> opened{0};
    std::thread churn([&] {
        std::deque<std::unique_ptr<Program>> alive;
        while (!stop) {
            alive.push_back(foot(QStringLiteral("Churn %1").arg(++opened)));
            if (alive.size() > 6)
                alive.pop_front();
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
    });
    int calls = 0;
    int sawChurn = 0;
    const auto start = std::chrono::steady_clock::now();
    for (; calls < 1000 && std::chrono::steady_clock::now() - start < std::chrono::seconds(60); ++calls) {
        const std::vector<WindowEntry> all = list.windows();
        const WindowEntry* e = titled(all, steady);
        ASSERT_TRUE(e) << "call " << calls;
        ASSERT_EQ(e->id, steadyId) << "call " << calls;
        bool churned = false;
        for (const WindowEntry& w : all)
            if (w.title.startsWith(u"Churn ")) {
                churned = true;
                EXPECT_GT(w.title.mid(6).toInt(), 0) << w.title.toStdString();
            }
        sawChurn += churned;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    stop = true;
    churn.join();
    EXPECT_EQ(calls, 1000) << "the calls took too long";
    EXPECT_GT(opened.load(), 10);
    EXPECT_GT(sawChurn, 0);
}

}  // namespace
