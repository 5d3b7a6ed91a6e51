#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// The destination sign's position rules: the arrow keys step SignIndex through the sign list,
// the keypad builds a position from its digits.
class SignStepper
{
public:
    // Key codes as the sign knows them.
    static constexpr int kKeyUp = 38;
    static constexpr int kKeyDown = 40;
    // The keypad's buttons past the ten digits.
    static constexpr int kClearButton = 10;
    static constexpr int kShowButton = 11;
    static constexpr int kMaxDigits = 6;

    // The position an arrow key steps SignIndex to in a list of count entries, which is also the
    // one to show; none when the key does nothing.
    static std::optional<qint32> arrowKey(int keyCode, qint32 signIndex, int count);

    // The keypad display after a digit or the clear button; any other button leaves it.
    static QString keypadDisplay(const QString &display, int button);
    // The position the show button asks for: the display read as a number, empty being 0.
    static int keyedPosition(const QString &display);
};
