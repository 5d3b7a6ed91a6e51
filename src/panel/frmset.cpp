#include "panel/frmset.h"

#include "base/twips.h"
#include "panel/busoperations.h"
#include "platform/artwork.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QTimer>

namespace {

const QColor kPanelGrey(64, 64, 64);
const QColor kOptionGrey(224, 224, 224);
const QColor kSpeedText(255, 192, 128);

void fillBackground(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QFrame *makeFrame(const char *name, QWidget *parent, const QRect &geometry, const QColor &color)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(geometry);
    fillBackground(frame, color);
    return frame;
}

QLabel *makeSpeedLabel(const char *name, QWidget *parent, const QRect &geometry)
{
    auto *label = new QLabel(QStringLiteral("0"), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setFrameShape(QFrame::Box);
    label->setStyleSheet(
        QStringLiteral("QLabel { background: black; color: %1; border: 1px solid gray; }")
            .arg(kSpeedText.name()));
    return label;
}

// A scroll bar draws no focus of its own; the speed sliders take the keyboard, so they show it.
class SpeedSlider : public QScrollBar
{
public:
    using QScrollBar::QScrollBar;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QScrollBar::paintEvent(event);
        if (!hasFocus())
            return;
        QStylePainter painter(this);
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        // Shown however the focus came, the mouse included: the arrow keys step it then too.
        focus.state |= QStyle::State_KeyboardFocusChange;
        focus.rect = rect().adjusted(1, 1, -1, -1);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
};

QScrollBar *makeSpeedSlider(const char *name, const char *accessibleName, QWidget *parent,
                            const QRect &geometry, int value)
{
    auto *slider = new SpeedSlider(Qt::Horizontal, parent);
    slider->setObjectName(QString::fromLatin1(name));
    slider->setAccessibleName(QString::fromUtf8(accessibleName));
    slider->setGeometry(geometry);
    slider->setRange(1, 30000);
    slider->setSingleStep(1);
    slider->setPageStep(1);
    slider->setValue(value);
    // The speed changes when a dragged thumb is let go, not while it moves.
    slider->setTracking(false);
    // A tab stop, so the arrow keys can step the speed: Right raises it, as the thumb moves (a
    // scroll bar's arrow keys run the other way by default).
    slider->setFocusPolicy(Qt::StrongFocus);
    slider->setInvertedControls(false);
    return slider;
}

QPushButton *makeDoorButton(const char *name, const char *picture, const char *accessibleName,
                            QWidget *parent, const QRect &geometry)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    // The button shows a picture of its word only; a screen reader says the word.
    button->setAccessibleName(QString::fromUtf8(accessibleName));
    button->setGeometry(geometry);
    button->setCheckable(true);
    const QString resource = QString::fromLatin1(picture);
    button->setIcon(artwork::icon(resource));
    button->setIconSize(artwork::naturalSize(resource));
    return button;
}

} // namespace

frmSet::frmSet(QWidget *mainWindow, BusOperations &operations)
    : QWidget(mainWindow,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_operations(operations)
{
    setObjectName(QStringLiteral("frmSet"));
    setWindowTitle(QString::fromUtf8("設定パネル"));
    setFixedSize(twips::toPixels(3945), twips::toPixels(2565));
    fillBackground(this, kPanelGrey);

    Frame1 = makeFrame("Frame1", this, twips::toRect(2265, 0, 1620, 2505), kPanelGrey);
    Frame1->setAccessibleName(QString::fromUtf8("方向幕"));
    createKeypad();
    Command1 = new QPushButton(QString::fromUtf8("方向幕フォルダー"), Frame1);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twips::toRect(75, 2190, 1530, 270));

    createDoorSection();
    createOptions();

    Command3 = new QPushButton(QString::fromUtf8("バージョン情報"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(twips::toRect(720, 2145, 1515, 360));

    setTabOrder();
    connectToMainWindow();
}

// The panel has no close box and never closes itself; a window manager's close request (a close
// button it draws anyway, Alt+F4) is refused. It goes away with the main window.
void frmSet::closeEvent(QCloseEvent *event)
{
    event->ignore();
}

// Some window managers draw a minimize button whatever the panel asks for. The panel has no
// taskbar entry to come back from, so it refuses to be minimized as it refuses to close.
void frmSet::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        QTimer::singleShot(0, this, [this] {
            if (isMinimized())
                setWindowState(windowState() & ~Qt::WindowMinimized);
        });
}

// Enter presses the focused button as Space does, as users of the panel expect; a button
// outside a dialog leaves Enter to its window.
void frmSet::keyPressEvent(QKeyEvent *event)
{
    auto *button = qobject_cast<QAbstractButton *>(focusWidget());
    if (button && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !event->isAutoRepeat()) {
        button->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmSet::createDoorSection()
{
    FrameA = makeFrame("FrameA", this, twips::toRect(30, 30, 2190, 1965), Qt::black);
    FrameA->setAccessibleName(QString::fromUtf8("扉"));
    Check1 = makeDoorButton("Check1", artwork::kFrontDoorButton, "前扉", FrameA,
                            twips::toRect(75, 165, 735, 510));
    HScroll1 =
        makeSpeedSlider("HScroll1", "前扉の速さ", FrameA, twips::toRect(855, 195, 1260, 240), 6000);
    lblMaeSpeed = makeSpeedLabel("lblMaeSpeed", FrameA, twips::toRect(885, 450, 1215, 240));
    Check2 = makeDoorButton("Check2", artwork::kMiddleDoorButton, "中扉", FrameA,
                            twips::toRect(60, 840, 735, 525));
    HScroll2 = makeSpeedSlider("HScroll2", "中扉の速さ", FrameA, twips::toRect(840, 840, 1230, 240),
                               10000);
    lblNakaSpeed = makeSpeedLabel("lblNakaSpeed", FrameA, twips::toRect(870, 1110, 1200, 240));
}

// The middle door's three-way choice is kept and saved, but never shown.
void frmSet::createOptions()
{
    Frame2 = new QGroupBox(QString::fromUtf8("中扉動作"), FrameA);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setGeometry(twips::toRect(60, 1410, 2085, 480));
    fillBackground(Frame2, kOptionGrey);
    const char *captions[3] = {"両方", "左", "右"};
    const QRect places[3] = {twips::toRect(60, 180, 735, 270), twips::toRect(795, 180, 570, 270),
                             twips::toRect(1470, 165, 555, 270)};
    for (int index = 0; index < 3; ++index) {
        Option1[index] = new QRadioButton(QString::fromUtf8(captions[index]), Frame2);
        Option1[index]->setObjectName(QStringLiteral("Option1(%1)").arg(index));
        Option1[index]->setGeometry(places[index]);
        fillBackground(Option1[index], kOptionGrey);
    }
    Option1[0]->setChecked(true);
    Frame2->hide();
}

void frmSet::setTabOrder()
{
    // The order the panel was designed with: keypad, hidden options, door switches and sliders,
    // then the two dialog buttons.
    QList<QWidget *> order;
    for (QPushButton *key : Command2)
        order << key;
    order << Option1[2] << Option1[1] << Option1[0] << Check1 << Check2 << HScroll2 << HScroll1
          << Command3 << Command1;
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void frmSet::connectToMainWindow()
{
    BusOperations &bus = m_operations;
    connect(Check1, &QPushButton::clicked, this, [&bus] { bus.Check1_Click(); });
    connect(Check2, &QPushButton::clicked, this, [&bus] { bus.Check2_Click(); });
    connect(HScroll1, &QScrollBar::valueChanged, this, [&bus] { bus.HScroll1_Change(); });
    connect(HScroll2, &QScrollBar::valueChanged, this, [&bus] { bus.HScroll2_Change(); });
    connect(Command1, &QPushButton::clicked, this, [&bus] { bus.MnuEditHkPic_Click(); });
    connect(Command3, &QPushButton::clicked, this, [&bus] { bus.MnuHelpVer_Click(); });
    for (int index = 0; index < 12; ++index)
        connect(Command2[index], &QPushButton::clicked, this,
                [this, index] { Command2_Click(index); });
}
