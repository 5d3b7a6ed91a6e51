#pragma once

#include <QDialog>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

// The sign folder dialog: the user types the folder of sign pictures or picks it in the
// folder chooser. OK stores the text in the sign folder and has the bus read the folder again;
// Cancel leaves everything as it was.
class frmBrowseDir : public QDialog
{
    Q_OBJECT
public:
    // Asks the user for a folder; an empty result means the user cancelled.
    using FolderChooser = std::function<QString(QWidget *parent, const QString &title)>;

    // The longest path the sign folder takes from the chooser, in bytes of the settings file.
    static constexpr int kMaxPathBytes = 255;

    // signFolder must outlive the dialog; picDir is called on OK, after it has been stored.
    frmBrowseDir(QString &signFolder, std::function<void()> picDir, QWidget *owner = nullptr);

    // Shows a fresh dialog modally over owner and returns when it has closed.
    static void showModal(QString &signFolder, std::function<void()> picDir, QWidget *owner);

    void setFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }

    // What the text box takes from a folder the chooser returned, or nullopt when the path
    // cannot be taken.
    static std::optional<QString> enteredPath(const QString &chosenFolder);

    void Command1_Click();
    void Command2_Click(int index);

    QLabel *Label2 = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2[2] = {};

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();

    QString &m_signFolder;
    std::function<void()> m_picDir;
    FolderChooser m_chooseFolder;
};
