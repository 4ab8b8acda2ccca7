#include "app/GameController.h"

#include "base/ProgramFolder.h"
#include "pictures/BoardFit.h"
#include "pictures/PictureLibrary.h"
#include "pictures/PictureLoader.h"
#include "pictures/PictureReference.h"

#include <QFileInfo>
#include <QThreadPool>

#include <algorithm>

namespace {

// Blanks (only blanks) removed at both ends, as the picture reference is read.
QString trimBlanks(const QString &s)
{
    int a = 0, b = s.size();
    while (a < b && s.at(a) == QLatin1Char(' '))
        ++a;
    while (b > a && s.at(b - 1) == QLatin1Char(' '))
        --b;
    return s.mid(a, b - a);
}

// The scaled working copy of the current picture.
QString workingCopyPath()
{
    return ProgramFolder::file(QStringLiteral("Images/bild.jpg"));
}

// The numbered tiles of a board of side x side fields, field x field device
// pixels each, drawn at dpr.
std::vector<QImage> numberedTiles(int side, int field, qreal dpr)
{
    std::vector<QImage> tiles;
    for (int k = 0; k < Tiles::fieldCount(side); ++k)
        tiles.push_back(TileCutter::numberedTile(k, field, dpr));
    return tiles;
}

// The board's side read from the settings: DocumentedSide unless a whole
// number in range.
int sideSetting(const SettingsFile &settings)
{
    bool ok = false;
    const int side = settings.value(QLatin1String(GameController::SideKey)).value_or(QString()).trimmed().toInt(&ok);
    return ok && Tiles::isSide(side) ? side : Tiles::DocumentedSide;
}

// The tiles of a board picture: each exactly its square of the picture, so
// that a won board, shown without borders, is the picture without seams.
// The board's side in device pixels is a whole number of fields (side of
// them), so the tiles are the device size of the fields and are drawn
// unscaled. The picture and its tiles take the device pixel ratio the board
// is drawn at (a tile, a view into the picture, is copied for it here).
std::vector<QImage> cutBoard(QImage &board, int side, qreal dpr)
{
    board.setDevicePixelRatio(dpr);
    const int tileSide = board.width() / side;
    std::vector<QImage> tiles = TileCutter::cut(board, side, tileSide, tileSide);
    for (QImage &tile : tiles)
        tile.setDevicePixelRatio(dpr);
    return tiles;
}

} // namespace

// One search of the optimal solver for one position, serving the kinds that
// asked for it: the best value of the deal, the hint, the solution. No kind
// is searched for twice at a time; one nobody wants any more is cancelled.
struct GameController::Search {
    quint64 position = 0;        // the session's position searched (0: none the player stands on)
    quint64 deal = 0;            // the deal whose best value it finds
    bool bestwert = false, hint = false, solution = false;
    std::shared_ptr<std::atomic<bool>> cancel = std::make_shared<std::atomic<bool>>(false);
    bool wanted() const { return bestwert || hint || solution; }
};

// The game before a new deal, a new picture or a loaded game, with the tiles
// it was shown with, until the next game's first move.
struct GameController::Previous {
    GameSession::Snapshot game;
    std::vector<QImage> cut;
    QImage source;
    bool cutDone = false;
    TileCutter::Fit fit = TileCutter::Fit::Stretch;
    int boardPx = 0;                         // the board's side (device pixels) it was cut for
    std::optional<Tiles::Fields> dealStart;
    Bestwert bestwert = Bestwert::Unknown;
    int bestLength = -1;
};

GameController::GameController(QObject *parent)
    : QObject(parent)
{
    m_solutionTimer.setInterval(SolutionStepMillis);
    connect(&m_solutionTimer, &QTimer::timeout, this, &GameController::playSolutionStep);
}

GameController::~GameController()
{
    close();
    // Jobs still running hand nothing back: their results would reach a
    // controller that is gone.
    if (m_picturePool)
        m_picturePool->waitForDone();
    if (m_solverPool)
        m_solverPool->waitForDone();
}

void GameController::setBoardPixels(int deviceSquare, qreal dpr)
{
    // A room of another size that holds a board of the same side changes
    // nothing (but is kept for a board of another side).
    const int before = boardDeviceSide();
    m_boardSquare = deviceSquare;
    if (boardDeviceSide() == before && dpr == m_dpr)
        return;
    m_dpr = dpr;
    // Once the game runs, the board shown (or the one being made) is cut
    // anew at the new size; a chosen picture being read is taken first.
    if (m_kept && !closed())
        afterChoice([this] {
            if (m_session.placed() || m_pendingCut)
                cutAndPlace(CutFor::NewSize);
        });
}

void GameController::setWriters(KeptGame::Writer kept, SettingsFile::Writer settings)
{
    m_keptWriter = std::move(kept);
    m_settingsWriter = std::move(settings);
}

// --- start and end ---------------------------------------------------------------

SettingsFile &GameController::settings()
{
    if (!m_settings)
        m_settings = std::make_unique<SettingsFile>(ProgramFolder::file(QLatin1String(SettingsFile::FileName)),
                                                    m_settingsWriter);
    return *m_settings;
}

WindowSettings::State GameController::windowState()
{
    return WindowSettings::read(settings());
}

void GameController::setWindowState(const WindowSettings::State &state)
{
    if (!(WindowSettings::read(settings()) == state))
        setNotice(SettingNotWritten, !WindowSettings::write(settings(), state));
}

void GameController::start()
{
    m_fit = BoardFit::read(settings());
    emit cropChanged(crop());
    m_numbers = settings().value(QLatin1String(NumbersKey)) == QLatin1String("1");
    emit numbersChanged(m_numbers);
    // The board size the player chose last; a kept game brings its own.
    m_sideShown = sideSetting(settings());
    m_session.setSide(m_sideShown);
    emit sideChanged(m_sideShown);
    Bildpfad_Lesen();

    m_kept = new KeptGame(ProgramFolder::file(QLatin1String(KeptGame::FileName)), m_keptWriter, this);
    connect(m_kept, &KeptGame::written, this, [this](bool ok) { setNotice(KeptGameNotWritten, !ok); });
    const KeptGame::Loaded kept = m_kept->load();
    // A kept file that could be neither read nor set aside is never
    // written over: the game is not kept in this run.
    m_keeping = kept.found != KeptGame::Found::Stuck;
    setNotice(KeptGameNotWritten, !m_keeping);
    if (kept.found != KeptGame::Found::Game) {
        Steine_Mischen();
        cutAndPlace(CutFor::NewDeal);
        return;
    }
    // The kept game comes back without a word: its board, count, switches,
    // hint flag and picture. A picture gone since is taken from the library,
    // else the board is shown with the picture p.cxa names.
    m_session.applyLoaded(kept.game);
    sideShown();
    QString picture = kept.game.bild;
    if (!QFileInfo(picture).isFile()) {
        const QString copy = PictureLibrary::copyOf(picture, PictureLibrary::folder(ProgramFolder::path()));
        picture = !copy.isEmpty() ? copy : m_session.Bild_aktuell();
    }
    m_session.setImgvis(kept.game.imgvis);
    m_session.setPosAnz(kept.game.posAnz);
    m_session.setBild_aktuell(picture);
    cutAndPlace(CutFor::LoadedGame);
}

void GameController::boardPainted()
{
    m_holdSearches = false;
    if (const std::function<void()> go = std::exchange(m_afterPaint, {}))
        go();
}

void GameController::close()
{
    if (closed())
        return;
    stopSolution();
    dropStaleSearches(true);
    keepGame();
    if (m_kept)
        m_kept->flush(true);
    m_closed->store(true);
}

void GameController::keepNow()
{
    if (closed())
        return;
    keepGame();
    if (m_kept)
        m_kept->flush(false);
}

void GameController::changed()
{
    emit sessionChanged();
    keepGame();
}

void GameController::keepGame()
{
    // A board being made is not a game yet: the one before stays kept.
    if (!m_keeping || !m_kept || closed() || !m_session.placed())
        return;
    if (m_session.fertig())
        m_kept->drop();
    else
        m_kept->keep(m_session.savedState());
}

void GameController::sideShown()
{
    const int side = m_session.side();
    if (side == m_sideShown || closed())
        return;
    m_sideShown = side;
    setNotice(SettingNotWritten, !settings().set(QLatin1String(SideKey), QString::number(side)));
    emit sideChanged(side);
}

QImage GameController::lastSquare() const
{
    const int last = m_session.board().lastField();
    return last < int(m_cut.size()) ? m_cut[std::size_t(last)] : QImage();
}

void GameController::setNotice(Notice notice, bool on)
{
    const int now = on ? (m_notices | notice) : (m_notices & ~notice);
    if (now == m_notices || closed())
        return;
    m_notices = now;
    emit noticesChanged(m_notices);
}

// --- the picture reference and the deal ----------------------------------------------

void GameController::Bildpfad_Lesen()
{
    const QString line = PictureReference::read(ProgramFolder::path());
    if (line.isNull())
        return;
    m_session.setBild_aktuell(line);
    m_session.setBild_org(trimBlanks(line));
}

void GameController::Steine_Mischen()
{
    // Not a game to keep until it is placed.
    m_session.boardPending();
    m_session.newDeal();
    emit sessionChanged();
}

void GameController::ZArray_setzen(const QVector<qint16> &za)
{
    m_session.setLayout(za);
    emit sessionChanged();
}

void GameController::Settings(QString &l_bild, bool &ivis, bool &pos)
{
    m_session.clearPictures();
    emit sessionChanged();
    // A picture moved away since the game was saved is taken from the
    // library, where a copy of every chosen picture is kept under its name.
    if (!QFileInfo(l_bild).isFile()) {
        const QString copy = PictureLibrary::copyOf(l_bild, PictureLibrary::folder(ProgramFolder::path()));
        if (!copy.isEmpty())
            l_bild = copy;
    }
    if (!QFileInfo(l_bild).isFile()) {
        ivis = false;
        pos = false;
        emit pictureNotFound(l_bild);
    }
    m_session.setPosAnz(pos);
    m_session.setImgvis(ivis);
    m_session.setBild_aktuell(l_bild);
    emit sessionChanged();
}

// --- commands ------------------------------------------------------------------

void GameController::newGame()
{
    afterChoice([this] {
        keepPrevious();
        stopSolution();
        // After "Neu" the preview is off, whatever it was before.
        m_session.setImgvis(false);
        m_session.clearPictures();
        Steine_Mischen();
        emit positionCleared();
        cutAndPlace(CutFor::NewDeal);
    });
}

void GameController::changePicture()
{
    afterChoice([this] { askForPicture(std::nullopt); });
}

void GameController::loadGame(const GameState &state)
{
    afterChoice([this, state] {
        keepPrevious();
        stopSolution();
        // The session takes the counter, the layout and the hint flag; the
        // picture and the switches are checked and applied, then the tiles
        // are cut and placed.
        m_session.applyLoaded(state);
        m_session.boardPending();
        sideShown();
        emit sessionChanged();
        QString l_bild = state.bild;
        bool ivis = state.imgvis;
        bool pos = state.posAnz;
        Settings(l_bild, ivis, pos);
        if (!closed())
            cutAndPlace(CutFor::LoadedGame);
    });
}

void GameController::setSide(int side)
{
    if (!Tiles::isSide(side))
        return;
    afterChoice([this, side] {
        if (side == m_session.side()) {
            emit sideChanged(side);   // the choice shown stays the board's
            return;
        }
        keepPrevious();
        stopSolution();
        m_session.setSide(side);
        sideShown();
        Steine_Mischen();
        emit positionCleared();
        cutAndPlace(CutFor::NewDeal);
    });
}

void GameController::setNumbers(bool on)
{
    // Taken only when written, as the fit is: the menu and the file agree.
    if (on != m_numbers) {
        const bool written = settings().set(QLatin1String(NumbersKey), QLatin1String(on ? "1" : "0"));
        setNotice(SettingNotWritten, !written);
        if (written)
            m_numbers = on;
    }
    emit numbersChanged(m_numbers);
}

void GameController::togglePreview()
{
    m_session.setImgvis(!m_session.imgvis());
    changed();
}

void GameController::togglePosition()
{
    m_session.setPosAnz(!m_session.PosAnz());
    changed();
}

void GameController::setCrop(bool on)
{
    const TileCutter::Fit fit = on ? TileCutter::Fit::CropToSquare : TileCutter::Fit::Stretch;
    // Written at once, so that the next start cuts the same way. A choice
    // that cannot be written does not take: the menu and the file agree.
    if (fit != m_fit) {
        const bool written = BoardFit::write(settings(), fit);
        setNotice(SettingNotWritten, !written);
        if (written) {
            m_fit = fit;
            // The working copy's note names the way it was cut, so a copy
            // cut the other way is never taken.
            afterChoice([this] {
                if (m_session.placed() || m_pendingCut)
                    cutAndPlace(CutFor::SameBoard);
            });
        }
    }
    emit cropChanged(crop());
}

// --- the picture jobs ------------------------------------------------------------

void GameController::runPictureJob(std::function<WorkingCopy::Result(const std::atomic<bool> &closed)> job,
                                   std::function<void(const Made &)> done)
{
    if (!m_picturePool)
        m_picturePool = new QThreadPool(this);
    const quint64 id = ++m_pictureJob;
    const auto closedFlag = m_closed;
    const qreal dpr = m_dpr;
    const int side = m_session.side();
    // Without a picture the board shows numbered tiles, unless it has tiles
    // of its size.
    const int numberedField = haveCut() ? 0 : boardDeviceSide() / side;
    m_picturePool->start([this, closedFlag, id, dpr, side, numberedField, job = std::move(job), done = std::move(done)] {
        Made made;
        // A job that a later one replaced before it began is not run.
        if (m_pictureJob == id) {
            made.picture = job(*closedFlag);
            if (!made.picture.board.isNull())
                made.tiles = cutBoard(made.picture.board, side, dpr);
            else if (numberedField > 0)
                made.tiles = numberedTiles(side, numberedField, dpr);
        }
        QMetaObject::invokeMethod(this, [this, closedFlag, id, made = std::move(made), done] {
            if (!*closedFlag && m_pictureJob == id)
                done(made);
        }, Qt::QueuedConnection);
    });
}

void GameController::cutAndPlace(CutFor what)
{
    if (what == CutFor::NewDeal || what == CutFor::LoadedGame) {
        // Another game: what was searched for the one before is of no use.
        dropStaleSearches(true);
        m_session.boardPending();
        m_pendingCut = what;
    } else if (m_pendingCut) {
        what = *m_pendingCut;   // the board being made is made the new way, at the new size
    }
    if (what != CutFor::NewSize)
        emit working(true);
    const QString copy = workingCopyPath();
    const QString picture = m_session.Bild_aktuell();
    const int side = boardDeviceSide();
    const TileCutter::Fit fit = m_fit;
    // The picture is decoded again at the new size (only the picture itself
    // is sharp at every size), and the working copy made at it. Should it be
    // gone or unreadable since, the board picture at hand is scaled.
    const QImage atHand = what == CutFor::NewSize ? m_source : QImage();
    runPictureJob(
        [copy, picture, side, fit, atHand](const std::atomic<bool> &closed) {
            if (closed)
                return WorkingCopy::Result();
            WorkingCopy::Result result = WorkingCopy::boardPicture(copy, picture, side, fit);
            if (result.board.isNull() && !atHand.isNull())
                result.board = TileCutter::scaleToBoard(atHand, side);
            return result;
        },
        [this, what](const Made &made) { boardPictureReady(what, made); });
}

void GameController::boardPictureReady(CutFor what, const Made &made)
{
    const WorkingCopy::Result &result = made.picture;
    if (what == CutFor::NewSize) {
        placeBoard(what, made);
        return;
    }
    if (result.missing) {
        // No picture under that path: the player chooses one; when none is
        // taken, the board is placed with the tiles at hand.
        if (what == CutFor::SameBoard) {
            emit working(false);
            return;
        }
        askForPicture(what);
        return;
    }
    // A picture that cannot be read leaves the tiles of the last picture (or
    // numbered tiles), so that the game stays playable, and is reported
    // once the board can be played.
    placeBoard(what, made);
    if (result.board.isNull())
        emit pictureNotReadable(m_session.Bild_aktuell(), result.error);
}

void GameController::placeBoard(CutFor what, const Made &made)
{
    m_pendingCut.reset();
    Bild_Teilen(made);
    if (what == CutFor::SameBoard || what == CutFor::NewSize) {
        // The board as it stands, with the tiles of the new cut.
        showCut();
        if (what == CutFor::NewSize)
            emit tilesResized();
        else
            emit tilesChanged();
        emit working(false);
        return;
    }
    m_session.tilesCut();
    Bilder_Laden(what == CutFor::NewDeal ? Board::Placement::NewDeal : Board::Placement::LoadedGame);
}

void GameController::Bild_Teilen(const Made &made)
{
    // The tiles were cut with the board picture, off the window's thread.
    const int side = m_session.side();
    if (!made.picture.board.isNull() && int(made.tiles.size()) == Tiles::fieldCount(side)) {
        m_source = made.picture.board;
        m_cut = made.tiles;
        m_cutDone = true;
    } else if (!haveCut()) {
        // No tiles of this board's size: numbered ones.
        m_cutDone = false;
        m_cut = int(made.tiles.size()) == Tiles::fieldCount(side) ? made.tiles
                                                                  : numberedTiles(side, boardDeviceSide() / side, m_dpr);
    }
}

void GameController::Bilder_Laden(Board::Placement how)
{
    const auto [X, y] = Board::args(how);
    const int fields = m_session.board().fieldCount();
    const int lastField = m_session.board().lastField();
    m_bilder.assign(std::size_t(fields + 1), QImage());
    for (int i = 0; i <= fields - X && i < int(m_cut.size()); ++i)
        m_bilder[i] = i == lastField ? QImage() : m_cut[i];
    if (m_session.place(how)) {
        if (y == 1)
            m_bilder[lastField] = QImage();
        dropStaleSearches(true);
        m_dealStart = Tiles::fromLayout(m_session.board().layout(), m_session.side());
        emit tilesChanged();
        changed();
        startBestwert();
    }
    emit working(false);
}

void GameController::showCut()
{
    const int fields = m_session.board().fieldCount();
    m_bilder.assign(std::size_t(fields + 1), QImage());
    for (int i = 0; i < fields - 1 && i < int(m_cut.size()); ++i)
        m_bilder[i] = m_cut[i];
}

void GameController::askForPicture(std::optional<CutFor> ifNothing)
{
    const QString libraryFolder = PictureLibrary::folder(ProgramFolder::path());
    const QString chosen = m_choose ? m_choose() : QString();
    // The window closed while the player was choosing: nothing more is done.
    if (closed())
        return;
    if (chosen.isEmpty()) {
        if (ifNothing)
            placeBoard(*ifNothing, Made());
        endPictureChange();
        return;
    }
    // The chosen file is checked (read, within the bounds of a picture)
    // before anything is copied or recorded; reading, copying and scaling
    // run off the window's thread. Until it is taken, later commands wait.
    m_choosing = true;
    emit working(true);
    const QString copy = workingCopyPath();
    const int side = boardDeviceSide();
    const TileCutter::Fit fit = m_fit;
    runPictureJob(
        [chosen, libraryFolder, copy, side, fit](const std::atomic<bool> &closed) {
            WorkingCopy::Result result;
            const QByteArray madeFrom = WorkingCopy::identity(chosen, side, fit);
            const QImage decoded = PictureLoader::load(chosen, QSize(side, side), &result.error);
            if (decoded.isNull() || closed)
                return result;
            // A failed copy (no library folder) is no reason to stop: the
            // picture is played from where it is.
            PictureLibrary::copyIn(chosen, libraryFolder);
            return WorkingCopy::fromDecoded(copy, madeFrom, decoded, side, fit);
        },
        [this, chosen, ifNothing](const Made &made) { pictureChosen(chosen, ifNothing, made); });
}

void GameController::pictureChosen(const QString &chosen, std::optional<CutFor> ifNothing, const Made &made)
{
    const WorkingCopy::Result &result = made.picture;
    m_choosing = false;
    if (result.board.isNull()) {
        // Refused: nothing copied, nothing recorded, the game as after a
        // cancel; a board that was waiting for its picture is made as it was.
        emit working(false);
        if (ifNothing)
            placeBoard(*ifNothing, made);
        else if (m_pendingCut)
            cutAndPlace(*m_pendingCut);
        emit pictureNotReadable(chosen, result.error);
    } else {
        if (!ifNothing)
            keepPrevious();
        stopSolution();
        m_session.setBild_aktuell(chosen);
        m_session.setBild_org(chosen);
        // The chosen file's own path is recorded, not the library copy's.
        // When p.cxa cannot be replaced it keeps the old path, and the
        // player is told that the next start will not bring this picture.
        const bool recorded = PictureReference::write(ProgramFolder::path(), m_session.Bild_org());
        Steine_Mischen();
        placeBoard(CutFor::NewDeal, made);
        if (!recorded)
            emit referenceNotWritten(ProgramFolder::file(QLatin1String(PictureReference::FileName)));
    }
    if (closed())
        return;
    endPictureChange();
    runAfterChoice();
}

void GameController::endPictureChange()
{
    emit positionCleared();
    emit sessionChanged();
}

void GameController::afterChoice(std::function<void()> action)
{
    m_afterChoice.push_back(std::move(action));
    runAfterChoice();
}

void GameController::runAfterChoice()
{
    while (!m_choosing && !closed() && !m_afterChoice.empty()) {
        const std::function<void()> action = m_afterChoice.front();
        m_afterChoice.erase(m_afterChoice.begin());
        action();
    }
}

// --- moves -------------------------------------------------------------------

void GameController::drop(int source, int target, bool slide)
{
    stopSolution();
    const Board::DropResult r = m_session.drop(source, target);
    if (r.ignored)
        return;
    if (r.counted || r.won)
        m_previous.reset();
    if (r.moved)
        dropStaleSearches(false);
    if (slide && r.moved)
        emit slid({{source, target}});
    changed();
    if (r.won)
        emit won(m_session.win());
}

void GameController::click(int field)
{
    stopSolution();
    played(m_session.click(field), true);
}

void GameController::played(const GameSession::Played &p, bool slide)
{
    if (p.steps.empty())
        return;
    m_previous.reset();
    dropStaleSearches(false);
    if (slide)
        emit slid(p.steps);
    changed();
    if (p.won) {
        stopSolution();
        emit won(m_session.win());
    }
}

void GameController::hintTimeUp()
{
    m_session.hintTimeUp();
    emit sessionChanged();
}

// --- taking back ---------------------------------------------------------------

GameController::TakeBack GameController::canTakeBack() const
{
    if (m_session.canTakeBack())
        return TakeBack::Move;
    if (m_previous && m_session.placed() && !m_session.fertig() && !m_choosing)
        return TakeBack::Game;
    return TakeBack::Nothing;
}

void GameController::takeBack()
{
    stopSolution();
    switch (canTakeBack()) {
    case TakeBack::Move:
        played(m_session.takeBack(), true);
        break;
    case TakeBack::Game:
        restorePrevious();
        break;
    case TakeBack::Nothing:
        break;
    }
}

void GameController::keepPrevious()
{
    // A game still being made leaves the one before it as the game to bring
    // back; a finished game is over and comes back no more.
    if (!m_session.placed())
        return;
    if (m_session.fertig()) {
        m_previous.reset();
        return;
    }
    m_previous = std::make_unique<Previous>(Previous{m_session.snapshot(), m_cut, m_source, m_cutDone, m_fit,
                                                     boardDeviceSide(), m_dealStart, m_bestwert, m_bestLength});
}

void GameController::restorePrevious()
{
    const std::unique_ptr<Previous> previous = std::move(m_previous);
    const QString reference = m_session.Bild_org();
    dropStaleSearches(true);
    // A board picture being made for the game taken back is not wanted.
    ++m_pictureJob;
    m_pendingCut.reset();
    m_session.restore(previous->game);
    sideShown();
    if (m_session.Bild_org() != reference && !m_session.Bild_org().isEmpty())
        PictureReference::write(ProgramFolder::path(), m_session.Bild_org());
    m_dealStart = previous->dealStart;
    m_bestwert = previous->bestwert;
    m_bestLength = previous->bestLength;
    emit positionCleared();
    if (previous->fit == m_fit && previous->boardPx == boardDeviceSide()) {
        m_cut = previous->cut;
        m_source = previous->source;
        m_cutDone = previous->cutDone;
        showCut();
        emit tilesChanged();
        emit working(false);
    } else {
        cutAndPlace(CutFor::SameBoard);   // cut the way the game is shown now
    }
    changed();
    if (m_bestwert == Bestwert::Known || m_bestwert == Bestwert::Found || m_bestwert == Bestwert::Unsolvable)
        showBestwert();
    else
        startBestwert();
}

// --- the searches --------------------------------------------------------------

void GameController::startBestwert()
{
    m_bestwert = Bestwert::Searching;
    showBestwert();
    if (!m_dealStart) {
        m_bestwert = Bestwert::Unsolvable;
        showBestwert();
        return;
    }
    auto search = std::make_shared<Search>();
    search->bestwert = true;
    search->deal = m_session.dealNumber();
    // The deal's first position: the one on the board unless moves were
    // made since (a game taken back).
    const auto now = Tiles::fromLayout(m_session.board().layout(), m_session.side());
    search->position = now == m_dealStart ? m_session.position() : 0;
    m_searches.push_back(search);
    const Tiles::Fields fields = *m_dealStart;
    auto go = [this, search, fields] {
        if (!search->cancel->load())
            launch(search, fields);
    };
    if (m_holdSearches)
        m_afterPaint = go;
    else
        go();
}

void GameController::launch(const std::shared_ptr<Search> &search, const Tiles::Fields &fields)
{
    if (!m_solverPool) {
        // The best value and one hint or solution at a time, each on a core.
        m_solverPool = new QThreadPool(this);
        m_solverPool->setMaxThreadCount(2);
    }
    const QString folder = ProgramFolder::path();
    const auto cancel = search->cancel;
    m_solverPool->start([this, search, fields, folder, cancel] {
        const Solver::Result result = cancel->load()
                                          ? Solver::Result{Solver::Status::Cancelled}
                                          : Solver(folder).solve(fields, cancel.get());
        QMetaObject::invokeMethod(this, [this, search, result] { searchDone(search, result); }, Qt::QueuedConnection);
    });
}

void GameController::searchDone(const std::shared_ptr<Search> &search, const Solver::Result &result)
{
    m_searches.erase(std::remove(m_searches.begin(), m_searches.end(), search), m_searches.end());
    if (search->cancel->load() || result.status == Solver::Status::Cancelled || closed())
        return;
    if (search->position)
        m_lastAnswer = Answer{search->position, result};
    if (search->bestwert && search->deal == m_session.dealNumber()) {
        // The fewest moves when proven, else the best solution's length.
        m_bestwert = result.status != Solver::Status::Solved ? Bestwert::Unsolvable
                     : result.optimal                       ? Bestwert::Known
                                                            : Bestwert::Found;
        m_bestLength = result.length;
        showBestwert();
    }
    if (search->hint)
        answerHint(search->position, result);
    if (search->solution)
        answerSolution(search->position, result);
}

std::shared_ptr<GameController::Search> GameController::searchFor(quint64 position) const
{
    for (const auto &s : m_searches)
        if (s->position == position && position != 0)
            return s;
    return nullptr;
}

std::optional<Solver::Result> GameController::known(quint64 position) const
{
    if (m_lastAnswer && m_lastAnswer->position == position && position != 0)
        return m_lastAnswer->result;
    return std::nullopt;
}

void GameController::dropStaleSearches(bool all)
{
    // A hint or solution searched for a position the board has left is no
    // use; a new game (all) ends the best value's search as well.
    for (const auto &s : m_searches) {
        if (!all && s->position == m_session.position())
            continue;
        s->hint = s->solution = false;
        s->bestwert = s->bestwert && !all;
    }
    cancelUnwanted();
    if (all && m_solutionSearching) {
        m_solutionSearching = false;
        showBestwert();
    }
}

void GameController::cancelUnwanted()
{
    for (auto it = m_searches.begin(); it != m_searches.end();) {
        if ((*it)->wanted()) {
            ++it;
        } else {
            (*it)->cancel->store(true);
            it = m_searches.erase(it);
        }
    }
}

void GameController::ask(const GameSession::HintQuestion &q, bool Search::*kind)
{
    if (const auto answer = known(q.position))
        return kind == &Search::hint ? answerHint(q.position, *answer) : answerSolution(q.position, *answer);
    // A search of this position under way (the best value's, a hint's, the
    // solution's) answers this question as well.
    std::shared_ptr<Search> search = searchFor(q.position);
    if (!search) {
        search = std::make_shared<Search>();
        search->position = q.position;
        m_searches.push_back(search);
        launch(search, q.fields);
    }
    (*search).*kind = true;
}

void GameController::hint()
{
    const GameSession::HintQuestion q = m_session.askHint();
    if (q.answer == GameSession::HintQuestion::Answer::Unsolvable) {
        emit unsolvable();
        emit hintShown(-1);
        return;
    }
    if (q.answer == GameSession::HintQuestion::Answer::Ask)
        ask(q, &Search::hint);
}

void GameController::answerHint(quint64 position, const Solver::Result &result)
{
    std::optional<int> field;
    if (result.status == Solver::Status::Solved && !result.moves.empty())
        field = result.moves.front();
    if (!m_session.hintAnswered(position, field))
        return;
    changed();
    emit hintShown(*field);
}

bool GameController::solutionRunning() const
{
    return m_solutionSearching || m_solutionTimer.isActive();
}

bool GameController::searching() const
{
    return m_solverPool && m_solverPool->activeThreadCount() > 0;
}

void GameController::stopSolution()
{
    m_solutionTimer.stop();
    m_session.stopSolution();
    if (!m_solutionSearching)
        return;
    m_solutionSearching = false;
    for (const auto &s : m_searches)
        s->solution = false;
    cancelUnwanted();
    showBestwert();
}

void GameController::toggleSolution()
{
    if (solutionRunning()) {
        stopSolution();
        return;
    }
    const GameSession::HintQuestion q = m_session.askHint();
    if (q.answer == GameSession::HintQuestion::Answer::Unsolvable)
        emit unsolvable();
    if (q.answer != GameSession::HintQuestion::Answer::Ask)
        return;
    m_solutionSearching = true;
    showBestwert();
    ask(q, &Search::solution);
}

void GameController::answerSolution(quint64 position, const Solver::Result &result)
{
    if (!m_solutionSearching)
        return;   // stopped meanwhile
    m_solutionSearching = false;
    showBestwert();
    if (result.status != Solver::Status::Solved || !m_session.solutionAnswered(position, result.moves))
        return;
    changed();
    // The first move at once, the others one by one.
    m_solutionTimer.start();
    playSolutionStep();
}

void GameController::playSolutionStep()
{
    const GameSession::Played p = m_session.playSolutionStep();
    if (!m_session.solutionPending())
        m_solutionTimer.stop();
    played(p, true);
}

void GameController::showBestwert()
{
    emit bestwertChanged(m_solutionSearching ? Bestwert::SolutionSearching : m_bestwert, m_bestLength);
}
