#include "app/main_window.h"

#include "app/artwork.h"
#include "app/countdown.h"
#include "app/page_access.h"
#include "core/datetime.h"
#include "hover/module_mouse_move.h"
#include "notice/frm_buy.h"
#include "platform/classic_fonts.h"
#include "platform/shell_open.h"
#include "platform/sound.h"
#include "platform/system_clock.h"
#include "platform/window_flash.h"
#include "settings/keys.h"
#include "settings/options_dialog.h"
#include "settings/widget_placement.h"
#include "settings/window_placement.h"
#include "timing/clock_sync.h"
#include "timing/item_link.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QScreen>

namespace kiebitz::app {

namespace {

QColor toQColor(std::uint32_t rgb) { return QColor::fromRgb(QRgb(0xFF000000u | rgb)); }

QFont arial(double pt) { return platform::classicFont(platform::kArialFamilies, pt); }

// Form size and default position, twips.
constexpr double kClientWidth = 4215;
constexpr double kClientHeight = 2745;
constexpr double kDefaultLeft = 1245;
constexpr double kDefaultTop = 1530;

const QString kNoItemLine = QStringLiteral("Kein Artikel gewählt.");

QString instructionText()
{
    return QStringList{QStringLiteral("Öffnen Sie den Artikel,"), QStringLiteral("auf den Sie bieten"),
                       QStringLiteral("möchten, in Ihrem"),       QStringLiteral("Web-Browser und"),
                       QStringLiteral("klicken Sie auf"),         QStringLiteral("'Artikel übernehmen'")}
        .join(QStringLiteral("\r\n"));
}

}  // namespace

Shape::Shape(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

void Shape::setFillColor(std::uint32_t rgb)
{
    m_fill = rgb;
    update();
}

void Shape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), toQColor(m_fill));
}

Form1::Form1(const platform::Platform& platform, ProgramState& state, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_platform(platform),
      m_state(state)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen)
        m_tpp = core::TwipsPerPixel::fromDpi(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());
    setObjectName(QStringLiteral("Form1"));
    setWindowIcon(programIcon());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(235, 235, 235));
    setPalette(pal);
    setAutoFillBackground(true);
    setFixedSize(m_tpp.toPixelsX(kClientWidth), m_tpp.toPixelsY(kClientHeight));
    move(m_tpp.toPixelsX(kDefaultLeft), m_tpp.toPixelsY(kDefaultTop));
    buildControls();
}

Form1::~Form1() = default;

QRectF Form1::twipsGeometry(const QWidget* control) const
{
    const QRect g = control->geometry();
    return {m_tpp.toTwipsX(g.x()), m_tpp.toTwipsY(g.y()), m_tpp.toTwipsX(g.width()), m_tpp.toTwipsY(g.height())};
}

void Form1::setTwipsGeometry(QWidget* control, double left, double top, double width, double height)
{
    control->setGeometry(m_tpp.toPixelsX(left), m_tpp.toPixelsY(top), m_tpp.toPixelsX(width),
                         m_tpp.toPixelsY(height));
}

VbLabel* Form1::makeLinkLabel(const QString& name, const QString& text, double l, double t, double w, double h,
                              const QString& toolTip)
{
    auto* label = new VbLabel(this);
    label->setObjectName(name);
    label->setFont(arial(9));
    setTwipsGeometry(label, l, t, w, h);
    label->setCaption(text);
    label->setForeColor(m_state.values.LinkColor);
    label->setToolTip(toolTip);
    label->setCursor(handCursor());
    return label;
}

void Form1::buildControls()
{
    // The rectangles first, so that every label lies in front of them.
    Shape3 = new Shape(this);
    Shape3->setObjectName(QStringLiteral("Shape3"));
    setTwipsGeometry(Shape3, 120, 120, 3975, 495);
    Shape2 = new Shape(this);
    Shape2->setObjectName(QStringLiteral("Shape2"));
    setTwipsGeometry(Shape2, 120, 720, 2055, 1935);
    Shape1 = new Shape(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    setTwipsGeometry(Shape1, 2280, 720, 1815, 1935);

    Label1 = new VbLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(arial(11.25));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setTwipsGeometry(Label1, 405, 240, 3315, 255);
    Label1->setCaption(QStringLiteral("keine Auktionsdaten weit und breit"));

    LabelZeit = new VbLabel(this);
    LabelZeit->setObjectName(QStringLiteral("LabelZeit"));
    LabelZeit->setFont(arial(21.75));
    LabelZeit->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    LabelZeit->setForeColor(core::rgb(255, 0, 0));
    setTwipsGeometry(LabelZeit, 960, 1560, 495, 495);
    LabelZeit->setCaption(QStringLiteral("34"));

    Label2 = new VbLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setForeColor(core::rgb(247, 255, 244));
    setTwipsGeometry(Label2, 360, 720, 840, 195);
    Label2->setCaption(QStringLiteral("Label2gdfg "));

    Lbl_NoAuction = new VbLabel(this);
    Lbl_NoAuction->setObjectName(QStringLiteral("Lbl_NoAuction"));
    Lbl_NoAuction->setFont(platform::classicFont(platform::kDialogFamilies, 9.75));
    setTwipsGeometry(Lbl_NoAuction, 195, 960, 10140, 240);
    Lbl_NoAuction->setCaption(QStringLiteral(
        "Öffnen Sie den Artikel auf den Sie bieten möchten in Ihrem Internet Browser und klicken Sie auf "
        "'Artikel übernehmen'"));
    Lbl_NoAuction->hide();

    Lbl_GoItem = makeLinkLabel(QStringLiteral("Lbl_GoItem"), QStringLiteral("Link zum Artikel"), 2730, 960, 1275, 225,
                               QStringLiteral(" Öffnet die Artikelbeschreibung bei eBay "));
    Lbl_GetTime = makeLinkLabel(QStringLiteral("Lbl_GetTime"), QStringLiteral("Uhr synchronisieren"), 2340, 1360,
                                1665, 225, QStringLiteral(" Synchronisiert die Systemuhr mit dem eBayserver "));
    Lbl_Optionen = makeLinkLabel(QStringLiteral("Lbl_Optionen"), QStringLiteral("zu den Optionen"), 2670, 1760, 1335,
                                 225, QStringLiteral(" Öffnet das Optionsformular "));
    Lbl_GetArtikel = makeLinkLabel(QStringLiteral("Lbl_GetArtikel"), QStringLiteral("Artikel übernehmen"), 2400, 2160,
                                   1605, 225, QStringLiteral(" Übernimmt den Artikel aus dem Browser "));

    Timer1 = new CountdownTimer(*m_platform.clock, this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    Timer1->setEnabled(true);
    connect(Timer1, &CountdownTimer::timeout, this, &Form1::Update_Label);

    connectCommands();
}

void Form1::connectCommands()
{
    m_hover = std::make_unique<hover::ModuleMouseMove>(*m_platform.pointer);
    for (VbLabel* label : {Lbl_GetTime, Lbl_GetArtikel, Lbl_Optionen})
        connect(label, &VbLabel::mouseMoved, this, [this, label] { trackHover(label); });
    // The item link takes the hover look only once an auction was followed.
    connect(Lbl_GoItem, &VbLabel::mouseMoved, this, [this] {
        if (!m_state.auction.ItemNumber.isEmpty())
            trackHover(Lbl_GoItem);
    });

    connect(Lbl_GetArtikel, &VbLabel::clicked, this, [this] {
        take_Auction();
        Update_Label();
        if (m_state.auction.AuctionEnd == core::kZeroDate)
            offer_PageAccess(m_platform);
    });
    connect(Lbl_GetTime, &VbLabel::clicked, this, &Form1::sync_Clock);
    connect(Lbl_GoItem, &VbLabel::clicked, this, &Form1::openItemPage);
    connect(Lbl_Optionen, &VbLabel::clicked, this, &Form1::showOptions);
}

void Form1::trackHover(VbLabel* label) { m_hover->track_Hover(label); }

void Form1::sync_Clock()
{
    if (!m_clockSync)
        m_clockSync = std::make_unique<timing::ClockSync>(m_platform, m_syncAddresses);
    m_clockSync->sync_Clock(m_state.settings.msgonsync != 0);
}

void Form1::openItemPage()
{
    if (m_state.auction.ItemNumber.isEmpty())
        return;
    // Always through the forwarding link; a failure to open is not reported.
    m_platform.shell->open(timing::itemLink(m_state.auction.ItemNumber));
}

void Form1::showOptions()
{
    // The dialog covers the label, so it takes its normal look first.
    Lbl_Optionen->setForeColor(core::rgb(0, 0, 255));
    QFont f = Lbl_Optionen->font();
    f.setUnderline(false);
    Lbl_Optionen->setFont(f);
    settings::showOptions(this, m_platform, m_state.settings);
}

void Form1::Form1init()
{
    m_state.values.VersionText = core::versionText();
    m_state.values.WindowStyleMask = core::WS_VISIBLE | core::WS_BORDER;
    Shape1->setFillColor(core::rgb(244, 255, 247));
    Shape2->setFillColor(core::rgb(255, 255, 232));
    Shape3->setFillColor(core::rgb(255, 244, 244));
    m_state.settings = settings::loadSettingsCopies(*m_platform.settings, platform::dataFolderOf(m_platform),
                                                    m_platform.programFolder);
    take_Auction();
    settings::WidgetPlacement placement(*this);
    settings::restore_WindowPos(placement, m_platform, settings::kApp, settings::kSection, true,
                                m_state.auction.InstanceCount);
    Update_Label();
}

void Form1::take_Auction()
{
    capture::CaptureContext context;
    context.platform = m_platform;
    // Before the first show there is no native window to pass over, and
    // winId() would create one: Qt then places the client area, not the
    // frame, at the position restore_WindowPos sets, so the title bar of a
    // window stored at the top edge would lie off the screen and every
    // restart would move the window up by the frame's height.
    context.mainWindow = platform::WindowId(internalWinId());
    context.windowStyleMask = m_state.values.WindowStyleMask;
    capture::take_Auction(context, m_state.auction, *this);
}

void Form1::centreInShape2(VbLabel* label)
{
    const QRectF shape = twipsGeometry(Shape2);
    const float top = float(shape.top()) + float(shape.height()) / 2.0f - float(twipsGeometry(label).height()) / 2.0f;
    label->move(label->x(), m_tpp.toPixelsY(top));
}

void Form1::show_NoAuction()
{
    setWindowTitle(QStringLiteral(" Kiebitz ") + core::versionText());
    Label1->setCaption(kNoItemLine);
    Lbl_NoAuction->setCaption(instructionText());
    centreInShape2(Lbl_NoAuction);
    Lbl_NoAuction->show();
    LabelZeit->hide();
    Timer1->setEnabled(false);
}

void Form1::show_Auction(core::DateValue end)
{
    Lbl_NoAuction->hide();
    Lbl_GoItem->show();
    setWindowTitle(m_state.auction.AuctionTitle + QStringLiteral(" Kiebitz"));
    Label1->setCaption(QStringLiteral("endet am ") + core::generalDateText(end));
    LabelZeit->show();
    Timer1->setEnabled(true);
}

void Form1::Update_Label()
{
    if (m_state.auction.AuctionEnd == core::kZeroDate) {
        Timer1->setEnabled(false);
        return;
    }
    const QDateTime nowTime = m_platform.clock->now();
    const std::int64_t remaining = core::secondsBetween(core::fromQDateTime(nowTime), m_state.auction.AuctionEnd);

    if (warningDue(remaining, m_state.settings.warnton, m_state.settings.warntonsek)) {
        m_platform.sound->stop();
        m_platform.sound->playAsync(m_state.settings.soundfile);
    }

    const CountdownFrame frame = countdownFrame(remaining);
    if (frame.timerEnabled) {
        Timer1->setEnabled(true);
        Timer1->setInterval(frame.intervalMs);
    }
    if (frame.updateAlways || frame.text != LabelZeit->caption()) {
        QFont f = LabelZeit->font();
        f.setPointSizeF(frame.fontPt);
        LabelZeit->setFont(f);
        LabelZeit->setForeColor(frame.color);
        LabelZeit->setCaption(frame.text);
        centreInShape2(LabelZeit);
        LabelZeit->show();
        switch (frame.band) {
        case Band::Minutes:
            Label2->setCaption(QLocale::system().toString(nowTime, QLocale::ShortFormat));
            break;
        case Band::FinalMinute:
            setWindowTitle(QStringLiteral(" >>") + frame.secondText + QStringLiteral("<<"));
            m_platform.flash->flash(quintptr(winId()));
            break;
        case Band::End:
            setWindowTitle(m_state.auction.AuctionTitle);
            break;
        case Band::Hours:
        case Band::Days:
            break;
        }
    }
    if (frame.band == Band::End)
        Timer1->setEnabled(false);
}

void Form1::setHoverLook(VbLabel* label, bool hover)
{
    label->setForeColor(hover ? m_state.values.LinkHoverColor : m_state.values.LinkColor);
    QFont f = label->font();
    f.setUnderline(hover);
    label->setFont(f);
}

void Form1::Lbl_GetTime_MouseIn() { setHoverLook(Lbl_GetTime, true); }
void Form1::Lbl_GetTime_MouseOut() { setHoverLook(Lbl_GetTime, false); }
void Form1::Lbl_GetArtikel_MouseIn() { setHoverLook(Lbl_GetArtikel, true); }
void Form1::Lbl_GetArtikel_MouseOut() { setHoverLook(Lbl_GetArtikel, false); }
void Form1::Lbl_GoItem_MouseIn() { setHoverLook(Lbl_GoItem, true); }
void Form1::Lbl_GoItem_MouseOut() { setHoverLook(Lbl_GoItem, false); }
void Form1::Lbl_Optionen_MouseIn() { setHoverLook(Lbl_Optionen, true); }
void Form1::Lbl_Optionen_MouseOut() { setHoverLook(Lbl_Optionen, false); }

void Form1::closeEvent(QCloseEvent* event)
{
    // A synchronisation still waiting stops here, silently, so that nothing
    // outlives the window.
    if (m_clockSync)
        m_clockSync->cancel();
    settings::WidgetPlacement placement(*this);
    settings::save_WindowPos(placement, m_platform, settings::kApp, settings::kSection);
    settings::storeInstallDir(*m_platform.settings, m_platform.programFolder);
    // The close completes once the notice window has been closed.
    notice::showNotice(m_platform);
    event->accept();
}

}  // namespace kiebitz::app
