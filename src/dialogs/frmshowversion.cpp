#include "dialogs/frmshowversion.h"

#include "base/twips.h"
#include "platform/artwork.h"
#include "platform/executable.h"
#include "platform/fonts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>

#include <algorithm>

namespace {

const QColor kBackground(255, 255, 255);
const QColor kPlate(78, 78, 78);
const QColor kYellow(255, 255, 0);
const QColor kWhite(255, 255, 255);
const QColor kLinkBlue(0, 0, 255);

const char *const kMakerLine = "製作：ポテロ製作チーム";
const char *const kCreditLine = "絵・音：ポテロ製作チーム";
const char *const kNotice = "このソフトウェアは無保証で提供されます。\n\n"
                            "方向幕の画像は、お好きなものをご用意ください。";

QLabel *makeLabel(const QString &name, const QString &text, QWidget *parent, const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

void paint(QLabel *label, const QColor &background, const QColor &text)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    label->setPalette(palette);
    label->setAutoFillBackground(true);
}

QFont gothic(qreal pointSize, bool bold)
{
    QFont font = fonts::make(fonts::kProportionalGothic, pointSize);
    font.setBold(bold);
    return font;
}

// The stand-in face sets the link a little wider than the line it was laid out for; rather
// than cut the sentence short, the face is narrowed just enough to keep it whole.
QFont fittedToWidth(QFont font, const QString &text, int width)
{
    const int natural = QFontMetrics(font).horizontalAdvance(text);
    if (natural > width) {
        font.setStretch(std::max(50, width * 100 / natural));
    }
    return font;
}

void showCritical(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

frmShowVersion::frmShowVersion(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::MSWindowsFixedSizeDialogHint),
      m_addressSource([] { return MakerLibrary::beside().homePageAddress(); }),
      m_openUrl([](const QUrl &url) { return QDesktopServices::openUrl(url); }),
      m_reportError(showCritical)
{
    setObjectName(QStringLiteral("frmShowVersion"));
    setWindowTitle(QString::fromUtf8("ポテロのバージョン情報"));
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(twips::toPixels(4995), twips::toPixels(3345));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kBackground);
    setPalette(palette);
    setAutoFillBackground(true);
    createControls();
    Label1[1]->setText(modelLine(executable::baseName()));
}

void frmShowVersion::createControls()
{
    Image1 =
        makeLabel(QStringLiteral("Image1"), QString(), this, twips::toRect(285, 165, 480, 480));
    const QString icon = QString::fromLatin1(artwork::kIcon);
    Image1->setPixmap(artwork::render(icon, devicePixelRatioF()));
    // An image that is not stretched takes its picture's own size.
    Image1->resize(artwork::naturalSize(icon));
    Image1->setAccessibleName(QString::fromUtf8("ポテロのアイコン"));

    Label1[0] = makeLabel(QStringLiteral("Label1(0)"), QString::fromUtf8("ポテロ"), this,
                          twips::toRect(900, 240, 3840, 330));
    Label1[0]->setFont(gothic(14.25, true));
    Label1[1] = makeLabel(QStringLiteral("Label1(1)"), modelLine(QString()), this,
                          twips::toRect(165, 720, 4605, 270));
    Label1[1]->setFont(gothic(9.75, true));
    Label2 = makeLabel(QStringLiteral("Label2"), QString::fromUtf8("Varsion　1.0.0"), this,
                       twips::toRect(165, 1035, 3225, 225));
    for (QLabel *label : {Label1[0], Label1[1], Label2}) {
        paint(label, kPlate, kYellow);
    }

    Label3[0] = makeLabel(QStringLiteral("Label3(0)"), QString::fromUtf8(kMakerLine), this,
                          twips::toRect(165, 1290, 3225, 240));
    Label3[1] = makeLabel(QStringLiteral("Label3(1)"), QString::fromUtf8(kCreditLine), this,
                          twips::toRect(165, 1545, 3225, 240));
    Label3[2] = makeLabel(QStringLiteral("Label3(2)"), QString::fromUtf8(kNotice), this,
                          twips::toRect(150, 1860, 4650, 885));
    Label3[2]->setWordWrap(true);
    for (QLabel *label : Label3) {
        paint(label, kPlate, kWhite);
    }

    Label4 =
        makeLabel(QStringLiteral("Label4"), QString(), this, twips::toRect(15, 2835, 4965, 60));
    paint(Label4, QApplication::palette().color(QPalette::Button),
          QApplication::palette().color(QPalette::ButtonText));
    Label4->setAccessibleName(QString::fromUtf8("区切り線"));

    Label5 = makeLabel(QStringLiteral("Label5"),
                       QString::fromUtf8("ここをクリックするとオルヴェルトHPが開きます。"), this,
                       twips::toRect(240, 2985, 3315, 225));
    QFont linkFont = gothic(9, false);
    linkFont.setUnderline(true);
    Label5->setFont(fittedToWidth(linkFont, Label5->text(), Label5->width()));
    QPalette linkPalette = Label5->palette();
    linkPalette.setColor(QPalette::WindowText, kLinkBlue);
    Label5->setPalette(linkPalette);
    Label5->setCursor(Qt::PointingHandCursor);
    Label5->installEventFilter(this);

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twips::toRect(3570, 2940, 1230, 345));
    // The one way out, and the dialog's default button: Enter presses it, Esc does not.
    Command1->setDefault(true);
    Command1->setFocus();
    connect(Command1, &QPushButton::clicked, this, &frmShowVersion::Command1_Click);
}

void frmShowVersion::showModal(QWidget *owner)
{
    frmShowVersion dialog(owner);
    dialog.exec();
}

QString frmShowVersion::modelLine(const QString &executableBaseName)
{
    return QString::fromUtf8("型番・製造番号：") + executableBaseName;
}

QString frmShowVersion::libraryErrorText(const QString &description)
{
    return description + QStringLiteral("\r\n\r\n") +
           QString::fromUtf8(" 上記内容をオルヴェルトHP関係者まで報告してください。");
}

void frmShowVersion::Command1_Click()
{
    accept();
}

void frmShowVersion::Label5_Click()
{
    const Result<QString> address = m_addressSource();
    if (!address) {
        m_reportError(this, QString::fromUtf8("Orvhpurl.dllのエラー"),
                      libraryErrorText(address.error().message));
        return;
    }
    // Whether the desktop could open it is not looked at: an unusable address fails quietly.
    m_openUrl(QUrl(*address));
}

bool frmShowVersion::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != Label5) {
        return QDialog::eventFilter(watched, event);
    }
    // A click is a left press and a release over the link.
    if (event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        m_linkPressed = mouse->button() == Qt::LeftButton;
    } else if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const bool click = m_linkPressed && mouse->button() == Qt::LeftButton &&
                           Label5->rect().contains(mouse->position().toPoint());
        m_linkPressed = false;
        if (click) {
            Label5_Click();
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmShowVersion::keyPressEvent(QKeyEvent *event)
{
    // Only Command1 closes the dialog; Esc is not a way out.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
