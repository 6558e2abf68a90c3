#pragma once

#include <QImage>

// A round parrot that bobs its head in a circle while its plumage runs through the colour wheel.
namespace PartyParrot {

inline constexpr int frameCount = 10;

// One frame of the loop, frame 0 to frameCount - 1, before its outline is added.
QImage frame(int index, int pixelsPerUnit);

}
