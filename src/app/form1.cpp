#include "app/form1.h"

#include "base/twips.h"
#include "controls/imagecontrol.h"
#include "controls/picturebox.h"
#include "controls/rectshape.h"
#include "dialogs/frmbrowsedir.h"
#include "dialogs/frmshowversion.h"
#include "panel/frmset.h"
#include "platform/artwork.h"
#include "platform/executable.h"
#include "platform/taskbar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace {

constexpr int kClientWidth = 728;
constexpr int kClientHeight = 219;

} // namespace

Form1::Form1(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    // First, so that the decoder starts while the windows are made.
    startDecoderForSettings();
    // A fixed single border with a close box only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    setWindowIcon(artwork::icon(QString::fromLatin1(artwork::kIcon)));
    createControls();
    createMenu();
    connectKanban();
    applyArtwork();
    connect(qApp, &QCoreApplication::aboutToQuit, this, &Form1::unload);
}

Form1::~Form1()
{
    delete m_panel;
}

frmSet *Form1::panel()
{
    if (!m_panel)
        m_panel = new frmSet(this, *this);
    return m_panel;
}

QString Form1::captionFor(const QString &executableBaseName)
{
    return QString::fromUtf8("ポテロ\u3000-\u3000") + executableBaseName;
}

void Form1::createControls()
{
    Picture1 = new PictureBox(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAccessibleName(QString::fromUtf8("方向幕"));
    Picture1->Move(3495, 870, 775, 485);
    Picture1->setFocusPolicy(Qt::StrongFocus);
    connect(Picture1, &PictureBox::clicked, this, [this] { Picture1->setFocus(); });

    ImgDesiMaku = new ImageControl(Picture1);
    ImgDesiMaku->setObjectName(QStringLiteral("ImgDesiMaku"));
    ImgDesiMaku->setAccessibleName(QString::fromUtf8("方向幕の画像"));
    ImgDesiMaku->Move(0, 0, 780, 480);
    connect(ImgDesiMaku, &ImageControl::clicked, this, [this] { Picture1->setFocus(); });
    connect(Picture1, &PictureBox::keyDown, this, &Form1::Picture1_KeyDown);

    PicKanban = new PictureBox(this);
    PicKanban->setObjectName(QStringLiteral("PicKanban"));
    PicKanban->setAccessibleName(QString::fromUtf8("看板"));
    PicKanban->Move(3480, 2325, 1410, 450);

    shpK_Waku[0] = new RectShape(QStringLiteral("shpK_Waku(0)"), QRectF(3405, 2310, 75, 495), this);
    shpK_Waku[1] = new RectShape(QStringLiteral("shpK_Waku(1)"), QRectF(4890, 2310, 75, 495), this);
    shpK_Waku[2] =
        new RectShape(QStringLiteral("shpK_Waku(2)"), QRectF(3405, 2775, 1560, 60), this);

    for (RectShape *piece : shpK_Waku)
        connect(piece, &RectShape::changed, this, [this](const QRect &area) { update(area); });

    picSlideBase1 = new PictureBox(this);
    picSlideBase1->setObjectName(QStringLiteral("picSlideBase1"));
    picSlideBase1->setAccessibleName(QString::fromUtf8("中扉の入口"));
    picSlideBase1->Move(5715, 975, 1140, 2100);

    Image2 = new ImageControl(picSlideBase1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setAccessibleName(QString::fromUtf8("中扉"));
    Image2->Move(0, 30, 1155, 2055);

    const double leafLeft[3] = {0, 885, 300};
    for (int index = 1; index <= 2; ++index) {
        Image1[index] = new ImageControl(this);
        Image1[index]->setObjectName(QStringLiteral("Image1(%1)").arg(index));
        Image1[index]->setAccessibleName(QString::fromUtf8("前扉"));
        Image1[index]->setStretch(true);
        Image1[index]->Move(leafLeft[index], 930, 630, 2085);
        connect(Image1[index], &ImageControl::clicked, this, [this] { Picture1->setFocus(); });
    }

    setFocusPolicy(Qt::NoFocus);
    setFocusProxy(Picture1);
}

void Form1::applyArtwork()
{
    const qreal ratio = devicePixelRatioF();
    m_background = artwork::render(QString::fromLatin1(artwork::kBus), ratio);
    picSlideBase1->setPicture(artwork::render(QString::fromLatin1(artwork::kDoorway), ratio));
    Image2->setPicture(artwork::render(QString::fromLatin1(artwork::kMiddleLeaf), ratio));
    Image1[1]->setPicture(artwork::render(QString::fromLatin1(artwork::kFrontLeaf1), ratio));
    Image1[2]->setPicture(artwork::render(QString::fromLatin1(artwork::kFrontLeaf2), ratio));
    if (m_signPicture.isNull())
        ImgDesiMaku->setPicture(
            artwork::render(QString::fromLatin1(artwork::kSignPlaceholder), ratio));
    else
        showSign();
    showKanban(true);
    update();
}

void Form1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Moved to a screen of another density, the pictures are drawn again for it.
    if (QWindow *window = windowHandle(); window && !m_followsScreen) {
        m_followsScreen = true;
        connect(window, &QWindow::screenChanged, this, [this] { applyArtwork(); });
    }
    if (!qFuzzyCompare(m_background.devicePixelRatio(), devicePixelRatioF()))
        applyArtwork();
    followFrameForPanel();
    m_panelUnderMainWindow = false;
}

void Form1::load()
{
    LoadIni();
    frmSet *settingsPanel = panel();
    keepOutOfTaskbar(settingsPanel);
    settingsPanel->show();
    settingsPanel->raise();
    setWindowTitle(captionFor(executable::baseName()));
}

void Form1::placeByFallback()
{
    move(0, 0);
    m_panelUnderMainWindow = true;
    panel()->move(0, frameGeometry().height());
}

// The window manager tells the frame's size only after the window is shown; until then the
// outer height is the client's. The panel is moved under the frame once that is known.
void Form1::followFrameForPanel()
{
    if (!m_panelUnderMainWindow)
        return;
    auto *poll = new QTimer(this);
    poll->setInterval(25);
    connect(poll, &QTimer::timeout, this, [this, poll, tries = 0]() mutable {
        const int outerHeight = frameGeometry().height();
        if (outerHeight != height() || ++tries >= 80) {
            if (m_panel && m_panel->pos() == QPoint(0, height()))
                m_panel->move(0, outerHeight);
            poll->deleteLater();
        }
    });
    poll->start();
}

void Form1::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
    for (const RectShape *piece : shpK_Waku)
        piece->paint(painter);
}

void Form1::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::RightButton)
        MnuTempMenu1->popup(event->globalPosition().toPoint());
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    unload();
}

void Form1::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    SaveIni();
    if (m_panel)
        m_panel->hide();
    emit unloaded();
}

void Form1::unloadAtExit()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_screenGone = true;
    SaveIni();
}

QWidget *Form1::dialogOwner()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return m_panel && m_panel->isVisible() ? static_cast<QWidget *>(m_panel) : this;
}

void Form1::MnuEditHkPic_Click()
{
    frmBrowseDir::showModal(
        SignFolder, [this] { picDir(); }, dialogOwner());
}

void Form1::MnuHelpVer_Click()
{
    frmShowVersion::showModal(dialogOwner());
}
