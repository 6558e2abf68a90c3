#include <gtest/gtest.h>

#include <QPainter>

#include "app/StatusImage.h"

namespace {

const StatusImage::Colors colors { QColor(0, 0, 0), QColor(0, 200, 0), QColor(255, 150, 0), QColor(230, 0, 0) };

StatusImage::Options options(double height, std::optional<double> battery = {}, bool flip = false)
{
    return { height, flip, battery, colors, 1.0 };
}

// A frame whose left half is red and right half blue, so mirroring shows.
QImage twoColourFrame(int w, int h)
{
    QImage frame(w, h, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::blue);
    QPainter(&frame).fillRect(0, 0, w / 2, h, Qt::red);
    return frame;
}

}

TEST(StatusImageTest, HeightFallsBackToTwentyPoints)
{
    for (double height : { 0.0, -3.0, 20.0 }) {
        const QImage image = StatusImage::compose(twoColourFrame(30, 20), options(height));
        EXPECT_EQ(image.size(), QSize(30, 20)) << height;
    }
}

TEST(StatusImageTest, FrameScalesToHeightKeepingAspect)
{
    EXPECT_EQ(StatusImage::compose(twoColourFrame(30, 20), options(22)).size(), QSize(33, 22));
    auto hidpi = options(22);
    hidpi.devicePixelRatio = 2;
    const QImage image = StatusImage::compose(twoColourFrame(30, 20), hidpi);
    EXPECT_EQ(image.size(), QSize(66, 44));
    EXPECT_EQ(image.deviceIndependentSize(), QSizeF(33, 22));
}

TEST(StatusImageTest, NoFrameGivesNoImage)
{
    EXPECT_TRUE(StatusImage::compose(QImage(), options(20)).isNull());
}

TEST(StatusImageTest, BatteryGeometry)
{
    // Height 20: 0.8 x 20 and 0.35 x 20 beat the minimums.
    EXPECT_EQ(StatusImage::batteryBody(30, 20), QRectF(33, 6.5, 16, 7));
    EXPECT_EQ(StatusImage::size(QSizeF(30, 20), options(20, 50)), QSizeF(30 + 3 + 16 + 1.5, 20));
    // Height 10: both minimums apply.
    EXPECT_EQ(StatusImage::batteryBody(15, 10), QRectF(18, 2, 14, 6));
}

TEST(StatusImageTest, BatteryColoursAndClampingAtThresholds)
{
    const struct
    {
        double u;
        QColor color;
        double pct;
    } cases[] = {
        { 69.9, colors.green, 69.9 }, { 70, colors.orange, 70 }, { 89.9, colors.orange, 89.9 },
        { 90, colors.red, 90 },       { 100, colors.red, 100 },  { 150, colors.red, 100 },
        { -5, colors.green, 0 },      { 0, colors.green, 0 },
    };
    for (const auto& c : cases) {
        const auto [color, pct] = StatusImage::batteryFill(c.u, colors);
        EXPECT_EQ(color, c.color) << c.u;
        EXPECT_DOUBLE_EQ(pct, c.pct) << c.u;
    }
}

TEST(StatusImageTest, MirroringSwapsTheFrameHalves)
{
    const QImage plain = StatusImage::compose(twoColourFrame(40, 20), options(20));
    const QImage mirrored = StatusImage::compose(twoColourFrame(40, 20), options(20, {}, true));
    EXPECT_EQ(plain.pixelColor(2, 10), QColor(Qt::red));
    EXPECT_EQ(plain.pixelColor(37, 10), QColor(Qt::blue));
    EXPECT_EQ(mirrored.pixelColor(2, 10), QColor(Qt::blue));
    EXPECT_EQ(mirrored.pixelColor(37, 10), QColor(Qt::red));
}

TEST(StatusImageTest, BatteryFillCoversItsShareOfTheBody)
{
    // Height 40 at 1x: runner 40 wide, body x = 43, width 32, inner width 29, y = 13, height 14.
    const QImage half = StatusImage::compose(twoColourFrame(40, 40), options(40, 50));
    const int y = 20;
    EXPECT_EQ(half.pixelColor(46, y), colors.green); // inside the filled half
    EXPECT_EQ(half.pixelColor(70, y).alpha(), 0); // right of the fill, inside the outline
    const QImage full = StatusImage::compose(twoColourFrame(40, 40), options(40, 120));
    EXPECT_EQ(full.pixelColor(70, y), colors.red);
    const QImage empty = StatusImage::compose(twoColourFrame(40, 40), options(40, -1));
    EXPECT_EQ(empty.pixelColor(46, y).alpha(), 0);
    // The terminal sits outside the body's right edge.
    EXPECT_GT(half.pixelColor(75, y).alpha(), 0);
}
