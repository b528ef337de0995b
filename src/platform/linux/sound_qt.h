#pragma once

#include "platform/sound.h"

#include <memory>

class QSoundEffect;

namespace kiebitz::platform {

// Wave playback on Qt Multimedia. The effect object is made on first use so
// that a program that never warns never opens the audio device.
class SoundQt : public Sound {
public:
    SoundQt();
    ~SoundQt() override;
    void stop() override;
    void playAsync(const QString& file) override;

private:
    std::unique_ptr<QSoundEffect> m_effect;
};

}  // namespace kiebitz::platform
