#include "app/form1.h"
#include "controls/picturebox.h"
#include "controls/rectshape.h"
#include "support/notingform1.h"

#include <algorithm>

#include <QAction>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

namespace {

QRectF frame(const Form1 &form, int piece)
{
    return form.shpK_Waku[piece]->twipsGeometry();
}

} // namespace

class TestKanban : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_picture;
    QString m_notAPicture;

private slots:
    void initTestCase()
    {
        m_picture = m_dir.filePath(QStringLiteral("board.bmp"));
        QVERIFY(writePicture(m_picture, QSize(200, 100)));
        m_notAPicture = m_dir.filePath(QStringLiteral("notes.bmp"));
        QFile text(m_notAPicture);
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("just words") > 0);
    }

    void choosingAPicture()
    {
        NotingForm1 form;
        form.PicKanban->Move(600, 300, 1410, 450);
        form.chosenFile = m_picture;
        form.MnuSetKanban->trigger();
        QCOMPARE(form.calls, QStringList{"C_Dialog1"});
        QCOMPARE(form.PicKanban->twipsGeometry(), QRectF(600, 300, 3000, 1500));
        QCOMPARE(form.PicKanban->size(), QSize(200, 100));
        QCOMPARE(form.KanbanPicPath, m_picture);
        // The frame is fitted around it.
        QCOMPARE(frame(form, 1), QRectF(3600, 300, 75, 1515));
    }

    // Only the part inside the window is drawn; a move that reveals more draws that too.
    void movesRevealWhatWasNotDrawn()
    {
        const QString wide = m_dir.filePath(QStringLiteral("wide.bmp"));
        QImage image(1200, 100, QImage::Format_RGB32);
        image.fill(Qt::red);
        for (int y = 0; y < 100; ++y)
            std::fill_n(reinterpret_cast<QRgb *>(image.scanLine(y)) + 600, 600, qRgb(0, 0, 255));
        QVERIFY(image.save(wide, "BMP"));
        NotingForm1 form;
        form.PicKanban->Move(0, 0, 1410, 450);
        form.chosenFile = wide;
        form.MnuSetKanban->trigger();
        QCOMPARE(form.PicKanban->size(), QSize(1200, 100));
        QCOMPARE(form.PicKanban->picture().width(), 728);
        form.PicKanban->Move(-9000, 0, form.PicKanban->Width(), form.PicKanban->Height());
        const QImage shown = form.grab().toImage();
        QCOMPARE(shown.pixel(300, 50), qRgb(0, 0, 255));
        QCOMPARE(shown.pixel(10, 50), qRgb(0, 0, 255));
    }

    void failedChoicesChangeNothing()
    {
        NotingForm1 form;
        form.chosenFile = m_picture;
        form.MnuSetKanban_Click();
        const QRectF board = form.PicKanban->twipsGeometry();
        const QRectF post = frame(form, 0);
        form.PicKanban->Move(0, 0, board.width(), board.height()); // frame now out of fit

        for (const QString &answer : {QString(), m_notAPicture, m_dir.filePath("gone.bmp")}) {
            form.chosenFile = answer;
            form.MnuSetKanban_Click();
            QCOMPARE(form.PicKanban->twipsGeometry(), QRectF(0, 0, board.width(), board.height()));
            QCOMPARE(frame(form, 0), post);
            QCOMPARE(form.KanbanPicPath, m_picture);
            QVERIFY(!form.PicKanban->picture().isNull());
        }
    }

    void dragKeepsTheGrabPointAndLeavesTheFrame()
    {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.PicKanban_DblClick();
        const QRectF post = frame(form, 0);
        QTest::mousePress(form.PicKanban, Qt::LeftButton, {}, QPoint(5, 5));
        QMouseEvent move(QEvent::MouseMove, QPointF(35, 25),
                         form.PicKanban->mapToGlobal(QPointF(35, 25)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(form.PicKanban, &move);
        QTest::mouseRelease(form.PicKanban, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(form.PicKanban->twipsGeometry(), QRectF(3480 + 450, 2325 + 300, 1410, 450));
        QCOMPARE(frame(form, 0), post);
        // After the release, moving the pointer moves nothing.
        QCoreApplication::sendEvent(form.PicKanban, &move);
        QCOMPARE(form.PicKanban->Left(), 3480 + 450.0);

        QTest::mouseDClick(form.PicKanban, Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(frame(form, 0), QRectF(3480 + 450 - 75, 2325 + 300, 75, 465));
    }

    void shownStatesAreIndependent()
    {
        Form1 form;
        form.MnuViewKanban->trigger();
        QVERIFY(form.PicKanban->isHidden() && !form.MnuViewKanban->isChecked());
        QVERIFY(form.shpK_Waku[0]->isVisible() && form.MnuViewWaku->isChecked());
        // Shown again, the frame stands fitted around the signboard's place.
        form.MnuViewWaku->trigger();
        QVERIFY(!form.MnuViewWaku->isChecked() && !form.shpK_Waku[2]->isVisible());
        form.PicKanban->Move(1500, 1500, 1410, 450);
        form.MnuViewWaku->trigger();
        QVERIFY(form.MnuViewWaku->isChecked() && form.shpK_Waku[2]->isVisible());
        QCOMPARE(frame(form, 0), QRectF(1425, 1500, 75, 465));
        form.MnuViewKanban->trigger();
        QVERIFY(form.PicKanban->isVisibleTo(&form) && form.MnuViewKanban->isChecked());
    }

    void resetKeepsShownStatesAndPath()
    {
        NotingForm1 form;
        form.chosenFile = m_picture;
        form.MnuSetKanban_Click();
        form.PicKanban->Move(-3000, 9000, 3000, 1500);
        form.MnuViewKanban_Click();
        form.MnuKanbanReset->trigger();
        QCOMPARE(form.PicKanban->twipsGeometry(), QRectF(3480, 2325, 1410, 450));
        QVERIFY(form.PicKanban->picture().isNull());
        QVERIFY(form.PicKanban->isHidden() && !form.MnuViewKanban->isChecked());
        QCOMPARE(form.KanbanPicPath, m_picture);
        QCOMPARE(frame(form, 1), QRectF(4890, 2325, 75, 465));
    }
};

QTEST_MAIN(TestKanban)
#include "tst_kanban.moc"
