// Renders the built-in SVG pictures at build time, so the program and its install never parse
// and draw them (and the fonts their lettering needs) at start.
//   artworkgen OUTDIR FILE.svg...         OUTDIR/NAME@1x.pixels and NAME@2x.pixels, one and
//                                         two device pixels per logical pixel
//   artworkgen --icon FILE.svg SIZE OUT   a SIZE x SIZE PNG for the desktop's icon theme
// Other screen densities render from the SVG at run time.
#include "platform/artworkpixels.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>

#include <cstdio>

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

int renderDensities(const QDir &out, const QString &source)
{
    QSvgRenderer renderer(source);
    if (!renderer.isValid())
        return fail(QStringLiteral("%1: not a readable SVG picture").arg(source));
    for (int ratio : {1, 2}) {
        const QString name =
            QStringLiteral("%1@%2x.pixels").arg(QFileInfo(source).completeBaseName()).arg(ratio);
        if (int error = save(draw(renderer, renderer.defaultSize() * ratio), out.filePath(name)))
            return error;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 5 && QByteArray(argv[1]) == "--icon")
        return renderIcon(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]),
                          QString::fromLocal8Bit(argv[4]));
    if (argc < 3) {
        std::fprintf(stderr, "usage: artworkgen OUTDIR FILE.svg...\n       artworkgen --icon "
                             "FILE.svg SIZE OUT.png\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    for (int i = 2; i < argc; ++i)
        if (int error = renderDensities(out, QString::fromLocal8Bit(argv[i])))
            return error;
    return 0;
}
