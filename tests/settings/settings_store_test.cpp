// The real per-user store: values survive a restart, odd stored text reads
// as the defaults, a damaged file does not stop the program, and two
// instances writing at once leave a complete, readable file.

#include "platform/linux/settings_store_qsettings.h"
#include "settings/keys.h"
#include "settings/window_placement.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace kiebitz;
using platform::SettingsStoreQSettings;
using settings::kApp;
using settings::kSection;

namespace {

const QString kFolder = QStringLiteral("/opt/kiebitz");

QString storeFile(const QTemporaryDir& dir) { return dir.filePath(kApp + QStringLiteral(".conf")); }

void writeRaw(const QTemporaryDir& dir, const QByteArray& content)
{
    QFile f(storeFile(dir));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

TEST(SettingsStore, EveryKeyReadsBackInTheNextRun)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Row {
        QString key;
        QString value;
    } rows[] = {
        {settings::key::InstallDir, QStringLiteral("/home/anna/Programme/Kiebitz")},
        {settings::key::msgonsync, QStringLiteral("0")},
        {settings::key::synconstart, QStringLiteral("1")},
        {settings::key::warnton, QStringLiteral("0")},
        {settings::key::warntonsek, QStringLiteral("32767")},
        // Commas, quotes, a leading @, backslashes, umlauts and end blanks
        // must come back as written.
        {settings::key::soundfile, QStringLiteral(" /home/anna/Klänge/Glocke, laut \"neu\"\\@1.wav ")},
        {settings::key::Left, QStringLiteral("1500")},
        {settings::key::Top, QStringLiteral("-45")},
        {settings::key::Width, QStringLiteral("4305")},
        {settings::key::Height, QStringLiteral("3150.5")},
        {settings::key::WindowState, QStringLiteral("1")},
    };
    {
        SettingsStoreQSettings store(dir.path());
        for (const Row& r : rows)
            EXPECT_TRUE(store.save(kApp, kSection, r.key, r.value));
    }
    SettingsStoreQSettings next(dir.path());
    for (const Row& r : rows) {
        SCOPED_TRACE(r.key.toStdString());
        EXPECT_EQ(next.get(kApp, kSection, r.key, QStringLiteral("missing")), r.value);
    }
    const settings::SettingsCopies c = settings::loadSettingsCopies(next, kFolder);
    EXPECT_EQ(c.msgonsync, 0);
    EXPECT_EQ(c.synconstart, 1);
    EXPECT_EQ(c.warnton, 0);
    EXPECT_EQ(c.warntonsek, 32767);
    EXPECT_EQ(c.soundfile, rows[5].value);
    EXPECT_EQ(settings::readPosition(next, kApp, kSection, settings::key::Top), -45.0f);
    // Another application name or section is another place.
    EXPECT_EQ(next.get(QStringLiteral("Anderes"), kSection, settings::key::Left, QStringLiteral("x")), u"x");
    EXPECT_EQ(next.get(kApp, QStringLiteral("Anders"), settings::key::Left, QStringLiteral("x")), u"x");
}

TEST(SettingsStore, StoredTextThatIsNoValueReadsAsDefault)
{
    QTemporaryDir dir;
    // A file edited by hand: lists, empty values, out-of-range numbers.
    writeRaw(dir, "[Kiebitz]\n"
                  "msgonsync=abc\n"
                  "synconstart=1,2\n"
                  "warnton=\n"
                  "warntonsek=99999\n"
                  "Left=1e39\n"
                  "Top=zwei\n"
                  "WindowState=-40000\n");
    SettingsStoreQSettings store(dir.path());
    const settings::SettingsCopies c = settings::loadSettingsCopies(store, kFolder);
    EXPECT_EQ(c.msgonsync, 1);
    EXPECT_EQ(c.synconstart, 0);
    EXPECT_EQ(c.warnton, 1);
    EXPECT_EQ(c.warntonsek, 60);
    EXPECT_EQ(c.soundfile, settings::defaultSoundFile(kFolder));
    EXPECT_EQ(settings::readPosition(store, kApp, kSection, settings::key::Left), 0.0f);
    EXPECT_EQ(settings::readPosition(store, kApp, kSection, settings::key::Top), 0.0f);

    struct Row {
        const char* text;
        std::int16_t expected;
    } rows[] = {{"-5", -5}, {" 7 ", 7}, {"2.5", 2}, {"3.5", 4}, {"-32768", -32768}, {"32768", 60},
                {"-32769", 60}, {"", 60}, {"1e3", 1000}, {"0x10", 60}, {"12abc", 60}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        ASSERT_TRUE(store.save(kApp, kSection, settings::key::warntonsek, QString::fromUtf8(r.text)));
        EXPECT_EQ(settings::loadSettingsCopies(store, kFolder).warntonsek, r.expected);
    }
}

TEST(SettingsStore, DamagedFileReadsAsDefaultsAndIsRepairedByTheNextSave)
{
    QTemporaryDir dir;
    std::mt19937 random(7);
    QByteArray noise(4096, '\0');
    for (char& ch : noise)
        ch = char(random() & 0xFF);
    struct Row {
        const char* name;
        QByteArray content;
        bool unparsable;     // QSettings reports a format error
        const char* warnton; // what the next run reads for warnton
    } rows[] = {
        {"binary noise", noise, true, "1"},
        {"truncated section", "[Kieb", true, "1"},
        {"good line before damage", "[Kiebitz]\nwarnton=0\n[Kieb", true, "0"},
        {"unterminated quote", "[Kiebitz]\nwarntonsek=\"30\nLeft=\"\n", false, "1"},
        {"bad variant", "[Kiebitz]\nwarntonsek=@Variant(\\0\\0\\0\\x7f\\xff)\n", false, "1"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        writeRaw(dir, r.content);
        SettingsStoreQSettings store(dir.path());
        const settings::SettingsCopies c = settings::loadSettingsCopies(store, kFolder);
        EXPECT_EQ(c.warntonsek, 60);
        EXPECT_EQ(c.msgonsync, 1);
        EXPECT_EQ(settings::readPosition(store, kApp, kSection, settings::key::Left), 0.0f);
        // The next values written are kept, also by the run after, and what
        // could still be read stays.
        EXPECT_TRUE(store.save(kApp, kSection, settings::key::warntonsek, QStringLiteral("30")));
        EXPECT_TRUE(store.save(kApp, kSection, settings::key::msgonsync, QStringLiteral("0")));
        SettingsStoreQSettings next(dir.path());
        EXPECT_EQ(next.get(kApp, kSection, settings::key::warntonsek, {}), u"30");
        EXPECT_EQ(next.get(kApp, kSection, settings::key::msgonsync, {}), u"0");
        EXPECT_EQ(next.get(kApp, kSection, settings::key::warnton, QStringLiteral("1")), QString::fromUtf8(r.warnton));
        // A file that could not be parsed is kept for the user.
        QFile aside(storeFile(dir) + QStringLiteral(".damaged"));
        ASSERT_EQ(aside.exists(), r.unparsable);
        if (r.unparsable) {
            ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
            EXPECT_EQ(aside.readAll(), r.content);
            aside.close();
            aside.remove();
        }
    }
}

TEST(SettingsStore, TwoInstancesWritingAtOnceLoseNothing)
{
    QTemporaryDir dir;
    SettingsStoreQSettings store(dir.path());
    ASSERT_TRUE(store.save(kApp, kSection, settings::key::InstallDir, kFolder));

    constexpr int kKeys = 150;
    QProcess a;
    QProcess b;
    a.start(QStringLiteral(KIEBITZ_STORE_WRITER), {dir.path(), QStringLiteral("a"), QString::number(kKeys)});
    b.start(QStringLiteral(KIEBITZ_STORE_WRITER), {dir.path(), QStringLiteral("b"), QString::number(kKeys)});
    // Meanwhile this process reads: every read sees a complete file.
    int reads = 0;
    while (a.state() != QProcess::NotRunning || b.state() != QProcess::NotRunning) {
        EXPECT_EQ(store.get(kApp, kSection, settings::key::InstallDir, {}), kFolder);
        ++reads;
        a.waitForFinished(1);
        b.waitForFinished(1);
    }
    ASSERT_EQ(a.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(b.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(a.exitCode(), 0) << a.readAllStandardError().toStdString();
    EXPECT_EQ(b.exitCode(), 0) << b.readAllStandardError().toStdString();
    EXPECT_GT(reads, 0);

    SettingsStoreQSettings after(dir.path());
    for (int i = 0; i < kKeys; ++i) {
        EXPECT_EQ(after.get(kApp, kSection, QStringLiteral("a%1").arg(i), {}), QString::number(i)) << i;
        EXPECT_EQ(after.get(kApp, kSection, QStringLiteral("b%1").arg(i), {}), QString::number(i)) << i;
    }
    const QString shared = after.get(kApp, kSection, QStringLiteral("shared"), {});
    EXPECT_TRUE(shared == u"a" || shared == u"b") << shared.toStdString();
    EXPECT_EQ(after.get(kApp, kSection, settings::key::InstallDir, {}), kFolder);
    // No temporary or lock file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{kApp + QStringLiteral(".conf")});
}

TEST(SettingsStore, MissingFolderIsCreatedOnFirstSave)
{
    QTemporaryDir dir;
    const QString nested = dir.filePath(QStringLiteral("neu/tiefer"));
    SettingsStoreQSettings store(nested);
    EXPECT_EQ(store.get(kApp, kSection, settings::key::warnton, QStringLiteral("1")), u"1");
    EXPECT_TRUE(store.save(kApp, kSection, settings::key::warnton, QStringLiteral("0")));
    EXPECT_EQ(SettingsStoreQSettings(nested).get(kApp, kSection, settings::key::warnton, {}), u"0");
}

// A store whose folder cannot exist (a file stands in its place, which holds
// even for root) says so instead of claiming the value was kept.
TEST(SettingsStore, SaveThatCannotBeKeptReturnsFalse)
{
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("datei"));
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    SettingsStoreQSettings store(blocker);
    EXPECT_FALSE(store.save(kApp, kSection, settings::key::warnton, QStringLiteral("0")));
}

}  // namespace
