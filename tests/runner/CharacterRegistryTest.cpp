#include <gtest/gtest.h>

#include <tuple>

#include <QSignalSpy>

#include "SpriteSheets.h"
#include "TempDir.h"
#include "basics/AppSettings.h"
#include "runner/CharacterRegistry.h"

using namespace pacemark;

namespace {

TEST(CharacterRegistrySlicing, CutsWholeFramesEachFromItsOwnColumns)
{
    // label, sheet size, frame count, square frames, frames expected, their size
    const std::tuple<const char*, QSize, int, bool, int, QSize> cases[] = {
        { "wide frames", { 1000, 80 }, 10, false, 10, { 100, 80 } },
        { "square ignores count", { 300, 100 }, 14, true, 3, { 100, 100 } },
        { "square with zero count", { 300, 100 }, 0, true, 3, { 100, 100 } },
        { "square narrower than high", { 99, 100 }, 1, true, 0, {} },
        { "zero height", { 1400, 0 }, 14, false, 0, {} },
        { "narrower than count", { 13, 100 }, 14, false, 0, {} },
        { "zero count", { 1400, 100 }, 0, false, 0, {} },
        { "negative count", { 1400, 100 }, -2, false, 0, {} },
    };
    for (const auto& [label, size, frameCount, square, expectedFrames, expectedSize] : cases) {
        QImage sheet;
        if (!size.isEmpty()) {
            sheet = QImage(size, QImage::Format_ARGB32_Premultiplied);
            sheet.fill(Qt::red);
        }
        const QList<QImage> frames = CharacterRegistry::sliceSpriteSheet(sheet, frameCount, square);
        ASSERT_EQ(frames.size(), expectedFrames) << label;
        for (const QImage& frame : frames)
            EXPECT_EQ(frame.size(), expectedSize) << label;
    }

    // Each frame takes its own columns. Five spare columns at the right, and no alpha channel to begin with.
    const QImage wider = SpriteSheets::strip(14, 100, 100).copy(0, 0, 1405, 100).convertToFormat(QImage::Format_RGB32);
    const QList<QImage> frames = CharacterRegistry::sliceSpriteSheet(wider, 14, false);
    ASSERT_EQ(frames.size(), 14);
    for (int i = 0; i < 14; ++i) {
        EXPECT_TRUE(frames.at(i).size() == QSize(100, 100) && frames.at(i).hasAlphaChannel()) << i;
        EXPECT_TRUE(frames.at(i).pixel(0, 0) == SpriteSheets::frameColor(i)
                    && frames.at(i).pixel(99, 99) == SpriteSheets::frameColor(i))
            << i;
    }
}

TEST(CharacterRegistry, SettlesOnALoadedPackAndRemembersIt)
{
    const std::tuple<const char*, const char*, QSet<QString>, QString> cases[] = {
        { "first launch", nullptr, SpriteSheets::bothPacks, QStringLiteral("toki") },
        { "stored c7", "c7", SpriteSheets::bothPacks, QStringLiteral("c7") },
        { "stored unknown", "nyan", SpriteSheets::bothPacks, QStringLiteral("toki") },
        { "ids are case-sensitive", "C7", SpriteSheets::bothPacks, QStringLiteral("toki") },
        { "stored toki, sheet missing", "toki", { QStringLiteral("c7") }, QStringLiteral("c7") },
        { "stored c7, sheet missing", "c7", { QStringLiteral("toki") }, QStringLiteral("toki") },
    };
    for (const auto& [label, stored, sheets, expected] : cases) {
        const TempDir home;
        const QString file = QString::fromStdString(home.path("settings.ini"));
        AppSettings defaults(file);
        if (stored)
            defaults.setSelectedCharacterId(QString::fromUtf8(stored));
        CharacterRegistry registry(&defaults, SpriteSheets::only(sheets));
        registry.loadPacks();
        EXPECT_EQ(registry.selectedId(), expected) << label;
        defaults.sync();
        EXPECT_EQ(AppSettings(file).selectedCharacterId(), expected) << label;
    }
}

TEST(CharacterRegistry, LoadsOnceAndSelectingWritesEveryTimeButNotifiesOnChangeOnly)
{
    const TempDir home;
    AppSettings defaults(QString::fromStdString(home.path("settings.ini")));
    defaults.setSelectedCharacterId(QStringLiteral("c7"));
    // No loadable sheet leaves everything empty and writes nothing.
    QSignalSpy writes(&defaults, &AppSettings::changed);
    CharacterRegistry none(&defaults, SpriteSheets::only({}));
    none.loadPacks();
    EXPECT_TRUE(!none.selectedPack() && writes.isEmpty());

    CharacterRegistry registry(&defaults, SpriteSheets::only(SpriteSheets::bothPacks));
    QSignalSpy packsChanged(&registry, &CharacterRegistry::packsChanged);
    registry.loadPacks();
    registry.loadPacks();
    ASSERT_TRUE(registry.packs().size() == 2 && packsChanged.count() == 1);

    // Written behind the registry's back: selecting its own choice again writes it back.
    defaults.setSelectedCharacterId(QStringLiteral("toki"));
    QSignalSpy selectedChanged(&registry, &CharacterRegistry::selectedIdChanged);
    registry.setSelectedId(QStringLiteral("c7"));
    EXPECT_TRUE(selectedChanged.isEmpty() && defaults.selectedCharacterId() == QStringLiteral("c7"));
    // An unknown selection falls back to the first pack.
    registry.setSelectedId(QStringLiteral("toki"));
    registry.setSelectedId(QStringLiteral("gone"));
    EXPECT_TRUE(selectedChanged.count() == 2 && registry.selectedPack()->id == QStringLiteral("c7"));
}

TEST(BundledSheets, BothPacksLoadWithDistinctReadableFrames)
{
    TempDir home;
    AppSettings defaults(QString::fromStdString(home.path("settings.ini")));
    CharacterRegistry registry(&defaults);
    registry.loadPacks();
    ASSERT_EQ(registry.packs().size(), 2);

    for (const CharacterPack& pack : registry.packs()) {
        const QImage& first = pack.frames.constFirst();
        // Drawn for the tallest menu-bar height at twice the pixel density or more.
        EXPECT_GE(first.height(), 48) << pack.id.toStdString();
        for (qsizetype i = 0; i < pack.frames.size(); ++i) {
            const QImage& frame = pack.frames.at(i);
            EXPECT_EQ(frame.size(), first.size());
            EXPECT_EQ(frame.pixelColor(0, 0).alpha(), 0) << "corners stay transparent";
            EXPECT_NE(frame, pack.frames.at((i + 1) % pack.frames.size())) << "every step moves";
            // A dark edge for light panels and a light body for dark ones: shares of opaque pixels.
            int dark = 0, light = 0;
            for (int y = 0; y < frame.height(); ++y)
                for (int x = 0; x < frame.width(); ++x) {
                    const QColor c = frame.pixelColor(x, y);
                    dark += c.alpha() >= 200 && c.lightness() < 70;
                    light += c.alpha() >= 200 && c.lightness() > 170;
                }
            const double area = frame.width() * frame.height();
            EXPECT_GT(dark / area, 0.05) << pack.id.toStdString() << " frame " << i;
            EXPECT_GT(light / area, 0.10) << pack.id.toStdString() << " frame " << i;
        }
    }
}

}
