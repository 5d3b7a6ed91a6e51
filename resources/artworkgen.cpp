// Renders the built-in SVG pictures at build time into PNGs at one and two device pixels per
// logical pixel, so the program shows them at start without parsing and drawing the SVGs (and
// the fonts their lettering needs). Other densities still render from the SVG at run time.
// Usage: artworkgen OUTDIR FILE.svg...   writes OUTDIR/NAME@1x.png and OUTDIR/NAME@2x.png
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: artworkgen OUTDIR FILE.svg...\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    for (int i = 2; i < argc; ++i) {
        const QString source = QString::fromLocal8Bit(argv[i]);
        QSvgRenderer renderer(source);
        if (!renderer.isValid()) {
            std::fprintf(stderr, "artworkgen: %s is not a valid SVG\n", argv[i]);
            return 1;
        }
        for (int ratio : {1, 2}) {
            QImage image(renderer.defaultSize() * ratio, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            {
                QPainter painter(&image);
                renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
            }
            const QString target = out.filePath(
                QStringLiteral("%1@%2x.png").arg(QFileInfo(source).completeBaseName()).arg(ratio));
            if (!image.save(target, "PNG")) {
                std::fprintf(stderr, "artworkgen: cannot write %s\n", qPrintable(target));
                return 1;
            }
        }
    }
    return 0;
}
