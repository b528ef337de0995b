// Start-up cost of the program against a bare Qt Widgets window of the same
// layout (bare_window). The two are started in turn, the order swapped every
// pair so that neither always follows the other, and each run measures:
//  - the time from just before fork/exec until the X server reports the
//    program's first top-level window mapped (MapNotify of a window whose
//    _NET_WM_PID is the program's pid);
//  - peak memory: VmHWM of /proc/<pid>/status after the window is up and has
//    had `--settle` ms to paint, and ru_maxrss of the ended child;
//  - the number of shared libraries in /proc/<pid>/maps at the same moment.
// Each program is then ended with SIGTERM (SIGKILL if it outlives the grace
// time), so that no close dialogue can hold a run up.
//
// Every run gets a fresh empty home (HOME, XDG_CONFIG_HOME) and runs on
// X11. Needs DISPLAY with a window manager; run it inside a D-Bus session
// (dbus-run-session) to start the programs as on a desktop.
//
// startup_bench [--runs N] [--warmup N] [--settle MS] [--kiebitz PATH]
//               [--bare PATH] [--only kiebitz|bare] [--wrap "CMD ARGS"] [-v]
// --wrap starts each program through a tool (valgrind, ...); the window is
// then looked for under the tool's descendants.
#include "bench_timing.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using kiebitz::bench::Clock;
using kiebitz::bench::ms;

struct Options {
    int runs = 20;
    int warmup = 1;
    int settleMs = 300;
    int timeoutMs = 30000;
    int graceMs = 3000;
    std::string kiebitz;
    std::string bare;
    std::string only;
    std::vector<std::string> wrap;
    bool verbose = false;
};

struct Run {
    double mapMs = 0;
    double hwmMiB = 0;
    double maxRssMiB = 0;
    int libraries = 0;
    std::set<std::string> libraryPaths;
    bool killed = false;
};

// ---- /proc ------------------------------------------------------------

pid_t parentOf(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    // The command name in parentheses may hold blanks; the fields follow
    // the last ')'.
    const auto close = line.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream rest(line.substr(close + 1));
    std::string state;
    pid_t ppid = 0;
    rest >> state >> ppid;
    return ppid;
}

bool isSelfOrDescendant(pid_t pid, pid_t ancestor)
{
    for (int depth = 0; pid > 1 && depth < 16; ++depth, pid = parentOf(pid))
        if (pid == ancestor)
            return true;
    return false;
}

std::optional<double> hwmMiB(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    return std::nullopt;
}

// Mapped files that are shared libraries (name holds ".so"), by path.
std::set<std::string> libraries(pid_t pid)
{
    std::set<std::string> found;
    std::ifstream in("/proc/" + std::to_string(pid) + "/maps");
    for (std::string line; std::getline(in, line);) {
        const auto slash = line.find('/');
        if (slash == std::string::npos)
            continue;
        std::string path = line.substr(slash);
        if (path.ends_with(" (deleted)"))
            path.resize(path.size() - 10);
        if (fs::path(path).filename().string().find(".so") != std::string::npos)
            found.insert(path);
    }
    return found;
}

std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string a, b, c;
    in >> a >> b >> c;
    return a + " " + b + " " + c;
}

// ---- X server ---------------------------------------------------------

class MapWatch {
public:
    MapWatch()
    {
        m_c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_c))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_c, m_root, XCB_CW_EVENT_MASK, &mask);
        const char name[] = "_NET_WM_PID";
        xcb_intern_atom_reply_t* r =
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, sizeof name - 1, name), nullptr);
        if (r) {
            m_pidAtom = r->atom;
            free(r);
        }
        xcb_flush(m_c);
    }
    ~MapWatch() { xcb_disconnect(m_c); }
    MapWatch(const MapWatch&) = delete;
    MapWatch& operator=(const MapWatch&) = delete;

    bool ok() const { return !xcb_connection_has_error(m_c) && m_pidAtom != XCB_NONE; }

    // Drops whatever earlier runs left queued.
    void drain()
    {
        while (xcb_generic_event_t* ev = xcb_poll_for_event(m_c))
            free(ev);
    }

    // Waits until a top-level window of `owner` (or of a process below it)
    // is mapped, or until `deadline`/`gone()`. Returns the window's pid and
    // the moment the event was read.
    template <class Gone>
    std::optional<std::pair<pid_t, Clock::time_point>> waitForMap(pid_t owner, Clock::time_point deadline, Gone gone)
    {
        const int fd = xcb_get_file_descriptor(m_c);
        while (Clock::now() < deadline) {
            while (xcb_generic_event_t* ev = xcb_poll_for_event(m_c)) {
                const auto now = Clock::now();
                std::optional<pid_t> pid = handle(ev, owner);
                free(ev);
                if (pid)
                    return std::make_pair(*pid, now);
            }
            if (xcb_connection_has_error(m_c) || gone())
                return std::nullopt;
            pollfd p{fd, POLLIN, 0};
            poll(&p, 1, 10);
        }
        return std::nullopt;
    }

private:
    std::optional<pid_t> windowPid(xcb_window_t w)
    {
        xcb_get_property_reply_t* r =
            xcb_get_property_reply(m_c, xcb_get_property(m_c, 0, w, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        std::optional<pid_t> pid;
        if (r && r->format == 32 && xcb_get_property_value_length(r) == 4)
            pid = pid_t(*static_cast<uint32_t*>(xcb_get_property_value(r)));
        free(r);
        return pid;
    }

    std::optional<pid_t> ownedBy(xcb_window_t w, pid_t owner)
    {
        const auto pid = windowPid(w);
        if (pid && isSelfOrDescendant(*pid, owner))
            return pid;
        return std::nullopt;
    }

    std::optional<pid_t> handle(xcb_generic_event_t* ev, pid_t owner)
    {
        switch (ev->response_type & 0x7F) {
        case XCB_CREATE_NOTIFY: {
            // A new top-level window: follow it, so that its MapNotify
            // reaches us after the window manager reparents it.
            const auto* e = reinterpret_cast<xcb_create_notify_event_t*>(ev);
            if (e->parent != m_root || e->override_redirect)
                return std::nullopt;
            const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(m_c, e->window, XCB_CW_EVENT_MASK, &mask);
            // Should it have been mapped before that took effect, its map
            // counts from now.
            xcb_get_window_attributes_reply_t* a =
                xcb_get_window_attributes_reply(m_c, xcb_get_window_attributes(m_c, e->window), nullptr);
            const bool mapped = a && a->map_state != XCB_MAP_STATE_UNMAPPED;
            free(a);
            return mapped ? ownedBy(e->window, owner) : std::nullopt;
        }
        case XCB_MAP_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_map_notify_event_t*>(ev);
            if (e->override_redirect)
                return std::nullopt;
            return ownedBy(e->window, owner);
        }
        default:
            return std::nullopt;
        }
    }

    xcb_connection_t* m_c = nullptr;
    xcb_window_t m_root = XCB_NONE;
    xcb_atom_t m_pidAtom = XCB_NONE;
};

// ---- Runs -------------------------------------------------------------

std::vector<std::string> environmentFor(const fs::path& home)
{
    static const std::set<std::string> replaced = {"HOME",           "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                                                   "XDG_DATA_HOME",  "XDG_STATE_HOME",  "QT_QPA_PLATFORM",
                                                   "WAYLAND_DISPLAY"};
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (!replaced.contains(entry.substr(0, entry.find('='))))
            env.push_back(entry);
    }
    env.push_back("HOME=" + home.string());
    env.push_back("XDG_CONFIG_HOME=" + (home / ".config").string());
    env.push_back("QT_QPA_PLATFORM=xcb");
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> p;
    for (std::string& s : strings)
        p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

bool waitWithin(pid_t pid, int timeoutMs, int& status, rusage& usage)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        const pid_t r = wait4(pid, &status, WNOHANG, &usage);
        if (r == pid || (r < 0 && errno == ECHILD))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (Clock::now() < deadline);
    return false;
}

// For a process that is not our child (started through a tool).
bool goneWithin(pid_t pid, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (kill(pid, 0) == 0) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::optional<Run> runOnce(const Options& o, const std::string& program, MapWatch& watch)
{
    char pattern[] = "/tmp/kiebitz-startup-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return std::nullopt;
    }
    const fs::path home = pattern;
    std::vector<std::string> env = environmentFor(home);
    std::vector<std::string> args = o.wrap;
    args.push_back(program);
    std::vector<char*> argv = pointers(args);
    std::vector<char*> envp = pointers(env);

    watch.drain();
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        // The programs' own messages only with -v.
        if (!o.verbose) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    if (child < 0) {
        std::perror("fork");
        fs::remove_all(home);
        return std::nullopt;
    }

    int status = 0;
    rusage usage{};
    bool ended = false;
    const auto mapped = watch.waitForMap(child, start + std::chrono::milliseconds(o.timeoutMs), [&] {
        ended = wait4(child, &status, WNOHANG, &usage) == child;
        return ended;
    });

    std::optional<Run> run;
    if (mapped) {
        run.emplace();
        run->mapMs = ms(mapped->second - start);
        std::this_thread::sleep_for(std::chrono::milliseconds(o.settleMs));
        const pid_t target = mapped->first;
        run->hwmMiB = hwmMiB(target).value_or(0);
        run->libraryPaths = libraries(target);
        run->libraries = int(run->libraryPaths.size());
        kill(target, SIGTERM);
        if (target != child && !goneWithin(target, o.timeoutMs))
            kill(target, SIGKILL);
    } else {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), ended ? "ended before its window showed" : "no window");
    }
    if (!ended) {
        if (!mapped)
            kill(child, SIGTERM);
        // A wrapping tool may take a while to write its results.
        if (!waitWithin(child, o.wrap.empty() ? o.graceMs : o.timeoutMs, status, usage)) {
            if (run)
                run->killed = true;
            kill(child, SIGKILL);
            waitWithin(child, o.graceMs, status, usage);
        }
    }
    if (run)
        run->maxRssMiB = double(usage.ru_maxrss) / 1024.0;
    fs::remove_all(home);
    return run;
}

// ---- Report -----------------------------------------------------------

double percentile(std::vector<double> v, double q)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    if (q == 0.5 && v.size() % 2 == 0)
        return (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    // Nearest rank.
    const auto rank = std::size_t(std::ceil(q * double(v.size())));
    return v[std::clamp<std::size_t>(rank, 1, v.size()) - 1];
}

template <class F> std::vector<double> column(const std::vector<Run>& runs, F f)
{
    std::vector<double> v;
    for (const Run& r : runs)
        v.push_back(f(r));
    return v;
}

// One figure: median and p90 of both programs, and their ratios; a program
// left out (--only) shows dashes.
void printRow(const char* name, const std::vector<double>& k, const std::vector<double>& b, int decimals,
              double target)
{
    const auto cell = [decimals](const std::vector<double>& v, double q) {
        char text[32] = "        -";
        if (!v.empty())
            std::snprintf(text, sizeof text, "%9.*f", decimals, percentile(v, q));
        return std::string(text);
    };
    std::printf("%-26s %s %s  %s %s", name, cell(k, 0.5).c_str(), cell(k, 0.9).c_str(), cell(b, 0.5).c_str(),
                cell(b, 0.9).c_str());
    if (!k.empty() && !b.empty()) {
        const double median = percentile(k, 0.5) / percentile(b, 0.5);
        std::printf("  %6.3f %6.3f", median, percentile(k, 0.9) / percentile(b, 0.9));
        if (target > 0)
            std::printf("   <= %.2f %s", target, median <= target ? "met" : "MISSED");
    }
    std::printf("\n");
}

std::string selfFolder()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : self.parent_path().string();
}

bool parse(int argc, char** argv, Options& o)
{
    const std::string folder = selfFolder();
    o.kiebitz = folder + "/../src/app/kiebitz";
    o.bare = folder + "/bare_window";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--runs" && hasValue)
            o.runs = std::atoi(argv[++i]);
        else if (a == "--warmup" && hasValue)
            o.warmup = std::atoi(argv[++i]);
        else if (a == "--settle" && hasValue)
            o.settleMs = std::atoi(argv[++i]);
        else if (a == "--kiebitz" && hasValue)
            o.kiebitz = argv[++i];
        else if (a == "--bare" && hasValue)
            o.bare = argv[++i];
        else if (a == "--only" && hasValue)
            o.only = argv[++i];
        else if (a == "--wrap" && hasValue) {
            std::istringstream words(argv[++i]);
            for (std::string w; words >> w;)
                o.wrap.push_back(w);
        } else if (a == "-v")
            o.verbose = true;
        else
            return false;
    }
    return o.runs > 0 && o.warmup >= 0 && o.settleMs >= 0 &&
           (o.only.empty() || o.only == "kiebitz" || o.only == "bare");
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: %s [--runs N] [--warmup N] [--settle MS] [--kiebitz PATH] [--bare PATH]\n"
                     "       [--only kiebitz|bare] [--wrap \"CMD ARGS\"] [-v]\n",
                     argv[0]);
        return 2;
    }
    MapWatch watch;
    if (!watch.ok()) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    for (const std::string& p : {o.kiebitz, o.bare})
        if (access(p.c_str(), X_OK) != 0) {
            std::fprintf(stderr, "not executable: %s\n", p.c_str());
            return 1;
        }

    const std::string loadBefore = loadAverage();
    std::vector<Run> kiebitz, bare;
    const bool withKiebitz = o.only != "bare", withBare = o.only != "kiebitz";
    for (int i = 0; i < o.warmup + o.runs; ++i) {
        const bool measured = i >= o.warmup;
        // Swapped every pair: K B, B K, K B, ...
        const bool kiebitzFirst = i % 2 == 0;
        for (const bool isKiebitz : {kiebitzFirst, !kiebitzFirst}) {
            if (!(isKiebitz ? withKiebitz : withBare))
                continue;
            const auto run = runOnce(o, isKiebitz ? o.kiebitz : o.bare, watch);
            if (!run)
                return 1;
            if (o.verbose)
                std::printf("%s %-8s %8.1f ms %7.1f MiB %7.1f MiB %4d libs%s\n", measured ? "run   " : "warmup",
                            isKiebitz ? "kiebitz" : "bare", run->mapMs, run->hwmMiB, run->maxRssMiB, run->libraries,
                            run->killed ? " (killed)" : "");
            if (measured)
                (isKiebitz ? kiebitz : bare).push_back(*run);
        }
    }
    const std::string loadAfter = loadAverage();

    std::printf("\n%d runs each (+%d warm-up), settle %d ms; load average before %s, after %s\n", o.runs, o.warmup,
                o.settleMs, loadBefore.c_str(), loadAfter.c_str());
    std::printf("%-26s %9s %9s  %9s %9s  %6s %6s\n", "", "kiebitz", "", "bare", "", "ratio", "");
    std::printf("%-26s %9s %9s  %9s %9s  %6s %6s\n", "", "median", "p90", "median", "p90", "median", "p90");
    printRow("exec to mapped (ms)", column(kiebitz, [](const Run& r) { return r.mapMs; }),
             column(bare, [](const Run& r) { return r.mapMs; }), 1, 1.15);
    printRow("peak memory VmHWM (MiB)", column(kiebitz, [](const Run& r) { return r.hwmMiB; }),
             column(bare, [](const Run& r) { return r.hwmMiB; }), 1, 1.10);
    printRow("ru_maxrss at end (MiB)", column(kiebitz, [](const Run& r) { return r.maxRssMiB; }),
             column(bare, [](const Run& r) { return r.maxRssMiB; }), 1, 0);
    printRow("shared libraries", column(kiebitz, [](const Run& r) { return double(r.libraries); }),
             column(bare, [](const Run& r) { return double(r.libraries); }), 0, 0);

    const auto killed = std::count_if(kiebitz.begin(), kiebitz.end(), [](const Run& r) { return r.killed; }) +
                        std::count_if(bare.begin(), bare.end(), [](const Run& r) { return r.killed; });
    if (killed > 0)
        std::printf("%ld runs outlived SIGTERM and were killed\n", long(killed));

    // Libraries of any program run that no bare run mapped.
    std::map<std::string, int> extra;
    std::set<std::string> bareLibraries;
    for (const Run& r : bare)
        bareLibraries.insert(r.libraryPaths.begin(), r.libraryPaths.end());
    for (const Run& r : kiebitz)
        for (const std::string& l : r.libraryPaths)
            if (!bareLibraries.contains(l))
                ++extra[l];
    if (withKiebitz && withBare) {
        std::printf("\n%zu libraries mapped by kiebitz but not by the bare window (runs that had it):\n",
                    extra.size());
        for (const auto& [path, count] : extra)
            std::printf("  %-70s %d\n", path.c_str(), count);
    }
    return 0;
}
