#pragma once

#include <QWidget>

class BusOperations;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;

// The control panel: a small tool window above every other window. It holds no logic: each of
// its events calls an operation of the main window, which reads the panel's controls back.
class frmSet : public QWidget
{
    Q_OBJECT
public:
    // Stays above mainWindow, and sends its events to the operations the main window offers.
    frmSet(QWidget *mainWindow, BusOperations &operations);

    QFrame *Frame1 = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *Command2[12] = {};
    QPushButton *Command1 = nullptr;
    QFrame *FrameA = nullptr;
    QPushButton *Check1 = nullptr;
    QScrollBar *HScroll1 = nullptr;
    QLabel *lblMaeSpeed = nullptr;
    QPushButton *Check2 = nullptr;
    QScrollBar *HScroll2 = nullptr;
    QLabel *lblNakaSpeed = nullptr;
    QGroupBox *Frame2 = nullptr;
    QRadioButton *Option1[3] = {};
    QPushButton *Command3 = nullptr;

    // The sign keypad: digits build a position number in the display, "C" clears it, "設定"
    // shows the sign picture at that position.
    void Command2_Click(int index);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createDoorSection();
    void createKeypad();
    void createOptions();
    void setTabOrder();
    void connectToMainWindow();

    BusOperations &m_operations;
};
