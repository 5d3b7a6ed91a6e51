#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QRegion>
#include <QSet>
#include <QString>

#include <cstdint>
#include <variant>

namespace metafile {

// A colour as the records store it: red, green, blue and a flags byte that can turn it into
// an index into the selected palette.
struct ColorRef
{
    uint32_t value = 0;
    static ColorRef fromRgb(uint8_t r, uint8_t g, uint8_t b)
    {
        return {uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16)};
    }
};

namespace pen {
inline constexpr uint32_t kStyleMask = 0x0F;
inline constexpr uint32_t kSolid = 0, kDash = 1, kDot = 2, kDashDot = 3, kDashDotDot = 4;
inline constexpr uint32_t kNull = 5, kInsideFrame = 6, kUserStyle = 7, kAlternate = 8;
inline constexpr uint32_t kEndCapMask = 0x0F00, kEndCapSquare = 0x0100, kEndCapFlat = 0x0200;
inline constexpr uint32_t kJoinMask = 0xF000, kJoinBevel = 0x1000, kJoinMiter = 0x2000;
inline constexpr uint32_t kGeometric = 0x10000;
} // namespace pen

struct Pen
{
    uint32_t style = pen::kSolid;
    // In logical units; 0 draws one device pixel wide.
    double width = 0;
    ColorRef color;
    // Dash and gap lengths of a user-styled pen, in logical units.
    QList<double> dashes;
};

namespace brush {
inline constexpr uint32_t kSolid = 0, kNull = 1, kHatched = 2, kPattern = 3, kDibPattern = 5;
inline constexpr uint32_t kDibPatternPt = 6;
} // namespace brush

struct Brush
{
    enum class Kind
    {
        Solid,
        Null,
        Hatched,
        Pattern
    };
    Kind kind = Kind::Solid;
    ColorRef color = ColorRef::fromRgb(255, 255, 255);
    uint32_t hatch = 0;
    QImage pattern;
    // A one-bit pattern takes the text colour for its 0 bits and the background colour for
    // its 1 bits at the time it fills, so it is kept as a mask.
    bool monochrome = false;
};

struct Font
{
    int height = 0;
    int width = 0;
    // Tenths of a degree, anticlockwise: of the baseline, and of each glyph.
    int escapement = 0;
    int orientation = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    uint8_t charset = 0;
    // How its glyphs are smoothed: antialiased and ClearType quality are, the others are not.
    uint8_t quality = 0;
    // Pitch in the low bits, family (roman, swiss, modern ...) in the high four.
    uint8_t pitchAndFamily = 0;
    QString face;

    bool operator==(const Font &) const = default;
};

struct Palette
{
    QList<QRgb> entries;
};

// A region object of a WMF, in logical units.
struct Region
{
    QRegion region;
};

using GdiObject = std::variant<std::monostate, Pen, Brush, Font, Palette, Region>;

// The objects a metafile created, by the index the records refer to them with.
class ObjectTable
{
public:
    // Starts with the slots the header promises (capped); a WMF that creates more than it
    // promised still gets free slots up to the cap, as lenient players give them.
    explicit ObjectTable(uint32_t declared);

    // WMF objects take the lowest free slot; false when the table is at its cap.
    bool add(GdiObject object);
    // EMF objects name their slot; false when it is out of range.
    bool put(uint32_t index, GdiObject object);
    // nullptr for an empty or out-of-range slot.
    const GdiObject *get(uint32_t index) const;
    void remove(uint32_t index);

    // Each object created gets a serial number of its own; 0 stands for an object not in the
    // table (a stock object), which is never deleted.
    uint64_t serialOf(const GdiObject *object) const;
    bool alive(uint64_t serial) const;

private:
    QList<GdiObject> m_slots;
    QList<uint64_t> m_serials;
    QSet<uint64_t> m_live;
    uint64_t m_lastSerial = 0;
};

// The stock objects an EMF selects by index with the high bit set; monostate for others.
GdiObject stockObject(uint32_t index);

} // namespace metafile
