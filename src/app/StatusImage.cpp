#include "app/StatusImage.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPainterPath>

namespace {

double effectiveHeight(double height)
{
    return height > 0 ? height : StatusImage::DefaultHeight;
}

QColor withOpacity(QColor color, double opacity)
{
    color.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return color;
}

}

QSizeF StatusImage::size(const QSizeF& frameSize, const Options& options)
{
    const double h = effectiveHeight(options.characterHeight);
    const double w = frameSize.width() / frameSize.height() * h;
    if (!options.battery)
        return { w, h };
    return { w + BatteryGap + batteryBody(w, h).width() + TerminalWidth, h };
}

QRectF StatusImage::batteryBody(double runnerWidth, double height)
{
    const double bw = std::max(0.8 * height, 14.0);
    const double bh = std::max(0.35 * height, 6.0);
    return { runnerWidth + BatteryGap, (height - bh) * 0.5, bw, bh };
}

std::pair<QColor, double> StatusImage::batteryFill(double u, const Colors& colors)
{
    if (u >= 100)
        return { colors.red, 100 };
    if (u < 0)
        return { colors.green, 0 };
    if (u >= 90)
        return { colors.red, u };
    if (u >= 70)
        return { colors.orange, u };
    return { colors.green, u };
}

QImage StatusImage::compose(const QImage& frame, const Options& options)
{
    if (frame.isNull() || frame.height() <= 0)
        return {};
    const QSizeF points = size(frame.size(), options);
    const double h = points.height();
    const double w = frame.width() / static_cast<double>(frame.height()) * h;
    const double dpr = options.devicePixelRatio;

    QImage image(static_cast<int>(std::ceil(points.width() * dpr)), static_cast<int>(std::ceil(h * dpr)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.save();
    if (options.horizontalFlip) {
        painter.translate(w, 0);
        painter.scale(-1, 1);
    }
    painter.drawImage(QRectF(0, 0, w, h), frame, QRectF(frame.rect()));
    painter.restore();
    if (options.battery)
        drawBattery(painter, *options.battery, batteryBody(w, h), options.colors);
    return image;
}

void StatusImage::drawBattery(QPainter& painter, double utilization, const QRectF& body, const Colors& colors)
{
    const auto [fillColor, pct] = batteryFill(utilization, colors);
    const QColor label = withOpacity(colors.label, 0.65);

    QPainterPath outline;
    outline.addRoundedRect(body.adjusted(0.375, 0.375, -0.375, -0.375), 1.5, 1.5);
    painter.setPen(QPen(label, 0.75));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);

    const double innerWidth = std::max(body.width() - 3.0, 0.0);
    const double filled = pct / 100.0 * innerWidth;
    painter.setPen(Qt::NoPen);
    if (filled > 0) {
        QPainterPath fill;
        fill.addRoundedRect(QRectF(body.x() + 1.5, body.y() + 1.5, filled, std::max(body.height() - 3.0, 0.0)), 0.9, 0.9);
        painter.fillPath(fill, fillColor);
    }

    QPainterPath terminal;
    const double th = 0.5 * body.height();
    terminal.addRoundedRect(QRectF(body.right(), body.y() + (body.height() - th) * 0.5, TerminalWidth, th), 0.5, 0.5);
    painter.fillPath(terminal, label);
}
