// Renders the built-in SVG pictures at build time, so the program and its install never parse
// and draw them (and the fonts their lettering needs) at start.
//   artworkgen [--scales 1,1.25,..] OUTDIR FILE.svg...
//                                         OUTDIR/NAME@SCALEx.pixels for each scale (device
//                                         pixels per logical pixel; 1 and 2 when none is given)
//   artworkgen --icon FILE.svg SIZE OUT   a SIZE x SIZE PNG for the desktop's icon theme
//   artworkgen --ico FILE.svg OUT.ico     a Windows icon of the sizes Windows shows
// Other screen densities render from the SVG at run time, or from the next larger scale where
// there is no SVG module.
#include "platform/artworkpixels.h"

#include <QBuffer>
#include <QByteArray>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>

#include <cmath>
#include <cstdio>
#include <iterator>
#include <optional>

namespace {

// The largest size an icon theme asks for; anything bigger is a typing error in the build.
constexpr int kMaxIconSize = 1024;

int fail(const QString &message)
{
    std::fprintf(stderr, "artworkgen: %s\n", qPrintable(message));
    return 1;
}

QImage draw(QSvgRenderer &renderer, QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

// Written whole or not at all, so an interrupted build leaves no truncated picture behind. A PNG
// for the icon theme, else the program's own pixels.
int save(const QImage &image, const QString &target)
{
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("%1: %2").arg(target, file.errorString()));
    const bool written = target.endsWith(QStringLiteral(".png"))
                             ? image.save(&file, "PNG")
                             : file.write(artworkpixels::encode(image)) != -1;
    if (!written) {
        file.cancelWriting();
        return fail(QStringLiteral("%1: the picture could not be written").arg(target));
    }
    return file.commit() ? 0 : fail(QStringLiteral("%1: %2").arg(target, file.errorString()));
}

int renderIcon(const QString &source, const QByteArray &sizeText, const QString &target)
{
    bool isNumber = false;
    const int size = sizeText.toInt(&isNumber);
    if (!isNumber || size < 1 || size > kMaxIconSize)
        return fail(QStringLiteral("size %1 is not between 1 and %2")
                        .arg(QString::fromLocal8Bit(sizeText))
                        .arg(kMaxIconSize));
    QSvgRenderer renderer(source);
    if (!renderer.isValid())
        return fail(QStringLiteral("%1: not a readable SVG picture").arg(source));
    // A drawing that is not square is centred, not stretched.
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    return save(draw(renderer, QSize(size, size)), target);
}

// A Windows icon file: its directory, then each size as a PNG, which every Windows since Vista
// reads.
int renderIco(const QString &source, const QString &target)
{
    QSvgRenderer renderer(source);
    if (!renderer.isValid())
        return fail(QStringLiteral("%1: not a readable SVG picture").arg(source));
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    constexpr int kSizes[] = {16, 20, 24, 32, 40, 48, 64, 256};
    constexpr int kCount = int(std::size(kSizes));
    QList<QByteArray> pngs;
    for (int size : kSizes) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!draw(renderer, QSize(size, size)).save(&buffer, "PNG"))
            return fail(QStringLiteral("%1: the icon could not be drawn").arg(target));
        pngs.append(png);
    }
    QByteArray ico;
    QDataStream stream(&ico, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream << quint16(0) << quint16(1) << quint16(kCount);
    quint32 offset = 6 + 16 * kCount;
    for (int i = 0; i < kCount; ++i) {
        const quint8 side = kSizes[i] >= 256 ? 0 : quint8(kSizes[i]); // 0 stands for 256
        stream << side << side << quint8(0) << quint8(0) << quint16(1) << quint16(32)
               << quint32(pngs[i].size()) << offset;
        offset += quint32(pngs[i].size());
    }
    for (const QByteArray &png : pngs)
        ico += png;
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(ico) != ico.size() || !file.commit())
        return fail(QStringLiteral("%1: %2").arg(target, file.errorString()));
    return 0;
}

int renderDensities(const QDir &out, const QString &source, const QList<double> &scales)
{
    QSvgRenderer renderer(source);
    if (!renderer.isValid())
        return fail(QStringLiteral("%1: not a readable SVG picture").arg(source));
    for (double scale : scales) {
        const QString name = QStringLiteral("%1@%2x.pixels")
                                 .arg(QFileInfo(source).completeBaseName(), QString::number(scale));
        // Whole device pixels, rounded up, as the program sizes a picture it renders itself.
        const QSizeF device = QSizeF(renderer.defaultSize()) * scale;
        const QSize size(int(std::ceil(device.width())), int(std::ceil(device.height())));
        if (int error = save(draw(renderer, size), out.filePath(name)))
            return error;
    }
    return 0;
}

std::optional<QList<double>> parseScales(const QByteArray &text)
{
    QList<double> scales;
    for (const QByteArray &item : text.split(',')) {
        bool isNumber = false;
        const double scale = item.toDouble(&isNumber);
        if (!isNumber || scale < 1 || scale > 4)
            return std::nullopt;
        scales.append(scale);
    }
    return scales;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 5 && QByteArray(argv[1]) == "--icon")
        return renderIcon(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]),
                          QString::fromLocal8Bit(argv[4]));
    if (argc == 4 && QByteArray(argv[1]) == "--ico")
        return renderIco(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    int first = 1;
    std::optional<QList<double>> scales = QList<double>{1, 2};
    if (argc > 2 && QByteArray(argv[1]) == "--scales") {
        scales = parseScales(argv[2]);
        first = 3;
    }
    if (!scales || argc < first + 2) {
        std::fprintf(stderr, "usage: artworkgen [--scales 1,1.25,...] OUTDIR FILE.svg...\n"
                             "       artworkgen --icon FILE.svg SIZE OUT.png\n"
                             "       artworkgen --ico FILE.svg OUT.ico\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[first]));
    QDir().mkpath(out.path());
    for (int i = first + 1; i < argc; ++i)
        if (int error = renderDensities(out, QString::fromLocal8Bit(argv[i]), *scales))
            return error;
    return 0;
}
