#include "platform/artwork.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

class TestArtwork : public QObject
{
    Q_OBJECT
private slots:
    void everyDensityGetsItsOwnPixels_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QSize>("pixels");
        QTest::newRow("1x, built") << 1.0 << QSize(728, 219);
        QTest::newRow("2x, built") << 2.0 << QSize(1456, 438);
        QTest::newRow("1.5x, drawn") << 1.5 << QSize(1092, 329);
    }
    void everyDensityGetsItsOwnPixels()
    {
        QFETCH(qreal, ratio);
        QFETCH(QSize, pixels);
        const QPixmap bus = artwork::render(QString::fromLatin1(artwork::kBus), ratio);
        QCOMPARE(bus.size(), pixels);
        QCOMPARE(bus.devicePixelRatio(), ratio);
        QCOMPARE(artwork::naturalSize(QString::fromLatin1(artwork::kBus)), QSize(728, 219));
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
                    if (qAbs(qGray(built.pixel(x, y)) - qGray(drawn.pixel(x, y))) > 24)
                        ++differing;
            // Lettering may be laid out by another font set-up; shapes and colours must agree.
            QVERIFY2(differing < built.width() * built.height() / 50, resource);
        }
    }

    void iconsHoldBothDensities()
    {
        const QIcon icon = artwork::icon(QString::fromLatin1(artwork::kFrontDoorButton));
        QCOMPARE(icon.availableSizes(), (QList<QSize>{QSize(50, 20), QSize(100, 40)}));
    }
};

QTEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
