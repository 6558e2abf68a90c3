#include <gtest/gtest.h>

#include "TempDir.h"
#include "basics/UserDefaults.h"
#include "runner/CharacterRegistry.h"

namespace {

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
            EXPECT_NE(frame, pack.frames.at((i + 1) % pack.frames.size())) << "every step moves";
            // A dark edge for light panels and a light body for dark ones: shares of opaque pixels.
            int dark = 0, light = 0;
            for (int y = 0; y < frame.height(); ++y) {
                for (int x = 0; x < frame.width(); ++x) {
                    const QColor c = frame.pixelColor(x, y);
                    dark += c.alpha() >= 200 && c.lightness() < 70;
                    light += c.alpha() >= 200 && c.lightness() > 170;
                }
            }
            const double area = frame.width() * frame.height();
            EXPECT_GT(dark / area, 0.05) << pack.id.toStdString() << " frame " << i;
            EXPECT_GT(light / area, 0.10) << pack.id.toStdString() << " frame " << i;
        }
    }
}

}
