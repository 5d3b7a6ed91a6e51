#pragma once

#include <QFile>
#include <QImage>
#include <QString>
#include <QTest>
#include <QWidget>

// A window's picture against its golden PNG under tests/data/golden/. A pixel differs when one
// of its channels is off by more than kFuzz; up to kMaxDiffering may, for anti-aliasing. On a
// mismatch the picture taken is written beside the golden one as NAME.actual.png. With
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
    const bool sameSize = expected.size() == shot.size();
    qsizetype differing = sameSize ? 0 : shot.width() * shot.height();
    for (int y = 0; sameSize && y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb a = shot.pixel(x, y), b = expected.pixel(x, y);
            differing += qAbs(qRed(a) - qRed(b)) > kFuzz || qAbs(qGreen(a) - qGreen(b)) > kFuzz ||
                         qAbs(qBlue(a) - qBlue(b)) > kFuzz;
        }
    QFile::remove(actual);
    if (differing <= kMaxDiffering)
        return QString();
    shot.save(actual);
    return QStringLiteral("%1: %2 pixels differ, or the size (see %3)")
        .arg(name, QString::number(differing), actual);
}

} // namespace golden

#define POTERO_COMPARE_GOLDEN(window, name)                                                        \
    do {                                                                                           \
        const QString why = golden::mismatch(window, QStringLiteral(name));                        \
        QVERIFY2(why.isEmpty(), qPrintable(why));                                                  \
    } while (false)
