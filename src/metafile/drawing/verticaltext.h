#pragma once

#include <QString>

namespace metafile::vertical {

// A face named with a leading "@" writes down the page: its wide characters stand upright
// across a baseline turned by the escapement, the others lie along it.
bool isVerticalFace(const QString &face);

// Whether a character of vertical text stands upright: wide characters do, save the marks
// that are drawn along the line, as the long vowel mark and the brackets.
bool standsUpright(QChar c);

// The punctuation whose vertical form sits elsewhere in its cell, replaced by that form.
QString withVerticalForms(const QString &text);

} // namespace metafile::vertical
