#include "RunningRabbit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>

#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include "OutlinedSprite.h"

using namespace pacemark;

namespace {

const QColor ink(0x2a, 0x23, 0x32);
const QColor fur(0xf7, 0xf3, 0xec);
const QColor farFur(0xd6, 0xcd, 0xc2);
const QColor earPink(0xf2, 0x9d, 0xb4);
const QColor blush(0xf6, 0xb8, 0xc6);

constexpr qreal ground = 21.0;
// The far legs trail the near ones a little, which reads as a gallop rather than a hop.
constexpr qreal farLag = 0.45;

// 0 with the legs gathered under the body, 1 fully stretched out.
qreal stretch(qreal phase)
{
    return 0.5 - 0.5 * std::cos(phase);
}

QPointF swing(QPointF joint, qreal length, qreal degrees)
{
    const qreal radians = degrees * std::numbers::pi / 180.0;
    return joint + QPointF(std::sin(radians), std::cos(radians)) * length;
}

struct Legs
{
    QPointF shoulder;
    QPointF paw;
    QPointF hip;
    QPointF heel;
    QPointF toe;

    qreal lowest() const { return std::max({ paw.y(), heel.y(), toe.y() }); }
};

struct Pose
{
    qreal rx = 0;
    qreal ry = 0;
    QTransform body;
    QTransform head;
    Legs nearLegs;
    Legs farLegs;
};

Legs legs(const QTransform& body, qreal rx, qreal ry, qreal phase)
{
    Legs result;
    result.shoulder = body.map(QPointF(rx * 0.45, ry * 0.45));
    result.paw = swing(result.shoulder, 5.0, -35.0 + 100.0 * stretch(phase - 0.5));
    // The long hind foot lies forward on the ground when gathered and trails in line when pushing off.
    const qreal push = stretch(phase + 0.6);
    const qreal thigh = 40.0 - 115.0 * push;
    result.hip = body.map(QPointF(-rx * 0.55, ry * 0.55));
    result.heel = swing(result.hip, 3.6, thigh);
    result.toe = swing(result.heel, 3.8, thigh + 45.0 - 65.0 * push);
    return result;
}

Pose pose(qreal phase)
{
    Pose pose;
    const qreal s = stretch(phase);
    pose.rx = 6.8 + 1.6 * s;
    pose.ry = 4.6 - 0.6 * s;
    const qreal pitch = -9.0 * std::sin(phase + 0.4);
    const auto place = [&](qreal y) {
        pose.body = QTransform();
        pose.body.translate(14.5 + 0.6 * s, y);
        pose.body.rotate(pitch);
        pose.nearLegs = legs(pose.body, pose.rx, pose.ry, phase);
        pose.farLegs = legs(pose.body, pose.rx, pose.ry, phase - farLag);
    };
    // Stand the lowest foot on the ground, then lift the whole rabbit off it while it is stretched out.
    place(0.0);
    const qreal lowest = std::max(pose.nearLegs.lowest(), pose.farLegs.lowest());
    place(ground - lowest - 1.6 * std::pow(stretch(phase - 0.3), 3.0));

    pose.head = pose.body;
    pose.head.translate(pose.rx * 0.88, -pose.ry * 0.72);
    pose.head.rotate(-pitch * 0.5);
    return pose;
}

// Outlines first and fills second, so the joints of a leg show no seam.
void drawLegs(QPainter& p, const Legs& legs, const QColor& fill)
{
    struct Bone
    {
        QPointF from;
        QPointF to;
        qreal width;
    };
    const std::array<Bone, 3> bones { {
        { legs.shoulder, legs.paw, 1.8 },
        { legs.hip, legs.heel, 3.0 },
        { legs.heel, legs.toe, 2.1 },
    } };
    for (const auto& [colour, grow] : { std::pair { ink, 0.9 }, std::pair { fill, 0.0 } }) {
        p.setPen(QPen(colour, 1.0, Qt::SolidLine, Qt::RoundCap));
        for (const Bone& bone : bones) {
            QPen pen = p.pen();
            pen.setWidthF(bone.width + grow);
            p.setPen(pen);
            p.drawLine(bone.from, bone.to);
        }
        // Round paws a little wider than the legs.
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(legs.paw, 1.15 + grow / 2, 1.15 + grow / 2);
        p.drawEllipse(legs.toe, 1.3 + grow / 2, 1.3 + grow / 2);
    }
}

void drawEar(QPainter& p, const QTransform& head, qreal degrees, const QColor& fill, bool inner)
{
    p.save();
    p.setTransform(head, true);
    p.translate(-0.6, -2.2);
    p.rotate(degrees);
    p.setPen(QPen(ink, 0.5));
    p.setBrush(fill);
    p.drawEllipse(QPointF(0.0, -3.6), 1.35, 3.9);
    if (inner) {
        p.setPen(Qt::NoPen);
        p.setBrush(earPink);
        p.drawEllipse(QPointF(0.1, -3.4), 0.6, 2.7);
    }
    p.restore();
}

}

namespace RunningRabbit {

QImage frame(int index, int pixelsPerUnit)
{
    QImage image = OutlinedSprite::canvas({ 32, 24 }, pixelsPerUnit);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(pixelsPerUnit, pixelsPerUnit);
    p.translate(OutlinedSprite::margin, OutlinedSprite::margin);

    const qreal phase = 2.0 * std::numbers::pi * index / frameCount;
    const Pose at = pose(phase);

    drawLegs(p, at.farLegs, farFur);

    const qreal earSwing = 14.0 * std::sin(phase - 1.2);
    drawEar(p, at.head, -62.0 + earSwing, farFur, false);
    drawEar(p, at.head, -48.0 + earSwing, fur, true);

    QPainterPath tail;
    tail.addEllipse(at.body.map(QPointF(-at.rx - 0.2, -at.ry * 0.35)), 1.9, 1.9);
    p.setPen(QPen(ink, 0.5));
    p.setBrush(fur);
    p.drawPath(tail);

    QPainterPath torso;
    torso.addEllipse(QPointF(0, 0), at.rx, at.ry);
    QPainterPath haunch;
    const QPointF haunchCentre(-at.rx * 0.5, at.ry * 0.15);
    haunch.addEllipse(haunchCentre, 4.0, 4.0);
    QPainterPath skull;
    skull.addEllipse(QPointF(0, 0), 3.7, 3.2);
    QPainterPath muzzle;
    muzzle.addEllipse(QPointF(2.4, 0.9), 1.9, 1.7);
    p.setPen(Qt::NoPen);
    p.setBrush(fur);
    p.drawPath(at.body.map(torso.united(haunch)).united(at.head.map(skull.united(muzzle))));

    QPainterPath thigh;
    const QRectF thighArc(haunchCentre - QPointF(3.2, 3.2), QSizeF(6.4, 6.4));
    thigh.arcMoveTo(thighArc, 40.0);
    thigh.arcTo(thighArc, 40.0, 110.0);
    p.setPen(QPen(ink, 0.45, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(at.body.map(thigh));

    drawLegs(p, at.nearLegs, fur);

    p.setTransform(at.head, true);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QPointF(1.0, -0.6), 0.9, 1.0);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(1.3, -0.95), 0.32, 0.32);
    p.setBrush(earPink);
    p.drawEllipse(QPointF(4.15, 0.35), 0.55, 0.45);
    p.setBrush(blush);
    p.drawEllipse(QPointF(1.4, 1.3), 0.9, 0.55);
    p.end();
    return image;
}

}
