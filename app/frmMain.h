#pragma once
// The main window: the board of sixteen fields, the move counter panel, the
// position panel, the preview, the progress bar and the menus. It holds one
// game session (the rules and the state of play) and shows it in its field
// boxes; the other windows get what they need as values when they open and
// answer with signals.
#include "game/GameSession.h"

#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QVector>
#include <array>
#include <atomic>
#include <functional>
#include <memory>

class FieldBox;
class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QProgressBar;
class QThreadPool;
class frmAbout;
class frmDescr;
class frmLoad;
class frmTopTen;

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
    const GameSession &session() const { return m_session; }
    qint16 zuege() const { return m_session.zuege(); }
    bool fertig() const { return m_session.fertig(); }
    bool PosAnz() const { return m_session.PosAnz; }
    bool imgvis() const { return m_session.imgvis; }
    const QString &Bild_org() const { return m_session.Bild_org; }
    const QString &Bild_aktuell() const { return m_session.Bild_aktuell; }
    qint16 Window_Left() const { return m_windowLeft; }   // where secondary windows open (twips)
    qint16 Window_Top() const { return m_windowTop; }

    // --- operations of the main window ------------------------------------
    void Bild_Teilen(int unused);
    void Bilder_Laden(int X, int y);
    void ZArray_setzen(const QVector<qint16> &za);
    void Settings(QString &l_bild, bool &ivis, bool &pos);
    // A saved game chosen in the save/load dialog: its counter, picture,
    // switches and layout, then the tiles cut and placed again.
    void applyLoadedGame(const GameState &state);

    // Outer geometry (frame included) in twips, for placing other windows.
    QRect geometryTwips() const;

    // --- controls (tests look at them) --------------------------------------
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
    // Waits until the background computations have finished (tests).
    bool waitForSolver(int msecs);
    // A background computation is still running.
    bool solverBusy() const;

    // Highest progress value reached during the last cut and placement.
    int progressPeak() const { return m_progressPeak; }

    // Replaces the clock-seeded generator (tests).
    void setRandomDraw(RandomDraw draw) { m_session.setRandomDraw(std::move(draw)); }

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
    // Emitted once, when the board has first been painted (or could not be
    // within a moment, the window being minimised).
    void boardShown();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void Fenster_Zentrieren();
    void Felder_Anlegen();
    void Bildpfad_Lesen();
    void Steine_Mischen();
    void Vorschau_Setzen();
    void setZuege(qint16 z);                 // also refreshes Label(1)
    void addProgress(int amount);
    void setBorders(bool single);
    void showField(int p);                   // mirror one field of the board
    void showAllFields();
    void picBox_DragOver(int index, int source, int state);
    void picBox_DragDrop(int index, int source);
    int fieldAt(const QPoint &globalPos) const;
    void endDrag();
    void cancelDrag();                       // the tile goes back, nothing counted
    void setHintMark(int field, bool on);
    // After the winning drop: the name box and the top ten, unless a hint
    // was used; the count is the one of the winning drop.
    void gameOver(GameSession::Win win);
    // Starts computing the best value of the position now on the board.
    void startBestwert(quint64 deal);
    void cancelSolver();
    // Runs what waited for the board's first paint (the best value).
    void runAfterFirstPaint();
    // The longest that waits (a window shown minimised is not painted).
    static constexpr int FirstPaintWaitMillis = 500;
    QThreadPool *solverPool();
    frmTopTen *topTen();
    QPoint secondaryPosition() const;

    GameSession m_session;
    qint16 m_windowLeft = 0;
    qint16 m_windowTop = 0;
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
    QLabel *m_lblBestwert = nullptr;

    // the secondary windows: at most one of each
    QPointer<frmTopTen> m_topTen;
    QPointer<frmLoad> m_load;
    QPointer<frmAbout> m_about;
    QPointer<frmDescr> m_descr;

    // the optimal solver, off the user-interface thread
    QThreadPool *m_solverPool = nullptr;
    std::shared_ptr<std::atomic<bool>> m_solverCancel;
    bool m_boardPainted = false;
    bool m_boardShownSignalled = false;
    std::function<void()> m_afterFirstPaint;

    // the drag in progress
    int m_dragSource = -1;
    int m_dragOver = -1;
    QWidget *m_dragOutline = nullptr;
    QPoint m_dragGrabOffset;
};
