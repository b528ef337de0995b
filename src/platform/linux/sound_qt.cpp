#include "platform/linux/sound_qt.h"

#include "platform/linux/wave_file.h"

#include <QAudioSink>
#include <QFile>
#include <QMediaDevices>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kiebitz::platform {

namespace {

// About 47 s of CD audio; a longer sound is cut there.
constexpr qint64 kMaxFileBytes = 8 * 1024 * 1024;

// The first bytes of a regular file, at most `limit`. The open does not wait
// (O_NONBLOCK), so a named pipe without a writer is refused at once instead of
// holding the caller; directories and devices are refused too.
QByteArray readHead(const QString& file, qint64 limit)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return {};
    QByteArray bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        bytes.resize(std::min<qint64>(st.st_size, limit));
        qsizetype got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
        }
        bytes.truncate(got);
    }
    ::close(fd);
    return bytes;
}

}  // namespace

SoundQt::SoundQt() = default;
SoundQt::~SoundQt() = default;

void SoundQt::stop()
{
    if (m_sink)
        m_sink->stop();
}

void SoundQt::playAsync(const QString& file)
{
    const std::optional<WaveSound> sound = decodeWave(readHead(file, kMaxFileBytes));
    if (!sound)
        return;
    // Without a sound server there is no device: stay silent, and do not make
    // a sink that would complain on every sound.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || !device.isFormatSupported(sound->format))
        return;

    stop();
    if (!m_sink || m_device != device || m_sink->format() != sound->format) {
        m_sink.reset();  // one stream at a time
        m_sink = std::make_unique<QAudioSink>(device, sound->format);
        m_device = device;
        // Hand the stream back once the sound has played out, unless a new
        // sound started in the meantime.
        QAudioSink* sink = m_sink.get();
        QObject::connect(
            sink, &QAudioSink::stateChanged, sink,
            [sink] {
                if (sink->state() == QAudio::IdleState)
                    sink->stop();
            },
            Qt::QueuedConnection);
    }
    m_samples.close();
    m_samples.setData(sound->samples);
    m_samples.open(QIODevice::ReadOnly);
    m_sink->start(&m_samples);
}

}  // namespace kiebitz::platform
