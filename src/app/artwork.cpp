#include "app/artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStandardPaths>

namespace kiebitz::app {

QCursor handCursor()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPainterPath hand;
    // Index finger pointing up, its tip at (12, 1).
    hand.addRoundedRect(QRectF(10, 1, 5, 16), 2.5, 2.5);
    // Three folded fingers and the palm.
    hand.addRoundedRect(QRectF(14, 9, 5, 9), 2, 2);
    hand.addRoundedRect(QRectF(18, 10, 5, 9), 2, 2);
    hand.addRoundedRect(QRectF(22, 11, 4, 9), 2, 2);
    hand.addRoundedRect(QRectF(10, 14, 16, 13), 4, 4);
    // Thumb.
    hand.addRoundedRect(QRectF(5, 13, 7, 5), 2.5, 2.5);
    hand.setFillRule(Qt::WindingFill);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPath(hand.simplified());
    p.end();
    return QCursor(pm, 12, 1);
}

namespace {

QIcon drawnIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const double s = size / 32.0;
        p.scale(s, s);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 30, 30));
        p.drawRect(QRectF(14, 1, 4, 5));  // crown
        p.setPen(QPen(QColor(60, 60, 60), 2));
        p.setBrush(QColor(255, 255, 232));
        p.drawEllipse(QRectF(3, 5, 26, 26));
        p.setPen(QPen(QColor(200, 30, 30), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 18), QPointF(16, 9));
        p.setPen(QPen(QColor(40, 40, 40), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 18), QPointF(22, 21));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

}  // namespace

QIcon programIcon()
{
    // Installed, the window shows the same icon as the menu entry. The files
    // are looked up directly: asking the icon theme parses the whole hicolor
    // index at start-up, which cost more than the rest of the window.
    QIcon icon;
    for (const char* size : {"48x48", "128x128"}) {
        const QString file = QStandardPaths::locate(
            QStandardPaths::GenericDataLocation,
            QStringLiteral("icons/hicolor/%1/apps/%2.png").arg(QLatin1String(size), QStringLiteral(KIEBITZ_APP_ID)));
        if (!file.isEmpty())
            icon.addFile(file);
    }
    return icon.isNull() ? drawnIcon() : icon;
}

}  // namespace kiebitz::app
