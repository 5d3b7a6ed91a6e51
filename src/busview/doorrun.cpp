#include "busview/doorrun.h"

#include <algorithm>
#include <cmath>

namespace {

// Closing starts a little narrower than open, so the leaves give a small jolt first.
constexpr int kFrontCloseStart = 50;

} // namespace

DoorRun DoorRun::front(bool open, double leftLeafWidth)
{
    if (!open)
        return DoorRun(kFrontCloseStart, 1, kFrontClosed - kFrontCloseStart + 1);
    // std::nearbyint rounds halves to the even number in the default rounding mode.
    const int start = static_cast<int>(std::nearbyint(leftLeafWidth));
    // A leaf already narrower than open makes no step at all.
    return DoorRun(start, -1, std::max(0, start - kFrontOpen + 1));
}

DoorRun DoorRun::middle(bool open)
{
    // The middle door always travels its whole path, wherever the leaf stands.
    if (open)
        return DoorRun(0, -1, kMiddleTravel + 1);
    return DoorRun(-kMiddleTravel, 1, kMiddleTravel + 1);
}
