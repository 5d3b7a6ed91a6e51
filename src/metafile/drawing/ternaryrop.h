#pragma once

#include <QRgb>

#include <cstdint>

namespace metafile {

// The raster operations of the bitmap records combine pattern (P), source (S) and destination
// (D) bit by bit; bits 16 to 23 of an operation's code are its truth table, indexed by
// P·4 + S·2 + D.
namespace ternaryrop {

constexpr uint8_t index(uint32_t code)
{
    return uint8_t(code >> 16);
}

// Whether the result changes with the destination, the source, or the pattern.
constexpr bool readsDestination(uint32_t code)
{
    return ((index(code) ^ (index(code) >> 1)) & 0x55) != 0;
}
constexpr bool readsSource(uint32_t code)
{
    return ((index(code) ^ (index(code) >> 2)) & 0x33) != 0;
}
constexpr bool readsPattern(uint32_t code)
{
    return ((index(code) ^ (index(code) >> 4)) & 0x0F) != 0;
}

// The colour the operation makes of three colours; alpha is left opaque.
QRgb apply(uint8_t index, QRgb p, QRgb s, QRgb d);

} // namespace ternaryrop
} // namespace metafile
