#include "notice/notice_picture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace kiebitz::notice {

namespace {

// All drawing happens on a 100 x 100 canvas.
void drawSkyAndMeadow(QPainter& p)
{
    QPainterPath frame;
    frame.addRoundedRect(QRectF(0.5, 0.5, 99, 99), 9, 9);
    p.setClipPath(frame);
    QLinearGradient sky(0, 0, 0, 100);
    sky.setColorAt(0.0, QColor(150, 196, 235));
    sky.setColorAt(0.7, QColor(226, 240, 248));
    p.fillRect(QRectF(0, 0, 100, 100), sky);

    QPainterPath meadow;
    meadow.moveTo(0, 80);
    meadow.cubicTo(25, 74, 70, 76, 100, 82);
    meadow.lineTo(100, 100);
    meadow.lineTo(0, 100);
    meadow.closeSubpath();
    QLinearGradient grass(0, 74, 0, 100);
    grass.setColorAt(0.0, QColor(132, 184, 88));
    grass.setColorAt(1.0, QColor(82, 138, 56));
    p.fillPath(meadow, grass);
    p.setPen(QPen(QColor(70, 120, 48), 0.8, Qt::SolidLine, Qt::RoundCap));
    for (double x : {8.0, 14.0, 66.0, 90.0, 95.0}) {
        p.drawLine(QPointF(x, 90), QPointF(x - 1.5, 85));
        p.drawLine(QPointF(x + 1, 90), QPointF(x + 2.5, 86));
    }
}

// The sun is a stopwatch: dial, crown and the hands at a few seconds to go.
void drawStopwatchSun(QPainter& p)
{
    const QPointF centre(77, 23);
    QRadialGradient glow(centre, 18);
    glow.setColorAt(0.0, QColor(255, 236, 150, 200));
    glow.setColorAt(1.0, QColor(255, 236, 150, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(centre, 18, 18);

    p.setBrush(QColor(200, 40, 30));
    p.drawRoundedRect(QRectF(74.5, 7.5, 5, 4), 1, 1);
    p.setPen(QPen(QColor(70, 70, 70), 1.6));
    p.setBrush(QColor(255, 250, 228));
    p.drawEllipse(centre, 11, 11);
    p.setPen(QPen(QColor(90, 90, 90), 0.8, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 12; ++i) {
        const double a = i * M_PI / 6;
        const QPointF dir(std::sin(a), -std::cos(a));
        p.drawLine(centre + dir * 8.2, centre + dir * (i % 3 == 0 ? 6.0 : 7.0));
    }
    p.setPen(QPen(QColor(200, 40, 30), 1.3, Qt::SolidLine, Qt::RoundCap));
    const double second = -0.35;
    p.drawLine(centre, centre + QPointF(std::sin(second), -std::cos(second)) * 8);
    p.setPen(QPen(QColor(40, 40, 40), 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre + QPointF(0, -5.5));
    p.setBrush(QColor(40, 40, 40));
    p.setPen(Qt::NoPen);
    p.drawEllipse(centre, 1.1, 1.1);
}

// A northern lapwing standing, facing left: dark green back with a purple
// sheen, black crest and breast band, white face and belly, orange vent.
void drawLapwing(QPainter& p)
{
    // Legs first, so the body covers their tops.
    p.setPen(QPen(QColor(196, 120, 120), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(49, 64), QPointF(46, 84));
    p.drawLine(QPointF(56, 64), QPointF(58, 84));
    p.drawPolyline(QPolygonF({QPointF(41.5, 85), QPointF(46, 84), QPointF(49, 85.5)}));
    p.drawPolyline(QPolygonF({QPointF(55, 85.5), QPointF(58, 84), QPointF(62.5, 85)}));

    QPainterPath body;
    body.moveTo(30, 47);
    body.cubicTo(33, 37, 58, 35, 76, 45);
    body.lineTo(92, 52);
    body.cubicTo(84, 57, 74, 66, 54, 67);
    body.cubicTo(40, 67, 30, 59, 30, 47);
    QLinearGradient back(40, 38, 80, 62);
    back.setColorAt(0.0, QColor(36, 86, 58));
    back.setColorAt(0.6, QColor(46, 74, 64));
    back.setColorAt(1.0, QColor(86, 58, 100));
    p.setPen(QPen(QColor(20, 34, 28), 0.7));
    p.setBrush(back);
    p.drawPath(body);

    QPainterPath belly;
    belly.moveTo(33, 55);
    belly.cubicTo(38, 66, 56, 69, 70, 62);
    belly.cubicTo(60, 60, 44, 58, 33, 55);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 250, 246));
    p.drawPath(belly);
    p.setBrush(QColor(226, 130, 52));
    p.drawEllipse(QPointF(73, 59.5), 6, 2.6);

    QPainterPath wing;
    wing.moveTo(44, 46);
    wing.cubicTo(58, 41, 74, 44, 90, 52);
    wing.cubicTo(74, 56, 58, 57, 46, 53);
    wing.closeSubpath();
    QLinearGradient sheen(44, 44, 90, 54);
    sheen.setColorAt(0.0, QColor(28, 64, 44));
    sheen.setColorAt(1.0, QColor(70, 40, 84));
    p.setBrush(sheen);
    p.drawPath(wing);

    // Breast band, then head over it.
    p.setBrush(QColor(18, 18, 18));
    p.drawEllipse(QPointF(34, 50), 7.5, 6);
    const QPointF head(30, 38);
    p.setBrush(QColor(250, 250, 246));
    p.setPen(QPen(QColor(30, 30, 30), 0.6));
    p.drawEllipse(head, 8.5, 8);
    QPainterPath cap;
    cap.moveTo(21.6, 37);
    cap.cubicTo(22, 27, 38, 27, 38.4, 37);
    cap.cubicTo(33, 34, 27, 34, 21.6, 37);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(18, 18, 18));
    p.drawPath(cap);
    QPainterPath mask;
    mask.moveTo(26, 38.5);
    mask.cubicTo(29, 42.5, 33, 43, 37.5, 41.5);
    mask.cubicTo(33, 41, 29, 40.5, 26, 38.5);
    p.drawPath(mask);

    // The crest: long thin feathers sweeping up and back.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(18, 18, 18), 1.4, Qt::SolidLine, Qt::RoundCap));
    QPainterPath crest;
    crest.moveTo(31, 31);
    crest.cubicTo(36, 24, 42, 21, 49, 21);
    crest.moveTo(32, 31.5);
    crest.cubicTo(37, 26, 43, 24.5, 48, 25.5);
    p.drawPath(crest);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(18, 18, 18));
    p.drawPolygon(QPolygonF({QPointF(22.2, 38), QPointF(16.5, 39.6), QPointF(22.2, 40.6)}));
    p.drawEllipse(QPointF(26.5, 37.5), 1.4, 1.4);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(26.1, 37.1), 0.45, 0.45);
}

}  // namespace

QPixmap lapwingPicture(int side, qreal devicePixelRatio)
{
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QPixmap pm(QSize(side, side) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 100.0, side / 100.0);
    drawSkyAndMeadow(p);
    drawStopwatchSun(p);
    drawLapwing(p);
    p.setClipping(false);
    p.setPen(QPen(QColor(120, 140, 150), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(0.5, 0.5, 99, 99), 9, 9);
    return pm;
}

}  // namespace kiebitz::notice
