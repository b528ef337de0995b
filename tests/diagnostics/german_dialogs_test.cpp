// Qt's own dialogs speak German once the program has loaded Qt's German
// translations: the file dialog of "Warnton wählen" and the message boxes.
#include "platform/linux/file_dialog_qt.h"
#include "platform/linux/message_box_qt.h"
#include "platform/linux/qt_translations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <functional>

using namespace kiebitz;

namespace {

// Texts a user reads in `w`: labels, buttons, combo box entries and column
// headers, without the '&' of shortcuts.
QStringList visibleTexts(const QWidget* w)
{
    QStringList texts{w->windowTitle()};
    for (const auto* l : w->findChildren<QLabel*>())
        texts << l->text();
    for (const auto* b : w->findChildren<QAbstractButton*>())
        texts << b->text();
    for (const auto* c : w->findChildren<QComboBox*>())
        for (int i = 0; i < c->count(); ++i)
            texts << c->itemText(i);
    for (const auto* t : w->findChildren<QTreeView*>())
        for (int i = 0; i < t->header()->count(); ++i)
            texts << t->model()->headerData(i, Qt::Horizontal).toString();
    texts.replaceInStrings(QStringLiteral("&"), QString());
    return texts;
}

// Runs `open`, which shows a modal dialog, and returns the texts of that
// dialog; the dialog is closed as soon as they are read.
QStringList textsOfModal(const std::function<void()>& open)
{
    QStringList texts;
    QTimer poll;
    QElapsedTimer since;
    since.start();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && since.elapsed() < 30'000)
            return;
        poll.stop();
        if (!modal)
            return;
        texts = visibleTexts(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    });
    poll.start(10);
    open();
    return texts;
}

class GermanDialogs : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(platform::installGermanQtTranslations()); }
};

}  // namespace

TEST_F(GermanDialogs, FileDialogOfTheWarningSound)
{
    QTemporaryDir dir;
    platform::FileDialogQt dialog;
    QString picked = QStringLiteral("unchanged");
    const QStringList texts = textsOfModal([&] {
        picked = dialog.openFile(nullptr, QStringLiteral("Wahlen Sie eine Wave-Datei aus"),
                                 QStringLiteral("Wave Files (*.wav)"), dir.path());
    });
    EXPECT_TRUE(picked.isEmpty());
    for (const char* expected : {"Wahlen Sie eine Wave-Datei aus", "Wave Files (*.wav)",
                                 "Suchen in:", "Dateiname:", "Öffnen", "Abbrechen", "Änderungsdatum"}) {
        SCOPED_TRACE(expected);
        EXPECT_TRUE(texts.contains(QString::fromUtf8(expected))) << texts.join(u'|').toStdString();
    }
}

TEST_F(GermanDialogs, MessageBoxButtons)
{
    // The error report with a help reference offers it behind a details button.
    platform::MessageBoxQt box;
    const QStringList report = textsOfModal([&] {
        box.show(QStringLiteral("Es ist ein Fehler aufgetreten!"), 0, QStringLiteral("Fehler"),
                 {QStringLiteral("kiebitz.chm"), 7});
    });
    for (const char* expected : {"OK", "Details einblenden..."}) {
        SCOPED_TRACE(expected);
        EXPECT_TRUE(report.contains(QString::fromUtf8(expected))) << report.join(u'|').toStdString();
    }

    const QStringList standard = textsOfModal([] {
        QMessageBox::question(nullptr, QStringLiteral("Kiebitz"), QStringLiteral("?"),
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    });
    for (const char* expected : {"Ja", "Nein", "Abbrechen"}) {
        SCOPED_TRACE(expected);
        EXPECT_TRUE(standard.contains(QString::fromUtf8(expected))) << standard.join(u'|').toStdString();
    }
}
