// Every kind of hostile picture the benchmark measures, with the file each is written to.
#include "hostilefiles.h"

namespace hostile {
namespace {

// ---- The kinds ------------------------------------------------------------------------------

// Made at its first use, which is in the process that writes the files.
const QByteArray &png5600()
{
    static const QByteArray bytes = bigPng(5600);
    return bytes;
}

} // namespace

std::vector<Kind> kinds()
{
    return {
        {"ordinary 52 x 32 JPEG", "sign.jpg",
         [](const QDir &) { return written(photo(52, 32), "JPEG"); }},
        {"photo 6000 x 4000 baseline JPEG", "photo.jpg",
         [](const QDir &) { return written(photo(6000, 4000), "JPEG"); }},
        {"photo 4000 x 3000 progressive JPEG", "photo-progressive.jpg",
         [](const QDir &) { return written(photo(4000, 3000), "JPEG", true); }},
        {"progressive JPEG, 300 scans, 4000x3000", "scans.jpg",
         [](const QDir &) { return progressiveJpeg(4000, 3000, 1, 300, 112); }},
        {"progressive JPEG header 65000x65000", "huge-header.jpg",
         [](const QDir &) { return progressiveJpeg(65000, 65000, 3, 4, 40, 400); }},
        {"progressive JPEG header 30000x30000", "large-header.jpg",
         [](const QDir &) { return progressiveJpeg(30000, 30000, 3, 4, 40, 400); }},
        {"GIF LZW bomb 4000x4000", "bomb.gif", [](const QDir &) { return gif(4000, 4000, false); }},
        {"GIF 65000x65000 screen, 3 bytes", "screen.gif",
         [](const QDir &) { return gif(65000, 65000, true); }},
        {"RLE8 BMP bomb 4800x4800", "bomb.bmp", [](const QDir &) { return rle8Bmp(4800, 4800); }},
        {"RLE8 BMP bomb 16000x16000", "bomb-large.bmp",
         [](const QDir &) { return rle8Bmp(16000, 16000); }},
        {"EMF 5x3 m, 100 rectangles", "rect100.emf",
         [](const QDir &) { return hugeRectangles(100); }},
        {"EMF 5x3 m, 1000 rectangles", "rect1000.emf",
         [](const QDir &) { return hugeRectangles(1000); }},
        {"WMF 3.8x2.3 m, 100 rectangles", "rect100.wmf",
         [](const QDir &) { return hugeRectanglesWmf(100); }},
        {"WMF 3.8x2.3 m, 1000 rectangles", "rect1000.wmf",
         [](const QDir &) { return hugeRectanglesWmf(1000); }},
        {"WMF without a window, 100000 rectangles", "windowless.wmf",
         [](const QDir &) { return windowlessRectanglesWmf(100'000); }},
        {"EMF 5x3 m, 2000-point polygon", "polygon2000.emf",
         [](const QDir &) { return hugePolygon(2000); }},
        {"EMF 5x3 m, 500 dotted 1-px lines", "dotted.emf",
         [](const QDir &) { return hugeDashedLines(500); }},
        {"EMF 5x3 m, 20 gradients", "gradient.emf", [](const QDir &) { return hugeGradients(20); }},
        {"EMF 5x3 m, 100 stretched 1x1 bitmaps", "stretched.emf",
         [](const QDir &) { return hugeStretchedPixels(100, 0x00CC0020); }},
        {"EMF 5x3 m, 100 XORed 1x1 bitmaps", "xored.emf",
         [](const QDir &) { return hugeStretchedPixels(100, 0x00660046); }},
        {"EMF 52x32, 20 XOR clip paths x 3000", "xorclip.emf",
         [](const QDir &) { return xorClipPaths(20, 3000); }},
        {"EMF 52x32, WIDENPATH of 100k segments", "widen.emf",
         [](const QDir &) { return widenedPath(100'000); }},
        {"EMF 52x32, 1M-point polygon", "polygon1m.emf",
         [](const QDir &) { return signPolygon(1'000'000); }},
        {"BMP 5000x5000 24 bits", "large.bmp", [](const QDir &) { return largeBmp(5000, 5000); }},
        {"GIF 52x32 with 80 MB of comments", "comments.gif",
         [](const QDir &) { return gifPadded(GifPadding::Comments, 80 << 20); }},
        {"GIF 52x32 with 80 MB of clear codes", "clears.gif",
         [](const QDir &) { return gifPadded(GifPadding::ClearCodes, 80 << 20); }},
        {"GIF 52x32 of 10000 frames", "frames.gif",
         [](const QDir &) { return gifPadded(GifPadding::Frames, 10'000); }},
        {"JPEG 52x32 with 40 MB of comments", "comments.jpg",
         [](const QDir &) {
             return markerPadded(written(photo(52, 32), "JPEG"), '\xFE', 40 << 20);
         }},
        {"JPEG 52x32 with 40 MB of APP1 (Exif)", "exif.jpg",
         [](const QDir &) {
             return markerPadded(written(photo(52, 32), "JPEG"), '\xE1', 40 << 20);
         }},
        {"JPEG 52x32 with 40 MB of APP2 (ICC)", "icc.jpg",
         [](const QDir &) {
             return markerPadded(written(photo(52, 32), "JPEG"), '\xE2', 40 << 20);
         }},
        {"EMF, BI_JPEG of 30 MB of comments", "comments-jpeg.emf",
         [](const QDir &) {
             return embeddedInSign(emr::kBiJpeg, QSize(52, 32),
                                   markerPadded(written(photo(52, 32), "JPEG"), '\xFE', 30 << 20));
         }},
        {"EMF 52x32, FILLRGN of 5000 offset strips", "strips.emf",
         [](const QDir &) { return offsetStrips(5'000); }},
        {"EMF 52x32, 20000 texts in new faces", "faces.emf",
         [](const QDir &) { return fontFlood(20'000, FontChange::Face); }},
        {"EMF 52x32, 5000 texts in new Japanese faces", "faces-ja.emf",
         [](const QDir &) { return fontFlood(5'000, FontChange::JapaneseFace); }},
        {"EMF 52x32, 20000 texts in new heights", "heights.emf",
         [](const QDir &) { return fontFlood(20'000, FontChange::Height); }},
        // Ordinary files made by the same writers, so that "nothing drawn" above them means a
        // refusal rather than a broken generator.
        {"control: EMF 52x32, WIDENPATH of 100", "widen-small.emf",
         [](const QDir &) { return widenedPath(100); }},
        {"control: EMF, BI_PNG of a PNG 52x32", "png-small.emf",
         [](const QDir &) {
             return embeddedInSign(emr::kBiPng, QSize(52, 32), written(photo(52, 32), "PNG"));
         }},
        {"control: EMF, 16 pattern brushes 8x8", "patterns-small.emf",
         [](const QDir &) { return patternBrushes(16, written(photo(8, 8), "PNG"), QSize(8, 8)); }},
        {"EMF, BI_PNG holding an SVG naming files", "svg.emf",
         [](const QDir &dir) {
             return embeddedInSign(emr::kBiPng, QSize(100, 100),
                                   svgNaming(dir.filePath(QStringLiteral("svg.emf")),
                                             dir.filePath(QLatin1String(kMarkerName))));
         }},
        {"EMF, BI_PNG holding an ICO of PNG 5600^2", "ico.emf",
         [](const QDir &) { return embeddedInSign(emr::kBiPng, QSize(256, 256), ico(png5600())); }},
        {"EMF, BI_JPEG holding a PNG 5600^2", "jpeg-png.emf",
         [](const QDir &) { return embeddedInSign(emr::kBiJpeg, QSize(5600, 5600), png5600()); }},
        {"EMF, 16 pattern brushes of PNG 5600^2", "patterns.emf",
         [](const QDir &) { return patternBrushes(16, png5600(), QSize(5600, 5600)); }},
        {"EMF, 16 pattern brushes of ICO 5600^2", "patterns-ico.emf",
         [](const QDir &) { return patternBrushes(16, ico(png5600()), QSize(256, 256)); }},
    };
}

// ---- Measuring ------------------------------------------------------------------------------

} // namespace hostile
