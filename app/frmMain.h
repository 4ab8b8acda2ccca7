#pragma once
// The main window: the board, the move counter panel, the position panel,
// the preview, the progress bar and the menus. The game itself runs in the
// game controller the window owns: the window hands it what the player
// does, shows what it reports, and puts its codes into words; the other
// windows get what they need as values when they open and answer with
// signals.
#include "app/GameController.h"
#include "app/MainLayout.h"
#include "app/SwallowedKeys.h"

#include <QMainWindow>
#include <QPointer>
#include <QVector>

#include <functional>

class BoardView;
class QAction;
class QActionGroup;
class QGroupBox;
class QLabel;
class QProgressBar;
class WindowKeeper;
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

    // The load handler: geometry, the game's start, the fields. Shows the window.
    void Form_Load();

    // The running game; the shared state, read-only, through it.
    GameController *game() const { return m_game; }
    const GameSession &session() const { return m_game->session(); }
    qint16 zuege() const { return session().zuege(); }
    bool fertig() const { return session().fertig(); }
    bool PosAnz() const { return session().PosAnz(); }
    bool imgvis() const { return session().imgvis(); }
    const QString &Bild_org() const { return session().Bild_org(); }
    qint16 Window_Left() const { return m_windowLeft; }   // where secondary windows open (twips)
    qint16 Window_Top() const { return m_windowTop; }
    // The board is placed and can be played.
    bool boardPlaced() const { return session().placed(); }
    // A background computation is still running.
    bool solverBusy() const { return m_game->searching(); }
    // The solution is being searched for or played.
    bool solutionRunning() const { return m_game->solutionRunning(); }

    // A saved game chosen in the save/load dialog, taken up once the dialog
    // is closed: its counter, picture, switches and layout.
    void applyLoadedGame(const GameState &state);

    // Controls (tests look at them). The board widget stands for the board
    // frame and its fields.
    BoardView *Frame1() const { return m_board; }
    QLabel *Label(int i) const { return m_label[i]; }
    QGroupBox *Frame3() const { return m_frame3; }
    QGroupBox *Frame4() const { return m_frame4; }
    QLabel *imgTemp() const { return m_imgTemp; }
    QProgressBar *pBar() const { return m_pBar; }
    // The fewest moves the current game's starting position needs, shown
    // below the move count ("Bestwert: 52"); computed in the background.
    QLabel *lblBestwert() const { return m_lblBestwert; }
    // What could not be written (the kept game, a setting), while it lasts.
    QLabel *lblHinweis() const { return m_lblHinweis; }
    QAction *mnuNew = nullptr, *mnuChangePic = nullptr, *mnuSave = nullptr, *mnuLoad = nullptr,
            *mnuExit = nullptr, *mnuPreviewOn = nullptr, *mnuPosOn = nullptr,
            *mnuTopTen = nullptr, *mnuAbout = nullptr, *mnuDescr = nullptr,
            *mnuHint = nullptr, *mnuUndo = nullptr, *mnuSolution = nullptr, *mnuFit = nullptr,
            *mnuFullScreen = nullptr, *mnuNumbers = nullptr;
    // "Spielfeld": one checkable item for each board size, its side as data.
    QActionGroup *mnuSpielfeld = nullptr;

public slots:
    // The commands the game carries out.
    void mnuNew_Click() { m_game->newGame(); }
    void mnuChangePic_Click() { m_game->changePicture(); }
    void mnuPreviewOn_Click() { m_game->togglePreview(); }
    void mnuPosOn_Click() { m_game->togglePosition(); }
    // frmMain.cpp: the secondary windows.
    void mnuSave_Click();
    void mnuLoad_Click();
    void mnuTopTen_Click();
    void mnuAbout_Click();
    void mnuDescr_Click();
    // "Vollbild": fullscreen on and off (a maximised window stays maximised).
    void mnuFullScreen_Click();

signals:
    // Emitted once, when the board has first been painted (or could not be
    // within a moment, the window being minimised).
    void boardShown();

protected:
    // frmMain_Play.cpp
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
    // The controls placed for the client area's size.
    void layOut();
    // The board picture begun at the board's size, and the game started.
    void beginGame();
    // The preview, and the position display, made to match their switch;
    // each menu caption names the action it will take next.
    void Vorschau_Setzen();
    void Position_Setzen();
    // The one place that shows the session on screen: the board, the move
    // count, the hint mark, the switches and what can be taken back.
    void showSession();
    // Outer geometry (frame included) in twips, for placing other windows.
    QRect geometryTwips() const;
    QPoint secondaryPosition() const;
    frmTopTen *topTen(int side);

    // ===== frmMain_Play.cpp: the game's reports and questions, the player's hand =====
    void connectGame();
    void connectBoard();
    // The tiles the game cut, on the board and in the preview: new ones,
    // or the same at a new size.
    void showTiles(bool newTiles);
    // The winning move was made: the board shows the whole picture, then
    // gameOver follows.
    void gameWon(GameSession::Win win);
    // After the winning drop: the name box and the top ten, unless a hint
    // was used; the count is the one of the winning drop.
    void gameOver(GameSession::Win win);
    // Runs what waited for the board's first paint (the searches).
    void runAfterFirstPaint();
    // The longest that waits (a window shown minimised is not painted).
    static constexpr int FirstPaintWaitMillis = 500;
    // The longest a window opened maximised or fullscreen waits for its size
    // before its board picture is begun.
    static constexpr int SizeWaitMillis = 1000;

    // --- state ------------------------------------------------------------------
    GameController *m_game = nullptr;
    qint16 m_windowLeft = 0;
    qint16 m_windowTop = 0;
    bool m_boardPainted = false;
    bool m_boardShownSignalled = false;
    SwallowedKeys m_swallowed;               // the keys of the combination that stopped the solution

    // --- the window's size ------------------------------------------------------
    MainLayout::Design m_design;             // the controls at the first size
    QRect m_preview;                         // where the preview stands
    WindowKeeper *m_keeper = nullptr;        // its size and state between runs
    QSize m_waitingForSize;                  // opened maximised or fullscreen: its own size, until given another
    bool m_beginOnExpose = false;            // shown at its own size: the game begins once it is exposed
    bool m_begun = false;

    // --- controls ---------------------------------------------------------------
    BoardView *m_board = nullptr;
    QVector<QLabel *> m_label;
    QGroupBox *m_frame3 = nullptr, *m_frame4 = nullptr;
    QLabel *m_imgTemp = nullptr;
    QProgressBar *m_pBar = nullptr;
    QLabel *m_lblBestwert = nullptr;
    QLabel *m_lblHinweis = nullptr;

    // the secondary windows: at most one of each
    QPointer<frmTopTen> m_topTen;
    QPointer<frmLoad> m_load;
    QPointer<frmAbout> m_about;
    QPointer<frmDescr> m_descr;
};
