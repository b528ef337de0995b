// The stored sound file of an earlier layout of the program's folders.

#include "settings/keys.h"
#include "support/fake_platform.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kiebitz;

namespace {

// A sound file stored while the default lay beside the program keeps
// playing once the program is installed and the old file is gone.
TEST(ProgramFolders, StoredSoundFileOfTheOldLayout)
{
    QTemporaryDir root;
    const QString program = root.filePath("usr/bin"), data = root.filePath("usr/share/kiebitz"),
                  old = root.filePath("old/build"), kept = root.filePath("kept/build");
    ASSERT_TRUE(QDir().mkpath(kept) && QFile(kept + "/drum.wav").open(QIODevice::WriteOnly));
    const QString installed = settings::defaultSoundFile(data);
    // InstallDir, stored sound file ("": none), the sound file read
    const std::tuple<QString, QString, QString> rows[] = {{program, "", installed},
                                                          {program, program + "/drum.wav", installed},
                                                          {old, old + "/drum.wav", installed},
                                                          {kept, kept + "/drum.wav", kept + "/drum.wav"},
                                                          {program, "/home/u/Glocke.wav", "/home/u/Glocke.wav"},
                                                          {program, "/home/u/drum.wav", "/home/u/drum.wav"}};
    for (const auto& [installDir, stored, expected] : rows) {
        SCOPED_TRACE(stored.toStdString());
        test::MemorySettingsStore store;
        store.save(settings::kApp, settings::kSection, settings::key::InstallDir, installDir);
        if (!stored.isEmpty())
            store.save(settings::kApp, settings::kSection, settings::key::soundfile, stored);
        EXPECT_EQ(settings::loadSettingsCopies(store, data, program).soundfile, expected);
    }
}

}  // namespace
