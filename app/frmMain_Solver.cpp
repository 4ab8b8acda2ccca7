// Player aids on top of the game: the best possible move count of the deal
// and the hint (the first move of a shortest solution). The optimal solver
// runs on a thread of its own, so the window never waits for it.
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
    m_lblBestwert->setText(QStringLiteral("Bestwert: …"));

    const auto start = Tiles::fromLayout(m_session.board().layout());
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
                return Solver(PatternDatabase::shared(folder)).solve(*start, cancel.get());
            },
            [deal](frmMain *w, const Solver::Result &r) {
                if (deal != w->m_session.dealNumber())
                    return;
                switch (r.status) {
                case Solver::Status::Solved:
                    w->m_lblBestwert->setText(QStringLiteral("Bestwert: %1").arg(r.length));
                    break;
                case Solver::Status::Unsolvable:
                case Solver::Status::Invalid:
                    w->m_lblBestwert->setText(QStringLiteral("Bestwert: unlösbar"));
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

void frmMain::mnuHint_Click()
{
    // The session says whether a hint may be asked for now, and whether the
    // answer, when it comes, still fits the board.
    const GameSession::HintQuestion question = m_session.askHint();
    switch (question.answer) {
    case GameSession::HintQuestion::Answer::Finished:
        return;
    case GameSession::HintQuestion::Answer::Unsolvable:
        Meldung::zeigen(this, QStringLiteral("Diese Stellung kann nicht gelöst werden:\r\n"
                                             "kein Zug führt das Bild zusammen."));
        emit hintShown(-1);
        return;
    case GameSession::HintQuestion::Answer::Ask:
        break;
    }
    const QString folder = ProgramFolder::path();
    const auto cancel = m_solverCancel;
    const Tiles::Fields board = question.fields;
    const quint64 position = question.position;
    runInBackground(
        solverPool(), this,
        [board, folder, cancel] { return Solver(PatternDatabase::shared(folder)).hint(board, cancel.get()); },
        [position](frmMain *w, std::optional<int> field) {
            if (!w->m_session.hintAnswered(position, field))
                return;
            w->showSession();
            emit w->hintShown(*field);
        });
}
