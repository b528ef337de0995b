#pragma once

// The options dialog: message after a synchronisation, synchronisation at
// start, the warning sound and its lead time, and the sound file.

#include "core/twips.h"
#include "platform/platform.h"
#include "settings/keys.h"

#include <QDialog>
#include <QPoint>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kiebitz::settings {

// The mouse pointer's position in screen pixels.
using CursorPosition = std::function<QPoint()>;

// Title and filter of the wave-file picker.
inline const QString kWaveDialogTitle = QStringLiteral("Wahlen Sie eine Wave-Datei aus");
inline const QString kWaveFilter = QStringLiteral("Wave Files (*.wav)");
inline const QString kSecondsMessage = QStringLiteral("Es sind nur Zahlen grösser 0 zulässig!");

// The wave file the user picks in the platform's file-open dialog (opened in
// the program folder), blanks at both ends removed; "" when cancelled.
QString choose_WaveFile(const platform::Platform& platform, QWidget* owner);

class frmOptions : public QDialog {
    Q_OBJECT
public:
    // Works on `copies` (the program's in-memory settings) and writes them
    // to the store on OK. Opens up and to the left of the mouse pointer, as
    // `cursor` or else the platform's pointer reports it.
    frmOptions(const platform::Platform& platform, SettingsCopies& copies, const CursorPosition& cursor = {},
               QWidget* owner = nullptr);

    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QCheckBox* Check_msgonsync = nullptr;
    QCheckBox* Check_synconstart = nullptr;
    QCheckBox* Check_Warnton = nullptr;
    QLineEdit* Txt_WarnTonSek = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;

    const core::TwipsPerPixel& twipsPerPixel() const { return m_tpp; }

public slots:
    void cmdOK_Click();
    void Command1_Click();
    void Command2_Click();

private:
    void buildControls();
    void Form_Load(const QPoint& cursor);
    void place(QWidget* control, double left, double top, double width, double height);

    platform::Platform m_platform;
    SettingsCopies& m_copies;
    core::TwipsPerPixel m_tpp;
};

// Shows the options dialog modally over `owner` and returns when it has
// been closed. Timers and other events keep running meanwhile.
void showOptions(QWidget* owner, const platform::Platform& platform, SettingsCopies& copies,
                 const CursorPosition& cursor = {});

}  // namespace kiebitz::settings
