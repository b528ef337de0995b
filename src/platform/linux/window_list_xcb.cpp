#include "platform/linux/window_list_xcb.h"

#include "core/program_values.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace kiebitz::platform {

namespace {

struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeReply>;

// The reply to a request, its error freed unseen: null when the request
// failed (for a window, nearly always because it is gone).
template <class T, class Cookie>
Reply<T> take(xcb_connection_t* c, T* (*reply)(xcb_connection_t*, Cookie, xcb_generic_error_t**), Cookie cookie)
{
    xcb_generic_error_t* error = nullptr;
    Reply<T> r(reply(c, cookie, &error));
    std::free(error);
    return r;
}

enum AtomIndex : std::size_t {
    NetSupportingWmCheck,
    NetClientListStacking,
    NetWmName,
    Utf8String,
    WmState,
    NetWmState,
    NetWmStateSkipTaskbar,
    NetWmWindowType,
    TypeNormal,
    TypeDialog,
    // The other EWMH window types, none of them framed.
    TypeDesktop,
    TypeDock,
    TypeToolbar,
    TypeMenu,
    TypeUtility,
    TypeSplash,
    TypeDropdownMenu,
    TypePopupMenu,
    TypeTooltip,
    TypeNotification,
    TypeCombo,
    TypeDnd,
    AtomCount
};

constexpr std::array<const char*, AtomCount> kAtomNames = {
    "_NET_SUPPORTING_WM_CHECK",
    "_NET_CLIENT_LIST_STACKING",
    "_NET_WM_NAME",
    "UTF8_STRING",
    "WM_STATE",
    "_NET_WM_STATE",
    "_NET_WM_STATE_SKIP_TASKBAR",
    "_NET_WM_WINDOW_TYPE",
    "_NET_WM_WINDOW_TYPE_NORMAL",
    "_NET_WM_WINDOW_TYPE_DIALOG",
    "_NET_WM_WINDOW_TYPE_DESKTOP",
    "_NET_WM_WINDOW_TYPE_DOCK",
    "_NET_WM_WINDOW_TYPE_TOOLBAR",
    "_NET_WM_WINDOW_TYPE_MENU",
    "_NET_WM_WINDOW_TYPE_UTILITY",
    "_NET_WM_WINDOW_TYPE_SPLASH",
    "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU",
    "_NET_WM_WINDOW_TYPE_POPUP_MENU",
    "_NET_WM_WINDOW_TYPE_TOOLTIP",
    "_NET_WM_WINDOW_TYPE_NOTIFICATION",
    "_NET_WM_WINDOW_TYPE_COMBO",
    "_NET_WM_WINDOW_TYPE_DND",
};

using Atoms = std::array<xcb_atom_t, AtomCount>;

// ICCCM WM_STATE values.
constexpr std::uint32_t kNormalState = 1;
constexpr std::uint32_t kIconicState = 3;

// Title bytes per read, in 32-bit units (64 KiB); longer titles take one
// more read for the rest.
constexpr std::uint32_t kTitleChunk = 16384;
// Levels below a child of the root searched for a window with WM_STATE.
constexpr int kMaxFrameDepth = 3;

template <class T> std::vector<T> values(const xcb_get_property_reply_t* r, std::uint8_t format)
{
    if (!r || r->format != format)
        return {};
    const auto* v = static_cast<const T*>(xcb_get_property_value(r));
    return std::vector<T>(v, v + xcb_get_property_value_length(r) / int(sizeof(T)));
}

xcb_window_t firstWindow(const xcb_get_property_reply_t* r)
{
    const std::vector<xcb_window_t> w =
        r && r->type == XCB_ATOM_WINDOW ? values<xcb_window_t>(r, 32) : std::vector<xcb_window_t>{};
    return w.empty() ? xcb_window_t(XCB_WINDOW_NONE) : w.front();
}

xcb_get_property_cookie_t requestWmCheck(xcb_connection_t* c, xcb_window_t w, const Atoms& a)
{
    return xcb_get_property(c, 0, w, a[NetSupportingWmCheck], XCB_ATOM_WINDOW, 0, 1);
}

// An EWMH window manager runs when the root's check window exists and
// names itself; a dead manager's stale root property fails that.
bool wmRunning(xcb_connection_t* c, const Atoms& a, xcb_get_property_cookie_t rootCheck)
{
    const xcb_window_t w = firstWindow(take(c, xcb_get_property_reply, rootCheck).get());
    if (w == XCB_WINDOW_NONE)
        return false;
    return firstWindow(take(c, xcb_get_property_reply, requestWmCheck(c, w, a)).get()) == w;
}

bool hasWmState(const xcb_get_property_reply_t* r, const Atoms& a)
{
    return r && r->type == a[WmState] && !values<std::uint32_t>(r, 32).empty();
}

// What the style of one window is made of.
struct Facts {
    bool mapped = false;
    bool overrideRedirect = false;
    std::optional<std::uint32_t> wmState;
    bool skipTaskbar = false;
    bool framedType = true;
};

// The title as stored: the chosen property, its type and what is unread.
struct RawTitle {
    QByteArray bytes;
    xcb_atom_t property = XCB_ATOM_NONE;
    xcb_atom_t type = XCB_ATOM_NONE;
    std::uint32_t bytesAfter = 0;
};

struct Pending {
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_property_cookie_t wmState, netState, type;
    bool titles = false;
    xcb_get_property_cookie_t netName, name;
};

Pending request(xcb_connection_t* c, const Atoms& a, xcb_window_t w, bool titles)
{
    Pending p{};
    p.attributes = xcb_get_window_attributes(c, w);
    p.wmState = xcb_get_property(c, 0, w, a[WmState], a[WmState], 0, 2);
    p.netState = xcb_get_property(c, 0, w, a[NetWmState], XCB_ATOM_ATOM, 0, 64);
    p.type = xcb_get_property(c, 0, w, a[NetWmWindowType], XCB_ATOM_ATOM, 0, 64);
    p.titles = titles;
    if (titles) {
        p.netName = xcb_get_property(c, 0, w, a[NetWmName], a[Utf8String], 0, kTitleChunk);
        p.name = xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, kTitleChunk);
    }
    return p;
}

// The first EWMH type the list names decides; unknown or none is NORMAL.
bool framedType(const xcb_get_property_reply_t* r, const Atoms& a)
{
    for (const xcb_atom_t t : values<xcb_atom_t>(r, 32)) {
        if (t == a[TypeNormal] || t == a[TypeDialog])
            return true;
        if (std::find(a.begin() + TypeDesktop, a.end(), t) != a.end())
            return false;
    }
    return true;
}

RawTitle rawTitle(const xcb_get_property_reply_t* netName, const xcb_get_property_reply_t* name, const Atoms& a)
{
    const xcb_get_property_reply_t* r = nullptr;
    xcb_atom_t property = XCB_ATOM_NONE;
    if (netName && netName->type == a[Utf8String] && netName->format == 8) {
        r = netName;
        property = a[NetWmName];
    } else if (name && name->type != XCB_ATOM_NONE && name->format == 8) {
        r = name;
        property = XCB_ATOM_WM_NAME;
    }
    if (!r)
        return {};
    return {QByteArray(static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r)),
            property, r->type, r->bytes_after};
}

// Collects every reply of `p`; nothing when the window went away meanwhile.
std::optional<Facts> collect(xcb_connection_t* c, const Atoms& a, const Pending& p, RawTitle* title)
{
    const auto attributes = take(c, xcb_get_window_attributes_reply, p.attributes);
    const auto wmState = take(c, xcb_get_property_reply, p.wmState);
    const auto netState = take(c, xcb_get_property_reply, p.netState);
    const auto type = take(c, xcb_get_property_reply, p.type);
    Reply<xcb_get_property_reply_t> netName, name;
    if (p.titles) {
        netName = take(c, xcb_get_property_reply, p.netName);
        name = take(c, xcb_get_property_reply, p.name);
    }
    if (!attributes || !wmState || !netState || !type || (p.titles && (!netName || !name)))
        return std::nullopt;

    Facts f;
    f.mapped = attributes->map_state != XCB_MAP_STATE_UNMAPPED;
    f.overrideRedirect = attributes->override_redirect != 0;
    if (hasWmState(wmState.get(), a))
        f.wmState = values<std::uint32_t>(wmState.get(), 32).front();
    const std::vector<xcb_atom_t> states = values<xcb_atom_t>(netState.get(), 32);
    f.skipTaskbar = std::find(states.begin(), states.end(), a[NetWmStateSkipTaskbar]) != states.end();
    f.framedType = framedType(type.get(), a);
    if (title)
        *title = rawTitle(netName.get(), name.get(), a);
    return f;
}

std::uint32_t styleOf(const Facts& f, bool wm)
{
    const bool iconic = f.wmState == kIconicState;
    const bool visible =
        wm ? (f.wmState == kNormalState || iconic || (!f.wmState && f.mapped)) : (f.mapped || iconic);
    // Framed means "a task bar would show it" (EWMH): a top-level window of
    // its own that is not override-redirect, of type NORMAL or DIALOG (or
    // none), without _NET_WM_STATE_SKIP_TASKBAR, and managed (WM_STATE) when
    // a window manager runs. Who draws the frame does not matter: browsers
    // and GTK programs draw their own (Motif decorations off,
    // _GTK_FRAME_EXTENTS), and some managers (Xwayland's) never reparent.
    const bool border = !f.overrideRedirect && f.framedType && !f.skipTaskbar && (!wm || f.wmState.has_value());
    return (visible ? core::WS_VISIBLE : 0) | (border ? core::WS_BORDER : 0);
}

// Reads the rest of titles longer than one read, all requests first.
void readRest(xcb_connection_t* c, const std::vector<WindowEntry>& entries, std::vector<RawTitle>& titles)
{
    std::vector<std::pair<std::size_t, xcb_get_property_cookie_t>> more;
    for (std::size_t i = 0; i < titles.size(); ++i) {
        const RawTitle& t = titles[i];
        if (t.bytesAfter > 0)
            more.emplace_back(i, xcb_get_property(c, 0, xcb_window_t(entries[i].id), t.property, t.type, kTitleChunk,
                                                  (t.bytesAfter + 3) / 4));
    }
    for (const auto& [i, cookie] : more) {
        const auto r = take(c, xcb_get_property_reply, cookie);
        if (r && r->type == titles[i].type && r->format == 8)
            titles[i].bytes.append(static_cast<const char*>(xcb_get_property_value(r.get())),
                                   xcb_get_property_value_length(r.get()));
    }
}

QString decodeTitle(QByteArray bytes, xcb_atom_t type, const Atoms& a)
{
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0)
        bytes.truncate(nul);
    return type == a[Utf8String] ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

std::vector<xcb_window_t> childrenTopmostFirst(const xcb_query_tree_reply_t* tree)
{
    if (!tree)
        return {};
    const xcb_window_t* w = xcb_query_tree_children(tree);
    std::vector<xcb_window_t> out(w, w + xcb_query_tree_children_length(tree));
    std::reverse(out.begin(), out.end());
    return out;
}

// Without an EWMH client list: the client each child of the root holds,
// topmost first. Each level below the children is one round of requests.
std::vector<xcb_window_t> clientsByTree(xcb_connection_t* c, xcb_window_t root, const Atoms& a)
{
    const std::vector<xcb_window_t> top =
        childrenTopmostFirst(take(c, xcb_query_tree_reply, xcb_query_tree(c, root)).get());
    std::vector<std::pair<xcb_get_window_attributes_cookie_t, xcb_get_property_cookie_t>> probes;
    probes.reserve(top.size());
    for (const xcb_window_t w : top)
        probes.emplace_back(xcb_get_window_attributes(c, w), xcb_get_property(c, 0, w, a[WmState], a[WmState], 0, 2));

    std::vector<xcb_window_t> client(top.size(), XCB_WINDOW_NONE);
    std::vector<bool> mappedClient(top.size(), false);
    std::vector<std::pair<std::size_t, xcb_window_t>> level;  // (child of the root, window to look below)
    for (std::size_t i = 0; i < top.size(); ++i) {
        const auto attributes = take(c, xcb_get_window_attributes_reply, probes[i].first);
        const auto state = take(c, xcb_get_property_reply, probes[i].second);
        if (!attributes || !state)
            continue;
        if (hasWmState(state.get(), a)) {
            client[i] = top[i];
        } else if (!attributes->override_redirect && attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT) {
            mappedClient[i] = attributes->map_state != XCB_MAP_STATE_UNMAPPED;
            level.emplace_back(i, top[i]);
        }
    }

    for (int depth = 0; depth < kMaxFrameDepth && !level.empty(); ++depth) {
        std::vector<xcb_query_tree_cookie_t> trees;
        for (const auto& [i, w] : level)
            trees.push_back(xcb_query_tree(c, w));
        std::vector<std::pair<std::size_t, xcb_window_t>> below;
        for (std::size_t k = 0; k < level.size(); ++k)
            for (const xcb_window_t w : childrenTopmostFirst(take(c, xcb_query_tree_reply, trees[k]).get()))
                below.emplace_back(level[k].first, w);
        std::vector<xcb_get_property_cookie_t> states;
        for (const auto& [i, w] : below)
            states.push_back(xcb_get_property(c, 0, w, a[WmState], a[WmState], 0, 2));
        for (std::size_t k = 0; k < below.size(); ++k) {
            const auto state = take(c, xcb_get_property_reply, states[k]);
            const std::size_t i = below[k].first;
            if (client[i] == XCB_WINDOW_NONE && hasWmState(state.get(), a))
                client[i] = below[k].second;
        }
        level.clear();
        for (const auto& [i, w] : below)
            if (client[i] == XCB_WINDOW_NONE)
                level.emplace_back(i, w);
    }

    std::vector<xcb_window_t> out;
    for (std::size_t i = 0; i < top.size(); ++i) {
        if (client[i] != XCB_WINDOW_NONE)
            out.push_back(client[i]);
        else if (mappedClient[i])
            out.push_back(top[i]);
    }
    return out;
}

}  // namespace

struct WindowListXcb::Connection {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;
    Atoms atoms{};
    ~Connection() { xcb_disconnect(c); }
};

WindowListXcb::WindowListXcb(QByteArray display) : m_display(std::move(display)) {}

WindowListXcb::~WindowListXcb() = default;

WindowListXcb::Connection* WindowListXcb::connection()
{
    if (m_connection && xcb_connection_has_error(m_connection->c))
        m_connection.reset();
    if (m_connection)
        return m_connection.get();

    auto conn = std::make_unique<Connection>();
    int screen = 0;
    conn->c = xcb_connect(m_display.isEmpty() ? nullptr : m_display.constData(), &screen);
    if (xcb_connection_has_error(conn->c))
        return nullptr;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn->c));
    for (int i = 0; i < screen && it.rem > 0; ++i)
        xcb_screen_next(&it);
    if (it.rem <= 0)
        return nullptr;
    conn->root = it.data->root;

    std::array<xcb_intern_atom_cookie_t, AtomCount> cookies{};
    for (std::size_t i = 0; i < AtomCount; ++i)
        cookies[i] = xcb_intern_atom(conn->c, 0, std::uint16_t(std::strlen(kAtomNames[i])), kAtomNames[i]);
    bool complete = true;
    for (std::size_t i = 0; i < AtomCount; ++i) {
        const auto r = take(conn->c, xcb_intern_atom_reply, cookies[i]);
        conn->atoms[i] = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        complete = complete && conn->atoms[i] != XCB_ATOM_NONE;
    }
    // A request naming atom 0 would fail like one for a vanished window.
    if (!complete)
        return nullptr;
    m_connection = std::move(conn);
    return m_connection.get();
}

std::vector<WindowEntry> WindowListXcb::windows()
{
    Connection* conn = connection();
    if (!conn)
        return {};
    xcb_connection_t* c = conn->c;
    const Atoms& a = conn->atoms;

    const auto check = requestWmCheck(c, conn->root, a);
    const auto stackingCookie =
        xcb_get_property(c, 0, conn->root, a[NetClientListStacking], XCB_ATOM_WINDOW, 0, 65536);
    const bool wm = wmRunning(c, a, check);
    const auto stacking = take(c, xcb_get_property_reply, stackingCookie);

    std::vector<xcb_window_t> clients;
    if (wm && stacking && stacking->type == XCB_ATOM_WINDOW) {
        clients = values<xcb_window_t>(stacking.get(), 32);
        std::reverse(clients.begin(), clients.end());  // the property lists bottom to top
    } else {
        clients = clientsByTree(c, conn->root, a);
    }

    std::vector<Pending> pending;
    pending.reserve(clients.size());
    for (const xcb_window_t w : clients)
        pending.push_back(request(c, a, w, true));

    std::vector<WindowEntry> entries;
    std::vector<RawTitle> titles;
    entries.reserve(clients.size());
    titles.reserve(clients.size());
    for (std::size_t i = 0; i < clients.size(); ++i) {
        RawTitle title;
        if (const std::optional<Facts> f = collect(c, a, pending[i], &title)) {
            entries.push_back({clients[i], styleOf(*f, wm), {}});
            titles.push_back(std::move(title));
        }
    }
    readRest(c, entries, titles);
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i].title = decodeTitle(std::move(titles[i].bytes), titles[i].type, a);
    return entries;
}

std::uint32_t WindowListXcb::style(WindowId id)
{
    if (id == 0 || id > 0xffffffffu)
        return 0;
    Connection* conn = connection();
    if (!conn)
        return 0;
    const auto check = requestWmCheck(conn->c, conn->root, conn->atoms);
    const Pending p = request(conn->c, conn->atoms, xcb_window_t(id), false);
    const bool wm = wmRunning(conn->c, conn->atoms, check);
    const std::optional<Facts> f = collect(conn->c, conn->atoms, p, nullptr);
    return f ? styleOf(*f, wm) : 0;
}

}  // namespace kiebitz::platform
