#include "dialogs/frmbrowsedir.h"

#include "base/cp932.h"
#include "base/twips.h"
#include "platform/ansipath.h"

#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QString chooseWithFileDialog(QWidget *parent, const QString &title)
{
    return QFileDialog::getExistingDirectory(parent, title, QDir::rootPath(),
                                             QFileDialog::ShowDirsOnly);
}

QPushButton *makeButton(const QString &name, const QString &text, QWidget *parent,
                        const QRect &geometry)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    // Neither button answers to Enter: the dialog has no default button.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

frmBrowseDir::frmBrowseDir(QString &signFolder, std::function<void()> picDir, QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::MSWindowsFixedSizeDialogHint),
      m_signFolder(signFolder), m_picDir(std::move(picDir)), m_chooseFolder(chooseWithFileDialog)
{
    setObjectName(QStringLiteral("frmBrowseDir"));
    setWindowTitle(QString::fromUtf8("画像の位置"));
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(twips::toPixels(6900), twips::toPixels(1215));
    createControls();
    Text1->setText(m_signFolder);
}

void frmBrowseDir::createControls()
{
    Label2 = new QLabel(QString::fromUtf8("方向幕のあるフォルダを指定してください"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twips::toRect(135, 60, 3945, 225));
    Label1 = new QLabel(QString::fromUtf8("位置："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twips::toRect(75, 465, 885, 210));

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twips::toRect(555, 405, 5070, 300));
    // The label names the text box for a screen reader.
    Label1->setBuddy(Text1);

    Command1 = makeButton(QStringLiteral("Command1"), QString::fromUtf8("参照(&B)..."), this,
                          twips::toRect(5655, 405, 1020, 345));
    Command2[0] = makeButton(QStringLiteral("Command2(0)"), QStringLiteral("OK"), this,
                             twips::toRect(4200, 825, 1230, 345));
    Command2[1] = makeButton(QStringLiteral("Command2(1)"), QString::fromUtf8("キャンセル"), this,
                             twips::toRect(5520, 825, 1230, 345));

    connect(Command1, &QPushButton::clicked, this, &frmBrowseDir::Command1_Click);
    for (int index = 0; index < 2; ++index) {
        connect(Command2[index], &QPushButton::clicked, this,
                [this, index] { Command2_Click(index); });
    }
    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Command2[0]);
    setTabOrder(Command2[0], Command2[1]);
    Text1->setFocus();
}

void frmBrowseDir::showModal(QString &signFolder, std::function<void()> picDir, QWidget *owner)
{
    frmBrowseDir dialog(signFolder, std::move(picDir), owner);
    dialog.exec();
}

std::optional<QString> frmBrowseDir::enteredPath(const QString &chosenFolder)
{
    if (chosenFolder.isEmpty()) {
        return std::nullopt;
    }
    QString path = ansipath::representable(QDir::toNativeSeparators(chosenFolder));
#ifdef _WIN32
    // Windows paths ignore case; the folder is entered in lower case.
    path = path.toLower();
#endif
    // Any folder is taken, as a typed one is; only a path longer than the path buffer is
    // refused, counted in the bytes the settings file keeps it in: CP932 where it holds the
    // path, UTF-8 otherwise.
    const auto narrow = cp932::encode(path);
    if ((narrow ? narrow->size() : path.toUtf8().size()) > kMaxPathBytes) {
        return std::nullopt;
    }
    return path;
}

void frmBrowseDir::Command1_Click()
{
    const QString chosen =
        m_chooseFolder(this, QString::fromUtf8("方向幕のあるフォルダを選択してください"));
    if (const std::optional<QString> path = enteredPath(chosen)) {
        Text1->setText(*path);
    }
}

void frmBrowseDir::Command2_Click(int index)
{
    if (index != 0) {
        reject();
        return;
    }
    m_signFolder = Text1->text();
    if (m_picDir) {
        m_picDir();
    }
    accept();
}

void frmBrowseDir::keyPressEvent(QKeyEvent *event)
{
    // Enter and Esc press nothing here: there is neither a default nor a cancel button.
    const int key = event->key();
    if (event->matches(QKeySequence::Cancel) || key == Qt::Key_Return || key == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
