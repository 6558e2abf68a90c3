#pragma once

#include <optional>

#include <QColor>
#include <QImage>
#include <QRectF>

// The tray image: the runner's frame at the chosen height, optionally mirrored, and optionally a
// small battery showing the quota utilisation beside it. Sizes are in points; the image is drawn
// at the given device pixel ratio so it stays crisp on HiDPI screens.
class StatusImage
{
public:
    struct Colors
    {
        QColor label; // outline and terminal, drawn at 0.65 opacity
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
        double devicePixelRatio = 2.0;

        friend bool operator==(const Options&, const Options&) = default;
    };

    static constexpr double DefaultHeight = 20.0;
    static constexpr double BatteryGap = 3.0;
    static constexpr double TerminalWidth = 1.5;

    // A null image when the frame is null or has no height.
    static QImage compose(const QImage& frame, const Options& options);

    // The size in points of the composed image.
    static QSizeF size(const QSizeF& frameSize, const Options& options);
    // Where the battery body sits, in points.
    static QRectF batteryBody(double runnerWidth, double height);
    // The fill colour and the clamped fill percentage of a battery value.
    static std::pair<QColor, double> batteryFill(double utilization, const Colors& colors);

private:
    static void drawBattery(class QPainter& painter, double utilization, const QRectF& body, const Colors& colors);
};
