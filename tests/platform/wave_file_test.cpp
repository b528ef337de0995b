#include "platform/linux/wave_file.h"

#include <QtEndian>

#include <gtest/gtest.h>

using namespace kiebitz::platform;

namespace {

QByteArray le(quint32 value, int bytes)
{
    QByteArray out(4, '\0');
    qToLittleEndian(value, out.data());
    return out.first(bytes);
}

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

}  // namespace

TEST(WaveFile, DecodesWholeFramesOfIntegerPcmOnly)
{
    const QByteArray pcm("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
    const QByteArray mono16 = fmt(1, 1, 8000, 16);
    const struct {
        const char* name;
        QByteArray file;
        QAudioFormat::SampleFormat format = QAudioFormat::Unknown;  // Unknown: refused
        int channels = 0;
        QByteArray samples = {};
    } rows[] = {
        {"16-bit mono", riff(mono16 + chunk("data", pcm)), QAudioFormat::Int16, 1, pcm},
        {"8-bit stereo", riff(fmt(1, 2, 8000, 8) + chunk("data", pcm)), QAudioFormat::UInt8, 2, pcm},
        {"24-bit widened", riff(fmt(1, 1, 8000, 24) + chunk("data", pcm.first(6))), QAudioFormat::Int32, 1,
         QByteArray("\0\x01\x02\x03\0\x04\x05\x06", 8)},
        {"odd chunk padded, long fmt",
         riff(chunk("fmt ", mono16.sliced(8) + le(0, 2)) + chunk("LIST", "abc") + chunk("data", pcm)),
         QAudioFormat::Int16, 1, pcm},
        {"truncated: whole frames kept", riff(fmt(1, 2, 8000, 16) + chunk("data", pcm.first(6), 0xffffffff)),
         QAudioFormat::Int16, 2, pcm.first(4)},
        {"empty", {}},
        {"header only", riff(mono16)},
        {"less than a frame", riff(fmt(1, 2, 8000, 16) + chunk("data", pcm.first(3)))},
        {"data before fmt", riff(chunk("data", pcm) + mono16)},
        {"float tag", riff(fmt(3, 1, 8000, 32) + chunk("data", pcm))},
        {"no channels", riff(fmt(1, 0, 8000, 16) + chunk("data", pcm))},
        {"no rate", riff(fmt(1, 1, 0, 16) + chunk("data", pcm))},
        {"rate too high", riff(fmt(1, 1, 0xffffffff, 16) + chunk("data", pcm))},
        {"12 bits", riff(fmt(1, 1, 8000, 12) + chunk("data", pcm))},
        {"fmt cut off", riff(mono16.first(20))},
        {"chunk past the end", riff(chunk("JUNK", "x", 0x7ffffff0) + mono16 + chunk("data", pcm))},
        {"big-endian RIFX", "RIFX" + riff(mono16 + chunk("data", pcm)).sliced(4)},
        {"garbage", QByteArray(4096, '\x7f')},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<WaveSound> sound = decodeWave(row.file);
        ASSERT_EQ(sound.has_value(), row.format != QAudioFormat::Unknown);
        if (!sound)
            continue;
        EXPECT_EQ(sound->format.sampleFormat(), row.format);
        EXPECT_EQ(sound->format.channelCount(), row.channels);
        EXPECT_EQ(sound->format.sampleRate(), 8000);
        EXPECT_EQ(sound->samples, row.samples);
    }
}
