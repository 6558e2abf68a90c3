#include "runner/CharacterRegistry.h"

#include <algorithm>
#include <utility>

#include "basics/AppSettings.h"
#include "runner/BundledImages.h"

namespace pacemark {

CharacterRegistry::CharacterRegistry(AppSettings* defaults, QObject* parent)
    : CharacterRegistry(defaults, &BundledImages::image, parent)
{ }

CharacterRegistry::CharacterRegistry(AppSettings* defaults, SheetLookup sheets, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_sheets(std::move(sheets))
{ }

const QList<CharacterPackDefinition>& CharacterRegistry::definitions()
{
    static const QList<CharacterPackDefinition> builtIn {
        { QStringLiteral("c7"), QString::fromUtf8(QT_TRANSLATE_NOOP("CharacterRegistry", "파티 패럿")),
          QStringLiteral("c7"), 10, false },
        { QStringLiteral("toki"), QString::fromUtf8(QT_TRANSLATE_NOOP("CharacterRegistry", "토키")),
          QStringLiteral("toki"), 14, false },
    };
    return builtIn;
}

void CharacterRegistry::setSelectedId(const QString& id)
{
    const bool differs = id != m_selectedId;
    m_selectedId = id;
    m_defaults->setSelectedCharacterId(id);
    if (differs)
        Q_EMIT selectedIdChanged();
}

void CharacterRegistry::loadPacks()
{
    QList<CharacterPack> packs;
    for (const CharacterPackDefinition& definition : definitions()) {
        QList<QImage> frames = sliceSpriteSheet(definition.assetName, definition.frameCount, definition.squareFrames);
        if (!frames.isEmpty())
            packs.append({ definition.id, definition.name, std::move(frames) });
    }
    if (packs != m_packs) {
        m_packs = std::move(packs);
        Q_EMIT packsChanged();
    }

    const auto has = [this](const QString& id) {
        return std::any_of(m_packs.cbegin(), m_packs.cend(),
                           [&id](const CharacterPack& pack) { return pack.id == id; });
    };
    const QString stored = m_defaults->selectedCharacterId();
    if (has(stored))
        setSelectedId(stored);
    else if (has(defaultPackId))
        setSelectedId(defaultPackId);
    else if (!m_packs.isEmpty())
        setSelectedId(m_packs.constFirst().id);
}

std::optional<CharacterPack> CharacterRegistry::selectedPack() const
{
    if (m_packs.isEmpty())
        return std::nullopt;
    for (const CharacterPack& pack : m_packs) {
        if (pack.id == m_selectedId)
            return pack;
    }
    return m_packs.constFirst();
}

QList<QImage> CharacterRegistry::sliceSpriteSheet(const QString& assetName, int frameCount, bool squareFrames) const
{
    return sliceSpriteSheet(m_sheets(assetName), frameCount, squareFrames);
}

QList<QImage> CharacterRegistry::sliceSpriteSheet(const QImage& sheet, int frameCount, bool squareFrames)
{
    if (sheet.isNull() || sheet.height() < 1)
        return {};
    const int height = sheet.height();
    int count = frameCount;
    int width = 0;
    if (squareFrames) {
        width = height;
        count = sheet.width() / height;
    } else {
        if (frameCount < 1)
            return {};
        width = sheet.width() / frameCount;
    }
    if (count < 1 || width < 1)
        return {};

    // Frames keep their colours and transparency whatever the sheet's pixel format.
    const QImage source = sheet.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QList<QImage> frames;
    frames.reserve(count);
    for (int i = 0; i < count; ++i)
        frames.append(source.copy(i * width, 0, width, height));
    return frames;
}

}
