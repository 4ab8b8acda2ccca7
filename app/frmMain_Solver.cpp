// Player aids on top of the game: the best possible move count of the deal,
// the hint (the first move of a shortest solution) and moving tiles with the
// arrow keys. The optimal solver runs on a thread of its own, so the window
// never waits for it.
#include "app/frmMain.h"

#include "base/Meldung.h"
#include "base/ProgramFolder.h"
#include "app/FieldBox.h"
#include "game/Solver.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>

#include <mutex>

namespace {
constexpr int HintMillis = 1200;

// The tables are the same for every program folder: once loaded or built
// they serve the whole process.
std::shared_ptr<const PatternDatabase> database(const QString &folder)
{
    static std::mutex mutex;
    static std::shared_ptr<const PatternDatabase> db;
    std::lock_guard<std::mutex> lock(mutex);
    if (!db)
        db = PatternDatabase::shared(folder);
    return db;
}

// A layout that is no board gives one the solver reports as invalid.
Tiles::Fields fieldsOf(const Board &board)
{
    Tiles::Fields none;
    none.fill(-1);
    return Tiles::fromLayout(board.layoutFromTags()).value_or(none);
}

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

void frmMain::startBestwert()
{
    if (!m_solverPool) {
        m_solverPool = new QThreadPool(this);
        m_solverPool->setMaxThreadCount(1);
    }
    // A new deal: the old computation is of no use any more.
    cancelSolver();
    const quint64 deal = ++m_dealNumber;
    ++m_positionNumber;
    m_hintUsed = false;
    if (m_hintField >= 0)
        m_picBox[m_hintField]->setHighlight(false);
    m_hintField = -1;
    m_lblBestwert->setText(QStringLiteral("Bestwert: …"));

    const Tiles::Fields start = fieldsOf(m_board);
    const QString folder = ProgramFolder::path();
    const auto cancel = m_solverCancel;
    runInBackground(
        m_solverPool, this,
        [start, folder, cancel] {
            if (cancel->load())
                return Solver::Result{Solver::Status::Cancelled};
            const Solver solver(database(folder));
            return solver.solve(start, cancel.get());
        },
        [deal](frmMain *w, const Solver::Result &r) {
            if (deal != w->m_dealNumber)
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
}

void frmMain::mnuHint_Click()
{
    if (m_board.fertig())
        return;
    const Tiles::Fields now = fieldsOf(m_board);
    if (!Tiles::isSolvable(now)) {
        Meldung::zeigen(this, QStringLiteral("Diese Stellung kann nicht gelöst werden:\r\n"
                                             "kein Zug führt das Bild zusammen."));
        emit hintShown(-1);
        return;
    }
    if (!m_solverPool) {
        m_solverPool = new QThreadPool(this);
        m_solverPool->setMaxThreadCount(1);
    }
    const quint64 position = m_positionNumber;
    const QString folder = ProgramFolder::path();
    const auto cancel = m_solverCancel;
    runInBackground(
        m_solverPool, this,
        [now, folder, cancel] {
            const Solver solver(database(folder));
            return solver.hint(now, cancel.get());
        },
        [position](frmMain *w, std::optional<int> field) {
            if (position != w->m_positionNumber || !field || w->m_board.fertig())
                return;
            // The hint counts as used once it has been shown.
            w->m_hintUsed = true;
            if (w->m_hintField >= 0)
                w->m_picBox[w->m_hintField]->setHighlight(false);
            w->m_hintField = *field;
            w->m_picBox[*field]->setHighlight(true);
            const quint64 shownAt = w->m_positionNumber;
            const int marked = *field;
            QTimer::singleShot(HintMillis, w, [w, shownAt, marked] {
                if (w->m_positionNumber == shownAt && w->m_hintField == marked) {
                    w->m_picBox[marked]->setHighlight(false);
                    w->m_hintField = -1;
                }
            });
            emit w->hintShown(*field);
        });
}

void frmMain::gameOver()
{
    if (m_hintUsed) {
        Meldung::zeigen(this, QStringLiteral("Geschafft! In diesem Spiel wurde ein Tipp benutzt,\r\n"
                                             "deshalb kommt es nicht in die Bestenliste."));
        return;
    }
    handOverWin();
}

void frmMain::keyPressEvent(QKeyEvent *event)
{
    // The arrow gives the direction in which the tile next to the empty
    // field moves into it; the move counts like a drop of that tile.
    int step = 0;
    switch (event->key()) {
    case Qt::Key_Left: step = 1; break;    // the tile right of the gap moves left
    case Qt::Key_Right: step = -1; break;
    case Qt::Key_Up: step = 4; break;      // the tile below the gap moves up
    case Qt::Key_Down: step = -4; break;
    default:
        QMainWindow::keyPressEvent(event);
        return;
    }
    event->accept();
    if (m_dragSource >= 0)
        return;
    int empty = -1;
    for (int p = 0; p < Board::FeldAnz; ++p)
        if (!m_board.hasPicture(p))
            empty = p;
    if (empty < 0)
        return;
    const int source = empty + step;
    if (!Board::isMoveAllowed(source, empty))
        return;
    picBox_DragDrop(empty, source);
}
