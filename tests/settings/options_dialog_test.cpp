// The options dialog: what it shows, where it opens, and which copies and
// stored keys OK, Abbrechen and the two sound buttons change.

#include "settings/options_dialog.h"
#include "support/event_waits.h"
#include "support/fake_file_dialog.h"
#include "support/fake_platform.h"
#include "support/fake_pointer.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kiebitz;
using settings::frmOptions;
using settings::kApp;
using settings::kSection;
namespace key = settings::key;

namespace {

const QPoint kCursor(700, 500);

struct Fixture {
    test::FakePlatform fake;
    test::FakeFileDialog files;
    platform::Platform platform;
    settings::SettingsCopies copies;

    Fixture()
    {
        platform = fake.platform(QStringLiteral("/opt/kiebitz"));
        platform.fileDialog = &files;
        copies.msgonsync = 1;
        copies.synconstart = 0;
        copies.warnton = 1;
        copies.warntonsek = 60;
        copies.soundfile = QStringLiteral("/opt/kiebitz/drum.wav");
    }
    QString stored(const QString& k) const { return fake.settings.get(kApp, kSection, k, QStringLiteral("-")); }
};

TEST(OptionsDialog, LayoutTextsColoursAndTabOrder)
{
    Fixture f;
    f.copies.msgonsync = 0;
    f.copies.synconstart = 1;
    f.copies.warnton = 0;
    f.copies.warntonsek = 45;
    frmOptions dlg(f.platform, f.copies, [] { return kCursor; });
    const core::TwipsPerPixel& tpp = dlg.twipsPerPixel();

    EXPECT_EQ(dlg.windowTitle(), u" Kiebitz Optionen");
    EXPECT_EQ(dlg.size(), QSize(tpp.toPixelsX(3780), tpp.toPixelsY(2625)));
    EXPECT_EQ(dlg.palette().color(QPalette::Window), QColor(255, 255, 239));
    EXPECT_FALSE(dlg.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    // Up and to the left of the pointer.
    EXPECT_EQ(dlg.pos(), QPoint(tpp.toPixelsX(kCursor.x() * tpp.x - 500), tpp.toPixelsY(kCursor.y() * tpp.y - 1800)));

    struct Row {
        QWidget* control;
        QString text;
        QRect twips;
    } rows[] = {
        {dlg.cmdOK, QStringLiteral("OK"), {780, 2085, 1095, 375}},
        {dlg.cmdCancel, QStringLiteral("Abbrechen"), {1995, 2085, 1095, 375}},
        {dlg.Check_msgonsync, QStringLiteral("nach Uhrzeitsynchronisation Meldung zeigen"), {120, 120, 3615, 495}},
        {dlg.Check_synconstart, QStringLiteral("bei jedem Programmstart Uhr synchronisieren"), {120, 600, 3615, 495}},
        {dlg.Check_Warnton, QStringLiteral("Warnton, wenn Restzeit  ="), {120, 1125, 2415, 375}},
        {dlg.Txt_WarnTonSek, QStringLiteral("45"), {2400, 1150, 400, 285}},
        {dlg.Label1, QStringLiteral("Sekunden"), {2880, 1200, 855, 255}},
        {dlg.Command1, QStringLiteral("Warnton wählen"), {330, 1530, 1560, 375}},
        {dlg.Command2, QStringLiteral("Warnton abspielen"), {2025, 1530, 1560, 375}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text.toStdString());
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(r.control))
            text = b->text();
        else if (auto* e = qobject_cast<QLineEdit*>(r.control))
            text = e->text();
        else if (auto* l = qobject_cast<QLabel*>(r.control))
            text = l->text();
        EXPECT_EQ(text, r.text);
        EXPECT_EQ(r.control->geometry(), QRect(tpp.toPixelsX(r.twips.x()), tpp.toPixelsY(r.twips.y()),
                                               tpp.toPixelsX(r.twips.width()), tpp.toPixelsY(r.twips.height())));
        // The whole text shows inside the control, in a readable size.
        if (auto* b = qobject_cast<QPushButton*>(r.control)) {
            const int margin = b->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b);
            EXPECT_LE(b->fontMetrics().horizontalAdvance(text) + 2 * margin, b->width());
        } else if (!qobject_cast<QLineEdit*>(r.control)) {
            EXPECT_LE(r.control->sizeHint().width(), r.control->width());
        }
        EXPECT_GE(r.control->font().pointSizeF(), 7.5);
        if (qobject_cast<QPushButton*>(r.control)) {
            EXPECT_EQ(r.control->palette().color(QPalette::Button), QColor(224, 224, 224));
        }
        if (qobject_cast<QCheckBox*>(r.control)) {
            EXPECT_EQ(r.control->palette().color(QPalette::Window), QColor(255, 255, 239));
        }
    }
    EXPECT_EQ(dlg.Check_msgonsync->checkState(), Qt::Unchecked);
    EXPECT_EQ(dlg.Check_synconstart->checkState(), Qt::Checked);
    EXPECT_EQ(dlg.Check_Warnton->checkState(), Qt::Unchecked);

    // Tab order, starting from OK; the label takes no focus.
    QWidget* expected[] = {dlg.cmdOK,         dlg.cmdCancel,      dlg.Check_msgonsync, dlg.Check_synconstart,
                           dlg.Check_Warnton, dlg.Txt_WarnTonSek, dlg.Command1,        dlg.Command2,
                           dlg.cmdOK};
    QWidget* w = dlg.cmdOK;
    for (QWidget* next : expected) {
        EXPECT_EQ(w, next) << next->objectName().toStdString();
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
    }
    EXPECT_TRUE(f.fake.settings.writes.isEmpty());
}

TEST(OptionsDialog, OpensFromThePlatformsPointer)
{
    Fixture f;
    test::FakePointer pointer;
    pointer.cursor = QPoint(40, 30);  // near the top left corner
    f.platform.pointer = &pointer;
    frmOptions dlg(f.platform, f.copies);
    const core::TwipsPerPixel& tpp = dlg.twipsPerPixel();
    // Nothing keeps it on the screen: it opens partly above and left of it.
    EXPECT_EQ(dlg.pos(), QPoint(40 - tpp.toPixelsX(500), 30 - tpp.toPixelsY(1800)));
    EXPECT_LT(dlg.pos().y(), 0);
}

TEST(OptionsDialog, OkChecksTheSecondsAndStoresInOrder)
{
    struct Row {
        const char* text;
        bool accepted;
        std::int16_t seconds;  // copy afterwards
    } rows[] = {
        {"30", true, 30},     {" 30 ", true, 30},     {"2.5", true, 2},       {"3.5", true, 4},
        {"0.4", true, 0},     {"32767", true, 32767}, {"1e2", true, 100},     {"0", false, 60},
        {"-5", false, 60},    {"abc", false, 60},     {"", false, 60},        {"32768", false, 60},
        {"99999", false, 60}, {"1e9", false, 60},     {"32767.5", false, 60}, {"2,5", false, 60},
        {"12 s", false, 60},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        Fixture f;
        frmOptions dlg(f.platform, f.copies, [] { return kCursor; });
        dlg.show();
        dlg.Check_msgonsync->setChecked(false);
        dlg.Check_synconstart->setChecked(true);
        dlg.Check_Warnton->setChecked(true);
        dlg.Txt_WarnTonSek->setText(QString::fromUtf8(r.text));
        QTest::mouseClick(dlg.cmdOK, Qt::LeftButton);

        // The switches change before the check, whatever it finds.
        EXPECT_EQ(f.copies.msgonsync, 0);
        EXPECT_EQ(f.copies.synconstart, 1);
        EXPECT_EQ(f.copies.warnton, 1);
        EXPECT_EQ(f.copies.warntonsek, r.seconds);
        if (r.accepted) {
            EXPECT_EQ(dlg.result(), QDialog::Accepted);
            EXPECT_FALSE(dlg.isVisible());
            EXPECT_TRUE(f.fake.messages.shown.empty());
            EXPECT_EQ(f.fake.settings.writes,
                      QStringList({key::msgonsync, key::synconstart, key::warnton, key::warntonsek, key::soundfile}));
            EXPECT_EQ(f.stored(key::msgonsync), u"0");
            EXPECT_EQ(f.stored(key::synconstart), u"1");
            EXPECT_EQ(f.stored(key::warnton), u"1");
            EXPECT_EQ(f.stored(key::warntonsek), QString::number(r.seconds));
            EXPECT_EQ(f.stored(key::soundfile), u"/opt/kiebitz/drum.wav");
        } else {
            EXPECT_TRUE(dlg.isVisible());
            ASSERT_EQ(f.fake.messages.shown.size(), 1u);
            EXPECT_EQ(f.fake.messages.shown[0].text, u"Es sind nur Zahlen grösser 0 zulässig!");
            EXPECT_EQ(f.fake.messages.shown[0].style, 64);
            EXPECT_EQ(f.fake.messages.shown[0].title, u"Kiebitz");
            EXPECT_TRUE(f.fake.settings.writes.isEmpty());
            EXPECT_EQ(dlg.Txt_WarnTonSek->text(), QString::fromUtf8(r.text));
        }
    }
}

// A store that keeps none or only some of the keys: every key is still
// tried in order, the failure is reported once, and the dialog closes with
// the choice in effect for this run.
TEST(OptionsDialog, StoreThatRefusesAKeyIsReported)
{
    for (const QStringList& refused :
         {QStringList{key::msgonsync}, QStringList{key::soundfile},
          QStringList{key::msgonsync, key::synconstart, key::warnton, key::warntonsek, key::soundfile}}) {
        SCOPED_TRACE(refused.join(u' ').toStdString());
        Fixture f;
        f.fake.settings.refused = refused;
        frmOptions dlg(f.platform, f.copies, [] { return kCursor; });
        dlg.show();
        dlg.Txt_WarnTonSek->setText(QStringLiteral("25"));
        QTest::mouseClick(dlg.cmdOK, Qt::LeftButton);
        EXPECT_EQ(f.fake.settings.writes,
                  QStringList({key::msgonsync, key::synconstart, key::warnton, key::warntonsek, key::soundfile}));
        ASSERT_EQ(f.fake.messages.shown.size(), 1u);
        EXPECT_EQ(f.fake.messages.shown[0].title, u"Fehler");
        EXPECT_TRUE(f.fake.messages.shown[0].text.startsWith(u"Fehlernummer:  75\r\n"));
        EXPECT_TRUE(f.fake.messages.shown[0].text.endsWith(u"Programmteil: cmdOK_Click"));
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(f.copies.warntonsek, 25);
    }
}

TEST(OptionsDialog, CancelEscAndCloseWriteNothing)
{
    enum class Way { Button, Escape, CloseBox };
    for (Way way : {Way::Button, Way::Escape, Way::CloseBox}) {
        SCOPED_TRACE(int(way));
        Fixture f;
        f.files.answer = QStringLiteral("  /home/anna/glocke.wav ");
        frmOptions dlg(f.platform, f.copies, [] { return kCursor; });
        dlg.show();
        QTest::mouseClick(dlg.Command1, Qt::LeftButton);
        dlg.Check_Warnton->setChecked(false);
        dlg.Txt_WarnTonSek->setText(QStringLiteral("10"));
        switch (way) {
        case Way::Button:
            QTest::mouseClick(dlg.cmdCancel, Qt::LeftButton);
            break;
        case Way::Escape:
            QTest::keyClick(&dlg, Qt::Key_Escape);
            break;
        case Way::CloseBox:
            dlg.close();
            break;
        }
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
        EXPECT_TRUE(f.fake.settings.writes.isEmpty());
        // The picked file stays in effect for this run; nothing else changed.
        EXPECT_EQ(f.copies.soundfile, u"/home/anna/glocke.wav");
        EXPECT_EQ(f.copies.warnton, 1);
        EXPECT_EQ(f.copies.warntonsek, 60);
    }
}

TEST(OptionsDialog, FailedOkThenCancelKeepsTheSwitchesInMemoryOnly)
{
    Fixture f;
    frmOptions dlg(f.platform, f.copies, [] { return kCursor; });
    dlg.show();
    dlg.Check_msgonsync->setChecked(false);
    dlg.Txt_WarnTonSek->setText(QStringLiteral("0"));
    QTest::mouseClick(dlg.cmdOK, Qt::LeftButton);
    QTest::mouseClick(dlg.cmdCancel, Qt::LeftButton);
    EXPECT_EQ(f.copies.msgonsync, 0);
    EXPECT_TRUE(f.fake.settings.writes.isEmpty());
}

TEST(OptionsDialog, ChoosingTheWaveFile)
{
    struct Row {
        const char* answer;
        const char* soundfile;
    } rows[] = {
        {"", "/opt/kiebitz/drum.wav"},  // cancelled
        {"/home/anna/Klänge/glocke.wav", "/home/anna/Klänge/glocke.wav"},
        {"  /home/anna/mit blank.wav  ", "/home/anna/mit blank.wav"},
        {"   ", "/opt/kiebitz/drum.wav"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.answer);
        Fixture f;
        f.files.answer = QString::fromUtf8(r.answer);
        frmOptions dlg(f.platform, f.copies, [] { return kCursor; });
        QTest::mouseClick(dlg.Command1, Qt::LeftButton);
        ASSERT_EQ(f.files.requests.size(), 1u);
        EXPECT_EQ(f.files.requests[0].owner, &dlg);
        EXPECT_EQ(f.files.requests[0].title, u"Wahlen Sie eine Wave-Datei aus");
        EXPECT_EQ(f.files.requests[0].filter, u"Wave Files (*.wav)");
        EXPECT_EQ(f.files.requests[0].folder, u"/opt/kiebitz");
        EXPECT_EQ(f.copies.soundfile, QString::fromUtf8(r.soundfile));
        EXPECT_TRUE(f.fake.settings.writes.isEmpty());
    }
}

TEST(OptionsDialog, PlayRestartsTheCurrentSound)
{
    Fixture f;
    f.files.answer = QStringLiteral("/tmp/neu.wav");
    frmOptions dlg(f.platform, f.copies, [] { return kCursor; });
    QTest::mouseClick(dlg.Command2, Qt::LeftButton);
    QTest::mouseClick(dlg.Command1, Qt::LeftButton);
    QTest::mouseClick(dlg.Command2, Qt::LeftButton);
    EXPECT_EQ(f.fake.sound.calls, QStringList({QStringLiteral("stop"), QStringLiteral("play:/opt/kiebitz/drum.wav"),
                                               QStringLiteral("stop"), QStringLiteral("play:/tmp/neu.wav")}));
}

TEST(OptionsDialog, SwitchValuesOtherThanZeroOrOneSurviveUntouched)
{
    Fixture f;
    f.copies.msgonsync = 2;
    f.copies.synconstart = -1;
    frmOptions dlg(f.platform, f.copies, [] { return kCursor; });
    EXPECT_EQ(dlg.Check_msgonsync->checkState(), Qt::PartiallyChecked);
    dlg.Check_synconstart->setCheckState(Qt::Unchecked);
    QTest::mouseClick(dlg.cmdOK, Qt::LeftButton);
    EXPECT_EQ(f.copies.msgonsync, 2);
    EXPECT_EQ(f.stored(key::msgonsync), u"2");
    EXPECT_EQ(f.copies.synconstart, 0);
    EXPECT_EQ(f.stored(key::synconstart), u"0");
}

TEST(OptionsDialog, ShowOptionsIsModalAndKeepsTimersRunning)
{
    Fixture f;
    QWidget owner;
    owner.show();
    int ticks = 0;
    QTimer timer1;
    QObject::connect(&timer1, &QTimer::timeout, [&] { ++ticks; });
    timer1.start(5);
    bool ticksWhileOpen = false;
    const auto user = test::whenModal([&](QWidget* modal) {
        auto* dlg = owner.findChild<frmOptions*>();
        ASSERT_EQ(modal, dlg);
        // Shown over its owner, it still stands where the pointer put it.
        const core::TwipsPerPixel& tpp = dlg->twipsPerPixel();
        EXPECT_EQ(dlg->pos(), QPoint(kCursor.x() - tpp.toPixelsX(500), kCursor.y() - tpp.toPixelsY(1800)));
        const int atOpen = ticks;
        ticksWhileOpen = QTest::qWaitFor([&] { return ticks >= atOpen + 3; }, test::kEventBoundMs);
        dlg->Txt_WarnTonSek->setText(QStringLiteral("15"));
        dlg->cmdOK->click();
    });
    settings::showOptions(&owner, f.platform, f.copies, [] { return kCursor; });
    EXPECT_TRUE(ticksWhileOpen);
    EXPECT_EQ(f.copies.warntonsek, 15);
    EXPECT_EQ(f.stored(key::warntonsek), u"15");
    // The dialog is gone once the call returns.
    EXPECT_EQ(owner.findChild<frmOptions*>(), nullptr);
}

}  // namespace
