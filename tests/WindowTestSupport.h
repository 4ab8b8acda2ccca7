#pragma once
// Window tests: the main window started, answering modal boxes, dragging tiles.
#include "app/BoardView.h"
#include "app/frmMain.h"
#include "GameTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace TestSupport {

// Waits (at most ten seconds) until the main window's board is placed.
inline bool placed(const frmMain &w)
{
    return QTest::qWaitFor([&w] { return w.boardPlaced(); }, 10000);
}

// The main window started in a program folder with the test picture, its
// board placed.
struct Started : ProgramDir, frmMain
{
    Started() { Form_Load(), placed(*this); }
};

// The first visible top-level window of type T, or none.
template <typename T>
T *openWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *t = qobject_cast<T *>(w); t && t->isVisible())
            return t;
    return nullptr;
}

// The answers still waiting for their box. A test that failed before its
// box came leaves its answer behind; dropped after every test, it never
// answers a box of the next one (with references into a test that is gone).
inline QObject *pendingAnswers()
{
    static QPointer<QObject> holder;
    if (!holder)
        holder = new QObject(qApp);
    return holder;
}

// Drops the answers still waiting, closes every visible top-level window and
// deletes what closing left for deletion.
inline void closeAll()
{
    qDeleteAll(pendingAnswers()->children());
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Runs `answer` on the next visible dialog of type T within five seconds.
template <typename T>
void onNextModal(std::function<void(T *)> answer)
{
    auto *timer = new QTimer(pendingAnswers());
    QElapsedTimer clock;
    clock.start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, answer] {
        T *found = openWindow<T>();
        if (found || clock.elapsed() > 5000)
            timer->stop(), timer->deleteLater();
        if (found)
            answer(found);
    });
    timer->start(20);
}

// Answers the next message box with OK, its text kept in *text.
inline void answerMessage(QString *text) { onNextModal<QMessageBox>([text](QMessageBox *m) { *text = m->text(), m->accept(); }); }

// Press, move in four steps, release.
inline void dragField(frmMain &w, int from, int to)
{
    BoardView *board = w.Frame1();
    const QPoint start = board->fieldRect(from).center();
    const QPoint end = board->fieldRect(to).center();
    QTest::mousePress(board, Qt::LeftButton, Qt::NoModifier, start);
    for (int step = 1; step <= 4; ++step)
        QTest::mouseMove(board, start + (end - start) * step / 4);
    QTest::mouseRelease(board, Qt::LeftButton, Qt::NoModifier, end);
}

// Lays a layout on the board the way a loaded game is placed.
inline void placeLayout(frmMain &w, QVector<qint16> fields)
{
    fields.resize(17);
    w.game()->ZArray_setzen(fields);
    w.game()->Bilder_Laden(Board::Placement::LoadedGame);
}

} // namespace TestSupport
