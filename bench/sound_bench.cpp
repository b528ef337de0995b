// Compares two ways to play the warning sound: A, the QAudioSink path of
// platform::SoundQt (Qt Multimedia), and B, libcanberra (ca_context_play with
// media.filename), each in fresh processes, alternated run by run. The broken
// files are also tried on C, libcanberra behind a guard against blocking opens.
//   sound_bench [runs=20] [hostile-runs=3]
// Measures start-up cost (time, memory, shared libraries) of loading each
// player on top of a bare QGuiApplication, the latency from the play call to
// the first loud sample at the sound server, and the behaviour on broken
// files. Needs a PulseAudio server whose default sink is a null sink, and
// parec; bench/run_sound_bench sets that up.
//
// The same source also builds sound_bench_qt.so, a module that holds SoundQt
// with Qt Multimedia, so that A's library load can be timed like B's.
#include "platform/sound.h"

#ifdef KIEBITZ_SOUND_BENCH_QT_MODULE

#include "platform/linux/sound_qt.h"

extern "C" __attribute__((visibility("default"))) kiebitz::platform::Sound* kiebitz_bench_make_sound()
{
    return new kiebitz::platform::SoundQt;
}

#else

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMap>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kiebitz;

namespace {

double nowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// ---------------------------------------------------------------- test files

constexpr int kRate = 22050;  // the shipped drum.wav is 22.05 kHz mono 16 bit
constexpr int kFrames = kRate * 3 / 10;
constexpr qint16 kLoud = 16000;

// A 441 Hz square wave whose very first sample is loud, as RIFF (little
// endian) or RIFX (big endian) PCM wave data; 8-bit samples are unsigned.
QByteArray makeWave(bool bigEndian, int bits = 16, int channels = 1, int rate = kRate)
{
    const int frames = rate * 3 / 10;
    const int bytes = bits / 8;
    QByteArray w(44 + frames * channels * bytes, '\0');
    char* p = w.data();
    auto put32 = [&](int at, quint32 v) { bigEndian ? qToBigEndian(v, p + at) : qToLittleEndian(v, p + at); };
    auto put16 = [&](int at, quint16 v) { bigEndian ? qToBigEndian(v, p + at) : qToLittleEndian(v, p + at); };
    std::copy_n(bigEndian ? "RIFX" : "RIFF", 4, p);
    put32(4, quint32(w.size() - 8));
    std::copy_n("WAVEfmt ", 8, p + 8);
    put32(16, 16);
    put16(20, 1);  // PCM
    put16(22, quint16(channels));
    put32(24, quint32(rate));
    put32(28, quint32(rate * channels * bytes));
    put16(32, quint16(channels * bytes));
    put16(34, quint16(bits));
    std::copy_n("data", 4, p + 36);
    put32(40, quint32(frames * channels * bytes));
    const int halfPeriod = rate / 882;
    for (int i = 0; i < frames * channels; ++i) {
        const qint32 v = (i / channels / halfPeriod) % 2 ? -kLoud : kLoud;  // on the 16-bit scale
        const int at = 44 + i * bytes;
        if (bits == 8) {
            p[at] = char(128 + v / 256);
        } else if (bits == 16) {
            put16(at, quint16(v));
        } else if (bits == 24) {  // little endian only
            const quint32 wide = quint32(v) << 8;
            for (int b = 0; b < 3; ++b)
                p[at + b] = char(wide >> (8 * b));
        } else {
            put32(at, quint32(v) << 16);
        }
    }
    return w;
}

struct HostileCase {
    const char* name;
    QString path;
};

// Broken files around the good wave, and good ones in other layouts,
// written into `dir`.
std::vector<HostileCase> writeHostileFiles(const QDir& dir)
{
    const QByteArray good = makeWave(false);
    auto patched = [&](int at, quint32 v) {
        QByteArray b = good;
        qToLittleEndian(v, b.data() + at);
        return b;
    };
    QByteArray odd = patched(40, kFrames * 2 - 1);
    odd.chop(1);
    QByteArray text;
    while (text.size() < 4096)
        text += "Kiebitz plays this file as a warning sound: it is plain text.\n";
    const std::vector<std::pair<const char*, QByteArray>> files = {
        {"empty", QByteArray()},
        {"header only", good.first(44)},
        {"truncated data", good.first(44 + kFrames)},
        {"data size 0xFFFFFFFF", patched(40, 0xFFFFFFFF)},
        {"odd 16-bit data", odd},
        {"fmt size 0xFFFFFFF4", patched(16, 0xFFFFFFF4)},  // wraps a 32-bit chunk walker back to offset 8
        {"RIFX", makeWave(true)},
        {"not a wave", text},
        // Valid files in other PCM layouts, to see which ones still play.
        {"valid 8-bit", makeWave(false, 8)},
        {"valid 24-bit", makeWave(false, 24)},
        {"valid 32-bit", makeWave(false, 32)},
        {"valid 48 kHz stereo", makeWave(false, 16, 2, 48000)},
    };
    std::vector<HostileCase> out;
    for (const auto& [name, bytes] : files) {
        QFile f(dir.filePath(QStringLiteral("case%1.wav").arg(out.size())));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(f.fileName()));
        out.push_back({name, f.fileName()});
    }
    const QString fifo = dir.filePath(QStringLiteral("fifo.wav"));
    if (::mkfifo(QFile::encodeName(fifo).constData(), 0600) != 0)
        qFatal("cannot make %s", qPrintable(fifo));
    out.push_back({"FIFO without writer", fifo});
    out.push_back({"missing file", dir.filePath(QStringLiteral("missing.wav"))});
    out.push_back({"folder", dir.path()});
    return out;
}

// ---------------------------------------------------------------- process figures

struct ProcessFigures {
    double rssKiB = 0;
    double hwmKiB = 0;
    int threads = 0;
    QSet<QString> libs;
};

ProcessFigures processFigures()
{
    ProcessFigures f;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& l : status.readAll().split('\n')) {
            if (l.startsWith("VmRSS:"))
                f.rssKiB = l.mid(6).trimmed().split(' ').value(0).toDouble();
            else if (l.startsWith("VmHWM:"))
                f.hwmKiB = l.mid(6).trimmed().split(' ').value(0).toDouble();
            else if (l.startsWith("Threads:"))
                f.threads = l.mid(8).trimmed().toInt();
        }
    }
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (maps.open(QIODevice::ReadOnly)) {
        for (const QByteArray& l : maps.readAll().split('\n')) {
            const qsizetype slash = l.indexOf('/');
            if (slash < 0)
                continue;
            const QString path = QString::fromLocal8Bit(l.mid(slash));
            if (QFileInfo(path).fileName().contains(QLatin1String(".so")))
                f.libs.insert(path);
        }
    }
    return f;
}

// ---------------------------------------------------------------- the candidates

class Candidate {
public:
    virtual ~Candidate() = default;
    virtual bool load() = 0;  // load the library and create the player
    virtual void play(const QString& file) = 0;
    virtual void stop() = 0;
    virtual void destroy() = 0;
    QString error;  // what the last call reported, if it reports anything
};

// A: SoundQt from the module, which brings Qt Multimedia with it.
class QtCandidate : public Candidate {
public:
    bool load() override
    {
        const QString module = QCoreApplication::applicationDirPath() + QStringLiteral("/sound_bench_qt.so");
        void* handle = ::dlopen(QFile::encodeName(module).constData(), RTLD_LAZY | RTLD_LOCAL);
        if (!handle) {
            error = QString::fromLocal8Bit(::dlerror());
            return false;
        }
        using Make = platform::Sound* (*)();
        const auto make = reinterpret_cast<Make>(::dlsym(handle, "kiebitz_bench_make_sound"));
        if (!make)
            return false;
        m_sound.reset(make());
        return true;
    }
    void play(const QString& file) override { m_sound->playAsync(file); }
    void stop() override { m_sound->stop(); }
    void destroy() override { m_sound.reset(); }

private:
    std::unique_ptr<platform::Sound> m_sound;
};

// B: libcanberra, loaded by hand; the declarations follow its documented API.
struct ca_context;
constexpr const char* CA_PROP_MEDIA_FILENAME = "media.filename";
constexpr std::uint32_t kSoundId = 1;

class CanberraCandidate : public Candidate {
public:
    bool load() override
    {
        void* handle = ::dlopen("libcanberra.so.0", RTLD_LAZY | RTLD_LOCAL);
        if (!handle) {
            error = QString::fromLocal8Bit(::dlerror());
            return false;
        }
        auto resolve = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(::dlsym(handle, name));
            return fn != nullptr;
        };
        if (!resolve(m_create, "ca_context_create") || !resolve(m_destroy, "ca_context_destroy") ||
            !resolve(m_play, "ca_context_play") || !resolve(m_cancel, "ca_context_cancel") ||
            !resolve(m_strerror, "ca_strerror"))
            return false;
        return report(m_create(&m_context)) && m_context;
    }
    void play(const QString& file) override
    {
        report(m_play(m_context, kSoundId, CA_PROP_MEDIA_FILENAME, QFile::encodeName(file).constData(), nullptr));
    }
    void stop() override { report(m_cancel(m_context, kSoundId)); }
    void destroy() override
    {
        if (m_context)
            m_destroy(m_context);
        m_context = nullptr;
    }

private:
    bool report(int code)
    {
        error = code == 0 ? QString() : QString::fromUtf8(m_strerror(code));
        return code == 0;
    }

    int (*m_create)(ca_context**) = nullptr;
    int (*m_destroy)(ca_context*) = nullptr;
    int (*m_play)(ca_context*, std::uint32_t, ...) = nullptr;
    int (*m_cancel)(ca_context*, std::uint32_t) = nullptr;
    const char* (*m_strerror)(int) = nullptr;
    ca_context* m_context = nullptr;
};

// C: B behind a guard, tried on the broken files only. libcanberra opens the
// file by name with a blocking fopen() in the caller's thread; here the file
// is opened without waiting first, refused unless it is a regular file, and
// handed over as /proc/self/fd/N, which reopens that very file.
class GuardedCanberraCandidate : public CanberraCandidate {
public:
    void play(const QString& file) override
    {
        const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            error = QStringLiteral("refused by the guard");
            if (fd >= 0)
                ::close(fd);
            return;
        }
        CanberraCandidate::play(QStringLiteral("/proc/self/fd/%1").arg(fd));
        ::close(fd);
    }
};

std::unique_ptr<Candidate> makeCandidate(const QString& which)
{
    if (which == u"a")
        return std::make_unique<QtCandidate>();
    if (which == u"c")
        return std::make_unique<GuardedCanberraCandidate>();
    return std::make_unique<CanberraCandidate>();
}

// ---------------------------------------------------------------- child helpers

// Runs the event loop until `done` holds or `timeoutMs` passed; SoundQt feeds
// its sink from the event loop, so waiting must keep it running.
bool pumpUntil(const std::function<bool()>& done, double timeoutMs)
{
    const double end = nowMs() + timeoutMs;
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done() || nowMs() >= end)
            loop.quit();
    });
    tick.start(1);
    if (!done())
        loop.exec();
    return done();
}

void pump(double ms)
{
    pumpUntil([] { return false; }, ms);
}

// Key=value results of one child run, printed on one line at the end, or by
// the watchdog when a call does not come back.
class Results {
public:
    void add(const char* key, const QString& value)
    {
        std::lock_guard lock(m_mutex);
        QString v = value;
        v.replace(u' ', u'_');
        m_line += QStringLiteral(" %1=%2").arg(QLatin1String(key), v.isEmpty() ? QStringLiteral("-") : v);
    }
    void add(const char* key, double value) { add(key, QString::number(value, 'f', 3)); }
    void print()
    {
        std::lock_guard lock(m_mutex);
        const QByteArray line = "RESULT" + m_line.toUtf8() + '\n';
        (void)!::write(STDOUT_FILENO, line.constData(), size_t(line.size()));
    }

private:
    std::mutex m_mutex;
    QString m_line;
};

// Ends the process with `<phase>=blocked` when a phase overruns its time.
class Watchdog {
public:
    explicit Watchdog(Results& results) : m_results(results), m_thread([this] { run(); }) {}
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    void arm(const char* phase, double seconds)
    {
        std::lock_guard lock(m_mutex);
        m_phase = phase;
        m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(qRound64(seconds * 1000));
        m_wake.notify_all();
    }
    void disarm()
    {
        std::lock_guard lock(m_mutex);
        m_phase = nullptr;
    }

private:
    void run()
    {
        std::unique_lock lock(m_mutex);
        while (!m_quit) {
            if (!m_phase) {
                m_wake.wait(lock);
                continue;
            }
            if (m_wake.wait_until(lock, m_deadline) == std::cv_status::timeout && m_phase) {
                const char* phase = m_phase;
                lock.unlock();
                m_results.add(phase, QStringLiteral("blocked"));
                m_results.print();
                ::_exit(0);
            }
        }
    }

    Results& m_results;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    const char* m_phase = nullptr;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_quit = false;
    std::thread m_thread;  // last: starts once the rest is set up
};

// Records the null sink's monitor with parec and notes when loud samples
// arrive, each dated back from the read by its place in the chunk.
class Recorder {
public:
    static constexpr int kRecordRate = 44100;
    static constexpr int kThreshold = 1000;

    ~Recorder()
    {
        if (m_pid > 0)
            ::kill(m_pid, SIGTERM);
        if (m_thread.joinable())
            m_thread.join();
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
    }

    bool start()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            ::dup2(fds[1], STDOUT_FILENO);
            char* argv[] = {const_cast<char*>("parec"),
                            const_cast<char*>("--raw"),
                            const_cast<char*>("--format=s16le"),
                            const_cast<char*>("--rate=44100"),
                            const_cast<char*>("--channels=1"),
                            const_cast<char*>("--latency-msec=2"),
                            const_cast<char*>("--device=@DEFAULT_MONITOR@"),
                            nullptr};
            ::execvp("parec", argv);
            ::_exit(127);
        }
        ::close(fds[1]);
        if (m_pid < 0) {
            ::close(fds[0]);
            return false;
        }
        m_fd = fds[0];
        m_thread = std::thread([this] { run(); });
        return pumpUntil([this] { return m_ready.load(); }, 5000);
    }

    // The first loud sample in [from, to), in steady-clock milliseconds.
    std::optional<double> firstLoud(double from, double to = 1e300)
    {
        std::lock_guard lock(m_mutex);
        for (double t : m_loud)
            if (t >= from && t < to)
                return t;
        return std::nullopt;
    }
    double lastLoud()
    {
        std::lock_guard lock(m_mutex);
        return m_loud.empty() ? -1 : m_loud.back();
    }

private:
    void run()
    {
        std::vector<qint16> buf(4096);
        for (;;) {
            const ssize_t n = ::read(m_fd, buf.data(), buf.size() * sizeof(qint16));
            const double at = nowMs();
            if (n <= 0)
                return;
            const ssize_t samples = n / ssize_t(sizeof(qint16));
            for (ssize_t i = 0; i < samples; ++i) {
                if (std::abs(buf[size_t(i)]) >= kThreshold) {
                    std::lock_guard lock(m_mutex);
                    m_loud.push_back(at - double(samples - 1 - i) * 1000.0 / kRecordRate);
                    break;  // one mark per chunk is enough
                }
            }
            m_ready = true;
        }
    }

    pid_t m_pid = -1;
    int m_fd = -1;
    std::thread m_thread;
    std::atomic<bool> m_ready{false};
    std::mutex m_mutex;
    std::vector<double> m_loud;
};

constexpr double kNoSound = -1;

// Plays `file` and waits for its first loud sample: {call ms, latency ms}.
std::pair<double, double> timedPlay(Candidate& c, Recorder& rec, const QString& file)
{
    const double t0 = nowMs();
    c.play(file);
    const double call = nowMs() - t0;
    std::optional<double> heard;
    pumpUntil([&] { return (heard = rec.firstLoud(t0 - 1)).has_value(); }, 3000);
    return {call, heard ? std::max(0.0, *heard - t0) : kNoSound};
}

void waitForQuiet(Recorder& rec)
{
    pumpUntil([&] { return nowMs() - rec.lastLoud() > 300; }, 3000);
}

// ---------------------------------------------------------------- child modes

int startupMode(const QString& which, const QString& good)
{
    Results r;
    const ProcessFigures base = processFigures();
    auto c = makeCandidate(which);
    const double t0 = nowMs();
    if (!c->load()) {
        std::fprintf(stderr, "load failed: %s\n", qPrintable(c->error));
        return 1;
    }
    const double loadMs = nowMs() - t0;
    const ProcessFigures loaded = processFigures();
    const double t1 = nowMs();
    c->play(good);
    const double playMs = nowMs() - t1;
    pump(800);  // the sound is 0.3 s long
    const ProcessFigures played = processFigures();

    r.add("base_rss", base.rssKiB);
    r.add("base_libs", double(base.libs.size()));
    r.add("load_ms", loadMs);
    r.add("load_rss", loaded.rssKiB - base.rssKiB);
    r.add("load_hwm", loaded.hwmKiB - base.hwmKiB);
    r.add("load_libs", double(loaded.libs.size() - base.libs.size()));
    r.add("play_ms", playMs);
    r.add("played_rss", played.rssKiB - base.rssKiB);
    r.add("played_hwm", played.hwmKiB - base.hwmKiB);
    r.add("played_libs", double(played.libs.size() - base.libs.size()));
    r.add("played_threads", double(played.threads - base.threads));
    r.add("error", c->error);
    r.print();
    QStringList added;
    for (const QString& lib : played.libs - base.libs)
        added << QFileInfo(lib).fileName();
    added.sort();
    std::printf("NEWLIBS %s\n", qPrintable(added.join(u' ')));
    return 0;
}

// Loads the candidate, starts recording the sink and lets both settle.
bool loadAndListen(Candidate& c, Recorder& rec)
{
    if (!c.load() || !rec.start())
        return false;
    pump(300);
    return true;
}

int latencyMode(const QString& which, const QString& good)
{
    Results r;
    auto c = makeCandidate(which);
    Recorder rec;
    if (!loadAndListen(*c, rec))
        return 1;
    const auto [coldCall, coldLatency] = timedPlay(*c, rec, good);
    waitForQuiet(rec);
    c->stop();
    pump(300);
    const auto [warmCall, warmLatency] = timedPlay(*c, rec, good);
    waitForQuiet(rec);
    r.add("cold_call", coldCall);
    r.add("cold_latency", coldLatency);
    r.add("warm_call", warmCall);
    r.add("warm_latency", warmLatency);
    r.print();
    return 0;
}

int hostileMode(const QString& which, const QString& bad, const QString& good)
{
    Results r;
    Watchdog dog(r);
    auto c = makeCandidate(which);
    Recorder rec;
    if (!loadAndListen(*c, rec))
        return 1;

    dog.arm("call", 3);
    const double t0 = nowMs();
    c->play(bad);
    const double callMs = nowMs() - t0;
    dog.disarm();
    r.add("call", callMs);
    r.add("error", c->error);

    // Responsiveness: the longest gap between the event loop's 1 ms ticks.
    double last = nowMs();
    double gap = 0;
    dog.arm("loop", 5);
    pumpUntil(
        [&] {
            const double now = nowMs();
            gap = std::max(gap, now - last);
            last = now;
            return false;
        },
        1500);
    dog.disarm();
    r.add("gap", gap);
    r.add("played", rec.firstLoud(t0 - 1) ? QStringLiteral("yes") : QStringLiteral("no"));

    dog.arm("after", 3);
    c->stop();
    const double t1 = nowMs();
    c->play(good);
    dog.disarm();
    const bool after = pumpUntil([&] { return rec.firstLoud(t1 - 1).has_value(); }, 2000);
    r.add("after", after ? QStringLiteral("yes") : QStringLiteral("no"));
    waitForQuiet(rec);

    dog.arm("destroy", 3);
    const double t2 = nowMs();
    c->destroy();
    r.add("destroy", nowMs() - t2);
    dog.disarm();
    r.print();
    return 0;
}

// ---------------------------------------------------------------- the parent

using Fields = QMap<QString, QString>;

struct ChildRun {
    Fields fields;
    QString newLibs;
    bool ok = false;
};

ChildRun runChild(const QStringList& args, const QString& log)
{
    QProcess p;
    p.setProgram(QCoreApplication::applicationFilePath());
    p.setArguments(args);
    p.setStandardErrorFile(log, QIODevice::Append);
    p.start();
    ChildRun run;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        run.fields[QStringLiteral("timeout")] = QStringLiteral("yes");
        return run;
    }
    if (p.exitStatus() == QProcess::CrashExit)
        run.fields[QStringLiteral("crash")] = QStringLiteral("yes");
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        if (line.startsWith("RESULT ")) {
            run.ok = true;
            for (const QByteArray& kv : line.mid(7).split(' ')) {
                const qsizetype eq = kv.indexOf('=');
                if (eq > 0)
                    run.fields[QString::fromUtf8(kv.first(eq))] = QString::fromUtf8(kv.mid(eq + 1));
            }
        } else if (line.startsWith("NEWLIBS ")) {
            run.newLibs = QString::fromUtf8(line.mid(8));
        }
    }
    return run;
}

double percentile(std::vector<double> v, double q)
{
    if (v.empty())
        return std::nan("");
    std::sort(v.begin(), v.end());
    const size_t rank = size_t(std::ceil(q * double(v.size())));
    return v[std::clamp<size_t>(rank, 1, v.size()) - 1];
}

QString loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll().trimmed()) : QStringLiteral("?");
}

struct Row {
    const char* key;
    const char* label;
    double scale;  // KiB to MiB and the like
    int decimals;
};

void printTable(const char* title, const std::vector<Row>& rows, QMap<QString, std::vector<double>> figures[2])
{
    std::printf("\n%s\n", title);
    std::printf("  %-38s %21s   %21s\n", "", "A QAudioSink", "B libcanberra");
    std::printf("  %-38s %10s %10s   %10s %10s\n", "", "median", "p90", "median", "p90");
    for (const Row& row : rows) {
        std::printf("  %-38s", row.label);
        for (int c = 0; c < 2; ++c) {
            const std::vector<double>& v = figures[c][QLatin1String(row.key)];
            std::printf(" %10.*f %10.*f%s", row.decimals, percentile(v, 0.5) * row.scale, row.decimals,
                        percentile(v, 0.9) * row.scale, c == 0 ? "  " : "");
        }
        std::printf("   (n=%zu/%zu)\n", figures[0][QLatin1String(row.key)].size(),
                    figures[1][QLatin1String(row.key)].size());
    }
}

int parentMode(int runs, int hostileRuns)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString log = QDir::temp().filePath(QStringLiteral("sound_bench.log"));
    QFile::remove(log);
    const QString good = QDir(dir.path()).filePath(QStringLiteral("good.wav"));
    {
        QFile f(good);
        const QByteArray wave = makeWave(false);
        if (!f.open(QIODevice::WriteOnly) || f.write(wave) != wave.size())
            return 1;
    }
    QDir(dir.path()).mkdir(QStringLiteral("hostile"));
    const std::vector<HostileCase> cases = writeHostileFiles(QDir(dir.filePath(QStringLiteral("hostile"))));
    const QString names[3] = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};

    std::printf("load average before: %s\n", qPrintable(loadAverage()));
    std::fflush(stdout);
    // One unmeasured run each, so that first-use caches are filled for both.
    for (const QString& c : names) {
        if (!runChild({QStringLiteral("startup"), c, good}, log).ok) {
            std::fprintf(stderr, "candidate %s does not start; see %s\n", qPrintable(c), qPrintable(log));
            return 1;
        }
    }

    QMap<QString, std::vector<double>> figures[2];
    QString newLibs[2];
    int failed[2] = {0, 0};
    auto collect = [&](int c, const ChildRun& run) {
        if (!run.ok)
            ++failed[c];
        for (auto it = run.fields.cbegin(); it != run.fields.cend(); ++it) {
            bool number = false;
            const double v = it.value().toDouble(&number);
            // A sound never heard is left out of the latency figures and counted apart.
            if (number && v != kNoSound)
                figures[c][it.key()].push_back(v);
            else if (number)
                figures[c][it.key() + QStringLiteral("_missed")].push_back(1);
        }
        if (!run.newLibs.isEmpty())
            newLibs[c] = run.newLibs;
    };
    for (int i = 0; i < runs; ++i) {
        const int order[2] = {i % 2, 1 - i % 2};
        for (int c : order)
            collect(c, runChild({QStringLiteral("startup"), names[c], good}, log));
        for (int c : order)
            collect(c, runChild({QStringLiteral("latency"), names[c], good}, log));
        std::fprintf(stderr, "\rrun %d/%d", i + 1, runs);
    }
    std::fprintf(stderr, "\n");

    // Broken files: each candidate and case in its own process, in turns.
    constexpr int kHostileCandidates = 3;
    std::vector<std::vector<ChildRun>> hostile[kHostileCandidates];
    for (auto& runsOfCandidate : hostile)
        runsOfCandidate.resize(cases.size());
    for (int i = 0; i < hostileRuns; ++i) {
        for (size_t k = 0; k < cases.size(); ++k) {
            for (int j = 0; j < kHostileCandidates; ++j) {
                const int c = (j + i + int(k)) % kHostileCandidates;
                hostile[c][k].push_back(runChild({QStringLiteral("hostile"), names[c], cases[k].path, good}, log));
            }
        }
        std::fprintf(stderr, "\rbroken files %d/%d", i + 1, hostileRuns);
    }
    std::fprintf(stderr, "\n");
    std::printf("load average after: %s\n", qPrintable(loadAverage()));

    std::printf("\n%d runs per candidate, each a fresh process; A and B alternated.\n", runs);
    std::printf("Base process (QGuiApplication, offscreen): %.1f MiB resident, %.0f shared libraries\n",
                percentile(figures[0][QStringLiteral("base_rss")], 0.5) / 1024,
                percentile(figures[0][QStringLiteral("base_libs")], 0.5));
    printTable("Start-up: loading the library and creating the player (added to the base)",
               {{"load_ms", "time ms", 1, 2},
                {"load_rss", "resident MiB", 1 / 1024.0, 2},
                {"load_hwm", "peak MiB", 1 / 1024.0, 2},
                {"load_libs", "shared libraries", 1, 0}},
               figures);
    printTable("After the first sound has played (added to the base)",
               {{"play_ms", "first play call ms", 1, 2},
                {"played_rss", "resident MiB", 1 / 1024.0, 2},
                {"played_hwm", "peak MiB", 1 / 1024.0, 2},
                {"played_libs", "shared libraries", 1, 0},
                {"played_threads", "threads", 1, 0}},
               figures);
    printTable("Latency: play call to the first loud sample at the null sink's monitor",
               {{"cold_call", "first play: call returns ms", 1, 2},
                {"cold_latency", "first play: first sample ms", 1, 2},
                {"warm_call", "second play: call returns ms", 1, 2},
                {"warm_latency", "second play: first sample ms", 1, 2}},
               figures);
    for (int c = 0; c < 2; ++c) {
        const auto missed = [&](const char* key) {
            return figures[c][QLatin1String(key) + QStringLiteral("_missed")].size();
        };
        std::printf("  %s: sounds not heard within 3 s: first %zu, second %zu; failed runs %d\n", c ? "B" : "A",
                    missed("cold_latency"), missed("warm_latency"), failed[c]);
    }

    std::printf("\nBroken files and valid ones in other layouts, %d runs each (C = B refusing anything but\n"
                "a regular file, opened without waiting, and handing it over as /proc/self/fd/N).\n"
                "'blocked': stuck for 3 s, process ended.\n",
                hostileRuns);
    std::printf("  %-22s %-4s %-13s %-7s %-8s %-9s %-9s %s\n", "file", "", "call ms", "played", "loop gap",
                "next good", "destroyed", "reported");
    const char* labels[kHostileCandidates] = {"A", "B", "C"};
    for (size_t k = 0; k < cases.size(); ++k) {
        for (int c = 0; c < kHostileCandidates; ++c) {
            std::vector<double> call, gap;
            int blocked = 0, crashed = 0, played = 0, after = 0, destroyed = 0, n = 0;
            QString error;
            for (const ChildRun& run : hostile[c][k]) {
                ++n;
                const Fields& f = run.fields;
                crashed += f.contains(QStringLiteral("crash")) || f.contains(QStringLiteral("timeout"));
                if (f.value(QStringLiteral("call")) == u"blocked")
                    ++blocked;
                else if (f.contains(QStringLiteral("call")))
                    call.push_back(f.value(QStringLiteral("call")).toDouble());
                if (f.contains(QStringLiteral("gap")))
                    gap.push_back(f.value(QStringLiteral("gap")).toDouble());
                played += f.value(QStringLiteral("played")) == u"yes";
                after += f.value(QStringLiteral("after")) == u"yes";
                destroyed +=
                    f.contains(QStringLiteral("destroy")) && f.value(QStringLiteral("destroy")) != u"blocked";
                if (error.isEmpty() && f.value(QStringLiteral("error")) != u"-")
                    error = f.value(QStringLiteral("error"));
            }
            QString callText = blocked ? QStringLiteral("blocked %1/%2").arg(blocked).arg(n)
                                       : QString::number(percentile(call, 0.5), 'f', 2);
            if (crashed)
                callText += QStringLiteral(" crash %1").arg(crashed);
            std::printf("  %-22s %-4s %-13s %-7s %-8.1f %-9s %-9s %s\n", c ? "" : cases[k].name, labels[c],
                        qPrintable(callText), qPrintable(QStringLiteral("%1/%2").arg(played).arg(n)),
                        gap.empty() ? std::nan("") : *std::max_element(gap.begin(), gap.end()),
                        qPrintable(QStringLiteral("%1/%2").arg(after).arg(n)),
                        qPrintable(QStringLiteral("%1/%2").arg(destroyed).arg(n)),
                        qPrintable(error.replace(u'_', u' ')));
        }
    }

    for (int c = 0; c < 2; ++c)
        std::printf("\nLibraries %s adds by the end of its first sound:\n  %s\n", c ? "B" : "A",
                    qPrintable(newLibs[c]));
    std::printf("\nChild processes' messages: %s\n", qPrintable(log));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == u"startup" || mode == u"latency" || mode == u"hostile") {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        const QStringList args = app.arguments();
        if (mode == u"startup" && args.size() == 4)
            return startupMode(args[2], args[3]);
        if (mode == u"latency" && args.size() == 4)
            return latencyMode(args[2], args[3]);
        if (mode == u"hostile" && args.size() == 5)
            return hostileMode(args[2], args[3], args[4]);
        return 2;
    }
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    const int hostileRuns = argc > 2 ? std::atoi(argv[2]) : 3;
    if (runs < 1 || hostileRuns < 1) {
        std::fprintf(stderr, "usage: sound_bench [runs=20] [hostile-runs=3]\n");
        return 2;
    }
    return parentMode(runs, hostileRuns);
}

#endif
