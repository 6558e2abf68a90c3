#pragma once

#include <QImage>
#include <QQuickPaintedItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "runner/CharacterRegistry.h"

namespace pacemark {

// Draws one frame of a character pack, scaled to fit and keeping its aspect ratio, with no smoothing so
// the pixel art stays crisp at any size. The frames are read from the registry, never copied through
// QML.
class FrameImage : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(CharacterRegistry* registry READ registry WRITE setRegistry NOTIFY registryChanged)
    Q_PROPERTY(QString packId READ packId WRITE setPackId NOTIFY packIdChanged)
    // Taken modulo the number of frames.
    Q_PROPERTY(int frameIndex READ frameIndex WRITE setFrameIndex NOTIFY frameIndexChanged)
    Q_PROPERTY(qreal aspectRatio READ aspectRatio NOTIFY aspectRatioChanged)

public:
    explicit FrameImage(QQuickItem* parent = nullptr);

    CharacterRegistry* registry() const { return m_registry; }
    void setRegistry(CharacterRegistry* registry);
    QString packId() const { return m_packId; }
    void setPackId(const QString& packId);
    int frameIndex() const { return m_frameIndex; }
    void setFrameIndex(int index);
    // The frame on show; null when the pack is unknown or has no frames.
    QImage image() const { return m_image; }
    // Width over height; 1 while there is no image.
    qreal aspectRatio() const;

    void paint(QPainter* painter) override;

Q_SIGNALS:
    void registryChanged();
    void packIdChanged();
    void frameIndexChanged();
    void aspectRatioChanged();

private:
    void pickImage();

    CharacterRegistry* m_registry = nullptr;
    QString m_packId;
    int m_frameIndex = 0;
    QImage m_image;
};

}
