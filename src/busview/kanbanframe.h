#pragma once

#include <QRectF>

#include <array>

// The signboard's frame: three pieces placed around the signboard, in twips of the window.
namespace kanbanframe {

enum Piece
{
    kLeftPost = 0,
    kRightPost = 1,
    kBottomBar = 2
};
using Pieces = std::array<QRectF, 3>;

// The whole frame fitted to the signboard: the posts stand beside it from its top to one pixel
// below its bottom, the bar lies under it from the left post's outer edge to the right post's.
// The posts keep their widths and the bar its height.
Pieces fit(const QRectF &signboard, const Pieces &frame);
// The frame following a change of the signboard's size: as fit, but the posts keep their heights.
Pieces follow(const QRectF &signboard, const Pieces &frame);

} // namespace kanbanframe
