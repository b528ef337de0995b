#include "settings/options_dialog.h"

#include "core/program_values.h"
#include "core/text.h"
#include "diagnostics/error_report.h"
#include "platform/classic_fonts.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/pointer.h"
#include "platform/settings_store.h"
#include "platform/sound.h"

#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <utility>

namespace kiebitz::settings {

namespace {

// Client area, twips.
constexpr double kClientWidth = 3780;
constexpr double kClientHeight = 2625;
// Offset of the dialog's top left corner from the pointer, twips.
constexpr double kCursorOffsetX = 500;
constexpr double kCursorOffsetY = 1800;

const QColor kBackColor(255, 255, 239);    // &H00EFFFFF
const QColor kButtonColor(224, 224, 224);  // &H00E0E0E0
const QString kMessageTitle = QStringLiteral("Kiebitz");
constexpr int kStyleInformation = 64;

void setBackground(QWidget* w, const QColor& color)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, color);
    pal.setColor(QPalette::Button, color);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

// A switch as the check box shows it: 0 off, 1 on, any other value grey
// (it is kept unchanged unless the user clicks the box).
void showSwitch(QCheckBox* box, std::int16_t value)
{
    box->setCheckState(value == 0 ? Qt::Unchecked : value == 1 ? Qt::Checked : Qt::PartiallyChecked);
}

std::int16_t switchValue(const QCheckBox* box, std::int16_t previous)
{
    switch (box->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        break;
    }
    return previous;
}

// The layout is made for the narrower classic dialog font. A check box whose
// text still does not fit gets a slightly smaller size rather than a cut-off
// end; kSmallestPt keeps it readable.
constexpr double kSmallestPt = 7.5;

void shrinkToFit(QWidget* control)
{
    QFont f = control->font();
    while (control->sizeHint().width() > control->width() && f.pointSizeF() - 0.25 >= kSmallestPt) {
        f.setPointSizeF(f.pointSizeF() - 0.25);
        control->setFont(f);
    }
}

const QScreen* screenAt(const QPoint& p, const QWidget* owner)
{
    if (const QScreen* s = QGuiApplication::screenAt(p))
        return s;
    if (owner && owner->screen())
        return owner->screen();
    return QGuiApplication::primaryScreen();
}

}  // namespace

QString choose_WaveFile(const platform::Platform& platform, QWidget* owner)
{
    // The dialog opens where the default sound lies: the program's folder in
    // a build folder, the data folder once installed.
    return core::Trim(
        platform.fileDialog->openFile(owner, kWaveDialogTitle, kWaveFilter, platform::dataFolderOf(platform)));
}

frmOptions::frmOptions(const platform::Platform& platform, SettingsCopies& copies, const CursorPosition& cursor,
                       QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint),
      m_platform(platform),
      m_copies(copies)
{
    const QPoint at = cursor ? cursor() : platform.pointer->cursorPos();
    if (const QScreen* s = screenAt(at, owner))
        m_tpp = core::TwipsPerPixel::fromDpi(s->logicalDotsPerInchX(), s->logicalDotsPerInchY());
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral(" Kiebitz Optionen"));
    setBackground(this, kBackColor);
    // The layout is made for the classic 8-point dialog font; where that
    // font is missing, its closest metric twin keeps the texts inside their
    // controls.
    setFont(platform::classicFont(platform::kDialogFamilies, 8.25));
    setFixedSize(m_tpp.toPixelsX(kClientWidth), m_tpp.toPixelsY(kClientHeight));
    buildControls();
    Form_Load(at);
}

void frmOptions::place(QWidget* control, double left, double top, double width, double height)
{
    control->setGeometry(m_tpp.toPixelsX(left), m_tpp.toPixelsY(top), m_tpp.toPixelsX(width),
                         m_tpp.toPixelsY(height));
}

void frmOptions::buildControls()
{
    auto button = [this](const QString& name, const QString& text, double l, double t, double w, double h) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        // Enter presses the focused button; only OK is the default.
        b->setAutoDefault(false);
        QPalette pal = b->palette();
        pal.setColor(QPalette::Button, kButtonColor);
        b->setPalette(pal);
        place(b, l, t, w, h);
        return b;
    };
    auto checkBox = [this](const QString& name, const QString& text, double l, double t, double w, double h) {
        auto* c = new QCheckBox(text, this);
        c->setObjectName(name);
        setBackground(c, kBackColor);
        place(c, l, t, w, h);
        shrinkToFit(c);
        return c;
    };

    cmdOK = button(QStringLiteral("cmdOK"), QStringLiteral("OK"), 780, 2085, 1095, 375);
    cmdOK->setDefault(true);
    cmdCancel = button(QStringLiteral("cmdCancel"), QStringLiteral("Abbrechen"), 1995, 2085, 1095, 375);
    Check_msgonsync = checkBox(QStringLiteral("Check_msgonsync"),
                               QStringLiteral("nach Uhrzeitsynchronisation Meldung zeigen"), 120, 120, 3615, 495);
    Check_synconstart = checkBox(QStringLiteral("Check_synconstart"),
                                 QStringLiteral("bei jedem Programmstart Uhr synchronisieren"), 120, 600, 3615, 495);
    Check_Warnton =
        checkBox(QStringLiteral("Check_Warnton"), QStringLiteral("Warnton, wenn Restzeit  ="), 120, 1125, 2415, 375);
    Txt_WarnTonSek = new QLineEdit(QStringLiteral("60"), this);
    Txt_WarnTonSek->setObjectName(QStringLiteral("Txt_WarnTonSek"));
    place(Txt_WarnTonSek, 2400, 1150, 400, 285);
    Label1 = new QLabel(QStringLiteral("Sekunden"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    // A label keeps the system's button face as its background.
    setBackground(Label1, QApplication::palette().color(QPalette::Button));
    place(Label1, 2880, 1200, 855, 255);
    Command1 = button(QStringLiteral("Command1"), QStringLiteral("Warnton wählen"), 330, 1530, 1560, 375);
    Command2 = button(QStringLiteral("Command2"), QStringLiteral("Warnton abspielen"), 2025, 1530, 1560, 375);

    // The check box lies under the text box; the text box stays in front.
    Txt_WarnTonSek->raise();

    QWidget* order[] = {cmdOK,         cmdCancel,      Check_msgonsync, Check_synconstart,
                        Check_Warnton, Txt_WarnTonSek, Command1,        Command2};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    cmdOK->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Command1, &QPushButton::clicked, this, &frmOptions::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmOptions::Command2_Click);
}

void frmOptions::Form_Load(const QPoint& p)
{
    // Up and to the left of the pointer; nothing keeps the dialog on the screen.
    move(m_tpp.toPixelsX(m_tpp.toTwipsX(p.x()) - kCursorOffsetX),
         m_tpp.toPixelsY(m_tpp.toTwipsY(p.y()) - kCursorOffsetY));
    showSwitch(Check_msgonsync, m_copies.msgonsync);
    showSwitch(Check_synconstart, m_copies.synconstart);
    showSwitch(Check_Warnton, m_copies.warnton);
    Txt_WarnTonSek->setText(QString::number(m_copies.warntonsek));
}

void frmOptions::cmdOK_Click()
{
    m_copies.msgonsync = switchValue(Check_msgonsync, m_copies.msgonsync);
    m_copies.synconstart = switchValue(Check_synconstart, m_copies.synconstart);
    m_copies.warnton = switchValue(Check_Warnton, m_copies.warnton);

    // Seconds must be a number greater than 0 that fits a 16-bit value
    // after rounding; 0.4 passes and becomes 0.
    const QString text = Txt_WarnTonSek->text();
    const auto number = core::toDouble(text);
    const auto seconds = core::toInt16(text);
    if (!number || *number <= 0.0 || !seconds) {
        m_platform.messages->show(kSecondsMessage, kStyleInformation, kMessageTitle);
        return;
    }
    m_copies.warntonsek = *seconds;

    // Every key is tried in its order; a store that refuses one is reported,
    // so that the user does not take the choice for kept. The copies are in
    // effect for this run either way.
    const std::pair<QString, QString> values[] = {
        {key::msgonsync, QString::number(m_copies.msgonsync)},
        {key::synconstart, QString::number(m_copies.synconstart)},
        {key::warnton, QString::number(m_copies.warnton)},
        {key::warntonsek, QString::number(m_copies.warntonsek)},
        {key::soundfile, m_copies.soundfile},
    };
    bool stored = true;
    for (const auto& [k, value] : values)
        stored = m_platform.settings->save(kApp, kSection, k, value) && stored;
    if (!stored)
        diagnostics::report_Error(*m_platform.messages, diagnostics::fileAccessError(),
                                  QStringLiteral("cmdOK_Click"));
    accept();
}

void frmOptions::Command1_Click()
{
    const QString file = choose_WaveFile(m_platform, this);
    if (!file.isEmpty())
        m_copies.soundfile = file;
}

void frmOptions::Command2_Click()
{
    m_platform.sound->stop();
    m_platform.sound->playAsync(m_copies.soundfile);
}

void showOptions(QWidget* owner, const platform::Platform& platform, SettingsCopies& copies,
                 const CursorPosition& cursor)
{
    frmOptions dialog(platform, copies, cursor, owner);
    dialog.exec();
}

}  // namespace kiebitz::settings
