// The main window's load and save of the settings file.

#include "app/form1.h"

#include "base/twips.h"
#include "controls/picturebox.h"
#include "controls/rectshape.h"
#include "panel/frmset.h"
#include "settings/settingsfile.h"
#include "settings/settingsrecord.h"

#include <QAction>
#include <QDir>
#include <QGuiApplication>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <tuple>

namespace {

using Field = SettingsRecord::Field;

constexpr int kDefaultFrontSpeed = 10000;
constexpr int kDefaultMiddleSpeed = 6000;

QPoint pixelsOf(qint32 left, qint32 top)
{
    return QPoint(twips::toPixels(left), twips::toPixels(top));
}

qint32 twipsOf(int pixels)
{
    return qint32(twips::fromPixels(pixels));
}

// A place that lies wholly off every screen (a monitor since unplugged) comes back onto the
// nearest one; a place that shows any part of the window stays exactly as saved.
QPoint reachablePlace(QPoint place, QSize size)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return place;
    const QRect window(place, size);
    QScreen *nearest = nullptr;
    qint64 nearestDistance = 0;
    for (QScreen *screen : screens) {
        const QRect area = screen->geometry();
        if (area.intersects(window))
            return place;
        const QPoint d = area.center() - window.center();
        const qint64 distance = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
        if (!nearest || distance < nearestDistance) {
            nearest = screen;
            nearestDistance = distance;
        }
    }
    const QRect area = nearest->availableGeometry();
    return QPoint(
        qBound(area.left(), place.x(), qMax(area.left(), area.right() - size.width() + 1)),
        qBound(area.top(), place.y(), qMax(area.top(), area.bottom() - size.height() + 1)));
}

} // namespace

QString Form1::iniPath() const
{
    return m_iniPath.isEmpty() ? settingsfile::path() : m_iniPath;
}

void Form1::setIniPath(const QString &path)
{
    m_iniPath = path;
}

void Form1::SaveIni()
{
    frmSet *settingsPanel = panel();
    SettingsRecord record;
    record.Form1Left = twipsOf(pos().x());
    record.Form1Top = twipsOf(pos().y());
    record.frmSetLeft = twipsOf(settingsPanel->pos().x());
    record.frmSetTop = twipsOf(settingsPanel->pos().y());
    record.SignFolder = SignFolder;
    record.SpareText = SpareText;
    record.SpareNumber1 = SpareNumber1;
    record.SpareNumber2 = SpareNumber2;
    record.KanbanPicPath = KanbanPicPath;
    record.PicKanbanLeft = SettingsRecord::roundToInt32(PicKanban->Left()).value_or(0);
    record.PicKanbanTop = SettingsRecord::roundToInt32(PicKanban->Top()).value_or(0);
    record.MnuViewKanban = MnuViewKanban->isChecked();
    record.MnuViewWaku = MnuViewWaku->isChecked();
    record.HScroll1 = settingsPanel->HScroll1->value();
    record.HScroll2 = settingsPanel->HScroll2->value();
    record.MidDoorMode = settingsPanel->Option1[0]->isChecked()   ? 0
                         : settingsPanel->Option1[1]->isChecked() ? 1
                                                                  : 2;

    const QString path = iniPath();
    const Status written = settingsfile::write(path, record.format(m_iniInUtf8));
    if (!written && !m_screenGone)
        messageBox(QString::fromUtf8("設定ファイルを保存できませんでした。\r\n") + path +
                   QStringLiteral("\r\n") + written.error().message);
}

void Form1::startDecoderForSettings()
{
    // The decoder starts while the windows are made, and only when a picture waits for it.
    const Result<QByteArray> file = settingsfile::read(iniPath());
    if (!file)
        return;
    SettingsRead read;
    // A record broken further on still names the fields read before the break.
    std::ignore = SettingsRecord::parse(*file, read);
    if ((read.wasRead(Field::SignFolder) && !read.record.SignFolder.isEmpty()) ||
        (read.wasRead(Field::KanbanPicPath) && !read.record.KanbanPicPath.isEmpty()))
        m_decoder.start();
}

void Form1::LoadIni()
{
    // A load that stops part way keeps what it applied; the fallback takes over from there.
    if (!loadSettings()) {
        placeByFallback();
        MnuKanbanReset_Click();
        frmSet *settingsPanel = panel();
        settingsPanel->HScroll1->setValue(kDefaultFrontSpeed);
        settingsPanel->HScroll2->setValue(kDefaultMiddleSpeed);
        settingsPanel->Option1[0]->setChecked(true);
    }
}

Status Form1::loadSettings()
{
    const Result<QByteArray> file = settingsfile::read(iniPath());
    if (!file)
        return Error{QStringLiteral("settings file unreadable")};
    SettingsRead read;
    const Status parsed = SettingsRecord::parse(*file, read);
    const SettingsRecord &record = read.record;
    m_iniInUtf8 = read.utf8;

    // The fields read straight into the shared variables stay read, whatever fails later.
    if (read.wasRead(Field::SignFolder))
        SignFolder = record.SignFolder;
    if (read.wasRead(Field::SpareText))
        SpareText = record.SpareText;
    if (read.wasRead(Field::SpareNumber1))
        SpareNumber1 = record.SpareNumber1;
    if (read.wasRead(Field::SpareNumber2))
        SpareNumber2 = record.SpareNumber2;
    if (read.wasRead(Field::KanbanPicPath))
        KanbanPicPath = record.KanbanPicPath;
    if (read.wasRead(Field::MidDoorMode))
        MidDoorMode = record.MidDoorMode;
    if (!parsed && !read.complete())
        return Error{QStringLiteral("settings record unreadable")};
    // A value out of range was read with the rest; applying stops when it reaches it.
    auto failsAt = [&parsed](Field field) { return !parsed && parsed.error().code == int(field); };
    const Error outOfRange{QStringLiteral("a setting out of range")};

    m_panelUnderMainWindow = false;
    move(reachablePlace(pixelsOf(record.Form1Left, record.Form1Top), frameSize()));
    frmSet *settingsPanel = panel();
    settingsPanel->move(
        reachablePlace(pixelsOf(record.frmSetLeft, record.frmSetTop), settingsPanel->frameSize()));

    PicKanban->setVisible(record.MnuViewKanban);
    MnuViewKanban->setChecked(record.MnuViewKanban);
    for (RectShape *piece : shpK_Waku)
        piece->setVisible(record.MnuViewWaku);
    MnuViewWaku->setChecked(record.MnuViewWaku);
    PicKanban->setLeft(record.PicKanbanLeft);
    PicKanban->setTop(record.PicKanbanTop);
    const auto kanban = ShownPicture::load(m_decoder, channel::Slot::Signboard, KanbanPicPath);
    if (!kanban)
        return kanban.error();
    setKanbanPicture(*kanban);
    PicKanban_DblClick();

    if (failsAt(Field::HScroll1))
        return outOfRange;
    settingsPanel->HScroll1->setValue(record.HScroll1);
    if (failsAt(Field::HScroll2))
        return outOfRange;
    settingsPanel->HScroll2->setValue(record.HScroll2);

    // No folder chosen yet: the sign keeps its placeholder and the load goes on. A lone
    // separator is what a key in the sign box makes of "no folder", so it is none either.
    if (!SignFolder.isEmpty() && SignFolder != QString(QDir::separator())) {
        if (!File1.setPath(SignFolder))
            return Error{QStringLiteral("sign folder unreadable")};
        EnsureTrailingSeparator();
        if (!ShowSignPicture(0))
            return Error{QStringLiteral("first sign picture unreadable")};
    }

    if (failsAt(Field::MidDoorMode))
        return outOfRange;
    settingsPanel->Option1[MidDoorMode]->setChecked(true);
    return Done{};
}
