#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace kiebitz::platform {

// Linear PCM ready for an audio sink.
struct WaveSound {
    QAudioFormat format;
    QByteArray samples;
};

// Reads the bytes of a RIFF/WAVE file with integer PCM (8, 16, 24 or 32 bits,
// 1 to 8 channels, up to 384 kHz). A data chunk that runs past the end of the
// bytes is cut to the whole frames present; 24-bit samples are widened to 32
// bits. Any other file, or one without a whole frame, gives nothing.
std::optional<WaveSound> decodeWave(QByteArrayView file);

}  // namespace kiebitz::platform
