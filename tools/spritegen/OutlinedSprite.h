#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QSizeF>

// Frames are drawn in logical units (one unit is one point at the largest menu-bar height) and
// rendered at a fixed number of pixels per unit, so they stay crisp on HiDPI panels.
namespace OutlinedSprite {

// Room left round the drawing area so that a pose may reach past it before the frames are fitted.
inline constexpr qreal margin = 4.0;

// A transparent image for a drawing of the given size plus the margin on every side.
QImage canvas(QSizeF units, int pixelsPerUnit);
// Surrounds the opaque parts of the art with a solid edge of the given width; the edge keeps the
// figure readable on light panels while its bright fill carries it on dark ones.
QImage outlined(const QImage& art, const QColor& edge, qreal widthPixels);
// Places every frame in the same cell of the given size: the union of all frames is centred
// horizontally and stands on the bottom edge, shrunk only if it would not fit, so the figure
// neither drifts nor jumps between frames.
QList<QImage> fitted(const QList<QImage>& frames, QSize cell);
// Lays the frames side by side in one row.
QImage sheet(const QList<QImage>& frames);

}
