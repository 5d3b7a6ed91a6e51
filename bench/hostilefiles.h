#pragma once

// Hostile picture files of every kind, made in memory for the hostile-picture benchmark.
#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace hostile {

// A name that an embedded picture may point at; nothing may ever open it.
inline constexpr const char *kMarkerName = "marker.png";

// The EMF records and values the files are written with.
namespace emr {
enum : uint32_t
{
    kPolygon16 = 86,
    kPolyline16 = 87,
    kPolylineTo16 = 89,
    kMoveToEx = 27,
    kSelectObject = 37,
    kCreateBrushIndirect = 39,
    kRectangle = 43,
    kBeginPath = 59,
    kEndPath = 60,
    kCloseFigure = 61,
    kFillPath = 62,
    kWidenPath = 66,
    kSelectClipPath = 67,
    kStretchDiBits = 81,
    kCreateDibPatternBrushPt = 94,
    kExtCreatePen = 95,
    kGradientFill = 118,
    kFillRgn = 71,
};
constexpr int kRgnXor = 3;
constexpr uint32_t kBiJpeg = 4, kBiPng = 5;
} // namespace emr

// Raster files (hostileraster.cpp).
QImage photo(int width, int height);
QByteArray written(const QImage &image, const char *format, bool progressive = false);
QByteArray progressiveJpeg(int width, int height, int components, int scans, int bytesPerScan,
                           int padTo = 0);
QByteArray gif(int width, int height, bool truncate);
QByteArray rle8Bmp(int width, int height);
QByteArray largeBmp(int width, int height);
// A 52 x 32 GIF with that many bytes of comments or of clear codes before its pixels, or that
// many more frames after them.
enum class GifPadding
{
    Comments,
    ClearCodes,
    Frames
};
QByteArray gifPadded(GifPadding padding, qint64 amount);
// The JPEG with that many bytes of one marker's segments (a comment, Exif, a colour profile).
QByteArray markerPadded(const QByteArray &jpeg, char marker, qint64 bytes);

// Metafiles, and the pictures they carry (hostilemetafiles.cpp).
QByteArray hugeRectangles(int count);
QByteArray hugeRectanglesWmf(int count);
QByteArray windowlessRectanglesWmf(int count);
QByteArray hugePolygon(int count);
QByteArray hugeDashedLines(int count);
QByteArray hugeGradients(int count);
// rop: the raster operation of every blit; one that reads the destination is worked
// pixel by pixel.
QByteArray hugeStretchedPixels(int count, uint32_t rop);
QByteArray xorClipPaths(int paths, int segments);
QByteArray widenedPath(int segments);
QByteArray signPolygon(int count);
QByteArray offsetStrips(int count);
// Texts, each in a font of its own: a new face name, a new Japanese face name or a new height.
enum class FontChange
{
    Face,
    JapaneseFace,
    Height
};
QByteArray fontFlood(int count, FontChange change);
QByteArray svgNaming(const QString &self, const QString &marker);
QByteArray embeddedInSign(uint32_t compression, QSize claimed, const QByteArray &payload);
QByteArray ico(const QByteArray &png);
QByteArray bigPng(int side);
QByteArray patternBrushes(int count, const QByteArray &payload, QSize claimed);

// Every kind the benchmark measures (hostilekinds.cpp).
struct Kind
{
    const char *name;
    const char *file;
    // Made in a process of its own, given the folder its file is written to.
    std::function<QByteArray(const QDir &)> make;
};
std::vector<Kind> kinds();

} // namespace hostile
