#include "app/widgets/MainIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace MainIcons {

namespace {

QPixmap canvas(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap dot(const QColor &colour)
{
    QPixmap pixmap = canvas(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour.darker(160), 1));
    p.setBrush(colour);
    p.drawEllipse(QRectF(3.5, 3.5, 9, 9));
    return pixmap;
}

QPixmap drum(int size)
{
    QPixmap pixmap = canvas(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    p.setPen(QPen(QColor(40, 70, 120), 1));
    p.setBrush(QColor(110, 150, 210));
    p.drawRect(QRectF(3, 4, 10, 8));
    p.drawEllipse(QRectF(3, 10, 10, 4));
    p.drawEllipse(QRectF(3, 2, 10, 4));
    return pixmap;
}

QPixmap warning()
{
    QPixmap pixmap = canvas(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath triangle;
    triangle.moveTo(8, 1.5);
    triangle.lineTo(15, 14.5);
    triangle.lineTo(1, 14.5);
    triangle.closeSubpath();
    p.setPen(QPen(QColor(150, 100, 0), 1));
    p.setBrush(QColor(250, 200, 40));
    p.drawPath(triangle);
    p.setPen(QPen(Qt::black, 1.6));
    p.drawLine(QPointF(8, 5.5), QPointF(8, 10));
    p.drawPoint(QPointF(8, 12.5));
    return pixmap;
}

// A radar screen whose beam points at the given angle (degrees).
QPixmap radar(int size, int beamAngle, bool beam)
{
    QPixmap pixmap = canvas(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    p.setPen(QPen(QColor(20, 90, 40), 1));
    p.setBrush(QColor(30, 130, 60));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setPen(QPen(QColor(140, 230, 150), 0.7));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(4.5, 4.5, 7, 7));
    if (beam) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 255, 200, 200));
        p.drawPie(QRectF(1.5, 1.5, 13, 13), (beamAngle - 30) * 16, 40 * 16);
    }
    return pixmap;
}

} // namespace

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addPixmap(radar(size, 45, true));
    return icon;
}

QList<QIcon> rowIcons()
{
    return {QIcon(dot(QColor(40, 170, 60))), QIcon(dot(QColor(170, 170, 170))), QIcon(drum(16)),
            QIcon(warning())};
}

QIcon scanTabIcon()
{
    return QIcon(radar(16, 45, true));
}

QIcon databaseTabIcon()
{
    return QIcon(drum(16));
}

QList<QPixmap> animationFrames()
{
    QList<QPixmap> frames{radar(16, 0, false)};
    for (int angle = 90; angle > -270; angle -= 45)
        frames << radar(16, angle, true);
    return frames;
}

} // namespace MainIcons
