// Measures the countdown with the real clock and event loop; ends by itself.
//   countdown_bench lag [seconds]   lag between each true second boundary and
//                                   the change of the countdown text in the
//                                   final minute (p50, p99, max)
//   countdown_bench minutes [seconds]  the same in the minutes band
//   countdown_bench cpu [seconds]   CPU share of one core while counting down
//                                   in the hours band, and resident memory
#include "app/main_window.h"
#include "platform/linux/system_clock_linux.h"
#include "platform/linux/window_flash_x11.h"
#include "platform/settings_store.h"
#include "platform/sound.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

using namespace kiebitz;

namespace {

struct SilentSound : platform::Sound {
    void stop() override {}
    void playAsync(const QString&) override {}
};
struct EmptyStore : platform::SettingsStore {
    QString get(const QString&, const QString&, const QString&, const QString& d) const override { return d; }
    bool save(const QString&, const QString&, const QString&, const QString&) override { return true; }
};

double cpuSeconds()
{
    QFile f(QStringLiteral("/proc/self/stat"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = f.readAll();
    // Fields after the parenthesised command name; utime and stime are 14, 15.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double ticks = double(fields.at(11).toLongLong() + fields.at(12).toLongLong());
    return ticks / double(sysconf(_SC_CLK_TCK));
}

// Voluntary context switches of all threads: each is a wait that slept
// until something woke the program.
QMap<QString, long long> wakeupsByThread()
{
    QMap<QString, long long> out;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& t : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(tasks.filePath(t) + QStringLiteral("/status"));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        QString name;
        for (const QByteArray& l : f.readAll().split('\n')) {
            if (l.startsWith("Name:"))
                name = QString::fromLatin1(l.mid(5).trimmed()) + u'/' + t;
            if (l.startsWith("voluntary_ctxt_switches:"))
                out[name] += l.mid(24).trimmed().toLongLong();
        }
    }
    return out;
}

QByteArray residentMemory()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return "?";
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith("VmRSS:"))
            return l.mid(6).trimmed();
    return "?";
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("lag");
    const int seconds = argc > 2 ? std::max(5, atoi(argv[2])) : (mode == QLatin1String("cpu") ? 20 : 58);

    platform::SystemClockLinux clock;
    SilentSound sound;
    platform::WindowFlashX11 flash;
    EmptyStore store;
    platform::Platform p;
    p.clock = &clock;
    p.sound = &sound;
    p.flash = &flash;
    p.settings = &store;
    p.programFolder = QCoreApplication::applicationDirPath();

    app::ProgramState state;
    app::Form1 form(p, state);
    form.Form1init();
    state.auction.AuctionTitle = QStringLiteral("Benchmark");
    const core::DateValue now = core::fromQDateTime(clock.now());
    const bool minutes = mode == QLatin1String("minutes");
    const std::int64_t ahead = mode == QLatin1String("cpu") ? 7200 : minutes ? 60 + seconds + 2 : seconds + 1;
    const int bandInterval = minutes ? 200 : 1000;
    state.auction.AuctionEnd = core::addSeconds(now, ahead);
    form.show_Auction(state.auction.AuctionEnd);
    form.show();
    form.Update_Label();
    std::printf("resident memory after start: %s\n", residentMemory().constData());

    std::vector<int> lags;
    QString last = form.LabelZeit->caption();
    // Connected after the form's own handler, so it sees the updated text.
    QObject::connect(form.Timer1, &app::CountdownTimer::timeout, [&] {
        const QString text = form.LabelZeit->caption();
        if (text != last) {
            last = text;
            if (form.Timer1->interval() == bandInterval)
                lags.push_back(clock.now().time().msec());
        }
    });

    const double cpuStart = cpuSeconds();
    const QMap<QString, long long> wakeupsStart = wakeupsByThread();
    QElapsedTimer wall;
    wall.start();
    // exit() rather than quit(): quit() closes the window first, and its
    // close shows the notice, which would wait for a click.
    QTimer::singleShot(seconds * 1000, &app, [] { QCoreApplication::exit(0); });
    app.exec();
    const double cpu = cpuSeconds() - cpuStart;
    const QMap<QString, long long> wakeupsEnd = wakeupsByThread();
    const double elapsed = wall.elapsed() / 1000.0;

    if (mode == QLatin1String("cpu")) {
        std::printf("hours band: %.2f s CPU in %.1f s = %.3f %% of one core\n", cpu, elapsed, 100.0 * cpu / elapsed);
    } else {
        std::sort(lags.begin(), lags.end());
        if (lags.empty()) {
            std::printf("no second changes seen\n");
            return 1;
        }
        auto pct = [&](double q) { return lags[std::min(lags.size() - 1, std::size_t(q * double(lags.size())))]; };
        std::printf("%s: %zu second changes, lag p50 %d ms, p99 %d ms, max %d ms\n",
                    minutes ? "minutes band" : "final minute", lags.size(), pct(0.5), pct(0.99), lags.back());
    }
    long long woken = 0;
    for (auto it = wakeupsEnd.begin(); it != wakeupsEnd.end(); ++it) {
        const long long n = it.value() - wakeupsStart.value(it.key());
        woken += n;
        std::printf("  thread %s: %.1f wakeups per second\n", qPrintable(it.key()), double(n) / elapsed);
    }
    std::printf("wakeups: %.1f per second (voluntary context switches of all threads)\n", double(woken) / elapsed);
    std::printf("resident memory at end: %s\n", residentMemory().constData());
    return 0;
}
