// The real per-user store: values survive a restart, odd stored text reads
// as the defaults, QSettings' files read and are written as before, broken
// lines lose no other key, a kill at any step leaves a readable store, and
// two instances writing at once leave a complete, readable file.

#include "platform/linux/settings_store_qsettings.h"
#include "settings/keys.h"
#include "settings/window_placement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

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

QString qs(const char* text) { return QString::fromUtf8(text); }

QByteArray readRaw(const QString& fileName)
{
    QFile f(fileName);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
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
                  "Height=@Variant(\\0\\0\\0\\x7f\\xff)\n"
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
    EXPECT_EQ(store.get(kApp, kSection, settings::key::Height, QStringLiteral("d")), u"d");

    struct Row {
        const char* text;
        std::int16_t expected;
    } rows[] = {{"-5", -5},     {" 7 ", 7}, {"2.5", 2},    {"3.5", 4},   {"-32768", -32768}, {"32768", 60},
                {"-32769", 60}, {"", 60},   {"1e3", 1000}, {"0x10", 60}, {"12abc", 60}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        ASSERT_TRUE(store.save(kApp, kSection, settings::key::warntonsek, QString::fromUtf8(r.text)));
        EXPECT_EQ(settings::loadSettingsCopies(store, kFolder).warntonsek, r.expected);
    }
}

// Values of the QSettings store of earlier versions read the same, and the
// store writes them as QSettings did, so going back a version loses nothing.
TEST(SettingsStore, ReadsAndWritesValuesAsQSettings)
{
    const QString values[] = {
        {},
        qs(" blanks "),
        qs("a,b;c=d"),
        qs("\"q\" \\ 'x'"),
        qs("@at"),
        qs("@@"),
        qs("\t\n\r\x01"
           "7f\x7f"),
        qs("a") + QChar(0) + qs("0b"),
        qs("Klänge € 😀"),
        qs("@ByteArray(x)"),
        qs("%U0041\\x41"),
    };
    for (const QString& value : values) {
        SCOPED_TRACE(value.toStdString());
        QTemporaryDir old;
        QTemporaryDir now;
        QSettings(storeFile(old), QSettings::IniFormat).setValue(kSection + u'/' + settings::key::soundfile, value);
        EXPECT_EQ(SettingsStoreQSettings(old.path()).get(kApp, kSection, settings::key::soundfile, qs("-")), value);
        ASSERT_TRUE(SettingsStoreQSettings(now.path()).save(kApp, kSection, settings::key::soundfile, value));
        EXPECT_EQ(readRaw(storeFile(now)), readRaw(storeFile(old)));
    }
}

// Each row puts a broken line between the user's values. Every key=value
// line of [Kiebitz] reads, and still reads after a save of another key, for
// QSettings too; each damaged file is kept under the next free name.
TEST(SettingsStore, BrokenLinesLoseNoOtherKey)
{
    using namespace settings::key;
    QTemporaryDir dir;
    std::mt19937 random(7);
    QByteArray noise(4096, '\0');
    for (char& ch : noise)
        ch = char(random() & 0xFF);
    const QByteArray latin1 = "soundfile=/home/j\xFCrgen/Kl\xE4nge/Glocke.wav\n";
    using Values = std::vector<std::pair<QString, QString>>;
    struct Row {
        const char* name;
        QByteArray broken;  // between InstallDir and warnton
        QByteArray after;   // after warnton
        Values values;      // besides InstallDir and warnton
        QByteArray kept;    // bytes the file keeps
    } rows[] = {
        {"unclosed quote",
         "soundfile=\"/a/b.wav\n",
         "Left=10\n[Other]\nx=\"1\"\n",
         {{soundfile, qs("/a/b.wav")}, {Left, qs("10")}},
         "\n[Other]\nx=\"1\"\n"},
        {"final backslash", "Top=-45\\\n", "Left=10\n", {{Top, qs("-45")}, {Left, qs("10")}}, {}},
        {"raw CR", "soundfile=/a/\rb.wav\n", "Left=10\rTop=3\n", {{soundfile, qs("/a/")}, {Top, qs("3")}}, {}},
        {"half section header",
         "[Kieb\n",
         "Left=10\n[Other]\nwarnton=5\n",
         {{Left, qs("10")}},
         "[Other]\nwarnton=5\n"},
        {"NUL block", QByteArray(300, '\0'), "Left=10", {{Left, qs("10")}}, {}},
        {"garbage binary", noise + '\n', "Left=10\n", {{Left, qs("10")}}, {}},
        // Bytes that are not UTF-8 read as Latin-1 and are kept as they are.
        {"Latin-1 value", latin1 + "[Kieb\n", {}, {{soundfile, qs("/home/jürgen/Klänge/Glocke.wav")}}, latin1},
    };
    const auto content = [](const Row& row) {
        return "[Kiebitz]\nInstallDir=/opt/kiebitz\n" + row.broken + "warnton=0\n" + row.after;
    };
    for (size_t n = 0; n < std::size(rows); ++n) {
        const Row& r = rows[n];
        SCOPED_TRACE(r.name);
        writeRaw(dir, content(r));
        Values values{{InstallDir, kFolder}, {warnton, qs("0")}};
        values.insert(values.end(), r.values.begin(), r.values.end());
        SettingsStoreQSettings store(dir.path());
        for (const auto& [key, value] : values)
            EXPECT_EQ(store.get(kApp, kSection, key, qs("-")), value) << key.toStdString();

        ASSERT_TRUE(store.save(kApp, kSection, msgonsync, qs("0")));
        values.emplace_back(msgonsync, qs("0"));
        const QByteArray repaired = readRaw(storeFile(dir));
        EXPECT_TRUE(repaired.contains(r.kept)) << repaired.toStdString();
        // A fresh name: QSettings caches files by name.
        const QString copy = dir.filePath(QStringLiteral("qsettings-%1.conf").arg(n));
        ASSERT_TRUE(QFile::copy(storeFile(dir), copy));
        QSettings old(copy, QSettings::IniFormat);
        for (const auto& [key, value] : values) {
            EXPECT_EQ(SettingsStoreQSettings(dir.path()).get(kApp, kSection, key, qs("-")), value)
                << key.toStdString();
            if (value.toUtf8() == value.toLatin1()) {
                EXPECT_EQ(old.value(kSection + u'/' + key).toString(), value) << key.toStdString();
            }
        }
        EXPECT_EQ(old.status(), QSettings::NoError);
        // Values saved back unchanged keep their bytes; the repaired file needs no copy.
        for (const auto& [key, value] : values)
            ASSERT_TRUE(store.save(kApp, kSection, key, store.get(kApp, kSection, key, {})));
        EXPECT_EQ(readRaw(storeFile(dir)), repaired);
        for (size_t k = 0; k <= n; ++k)
            EXPECT_EQ(readRaw(storeFile(dir) + qs(".damaged") + (k ? u'.' + QString::number(k) : QString())),
                      content(rows[k]))
                << k;
        EXPECT_FALSE(QFileInfo::exists(storeFile(dir) + qs(".damaged.") + QString::number(n + 1)));
    }
}

// The writer repairs a damaged store and saves two keys; strace kills it at
// the Nth call of each file step in turn, until it runs through. After
// every kill the store holds all the user's values, every damaged copy is
// complete, and the next save succeeds.
TEST(SettingsStore, KillAtAnyStepLeavesAReadableStore)
{
    const QString strace = QStandardPaths::findExecutable(qs("strace"));
    if (strace.isEmpty() || QProcess::execute(strace, {qs("-o"), qs("/dev/null"), qs("true")}) != 0)
        GTEST_SKIP() << "strace is missing or may not trace";
    QTemporaryDir dir;
    const QString lockFile = storeFile(dir) + qs(".lock");
    const QByteArray damaged = "[Kiebitz]\nInstallDir=/opt/kiebitz\nsoundfile=/a/b.wav\nwarnton=0\n[Kieb\n";
    const QStringList paths{qs("-P"), dir.path(), qs("-P"), storeFile(dir), qs("-P"), lockFile};
    const std::pair<const char*, QStringList> steps[] = {{"openat", paths}, {"write", {}},  {"fdatasync", {}},
                                                         {"linkat", {}},    {"rename", {}}, {"unlink", {}}};
    for (const auto& [syscall, filter] : steps) {
        int kills = 0;
        for (int when = 1; when < 40; ++when) {
            SCOPED_TRACE(std::string(syscall) + " #" + std::to_string(when));
            for (const QString& f : QDir(dir.path()).entryList(QDir::Files))
                QFile::remove(dir.filePath(f));
            writeRaw(dir, damaged);
            QProcess writer;
            const QString inject = qs("inject=%1:signal=SIGKILL:when=%2").arg(syscall).arg(when);
            const QStringList run{qs("-e"), inject, qs(KIEBITZ_STORE_WRITER), dir.path(), qs("a"), qs("1")};
            writer.start(strace, QStringList{qs("-f"), qs("-o"), qs("/dev/null")} + filter + run);
            ASSERT_TRUE(writer.waitForFinished(30000));
            const bool killed = writer.exitStatus() == QProcess::CrashExit;
            kills += killed;
            SettingsStoreQSettings store(dir.path());
            EXPECT_EQ(store.get(kApp, kSection, settings::key::InstallDir, {}), kFolder);
            EXPECT_EQ(store.get(kApp, kSection, settings::key::soundfile, {}), u"/a/b.wav");
            EXPECT_EQ(store.get(kApp, kSection, settings::key::warnton, {}), u"0");
            for (const QString& f : QDir(dir.path()).entryList({qs("*.damaged*")}, QDir::Files))
                EXPECT_EQ(readRaw(dir.filePath(f)), damaged) << f.toStdString();
            // A lock file killed before its owner was written in counts as
            // stale only after 30 s (QLockFile, as with QSettings); one
            // with a dead owner is taken over at once.
            if (readRaw(lockFile).isEmpty())
                QFile::remove(lockFile);
            ASSERT_TRUE(store.save(kApp, kSection, settings::key::Top, qs("7")));
            EXPECT_EQ(SettingsStoreQSettings(dir.path()).get(kApp, kSection, settings::key::warnton, {}), u"0");
            if (!killed) {
                EXPECT_EQ(writer.exitCode(), 0) << writer.readAllStandardError().toStdString();
                EXPECT_EQ(store.get(kApp, kSection, qs("a0"), {}), u"0");
                break;
            }
        }
        EXPECT_GT(kills, 0) << syscall;
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
