#pragma once

#include "platform/linux/lazy_module.h"
#include "platform/sound.h"

namespace kiebitz::platform {

// The warning sound from the module `moduleFile` (SoundQt), loaded by the
// first sound. Without the module the program stays silent.
class LazySound : public Sound {
public:
    explicit LazySound(QString moduleFile);
    void stop() override;
    void playAsync(const QString& file) override;

private:
    ModuleFacility<Sound> m_sound;
};

}  // namespace kiebitz::platform
