// Where the program finds its files and writes its error log: beside the
// program in a build folder, in the data and per-user state folders once
// installed.
#include "diagnostics/error_report.h"
#include "platform/linux/program_folders.h"
#include "settings/keys.h"
#include "support/fake_platform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kiebitz;

namespace {

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

}  // namespace

TEST(ProgramFolders, BuildFolderAndInstalledLayouts)
{
    QTemporaryDir root;
    const QString build = root.filePath("build/src/app");
    const QString usrBin = root.filePath("usr/bin");
    const QString data = root.filePath("usr/share/kiebitz");
    const QString bare = root.filePath("opt/bin");
    const QString both = root.filePath("both/bin");
    touch(build + "/drum.wav");
    touch(data + "/drum.wav");
    QDir().mkpath(usrBin);
    QDir().mkpath(bare);
    touch(both + "/drum.wav");
    touch(root.filePath("both/share/kiebitz/drum.wav"));

    const QString rel = QStringLiteral("../share/kiebitz");
    struct Row {
        const char* what;
        QString program, stateHome, home;
        QString data, log;
    } rows[] = {
        {"build folder: everything beside the program", build, "/st", "/home/u", build, build},
        {"installed, XDG_STATE_HOME set", usrBin, "/st", "/home/u", data, "/st/kiebitz"},
        {"installed, XDG_STATE_HOME unset", usrBin, "", "/home/u", data, "/home/u/.local/state/kiebitz"},
        {"installed, XDG_STATE_HOME relative: ignored", usrBin, "st", "/home/u", data,
         "/home/u/.local/state/kiebitz"},
        {"no sound anywhere: as beside the program", bare, "/st", "/home/u", bare, bare},
        {"the sound beside the program wins", both, "/st", "/home/u", both, both},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const platform::ProgramFolders f = platform::programFolders(r.program, rel, r.stateHome, r.home);
        EXPECT_EQ(f.program, r.program);
        EXPECT_EQ(f.data, r.data);
        EXPECT_EQ(f.log, r.log);
    }
}

// Installed: the log goes to the state folder, made on the first write; the
// program's folder is left alone.
TEST(ProgramFolders, InstalledLogLandsInTheStateFolder)
{
    QTemporaryDir root;
    const QString program = root.filePath("usr/bin");
    QDir().mkpath(program);
    test::FakePlatform fake;
    platform::Platform p = fake.platform(program);
    p.logFolder = root.filePath("home/.local/state/kiebitz");

    diagnostics::WriteLog(p, QStringLiteral("Antwort"));
    QFile log(p.logFolder + "/error.txt");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(), QByteArray("Antwort\r\n"));
    EXPECT_TRUE(QDir(program).isEmpty());
    EXPECT_TRUE(fake.messages.shown.empty());
}

// A state folder that cannot be made or written: the "WriteLog" report, and
// the caller goes on.
TEST(ProgramFolders, UnwritableStateFolderReports)
{
    QTemporaryDir root;
    touch(root.filePath("file"));
    QDir().mkpath(root.filePath("state/kiebitz/error.txt"));
    struct Row {
        const char* what;
        QString log;
        int number;
    } rows[] = {
        {"a file where a folder should be", root.filePath("file/kiebitz"), 76},
        {"a folder in place of the log", root.filePath("state/kiebitz"), 75},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        test::FakePlatform fake;
        platform::Platform p = fake.platform(root.filePath("usr/bin"));
        p.logFolder = r.log;
        diagnostics::WriteLog(p, QStringLiteral("x"));
        ASSERT_EQ(fake.messages.shown.size(), 1u);
        const QString text = fake.messages.shown[0].text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("Fehlernummer:  %1\r\n").arg(r.number))) << text.toStdString();
        EXPECT_TRUE(text.endsWith(QStringLiteral("Programmteil: WriteLog")));
        EXPECT_EQ(fake.messages.shown[0].title, QStringLiteral("Fehler"));
    }
}

// The sound file a user stored while the default lay beside the program
// keeps playing once the program is installed and the old file is gone.
TEST(ProgramFolders, StoredSoundFileOfTheOldLayout)
{
    QTemporaryDir root;
    const QString program = root.filePath("usr/bin");
    const QString data = root.filePath("usr/share/kiebitz");
    const QString oldBuild = root.filePath("old/build");
    const QString keptBuild = root.filePath("kept/build");
    touch(keptBuild + "/drum.wav");
    const QString installedDefault = settings::defaultSoundFile(data);

    struct Row {
        const char* what;
        QString installDir, stored;  // empty: not stored
        QString expected;
    } rows[] = {
        {"nothing stored", program, {}, installedDefault},
        {"the old default beside this program", program, program + "/drum.wav", installedDefault},
        {"the old default beside the former program", oldBuild, oldBuild + "/drum.wav", installedDefault},
        {"the former default, still there", keptBuild, keptBuild + "/drum.wav", keptBuild + "/drum.wav"},
        {"a missing file of the user's own", program, "/home/u/Glocke.wav", "/home/u/Glocke.wav"},
        {"a missing drum.wav elsewhere", program, "/home/u/drum.wav", "/home/u/drum.wav"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        test::MemorySettingsStore store;
        store.save(settings::kApp, settings::kSection, settings::key::InstallDir, r.installDir);
        if (!r.stored.isEmpty())
            store.save(settings::kApp, settings::kSection, settings::key::soundfile, r.stored);
        EXPECT_EQ(settings::loadSettingsCopies(store, data, program).soundfile, r.expected);
    }
}
