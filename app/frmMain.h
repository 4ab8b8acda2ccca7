#pragma once
// The main window: the board of sixteen fields, the move counter panel, the
// position panel, the preview, the progress bar and the menus. It holds the
// game (a Board) and mirrors it into its field boxes; the other windows read
// and change the game through its public members.
#include "game/Board.h"
#include "game/Shuffle.h"

#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QVector>
#include <array>
#include <atomic>
#include <memory>

class FieldBox;
class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QProgressBar;
class QRubberBand;
class QThreadPool;

class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // The load handler: geometry, picture reference, fields, first game.
    // Shows the window.
    void Form_Load();

    // --- the shared state -----------------------------------------------------
    Board &board() { return m_board; }
    const Board &board() const { return m_board; }
    qint16 zuege() const { return m_board.zuege(); }
    void setZuege(qint16 z);                 // also refreshes Label(1)
    bool fertig() const { return m_board.fertig(); }
    void setFertig(bool f) { m_board.setFertig(f); }

    bool PosAnz = false;                     // position display shown
    bool imgvis = false;                     // preview shown
    QString Bild_org;                        // picture reference (p.cxa, saved games)
    qint16 Window_Left = 0;                  // where secondary windows open (twips)
    qint16 Window_Top = 0;
    const QString &Bild_aktuell() const { return m_bildAktuell; }

    // --- operations other windows call -------------------------------------
    void Bild_Teilen(int unused);
    void Bilder_Laden(int X, int y);
    void ZArray_setzen(const QVector<qint16> &za);
    void Settings(QString &l_bild, bool &ivis, bool &pos);

    // Outer geometry (frame included) in twips, for placing other windows.
    QRect geometryTwips() const;

    // --- controls (tests and the other windows look at them) ---------------
    FieldBox *picBox(int i) const { return m_picBox[i]; }
    QLabel *Label(int i) const { return m_label[i]; }
    QFrame *Frame1() const { return m_frame1; }
    QGroupBox *Frame3() const { return m_frame3; }
    QGroupBox *Frame4() const { return m_frame4; }
    QLabel *imgTemp() const { return m_imgTemp; }
    QProgressBar *pBar() const { return m_pBar; }
    QAction *mnuNew = nullptr, *mnuChangePic = nullptr, *mnuSave = nullptr, *mnuLoad = nullptr,
            *mnuExit = nullptr, *mnuPreviewOn = nullptr, *mnuPosOn = nullptr,
            *mnuTopTen = nullptr, *mnuAbout = nullptr, *mnuDescr = nullptr,
            *mnuHint = nullptr;

    // The fewest moves the current game's starting position needs, shown
    // below the move count ("Bestwert: 52"); computed in the background.
    QLabel *lblBestwert() const { return m_lblBestwert; }
    // A hint was shown in this game: it does not enter the top ten.
    bool hintUsed() const { return m_hintUsed; }
    // The field the last hint marked (-1 when none is marked).
    int hintField() const { return m_hintField; }
    // Waits until the background computations have finished (tests).
    bool waitForSolver(int msecs);
    // A background computation is still running.
    bool solverBusy() const;

    // Highest progress value reached during the last cut and placement.
    int progressPeak() const { return m_progressPeak; }

    // Replaces the clock-seeded generator (tests).
    void setRandomDraw(RandomDraw draw) { m_draw = std::move(draw); }

public slots:
    void mnuNew_Click();
    void mnuChangePic_Click();
    void mnuSave_Click();
    void mnuLoad_Click();
    void mnuPreviewOn_Click();
    void mnuPosOn_Click();
    void mnuTopTen_Click();
    void mnuAbout_Click();
    void mnuDescr_Click();
    void mnuHint_Click();

    // Brings the window to the front (a second start asks for this).
    void activateFromOutside();

signals:
    // Emitted after a drop that solved the board, before the top ten is asked.
    void gameWon();
    // Emitted when the best value of a new deal is known, and when a hint
    // has been marked (or found impossible).
    void bestwertKnown();
    void hintShown(int field);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    friend class FieldBox;
    void buildControls();
    void buildMenus();
    void Fenster_Zentrieren();
    void Felder_Anlegen();
    void Bildpfad_Lesen();
    void Steine_Mischen();
    void Vorschau_Setzen();
    void addProgress(int amount);
    void setBorders(bool single);
    void showField(int p);                   // mirror one field of the board
    void showAllFields();
    void picBox_DragOver(int index, int source, int state);
    void picBox_DragDrop(int index, int source);
    int fieldAt(const QPoint &globalPos) const;
    void endDrag();
    // Hands a won game over to the top-ten list (name box, placing).
    void handOverWin();
    // After the winning drop: the top ten, unless a hint was used.
    void gameOver();
    // Starts computing the best value of the position now on the board.
    void startBestwert();
    void cancelSolver();

    Board m_board;
    RandomSource m_random;
    RandomDraw m_draw;
    QString m_bildAktuell;
    std::array<QImage, 17> m_bilder;         // Bilder: tile pictures by tile number
    std::array<QImage, 16> m_cut;            // the tiles of the last cut, by tile number
    QImage m_source;                         // imgTemp's picture: the last picture loaded
    bool m_cutDone = false;                  // the last cut produced tiles
    std::array<FieldBox *, 17> m_picBox{};
    QVector<QLabel *> m_label;
    QFrame *m_frame1 = nullptr;
    QGroupBox *m_frame3 = nullptr, *m_frame4 = nullptr;
    QLabel *m_imgTemp = nullptr;
    QProgressBar *m_pBar = nullptr;
    int m_progressPeak = 0;

    // the optimal solver, off the user-interface thread
    QThreadPool *m_solverPool = nullptr;
    std::shared_ptr<std::atomic<bool>> m_solverCancel;
    quint64 m_dealNumber = 0;                // which deal a result belongs to
    quint64 m_positionNumber = 0;            // which position a hint belongs to
    QLabel *m_lblBestwert = nullptr;
    bool m_hintUsed = false;
    int m_hintField = -1;

    // the drag in progress
    int m_dragSource = -1;
    int m_dragOver = -1;
    QRubberBand *m_dragOutline = nullptr;
    QPoint m_dragGrabOffset;
};
