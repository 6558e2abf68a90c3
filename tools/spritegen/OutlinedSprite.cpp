#include "OutlinedSprite.h"

#include <algorithm>
#include <cmath>

#include <QPainter>

using namespace pacemark;

namespace OutlinedSprite {

QImage canvas(QSizeF units, int pixelsPerUnit)
{
    QImage image(qRound((units.width() + 2 * margin) * pixelsPerUnit),
                 qRound((units.height() + 2 * margin) * pixelsPerUnit), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage outlined(const QImage& art, const QColor& edge, qreal widthPixels)
{
    const int reach = static_cast<int>(std::ceil(widthPixels));
    const int width = art.width();
    const int height = art.height();

    // Dilates the alpha channel with a disc whose rim is anti-aliased.
    QImage edgeLayer(art.size(), QImage::Format_ARGB32_Premultiplied);
    edgeLayer.fill(Qt::transparent);
    for (int y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(edgeLayer.scanLine(y));
        for (int x = 0; x < width; ++x) {
            qreal coverage = 0.0;
            for (int dy = -reach; dy <= reach && coverage < 1.0; ++dy) {
                const int sy = y + dy;
                if (sy < 0 || sy >= height)
                    continue;
                const auto* row = reinterpret_cast<const QRgb*>(art.constScanLine(sy));
                for (int dx = -reach; dx <= reach; ++dx) {
                    const int sx = x + dx;
                    if (sx < 0 || sx >= width)
                        continue;
                    const qreal weight = std::clamp(widthPixels + 0.5 - std::hypot(qreal(dx), qreal(dy)), 0.0, 1.0);
                    coverage = std::max(coverage, weight * qAlpha(row[sx]) / 255.0);
                }
            }
            QColor c = edge;
            c.setAlphaF(static_cast<float>(coverage * edge.alphaF()));
            out[x] = c.rgba();
            out[x] = qPremultiply(out[x]);
        }
    }

    QPainter painter(&edgeLayer);
    painter.drawImage(0, 0, art);
    painter.end();
    return edgeLayer;
}

QList<QImage> fitted(const QList<QImage>& frames, QSize cell)
{
    QRect used;
    for (const QImage& frame : frames) {
        for (int y = 0; y < frame.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
            for (int x = 0; x < frame.width(); ++x) {
                if (qAlpha(row[x]) > 0)
                    used |= QRect(x, y, 1, 1);
            }
        }
    }
    constexpr int gap = 1;
    const qreal scale
        = std::min({ 1.0, qreal(cell.width() - 2 * gap) / used.width(), qreal(cell.height() - gap) / used.height() });
    const QSizeF size = QSizeF(used.size()) * scale;
    const QRectF target(QPointF((cell.width() - size.width()) / 2.0, cell.height() - gap - size.height()), size);

    QList<QImage> result;
    for (const QImage& frame : frames) {
        QImage placed(cell, QImage::Format_ARGB32_Premultiplied);
        placed.fill(Qt::transparent);
        QPainter painter(&placed);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, frame, used);
        painter.end();
        result.append(placed);
    }
    return result;
}

QImage sheet(const QList<QImage>& frames)
{
    if (frames.isEmpty())
        return {};
    const QSize frameSize = frames.constFirst().size();
    QImage result(frameSize.width() * static_cast<int>(frames.size()), frameSize.height(),
                  QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    for (qsizetype i = 0; i < frames.size(); ++i)
        painter.drawImage(static_cast<int>(i) * frameSize.width(), 0, frames.at(i));
    painter.end();
    return result;
}

}
