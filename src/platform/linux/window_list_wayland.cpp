#include "platform/linux/window_list_wayland.h"

#include "core/program_values.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QStringDecoder>

#include <wayland-client.h>

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>

namespace kiebitz::platform {

namespace {

using Clock = std::chrono::steady_clock;

// The highest version of wlr foreign toplevel management this code knows.
constexpr std::uint32_t kManagerVersion = 3;

// Whether `bytes` are valid UTF-8; `out` gets them decoded.
bool fromUtf8(QByteArrayView bytes, QString& out)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    out = utf8(bytes);
    return !utf8.hasError();
}

// Where an incomplete UTF-8 sequence at the end of `bytes` begins; the size
// when there is none.
qsizetype completeLength(QByteArrayView bytes)
{
    qsizetype lead = bytes.size() - 1;
    while (lead >= 0 && lead > bytes.size() - 4 && (std::uint8_t(bytes[lead]) & 0xc0) == 0x80)
        --lead;
    if (lead < 0 || std::uint8_t(bytes[lead]) < 0xc0)
        return bytes.size();
    const auto c = std::uint8_t(bytes[lead]);
    const qsizetype need = c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : 2;
    return bytes.size() - lead < need ? lead : bytes.size();
}

// A Wayland title is UTF-8. One cut inside its last character (an overlong
// title shortened by the client or compositor) loses that character. Other
// bytes that are no UTF-8 come from an X11 window whose WM_NAME is ICCCM
// STRING, passed on unchanged by the compositor's X window manager: they
// are read as Latin-1.
QString decodeTitle(const QByteArray& bytes)
{
    QString title;
    if (fromUtf8(bytes, title))
        return title;
    const qsizetype complete = completeLength(bytes);
    if (complete < bytes.size() && fromUtf8(QByteArrayView(bytes).first(complete), title))
        return title;
    return QString::fromLatin1(bytes);
}

}  // namespace

// One toplevel as the compositor described it; changes count from their
// done event on.
struct ForeignToplevel {
    WindowListWayland::Connection* connection = nullptr;
    zwlr_foreign_toplevel_handle_v1* handle = nullptr;
    WindowId id = 0;
    std::uint64_t created = 0;    // event serial of its announcement
    std::uint64_t activated = 0;  // event serial of its last activation; 0: not seen activated
    bool complete = false;        // its first done event came
    QByteArray pendingTitle, pendingAppId;
    bool pendingActive = false;
    QString title;
    QString appId;
    bool active = false;
    std::uintptr_t ownKey = 0;  // the own window tied to it; 0: none
    WindowId ownId = 0;
};

struct WindowListWayland::Connection {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    zwlr_foreign_toplevel_manager_v1* manager = nullptr;
    std::uint32_t managerName = 0;
    std::uint32_t managerVersion = 0;
    std::vector<std::unique_ptr<ForeignToplevel>> toplevels;
    std::uint64_t serial = 0;
    WindowId* nextId = nullptr;  // the list's, so that ids never repeat
    bool broken = false;         // a protocol or socket error, or the manager ended
    std::unique_ptr<QSocketNotifier> notifier;
    std::function<void()> afterEvents;  // run after the notifier's reads

    ~Connection();
    bool fail()
    {
        broken = true;
        return false;
    }
    bool readOnce(const bool& done, Clock::time_point deadline);
    bool roundtrip(int timeoutMs);
    void readAvailable();
    void remove(ForeignToplevel* t);
    std::vector<ForeignToplevel*> ordered() const;
};

namespace {

void onTitle(void* data, zwlr_foreign_toplevel_handle_v1*, const char* title)
{
    static_cast<ForeignToplevel*>(data)->pendingTitle = QByteArray(title ? title : "");
}

void onAppId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* appId)
{
    static_cast<ForeignToplevel*>(data)->pendingAppId = QByteArray(appId ? appId : "");
}

void onOutput(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}

void onState(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states)
{
    auto* t = static_cast<ForeignToplevel*>(data);
    t->pendingActive = false;
    const auto* s = static_cast<const std::uint32_t*>(states->data);
    for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i)
        t->pendingActive = t->pendingActive || s[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
}

void onDone(void* data, zwlr_foreign_toplevel_handle_v1*)
{
    auto* t = static_cast<ForeignToplevel*>(data);
    t->title = decodeTitle(t->pendingTitle);
    t->appId = QString::fromUtf8(t->pendingAppId);
    if (t->pendingActive && !t->active)
        t->activated = ++t->connection->serial;
    t->active = t->pendingActive;
    t->complete = true;
}

void onClosed(void* data, zwlr_foreign_toplevel_handle_v1*)
{
    auto* t = static_cast<ForeignToplevel*>(data);
    t->connection->remove(t);
}

void onParent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

constexpr zwlr_foreign_toplevel_handle_v1_listener kToplevelListener = {
    onTitle, onAppId, onOutput, onOutput, onState, onDone, onClosed, onParent,
};

void onToplevel(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle)
{
    auto* c = static_cast<WindowListWayland::Connection*>(data);
    if (!handle)
        return;
    auto t = std::make_unique<ForeignToplevel>();
    t->connection = c;
    t->handle = handle;
    t->id = (*c->nextId)++;
    t->created = ++c->serial;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kToplevelListener, t.get());
    c->toplevels.push_back(std::move(t));
}

// The compositor ends the list (it may do so at any time); the object is
// gone on its side.
void onFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager)
{
    auto* c = static_cast<WindowListWayland::Connection*>(data);
    zwlr_foreign_toplevel_manager_v1_destroy(manager);
    c->manager = nullptr;
    c->broken = true;
}

constexpr zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {onToplevel, onFinished};

void onGlobal(void* data, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t version)
{
    auto* c = static_cast<WindowListWayland::Connection*>(data);
    if (interface && std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0) {
        c->managerName = name;
        c->managerVersion = version;
    }
}

void onGlobalRemove(void* data, wl_registry*, std::uint32_t name)
{
    auto* c = static_cast<WindowListWayland::Connection*>(data);
    if (c->managerName != 0 && name == c->managerName)
        c->broken = true;
}

constexpr wl_registry_listener kRegistryListener = {onGlobal, onGlobalRemove};

void onSyncDone(void* data, wl_callback*, std::uint32_t) { *static_cast<bool*>(data) = true; }

constexpr wl_callback_listener kSyncListener = {onSyncDone};

}  // namespace

WindowListWayland::Connection::~Connection()
{
    notifier.reset();
    for (const auto& t : toplevels)
        zwlr_foreign_toplevel_handle_v1_destroy(t->handle);
    if (manager)
        zwlr_foreign_toplevel_manager_v1_destroy(manager);
    if (registry)
        wl_registry_destroy(registry);
    if (display)
        wl_display_disconnect(display);
}

void WindowListWayland::Connection::remove(ForeignToplevel* t)
{
    const auto it = std::find_if(toplevels.begin(), toplevels.end(), [t](const auto& p) { return p.get() == t; });
    if (it == toplevels.end())
        return;
    zwlr_foreign_toplevel_handle_v1_destroy(t->handle);
    toplevels.erase(it);
}

// One round of the usual read loop: sends what is queued, waits for the
// compositor's events until `deadline` and dispatches them. False when the
// connection broke (then `broken`) or nothing came in time; true at once
// when `done` already holds.
bool WindowListWayland::Connection::readOnce(const bool& done, Clock::time_point deadline)
{
    while (wl_display_prepare_read(display) != 0) {
        if (wl_display_dispatch_pending(display) < 0)
            return fail();
    }
    if (done || broken) {
        wl_display_cancel_read(display);
        return !broken;
    }
    for (;;) {
        bool unsent = false;
        if (wl_display_flush(display) < 0) {
            if (errno != EAGAIN) {
                wl_display_cancel_read(display);
                return fail();
            }
            unsent = true;  // the compositor reads slowly: wait until it can take more
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{wl_display_get_fd(display), short(POLLIN | (unsent ? POLLOUT : 0)), 0};
        const int r = ::poll(&p, 1, int(std::max<decltype(left)>(left, 0)));
        if (r < 0 && errno == EINTR && Clock::now() < deadline)
            continue;
        if (r <= 0) {
            wl_display_cancel_read(display);
            return r == 0 ? false : fail();
        }
        if (p.revents & POLLIN)
            break;
        if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) {
            wl_display_cancel_read(display);
            return fail();
        }
    }
    if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0)
        return fail();
    return !broken;
}

// A wl_display.sync answered within `timeoutMs`: every event the
// compositor sent before it is dispatched.
bool WindowListWayland::Connection::roundtrip(int timeoutMs)
{
    wl_callback* callback = wl_display_sync(display);
    if (!callback)
        return fail();
    bool done = false;
    wl_callback_add_listener(callback, &kSyncListener, &done);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done && readOnce(done, deadline)) {}
    // An answer that comes later goes to a destroyed proxy and is dropped.
    wl_callback_destroy(callback);
    if (wl_display_get_error(display) != 0)
        fail();
    return done && !broken;
}

// What came in meanwhile, without waiting (the socket notifier's slot).
void WindowListWayland::Connection::readAvailable()
{
    const bool notDone = false;
    if (!broken && readOnce(notDone, Clock::now()) && afterEvents)
        afterEvents();
    if (broken && notifier)
        notifier->setEnabled(false);
}

std::vector<ForeignToplevel*> WindowListWayland::Connection::ordered() const
{
    std::vector<ForeignToplevel*> out;
    out.reserve(toplevels.size());
    for (const auto& t : toplevels)
        if (t->complete)
            out.push_back(t.get());
    std::sort(out.begin(), out.end(), [](const ForeignToplevel* a, const ForeignToplevel* b) {
        if (a->activated != b->activated)
            return a->activated > b->activated;
        return a->created > b->created;
    });
    return out;
}

WindowListWayland::WindowListWayland(QByteArray display, OwnWindows ownWindows, QStringList ownAppIds, int timeoutMs)
    : m_display(std::move(display)),
      m_ownWindows(std::move(ownWindows)),
      m_ownAppIds(std::move(ownAppIds)),
      m_timeoutMs(timeoutMs)
{}

WindowListWayland::~WindowListWayland() = default;

WindowListWayland::Connection* WindowListWayland::connection()
{
    if (m_connection && m_connection->broken)
        m_connection.reset();
    if (m_connection || m_unsupported)
        return m_connection.get();

    auto conn = std::make_unique<Connection>();
    conn->nextId = &m_nextId;
    conn->display = wl_display_connect(m_display.isEmpty() ? nullptr : m_display.constData());
    if (!conn->display)
        return nullptr;
    conn->registry = wl_display_get_registry(conn->display);
    if (!conn->registry)
        return nullptr;
    wl_registry_add_listener(conn->registry, &kRegistryListener, conn.get());
    if (!conn->roundtrip(m_timeoutMs))
        return nullptr;
    if (conn->managerName == 0) {
        // GNOME and KDE Plasma offer no such list; asking again would not help.
        m_unsupported = true;
        return nullptr;
    }
    conn->manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
        wl_registry_bind(conn->registry, conn->managerName, &zwlr_foreign_toplevel_manager_v1_interface,
                         std::min(conn->managerVersion, kManagerVersion)));
    if (!conn->manager)
        return nullptr;
    zwlr_foreign_toplevel_manager_v1_add_listener(conn->manager, &kManagerListener, conn.get());
    // The compositor announces every toplevel with its details on binding.
    if (!conn->roundtrip(m_timeoutMs))
        return nullptr;
    if (QCoreApplication::instance()) {
        conn->notifier = std::make_unique<QSocketNotifier>(wl_display_get_fd(conn->display), QSocketNotifier::Read);
        Connection* c = conn.get();
        QObject::connect(conn->notifier.get(), &QSocketNotifier::activated, conn->notifier.get(),
                         [c] { c->readAvailable(); });
        conn->afterEvents = [this, c] { recogniseOwnWindows(*c); };
    }
    m_connection = std::move(conn);
    return m_connection.get();
}

bool WindowListWayland::available() { return connection() != nullptr; }

std::vector<WindowEntry> WindowListWayland::windows()
{
    Connection* c = connection();
    if (!c)
        return {};
    // Without an answer in time the list as last known stands; a broken
    // connection is opened anew once.
    if (!c->roundtrip(m_timeoutMs) && c->broken) {
        c = connection();
        if (!c)
            return {};
    }

    recogniseOwnWindows(*c);
    const std::vector<ForeignToplevel*> order = c->ordered();
    std::vector<WindowEntry> out;
    out.reserve(order.size());
    for (const ForeignToplevel* t : order)
        out.push_back({t->ownKey ? t->ownId : t->id, core::WS_VISIBLE | core::WS_BORDER, t->title});
    return out;
}

void WindowListWayland::recogniseOwnWindows(Connection& c)
{
    if (!m_ownWindows)
        return;
    const std::vector<OwnWindow> own = m_ownWindows();
    const auto keyOf = [](const OwnWindow& w) { return w.key ? w.key : std::uintptr_t(w.id); };
    for (const auto& t : c.toplevels) {
        if (t->ownKey &&
            std::none_of(own.begin(), own.end(), [&](const OwnWindow& w) { return keyOf(w) == t->ownKey; }))
            t->ownKey = 0;
    }
    const std::vector<ForeignToplevel*> order = c.ordered();
    for (const OwnWindow& w : own) {
        const std::uintptr_t key = keyOf(w);
        if (std::any_of(order.begin(), order.end(), [&](const ForeignToplevel* t) { return t->ownKey == key; }))
            continue;
        for (ForeignToplevel* t : order) {
            if (t->ownKey || t->title != w.title || (!m_ownAppIds.isEmpty() && !m_ownAppIds.contains(t->appId)))
                continue;
            t->ownKey = key;
            t->ownId = w.id;
            break;
        }
    }
}

std::uint32_t WindowListWayland::style(WindowId id) { return styleIn(windows(), id); }

}  // namespace kiebitz::platform
