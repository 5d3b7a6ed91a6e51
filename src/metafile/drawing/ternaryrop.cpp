#include "metafile/drawing/ternaryrop.h"

namespace metafile::ternaryrop {

QRgb apply(uint8_t index, QRgb p, QRgb s, QRgb d)
{
    // Each set bit of the table adds the bits where P, S and D have its combination.
    uint32_t result = 0;
    for (int i = 0; i < 8; ++i) {
        if (!(index >> i & 1))
            continue;
        const uint32_t pm = (i & 4) ? p : ~p, sm = (i & 2) ? s : ~s, dm = (i & 1) ? d : ~d;
        result |= pm & sm & dm;
    }
    return result | 0xFF000000;
}

} // namespace metafile::ternaryrop
