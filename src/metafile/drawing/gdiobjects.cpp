#include "metafile/drawing/gdiobjects.h"

#include "metafile/drawing/limits.h"

#include <algorithm>

namespace metafile {

ObjectTable::ObjectTable(uint32_t declared)
{
    m_slots.resize(std::min<uint32_t>(declared, limits::kMaxObjects));
    m_serials.resize(m_slots.size());
}

bool ObjectTable::add(GdiObject object)
{
    for (qsizetype i = 0; i < m_slots.size(); ++i) {
        if (std::holds_alternative<std::monostate>(m_slots[i]))
            return put(uint32_t(i), std::move(object));
    }
    if (m_slots.size() >= qsizetype(limits::kMaxObjects))
        return false;
    return put(uint32_t(m_slots.size()), std::move(object));
}

bool ObjectTable::put(uint32_t index, GdiObject object)
{
    if (index >= limits::kMaxObjects)
        return false;
    if (index >= uint32_t(m_slots.size())) {
        m_slots.resize(index + 1);
        m_serials.resize(index + 1);
    }
    m_live.remove(m_serials[index]);
    m_slots[index] = std::move(object);
    m_serials[index] = ++m_lastSerial;
    m_live.insert(m_lastSerial);
    return true;
}

const GdiObject *ObjectTable::get(uint32_t index) const
{
    if (index >= uint32_t(m_slots.size()))
        return nullptr;
    const GdiObject &slot = m_slots[index];
    return std::holds_alternative<std::monostate>(slot) ? nullptr : &slot;
}

void ObjectTable::remove(uint32_t index)
{
    if (index < uint32_t(m_slots.size())) {
        m_slots[index] = std::monostate();
        m_live.remove(m_serials[index]);
        m_serials[index] = 0;
    }
}

uint64_t ObjectTable::serialOf(const GdiObject *object) const
{
    // The slots lie side by side, so an object of the table is found by where it lies.
    const auto at = reinterpret_cast<uintptr_t>(object);
    const auto first = reinterpret_cast<uintptr_t>(m_slots.constData());
    if (m_slots.isEmpty() || at < first || (at - first) % sizeof(GdiObject) != 0)
        return 0;
    const uintptr_t index = (at - first) / sizeof(GdiObject);
    return index < uintptr_t(m_slots.size()) ? m_serials[qsizetype(index)] : 0;
}

bool ObjectTable::alive(uint64_t serial) const
{
    return serial == 0 || m_live.contains(serial);
}

namespace {

Brush solidBrush(uint8_t grey)
{
    Brush b;
    b.color = ColorRef::fromRgb(grey, grey, grey);
    return b;
}

Pen solidPen(uint8_t grey)
{
    Pen p;
    p.color = ColorRef::fromRgb(grey, grey, grey);
    return p;
}

Font stockFont(const char *face, int height)
{
    Font f;
    f.face = QString::fromLatin1(face);
    f.height = height;
    return f;
}

} // namespace

GdiObject stockObject(uint32_t index)
{
    // Stock object numbers of the enhanced metafile format, with the high bit cleared.
    switch (index & 0x7FFFFFFF) {
    case 0:
        return solidBrush(255);
    case 1:
        return solidBrush(0xC0);
    case 2:
        return solidBrush(0x80);
    case 3:
        return solidBrush(0x40);
    case 4:
        return solidBrush(0);
    case 5: {
        Brush b;
        b.kind = Brush::Kind::Null;
        return b;
    }
    case 6:
        return solidPen(255);
    case 7:
        return solidPen(0);
    case 8: {
        Pen p;
        p.style = pen::kNull;
        return p;
    }
    case 10:
    case 11:
    case 16:
        return stockFont("Monospace", 16);
    case 12:
    case 13:
    case 14:
    case 17:
        return stockFont("Sans Serif", 16);
    case 15:
        return Palette();
    case 18:
        return solidBrush(255);
    case 19:
        return solidPen(0);
    default:
        return std::monostate();
    }
}

} // namespace metafile
