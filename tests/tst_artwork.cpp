#include "platform/artwork.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

class TestArtwork : public QObject
{
    Q_OBJECT
private slots:
    // Built at 1x and 2x, drawn from the SVG at any other density.
    void everyDensityGetsItsOwnPixels()
    {
        const QString bus = QString::fromLatin1(artwork::kBus);
        for (const auto &[ratio, pixels] :
             {std::pair{1.0, QSize(728, 219)}, {2.0, QSize(1456, 438)}, {1.5, QSize(1092, 329)}}) {
            const QPixmap drawn = artwork::render(bus, ratio);
            QCOMPARE(drawn.size(), pixels);
            QCOMPARE(drawn.devicePixelRatio(), ratio);
        }
        QCOMPARE(artwork::naturalSize(bus), QSize(728, 219));
        QCOMPARE(artwork::icon(QString::fromLatin1(artwork::kFrontDoorButton)).availableSizes(),
                 (QList<QSize>{QSize(50, 20), QSize(100, 40)}));
    }

    // The pictures built into the program are the SVGs as they stand, not a stale rendering.
    void builtPicturesMatchTheirSources()
    {
        for (const char *resource :
             {artwork::kBus, artwork::kMiddleLeaf, artwork::kSignPlaceholder, artwork::kIcon}) {
            QSvgRenderer renderer{QString::fromLatin1(resource)};
            QImage drawn(renderer.defaultSize(), QImage::Format_ARGB32_Premultiplied);
            drawn.fill(Qt::transparent);
            {
                QPainter painter(&drawn);
                renderer.render(&painter);
            }
            const QImage built = artwork::render(QString::fromLatin1(resource), 1.0)
                                     .toImage()
                                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            QCOMPARE(built.size(), drawn.size());
            int differing = 0;
            for (int y = 0; y < built.height(); ++y)
                for (int x = 0; x < built.width(); ++x)
                    differing += qAbs(qGray(built.pixel(x, y)) - qGray(drawn.pixel(x, y))) > 24;
            // Lettering may be laid out by another font set-up; shapes and colours must agree.
            QVERIFY2(differing < built.width() * built.height() / 50, resource);
        }
    }
};

QTEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
