#include "app/vb_label.h"

#include <QMouseEvent>

namespace kiebitz::app {

VbLabel::VbLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    setMouseTracking(true);
    setMargin(0);
    setIndent(0);
}

void VbLabel::setCaption(const QString& caption)
{
    m_caption = caption;
    QString shown = caption;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setText(shown);
    fitToText();
}

void VbLabel::fitToText()
{
    const QPoint topLeft = pos();
    resize(sizeHint());
    move(topLeft);
}

void VbLabel::setForeColor(std::uint32_t rgb)
{
    m_foreColor = rgb;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, QColor::fromRgb(QRgb(0xFF000000u | rgb)));
    setPalette(p);
}

void VbLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void VbLabel::mouseMoveEvent(QMouseEvent* event)
{
    QLabel::mouseMoveEvent(event);
    emit mouseMoved();
}

}  // namespace kiebitz::app
