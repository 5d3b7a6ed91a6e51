// Plays the records of an enhanced metafile onto a canvas: the walk hands each record to the
// one switch below, which gives it to its handler.
#include "metafile/emf/player.h"

#include "metafile/emf/handlers.h"
#include "metafile/emf/records.h"
#include "metafile/emf/walk.h"

#include <optional>

namespace metafile::emf {

Status Player::record(uint32_t type, ByteReader &p)
{
    using Arc = Canvas::ArcKind;
    const bool small = type >= rec::kPolyBezier16 && type <= rec::kPolyDraw16;
    const bool window = type == rec::kSetWindowExtEx || type == rec::kSetWindowOrgEx ||
                        type == rec::kScaleWindowExtEx;
    const bool wide = type == rec::kExtTextOutW || type == rec::kPolyTextOutW;
    switch (type) {
    case rec::kSetBkMode:
        return setBkMode(p);
    case rec::kSetPolyFillMode:
        return setPolyFillMode(p);
    case rec::kSetRop2:
        return setRop2(p);
    case rec::kSetTextAlign:
        return setTextAlign(p);
    case rec::kSetTextColor:
        return setTextColor(p);
    case rec::kSetBkColor:
        return setBkColor(p);
    case rec::kSetArcDirection:
        return setArcDirection(p);
    case rec::kSetMiterLimit:
        return setMiterLimit(p);
    case rec::kSetBrushOrgEx:
        return setBrushOrgEx(p);
    case rec::kMoveToEx:
        return moveToEx(p);
    case rec::kSaveDc:
        return saveDc();
    case rec::kRestoreDc:
        return restoreDc(p);
    case rec::kSetMapMode:
        return setMapMode(p);
    case rec::kSetWindowExtEx:
    case rec::kSetViewportExtEx:
        return setExtEx(p, window);
    case rec::kSetWindowOrgEx:
    case rec::kSetViewportOrgEx:
        return setOrgEx(p, window);
    case rec::kScaleWindowExtEx:
    case rec::kScaleViewportExtEx:
        return scaleExtEx(p, window);
    case rec::kSetWorldTransform:
        return setWorldTransform(p);
    case rec::kModifyWorldTransform:
        return modifyWorldTransform(p);
    case rec::kCreatePen:
        return createPen(p);
    case rec::kExtCreatePen:
        return extCreatePen(p);
    case rec::kCreateBrushIndirect:
        return createBrushIndirect(p);
    case rec::kCreateDibPatternBrushPt:
        return createPatternBrush(p, false);
    case rec::kCreateMonoBrush:
        return createPatternBrush(p, true);
    case rec::kExtCreateFontIndirectW:
        return extCreateFontIndirectW(p);
    case rec::kCreatePalette:
        return createPalette(p);
    case rec::kSelectObject:
    case rec::kSelectPalette:
        return selectObject(p);
    case rec::kDeleteObject:
        return deleteObject(p);
    case rec::kLineTo:
        return lineTo(p);
    case rec::kRectangle:
        return rectangle(p);
    case rec::kEllipse:
        return ellipse(p);
    case rec::kRoundRect:
        return roundRect(p);
    case rec::kArc:
        return arc(p, Arc::Arc);
    case rec::kArcTo:
        return arc(p, Arc::ArcTo);
    case rec::kChord:
        return arc(p, Arc::Chord);
    case rec::kPie:
        return arc(p, Arc::Pie);
    case rec::kAngleArc:
        return angleArc(p);
    case rec::kSetPixelV:
        return setPixelV(p);
    case rec::kPolyBezier:
    case rec::kPolyBezier16:
        return polyBezier(p, small);
    case rec::kPolygon:
    case rec::kPolygon16:
        return polygon(p, small);
    case rec::kPolyline:
    case rec::kPolyline16:
        return polyline(p, small);
    case rec::kPolyBezierTo:
    case rec::kPolyBezierTo16:
        return polyBezierTo(p, small);
    case rec::kPolylineTo:
    case rec::kPolylineTo16:
        return polylineTo(p, small);
    case rec::kPolyPolyline:
    case rec::kPolyPolyline16:
        return polyPolyline(p, small);
    case rec::kPolyPolygon:
    case rec::kPolyPolygon16:
        return polyPolygon(p, small);
    case rec::kPolyDraw:
    case rec::kPolyDraw16:
        return polyDraw(p, small);
    case rec::kBeginPath:
        return beginPath();
    case rec::kEndPath:
        return endPath();
    case rec::kAbortPath:
        return abortPath();
    case rec::kCloseFigure:
        return closeFigure();
    case rec::kFillPath:
        return fillPath();
    case rec::kStrokePath:
        return strokePath();
    case rec::kStrokeAndFillPath:
        return strokeAndFillPath();
    case rec::kWidenPath:
        return widenPath();
    case rec::kSelectClipPath:
        return selectClipPath(p);
    case rec::kIntersectClipRect:
        return intersectClipRect(p);
    case rec::kExcludeClipRect:
        return excludeClipRect(p);
    case rec::kOffsetClipRgn:
        return offsetClipRgn(p);
    case rec::kExtSelectClipRgn:
        return extSelectClipRgn(p);
    case rec::kFillRgn:
        return fillRgn(p);
    case rec::kFrameRgn:
        return frameRgn(p);
    case rec::kPaintRgn:
        return paintRgn(p);
    case rec::kInvertRgn:
        return invertRgn(p);
    case rec::kExtTextOutA:
    case rec::kExtTextOutW:
        return extTextOut(p, wide);
    case rec::kPolyTextOutA:
    case rec::kPolyTextOutW:
        return polyTextOut(p, wide);
    case rec::kSmallTextOut:
        return smallTextOut(p);
    case rec::kBitBlt:
        return bitBlt(p, false);
    case rec::kStretchBlt:
        return bitBlt(p, true);
    case rec::kMaskBlt:
        return maskBlt(p);
    case rec::kTransparentBlt:
        return transparentBlt(p);
    case rec::kAlphaBlend:
        return alphaBlend(p);
    case rec::kStretchDiBits:
        return stretchDiBits(p);
    case rec::kSetDiBitsToDevice:
        return setDiBitsToDevice(p);
    case rec::kGradientFill:
        return gradientFill(p);
    // Records that change nothing this player shows: comments; palettes realise by themselves;
    // a flattened path draws as its curves do; the rest are hints it has no use for.
    case rec::kGdiComment:
    case rec::kRealizePalette:
    case rec::kFlattenPath:
    case rec::kSetMapperFlags:
    case rec::kSetStretchBltMode:
    case rec::kSetIcmMode:
        return Done{};
    default:
        return skip("not played");
    }
}

Playback play(QByteArrayView data, const Header &, Canvas &canvas)
{
    Player player(canvas);
    Playback playback;
    const Status walked = forEachRecord(data, [&](const Record &record) {
        canvas.charge(1);
        ++playback.records;
        ByteReader p(record.bytes);
        p.skip(8);
        const Status played = player.record(record.type, p);
        if (!played && !playback.firstSkip)
            playback.firstSkip = recordError(record.type, record.offset, played.error().message);
        return !canvas.exhausted();
    });
    if (!walked && !playback.firstSkip)
        playback.firstSkip = walked.error();
    playback.stoppedShort = canvas.exhausted();
    return playback;
}

} // namespace metafile::emf
