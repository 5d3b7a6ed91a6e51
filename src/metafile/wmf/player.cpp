// Plays the records of a Windows metafile onto a canvas: the walk hands each record to the one
// switch below, which gives it to its handler.
#include "metafile/wmf/player.h"

#include "metafile/wmf/handlers.h"
#include "metafile/wmf/records.h"
#include "metafile/wmf/walk.h"

#include <optional>

namespace metafile::wmf {

Status Player::record(uint16_t function, ByteReader &p)
{
    using Arc = Canvas::ArcKind;
    switch (function) {
    case fn::kSetBkColor:
        return setBkColor(p);
    case fn::kSetTextColor:
        return setTextColor(p);
    case fn::kSetBkMode:
        return setBkMode(p);
    case fn::kSetRop2:
        return setRop2(p);
    case fn::kSetPolyFillMode:
        return setPolyFillMode(p);
    case fn::kSetTextAlign:
        return setTextAlign(p);
    case fn::kSetTextCharExtra:
        return setTextCharExtra(p);
    case fn::kSaveDc:
        return saveDc();
    case fn::kRestoreDc:
        return restoreDc(p);
    case fn::kMoveTo:
        return moveTo(p);
    case fn::kSetMapMode:
        return setMapMode(p);
    case fn::kSetWindowOrg:
        return setWindowOrg(p);
    case fn::kSetWindowExt:
        return setWindowExt(p);
    case fn::kOffsetWindowOrg:
        return offsetWindowOrg(p);
    case fn::kScaleWindowExt:
        return scaleWindowExt(p);
    case fn::kCreatePenIndirect:
        return createPenIndirect(p);
    case fn::kCreateBrushIndirect:
        return createBrushIndirect(p);
    case fn::kCreateFontIndirect:
        return createFontIndirect(p);
    case fn::kCreatePalette:
        return createPalette(p);
    case fn::kCreatePatternBrush:
        return createPatternBrush(p);
    case fn::kDibCreatePatternBrush:
        return dibCreatePatternBrush(p);
    case fn::kCreateRegion:
        return createRegion(p);
    case fn::kSelectObject:
        return selectObject(p);
    case fn::kSelectPalette:
        return selectPalette(p);
    case fn::kDeleteObject:
        return deleteObject(p);
    case fn::kLineTo:
        return lineTo(p);
    case fn::kRectangle:
        return rectangle(p);
    case fn::kEllipse:
        return ellipse(p);
    case fn::kRoundRect:
        return roundRect(p);
    case fn::kArc:
        return arc(p, Arc::Arc);
    case fn::kPie:
        return arc(p, Arc::Pie);
    case fn::kChord:
        return arc(p, Arc::Chord);
    case fn::kPolygon:
        return polygon(p);
    case fn::kPolyline:
        return polyline(p);
    case fn::kPolyPolygon:
        return polyPolygon(p);
    case fn::kSetPixel:
        return setPixel(p);
    case fn::kSelectClipRegion:
        return selectClipRegion(p);
    case fn::kIntersectClipRect:
        return intersectClipRect(p);
    case fn::kExcludeClipRect:
        return excludeClipRect(p);
    case fn::kOffsetClipRgn:
        return offsetClipRgn(p);
    case fn::kFillRegion:
        return fillRegion(p);
    case fn::kFrameRegion:
        return frameRegion(p);
    case fn::kPaintRegion:
        return paintRegion(p);
    case fn::kInvertRegion:
        return invertRegion(p);
    case fn::kTextOut:
        return textOut(p);
    case fn::kExtTextOut:
        return extTextOut(p);
    case fn::kPatBlt:
        return patBlt(p);
    case fn::kBitBlt:
        return bitBlt(p, false);
    case fn::kDibBitBlt:
        return bitBlt(p, true);
    case fn::kStretchBlt:
        return stretchBlt(p, false);
    case fn::kDibStretchBlt:
        return stretchBlt(p, true);
    case fn::kStretchDib:
        return stretchDib(p);
    case fn::kSetDibToDev:
        return setDibToDev(p);
    // Records that change nothing this player shows: the viewport is where the player puts
    // the picture; escapes carry comments and printer data; palettes realise by themselves;
    // the rest are hints it has no use for.
    case fn::kSetViewportOrg:
    case fn::kSetViewportExt:
    case fn::kOffsetViewportOrg:
    case fn::kScaleViewportExt:
    case fn::kEscape:
    case fn::kRealizePalette:
    case fn::kSetRelAbs:
    case fn::kSetStretchBltMode:
    case fn::kSetMapperFlags:
        return Done{};
    default:
        return skip("not played");
    }
}

Playback play(QByteArrayView data, const Header &header, Canvas &canvas)
{
    Player player(canvas);
    canvas.dc().compatibleMode = true;
    Playback playback;
    const Status walked = forEachRecord(data, header, [&](const Record &record) {
        canvas.charge(1);
        ++playback.records;
        ByteReader p(record.params);
        const Status played = player.record(record.function, p);
        if (!played && !playback.firstSkip)
            playback.firstSkip =
                recordError(record.function, record.offset, played.error().message);
        return !canvas.exhausted();
    });
    if (!walked && !playback.firstSkip)
        playback.firstSkip = walked.error();
    playback.stoppedShort = canvas.exhausted();
    return playback;
}

} // namespace metafile::wmf
