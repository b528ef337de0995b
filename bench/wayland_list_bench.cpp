// Reads the toplevel list of a Wayland compositor with many titled windows
// and compares with `swaymsg -t get_tree` and the wlroots reference client
// `foreign-toplevel` (libwlroots-examples), run as processes on the same
// desktop.
//   scripts/wayland-tests BUILD_DIR BUILD_DIR/bench/wayland_list_bench [windows=300] [runs=50]
// Needs a running sway (WAYLAND_DISPLAY, SWAYSOCK) and foot; the windows are
// foot terminals, 100 to a foot server (a terminal takes several files),
// floating so that sway does not tile them.
#include "bench_timing.h"
#include "capture/window_scan.h"
#include "core/program_values.h"
#include "platform/linux/window_list_wayland.h"

#include <QByteArray>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kiebitz;
using bench::Clock;

extern char** environ;

namespace {

const char* const kForeignToplevel = "/usr/lib/wlroots/foreign-toplevel";

using bench::medianMs;
using bench::ms;

// Starts `args` with its output to /dev/null; its process id, 0 on failure.
pid_t spawn(std::vector<std::string> args)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : 0;
}

bool run(std::vector<std::string> args)
{
    const pid_t pid = spawn(std::move(args));
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int benchWindows(platform::WindowList& list)
{
    const std::vector<platform::WindowEntry> all = list.windows();
    return int(
        std::count_if(all.begin(), all.end(), [](const auto& e) { return e.title.startsWith(u"Fenster Nr. "); }));
}

// The direct scan of "Artikel übernehmen" over the whole list (no window is
// an item page, so every one is examined).
bool scan(platform::WindowList& list)
{
    std::int16_t count = 0;
    (void)capture::scan_ItemWindow(list.windows(), 0, core::WS_VISIBLE | core::WS_BORDER, count);
    return count > 0;
}

void print(const char* what, std::optional<double> v) { bench::printMs(what, v, 58); }

}  // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 300;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 50;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!std::getenv("WAYLAND_DISPLAY") || !std::getenv("SWAYSOCK") || !runtime) {
        std::fprintf(stderr, "needs a running sway (see scripts/wayland-tests)\n");
        return 1;
    }
    run({"swaymsg", "-q", "for_window [app_id=\"^kiebitz-bench$\"] floating enable"});
    constexpr int kPerServer = 100;
    std::vector<pid_t> servers;
    for (int i = 0; i < count; i += kPerServer) {
        const std::string socket = std::string(runtime) + "/kiebitz-bench-foot-" + std::to_string(i) + ".sock";
        servers.push_back(spawn({"foot", "--server=" + socket}));
        if (servers.back() <= 0) {
            std::fprintf(stderr, "foot did not start\n");
            return 1;
        }
    }
    platform::WindowListWayland list;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto opening = Clock::now();
    for (int i = 0; i < count; ++i) {
        const std::string socket =
            std::string(runtime) + "/kiebitz-bench-foot-" + std::to_string(i / kPerServer * kPerServer) + ".sock";
        const std::string title = i % 10 == 0 ? "Fenster Nr. " + std::to_string(i) + " Auktion - Kiebitz"
                                              : "Fenster Nr. " + std::to_string(i) + " – Bieter";
        run({"footclient", "--no-wait", "--server-socket=" + socket, "--app-id=kiebitz-bench", "--title=" + title,
             "sleep", "3600"});
    }
    while (benchWindows(list) < count && Clock::now() - opening < std::chrono::minutes(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const int shown = benchWindows(list);
    std::printf("%d of %d windows open after %.1f s; median of %d runs:\n", shown, count,
                ms(Clock::now() - opening) / 1000.0, runs);

    print("Kiebitz: read of the list (open connection)", medianMs(runs, [&] { return benchWindows(list) == shown; }));
    print("Kiebitz: read and direct scan (open connection)", medianMs(runs, [&] { return scan(list); }));
    print("Kiebitz: connect, bind and first read", medianMs(runs, [&] {
              platform::WindowListWayland fresh;
              return benchWindows(fresh) == shown;
          }));
    print("swaymsg -t get_tree (process)", medianMs(runs, [] { return run({"swaymsg", "-t", "get_tree"}); }));
    print("foreign-toplevel, wlroots reference client (process)",
          medianMs(runs, [] { return run({kForeignToplevel}); }));
    // The cost of a process start alone, for comparison.
    print("/bin/true (process)", medianMs(runs, [] { return run({"/bin/true"}); }));

    for (const pid_t server : servers) {
        ::kill(server, SIGTERM);
        int status = 0;
        waitpid(server, &status, 0);
    }
    return shown == count ? 0 : 1;
}
