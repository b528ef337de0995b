#include "notice/frm_buy.h"

#include "notice/notice_picture.h"
#include "platform/classic_fonts.h"
#include "platform/shell_open.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

namespace kiebitz::notice {

namespace {

// Window and control geometry, twips.
constexpr double kClientWidth = 7215;
constexpr double kClientHeight = 3735;
constexpr double kTextLeft = 2160;
constexpr double kTextWidth = 4815;

QFont dialogFont(bool bold) { return platform::classicFont(platform::kDialogFamilies, 8.25, bold); }

bool isClick(const QMouseEvent* event, const QWidget* widget)
{
    return event->button() == Qt::LeftButton && widget->rect().contains(event->position().toPoint());
}

}  // namespace

NoticeLabel::NoticeLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMouseTracking(true);
}

void NoticeLabel::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void NoticeLabel::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    const bool click = m_pressed && isClick(event, this);
    m_pressed = false;
    if (click)
        emit clicked();
}

void NoticeLabel::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    emit mouseMoved();
}

FrmBuy::FrmBuy(const platform::Platform& platform, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_platform(platform)
{
    setObjectName(QStringLiteral("FrmBuy"));
    setWindowTitle(kNoticeCaption);
    QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen)
        m_tpp = core::TwipsPerPixel::fromDpi(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());
    setFixedSize(m_tpp.toPixelsX(kClientWidth), m_tpp.toPixelsY(kClientHeight));
    setMouseTracking(true);

    Image1 = makeLabel(QStringLiteral("Image1"), QString(), 240, 240, 1695, 1695);
    Image1->setPixmap(lapwingPicture(Image1->width(), screen ? screen->devicePixelRatio() : 1.0));
    Image1->setScaledContents(false);

    Label1 = makeLabel(QStringLiteral("Label1"), QStringLiteral("Danke, dass Sie Kiebitz benutzen.."), kTextLeft, 240,
                       kTextWidth, 255);
    Label4 =
        makeLabel(QStringLiteral("Label4"),
                  QStringLiteral("KiebitzGold und KiebitzPlatin sind die erweiterten Versionen dieses Programms."),
                  kTextLeft, 600, kTextWidth, 420);
    Label5 = makeLabel(
        QStringLiteral("Label5"),
        QStringLiteral("Damit erfolgt die Abgabe Ihres Gebots automatisch, in letzter Sekunde. (Sniperfunktion)"),
        kTextLeft, 1095, kTextWidth, 420);
    Label2 = makeLabel(QStringLiteral("Label2"),
                       QStringLiteral("Und Sie brauchen Ihren Computer noch nicht einmal angeschaltet lassen.       "
                                      "Das rechtzeitige Einschalten erfolgt automatisch."),
                       kTextLeft, 1590, kTextWidth, 630);
    Label6 = makeLabel(QStringLiteral("Label6"),
                       QStringLiteral("Beide Versionen können Sie kostenlos und unverbindlich testen."), kTextLeft,
                       2295, kTextWidth, 420);
    Label6->setFont(dialogFont(true));
    Label3 = makeLabel(QStringLiteral("Label3"),
                       QStringLiteral("Klicken Sie auf diesen Text, um auf die Kiebitz-Homepage zu gelangen."),
                       kTextLeft, 2790, kTextWidth, 420);
    Label3->setFont(dialogFont(true));
    Label3->setCursor(Qt::PointingHandCursor);
    setLinkLook(false);
    Label7 = makeLabel(QStringLiteral("Label7"),
                       QStringLiteral("Klicken Sie auf eine beliebige Stelle dieses Formulars um es zu schliessen."),
                       240, 3345, kClientWidth - 480, 255);
    Label7->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    for (NoticeLabel* closes : {Image1, Label1, Label2, Label4, Label6, Label7})
        connect(closes, &NoticeLabel::clicked, this, &QDialog::accept);
    connect(Label5, &NoticeLabel::clicked, this, [this] {
        setLinkLook(false);
        accept();
    });
    connect(Label3, &NoticeLabel::clicked, this, [this] {
        openHomepage();
        accept();
    });

    // A move over the link lights it up at once; only moves over the
    // background and the first text labels take the look away again, so
    // the pointer may cross the labels below the link and the picture
    // without the link changing.
    for (NoticeLabel* plain : {Label1, Label2, Label4})
        connect(plain, &NoticeLabel::mouseMoved, this, [this] { setLinkLook(false); });
    connect(Label3, &NoticeLabel::mouseMoved, this, [this] { setLinkLook(true); });

    if (screen) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

FrmBuy::~FrmBuy() = default;

NoticeLabel* FrmBuy::makeLabel(const QString& name, const QString& text, double left, double top, double width,
                               double height)
{
    auto* label = new NoticeLabel(this);
    label->setObjectName(name);
    label->setFont(dialogFont(false));
    label->setText(text);
    label->setGeometry(m_tpp.toPixelsX(left), m_tpp.toPixelsY(top), m_tpp.toPixelsX(width), m_tpp.toPixelsY(height));
    return label;
}

void FrmBuy::setLinkLook(bool hover)
{
    if (m_linkLookSet && m_linkHover == hover)
        return;
    m_linkLookSet = true;
    m_linkHover = hover;
    QPalette pal = Label3->palette();
    pal.setColor(QPalette::WindowText, QColor::fromRgb(QRgb(0xFF000000u | (hover ? kLinkRed : kLinkBlue))));
    Label3->setPalette(pal);
    QFont font = Label3->font();
    font.setUnderline(hover);
    Label3->setFont(font);
}

std::uint32_t FrmBuy::linkColor() const { return Label3->palette().color(QPalette::WindowText).rgb() & 0xFFFFFFu; }

bool FrmBuy::linkUnderlined() const { return Label3->font().underline(); }

void FrmBuy::openHomepage()
{
    // Whether a browser took the address is not the notice's concern.
    m_platform.shell->open(kMakerHomepage);
}

void FrmBuy::mousePressEvent(QMouseEvent* event)
{
    m_backgroundPressed = event->button() == Qt::LeftButton;
    QDialog::mousePressEvent(event);
}

void FrmBuy::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_backgroundPressed && isClick(event, this);
    m_backgroundPressed = false;
    QDialog::mouseReleaseEvent(event);
    if (click)
        accept();
}

void FrmBuy::mouseMoveEvent(QMouseEvent* event)
{
    setLinkLook(false);
    QDialog::mouseMoveEvent(event);
}

void showNotice(const platform::Platform& platform)
{
    FrmBuy notice(platform);
    notice.exec();
}

}  // namespace kiebitz::notice
