// The signboard: its picture, its frame, the drag and the popup menu's operations.

#include "app/form1.h"

#include "busview/kanbanframe.h"
#include "controls/picturebox.h"
#include "controls/rectshape.h"
#include "platform/ansipath.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QMenu>

namespace {

constexpr double kHomeLeft = 3480;
constexpr double kHomeTop = 2325;
constexpr double kHomeWidth = 1410;
constexpr double kHomeHeight = 450;
constexpr double kOnePixel = 15;

// Places the frame's pieces by a rule of the frame, each with one combined move, in index order.
void moveFrame(RectShape *const (&frame)[3], const QRectF &signboard,
               kanbanframe::Pieces (*rule)(const QRectF &, const kanbanframe::Pieces &))
{
    const kanbanframe::Pieces placed =
        rule(signboard,
             {frame[0]->twipsGeometry(), frame[1]->twipsGeometry(), frame[2]->twipsGeometry()});
    for (int i = 0; i < 3; ++i)
        frame[i]->Move(placed[i].left(), placed[i].top(), placed[i].width(), placed[i].height());
}

} // namespace

void Form1::connectKanban()
{
    connect(PicKanban, &PictureBox::twipsResized, this, &Form1::PicKanban_Resize);
    connect(PicKanban, &PictureBox::placed, this, [this] { showKanban(false); });
    connect(PicKanban, &PictureBox::doubleClicked, this, &Form1::PicKanban_DblClick);
    connect(PicKanban, &PictureBox::mousePressed, this,
            [this](Qt::MouseButton button, QPoint at) { PicKanban_MouseDown(button, at); });
    connect(PicKanban, &PictureBox::mouseMoved, this, [this](Qt::MouseButtons buttons, QPoint at) {
        if (m_dragging && (buttons & Qt::LeftButton))
            dragKanbanTo(PicKanban->mapTo(this, at));
    });
    connect(PicKanban, &PictureBox::mouseReleased, this, [this](Qt::MouseButton button, QPoint) {
        if (button == Qt::LeftButton)
            m_dragging = false;
    });
    // A checkable item ticks or unticks itself before it reports; the handlers read the check
    // mark as it was and invert it themselves.
    connect(MnuViewKanban, &QAction::triggered, this, [this](bool nowChecked) {
        MnuViewKanban->setChecked(!nowChecked);
        MnuViewKanban_Click();
    });
    connect(MnuViewWaku, &QAction::triggered, this, [this](bool nowChecked) {
        MnuViewWaku->setChecked(!nowChecked);
        MnuViewWaku_Click();
    });
    connect(MnuSetKanban, &QAction::triggered, this, [this] { MnuSetKanban_Click(); });
    connect(MnuKanbanReset, &QAction::triggered, this, [this] { MnuKanbanReset_Click(); });
}

void Form1::PicKanban_DblClick()
{
    moveFrame(shpK_Waku, PicKanban->twipsGeometry(), kanbanframe::fit);
}

void Form1::PicKanban_Resize()
{
    moveFrame(shpK_Waku, PicKanban->twipsGeometry(), kanbanframe::follow);
}

void Form1::PicKanban_MouseDown(Qt::MouseButton button, QPoint position)
{
    if (button == Qt::LeftButton) {
        // The grab point stays under the pointer until the button is let go.
        m_dragging = true;
        m_grabOffset = position;
    } else if (button == Qt::RightButton) {
        MnuTempMenu1->popup(PicKanban->mapToGlobal(position));
    }
}

void Form1::dragKanbanTo(QPoint pointer)
{
    const QPoint topLeft = pointer - m_grabOffset;
    PicKanban->Move(topLeft.x() * kOnePixel, topLeft.y() * kOnePixel, PicKanban->Width(),
                    PicKanban->Height());
}

void Form1::setKanbanPicture(const ShownPicture &picture)
{
    m_kanbanPicture = picture;
    if (!picture.isNull()) {
        const QSizeF size = picture.naturalSizeTwips();
        PicKanban->Move(PicKanban->Left(), PicKanban->Top(), size.width(), size.height());
    }
    showKanban(true);
}

void Form1::showKanban(bool anew)
{
    // Only the part inside the window is drawn; a move that reveals more draws again.
    const QRect box = PicKanban->geometry();
    const QRect visible = (box & rect()).translated(-box.topLeft());
    if (!anew && m_kanbanShown.contains(visible))
        return;
    const Result<QImage> pixels = m_kanbanPicture.render(visible, devicePixelRatioF());
    // A part the decoder could not render leaves what is shown as it is.
    if (!pixels && !anew)
        return;
    m_kanbanShown = visible;
    PicKanban->setPicture(pixels ? QPixmap::fromImage(*pixels) : QPixmap(), visible.topLeft());
}

void Form1::MnuViewKanban_Click()
{
    PicKanban->setVisible(!MnuViewKanban->isChecked());
    MnuViewKanban->setChecked(!MnuViewKanban->isChecked());
}

void Form1::MnuViewWaku_Click()
{
    for (RectShape *piece : shpK_Waku)
        piece->setVisible(!MnuViewWaku->isChecked());
    PicKanban_DblClick();
    MnuViewWaku->setChecked(!MnuViewWaku->isChecked());
}

void Form1::MnuSetKanban_Click()
{
    const QString fileName = C_Dialog1();
    if (fileName.isEmpty())
        return;
    const auto picture = ShownPicture::load(m_decoder, channel::Slot::Signboard, fileName);
    if (!picture)
        return;
    setKanbanPicture(*picture);
    KanbanPicPath = fileName;
    PicKanban_DblClick();
}

void Form1::MnuKanbanReset_Click()
{
    setKanbanPicture(ShownPicture());
    PicKanban->Move(kHomeLeft, kHomeTop, kHomeWidth, kHomeHeight);
    PicKanban_DblClick();
}

QString Form1::C_Dialog1()
{
    // Both spellings of each extension, for file systems that tell case apart.
    const QString filter =
        QStringLiteral("*.bmp;*.jpeg;*.gif;*.wmf;*.emf (*.bmp *.jpeg *.gif *.wmf *.emf "
                       "*.BMP *.JPEG *.GIF *.WMF *.EMF)");
    const QString chosen = QFileDialog::getOpenFileName(
        dialogOwner(), QString::fromUtf8("看板の画像を設定"), QString(), filter);
    return chosen.isEmpty() ? chosen : ansipath::representable(QDir::toNativeSeparators(chosen));
}
