#include "game/GameSession.h"

GameSession::GameSession(int side)
    : m_board(side)
    , m_draw(m_random.draw())
{
}

void GameSession::setSide(int side)
{
    if (!Tiles::isSide(side) || side == m_board.side())
        return;
    m_board = Board(side);
    m_placed = false;
    m_history.clear();
    stopSolution();
    forgetPosition();
}

void GameSession::newDeal()
{
    m_board.setFertig(false);
    m_board.setZuege(0);
    m_help = 0;
    m_board.ZArray_setzen(Steine_Mischen(m_draw, side()));
    forgetPosition();
}

void GameSession::forgetPosition()
{
    // Another game begins: an answer still on its way for the one before
    // (a hint asked just before a load, say) no longer fits.
    ++m_positionNumber;
    m_hintField = -1;
}

bool GameSession::place(Board::Placement how)
{
    m_placed = true;
    if (!m_board.place(how))
        return false;
    ++m_positionNumber;
    m_hintField = -1;
    ++m_dealNumber;
    m_history.clear();
    stopSolution();
    return true;
}

Board::DropResult GameSession::drop(int source, int index)
{
    if (!m_placed)
        return Board::DropResult{true, false, false, false};
    const Board::DropResult r = m_board.drop(source, index);
    if (r.moved) {
        ++m_positionNumber;
        m_hintField = -1;
        m_history.record({{source, index}});
    }
    return r;
}

bool GameSession::step(const Moves::Step &s, Played &played)
{
    if (!m_placed)
        return false;
    const Board::DropResult r = m_board.drop(s.from, s.to);
    if (!r.moved)
        return false;
    ++m_positionNumber;
    m_hintField = -1;
    played.steps.push_back(s);
    played.won = r.won;
    return true;
}

GameSession::Played GameSession::click(int field)
{
    Played played;
    if (m_board.fertig())
        return played;
    for (const Moves::Step &s : Moves::slideToward(field, m_board.emptyField(), side()))
        if (!step(s, played))
            break;
    m_history.record(played.steps);
    return played;
}

GameSession::Played GameSession::takeBack()
{
    Played played;
    if (!canTakeBack())
        return played;
    for (const Moves::Step &s : Moves::reversed(m_history.takeLast()))
        if (!step(s, played))
            break;
    return played;
}

bool GameSession::solutionAnswered(quint64 position, const std::vector<int> &moves)
{
    if (position != m_positionNumber || moves.empty() || m_board.fertig())
        return false;
    m_help |= SolutionShown;
    m_solution = moves;
    m_solutionNext = 0;
    m_solutionPosition = position;
    return true;
}

GameSession::Played GameSession::playSolutionStep()
{
    Played played;
    if (!solutionPending() || m_solutionPosition != m_positionNumber || m_board.fertig()) {
        stopSolution();
        return played;
    }
    const int source = m_solution[m_solutionNext++];
    if (step({source, m_board.emptyField()}, played)) {
        m_history.record(played.steps);
        m_solutionPosition = m_positionNumber;
    } else {
        stopSolution();
    }
    if (!solutionPending())
        stopSolution();
    return played;
}

std::optional<int> GameSession::arrowSource(Arrow arrow) const
{
    if (m_board.fertig() || !m_placed)
        return std::nullopt;
    const int empty = m_board.emptyField();
    if (empty < 0)
        return std::nullopt;
    int step = 0;
    switch (arrow) {
    case Arrow::Left: step = 1; break;    // the tile right of the gap moves left
    case Arrow::Right: step = -1; break;
    case Arrow::Up: step = side(); break;      // the tile below the gap moves up
    case Arrow::Down: step = -side(); break;
    }
    const int source = empty + step;
    if (!Tiles::isMoveAllowed(source, empty, side()))
        return std::nullopt;
    return source;
}

GameSession::HintQuestion GameSession::askHint() const
{
    HintQuestion q;
    if (m_board.fertig() || !m_placed)
        return q;
    const auto now = Tiles::fromLayout(m_board.layout(), side());
    if (!now || !Tiles::isSolvable(*now)) {
        q.answer = HintQuestion::Answer::Unsolvable;
        return q;
    }
    q.answer = HintQuestion::Answer::Ask;
    q.position = m_positionNumber;
    q.fields = *now;
    return q;
}

bool GameSession::hintAnswered(quint64 position, std::optional<int> field)
{
    if (position != m_positionNumber || !field || *field < 0 || *field >= m_board.fieldCount() || m_board.fertig())
        return false;
    m_help |= HintTaken;
    m_hintField = *field;
    return true;
}

GameState GameSession::savedState() const
{
    GameState s;
    s.fields = m_board.layout();
    s.zuege = m_board.zuege();
    s.imgvis = m_imgvis;
    s.posAnz = m_posAnz;
    // The picture the board on screen was cut from: after a load that is the
    // loaded game's picture, not the one p.cxa names.
    s.bild = m_bildAktuell;
    s.hintUsed = m_help != 0;
    return s;
}

void GameSession::applyLoaded(const GameState &state)
{
    // A game of another size brings its board size with it.
    if (state.side())
        setSide(state.side());
    m_board.setZuege(state.zuege);
    const int feldAnz = m_board.fieldCount();
    QVector<qint16> za(feldAnz + 1, 0);
    for (int i = 0; i < feldAnz && i < state.fields.size(); ++i)
        za[i] = state.fields[i];
    m_board.ZArray_setzen(za);
    m_board.setFertig(false);
    m_help = state.hintUsed ? HelpSaved : 0;
    forgetPosition();
}

GameSession::Snapshot GameSession::snapshot() const
{
    return Snapshot{m_board, m_history, m_imgvis, m_posAnz, m_help, m_bildOrg, m_bildAktuell};
}

void GameSession::restore(const Snapshot &s)
{
    m_board = s.board;
    m_history = s.history;
    m_imgvis = s.imgvis;
    m_posAnz = s.posAnz;
    m_help = s.help;
    m_bildOrg = s.bildOrg;
    m_bildAktuell = s.bildAktuell;
    m_placed = true;
    forgetPosition();
    ++m_dealNumber;
    stopSolution();
}
