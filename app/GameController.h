#pragma once
// The running game, without any window: the mid-end between the rules and
// the main window. It owns the game session, taking moves and whole games
// back, the searches of the optimal solver (the best value, the hint, the
// solution) and their cancelling, the solution played move by move, the
// picture jobs (the board picture made off the window's thread, cut into
// the tiles it hands out), the settings it applies and the kept game.
//
// The window forwards what the player does and shows what this object
// reports. It reports in codes and values (enums, numbers, pictures), never
// in words: the window puts them into its texts. Questions that need the
// player (which picture?) go through a chooser function the window sets.
#include "app/KeptGame.h"
#include "app/WindowSettings.h"
#include "base/SettingsFile.h"
#include "game/GameSession.h"
#include "game/Solver.h"
#include "pictures/PictureError.h"
#include "pictures/TileCutter.h"
#include "pictures/WorkingCopy.h"

#include <QImage>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QThreadPool;

class GameController : public QObject
{
    Q_OBJECT
public:
    explicit GameController(QObject *parent = nullptr);
    ~GameController() override;

    const GameSession &session() const { return m_session; }

    // --- what the window needs before start() ------------------------------------
    // The board's square in device pixels and the device pixel ratio: the
    // board picture is made at the largest multiple of the board's side
    // within it (boardDeviceSide) and cut into tiles of a field's device
    // size. Once the game runs, a new size has the board cut anew at it
    // (tilesResized follows).
    void setBoardPixels(int deviceSquare, qreal dpr);
    int boardDeviceSide() const { return m_boardSquare / m_session.side() * m_session.side(); }
    // Asks the player for a picture file: its path, or an empty string when
    // none was chosen. Without a chooser nothing is ever chosen.
    void setPictureChooser(std::function<QString()> choose) { m_choose = std::move(choose); }
    // The searches wait until boardPainted() (the start leaves the second
    // core to the display server until the board is on the screen).
    void holdSearchesUntilPainted() { m_holdSearches = true; }
    // Where the kept game and the settings are written (tests record or
    // refuse writes); by default the atomic writer. Set before the settings
    // are first read.
    void setWriters(KeptGame::Writer kept, SettingsFile::Writer settings);
    // The main window's size and state as the settings hold them (read
    // before start(), to open the window as it was left).
    WindowSettings::State windowState();
    // The main window's size and state, kept in the settings when they
    // changed; one that cannot be written is told (SettingNotWritten).
    void setWindowState(const WindowSettings::State &state);

    // Reads p.cxa, the settings and the kept game; resumes the kept game or
    // deals a new one, and begins making its board picture.
    void start();
    void boardPainted();
    // The window closes: every flow under way ends, nothing more is asked
    // or reported, and the game is kept (the call waits for the write).
    void close();
    bool closed() const { return m_closed->load(); }
    // The game kept now (a session asks to end), without closing.
    void keepNow();

    // --- the tiles -------------------------------------------------------------
    // The tile pictures by tile number (Bilder, one more than there are
    // fields; the empty field's tile has none), the picture's last square
    // (shown on a won board) and the board picture (the preview's).
    const std::vector<QImage> &tiles() const { return m_bilder; }
    QImage lastSquare() const;
    const QImage &boardPicture() const { return m_source; }

    // --- placing a layout -----------------------------------------------------
    // The layout to be placed next.
    void ZArray_setzen(const QVector<qint16> &za);
    // The tiles placed on the fields by ZArray.
    void Bilder_Laden(Board::Placement how);

    // --- commands -------------------------------------------------------------
    void newGame();                                  // "Neu"
    void changePicture();                            // "Bild ändern": asks the chooser
    void loadGame(const GameState &state);           // a saved game chosen
    enum class TakeBack { Nothing, Move, Game };
    Q_ENUM(TakeBack)
    TakeBack canTakeBack() const;
    void takeBack();                                 // "Zug zurück" / "Spiel zurück"
    void togglePreview();
    void togglePosition();
    bool crop() const { return m_fit == TileCutter::Fit::CropToSquare; }
    void setCrop(bool crop);                         // "Bild zuschneiden"
    void hint();                                     // "Tipp"
    void toggleSolution();                           // "Lösung zeigen"
    // "Spielfeld": a new deal of side x side fields with the current
    // picture, taken back as "Neu" is. The current size is kept in the
    // settings (a kept or loaded game's size as well) and read at start.
    void setSide(int side);
    static constexpr const char *SideKey = "Spielfeld";
    // "Nummern": each tile shows its number; kept in the settings ("=1").
    bool numbers() const { return m_numbers; }
    // The tiles at hand were cut from a picture for the board's size (not
    // the numbered tiles shown without one).
    bool haveCut() const { return m_cutDone && int(m_cut.size()) == m_session.board().fieldCount(); }
    void setNumbers(bool on);
    static constexpr const char *NumbersKey = "Nummern";

    // --- the player's hand on the board ---------------------------------------------
    // A drop (or, slid, an arrow key) of the tile of field source on target.
    void drop(int source, int target, bool slide);
    void click(int field);
    void hintTimeUp();

    // --- the solver ------------------------------------------------------------
    static constexpr int SolutionStepMillis = 300;
    bool solutionRunning() const;
    void stopSolution();
    bool searching() const;
    // How many searches are wanted now (the tests count them).
    int searchesWanted() const { return int(m_searches.size()); }
    // What the best-value line tells: Known is a proven fewest number of
    // moves, Found the length of the best solution found without that proof.
    enum class Bestwert { Unknown, Searching, Known, Found, Unsolvable, SolutionSearching };
    Q_ENUM(Bestwert)

    // Things that could not be written, shown in the panel while they last.
    enum Notice { KeptGameNotWritten = 1, SettingNotWritten = 2 };
    int notices() const { return m_notices; }

signals:
    // The session changed: counter, hint mark, switches, what can be taken back.
    void sessionChanged();
    // New tiles (and last square, and board picture) are to be shown.
    void tilesChanged();
    // The same tiles, cut anew at the board's new size.
    void tilesResized();
    // Tiles moved without a drag: drawn sliding.
    void slid(const Moves::Action &steps);
    // The winning move was made.
    void won(GameSession::Win win);
    // A new deal, a picture change or a game taken back: the position
    // display empties.
    void positionCleared();
    // The board picture is being made (progress shown) or is done.
    void working(bool busy);
    void bestwertChanged(GameController::Bestwert state, int length);
    void hintShown(int field);                       // -1: the position cannot be solved
    void cropChanged(bool crop);
    // The board's side changed (a size chosen, a game of another size
    // loaded, kept or taken back), and the numbers switched.
    void sideChanged(int side);
    void numbersChanged(bool on);
    void noticesChanged(int notices);
    // For messages the window words.
    void pictureNotFound(const QString &path);       // a loaded game's picture
    void pictureNotReadable(const QString &path, PictureError error);
    void referenceNotWritten(const QString &path);   // p.cxa
    void unsolvable();                               // hint or solution on a position that cannot be solved

private:
    // What a board picture being made is for: the deal or loaded game to be
    // placed with it, the board as it stands cut anew (another fit), or the
    // same tiles at the board's new size (quietly: the game goes on).
    enum class CutFor { NewDeal, LoadedGame, SameBoard, NewSize };
    // A board picture and its tiles, made off the window's thread.
    struct Made {
        WorkingCopy::Result picture;
        std::vector<QImage> tiles;
    };

    // --- the state shown and kept ---
    void changed();
    void keepGame();
    // The settings and the window told of the side the session now has.
    void sideShown();
    SettingsFile &settings();
    void setNotice(Notice notice, bool on);

    // --- the picture jobs ---
    void Bildpfad_Lesen();
    void Steine_Mischen();
    void Settings(QString &l_bild, bool &ivis, bool &pos);
    void cutAndPlace(CutFor what);
    // Runs job off the window's thread, cuts the board picture it makes
    // into tiles there, and hands both to done unless a later job began.
    void runPictureJob(std::function<WorkingCopy::Result(const std::atomic<bool> &closed)> job,
                       std::function<void(const Made &)> done);
    void boardPictureReady(CutFor what, const Made &made);
    void placeBoard(CutFor what, const Made &made);
    void Bild_Teilen(const Made &made);
    // Bilder: every field's tile of the cut at hand, the empty field's none.
    void showCut();
    void askForPicture(std::optional<CutFor> ifNothing);
    void pictureChosen(const QString &chosen, std::optional<CutFor> ifNothing, const Made &made);
    void endPictureChange();
    // Runs action now, or, while a chosen picture is being read, once it has
    // been taken: no later command drops the player's choice.
    void afterChoice(std::function<void()> action);
    void runAfterChoice();

    // --- moves ---
    void played(const GameSession::Played &p, bool slide);

    // --- whole games taken back ---
    void keepPrevious();
    void restorePrevious();

    // --- the searches ---
    struct Search;
    void startBestwert();
    void launch(const std::shared_ptr<Search> &search, const Tiles::Fields &fields);
    void searchDone(const std::shared_ptr<Search> &search, const Solver::Result &result);
    std::shared_ptr<Search> searchFor(quint64 position) const;
    void dropStaleSearches(bool all);
    void cancelUnwanted();
    // Answers a hint or solution question (kind) for its position.
    void ask(const GameSession::HintQuestion &q, bool Search::*kind);
    void answerHint(quint64 position, const Solver::Result &result);
    void answerSolution(quint64 position, const Solver::Result &result);
    void playSolutionStep();
    void showBestwert();
    std::optional<Solver::Result> known(quint64 position) const;

    GameSession m_session;
    std::function<QString()> m_choose;
    std::shared_ptr<std::atomic<bool>> m_closed = std::make_shared<std::atomic<bool>>(false);

    // the tiles
    int m_boardSquare = 416;                 // the board's room, device pixels
    qreal m_dpr = 1;
    std::vector<QImage> m_bilder;            // Bilder: tile pictures by tile number
    std::vector<QImage> m_cut;               // the tiles of the last cut, by tile number
    QImage m_source;                         // the last board picture
    bool m_cutDone = false;
    TileCutter::Fit m_fit = TileCutter::Fit::Stretch;

    // the picture jobs: the latest one counts
    QThreadPool *m_picturePool = nullptr;
    std::atomic<quint64> m_pictureJob{0};
    std::optional<CutFor> m_pendingCut;      // a board picture being made, and for what
    bool m_choosing = false;                 // a chosen picture is being read
    std::vector<std::function<void()>> m_afterChoice;

    // settings and the kept game
    KeptGame::Writer m_keptWriter;
    SettingsFile::Writer m_settingsWriter;
    std::unique_ptr<SettingsFile> m_settings;
    KeptGame *m_kept = nullptr;
    bool m_keeping = false;
    int m_notices = 0;
    int m_sideShown = 0;                     // the side the settings and the window know
    bool m_numbers = false;

    // the game before a new deal, picture or loaded game, until the first move
    struct Previous;
    std::unique_ptr<Previous> m_previous;

    // the searches: each serves the kinds that asked for its position
    QThreadPool *m_solverPool = nullptr;
    std::vector<std::shared_ptr<Search>> m_searches;
    struct Answer { quint64 position = 0; Solver::Result result; };
    std::optional<Answer> m_lastAnswer;      // the latest finished search
    bool m_holdSearches = false;
    std::function<void()> m_afterPaint;
    std::optional<Tiles::Fields> m_dealStart;  // the position the best value is of
    Bestwert m_bestwert = Bestwert::Unknown;
    int m_bestLength = -1;
    bool m_solutionSearching = false;
    QTimer m_solutionTimer;
};
