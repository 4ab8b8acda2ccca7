// Player aids on top of the game: the best possible move count of the deal,
// the hint (the first move of a shortest solution) and the solution played
// on the board. The optimal solver runs off the user-interface thread, so
// the window never waits for it; the solution has a thread of its own, so
// that it never waits for the best value either.
#include "app/frmMain.h"

#include "base/Meldung.h"
#include "base/ProgramFolder.h"
#include "game/Solver.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>

#include <utility>

namespace {

// Runs job on the pool; its result is handed back to the window on the
// user-interface thread, unless the window is gone by then.
template <typename Job, typename Done>
void runInBackground(QThreadPool *pool, frmMain *window, Job job, Done done)
{
    QPointer<frmMain> guard(window);
    pool->start([guard, job, done] {
        auto result = job();
        QMetaObject::invokeMethod(qApp, [guard, result, done] {
            if (guard)
                done(guard.data(), result);
        }, Qt::QueuedConnection);
    });
}
} // namespace

void frmMain::cancelSolver()
{
    if (m_solverCancel)
        m_solverCancel->store(true);
    m_solverCancel = std::make_shared<std::atomic<bool>>(false);
}

QThreadPool *frmMain::solverPool()
{
    if (!m_solverPool) {
        m_solverPool = new QThreadPool(this);
        m_solverPool->setMaxThreadCount(1);
    }
    return m_solverPool;
}

bool frmMain::solverBusy() const
{
    return m_solverPool && m_solverPool->activeThreadCount() > 0;
}

void frmMain::startBestwert(quint64 deal)
{
    // A new deal: the old computation is of no use any more.
    cancelSolver();
    stopSolution();
    setBestwert(QStringLiteral("Bestwert: …"));

    const auto start = Tiles::fromLayout(m_session.board().layout(), m_session.side());
    const QString folder = ProgramFolder::path();
    const auto cancel = m_solverCancel;
    auto launch = [this, start, folder, cancel, deal] {
        runInBackground(
            solverPool(), this,
            [start, folder, cancel] {
                if (!start)
                    return Solver::Result{Solver::Status::Invalid};
                if (cancel->load())
                    return Solver::Result{Solver::Status::Cancelled};
                return Solver(folder).solve(*start, cancel.get());
            },
            [deal](frmMain *w, const Solver::Result &r) {
                if (deal != w->m_session.dealNumber())
                    return;
                switch (r.status) {
                case Solver::Status::Solved:
                    w->setBestwert(QStringLiteral("Bestwert: %1").arg(r.length));
                    break;
                case Solver::Status::Unsolvable:
                case Solver::Status::Invalid:
                    w->setBestwert(QStringLiteral("Bestwert: unlösbar"));
                    break;
                case Solver::Status::Cancelled:
                    return;
                }
            });
    };
    // At start-up the tables are read (or built) while the window is still
    // being drawn; begun only once the board is on the screen (or after the
    // wait Form_Load set), the work leaves the other core to the display
    // server until then.
    if (isVisible() && !m_boardPainted) {
        m_afterFirstPaint = launch;
    } else {
        launch();
    }
}

void frmMain::runAfterFirstPaint()
{
    m_boardPainted = true;
    if (const std::function<void()> pending = std::exchange(m_afterFirstPaint, {}))
        pending();
    if (!std::exchange(m_boardShownSignalled, true))
        emit boardShown();
}

GameSession::HintQuestion frmMain::askSolver()
{
    // The session says whether the solver may be asked now, and whether the
    // answer, when it comes, still fits the board.
    const GameSession::HintQuestion question = m_session.askHint();
    if (question.answer == GameSession::HintQuestion::Answer::Unsolvable)
        Meldung::zeigen(this, QStringLiteral("Diese Stellung kann nicht gelöst werden:\r\n"
                                             "kein Zug führt das Bild zusammen."));
    return question;
}

void frmMain::mnuHint_Click()
{
    const GameSession::HintQuestion question = askSolver();
    if (question.answer != GameSession::HintQuestion::Answer::Ask) {
        if (question.answer == GameSession::HintQuestion::Answer::Unsolvable)
            emit hintShown(-1);
        return;
    }
    const QString folder = ProgramFolder::path();
    const auto cancel = m_solverCancel;
    const Tiles::Fields board = question.fields;
    const quint64 position = question.position;
    runInBackground(
        solverPool(), this,
        [board, folder, cancel] { return Solver(folder).hint(board, cancel.get()); },
        [position](frmMain *w, std::optional<int> field) {
            if (!w->m_session.hintAnswered(position, field))
                return;
            w->showSession();
            emit w->hintShown(*field);
        });
}

void frmMain::setBestwert(const QString &text)
{
    m_bestwertText = text;
    showBestwert();
}

void frmMain::showBestwert()
{
    m_lblBestwert->setText(m_solutionCancel ? QStringLiteral("Bestwert: wird gesucht …") : m_bestwertText);
}

bool frmMain::solutionRunning() const
{
    return m_solutionCancel || (m_solutionTimer && m_solutionTimer->isActive());
}

void frmMain::stopSolution()
{
    const bool searching = bool(m_solutionCancel);
    if (searching)
        m_solutionCancel->store(true);
    m_solutionCancel.reset();
    if (m_solutionTimer)
        m_solutionTimer->stop();
    m_session.stopSolution();
    if (searching)
        showBestwert();
}

void frmMain::mnuSolution_Click()
{
    if (solutionRunning()) {
        stopSolution();
        return;
    }
    const GameSession::HintQuestion question = askSolver();
    if (question.answer != GameSession::HintQuestion::Answer::Ask)
        return;
    if (!m_solutionPool) {
        m_solutionPool = new QThreadPool(this);
        m_solutionPool->setMaxThreadCount(1);
        m_solutionTimer = new QTimer(this);
        m_solutionTimer->setInterval(SolutionStepMillis);
        connect(m_solutionTimer, &QTimer::timeout, this, &frmMain::playSolutionStep);
    }
    const auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_solutionCancel = cancel;
    showBestwert();
    const QString folder = ProgramFolder::path();
    const Tiles::Fields board = question.fields;
    const quint64 position = question.position;
    runInBackground(
        m_solutionPool, this,
        [board, folder, cancel] { return Solver(folder).solve(board, cancel.get()); },
        [position, cancel](frmMain *w, const Solver::Result &r) {
            if (cancel != w->m_solutionCancel)
                return;   // stopped meanwhile
            w->m_solutionCancel.reset();
            w->showBestwert();
            if (r.status != Solver::Status::Solved || !w->m_session.solutionAnswered(position, r.moves))
                return;
            // The first move at once, the others one by one.
            w->m_solutionTimer->start();
            w->playSolutionStep();
        });
}

void frmMain::playSolutionStep()
{
    const GameSession::Played played = m_session.playSolutionStep();
    if (!m_session.solutionPending())
        m_solutionTimer->stop();
    showPlayed(played);
}
