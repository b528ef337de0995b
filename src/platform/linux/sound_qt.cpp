#include "platform/linux/sound_qt.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace kiebitz::platform {

SoundQt::SoundQt() = default;
SoundQt::~SoundQt() = default;

void SoundQt::stop()
{
    if (m_effect)
        m_effect->stop();
}

void SoundQt::playAsync(const QString& file)
{
    const QFileInfo info(file);
    if (!info.isFile() || !info.isReadable())
        return;
    if (!m_effect)
        m_effect = std::make_unique<QSoundEffect>();
    const QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    if (m_effect->source() != url)
        m_effect->setSource(url);  // loads asynchronously; play() waits for it
    m_effect->play();
}

}  // namespace kiebitz::platform
