#pragma once

#include <QFont>

// The Japanese fonts the panel is designed with; where they are missing, metric-compatible
// stand-ins take their place.
namespace fonts {

inline constexpr const char *kProportionalGothic = "ＭＳ Ｐゴシック";
inline constexpr const char *kGothic = "ＭＳ ゴシック";

// Registers the stand-ins once per process; safe to call again.
void installSubstitutes();
QFont make(const char *family, qreal pointSize);

} // namespace fonts
