#pragma once

#include <QFile>
#include <QImage>
#include <QString>
#include <QTest>
#include <QWidget>

// A window's picture against its golden PNG under tests/data/golden/. A pixel differs when one
// of its channels is off by more than kFuzz; a few may, for anti-aliasing. On a mismatch the
// picture taken is written beside the golden one as NAME.actual.png. With
// POTERO_UPDATE_GOLDEN=1 the golden picture is written anew instead.
namespace golden {

inline constexpr int kFuzz = 16;
inline constexpr int kMaxDiffering = 8;

// Empty when the picture matches; else why not.
inline QString mismatch(QWidget *window, const QString &name)
{
    const QImage shot = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString path = QStringLiteral(POTERO_TEST_DATA "/golden/%1.png").arg(name);
    const QString actual = QStringLiteral(POTERO_TEST_DATA "/golden/%1.actual.png").arg(name);
    if (qEnvironmentVariableIntValue("POTERO_UPDATE_GOLDEN") == 1)
        return shot.save(path) ? QString() : QStringLiteral("cannot write ") + path;
    const QImage expected = QImage(path).convertToFormat(QImage::Format_RGB32);
    qsizetype differing = 0;
    if (expected.size() != shot.size()) {
        differing = -1;
    } else {
        for (int y = 0; y < shot.height(); ++y) {
            const auto *a = reinterpret_cast<const QRgb *>(shot.constScanLine(y));
            const auto *b = reinterpret_cast<const QRgb *>(expected.constScanLine(y));
            for (int x = 0; x < shot.width(); ++x)
                differing += qAbs(qRed(a[x]) - qRed(b[x])) > kFuzz ||
                             qAbs(qGreen(a[x]) - qGreen(b[x])) > kFuzz ||
                             qAbs(qBlue(a[x]) - qBlue(b[x])) > kFuzz;
        }
    }
    if (differing >= 0 && differing <= kMaxDiffering) {
        QFile::remove(actual);
        return QString();
    }
    shot.save(actual);
    if (differing < 0)
        return QStringLiteral("%1: %2x%3 against %4x%5 golden (see %6)")
            .arg(name)
            .arg(shot.width())
            .arg(shot.height())
            .arg(expected.width())
            .arg(expected.height())
            .arg(actual);
    return QStringLiteral("%1: %2 pixels differ (see %3)").arg(name).arg(differing).arg(actual);
}

} // namespace golden

#define POTERO_COMPARE_GOLDEN(window, name)                                                        \
    do {                                                                                           \
        const QString why = golden::mismatch(window, QStringLiteral(name));                        \
        QVERIFY2(why.isEmpty(), qPrintable(why));                                                  \
    } while (false)
