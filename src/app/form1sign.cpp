// The destination sign: the sign folder's list, the arrow keys and the folder step.

#include "app/form1.h"

#include "busview/signstepper.h"
#include "controls/imagecontrol.h"
#include "controls/picturebox.h"

#include <QDir>
#include <QMessageBox>

namespace {

const QString kProgramTitle = QString::fromUtf8("トルミナ");
const QString kPathNotFound =
    QString::fromUtf8("指定したパスが見つかりません。再度指定しなおしてください。");

} // namespace

void Form1::EnsureTrailingSeparator()
{
    const QChar separator = QDir::separator();
    if (!SignFolder.endsWith(separator))
        SignFolder += separator;
}

bool Form1::ShowSignPicture(int position)
{
    if (position > 32767)
        return false;
    const std::optional<QString> entry = File1.entry(position);
    if (!entry)
        return false;
    // The sign box shows the picture's top-left corner only: the rest is never decoded.
    auto loaded = ShownPicture::load(m_decoder, channel::Slot::Sign, SignFolder + *entry,
                                     signPart(), signPart(), devicePixelRatioF());
    if (!loaded)
        return false;
    m_signPicture = std::move(loaded).value();
    showSign();
    return true;
}

QRect Form1::signPart() const
{
    return QRect(QPoint(0, 0), Picture1->size());
}

void Form1::showSign()
{
    // A sign the decoder can no longer render shows nothing rather than an old picture.
    const Result<QImage> pixels = m_signPicture.render(signPart(), devicePixelRatioF());
    ImgDesiMaku->setPicture(pixels ? QPixmap::fromImage(*pixels) : QPixmap(),
                            m_signPicture.naturalSize());
}

void Form1::Picture1_KeyDown(int keyCode, int)
{
    EnsureTrailingSeparator();
    const std::optional<qint32> position = SignStepper::arrowKey(keyCode, SignIndex, File1.count());
    if (!position)
        return;
    SignIndex = *position;
    ShowSignPicture(SignIndex);
}

void Form1::picDir()
{
    const Status listed = File1.setPath(SignFolder);
    if (listed)
        return;
    if (FileList::isNotFound(listed.error())) {
        messageBox(kPathNotFound);
        MnuEditHkPic_Click();
        return;
    }
    messageBox(listed.error().message);
}

void Form1::messageBox(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, kProgramTitle, text, QMessageBox::Ok, dialogOwner());
    box.exec();
}
