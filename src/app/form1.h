#pragma once

#include "busview/signstepper.h"
#include "decoder/decoderclient.h"
#include "decoder/shownpicture.h"
#include "panel/busoperations.h"
#include "platform/filelist.h"

#include <QPixmap>
#include <QString>
#include <QWidget>

class ImageControl;
class PictureBox;
class QMenu;
class QAction;
class RectShape;
class frmSet;
namespace precisepause {
class Pacer;
}

// The main window: the bus seen from its left side, carrying the destination sign, the two
// doors and the signboard. It owns the program's start and end and the operations through
// which the control panel drives the bus.
class Form1 : public QWidget, public BusOperations
{
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // The control panel; the first call creates its window, still hidden.
    frmSet *panel();

    // The load event: settings, then the panel shown on top, then the caption.
    void load();
    // The unload event: SaveIni, then the program ends. It runs once, whichever end of the
    // session asks first (a close, a signal, the session manager).
    void unload();
    // The unload's save alone, for a process that the toolkit is already ending because the X
    // server went away: no window is touched and a failure is not shown.
    void unloadAtExit();

    // Operations the control panel calls, without arguments.
    void Check1_Click() override;
    void Check2_Click() override;
    void HScroll1_Change() override;
    void HScroll2_Change() override;
    void MnuEditHkPic_Click() override;
    void MnuHelpVer_Click() override;
    virtual void picDir();
    virtual void SaveIni();
    virtual void LoadIni();

    // Controls, named as the rest of the program knows them.
    PictureBox *Picture1 = nullptr;
    ImageControl *ImgDesiMaku = nullptr;
    FileList File1; // never shown: the sign folder's list of pictures
    PictureBox *PicKanban = nullptr;
    RectShape *shpK_Waku[3] = {};
    PictureBox *picSlideBase1 = nullptr;
    ImageControl *Image2 = nullptr;
    ImageControl *Image1[3] = {}; // indexes 1 and 2 are the two front-door leaves
    QMenu *MnuTempMenu1 = nullptr;
    QAction *MnuViewKanban = nullptr;
    QAction *MnuViewWaku = nullptr;
    QAction *MnuSetKanban = nullptr;
    QAction *MnuBdr1 = nullptr;
    QAction *MnuKanbanReset = nullptr;

    // The shared state of the bus view.
    QString SignFolder;
    qint32 SignIndex = 0;
    QString KanbanPicPath;
    // Carried by the settings file and written back as read.
    QString SpareText;
    qint32 SpareNumber1 = 0;
    qint32 SpareNumber2 = 0;
    qint16 MidDoorMode = 0;

    // The settings file; beside the executable unless set (tests set their own).
    QString iniPath() const;
    void setIniPath(const QString &path);

    // The sign's steps, also used by the panel's keypad.
    void EnsureTrailingSeparator() override;
    bool ShowSignPicture(int position) override;
    // Key codes as the sign knows them: 38 Up, 40 Down.
    void Picture1_KeyDown(int keyCode, int shift);
    static constexpr int kKeyUp = SignStepper::kKeyUp;
    static constexpr int kKeyDown = SignStepper::kKeyDown;

    // The signboard and its frame.
    void PicKanban_DblClick();
    void PicKanban_Resize();
    void PicKanban_MouseDown(Qt::MouseButton button, QPoint position);
    void MnuViewKanban_Click();
    void MnuViewWaku_Click();
    void MnuSetKanban_Click();
    void MnuKanbanReset_Click();
    // Gives the signboard a picture; it takes the picture's size, "no picture" keeps its size.
    void setKanbanPicture(const ShownPicture &picture);
    // Draws the part of the signboard's picture inside the window: anew, or only when a move
    // has revealed a part not drawn yet.
    void showKanban(bool anew);
    // The part of a sign picture the sign box shows, and showing it.
    QRect signPart() const;
    void showSign();

    static QString captionFor(const QString &executableBaseName);

signals:
    // The unload has run; the program ends now.
    void unloaded();

protected:
    // The wait after each door step, count x 200 ns from the end of the last one, with no event
    // processing.
    virtual void pauseCount(precisepause::Pacer &pacer, int count);
    // The open-file dialog for the signboard's picture; empty when cancelled.
    virtual QString C_Dialog1();
    // A message box with an OK button only, titled with the program's title.
    virtual void messageBox(const QString &text);
    // The window a new dialog belongs to: the open modal dialog, else the panel. A dialog owned
    // by the panel is kept above it, so the panel, always on top, never covers a dialog.
    QWidget *dialogOwner();
    // Plays a built-in sound to its end.
    virtual void playWaveResource(int id);

    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void createMenu();
    void applyArtwork();
    void placeByFallback();
    void followFrameForPanel();
    // Applies the settings file in its order, stopping at the first thing that fails.
    Status loadSettings();
    void startDecoderForSettings();
    void connectKanban();
    void dragKanbanTo(QPoint pointer);
    void setFrontDoorWidth(double width);
    void setMiddleDoorLeft(double left);

    frmSet *m_panel = nullptr;
    QPixmap m_background;
    bool m_unloaded = false;
    bool m_screenGone = false;
    // Decodes every picture file, in a process of its own; started when there is a picture.
    DecoderClient m_decoder;
    ShownPicture m_signPicture;
    ShownPicture m_kanbanPicture;
    QRect m_kanbanShown;
    QString m_iniPath;
    bool m_iniInUtf8 = false; // the settings file was read as UTF-8, and is written so again
    // Placed by the fallback: the panel stands under the main window's frame, once it is known.
    bool m_panelUnderMainWindow = false;
    bool m_dragging = false;
    QPoint m_grabOffset;
    bool m_followsScreen = false;
};
