#include <gtest/gtest.h>

#include <QSignalSpy>

#include "SpriteSheets.h"
#include "TempDir.h"
#include "runner/CharacterRegistry.h"
#include "usage/UserDefaults.h"

namespace {

struct SliceCase
{
    const char* label;
    QSize sheet;
    int frameCount;
    bool squareFrames;
    int expectedFrames;
    QSize expectedSize;
};

void PrintTo(const SliceCase& c, std::ostream* out)
{
    *out << c.label;
}

class SliceSpriteSheet : public ::testing::TestWithParam<SliceCase>
{
};

TEST_P(SliceSpriteSheet, CutsWholeFramesOnly)
{
    const SliceCase& c = GetParam();
    QImage sheet;
    if (!c.sheet.isEmpty()) {
        sheet = QImage(c.sheet, QImage::Format_ARGB32_Premultiplied);
        sheet.fill(Qt::red);
    }
    const QList<QImage> frames = CharacterRegistry::sliceSpriteSheet(sheet, c.frameCount, c.squareFrames);
    ASSERT_EQ(frames.size(), c.expectedFrames);
    for (const QImage& frame : frames)
        EXPECT_EQ(frame.size(), c.expectedSize);
}

INSTANTIATE_TEST_SUITE_P(Sheets, SliceSpriteSheet,
    ::testing::Values(SliceCase { "exact", { 1400, 100 }, 14, false, 14, { 100, 100 } },
        SliceCase { "spare_columns", { 1405, 100 }, 14, false, 14, { 100, 100 } },
        SliceCase { "wide_frames", { 1000, 80 }, 10, false, 10, { 100, 80 } },
        SliceCase { "square_ignores_count", { 300, 100 }, 14, true, 3, { 100, 100 } },
        SliceCase { "square_with_zero_count", { 300, 100 }, 0, true, 3, { 100, 100 } },
        SliceCase { "square_narrower_than_high", { 99, 100 }, 1, true, 0, {} },
        SliceCase { "zero_height", { 1400, 0 }, 14, false, 0, {} },
        SliceCase { "narrower_than_count", { 13, 100 }, 14, false, 0, {} },
        SliceCase { "zero_count", { 1400, 100 }, 0, false, 0, {} },
        SliceCase { "negative_count", { 1400, 100 }, -2, false, 0, {} }),
    [](const ::testing::TestParamInfo<SliceCase>& test) { return std::string(test.param.label); });

TEST(CharacterRegistrySlicing, FramesTakeTheirOwnColumnsAndIgnoreTheRest)
{
    QImage sheet = SpriteSheets::strip(14, 100, 100);
    QImage wider(1405, 100, QImage::Format_RGB32);
    wider.fill(Qt::black);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 1400; ++x)
            wider.setPixel(x, y, sheet.pixel(x, y));
    }
    const QList<QImage> frames = CharacterRegistry::sliceSpriteSheet(wider, 14, false);
    ASSERT_EQ(frames.size(), 14);
    for (int i = 0; i < 14; ++i) {
        const QImage& frame = frames.at(i);
        EXPECT_TRUE(frame.hasAlphaChannel());
        EXPECT_EQ(frame.pixel(0, 0), SpriteSheets::frameColor(i)) << i;
        EXPECT_EQ(frame.pixel(99, 99), SpriteSheets::frameColor(i)) << i;
    }
}

class CharacterRegistryTest : public ::testing::Test
{
protected:
    UserDefaults* storedDefaults(const char* storedId)
    {
        auto* defaults = new UserDefaults(QString::fromStdString(m_home.path("settings.ini")), &m_owner);
        if (storedId)
            defaults->setSelectedCharacterId(QString::fromUtf8(storedId));
        return defaults;
    }

    TempDir m_home;
    QObject m_owner;
};

struct FallbackCase
{
    const char* label;
    const char* stored;
    QSet<QString> sheets;
    QString expectedId;
};

void PrintTo(const FallbackCase& c, std::ostream* out)
{
    *out << c.label;
}

class CharacterRegistryFallback : public CharacterRegistryTest,
                                  public ::testing::WithParamInterface<FallbackCase>
{
};

TEST_P(CharacterRegistryFallback, SettlesOnALoadedPackAndRemembersIt)
{
    const FallbackCase& c = GetParam();
    UserDefaults* defaults = storedDefaults(c.stored);
    CharacterRegistry registry(defaults, SpriteSheets::only(c.sheets));
    registry.loadPacks();

    EXPECT_EQ(registry.selectedId(), c.expectedId);
    EXPECT_EQ(registry.selectedPack()->id, c.expectedId);
    defaults->sync();
    UserDefaults reread(QString::fromStdString(m_home.path("settings.ini")));
    EXPECT_EQ(reread.selectedCharacterId(), c.expectedId);
}

const QSet<QString> both { QStringLiteral("c7"), QStringLiteral("toki") };

INSTANTIATE_TEST_SUITE_P(StoredIds, CharacterRegistryFallback,
    ::testing::Values(FallbackCase { "first_launch", nullptr, both, QStringLiteral("toki") },
        FallbackCase { "stored_c7", "c7", both, QStringLiteral("c7") },
        FallbackCase { "stored_unknown", "nyan", both, QStringLiteral("toki") },
        FallbackCase { "stored_empty", "", both, QStringLiteral("toki") },
        FallbackCase { "ids_are_case_sensitive", "C7", both, QStringLiteral("toki") },
        FallbackCase { "stored_toki_sheet_missing", "toki", { QStringLiteral("c7") }, QStringLiteral("c7") },
        FallbackCase { "stored_c7_sheet_missing", "c7", { QStringLiteral("toki") }, QStringLiteral("toki") }),
    [](const ::testing::TestParamInfo<FallbackCase>& test) { return std::string(test.param.label); });

TEST_F(CharacterRegistryTest, PacksFollowTheDefinitionOrderWithTheirNames)
{
    CharacterRegistry registry(storedDefaults(nullptr), SpriteSheets::only(both));
    QSignalSpy packsChanged(&registry, &CharacterRegistry::packsChanged);
    registry.loadPacks();
    registry.loadPacks();

    ASSERT_EQ(registry.packs().size(), 2);
    EXPECT_EQ(registry.packs().at(0).id, QStringLiteral("c7"));
    EXPECT_EQ(registry.packs().at(0).name, QStringLiteral("파티 패럿"));
    EXPECT_EQ(registry.packs().at(0).frames.size(), 10);
    EXPECT_EQ(registry.packs().at(1).id, QStringLiteral("toki"));
    EXPECT_EQ(registry.packs().at(1).name, QStringLiteral("토키"));
    EXPECT_EQ(registry.packs().at(1).frames.size(), 14);
    EXPECT_EQ(packsChanged.count(), 1);
}

TEST_F(CharacterRegistryTest, NoLoadableSheetLeavesEverythingEmptyAndWritesNothing)
{
    UserDefaults* defaults = storedDefaults("c7");
    QSignalSpy writes(defaults, &UserDefaults::changed);
    CharacterRegistry registry(defaults, SpriteSheets::only({}));
    registry.loadPacks();

    EXPECT_TRUE(registry.packs().isEmpty());
    EXPECT_EQ(registry.selectedId(), QString());
    EXPECT_FALSE(registry.selectedPack());
    EXPECT_EQ(writes.count(), 0);
    EXPECT_EQ(defaults->selectedCharacterId(), QStringLiteral("c7"));
}

TEST_F(CharacterRegistryTest, AssigningTheSameIdRewritesTheSettingWithoutNotifying)
{
    UserDefaults* defaults = storedDefaults(nullptr);
    CharacterRegistry registry(defaults, SpriteSheets::only(both));
    registry.loadPacks();
    defaults->setSelectedCharacterId(QStringLiteral("c7"));

    QSignalSpy selectedChanged(&registry, &CharacterRegistry::selectedIdChanged);
    QSignalSpy writes(defaults, &UserDefaults::changed);
    registry.setSelectedId(QStringLiteral("toki"));
    EXPECT_EQ(selectedChanged.count(), 0);
    EXPECT_EQ(writes.count(), 1);
    EXPECT_EQ(defaults->selectedCharacterId(), QStringLiteral("toki"));

    registry.setSelectedId(QStringLiteral("c7"));
    EXPECT_EQ(selectedChanged.count(), 1);
    EXPECT_EQ(registry.selectedPack()->id, QStringLiteral("c7"));
}

TEST_F(CharacterRegistryTest, AnUnknownSelectionFallsBackToTheFirstPack)
{
    CharacterRegistry registry(storedDefaults(nullptr), SpriteSheets::only(both));
    registry.loadPacks();
    registry.setSelectedId(QStringLiteral("gone"));
    EXPECT_EQ(registry.selectedPack()->id, QStringLiteral("c7"));
}

}
