#include "busview/kanbanframe.h"

namespace kanbanframe {

namespace {

// The posts are 75 twips wide and reach one pixel (15 twips) below the signboard.
constexpr double kPostWidth = 75;
constexpr double kOnePixel = 15;

} // namespace

Pieces follow(const QRectF &signboard, const Pieces &frame)
{
    const double L = signboard.left(), T = signboard.top();
    const double W = signboard.width(), H = signboard.height();
    const QRectF &left = frame[kLeftPost], &right = frame[kRightPost], &bar = frame[kBottomBar];
    return {QRectF(L - kPostWidth, T, left.width(), left.height()),
            QRectF(L + W, T, right.width(), right.height()),
            QRectF(L - kPostWidth, T + H, W + 2 * kPostWidth, bar.height())};
}

Pieces fit(const QRectF &signboard, const Pieces &frame)
{
    Pieces fitted = follow(signboard, frame);
    fitted[kLeftPost].setHeight(signboard.height() + kOnePixel);
    fitted[kRightPost].setHeight(signboard.height() + kOnePixel);
    return fitted;
}

} // namespace kanbanframe
