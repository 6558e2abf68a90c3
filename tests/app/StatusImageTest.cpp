#include <gtest/gtest.h>

#include <QPainter>

#include "app/StatusImage.h"

using namespace pacemark;

namespace {

const StatusImage::Colors colors { QColor(0, 200, 0), QColor(255, 150, 0), QColor(230, 0, 0) };

// A frame whose left half is red and right half blue, so mirroring shows, inside a transparent
// margin of the given width.
QImage twoColourFrame(int w, int h, int margin = 0)
{
    QImage frame(w + 2 * margin, h + 2 * margin, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    painter.fillRect(margin, margin, w, h, Qt::blue);
    painter.fillRect(margin, margin, w / 2, h, Qt::red);
    return frame;
}

QImage compose(const QImage& frame, int size, double height, std::optional<double> battery = {}, bool flip = false)
{
    return StatusImage::compose(frame, StatusImage::contentRect({ frame }), size, { height, flip, battery, colors });
}

QRect opaqueBox(const QImage& image, int belowY)
{
    QRect box;
    for (int y = 0; y < belowY; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() > 0)
                box |= QRect(x, y, 1, 1);
    return box;
}

}

// Every size a tray asks for is filled: the runner spans its share of the square in the dimension
// its aspect limits (at least three quarters for the smallest choice), centred, transparent
// margins of the sprite sheet ignored.
TEST(StatusImageTest, RunnerFillsItsShareOfEverySize)
{
    const QImage wide = twoColourFrame(30, 20, 7);
    const QImage tall = twoColourFrame(20, 30);
    for (int size : StatusImage::IconSizes) {
        for (double height : { 16.0, 20.0, 24.0, 0.0 }) {
            const double share = StatusImage::runnerShare(height);
            const QImage image = compose(wide, size, height);
            ASSERT_EQ(image.size(), QSize(size, size));
            const QRect box = opaqueBox(image, size);
            EXPECT_NEAR(box.width(), share * size, 1.0) << size << " " << height;
            EXPECT_GE(box.width(), 0.75 * size) << size << " " << height;
            EXPECT_LE(std::abs(box.left() - (size - 1 - box.right())), 1) << "centred " << size;
            EXPECT_LE(std::abs(box.top() - (size - 1 - box.bottom())), 1) << "centred " << size;
            EXPECT_NEAR(opaqueBox(compose(tall, size, height), size).height(), share * size, 1.0);
        }
    }
    // The three choices differ, and stored values outside them stay within the range.
    EXPECT_LT(StatusImage::runnerShare(16), StatusImage::runnerShare(20));
    EXPECT_LT(StatusImage::runnerShare(20), StatusImage::runnerShare(24));
    EXPECT_EQ(StatusImage::runnerShare(-3), StatusImage::runnerShare(20));
    EXPECT_EQ(StatusImage::runnerShare(100), 1.0);
    EXPECT_TRUE(StatusImage::compose(QImage(), QRect(), 22, { 20, false, {}, colors }).isNull());

    // Mirroring swaps the frame halves.
    for (bool flip : { false, true }) {
        const QImage image = compose(twoColourFrame(40, 20), 32, 24, {}, flip);
        EXPECT_EQ(image.pixelColor(2, 16), QColor(flip ? Qt::blue : Qt::red)) << flip;
        EXPECT_EQ(image.pixelColor(29, 16), QColor(flip ? Qt::red : Qt::blue)) << flip;
    }

    // The content box is the union of the frames' opaque parts; a blank frame keeps its whole rect.
    EXPECT_EQ(StatusImage::contentRect({ twoColourFrame(30, 20, 7), twoColourFrame(40, 10, 2) }), QRect(2, 2, 40, 25));
    EXPECT_EQ(StatusImage::contentRect({ twoColourFrame(0, 0, 20) }), QRect(0, 0, 40, 40));
}

// The battery is a bar along the bottom edge with a dark edge around a light track, readable on
// light and dark panels; the runner keeps at least 60 % of the height above it. Its colour steps at
// 70 % and 90 %; its fill is clamped to the bar.
TEST(StatusImageTest, BatteryBarLeavesTheRunnerMostOfTheSlotAndStepsItsColour)
{
    const QImage square = twoColourFrame(20, 20);
    for (int size : StatusImage::IconSizes) {
        const QRect bar = StatusImage::batteryBar(size);
        EXPECT_EQ(bar.bottom(), size - 1);
        EXPECT_EQ(bar.width(), size);
        EXPECT_GE(bar.height(), 5);
        const QImage image = compose(square, size, 16, 50);
        const QRect runner = opaqueBox(image, bar.top());
        EXPECT_GE(runner.height(), 0.6 * size) << size;
        EXPECT_LT(runner.bottom(), bar.top()) << size;

        const QColor edge = image.pixelColor(bar.center().x(), bar.bottom());
        EXPECT_LT(edge.lightnessF(), 0.2) << size;
        EXPECT_GT(edge.alphaF(), 0.7) << size;
        EXPECT_EQ(image.pixelColor(bar.left() + 3, bar.center().y()), colors.green) << size;
        EXPECT_GT(image.pixelColor(bar.right() - 3, bar.center().y()).lightnessF(), 0.9) << size;
    }
    const std::tuple<double, QColor, double> cases[] = {
        { 69.9, colors.green, 69.9 }, { 70, colors.orange, 70 }, { 89.9, colors.orange, 89.9 }, { 90, colors.red, 90 },
        { 100, colors.red, 100 },     { 150, colors.red, 100 },  { -5, colors.green, 0 },       { 0, colors.green, 0 },
    };
    for (const auto& [utilization, expectedColor, expectedPct] : cases) {
        const auto [color, pct] = StatusImage::batteryFill(utilization, colors);
        EXPECT_EQ(color, expectedColor) << utilization;
        EXPECT_DOUBLE_EQ(pct, expectedPct) << utilization;
    }
    const QRect bar = StatusImage::batteryBar(64);
    const int y = bar.center().y();
    EXPECT_EQ(compose(square, 64, 20, 120).pixelColor(bar.right() - 3, y), colors.red);
    EXPECT_GT(compose(square, 64, 20, -1).pixelColor(bar.left() + 3, y).lightnessF(), 0.9);
}
