#include "PartyParrot.h"

#include <cmath>
#include <numbers>

#include <QPainter>
#include <QPainterPath>

#include "OutlinedSprite.h"

using namespace pacemark;

namespace {

const QColor ink(0x24, 0x1f, 0x2e);
const QColor beakColor(0xf3, 0xe7, 0xcc);
const QColor footColor(0xb8, 0x9c, 0xa0);

QPainterPath ellipse(QPointF centre, qreal rx, qreal ry)
{
    QPainterPath path;
    path.addEllipse(centre, rx, ry);
    return path;
}

}

namespace PartyParrot {

QImage frame(int index, int pixelsPerUnit)
{
    QImage image = OutlinedSprite::canvas({ 24, 24 }, pixelsPerUnit);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(pixelsPerUnit, pixelsPerUnit);
    p.translate(OutlinedSprite::margin, OutlinedSprite::margin);

    const qreal theta = 2.0 * std::numbers::pi * index / frameCount;
    const float hue = static_cast<float>(std::fmod(index * 360.0 / frameCount + 330.0, 360.0) / 360.0);
    const QColor plumage = QColor::fromHsvF(hue, 0.62f, 1.0f);
    const QColor wing = QColor::fromHsvF(hue, 0.85f, 0.86f);
    const QColor belly = QColor::fromHsvF(hue, 0.30f, 1.0f);

    // The head sweeps round a circle; the body follows half as far and leans with it, feet planted.
    const QPointF headShift(3.0 * std::cos(theta), 2.0 * std::sin(theta));
    const QPointF bodyShift = headShift * 0.45;
    const qreal lean = 9.0 * std::cos(theta);
    const qreal nod = -10.0 * std::sin(theta);

    const QPen fine(ink, 0.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);

    for (const qreal x : { 9.0, 13.0 }) {
        p.setPen(fine);
        p.setBrush(footColor);
        p.drawEllipse(QPointF(x, 22.6), 1.7, 0.9);
    }

    p.save();
    p.translate(11.0, 22.0);
    p.rotate(lean);
    p.translate(-11.0, -22.0);

    QPainterPath tail;
    tail.moveTo(QPointF(6.0, 16.5) + bodyShift);
    tail.lineTo(QPointF(1.2, 21.8) + bodyShift * 0.5);
    tail.lineTo(QPointF(3.6, 22.4) + bodyShift * 0.5);
    tail.lineTo(QPointF(7.5, 19.5) + bodyShift);
    tail.closeSubpath();
    p.setPen(fine);
    p.setBrush(wing);
    p.drawPath(tail);

    const QPointF bodyCentre = QPointF(10.8, 15.6) + bodyShift;
    const QPointF headCentre = QPointF(13.0, 9.2) + headShift;
    const QPainterPath body = ellipse(bodyCentre, 7.0, 6.4).united(ellipse(headCentre, 6.1, 5.6));
    p.setPen(Qt::NoPen);
    p.setBrush(plumage);
    p.drawPath(body);

    p.save();
    p.setClipPath(body);
    p.setBrush(belly);
    p.drawEllipse(bodyCentre + QPointF(3.6, 2.0), 4.2, 4.6);
    p.restore();

    p.save();
    p.translate(bodyCentre + QPointF(-1.6, 0.2));
    p.rotate(-18.0 + lean);
    QPainterPath wingPath;
    wingPath.moveTo(4.2, -2.6);
    wingPath.cubicTo(1.0, -4.4, -4.4, -2.4, -5.4, 3.6);
    wingPath.cubicTo(-1.0, 3.4, 3.8, 1.6, 4.2, -2.6);
    p.setPen(fine);
    p.setBrush(wing);
    p.drawPath(wingPath);
    p.drawLine(QPointF(-1.0, -1.4), QPointF(-3.6, 2.2));
    p.drawLine(QPointF(1.4, -1.8), QPointF(-1.0, 1.8));
    p.restore();

    p.save();
    p.translate(headCentre);
    p.rotate(nod);
    QPainterPath beak;
    beak.moveTo(4.2, -1.6);
    beak.cubicTo(8.2, -2.0, 9.0, 1.8, 6.8, 4.4);
    beak.cubicTo(6.4, 2.6, 5.6, 2.0, 4.4, 2.0);
    beak.closeSubpath();
    QPainterPath jaw;
    jaw.moveTo(4.4, 1.6);
    jaw.cubicTo(5.6, 1.8, 6.2, 2.6, 5.8, 3.6);
    jaw.cubicTo(4.8, 3.6, 4.2, 3.0, 4.0, 2.2);
    jaw.closeSubpath();
    p.setPen(fine);
    p.setBrush(beakColor.darker(115));
    p.drawPath(jaw);
    p.setBrush(beakColor);
    p.drawPath(beak);

    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(2.6, -1.4), 1.9, 1.9);
    p.setBrush(ink);
    p.drawEllipse(QPointF(3.0, -1.3), 1.1, 1.1);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(3.4, -1.8), 0.4, 0.4);
    p.restore();

    p.restore();
    p.end();
    return image;
}

}
