#include "platform/linux/sound_qt.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <random>

using namespace kiebitz;

namespace {

// Runs `step`; aborts if it has not returned within two seconds, so that a
// call that blocks fails the test instead of hanging it.
template <typename Step> void bounded(const QString& what, Step step)
{
    std::promise<void> done;
    const auto watchdog = std::async(std::launch::async, [returned = done.get_future(), what] {
        if (returned.wait_for(std::chrono::seconds(2)) == std::future_status::timeout) {
            std::fprintf(stderr, "blocked: %s\n", qPrintable(what));
            std::abort();
        }
    });
    step();
    done.set_value();
}

int g_warnings = 0;
QtMessageHandler g_nextHandler = nullptr;

}  // namespace

// Empty, header-only, truncated, float, garbage and huge (sparse 256 MiB) files,
// a FIFO without writer, a folder, a missing file and no name, in several
// orders around the shipped wave, which restarts while it plays.
TEST(SoundQt, UnplayableFilesNeverBlockInAnyOrder)
{
    QFile drum(QStringLiteral(KIEBITZ_DRUM_WAV));
    ASSERT_TRUE(drum.open(QIODevice::ReadOnly));
    const QByteArray wave = drum.readAll();
    QTemporaryDir dir;
    QStringList bad;
    for (const QByteArray& bytes :
         {QByteArray(), wave.first(44), wave.first(wave.size() / 2 + 1), QByteArray(wave).replace(20, 1, "\x03"),
          QByteArray(4096, '\x7f'), QByteArray(wave).replace(40, 4, "\xf0\xff\xff\xff")}) {
        QFile f(dir.filePath(QStringLiteral("%1.wav").arg(bad.size())));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        bad << f.fileName();
    }
    ASSERT_TRUE(QFile::resize(bad.last(), qint64(256) << 20));
    bad << dir.filePath("fifo.wav") << dir.path() << QStringLiteral("/nonexistent/drum.wav") << QString();
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("fifo.wav")).constData(), 0600), 0);

    QStringList played{bad[0], drum.fileName(), bad[0], drum.fileName()};
    for (const QString& file : bad)
        played << file << drum.fileName();
    played += QStringList(played.crbegin(), played.crend());
    QStringList shuffled = bad + QStringList{drum.fileName(), drum.fileName()};
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    played += shuffled;

    g_nextHandler =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            g_warnings += type != QtDebugMsg && type != QtInfoMsg;
            g_nextHandler(type, context, text);
        });
    auto sound = std::make_unique<platform::SoundQt>();
    for (qsizetype i = 0; i < played.size(); ++i) {
        bounded(QStringLiteral("sound %1, %2").arg(i).arg(played[i]), [&] {
            sound->stop();
            sound->playAsync(played[i]);
            QCoreApplication::processEvents();
        });
    }
    bounded(QStringLiteral("closing"), [&] { sound.reset(); });
    qInstallMessageHandler(g_nextHandler);
    EXPECT_LE(g_warnings, 1);  // at most one notice that no sound server answers
}
