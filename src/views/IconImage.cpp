#include "views/IconImage.h"

#include <algorithm>

#include <QImage>
#include <QPainter>
#include <QQuickWindow>
#include <QtMath>

#include "views/IconTable.h"

namespace pacemark {

IconImage::IconImage(QQuickItem* parent)
    : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
}

void IconImage::setName(const QString& name)
{
    if (m_name == name)
        return;
    m_name = name;
    const QString path = IconTable::iconPath(name);
    if (path.isEmpty())
        m_renderer.load(QByteArray());
    else
        m_renderer.load(path);
    update();
    Q_EMIT nameChanged();
}

void IconImage::setColor(const QColor& color)
{
    if (m_color == color)
        return;
    m_color = color;
    update();
    Q_EMIT colorChanged();
}

void IconImage::paint(QPainter* painter)
{
    if (!m_renderer.isValid())
        return;
    // The icons are single-colour shapes: draw them as a mask, then fill the mask with the colour.
    const qreal side = std::min(width(), height());
    const qreal ratio = window() ? window()->effectiveDevicePixelRatio() : 1.0;
    const QSize pixels(qCeil(side * ratio), qCeil(side * ratio));
    if (pixels.isEmpty())
        return;
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    {
        QPainter mask(&image);
        mask.setRenderHint(QPainter::Antialiasing);
        m_renderer.render(&mask, QRectF(0, 0, side, side));
        mask.setCompositionMode(QPainter::CompositionMode_SourceIn);
        mask.fillRect(QRectF(0, 0, side, side), m_color);
    }
    painter->drawImage(QPointF((width() - side) / 2, (height() - side) / 2), image);
}

}
