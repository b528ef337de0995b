#include "platform/linux/sound_qt.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kiebitz;

// Stopping before anything played, restarting the shipped wave while it
// plays, then missing, garbage, directory and empty "sound files": nothing
// crashes or hangs.
TEST(SoundQt, UnplayableFilesAreIgnoredAndTheShippedWaveRestarts)
{
    QTemporaryDir dir;
    for (const auto& [name, bytes] : {std::pair{"garbage.wav", QByteArray(4096, '\x7f')}, {"empty.wav", {}}}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    const QString drum = QStringLiteral(KIEBITZ_DRUM_WAV);
    ASSERT_TRUE(QFile::exists(drum));

    platform::SoundQt sound;
    sound.stop();
    // The empty file comes last: Qt 6.4's QSoundEffect hangs in setSource()
    // when it is given another file after an empty one.
    for (const QString& file : {drum, drum, QStringLiteral("/nonexistent/drum.wav"), QString(), dir.path(),
                                dir.filePath("garbage.wav"), QStringLiteral("C:\\Programme\\Kiebitz\\drum.wav"),
                                dir.filePath("empty.wav")}) {
        SCOPED_TRACE(file.toStdString());
        sound.playAsync(file);
        QCoreApplication::processEvents();
    }
    sound.stop();
}
