#pragma once
// Window tests: a picture of 4 x 4 squares, a temporary program folder,
// answering modal boxes, dragging tiles.
#include "app/BoardView.h"
#include "app/frmMain.h"
#include "base/ProgramFolder.h"
#include "TestFiles.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace TestSupport {

// The colour of square k (0..15) of the test picture: every square its own.
inline QColor squareColor(int k) { return QColor::fromHsv(k * 360 / 16, 255 - (k % 2) * 90, 255 - (k / 8) * 80); }

inline QImage squaresPicture(int side = 416)
{
    QImage img(side, side, QImage::Format_RGB32);
    QPainter p(&img);
    for (int k = 0; k < 16; ++k)
        p.fillRect(QRect(QPoint(k % 4 * side / 4, k / 4 * side / 4), QPoint((k % 4 + 1) * side / 4 - 1, (k / 4 + 1) * side / 4 - 1)),
                   squareColor(k));
    return img;
}

inline bool similar(const QColor &a, const QColor &b, int tolerance = 24)
{
    return qMax(qMax(std::abs(a.red() - b.red()), std::abs(a.green() - b.green())), std::abs(a.blue() - b.blue())) <= tolerance;
}

// The square (0..15) whose colour the centre of an image shows; -1 for no image, -2 for none.
inline int tileShown(const QImage &picture)
{
    for (int k = 0; !picture.isNull() && k < 16; ++k)
        if (similar(picture.pixelColor(picture.width() / 2, picture.height() / 2), squareColor(k)))
            return k;
    return picture.isNull() ? -1 : -2;
}

// A program folder with Images/originale and, unless told otherwise, the test
// picture as a BMP named in p.cxa; ProgramFolder points at it while it lives.
struct ProgramDir
{
    QTemporaryDir dir;
    explicit ProgramDir(bool withPicture = true)
    {
        QDir(dir.path()).mkpath(QStringLiteral("Images/originale"));
        ProgramFolder::setPath(dir.path());
        if (withPicture && squaresPicture().save(path(QStringLiteral("squares.bmp")), "BMP"))
            writeAll(path(QStringLiteral("p.cxa")), path(QStringLiteral("squares.bmp")).toLatin1() + "\r\n");
    }
    ~ProgramDir() { ProgramFolder::setPath(QString()); }
    QString path(const QString &relative) const { return dir.path() + QLatin1Char('/') + relative; }
    QByteArray read(const QString &relative) const { return readAll(path(relative)); }
};

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

// Closes every visible top-level window and deletes what closing left for deletion.
inline void closeAll()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Runs `answer` on the next visible dialog of type T within five seconds.
template <typename T>
void onNextModal(std::function<void(T *)> answer)
{
    auto *timer = new QTimer;
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
    w.ZArray_setzen(fields);
    w.Bilder_Laden(frmMain::Placement::LoadedGame);
}

} // namespace TestSupport
