#pragma once

#include <QImage>

// A white rabbit in a bounding gallop, seen from the side and running to the right.
namespace RunningRabbit {

inline constexpr int frameCount = 14;

// One frame of the loop, frame 0 to frameCount - 1, before its outline is added.
QImage frame(int index, int pixelsPerUnit);

}
