#include "platform/linux/lazy_sound.h"

namespace kiebitz::platform {

LazySound::LazySound(QString moduleFile) : m_sound(std::move(moduleFile), "kiebitz_make_sound", "no warning sound") {}

void LazySound::stop()
{
    // Nothing plays before the first sound: no need to load for this.
    if (Sound* sound = m_sound.made())
        sound->stop();
}

void LazySound::playAsync(const QString& file)
{
    if (Sound* sound = m_sound.get())
        sound->playAsync(file);
}

}  // namespace kiebitz::platform
