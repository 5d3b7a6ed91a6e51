#include "platform/twips.h"

#include <QTest>

class TestTwips : public QObject
{
    Q_OBJECT
private slots:
    void toPixels_data()
    {
        QTest::addColumn<double>("twips");
        QTest::addColumn<int>("pixels");
        QTest::newRow("exact") << 10920.0 << 728;
        QTest::newRow("rounds down below half") << 775.0 << 52; // 51.67
        QTest::newRow("rounds up at half") << 7.5 << 1;
        QTest::newRow("rounds down under half") << 7.4 << 0;
        QTest::newRow("negative") << -15.0 << -1;
        QTest::newRow("negative half away from zero") << -7.5 << -1;
    }
    void toPixels()
    {
        QFETCH(double, twips);
        QFETCH(int, pixels);
        QCOMPARE(twips::toPixels(twips), pixels);
    }
    void roundTrip()
    {
        for (int pixels : {-3000, -1, 0, 1, 52, 728, 30000})
            QCOMPARE(twips::toPixels(twips::fromPixels(pixels)), pixels);
    }
};

QTEST_APPLESS_MAIN(TestTwips)
#include "tst_twips.moc"
