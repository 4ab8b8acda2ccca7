#pragma once
// The main window: the board, the move counter panel, the position panel,
// the preview, the progress bar and the menus. It holds one game session
// (the rules and the state of play), shows it on its board widget and hands
// the session what the player does; the other windows get what they need as
// values when they open and answer with signals.
#include "game/GameSession.h"
#include "pictures/TileCutter.h"
#include "pictures/WorkingCopy.h"

#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QVector>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class BoardView;
class QAction;
class QGroupBox;
class QLabel;
class QProgressBar;
class QThreadPool;
class QTimer;
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

    // ===== frmMain.cpp: the window, its controls, menus and secondary windows =====

    // The load handler: geometry, picture reference, fields, first game.
    // Shows the window.
    void Form_Load();

    // The shared state, read-only; the window alone hands changes to it.
    const GameSession &session() const { return m_session; }
    qint16 zuege() const { return m_session.zuege(); }
    bool fertig() const { return m_session.fertig(); }
    bool PosAnz() const { return m_session.PosAnz(); }
    bool imgvis() const { return m_session.imgvis(); }
    const QString &Bild_org() const { return m_session.Bild_org(); }
    qint16 Window_Left() const { return m_windowLeft; }   // where secondary windows open (twips)
    qint16 Window_Top() const { return m_windowTop; }

    // The layout to be placed next.
    void ZArray_setzen(const QVector<qint16> &za);
    // The picture and switches of a loaded game: a picture that is missing
    // turns both switches off and says so.
    void Settings(QString &l_bild, bool &ivis, bool &pos);
    // A saved game chosen in the save/load dialog: its counter, picture,
    // switches and layout, then the tiles cut and placed again.
    void applyLoadedGame(const GameState &state);

    // Controls (tests look at them). The board widget stands for the board
    // frame and its sixteen fields.
    BoardView *Frame1() const { return m_board; }
    QLabel *Label(int i) const { return m_label[i]; }
    QGroupBox *Frame3() const { return m_frame3; }
    QGroupBox *Frame4() const { return m_frame4; }
    QLabel *imgTemp() const { return m_imgTemp; }
    QProgressBar *pBar() const { return m_pBar; }
    // The fewest moves the current game's starting position needs, shown
    // below the move count ("Bestwert: 52"); computed in the background.
    QLabel *lblBestwert() const { return m_lblBestwert; }
    QAction *mnuNew = nullptr, *mnuChangePic = nullptr, *mnuSave = nullptr, *mnuLoad = nullptr,
            *mnuExit = nullptr, *mnuPreviewOn = nullptr, *mnuPosOn = nullptr,
            *mnuTopTen = nullptr, *mnuAbout = nullptr, *mnuDescr = nullptr,
            *mnuHint = nullptr, *mnuUndo = nullptr, *mnuSolution = nullptr, *mnuFit = nullptr;

    // ===== frmMain_Tiles.cpp: cutting the picture and placing the tiles =====

    // How the tiles are placed: a new deal or a loaded game.
    using Placement = Board::Placement;
    // What a board picture that is being made is for: the deal or loaded
    // game to be placed with it, or the board as it stands, cut anew.
    enum class CutFor { NewDeal, LoadedGame, SameBoard };
    // Makes the board picture of the current picture off the window's
    // thread; once it is there, it is cut and placed. Until then the
    // session refuses moves, saves and hints. A missing picture makes the
    // player choose another one (start-up, a loaded game).
    void cutAndPlace(CutFor what);
    // The board picture cut into the tiles; a null one leaves the tiles of
    // the last cut (or numbered tiles when there are none).
    void Bild_Teilen(const QImage &board);
    void Bilder_Laden(Placement how);
    // The board is placed and can be played.
    bool boardPlaced() const { return m_session.placed(); }

    // ===== frmMain_Solver.cpp: the best value and the hint =====

    // A background computation is still running.
    bool solverBusy() const;
    // The solution is being searched for or played.
    bool solutionRunning() const;
    // How often the solution moves.
    static constexpr int SolutionStepMillis = 300;

public slots:
    // frmMain.cpp
    void mnuNew_Click();
    void mnuSave_Click();
    void mnuLoad_Click();
    void mnuPreviewOn_Click();
    void mnuPosOn_Click();
    void mnuTopTen_Click();
    void mnuAbout_Click();
    void mnuDescr_Click();
    // Brings the window to the front (a second start asks for this).
    void activateFromOutside();
    // frmMain_ChangePic.cpp
    void mnuChangePic_Click();
    // frmMain_Play.cpp
    void mnuUndo_Click();
    // "Bild zuschneiden": the picture cut to its centre square (or not),
    // remembered at once and shown at once.
    void mnuFit_Click();
    // frmMain_Solver.cpp
    void mnuHint_Click();
    void mnuSolution_Click();

signals:
    // A hint has been marked on field (-1: the position cannot be solved).
    void hintShown(int field);
    // Emitted once, when the board has first been painted (or could not be
    // within a moment, the window being minimised).
    void boardShown();

protected:
    // frmMain_Play.cpp
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    // frmMain.cpp
    void closeEvent(QCloseEvent *event) override;

private:
    // ===== frmMain.cpp =====
    void buildControls();
    void buildMenus();
    void Fenster_Zentrieren();
    void Felder_Anlegen();
    void Bildpfad_Lesen();
    // The fit of "Bild zuschneiden" as the settings file keeps it.
    void Einstellungen_Lesen();
    void Steine_Mischen();
    // The preview, and the position display, made to match their switch;
    // each menu caption names the action it will take next.
    void Vorschau_Setzen();
    void Position_Setzen();
    // The one place that shows the session on screen: the board, the move
    // count and the hint mark.
    void showSession();
    // Outer geometry (frame included) in twips, for placing other windows.
    QRect geometryTwips() const;
    QPoint secondaryPosition() const;
    frmTopTen *topTen();

    // ===== frmMain_Play.cpp: the player's moves =====
    void connectBoard();
    // A drop (or, sliding, an arrow key) of the tile of field source onto
    // field target.
    void picBox_DragDrop(int target, int source, bool slide = false);
    // A click on field: the tiles between it and the empty field slide.
    void picBox_Click(int field);
    // Shows what an action other than a drop did: its tiles slide.
    void showPlayed(const GameSession::Played &played);
    // The winning move was made: the board shows the whole picture, then
    // gameOver follows.
    void gameWon();
    // After the winning drop: the name box and the top ten, unless a hint
    // was used; the count is the one of the winning drop.
    void gameOver(GameSession::Win win);

    // ===== frmMain_Tiles.cpp =====
    // Runs job off the window's thread and hands its result to done on the
    // window's thread, unless a later job began meanwhile or the window was
    // closed.
    void runPictureJob(std::function<WorkingCopy::Result(const std::atomic<bool> &closed)> job,
                       std::function<void(const WorkingCopy::Result &)> done);
    // The board picture is there (or could not be made): cut and placed.
    void boardPictureReady(CutFor what, const WorkingCopy::Result &result);
    // Tiles of the board picture, placed by what; a reason not to show the
    // picture is told once the board can be played.
    void placeBoard(CutFor what, const QImage &board, const QString &refused = QString());
    int boardSide() const;
    void addProgress(int amount);

    // ===== frmMain_ChangePic.cpp =====
    // The picture dialog; a picture chosen is checked, copied into the
    // library and recorded, and deals a new game. When nothing is taken,
    // ifNothing (if any) is placed with the tiles at hand.
    void askForPicture(std::optional<CutFor> ifNothing);
    void pictureChosen(const QString &chosen, std::optional<CutFor> ifNothing,
                       const WorkingCopy::Result &result);
    void endPictureChange();

    // ===== frmMain_Solver.cpp =====
    // Starts computing the best value of the position now on the board.
    void startBestwert(quint64 deal);
    void cancelSolver();
    // Runs what waited for the board's first paint (the best value).
    void runAfterFirstPaint();
    // The longest that waits (a window shown minimised is not painted).
    static constexpr int FirstPaintWaitMillis = 500;
    QThreadPool *solverPool();
    // The session's question for the solver (the hint and the solution); a
    // position that cannot be solved is told so.
    GameSession::HintQuestion askSolver();
    // The solution's search is cancelled, or its playing ends.
    void stopSolution();
    void playSolutionStep();
    // The best value, or that the solution is being searched for.
    void setBestwert(const QString &text);
    void showBestwert();

    // --- state ------------------------------------------------------------------
    GameSession m_session;
    qint16 m_windowLeft = 0;
    qint16 m_windowTop = 0;
    std::array<QImage, 17> m_bilder;         // Bilder: tile pictures by tile number
    std::array<QImage, 16> m_cut;            // the tiles of the last cut, by tile number
    QImage m_source;                         // imgTemp's picture: the last picture loaded
    bool m_cutDone = false;                  // the last cut produced tiles
    TileCutter::Fit m_fit = TileCutter::Fit::Stretch;   // "Bild zuschneiden"
    // The picture jobs: the latest one counts; closed tells a running job
    // that the window has closed and nothing more is to be written.
    QThreadPool *m_picturePool = nullptr;
    quint64 m_pictureJob = 0;
    std::optional<CutFor> m_pendingCut;     // a board picture being made, and for what
    std::shared_ptr<std::atomic<bool>> m_closed = std::make_shared<std::atomic<bool>>(false);

    // --- controls ---------------------------------------------------------------
    BoardView *m_board = nullptr;
    QVector<QLabel *> m_label;
    QGroupBox *m_frame3 = nullptr, *m_frame4 = nullptr;
    QLabel *m_imgTemp = nullptr;
    QProgressBar *m_pBar = nullptr;
    QLabel *m_lblBestwert = nullptr;

    // the secondary windows: at most one of each
    QPointer<frmTopTen> m_topTen;
    QPointer<frmLoad> m_load;
    QPointer<frmAbout> m_about;
    QPointer<frmDescr> m_descr;

    // the optimal solver, off the user-interface thread
    QThreadPool *m_solverPool = nullptr;
    std::shared_ptr<std::atomic<bool>> m_solverCancel;
    // the solution: searched for on a pool of its own, so that it never
    // waits for the best value, then played move by move
    QThreadPool *m_solutionPool = nullptr;
    std::shared_ptr<std::atomic<bool>> m_solutionCancel;   // of the search running, if any
    QTimer *m_solutionTimer = nullptr;
    QString m_bestwertText;
    int m_keyStopped = 0;                    // the key that stopped the solution: it does nothing else
    bool m_boardPainted = false;
    bool m_boardShownSignalled = false;
    std::function<void()> m_afterFirstPaint;
};
