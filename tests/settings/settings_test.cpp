// The real per-user store (broken lines, a kill at any step), the settings
// copies, the main window's placement, and the options dialog.

#include "platform/linux/settings_store_qsettings.h"
#include "settings/options_dialog.h"
#include "settings/window_placement.h"
#include "support/fake_file_dialog.h"
#include "support/fake_platform.h"
#include "support/fake_pointer.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <random>

using namespace kiebitz;
using namespace settings::key;
using platform::SettingsStoreQSettings;
using settings::kApp;
using settings::kSection;

namespace {

QString fileIn(const QTemporaryDir& dir) { return dir.filePath(kApp + ".conf"); }
QString get(const QString& dir, const QString& k) { return SettingsStoreQSettings(dir).get(kApp, kSection, k, "-"); }
QByteArray readRaw(const QString& name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : "(missing)";
}
bool writeRaw(const QString& name, const QByteArray& content)
{
    QFile f(name);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

// A missing folder is made on the first save; one that cannot be made (a
// file stands in its place) fails the save. Text that is no value reads as
// the default.
TEST(SettingsStore, FoldersAndDefaults)
{
    QTemporaryDir dir;
    ASSERT_TRUE(SettingsStoreQSettings(dir.filePath("neu/tiefer")).save(kApp, kSection, Left, "10"));
    EXPECT_EQ(get(dir.filePath("neu/tiefer"), Left), "10");
    ASSERT_TRUE(writeRaw(dir.filePath("datei"), {}));
    EXPECT_FALSE(SettingsStoreQSettings(dir.filePath("datei")).save(kApp, kSection, Left, "1"));
    ASSERT_TRUE(writeRaw(fileIn(dir), "[Kiebitz]\nmsgonsync=abc\nsynconstart=1\nwarnton=1,2\nwarntonsek=99999\n"));
    const settings::SettingsCopies c = settings::loadSettingsCopies(SettingsStoreQSettings(dir.path()), "/opt");
    EXPECT_EQ(std::tuple(c.msgonsync, c.synconstart, c.warnton, c.warntonsek, c.soundfile),
              std::tuple(1, 1, 1, 60, settings::defaultSoundFile("/opt")));
}

// Each row puts a broken line between the user's values (InstallDir and
// warnton before and after it, then the row's). Every value reads, and
// still reads after a save of another key; the file keeps the other lines
// and the bytes that are not UTF-8; each damaged file is kept under the
// next free name.
TEST(SettingsStore, BrokenLinesLoseNoOtherKey)
{
    std::mt19937 random(7);
    QByteArray noise(4096, '\0');
    for (char& ch : noise)
        ch = char(random() & 0xFF);
    const QByteArray latin1 = "soundfile=/home/j\xFCrgen/Kl\xE4nge/Glocke.wav\n";
    const std::tuple<QByteArray, QByteArray, QStringList, QByteArray> rows[] = {
        {"soundfile=\"/a/b.wav\n", "Left=10\n[Other]\nx=\"1\"\n", {soundfile, "/a/b.wav"}, "\n[Other]\nx=\"1\"\n"},
        {"Top=-45\\\n", "Left=10\n", {Top, "-45", Left, "10"}, {}},
        {"soundfile=/a/\rb.wav\n", "Left=10\rTop=3\n", {soundfile, "/a/", Top, "3"}, {}},
        {"[Kieb\n", "Left=10\n[Other]\nwarnton=5\n", {Left, "10"}, "[Other]\nwarnton=5\n"},
        {QByteArray(300, '\0'), "Left=10", {Left, "10"}, {}},
        {noise + '\n', "Left=10\n", {Left, "10"}, {}},
        {latin1 + "[Kieb\n", {}, {soundfile, "/home/jürgen/Klänge/Glocke.wav"}, latin1},
    };
    QTemporaryDir dir;
    QList<QByteArray> damaged;
    for (auto [broken, after, values, kept] : rows) {
        damaged << "[Kiebitz]\nInstallDir=/opt/kiebitz\n" + broken + "warnton=0\n" + after;
        ASSERT_TRUE(writeRaw(fileIn(dir), damaged.last()));
        values << InstallDir << "/opt/kiebitz" << warnton << "0";
        for (qsizetype i = 0; i < values.size(); i += 2)
            EXPECT_EQ(get(dir.path(), values[i]), values[i + 1]) << damaged.size();
        SettingsStoreQSettings store(dir.path());
        ASSERT_TRUE(store.save(kApp, kSection, msgonsync, "0"));
        values << msgonsync << "0";
        const QByteArray repaired = readRaw(fileIn(dir));
        EXPECT_TRUE(repaired.contains(kept)) << repaired.toStdString();
        for (qsizetype i = 0; i < values.size(); i += 2)
            EXPECT_EQ(get(dir.path(), values[i]), values[i + 1]) << damaged.size();
        for (qsizetype k = 0; k <= damaged.size(); ++k)
            EXPECT_EQ(readRaw(fileIn(dir) + ".damaged" + (k ? "." + QString::number(k) : "")),
                      k < damaged.size() ? damaged[k] : "(missing)");
    }
}

// The writer repairs a damaged store and saves two keys; strace kills it at
// the Nth call of each file step in turn (openat only on the store's
// files), until it runs through. After every kill the store holds all the
// user's values, every damaged copy is complete, and the next save
// succeeds. A lock file killed before its owner was written in counts as
// stale only after 30 s (QLockFile, as with QSettings) and is removed here;
// one with a dead owner is taken over at once.
TEST(SettingsStore, KillAtAnyStepLeavesAReadableStore)
{
    const QString strace = QStandardPaths::findExecutable("strace");
    if (strace.isEmpty() || QProcess::execute(strace, {"-o", "/dev/null", "true"}) != 0)
        GTEST_SKIP() << "strace is missing or may not trace";
    const QByteArray damaged = "[Kiebitz]\nInstallDir=/opt/kiebitz\nsoundfile=/a/b.wav\nwarnton=0\n[Kieb\n";
    for (const QString step : {"openat", "write", "fdatasync", "linkat", "rename", "unlink"}) {
        int kills = 0;
        for (int when = 1; when < 40; ++when) {
            SCOPED_TRACE(step.toStdString() + " #" + std::to_string(when));
            QTemporaryDir dir;
            const QString lock = fileIn(dir) + ".lock";
            ASSERT_TRUE(writeRaw(fileIn(dir), damaged));
            QProcess writer;
            writer.start(strace, QStringList{"-f", "-o", "/dev/null", "-e",
                                             "inject=" + step + ":signal=SIGKILL:when=" + QString::number(when)} +
                                     (step == "openat" ? QStringList{"-P", dir.path(), "-P", fileIn(dir), "-P", lock}
                                                       : QStringList()) +
                                     QStringList{KIEBITZ_STORE_WRITER, dir.path(), "a", "1"});
            ASSERT_TRUE(writer.waitForFinished(30000));
            kills += writer.exitStatus() == QProcess::CrashExit;
            EXPECT_EQ(get(dir.path(), InstallDir) + get(dir.path(), soundfile) + get(dir.path(), warnton),
                      "/opt/kiebitz/a/b.wav0");
            for (const QString& f : QDir(dir.path()).entryList({"*.damaged*"}, QDir::Files))
                EXPECT_EQ(readRaw(dir.filePath(f)), damaged) << f.toStdString();
            if (readRaw(lock).isEmpty())
                QFile::remove(lock);
            ASSERT_TRUE(SettingsStoreQSettings(dir.path()).save(kApp, kSection, Top, "7"));
            EXPECT_EQ(get(dir.path(), warnton) + get(dir.path(), Top), "07");
            if (writer.exitStatus() == QProcess::NormalExit) {
                EXPECT_EQ(QString::number(writer.exitCode()) + get(dir.path(), "a0"), "00");
                break;
            }
        }
        EXPECT_GT(kills, 0) << step.toStdString();
    }
}

// ---------------------------------------------------------------------------
// The main window's placement and the options dialog.

constexpr std::uint32_t kTask = core::WS_VISIBLE | core::WS_BORDER;

// A window at 96 dpi (15 twips per pixel), 4335 × 3075 twips, on a
// 1280 × 1024 screen, with its store.
struct Window : settings::PlacementWindow {
    core::TwipsPerPixel tpp{15.0, 15.0};
    QRect screen{0, 0, 1280, 1024}, frame{83, 102, 289, 205}, normal;  // normal empty: the frame
    settings::WindowStateValue windowState = settings::StateNormal;
    test::MemorySettingsStore store;
    core::TwipsPerPixel twipsPerPixel() const override { return tpp; }
    QRect screenGeometry() const override { return screen; }
    QRect frameGeometry() const override { return frame; }
    void moveTo(const QPoint& p) override { frame.moveTopLeft(p); }
    QRect normalFrameGeometry() const override { return normal.isEmpty() ? frame : normal; }
    settings::WindowStateValue state() const override { return windowState; }
    void setState(settings::WindowStateValue s) override { windowState = s; }
    platform::WindowId windowId() const override { return 42; }
};

// 300 twips further per watching instance (at most 109), 500 twips off the
// right and the bottom edge (19200 − 4335 − 500 = 14365, 15360 − 3075 −
// 500 = 11785), a window partly beyond the left or top edge left there;
// then the window state, unless "-" says not to.
TEST(WindowPlacement, RestoreAndSave)
{
    const std::tuple<const char*, const char*, int, const char*, QPoint, int> rows[] = {
        // Left, Top, instances, WindowState, position, state
        {nullptr, nullptr, 0, nullptr, {0, 0}, 0}, {"3000", "2000", 2, "1", {240, 173}, 1},
        {nullptr, nullptr, 1, " 2 ", {20, 20}, 2}, {" 1507.6 ", "15", 0, "1.5", {101, 1}, 2},
        {"30000", "2000", 0, "3", {958, 133}, 0},  {"14865", "0", 0, "-1", {991, 0}, 0},
        {"3000", "16000", 0, "zu", {200, 786}, 0}, {"1e30", "1e30", 3, "-", {958, 786}, 0},
        {"-1500", "-300", 0, "2", {-100, -20}, 2}, {"-4335", "-3075", 0, nullptr, {0, 0}, 0},
        {"links", "1e39", 0, nullptr, {0, 0}, 0},  {"3000", "2000", -4, nullptr, {200, 133}, 0},
    };
    for (const auto& [left, top, instances, state, position, expectedState] : rows) {
        Window w;
        for (const auto& [k, v] : {std::pair(Left, left), std::pair(Top, top), std::pair(WindowState, state)})
            if (v)
                w.store.values[test::MemorySettingsStore::path(kApp, kSection, k)] = v;
        settings::restore_WindowPos(w, w.store, kApp, kSection, state != QString("-"), std::int16_t(instances));
        EXPECT_EQ(std::tuple(w.frame, int(w.windowState)),
                  std::tuple(QRect(position, QSize(289, 205)), expectedState))
            << left << " " << top;
    }
    Window w;
    w.screen = {0, 0, 10000, 10000};
    settings::restore_WindowPos(w, w.store, kApp, kSection, true, 110);
    EXPECT_EQ(w.frame.topLeft(), QPoint(2180, 2180));

    // Saved: the normal rectangle in twips of the screen's factors, then the
    // state, in this order, unless another task window's title ends with
    // "Kiebitz" (a NUL after it allowed): then another instance watches.
    const std::tuple<settings::WindowStateValue, QRect, core::TwipsPerPixel, QStringList> saves[] = {
        // state, normal rectangle, factors, Height, Left, Top, Width, WindowState
        {settings::StateNormal, {}, {15, 15}, {"3075", "1245", "1530", "4335", "0"}},
        {settings::StateMaximized, {-8, 0, 300, 200}, {12, 10}, {"2000", "-96", "0", "3600", "2"}},
    };
    for (const auto& [state, normal, tpp, expected] : saves) {
        test::FakePlatform fake;
        fake.windows.entries = {
            {42, kTask, "Uhr Kiebitz"}, {5, kTask, "Notiz kiebitz"}, {6, core::WS_BORDER, "Uhr Kiebitz"}};
        Window w;
        std::tie(w.windowState, w.normal, w.tpp) = std::tuple(state, normal, tpp);
        settings::save_WindowPos(w, fake.platform(), kApp, kSection);
        EXPECT_EQ(fake.settings.writes, QStringList({Left, Top, Width, Height, WindowState}));
        EXPECT_EQ(fake.settings.values.values(), expected);
        fake.windows.entries.push_back({10, kTask, QStringLiteral("Kiebitz") + QChar(0)});
        fake.settings.writes.clear();
        settings::save_WindowPos(w, fake.platform(), kApp, kSection);
        EXPECT_TRUE(fake.settings.writes.isEmpty());
    }
}

// The options dialog on fakes, opened with the pointer at (40, 30) for a
// warning 60 s ahead.
const QStringList kKeys = {msgonsync, synconstart, warnton, warntonsek, soundfile};
struct Options {
    test::FakePlatform fake;
    test::FakeFileDialog files;
    test::FakePointer pointer;
    settings::SettingsCopies copies{1, 0, 1, 60, "/opt/kiebitz/drum.wav"};
    std::unique_ptr<settings::frmOptions> dlg;
    explicit Options(std::int16_t msgonsync = 1)
    {
        std::tie(copies.msgonsync, pointer.cursor) = std::tuple(msgonsync, QPoint(40, 30));
        platform::Platform p = fake.platform();
        std::tie(p.fileDialog, p.pointer) = std::tuple(&files, &pointer);
        dlg = std::make_unique<settings::frmOptions>(p, copies);
        dlg->show();
    }
};

// The switches change before the seconds are checked; only a number greater
// than 0 that fits 16 bits is taken, and then every key is stored in order.
TEST(OptionsDialog, SecondsSwitchesSoundAndStore)
{
    const std::pair<const char*, int> rows[] = {{"30", 30}, {" 2.5", 2}, {"0.4", 0},
                                                {"0", -1},  {"abc", -1}, {"32768", -1}};
    for (const auto& [text, seconds] : rows) {
        Options o;
        o.dlg->Check_msgonsync->setChecked(false);
        o.dlg->Check_synconstart->setChecked(true);
        o.dlg->Txt_WarnTonSek->setText(text);
        QTest::mouseClick(o.dlg->cmdOK, Qt::LeftButton);
        const bool taken = seconds >= 0;
        EXPECT_EQ(std::tuple(o.copies.msgonsync, o.copies.synconstart, o.copies.warntonsek, o.dlg->isVisible(),
                             o.fake.messages.shown.size()),
                  std::tuple(0, 1, taken ? seconds : 60, !taken, taken ? 0u : 1u))
            << text;
        EXPECT_EQ(o.fake.settings.writes, taken ? kKeys : QStringList());
        // msgonsync, soundfile, synconstart, warnton, warntonsek
        EXPECT_EQ(o.fake.settings.values.values(),
                  taken ? QStringList({"0", "/opt/kiebitz/drum.wav", "1", "1", QString::number(seconds)})
                        : QStringList());
    }

    // Opens 500 and 1800 twips up and left of the pointer; a switch other
    // than 0 or 1 shows grey and is kept unless clicked; "Warnton abspielen"
    // stops the sound before it plays the current file, which "Warnton
    // wählen" picks; a store that refuses keys is tried on every key and
    // reported once.
    Options o(2);
    const core::TwipsPerPixel& tpp = o.dlg->twipsPerPixel();
    EXPECT_EQ(o.dlg->pos(), QPoint(40 - tpp.toPixelsX(500), 30 - tpp.toPixelsY(1800)));
    EXPECT_EQ(o.dlg->Check_msgonsync->checkState(), Qt::PartiallyChecked);
    o.files.answer = "  /tmp/neu.wav ";
    QTest::mouseClick(o.dlg->Command2, Qt::LeftButton);
    QTest::mouseClick(o.dlg->Command1, Qt::LeftButton);
    QTest::mouseClick(o.dlg->Command2, Qt::LeftButton);
    EXPECT_EQ(o.fake.sound.calls, QStringList({"stop", "play:/opt/kiebitz/drum.wav", "stop", "play:/tmp/neu.wav"}));
    o.fake.settings.refused = {msgonsync, warnton};
    QTest::mouseClick(o.dlg->cmdOK, Qt::LeftButton);
    EXPECT_EQ(std::tuple(o.fake.settings.writes, o.fake.settings.values.values(), o.copies.msgonsync),
              std::tuple(kKeys, QStringList({"/tmp/neu.wav", "0", "60"}), 2));
    ASSERT_EQ(o.fake.messages.shown.size(), 1u);
    EXPECT_TRUE(o.fake.messages.shown[0].text.startsWith(u"Fehlernummer:  75\r\n"));
}

}  // namespace
