// The window list on a real X server, with a window manager
// (KIEBITZ_EXPECT_WM=1) and without one. The windows are made by a second
// plain xcb connection, as another program would.

#include "core/program_values.h"
#include "platform/linux/window_list_xcb.h"
#include "support/event_waits.h"

#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <set>
#include <thread>

#include <gtest/gtest.h>

using namespace kiebitz;
using platform::WindowEntry;
using platform::WindowId;

namespace {

constexpr std::uint32_t kVisible = core::WS_VISIBLE;
constexpr std::uint32_t kBorder = core::WS_BORDER;

bool expectWm() { return qEnvironmentVariableIntValue("KIEBITZ_EXPECT_WM") == 1; }

// A client of its own that makes, changes and reads windows.
class Client {
public:
    Client() : m_c(xcb_connect(nullptr, nullptr))
    {
        if (!xcb_connection_has_error(m_c))
            m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
    }
    ~Client() { xcb_disconnect(m_c); }
    bool ok() const { return m_root != XCB_WINDOW_NONE; }

    xcb_atom_t atom(const char* name)
    {
        auto* r =
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    }

    xcb_window_t create(bool overrideRedirect = false)
    {
        const xcb_window_t w = xcb_generate_id(m_c);
        const std::uint32_t values[] = {overrideRedirect ? 1u : 0u};
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, m_root, 40, 40, 160, 90, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT, values);
        return w;
    }
    void set(xcb_window_t w, const char* property, const char* type, int format, const void* data, std::uint32_t n)
    {
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, atom(property), atom(type), std::uint8_t(format), n, data);
    }
    void setText(xcb_window_t w, const char* property, const char* type, const QByteArray& bytes)
    {
        set(w, property, type, 8, bytes.constData(), std::uint32_t(bytes.size()));
    }
    void map(xcb_window_t w) { xcb_map_window(m_c, w); }
    void destroy(xcb_window_t w) { xcb_destroy_window(m_c, w); }
    void restack(xcb_window_t w, bool raise)
    {
        const std::uint32_t mode[] = {raise ? std::uint32_t(XCB_STACK_MODE_ABOVE)
                                            : std::uint32_t(XCB_STACK_MODE_BELOW)};
        xcb_configure_window(m_c, w, XCB_CONFIG_WINDOW_STACK_MODE, mode);
    }
    // ICCCM: unmap, and tell the window manager with a synthetic UnmapNotify.
    void withdraw(xcb_window_t w)
    {
        xcb_unmap_window(m_c, w);
        xcb_unmap_notify_event_t ev{};
        ev.response_type = XCB_UNMAP_NOTIFY;
        ev.event = m_root;
        ev.window = w;
        sendToRoot(reinterpret_cast<const char*>(&ev));
    }
    // ICCCM: WM_CHANGE_STATE to IconicState.
    void iconify(xcb_window_t w)
    {
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = w;
        ev.type = atom("WM_CHANGE_STATE");
        ev.data.data32[0] = 3;
        sendToRoot(reinterpret_cast<const char*>(&ev));
    }
    void sync()
    {
        xcb_flush(m_c);
        std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
    }

    std::vector<std::uint32_t> words(xcb_window_t w, const char* property, xcb_atom_t type)
    {
        auto* r = xcb_get_property_reply(m_c, xcb_get_property(m_c, 0, w, atom(property), type, 0, 65536), nullptr);
        std::vector<std::uint32_t> v;
        if (r && r->format == 32) {
            const auto* p = static_cast<const std::uint32_t*>(xcb_get_property_value(r));
            v.assign(p, p + xcb_get_property_value_length(r) / 4);
        }
        std::free(r);
        return v;
    }
    std::optional<std::uint32_t> wmState(xcb_window_t w)
    {
        const std::vector<std::uint32_t> v = words(w, "WM_STATE", atom("WM_STATE"));
        return v.empty() ? std::nullopt : std::optional(v[0]);
    }
    bool inClientList(xcb_window_t w)
    {
        const std::vector<std::uint32_t> v = words(m_root, "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW);
        return std::find(v.begin(), v.end(), w) != v.end();
    }
    // With a window manager: until it manages every window in `ws` (a
    // normal WM_STATE and a place in its client list).
    bool waitManaged(const std::vector<xcb_window_t>& ws)
    {
        sync();
        if (!expectWm())
            return true;
        return QTest::qWaitFor(
            [&] {
                return std::all_of(ws.begin(), ws.end(),
                                   [&](xcb_window_t w) { return wmState(w) == 1u && inClientList(w); });
            },
            test::kEventBoundMs);
    }

private:
    void sendToRoot(const char* ev)
    {
        xcb_send_event(m_c, 0, m_root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT, ev);
        xcb_flush(m_c);
    }

    xcb_connection_t* m_c;
    xcb_window_t m_root = XCB_WINDOW_NONE;
};

std::optional<WindowEntry> find(const std::vector<WindowEntry>& list, WindowId id)
{
    const auto it = std::find_if(list.begin(), list.end(), [&](const WindowEntry& e) { return e.id == id; });
    return it == list.end() ? std::nullopt : std::optional<WindowEntry>(*it);
}

class WindowListXcbTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!client.ok())
            GTEST_FAIL() << "needs an X display";
    }
    void TearDown() override
    {
        for (const xcb_window_t w : made)
            client.destroy(w);
        client.sync();
    }
    xcb_window_t make(bool overrideRedirect = false) { return made.emplace_back(client.create(overrideRedirect)); }

    Client client;
    std::vector<xcb_window_t> made;
    platform::WindowListXcb list;
};

TEST(WindowListXcb, WithoutDisplayListsNothing)
{
    for (const char* display : {":4999", "no display here"}) {
        platform::WindowListXcb none{QByteArray(display)};
        EXPECT_TRUE(none.windows().empty()) << display;
        EXPECT_EQ(none.style(1), 0u) << display;
    }
}

// Raising or lowering windows; the list shows the new order, topmost first.
TEST_F(WindowListXcbTest, ZOrderAfterRestacking)
{
    struct Step {
        int window;
        bool raise;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<int> topmostFirst;
    } cases[] = {
        {"as mapped", {}, {2, 1, 0}},
        {"bottom one raised", {{0, true}}, {0, 2, 1}},
        {"top one lowered", {{2, false}}, {1, 0, 2}},
        {"each raised in turn", {{2, true}, {0, true}, {1, true}}, {1, 0, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<xcb_window_t> w;
        for (int i = 0; i < 3; ++i) {
            w.push_back(make());
            client.setText(w.back(), "_NET_WM_NAME", "UTF8_STRING", "Z " + QByteArray::number(i));
            client.map(w.back());
            ASSERT_TRUE(client.waitManaged({w.back()}));
        }
        for (const Step& s : c.steps) {
            client.restack(w[std::size_t(s.window)], s.raise);
            client.sync();
        }
        std::vector<int> seen;
        const bool matched = QTest::qWaitFor(
            [&] {
                seen.clear();
                for (const WindowEntry& e : list.windows())
                    if (const auto it = std::find(w.begin(), w.end(), e.id); it != w.end())
                        seen.push_back(int(it - w.begin()));
                return seen == c.topmostFirst;
            },
            test::kEventBoundMs);
        EXPECT_TRUE(matched) << "seen " << ::testing::PrintToString(seen);
        for (const xcb_window_t x : w)
            client.destroy(x);
        client.sync();
    }
}

QString longTitle(int n)
{
    const QString alphabet = QStringLiteral("abcäöü€ß XYZ-");
    QString s;
    for (int i = 0; i < n; ++i)
        s += alphabet[i % alphabet.size()];
    return s;
}

TEST_F(WindowListXcbTest, TitlesFromEitherNameProperty)
{
    struct Text {
        const char* type;
        QByteArray bytes;
    };
    struct Case {
        const char* name;
        std::optional<Text> netWmName;
        std::optional<Text> wmName;
        QString expected;
    } cases[] = {
        {"UTF-8 _NET_WM_NAME", Text{"UTF8_STRING", "Grüße – 5 € Kiebitz"}, Text{"STRING", "other"},
         QStringLiteral("Grüße – 5 € Kiebitz")},
        {"Latin-1 WM_NAME only", std::nullopt, Text{"STRING", "M\xfcller"}, QStringLiteral("Müller")},
        {"UTF-8 WM_NAME only", std::nullopt, Text{"UTF8_STRING", "Müller"}, QStringLiteral("Müller")},
        {"COMPOUND_TEXT WM_NAME as Latin-1", std::nullopt, Text{"COMPOUND_TEXT", "Gr\xfc\xdf"},
         QStringLiteral("Grüß")},
        {"_NET_WM_NAME of wrong type", Text{"STRING", "wrong"}, Text{"STRING", "M\xfcller"},
         QStringLiteral("Müller")},
        {"no name", std::nullopt, std::nullopt, QString()},
        {"0 characters", Text{"UTF8_STRING", ""}, Text{"STRING", ""}, QString()},
        {"1 character", Text{"UTF8_STRING", "€"}, std::nullopt, QStringLiteral("€")},
        {"30 characters", Text{"UTF8_STRING", longTitle(30).toUtf8()}, std::nullopt, longTitle(30)},
        {"31 characters", Text{"UTF8_STRING", longTitle(31).toUtf8()}, std::nullopt, longTitle(31)},
        {"65000 characters", Text{"UTF8_STRING", longTitle(65000).toUtf8()}, std::nullopt, longTitle(65000)},
        {"65000 Latin-1 characters", std::nullopt, Text{"STRING", QByteArray(65000, '\xe9')},
         QString(65000, QChar(0xe9))},
        {"cut at NUL", Text{"UTF8_STRING", QByteArray("Auktion\0 Rest", 13)}, std::nullopt,
         QStringLiteral("Auktion")},
        {"NUL first", std::nullopt, Text{"STRING", QByteArray("\0abc", 4)}, QString()},
        {"invalid UTF-8",
         Text{"UTF8_STRING", "ab\xff\xfe"
                             "cd\xc3"},
         std::nullopt, QStringLiteral("ab\ufffd\ufffdcd\ufffd")},
    };
    std::vector<xcb_window_t> w;
    for (const Case& c : cases) {
        w.push_back(make());
        if (c.netWmName)
            client.setText(w.back(), "_NET_WM_NAME", c.netWmName->type, c.netWmName->bytes);
        if (c.wmName)
            client.setText(w.back(), "WM_NAME", c.wmName->type, c.wmName->bytes);
        client.map(w.back());
    }
    ASSERT_TRUE(client.waitManaged(w));
    const std::vector<WindowEntry> all = list.windows();
    for (std::size_t i = 0; i < w.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const std::optional<WindowEntry> e = find(all, w[i]);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->title.size(), cases[i].expected.size());
        EXPECT_TRUE(e->title == cases[i].expected) << e->title.left(80).toStdString();
    }
}

// Style bits of windows in different states, by style(id) and in the list.
TEST_F(WindowListXcbTest, StyleOfWindowStates)
{
    enum class Then { Nothing, Withdraw, Iconify };
    struct Case {
        const char* name;
        const char* type;  // _NET_WM_WINDOW_TYPE_...
        bool decorationsOff;
        bool overrideRedirect;
        Then then;
        std::uint32_t mask;
        std::uint32_t expected;
        const char* state = nullptr;  // initial _NET_WM_STATE_...
    } cases[] = {
        {"normal window", nullptr, false, false, Then::Nothing, kVisible | kBorder, kVisible | kBorder},
        {"dialog", "DIALOG", false, false, Then::Nothing, kVisible | kBorder, kVisible | kBorder},
        {"dock", "DOCK", false, false, Then::Nothing, kVisible | kBorder, kVisible},
        {"splash screen", "SPLASH", false, false, Then::Nothing, kVisible | kBorder, kVisible},
        // A browser that draws its own frame: no decorations by the manager.
        {"own frame", nullptr, true, false, Then::Nothing, kVisible | kBorder, kVisible | kBorder},
        {"override-redirect", nullptr, false, true, Then::Nothing, kVisible | kBorder, kVisible},
        {"utility window", "UTILITY", false, false, Then::Nothing, kVisible | kBorder, kVisible},
        {"full screen", nullptr, false, false, Then::Nothing, kVisible | kBorder, kVisible | kBorder, "FULLSCREEN"},
        {"not on the task bar", nullptr, false, false, Then::Nothing, kVisible | kBorder, kVisible, "SKIP_TASKBAR"},
        {"withdrawn", nullptr, false, false, Then::Withdraw, kVisible, 0},
        {"iconified", nullptr, false, false, Then::Iconify, kVisible, kVisible},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const xcb_window_t w = make(c.overrideRedirect);
        client.setText(w, "_NET_WM_NAME", "UTF8_STRING", c.name);
        if (c.type) {
            const xcb_atom_t t = client.atom(("_NET_WM_WINDOW_TYPE_" + std::string(c.type)).c_str());
            client.set(w, "_NET_WM_WINDOW_TYPE", "ATOM", 32, &t, 1);
        }
        if (c.state) {
            const xcb_atom_t st = client.atom(("_NET_WM_STATE_" + std::string(c.state)).c_str());
            client.set(w, "_NET_WM_STATE", "ATOM", 32, &st, 1);
        }
        if (c.decorationsOff) {
            const std::uint32_t hints[5] = {2, 0, 0, 0, 0};  // decorations flag, none
            client.set(w, "_MOTIF_WM_HINTS", "_MOTIF_WM_HINTS", 32, hints, 5);
            const std::uint32_t shadow[4] = {20, 20, 15, 25};
            client.set(w, "_GTK_FRAME_EXTENTS", "CARDINAL", 32, shadow, 4);
        }
        client.map(w);
        if (!c.overrideRedirect) {
            ASSERT_TRUE(client.waitManaged({w}));
        }
        client.sync();
        if (c.then == Then::Withdraw) {
            client.withdraw(w);
            if (expectWm()) {
                ASSERT_TRUE(QTest::qWaitFor([&] { return client.wmState(w) != 1u && !client.inClientList(w); },
                                            test::kEventBoundMs));
            }
        } else if (c.then == Then::Iconify) {
            client.iconify(w);
            if (expectWm()) {
                ASSERT_TRUE(QTest::qWaitFor([&] { return client.wmState(w) == 3u; }, test::kEventBoundMs));
            }
        }
        client.sync();

        const std::uint32_t expected = c.expected;
        EXPECT_EQ(list.style(w) & c.mask, expected);
        const std::optional<WindowEntry> e = find(list.windows(), w);
        if (c.overrideRedirect || c.then == Then::Withdraw) {
            EXPECT_FALSE(e && (e->style & kVisible)) << "listed as visible";
        } else {
            ASSERT_TRUE(e);
            EXPECT_EQ(e->style & c.mask, expected);
        }
    }
}

// The program finds its own main window by comparing with winId().
TEST_F(WindowListXcbTest, QtTopLevelWindowListedByItsWinId)
{
    QWidget w;
    w.setWindowTitle(QStringLiteral("Testfenster – Kiebitz"));
    w.resize(200, 100);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w, test::kEventBoundMs));
    ASSERT_TRUE(client.waitManaged({xcb_window_t(w.winId())}));
    const std::optional<WindowEntry> e = find(list.windows(), w.winId());
    ASSERT_TRUE(e);
    EXPECT_EQ(e->title, w.windowTitle());
    EXPECT_EQ(e->style & (kVisible | kBorder), kVisible | kBorder);
    EXPECT_EQ(list.style(w.winId()) & (kVisible | kBorder), kVisible | kBorder);
}

TEST_F(WindowListXcbTest, StyleOfWindowThatIsGoneIsZero)
{
    const xcb_window_t gone = client.create();
    client.map(gone);
    ASSERT_TRUE(client.waitManaged({gone}));
    ASSERT_NE(list.style(gone), 0u);
    client.destroy(gone);
    client.sync();
    for (const WindowId id : {WindowId(gone), WindowId(0), WindowId(0x1'0000'0000ull) | gone}) {
        EXPECT_EQ(list.style(id), 0u) << id;
        EXPECT_FALSE(find(list.windows(), id)) << id;
    }
}

// Windows come and go from another connection while the list is read.
TEST_F(WindowListXcbTest, ListsWhileWindowsComeAndGo)
{
    std::atomic<bool> stop{false};
    std::atomic<int> count{0};
    std::thread churn([&] {
        Client other;
        std::deque<xcb_window_t> alive;
        while (!stop) {
            const xcb_window_t w = other.create();
            other.setText(w, "_NET_WM_NAME", "UTF8_STRING", "Churn " + QByteArray::number(++count));
            other.map(w);
            alive.push_back(w);
            if (alive.size() > 30) {
                other.destroy(alive.front());
                alive.pop_front();
            }
            other.sync();
            // Paced so that a window manager keeps up with managing some.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        for (const xcb_window_t w : alive)
            other.destroy(w);
        other.sync();
    });

    const auto churnListed = [&] {
        const std::vector<WindowEntry> all = list.windows();
        return std::any_of(all.begin(), all.end(),
                           [](const WindowEntry& e) { return e.title.startsWith(u"Churn "); });
    };
    EXPECT_TRUE(QTest::qWaitFor(churnListed, test::kEventBoundMs));
    const auto start = std::chrono::steady_clock::now();
    int sawChurn = 0;
    int calls = 0;
    for (; calls < 1000 && std::chrono::steady_clock::now() - start < std::chrono::seconds(120); ++calls) {
        bool churned = false;
        for (const WindowEntry& e : list.windows()) {
            ASSERT_NE(e.id, 0u);
            if (e.title.startsWith(u"Churn ")) {
                churned = true;
                EXPECT_GT(e.title.mid(6).toInt(), 0) << e.title.toStdString();
            }
        }
        sawChurn += churned;
    }
    stop = true;
    churn.join();
    EXPECT_EQ(calls, 1000) << "the calls took too long";
    EXPECT_GT(count.load(), 20);
    EXPECT_GT(sawChurn, 0);
}

}  // namespace
