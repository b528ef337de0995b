// Wave files as the warning sound takes them: the decoder on every kind of
// file, and playback that never blocks, whatever the file.

#include "platform/linux/sound_qt.h"
#include "platform/linux/wave_file.h"

#include <QtCore>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>

using namespace kiebitz::platform;

namespace {

// Little-endian, as the files are (the decoder needs such a machine too).
QByteArray le(quint32 value, int bytes) { return {reinterpret_cast<const char*>(&value), bytes}; }
QByteArray chunk(const char* id, const QByteArray& body, qint64 size = -1)
{
    return id + le(quint32(size < 0 ? body.size() : size), 4) + body + QByteArray(body.size() % 2, '\0');
}
// Byte rate and block align are left zero: they are not read.
QByteArray fmt(quint16 tag, quint16 channels, quint32 rate, quint16 bits)
{
    return chunk("fmt ", le(tag, 2) + le(channels, 2) + le(rate, 4) + QByteArray(6, '\0') + le(bits, 2));
}
QByteArray riff(const QByteArray& chunks) { return "RIFF" + le(quint32(chunks.size() + 4), 4) + "WAVE" + chunks; }

std::string decoded(const QByteArray& file)
{
    const std::optional<WaveSound> s = decodeWave(file);
    const char* formats[] = {"?", "UInt8", "Int16", "Int32", "Float"};
    return s ? QStringLiteral("%1 x%2 %3 Hz: %4")
                   .arg(formats[s->format.sampleFormat()])
                   .arg(s->format.channelCount())
                   .arg(s->format.sampleRate())
                   .arg(s->samples.toHex())
                   .toStdString()
             : "refused";
}

TEST(WaveFile, DecodesWholeFramesOfIntegerPcmOnly)
{
    const QByteArray pcm("\x01\x02\x03\x04\x05\x06\x07\x08", 8), mono16 = fmt(1, 1, 8000, 16);
    EXPECT_EQ(decoded(riff(mono16 + chunk("data", pcm))), "Int16 x1 8000 Hz: 0102030405060708");
    EXPECT_EQ(decoded(riff(fmt(1, 2, 8000, 8) + chunk("data", pcm))), "UInt8 x2 8000 Hz: 0102030405060708");
    EXPECT_EQ(decoded(riff(fmt(1, 1, 8000, 24) + chunk("data", pcm.first(6)))), "Int32 x1 8000 Hz: 0001020300040506");
    // A long fmt chunk, an odd one padded, a data chunk longer than the file:
    // whole frames kept.
    EXPECT_EQ(decoded(riff(chunk("fmt ", mono16.sliced(8) + le(0, 2)) + chunk("LIST", "abc") + chunk("data", pcm))),
              "Int16 x1 8000 Hz: 0102030405060708");
    EXPECT_EQ(decoded(riff(fmt(1, 2, 8000, 16) + chunk("data", pcm.first(6), 0xffffffff))),
              "Int16 x2 8000 Hz: 01020304");
    // Empty, header only, less than a frame, data before fmt, float, no
    // channels, no rate, too high a rate, 12 bits, fmt cut off, a chunk past
    // the end, big-endian RIFX, garbage.
    for (const QByteArray& file :
         {QByteArray(), riff(mono16), riff(fmt(1, 2, 8000, 16) + chunk("data", pcm.first(3))),
          riff(chunk("data", pcm) + mono16), riff(fmt(3, 1, 8000, 32) + chunk("data", pcm)),
          riff(fmt(1, 0, 8000, 16) + chunk("data", pcm)), riff(fmt(1, 1, 0, 16) + chunk("data", pcm)),
          riff(fmt(1, 1, 0xffffffff, 16) + chunk("data", pcm)), riff(fmt(1, 1, 8000, 12) + chunk("data", pcm)),
          riff(mono16.first(20)), riff(chunk("JUNK", "x", 0x7ffffff0) + mono16 + chunk("data", pcm)),
          "RIFX" + riff(mono16 + chunk("data", pcm)).sliced(4), QByteArray(4096, '\x7f')})
        EXPECT_EQ(decoded(file), "refused") << file.left(48).toHex().toStdString();
}

int g_warnings = 0;
QtMessageHandler g_nextHandler = nullptr;

// Empty, header-only, truncated, float, garbage and huge (sparse 256 MiB)
// files, a FIFO without writer, a folder, a missing file and no name, in
// several orders around the shipped wave, which restarts while it plays:
// no call blocks (one that never returns meets the ctest time-out), and at
// most one warning, that no sound server answers, is printed.
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
        QFile f(dir.filePath(QString::number(bad.size())));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        bad << f.fileName();
    }
    ASSERT_TRUE(QFile::resize(bad.last(), qint64(256) << 20));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600), 0);
    bad << dir.filePath("fifo") << dir.path() << QStringLiteral("/nonexistent/drum.wav") << QString();

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
    auto sound = std::make_unique<SoundQt>();
    for (const QString& file : played) {
        const QDeadlineTimer bound(2000);
        sound->stop();
        sound->playAsync(file);
        QCoreApplication::processEvents();
        EXPECT_FALSE(bound.hasExpired()) << file.toStdString();
    }
    sound.reset();
    qInstallMessageHandler(g_nextHandler);
    EXPECT_LE(g_warnings, 1);
}

}  // namespace
