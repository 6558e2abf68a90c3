#include <gtest/gtest.h>

#include <algorithm>

#include "TempDir.h"
#include "resources/GeneratedAssetSymbols.h"
#include "runner/AssetCatalog.h"
#include "runner/CharacterRegistry.h"
#include "usage/UserDefaults.h"

namespace {

// Share of the frame's pixels that are opaque and dark, or opaque and light.
struct Contrast
{
    double dark = 0;
    double light = 0;
};

Contrast contrastOf(const QImage& frame)
{
    int dark = 0;
    int light = 0;
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            const QColor c = frame.pixelColor(x, y);
            if (c.alpha() < 200)
                continue;
            if (c.lightness() < 70)
                ++dark;
            else if (c.lightness() > 170)
                ++light;
        }
    }
    const double area = frame.width() * frame.height();
    return { dark / area, light / area };
}

TEST(BundledSheets, TheGeneratedTableNamesEveryShippedSheet)
{
    QStringList names;
    for (const GeneratedAssetSymbols::Asset& asset : GeneratedAssetSymbols::all) {
        names.append(QString(asset.name));
        EXPECT_FALSE(AssetCatalog::image(QString(asset.name)).isNull()) << asset.resourcePath.data();
    }
    EXPECT_EQ(names, (QStringList { QStringLiteral("c7"), QStringLiteral("toki") }));
    EXPECT_EQ(GeneratedAssetSymbols::toki.resourcePath, QLatin1StringView(":/assets/toki.png"));
    EXPECT_TRUE(AssetCatalog::image(QStringLiteral("missing")).isNull());
}

TEST(BundledSheets, BothPacksLoadWithDistinctReadableFrames)
{
    TempDir home;
    UserDefaults defaults(QString::fromStdString(home.path("settings.ini")));
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
            // A dark edge for light panels and a light body for dark ones.
            const Contrast contrast = contrastOf(frame);
            EXPECT_GT(contrast.dark, 0.05) << pack.id.toStdString() << " frame " << i;
            EXPECT_GT(contrast.light, 0.10) << pack.id.toStdString() << " frame " << i;
            EXPECT_NE(frame, pack.frames.at((i + 1) % pack.frames.size())) << "every step moves";
        }
    }
}

}
