#include "platform/linux/sound_qt.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kiebitz;

// Missing, empty, garbage and directory "sound files" play nothing and never
// crash; stopping before anything played is harmless.
TEST(SoundQt, UnplayableFilesAreIgnored)
{
    QTemporaryDir dir;
    QFile garbage(dir.filePath("garbage.wav"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, '\x7f'));
    garbage.close();
    QFile empty(dir.filePath("empty.wav"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();

    platform::SoundQt sound;
    sound.stop();
    for (const QString& file : {QStringLiteral("/nonexistent/drum.wav"), QString(), dir.path(),
                                dir.filePath("garbage.wav"), dir.filePath("empty.wav"),
                                QStringLiteral("C:\\Programme\\Kiebitz\\drum.wav")}) {
        SCOPED_TRACE(file.toStdString());
        sound.stop();
        sound.playAsync(file);
        QCoreApplication::processEvents();
    }
    sound.stop();
}

TEST(SoundQt, PlaysTheShippedWave)
{
    const QString drum = QStringLiteral(KIEBITZ_DRUM_WAV);
    ASSERT_TRUE(QFile::exists(drum));
    platform::SoundQt sound;
    sound.playAsync(drum);
    sound.playAsync(drum);  // restarting while it plays
    QCoreApplication::processEvents();
    sound.stop();
}
