// Player aids on top of the game: the best possible move count of the deal
// and the hint (the first move of a shortest solution). The optimal solver
// runs on a thread of its own, so the window never waits for it.
#include "app/frmMain.h"

#include "app/FieldBox.h"
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
constexpr int HintMillis = 1200;

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

bool frmMain::waitForSolver(int msecs)
{
    if (!m_solverPool)
        return true;
    if (!m_solverPool->waitForDone(msecs))
        return false;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return true;
}

bool frmMain::solverBusy() const
{
    return m_solverPool && m_solverPool->activeThreadCount() > 0;
}

void frmMain::setHintMark(int field, bool on)
{
    if (field >= 0 && field < Board::FeldAnz)
        m_picBox[field]->setHighlight(on);
}

void frmMain::startBestwert(quint64 deal)
{
    // A new deal: the old computation is of no use any more.
    cancelSolver();
    for (int p = 0; p < Board::FeldAnz; ++p)
        setHintMark(p, false);
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
                emit w->bestwertKnown();
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
    if (m_session.fertig())
        return;
    const auto now = Tiles::fromLayout(m_session.board().layout());
    if (!now || !Tiles::isSolvable(*now)) {
        Meldung::zeigen(this, QStringLiteral("Diese Stellung kann nicht gelöst werden:\r\n"
                                             "kein Zug führt das Bild zusammen."));
        emit hintShown(-1);
        return;
    }
    const quint64 position = m_session.positionNumber();
    const QString folder = ProgramFolder::path();
    const auto cancel = m_solverCancel;
    const Tiles::Fields board = *now;
    runInBackground(
        solverPool(), this,
        [board, folder, cancel] { return Solver(PatternDatabase::shared(folder)).hint(board, cancel.get()); },
        [position](frmMain *w, std::optional<int> field) {
            if (position != w->m_session.positionNumber() || !field || w->m_session.fertig())
                return;
            // The hint counts as used once it has been shown.
            w->setHintMark(w->m_session.hintField(), false);
            w->m_session.hintShown(*field);
            w->setHintMark(*field, true);
            const int marked = *field;
            QTimer::singleShot(HintMillis, w, [w, position, marked] {
                if (w->m_session.positionNumber() == position && w->m_session.hintField() == marked) {
                    w->setHintMark(marked, false);
                    w->m_session.hintHidden();
                }
            });
            emit w->hintShown(*field);
        });
}
