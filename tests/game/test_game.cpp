// The rules of play without any window: move rule, validity, drops, the deal
// and the game session (solvability: the solver's test, from every distance).
#include "game/GameSession.h"
#include "game/Tiles.h"
#include "TestFiles.h"

#include <QtTest>
#include <set>

// A session playing a layout, placed as a loaded game is.
static void play(GameSession &s, const QVector<qint16> &layout, qint16 zuege = 0)
{
    s.applyLoaded(GameState{layout, zuege, false, false, QString(), false});
    QVERIFY(s.place(Board::Placement::LoadedGame));
}

class TestGame : public QObject
{
    Q_OBJECT
private slots:
    void moveRule()
    {
        for (int side = Tiles::MinSide - 1; side <= Tiles::MaxSide + 1; ++side)
            for (int s = -1; s <= side * side; ++s)
                for (int t = -1; t <= side * side; ++t) {
                    const bool inside = Tiles::isSide(side) && s >= 0 && s < side * side && t >= 0 && t < side * side;
                    QCOMPARE(Tiles::isMoveAllowed(s, t, side),
                             inside && std::abs(s / side - t / side) + std::abs(s % side - t % side) == 1);
                }
    }

    void validity()
    {
        const std::tuple<QVector<qint16>, int, bool> rows[] = {
            {solvedLayout(), 4, true}, {solvedLayout().mid(0, 15) << 15, 4, true},   // the empty field written as 15
            {solvedLayout().mid(0, 14) << 0 << 100, 4, false}, {solvedLayout().mid(0, 14) << 100 << 15, 4, false},
            {solvedLayout().mid(0, 14) << 16 << 100, 4, false}, {solvedLayout().mid(0, 14) << -1 << 100, 4, false},
            {solvedLayout().mid(0, 15), 4, false},
            {solvedLayout(3), 3, true}, {solvedLayout(3).mid(0, 8) << 8, 3, true},
            {solvedLayout(3).mid(0, 8) << 9, 3, false},
            {solvedLayout(6), 6, true}, {swapped(solvedLayout(5), 3, 24), 5, true}, {solvedLayout(5), 6, false},
            {solvedLayout(3), 2, false}, {solvedLayout(6) << 36, 7, false}};
        for (const auto &[layout, side, valid] : rows) {
            const auto board = Tiles::fromLayout(layout, side);
            QCOMPARE(board.has_value(), valid);
            QVERIFY(!board || (Tiles::sideOf(*board) == side && Tiles::toLayout(*board).mid(0, side * side - 1) == layout.mid(0, side * side - 1)));
        }
    }

    void drops()
    {
        struct Row { int source, target; bool counted, moved; };
        const Row rows[] = {{14, 15, true, true}, {10, 15, true, false},   // next to the empty field, not next to it
                            {14, 13, false, false}, {14, 14, false, false}, {15, 14, false, false}};
        const QVector<qint16> layout = swapped(solvedLayout(), 0, 1);
        for (const Row &r : rows) {
            GameSession s;
            play(s, layout);
            const Board &b = s.board();
            QCOMPARE(b.lightsUp(r.source, r.target), r.moved);
            const int tile = b.tile(r.source);
            const Board::DropResult got = s.drop(r.source, r.target);
            QVERIFY(got.counted == r.counted && got.moved == r.moved && !got.won);
            QVERIFY(b.zuege() == r.counted && b.layout() == (r.moved ? swapped(layout, r.source, r.target) : layout));
            QVERIFY(!r.moved || (b.tile(r.target) == tile && b.hasPicture(r.target) && b.tagText(r.source) == "leer"));
        }
    }

    void winEndsTheGameAndFreezesTheBoard()
    {
        GameSession s;
        play(s, swapped(solvedLayout(), 14, 15), 41);
        // While the board is being made again nothing moves and no hint is asked.
        s.boardPending();
        QVERIFY(s.drop(15, 14).ignored && s.click(14).steps.empty() && !s.arrowSource(GameSession::Arrow::Left) && s.zuege() == 41);
        QVERIFY(s.askHint().answer == GameSession::HintQuestion::Answer::Finished && !s.placed());
        QVERIFY(s.place(Board::Placement::LoadedGame) && s.placed());
        const Board::DropResult win = s.drop(15, 14);
        QVERIFY(win.counted && win.moved && win.won && s.fertig());
        QVERIFY(s.drop(10, 15).ignored && s.zuege() == 42 && !s.arrowSource(GameSession::Arrow::Right));
        GameSession five;   // the last field of any size is the empty one at home
        play(five, swapped(solvedLayout(5), 23, 24));
        QVERIFY(!five.click(19).won && five.click(24).won && five.fertig() && five.zuege() == 1);

        // A deal that happens to be solved ends at the first drop that leaves
        // it unchanged, counter 0; the empty field keeps its number 15.
        Board home;
        QVector<qint16> z = solvedLayout().mid(0, 15) << 15 << 16;
        home.ZArray_setzen(z);
        home.tagAsCut();
        QVERIFY(home.place(Board::Placement::NewDeal) && home.tagText(15) == QStringLiteral("15"));
        const Board::DropResult r = home.drop(0, 1);
        QVERIFY(r.won && !r.counted && home.zuege() == 0);
    }

    void placementAndDisplayTexts()
    {
        Board b;
        QVector<qint16> z = swapped(solvedLayout(), 7, 15) << 0;
        b.ZArray_setzen(z);
        QVERIFY(b.place(Board::Placement::LoadedGame) && b.tagText(7) == QStringLiteral("leer") && !b.hasPicture(7) && b.emptyField() == 7);
        QVERIFY(b.positionText(15) == QStringLiteral("8") && !b.positionText(7));   // tile 7 stands on field 15
        z[3] = 17;   // a value outside the board places nothing
        b.ZArray_setzen(z);
        QVERIFY(!b.place(Board::Placement::LoadedGame));
        z[3] = 15;   // tile 15 on a field: no picture, its number kept
        b.ZArray_setzen(z);
        QVERIFY(b.place(Board::Placement::LoadedGame) && !b.hasPicture(3) && b.positionText(3) == QStringLiteral("16"));
    }

    void dealsAreSolvableUnsolvedPermutations()
    {
        RandomSource random(2024);
        const RandomDraw draw = random.draw();
        for (int side = Tiles::MinSide; side <= Tiles::MaxSide; ++side) {
            const int n = side * side;
            std::set<QVector<qint16>> seen;
            int emptyMoved = 0;   // a board with the empty field elsewhere, solvable or not, by one step
            for (int i = 0; i < 500; ++i) {
                const QVector<qint16> z = Steine_Mischen(draw, side);
                QVERIFY(z.size() == n + 1 && z[n - 1] == n - 1 && z[n] == n);
                const auto board = Tiles::fromLayout(z, side);
                QVERIFY(board && Tiles::isSolvable(*board) && *board != Tiles::home(side));
                Tiles::Fields stepped = *board;
                std::swap(stepped[std::size_t(n - 1)], stepped[std::size_t(n - 2)]);
                emptyMoved += Tiles::isSolvable(stepped);
                std::swap(stepped[0], stepped[1]);
                emptyMoved -= Tiles::isSolvable(stepped);
                seen.insert(z);
            }
            QCOMPARE(emptyMoved, 500);   // a slide keeps a board solvable, a swap of two tiles never
            QVERIFY(seen.size() > 490);   // 9!/2 deals and more: repeats are rare
        }
    }

    // Draws giving tile k for field k make the solved deal, which is drawn
    // again; then an odd arrangement (0 and 1 exchanged) is mended by
    // exchanging the tiles of fields 13 and 14.
    void dealDrawsAgainAndMendsParity()
    {
        QVector<float> draws;
        for (int k = 0; k < 15; ++k)
            draws << (k + 0.5f) / 15.0f;
        draws << 1.5f / 15 << 0.5f / 15;
        for (int k = 2; k < 15; ++k)
            draws << (k + 0.5f) / 15.0f;
        int next = 0;
        const QVector<qint16> z = Steine_Mischen([&] { return draws.value(next++, 0.0f); }, 4);
        QCOMPARE(next, draws.size());
        QCOMPARE(z.mid(0, 15), (QVector<qint16>{1, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 13}));
        // A generator out of range does not push a tile off the board.
        int calls = 0;
        QVERIFY(Tiles::fromLayout(Steine_Mischen([&] { return ++calls < 40 ? 1.0f : float(calls % 15) / 15; }, 4), 4));
    }

    void arrowKeys()
    {
        using A = GameSession::Arrow;
        // side, empty field, key, tile moved; a game of another size switches the board to it
        const std::tuple<int, int, A, int> rows[] = {{4, 15, A::Left, -1}, {4, 15, A::Right, 14}, {4, 15, A::Down, 11},
                                                     {4, 0, A::Left, 1}, {4, 0, A::Up, 4}, {3, 8, A::Down, 5},
                                                     {3, 2, A::Up, 5}, {6, 35, A::Down, 29}, {5, 4, A::Left, -1}};
        for (const auto &[side, empty, arrow, source] : rows) {
            GameSession s;
            play(s, swapped(solvedLayout(side), empty, side * side - 1));
            QVERIFY(s.side() == side && s.board().fieldCount() == side * side);
            QCOMPARE(s.arrowSource(arrow).value_or(-1), source);
        }
    }

    // A hint is asked for only while the game goes on and the position can
    // be solved; its answer is taken only for the position it was asked
    // about. Once shown it keeps the game out of the top ten until a new deal.
    void hintPolicy()
    {
        using Answer = GameSession::HintQuestion::Answer;
        GameSession s;
        play(s, swapped(solvedLayout(), 14, 15), 5);
        const GameSession::HintQuestion q = s.askHint();
        QVERIFY(q.answer == Answer::Ask && q.fields == *Tiles::fromLayout(s.board().layout(), 4));
        QVERIFY(!s.hintAnswered(q.position, std::nullopt) && s.win().mayEnterTopTen);
        QVERIFY(s.hintAnswered(q.position, 15) && s.hintField() == 15 && !s.win().mayEnterTopTen);
        QCOMPARE(s.win().help, int(GameSession::HintTaken));
        QVERIFY(!s.drop(12, 14).moved && s.hintField() == 15);   // nothing moved: the mark stays
        const quint64 asked = s.askHint().position;
        QVERIFY(s.drop(13, 14).moved && s.hintField() == -1);     // a move takes it off
        QVERIFY(!s.hintAnswered(asked, 14) && s.hintField() == -1);   // a stale answer is dropped
        QVERIFY(s.hintAnswered(s.askHint().position, 14));
        s.hintTimeUp();
        QCOMPARE(s.hintField(), -1);
        QVERIFY(s.drop(14, 13).moved && s.drop(15, 14).won);
        QVERIFY(s.askHint().answer == Answer::Finished && !s.hintAnswered(s.askHint().position, 1));
        QVERIFY(s.win().zuege == 9 && !s.win().mayEnterTopTen);
        s.newDeal();
        QVERIFY(s.win().mayEnterTopTen && s.win().help == 0 && s.zuege() == 0 && !s.fertig());
        play(s, swapped(solvedLayout(), 0, 1));
        QVERIFY(s.askHint().answer == Answer::Unsolvable);
        // A late answer lands neither in a game loaded meanwhile nor in a new deal.
        play(s, swapped(solvedLayout(), 14, 15));
        quint64 before = s.askHint().position;
        s.applyLoaded(GameState{swapped(solvedLayout(), 14, 15), 0, false, false, QString(), false});
        QVERIFY(!s.hintAnswered(before, 14) && s.win().mayEnterTopTen);
        before = s.askHint().position;
        s.newDeal();
        QVERIFY(!s.hintAnswered(before, 14) && s.win().mayEnterTopTen);
    }

    // A click slides the row up to the empty field, each tile a counted
    // move; taking back reverses the last action that moved tiles, each tile
    // counted again; a placement begins a fresh history.
    void clicksAndTakingBack()
    {
        enum Kind { Click, Drop, Back, Place };
        struct Op { Kind kind; int a = 0, b = 0; };
        struct Row { QVector<Op> ops; int zuege; QVector<qint16> layout; bool canTakeBack; };
        const QVector<qint16> start = swapped(solvedLayout(), 0, 1);   // the empty field on 15
        const Row rows[] = {
            {{{Click, 3}, {Click, 0}, {Back}}, 9, fields("1 0 2 100 4 5 6 3 8 9 10 7 12 13 14 11"), true},
            {{{Click, 3}, {Click, 0}, {Back}, {Back}, {Back}}, 12, start, false},
            {{{Click, 10}, {Click, 15}, {Back}}, 0, start, false},     // off the lines, the empty field
            {{{Drop, 11, 15}, {Back}}, 2, start, false},                // a drop is an action
            {{{Click, 14}, {Drop, 9, 14}, {Back}}, 3, start, false},   // a drop that moved nothing is none
            {{{Click, 12}, {Place}}, 3, fields("1 0 2 3 4 5 6 7 8 9 10 11 12 13 14 100"), false},
        };
        for (const Row &r : rows) {
            GameSession s;
            play(s, start);
            for (const Op &op : r.ops) {
                if (op.kind == Click)
                    s.click(op.a);
                else if (op.kind == Drop)
                    s.drop(op.a, op.b);
                else if (op.kind == Back)
                    s.takeBack();
                else
                    QVERIFY(s.place(Board::Placement::LoadedGame));
            }
            QCOMPARE(s.zuege(), qint16(r.zuege));
            QCOMPARE(s.board().layout(), r.layout);
            QCOMPARE(s.canTakeBack(), r.canTakeBack);
        }
        // The winning click ends the game: nothing more is clicked or taken back.
        GameSession s;
        play(s, swapped(solvedLayout(), 14, 15));
        const GameSession::Played won = s.click(15);
        QVERIFY(won.won && won.steps == (Moves::Action{{15, 14}}) && s.fertig() && !s.canTakeBack());
        QVERIFY(s.takeBack().steps.empty() && s.click(11).steps.empty() && s.zuege() == 1);
    }

    // The solution's moves are played one by one, each counted; a game in
    // which it was shown is helped as with a hint. Any other move ends it.
    void solutionPlayed()
    {
        const QVector<qint16> twoAway = fields("0 1 2 3 4 5 6 7 8 9 10 11 12 100 13 14");
        GameSession s;
        play(s, twoAway, 10);
        GameSession::HintQuestion q = s.askHint();
        QVERIFY(!s.solutionAnswered(q.position, {}) && s.win().mayEnterTopTen);
        QVERIFY(s.solutionAnswered(q.position, {14, 15}) && !s.win().mayEnterTopTen && s.savedState().hintUsed);
        QCOMPARE(s.win().help, int(GameSession::SolutionShown));   // its own help, not a hint
        GameSession::Played p = s.playSolutionStep();
        QVERIFY(p.steps == (Moves::Action{{14, 13}}) && !p.won && s.zuege() == 11 && s.solutionPending());
        p = s.playSolutionStep();
        QVERIFY(p.steps == (Moves::Action{{15, 14}}) && p.won && s.zuege() == 12 && !s.solutionPending());

        play(s, twoAway);
        q = s.askHint();
        QVERIFY(s.solutionAnswered(q.position, {14, 15}));
        QVERIFY(s.drop(12, 13).moved);
        QVERIFY(s.playSolutionStep().steps.empty() && !s.solutionPending() && s.zuege() == 1);
        QVERIFY(!s.solutionAnswered(q.position, {14, 15}));   // a stale answer
        QVERIFY(s.solutionAnswered(s.askHint().position, {12, 14, 15}) && s.hintAnswered(s.askHint().position, 12));
        QCOMPARE(s.win().help, GameSession::HintTaken | GameSession::SolutionShown);
        const GameSession::Snapshot helped = s.snapshot();
        play(s, twoAway);   // a loaded game ends it
        QVERIFY(!s.solutionPending() && s.playSolutionStep().steps.empty());
        s.restore(helped);   // a game taken back brings back its help
        QCOMPARE(s.win().help, GameSession::HintTaken | GameSession::SolutionShown);
    }

    void savedStateRoundTrip()
    {
        GameSession s;
        s.setImgvis(true);
        play(s, swapped(solvedLayout(), 14, 15), 3);
        QVERIFY(s.hintAnswered(s.askHint().position, 15));
        s.drop(15, 14);
        const GameState state = s.savedState();
        QVERIFY(state.fields == solvedLayout() && state.zuege == 4);
        QVERIFY(state.imgvis && !state.posAnz && state.hintUsed);   // the picture saved: the window test's
        GameSession loaded;   // the help comes with the game, which help it was not
        loaded.applyLoaded(state);
        QVERIFY(loaded.zuege() == 4 && !loaded.win().mayEnterTopTen && loaded.win().help == GameSession::HelpSaved);
        GameState unhelped = state;
        unhelped.hintUsed = false;
        s.applyLoaded(unhelped);   // a loaded game is played on, even after a win
        QVERIFY(!s.fertig() && s.win().mayEnterTopTen && s.win().side == 4);
        unhelped.fields = Tiles::toLayout(Tiles::home(5));   // a win names its board's size: the list it enters
        s.applyLoaded(unhelped);
        QCOMPARE(s.win().side, 5);
    }
};

QTEST_GUILESS_MAIN(TestGame)
#include "test_game.moc"
