#pragma once

#include "platform/sound.h"

#include <QAudioDevice>
#include <QBuffer>

#include <memory>

class QAudioSink;

namespace kiebitz::platform {

// Wave playback on a Qt Multimedia audio sink. The file is read here, bounded
// and without waiting on it, and decoded in memory: Qt's own wave loader
// (QSoundEffect) waits for good on a file shorter than its header says, and
// the next sound then blocks the UI thread behind it. The sink is made on
// first use, so a program that never warns never opens the audio device.
class SoundQt : public Sound {
public:
    SoundQt();
    ~SoundQt() override;
    void stop() override;
    void playAsync(const QString& file) override;

private:
    QBuffer m_samples;
    QAudioDevice m_device;
    std::unique_ptr<QAudioSink> m_sink;  // declared last: goes before the buffer it reads
};

}  // namespace kiebitz::platform
