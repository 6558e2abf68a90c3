#include "app/StatusImage.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPainterPath>

namespace pacemark {

namespace {

// Drawn around the battery's track, the dark edge shows on light panels and the light track on
// dark ones, so the bar reads on both.
const QColor BatteryEdge(20, 20, 20, 230);
const QColor BatteryTrack(242, 242, 242);

QRect opaqueBounds(const QImage& frame)
{
    const QImage image = frame.convertToFormat(QImage::Format_ARGB32);
    int left = image.width();
    int right = -1;
    int top = image.height();
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) == 0)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Fits content into the box, aspect kept, scaled by share, centred and on whole pixels.
QRect fitCentred(const QSize& content, const QRect& box, double share)
{
    if (content.isEmpty() || box.isEmpty())
        return {};
    const double scale = share
        * std::min(box.width() / static_cast<double>(content.width()),
                   box.height() / static_cast<double>(content.height()));
    const int w = std::max(1, static_cast<int>(std::lround(content.width() * scale)));
    const int h = std::max(1, static_cast<int>(std::lround(content.height() * scale)));
    return { box.x() + (box.width() - w) / 2, box.y() + (box.height() - h) / 2, w, h };
}

}

double StatusImage::runnerShare(double characterHeight)
{
    const double h = characterHeight > 0 ? std::clamp(characterHeight, SmallestHeight, LargestHeight) : DefaultHeight;
    return 1.0 - (LargestHeight - h) * 0.03;
}

QRect StatusImage::batteryBar(int size)
{
    const int height = std::clamp(static_cast<int>(std::lround(size * 0.25)), 5, 12);
    return { 0, size - height, size, height };
}

QRect StatusImage::runnerRect(const QSize& content, int size, const Options& options)
{
    if (!options.battery)
        return fitCentred(content, QRect(0, 0, size, size), runnerShare(options.characterHeight));
    // With the battery the runner fills the room above it, one pixel (more on large icons) apart.
    const int gap = std::max(1, size / 16);
    return fitCentred(content, QRect(0, 0, size, batteryBar(size).top() - gap), 1.0);
}

QRect StatusImage::contentRect(const QList<QImage>& frames)
{
    QRect united;
    QRect whole;
    for (const QImage& frame : frames) {
        united |= opaqueBounds(frame);
        whole |= frame.rect();
    }
    return united.isEmpty() ? whole : united;
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

QImage StatusImage::compose(const QImage& frame, const QRect& content, int size, const Options& options)
{
    if (frame.isNull() || frame.height() <= 0 || size <= 0)
        return {};
    QRect source = content.intersected(frame.rect());
    if (source.isEmpty())
        source = frame.rect();

    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect target = runnerRect(source.size(), size, options);
    painter.save();
    if (options.horizontalFlip) {
        painter.translate(2 * target.x() + target.width(), 0);
        painter.scale(-1, 1);
    }
    painter.drawImage(target, frame, source);
    painter.restore();
    if (options.battery)
        drawBattery(painter, *options.battery, batteryBar(size), options.colors);
    return image;
}

void StatusImage::drawBattery(QPainter& painter, double utilization, const QRect& bar, const Colors& colors)
{
    const auto [fillColor, pct] = batteryFill(utilization, colors);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    const QRectF outer = QRectF(bar).adjusted(0.5, 0, -0.5, 0);
    const double radius = bar.height() / 4.0;
    QPainterPath edge;
    edge.addRoundedRect(outer, radius, radius);
    painter.fillPath(edge, BatteryEdge);

    const QRectF track = outer.adjusted(1, 1, -1, -1);
    painter.fillRect(track, BatteryTrack);
    const double filled = pct / 100.0 * track.width();
    if (filled > 0)
        painter.fillRect(QRectF(track.x(), track.y(), filled, track.height()), fillColor);
}

}
