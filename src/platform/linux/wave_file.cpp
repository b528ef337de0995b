#include "platform/linux/wave_file.h"

#include <QSysInfo>
#include <QtEndian>

#include <algorithm>

namespace kiebitz::platform {

namespace {

static_assert(QSysInfo::ByteOrder == QSysInfo::LittleEndian, "samples are handed on in the file's byte order");

constexpr quint16 kFormatPcm = 1;           // WAVE_FORMAT_PCM
constexpr quint16 kMaxChannels = 8;         // 7.1, the most a desktop plays
constexpr quint32 kMaxSampleRate = 384000;  // the highest rate PulseAudio takes

quint16 le16(QByteArrayView bytes, qsizetype at) { return qFromLittleEndian<quint16>(bytes.data() + at); }

quint32 le32(QByteArrayView bytes, qsizetype at) { return qFromLittleEndian<quint32>(bytes.data() + at); }

QAudioFormat::SampleFormat sampleFormat(quint16 bits)
{
    switch (bits) {
    case 8:
        return QAudioFormat::UInt8;
    case 16:
        return QAudioFormat::Int16;
    case 24:  // widened on reading
    case 32:
        return QAudioFormat::Int32;
    default:
        return QAudioFormat::Unknown;
    }
}

// 24-bit little-endian samples as 32-bit ones: the low byte becomes zero.
QByteArray widen24(QByteArrayView samples)
{
    QByteArray wide(samples.size() / 3 * 4, '\0');
    for (qsizetype in = 0, out = 0; in < samples.size(); in += 3, out += 4)
        std::copy_n(samples.data() + in, 3, wide.data() + out + 1);
    return wide;
}

}  // namespace

std::optional<WaveSound> decodeWave(QByteArrayView file)
{
    if (file.size() < 12 || file.first(4) != "RIFF" || file.sliced(8, 4) != "WAVE")
        return std::nullopt;

    // Walk the chunks (id, 32-bit size, body padded to an even length); the
    // format chunk comes before the data chunk, unknown chunks are skipped.
    QAudioFormat format;
    quint16 bits = 0;
    qint64 pos = 12;
    while (pos + 8 <= file.size()) {
        const QByteArrayView id = file.sliced(pos, 4);
        const qint64 size = le32(file, pos + 4);
        const qint64 body = pos + 8;
        if (id == "fmt ") {
            if (size < 16 || body + 16 > file.size())
                return std::nullopt;
            const quint16 channels = le16(file, body + 2);
            const quint32 rate = le32(file, body + 4);
            bits = le16(file, body + 14);
            if (le16(file, body) != kFormatPcm || channels == 0 || channels > kMaxChannels || rate == 0 ||
                rate > kMaxSampleRate || sampleFormat(bits) == QAudioFormat::Unknown)
                return std::nullopt;
            format.setSampleFormat(sampleFormat(bits));
            format.setChannelCount(channels);
            format.setSampleRate(int(rate));
        } else if (id == "data") {
            if (!format.isValid())
                return std::nullopt;
            const qint64 frame = format.channelCount() * (bits / 8);
            const qint64 whole = std::min(size, file.size() - body) / frame * frame;
            if (whole == 0)
                return std::nullopt;
            const QByteArrayView samples = file.sliced(body, whole);
            return WaveSound{format, bits == 24 ? widen24(samples) : samples.toByteArray()};
        }
        pos = body + size + (size & 1);
    }
    return std::nullopt;
}

}  // namespace kiebitz::platform
