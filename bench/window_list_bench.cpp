// Reads the window list of a desktop with many titled windows and compares
// with `wmctrl -l` run as a process on the same desktop.
//   window_list_bench [windows=300] [runs=50]
// Needs an X display; wmctrl needs an EWMH window manager (e.g. openbox).
#include "bench_timing.h"
#include "capture/auction.h"
#include "capture/window_scan.h"
#include "core/program_values.h"
#include "platform/linux/browser_title_windows.h"
#include "platform/linux/window_list_xcb.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kiebitz;
using bench::Clock;

extern char** environ;

namespace {

using bench::medianMs;
using bench::ms;
using bench::printMs;

// The direct scan of "Artikel übernehmen" over the whole list (no window is
// an item page, so every one is examined); gives the instances it counted.
int scanInstances(platform::WindowList& list)
{
    std::int16_t count = 0;
    (void)capture::scan_ItemWindow(list.windows(), 0, core::WS_VISIBLE | core::WS_BORDER, count);
    return count;
}

// The windows of Kiebitz instances in a list already read.
int countInstances(const std::vector<platform::WindowEntry>& list)
{
    const std::uint32_t mask = core::WS_VISIBLE | core::WS_BORDER;
    return int(std::count_if(list.begin(), list.end(), [&](const platform::WindowEntry& e) {
        return (e.style & mask) == mask && e.title.endsWith(u"Kiebitz");
    }));
}

bool runWmctrl()
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char arg0[] = "wmctrl";
    char arg1[] = "-l";
    char* argv[] = {arg0, arg1, nullptr};
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, "wmctrl", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return rc == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A click on "Artikel übernehmen" that finds no item page: the direct scan,
// the fallback scan and the browser list, all over one read of the list.
struct NoDisplay : capture::AuctionDisplay {
    void show_NoAuction() override {}
    void show_Auction(core::DateValue) override {}
};

bool clickWithoutItemPage(platform::WindowList& list)
{
    platform::BrowserTitleWindows browsers;
    capture::CaptureContext context;
    context.platform.windows = &list;
    context.platform.shellWindows = &browsers;
    context.windowStyleMask = core::WS_VISIBLE | core::WS_BORDER;
    capture::AuctionRecord record;
    NoDisplay display;
    capture::take_Auction(context, record, display);
    return record.AuctionEnd == core::kZeroDate;
}

}  // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 300;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 50;

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const char* utf8Name = "UTF8_STRING";
    const char* netName = "_NET_WM_NAME";
    auto* u =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(utf8Name)), utf8Name), nullptr);
    auto* n = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(netName)), netName), nullptr);
    std::vector<xcb_window_t> made;
    for (int i = 0; i < count; ++i) {
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, 10 + i % 50 * 4, 10 + i % 40 * 4, 240, 120, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        const QByteArray title = i % 10 == 0 ? "Auktion " + QByteArray::number(i) + " - Kiebitz"
                                             : "Fenster Nr. " + QByteArray::number(i) + " – Bieter";
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, n->atom, u->atom, 8, std::uint32_t(title.size()),
                            title.data());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            std::uint32_t(title.size()), title.data());
        xcb_map_window(c, w);
        made.push_back(w);
    }
    std::free(u);
    std::free(n);
    xcb_flush(c);

    // Timing starts once the window manager (if any) has taken every window:
    // a managed window shows a frame (WS_BORDER). Without a window manager
    // all of them only need to be listed with their titles.
    const char* wmCheck = "_NET_SUPPORTING_WM_CHECK";
    auto* wmAtom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, std::uint16_t(std::strlen(wmCheck)), wmCheck), nullptr);
    bool managed = false;
    if (wmAtom && wmAtom->atom != XCB_ATOM_NONE) {
        auto* prop =
            xcb_get_property_reply(c, xcb_get_property(c, 0, root, wmAtom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
        managed = prop && xcb_get_property_value_length(prop) == 4;
        std::free(prop);
    }
    std::free(wmAtom);
    const std::uint32_t ready = core::WS_VISIBLE | (managed ? core::WS_BORDER : 0);
    platform::WindowListXcb list;
    const auto waitStart = Clock::now();
    int listed = 0;
    std::vector<platform::WindowEntry> all;
    std::sort(made.begin(), made.end());
    while (Clock::now() - waitStart < std::chrono::minutes(3)) {
        all = list.windows();
        listed = int(std::count_if(all.begin(), all.end(), [&](const platform::WindowEntry& e) {
            return std::binary_search(made.begin(), made.end(), e.id) && !e.title.isEmpty() &&
                   (e.style & ready) == ready;
        }));
        if (listed == count)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    if (listed != count) {
        std::fprintf(stderr, "only %d of %d windows were %s after 3 minutes\n", listed, count,
                     managed ? "managed by the window manager" : "listed");
        return 1;
    }
    std::printf("waited %.1f s for the %s\n", ms(Clock::now() - waitStart) / 1000.0,
                managed ? "window manager to manage every window" : "windows to be listed");
    std::printf("%d windows made, %d of them listed, %zu in the list, %d Kiebitz instances found\n", count, listed,
                all.size(), countInstances(all));

    int found = 0;
    const auto firstStart = Clock::now();
    platform::WindowListXcb cold;
    found = scanInstances(cold);
    const double first = ms(Clock::now() - firstStart);

    std::printf("median of %d runs:\n", runs);
    printMs("direct scan (scan_ItemWindow), open connection",
            medianMs(runs, [&] { return (found = scanInstances(list)) >= 0; }));
    printMs("direct scan (scan_ItemWindow), new connection each run", medianMs(runs, [&] {
                platform::WindowListXcb fresh;
                return (found = scanInstances(fresh)) >= 0;
            }));
    // The click against one scan, alternated so that load hits both alike.
    std::vector<double> scans, clicks;
    for (int i = 0; i < runs; ++i) {
        auto t0 = Clock::now();
        found = scanInstances(list);
        scans.push_back(ms(Clock::now() - t0));
        t0 = Clock::now();
        if (!clickWithoutItemPage(list))
            return 1;
        clicks.push_back(ms(Clock::now() - t0));
    }
    const double scan = bench::median(scans), click = bench::median(clicks);
    printMs("one scan (alternated with the click)", scan);
    printMs("\"Artikel übernehmen\" without an item page", click);
    std::printf("  %-52s %8.2f x\n", "click / one scan", click / scan);
    printMs("wmctrl -l (process)", medianMs(runs, runWmctrl));
    std::printf("  %-52s %8.3f ms\n", "first call of a new list (connect, atoms, scan)", first);

    for (const xcb_window_t w : made)
        xcb_destroy_window(c, w);
    xcb_flush(c);
    xcb_disconnect(c);
    return found >= 0 ? 0 : 1;
}
