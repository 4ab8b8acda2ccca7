#pragma once
// Helpers for window tests: a test picture, a temporary program folder,
// answering modal boxes and failing on unanswered ones, dragging tiles.
#include "app/FieldBox.h"
#include "app/frmMain.h"
#include "base/ProgramFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace TestSupport {

// The colour of square k (0..15) of the test picture: every square its own.
inline QColor squareColor(int k)
{
    return QColor::fromHsv((k * 360 / 16) % 360, 255 - (k % 2) * 90, 255 - (k / 8) * 80);
}

// A picture of 4 x 4 squares of distinct colours, side x side pixels.
inline QImage squaresPicture(int side = 416)
{
    QImage img(side, side, QImage::Format_RGB32);
    QPainter p(&img);
    for (int k = 0; k < 16; ++k) {
        const int a = (k % 4) * side / 4, b = (k / 4) * side / 4;
        p.fillRect(QRect(a, b, (k % 4 + 1) * side / 4 - a, (k / 4 + 1) * side / 4 - b), squareColor(k));
    }
    return img;
}

inline bool similar(const QColor &a, const QColor &b, int tolerance = 24)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
           && std::abs(a.blue() - b.blue()) <= tolerance;
}

// The square (0..15) whose colour the centre of an image shows; -1 for no image.
inline int tileShown(const QImage &picture)
{
    if (picture.isNull())
        return -1;
    const QColor c = picture.pixelColor(picture.width() / 2, picture.height() / 2);
    for (int k = 0; k < 16; ++k)
        if (similar(c, squareColor(k)))
            return k;
    return -2;
}

// A program folder in a temporary directory with Images/originale and, unless
// told otherwise, the test picture as a BMP named in p.cxa. ProgramFolder
// points at it while it lives.
struct ProgramDir
{
    QTemporaryDir dir;

    explicit ProgramDir(bool withPicture = true)
    {
        QDir(dir.path()).mkpath(QStringLiteral("Images/originale"));
        ProgramFolder::setPath(dir.path());
        QFile p(path(QStringLiteral("p.cxa")));
        if (withPicture && squaresPicture().save(path(QStringLiteral("squares.bmp")), "BMP") && p.open(QIODevice::WriteOnly))
            p.write(path(QStringLiteral("squares.bmp")).toLatin1() + "\r\n");
    }
    ~ProgramDir() { ProgramFolder::setPath(QString()); }
    QString path(const QString &relative) const { return dir.path() + QLatin1Char('/') + relative; }
    QByteArray read(const QString &relative) const
    {
        QFile f(path(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// The main window started in a program folder with the test picture.
struct Started
{
    ProgramDir dir;
    frmMain w;
    Started() { w.Form_Load(); }
};

// Runs `answer` on the next visible dialog of type T within five seconds.
template <typename T>
void onNextModal(std::function<void(T *)> answer)
{
    auto *timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, answer] {
        T *found = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<T *>(w); d && d->isVisible())
                found = d;
        if (found || clock->elapsed() > 5000) {
            timer->stop();
            timer->deleteLater();
        }
        if (found)
            answer(found);
    });
    timer->start(20);
}

// Answers the next message box with OK, its text kept in *text.
inline void answerMessage(QString *text)
{
    onNextModal<QMessageBox>([text](QMessageBox *m) {
        *text = m->text();
        m->accept();
    });
}

// Fails the running test when a message box, file dialog or input box stays
// unanswered for graceMs: a test answers the boxes it expects at once, so one
// still open came unexpected and would block the test until ctest's time-out.
// The box is closed and the test fails with its class, title and text.
class ModalGuard : public QObject
{
public:
    ModalGuard(int graceMs, QObject *parent) : QObject(parent), m_graceMs(graceMs)
    {
        m_clock.start();
        startTimer(100);
    }

protected:
    void timerEvent(QTimerEvent *) override
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *d = qobject_cast<QDialog *>(w);
            auto *m = qobject_cast<QMessageBox *>(w);
            auto *in = qobject_cast<QInputDialog *>(w);
            auto *f = qobject_cast<QFileDialog *>(w);
            if (!m && !in && !f)
                continue;
            const QVariant since = d->property("openSince");
            if (!d->isVisible()) {
                d->setProperty("openSince", QVariant());
            } else if (!since.isValid()) {
                d->setProperty("openSince", m_clock.elapsed());
            } else if (m_clock.elapsed() - since.toLongLong() > m_graceMs) {
                const QString text = m ? m->text() : in ? in->labelText() : f->directory().path();
                const QByteArray what = QStringLiteral("unanswered %1 \"%2\": %3")
                    .arg(QLatin1String(d->metaObject()->className()), d->windowTitle(), text.simplified()).toUtf8();
                d->reject();
                QTest::qFail(what.constData(), __FILE__, __LINE__);
            }
        }
    }

private:
    int m_graceMs;
    QElapsedTimer m_clock;
};

// Press on field `from`, move in four steps and release on field `to`.
inline void dragField(frmMain &w, int from, int to)
{
    FieldBox *src = w.picBox(from);
    const QPoint start = src->rect().center();
    const QPoint end = src->mapFromGlobal(w.picBox(to)->mapToGlobal(w.picBox(to)->rect().center()));
    QTest::mousePress(src, Qt::LeftButton, Qt::NoModifier, start);
    for (int step = 1; step <= 4; ++step)
        QTest::mouseMove(src, start + (end - start) * step / 4);
    QTest::mouseRelease(src, Qt::LeftButton, Qt::NoModifier, end);
}

inline QVector<qint16> solvedLayout()
{
    QVector<qint16> f;
    for (int i = 0; i < 15; ++i)
        f.append(i);
    return f << 100;
}

inline QVector<qint16> swapped(QVector<qint16> f, int a, int b)
{
    std::swap(f[a], f[b]);
    return f;
}

// Lays a layout on the board the way a loaded game is placed.
inline void placeLayout(frmMain &w, QVector<qint16> fields)
{
    fields.resize(17);
    w.ZArray_setzen(fields);
    w.Bild_Teilen(1);
    w.Bilder_Laden(1, 2);
}

} // namespace TestSupport
