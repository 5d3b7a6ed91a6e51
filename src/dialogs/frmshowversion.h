#pragma once

#include "platform/makerlibrary.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QUrl;

// The version dialog: the program's name, version and model line, the maker's lines, and a
// link that asks the maker's library for the maker's page and opens it in the browser.
class frmShowVersion : public QDialog
{
    Q_OBJECT
public:
    using AddressSource = std::function<Result<QString>()>;
    using UrlOpener = std::function<bool(const QUrl &)>;
    using ErrorReporter =
        std::function<void(QWidget *parent, const QString &title, const QString &text)>;

    explicit frmShowVersion(QWidget *owner = nullptr);

    // Shows a fresh dialog modally over owner and returns when it has closed.
    static void showModal(QWidget *owner);

    // Seams for the maker's library, the desktop's opener and the error box.
    void setAddressSource(AddressSource source) { m_addressSource = std::move(source); }
    void setUrlOpener(UrlOpener opener) { m_openUrl = std::move(opener); }
    void setErrorReporter(ErrorReporter reporter) { m_reportError = std::move(reporter); }

    // The model line's text for an executable of that base name.
    static QString modelLine(const QString &executableBaseName);
    // The text of the box that reports a failure of the maker's library.
    static QString libraryErrorText(const QString &description);

    void Command1_Click();
    void Label5_Click();

    QLabel *Image1 = nullptr;
    QLabel *Label1[2] = {};
    QLabel *Label2 = nullptr;
    QLabel *Label3[3] = {};
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QPushButton *Command1 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();

    AddressSource m_addressSource;
    UrlOpener m_openUrl;
    ErrorReporter m_reportError;
    bool m_linkPressed = false;
};
