#include "views/FrameImage.h"

#include <QPainter>

namespace pacemark {

FrameImage::FrameImage(QQuickItem* parent)
    : QQuickPaintedItem(parent)
{
    setAntialiasing(false);
    setSmooth(false);
    setMipmap(false);
}

void FrameImage::setRegistry(CharacterRegistry* registry)
{
    if (registry == m_registry)
        return;
    if (m_registry)
        m_registry->disconnect(this);
    m_registry = registry;
    if (registry) {
        connect(registry, &CharacterRegistry::packsChanged, this, &FrameImage::pickImage);
        connect(registry, &QObject::destroyed, this, [this] { setRegistry(nullptr); });
    }
    Q_EMIT registryChanged();
    pickImage();
}

void FrameImage::setPackId(const QString& packId)
{
    if (packId == m_packId)
        return;
    m_packId = packId;
    Q_EMIT packIdChanged();
    pickImage();
}

void FrameImage::setFrameIndex(int index)
{
    if (index == m_frameIndex)
        return;
    m_frameIndex = index;
    Q_EMIT frameIndexChanged();
    pickImage();
}

void FrameImage::pickImage()
{
    QImage image;
    if (const CharacterRegistry* registry = m_registry) {
        for (const CharacterPack& pack : registry->packs()) {
            const qsizetype count = pack.frames.size();
            if (pack.id == m_packId && count > 0)
                image = pack.frames.at(((m_frameIndex % count) + count) % count);
        }
    }
    if (image.cacheKey() == m_image.cacheKey())
        return;
    const qreal oldRatio = aspectRatio();
    m_image = image;
    if (!qFuzzyCompare(oldRatio, aspectRatio()))
        Q_EMIT aspectRatioChanged();
    update();
}

qreal FrameImage::aspectRatio() const
{
    if (m_image.isNull() || m_image.height() <= 0)
        return 1.0;
    return static_cast<qreal>(m_image.width()) / m_image.height();
}

void FrameImage::paint(QPainter* painter)
{
    if (m_image.isNull())
        return;
    const QSizeF fitted = QSizeF(m_image.size()).scaled(size(), Qt::KeepAspectRatio);
    const QRectF target(QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter->drawImage(target, m_image);
}

}
