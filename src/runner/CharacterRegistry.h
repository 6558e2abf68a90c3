#pragma once

#include <functional>
#include <optional>

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>

#include "runner/CharacterPack.h"
#include "runner/CharacterPackDefinition.h"

namespace pacemark {

class AppSettings;

// The character packs that could be built from their sprite sheets, and the selected one, which is
// remembered in the user defaults across launches.
class CharacterRegistry : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<CharacterPack> packs READ packs NOTIFY packsChanged)
    Q_PROPERTY(QString selectedId READ selectedId WRITE setSelectedId NOTIFY selectedIdChanged)

public:
    // Finds a sprite sheet by asset name; a null image when there is none.
    using SheetLookup = std::function<QImage(const QString& assetName)>;

    static inline const QString defaultPackId = QStringLiteral("toki");

    explicit CharacterRegistry(AppSettings* defaults, QObject* parent = nullptr);
    CharacterRegistry(AppSettings* defaults, SheetLookup sheets, QObject* parent = nullptr);

    // The built-in packs, in the order they are offered.
    static const QList<CharacterPackDefinition>& definitions();

    const QList<CharacterPack>& packs() const { return m_packs; }
    QString selectedId() const { return m_selectedId; }
    // Stores the id in the user defaults on every call; notifies only when the id changed.
    void setSelectedId(const QString& id);

    // Builds the packs whose sheets can be used and settles the selection from the stored id.
    void loadPacks();
    // The pack with the selected id, else the first pack; none when no pack could be built.
    std::optional<CharacterPack> selectedPack() const;

    // Cuts the named sheet into frames; empty when the sheet is missing or unusable.
    QList<QImage> sliceSpriteSheet(const QString& assetName, int frameCount, bool squareFrames) const;
    // Cuts a sheet of frames laid side by side in one row; pixels right of the last whole frame are
    // not used.
    static QList<QImage> sliceSpriteSheet(const QImage& sheet, int frameCount, bool squareFrames);

Q_SIGNALS:
    void packsChanged();
    void selectedIdChanged();

private:
    AppSettings* m_defaults;
    SheetLookup m_sheets;
    QList<CharacterPack> m_packs;
    QString m_selectedId;
};

}
