#include "busview/signstepper.h"

std::optional<qint32> SignStepper::arrowKey(int keyCode, qint32 signIndex, int count)
{
    if (keyCode == kKeyUp) {
        if (signIndex == 0)
            return std::nullopt;
        return signIndex - 1;
    }
    if (keyCode == kKeyDown) {
        // An equality test: past the end of a shorter list, Down still counts on.
        if (signIndex == count - 1)
            return std::nullopt;
        return signIndex + 1;
    }
    return std::nullopt;
}

QString SignStepper::keypadDisplay(const QString &display, int button)
{
    if (button >= 0 && button <= 9) {
        if (display.size() < kMaxDigits)
            return display + QChar(u'0' + button);
        return display;
    }
    if (button == kClearButton)
        return QString();
    return display;
}

int SignStepper::keyedPosition(const QString &display)
{
    // Six digits at most, so the number always fits; the empty display counts as 0.
    return display.toInt();
}
