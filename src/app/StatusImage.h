#pragma once

#include <array>
#include <optional>

#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>

namespace pacemark {

// The tray icon: a square of the size the tray asks for, drawn at that pixel size, with the
// runner's frame centred in it, optionally mirrored, and optionally a battery bar along the bottom
// edge that shows the quota utilisation. Trays decide the slot, so the chosen character height
// becomes the share of the slot the runner spans.
class StatusImage
{
public:
    struct Colors
    {
        QColor green;
        QColor orange;
        QColor red;

        friend bool operator==(const Colors&, const Colors&) = default;
    };

    struct Options
    {
        double characterHeight = 20.0; // 0 or less means the default
        bool horizontalFlip = false;
        std::optional<double> battery; // utilisation in percent; none for no battery
        Colors colors;

        friend bool operator==(const Options&, const Options&) = default;
    };

    // The sizes trays ask for, from a 16 px panel to a 32 px one at scale 2.
    static constexpr std::array<int, 6> IconSizes { 16, 22, 24, 32, 48, 64 };

    static constexpr double DefaultHeight = 20.0;
    static constexpr double SmallestHeight = 16.0;
    static constexpr double LargestHeight = 24.0;

    // The share of the slot the runner spans without a battery: 0.76, 0.88 and 1 for the three
    // size choices (16, 20 and 24), so that even the smallest fills three quarters of it.
    static double runnerShare(double characterHeight);

    // Where the runner goes in a square icon of the given size, for opaque content of the given size.
    static QRect runnerRect(const QSize& content, int size, const Options& options);
    // The battery bar along the bottom edge of a square icon of the given size.
    static QRect batteryBar(int size);

    // The part of the frames that is ever drawn on: the union of their opaque bounding boxes, so
    // that transparent margins of a sprite sheet do not shrink the runner while it keeps its place
    // from frame to frame. The whole frame when nothing is opaque.
    static QRect contentRect(const QList<QImage>& frames);

    // A null image when the frame is null or has no height; the content rect is clipped to the frame.
    static QImage compose(const QImage& frame, const QRect& content, int size, const Options& options);

    // The fill colour and the clamped fill percentage of a battery value.
    static std::pair<QColor, double> batteryFill(double utilization, const Colors& colors);

private:
    static void drawBattery(class QPainter& painter, double utilization, const QRect& bar, const Colors& colors);
};

}
