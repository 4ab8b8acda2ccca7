#pragma once
// Helpers for window tests: a temporary program folder with a test picture,
// answering modal boxes, failing on unanswered ones, and dragging tiles with
// mouse events.
#include "base/ProgramFolder.h"
#include "app/frmMain.h"
#include "app/FieldBox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QInputDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <functional>
#include <vector>

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

// The tile (0..15) whose colour the centre of an image shows, or -1.
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

// A program folder in a temporary directory: Images, Images/originale, a
// test picture (PNG content under a .bmp name is not needed: BMP is exact)
// and p.cxa naming it. ProgramFolder points at it while it lives.
struct ProgramDir
{
    QTemporaryDir dir;
    QString picture;

    explicit ProgramDir(bool withPicture = true)
    {
        QDir(dir.path()).mkpath(QStringLiteral("Images/originale"));
        ProgramFolder::setPath(dir.path());
        if (withPicture) {
            picture = dir.path() + QStringLiteral("/squares.bmp");
            squaresPicture().save(picture, "BMP");
            writeReference(picture);
        }
    }
    ~ProgramDir() { ProgramFolder::setPath(QString()); }

    QString path(const QString &relative) const { return dir.path() + QLatin1Char('/') + relative; }

    void writeReference(const QString &line) const
    {
        QFile f(path(QStringLiteral("p.cxa")));
        if (f.open(QIODevice::WriteOnly))
            f.write(line.toLatin1() + "\r\n");
    }

    QByteArray read(const QString &relative) const
    {
        QFile f(path(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// Runs `answer` on the next modal dialog of type T that appears (checked
// every 20 ms for up to timeoutMs), e.g. to read and close a message box.
template <typename T>
void onNextModal(std::function<void(T *)> answer, int timeoutMs = 5000)
{
    auto *timer = new QTimer;
    auto elapsed = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, elapsed, answer, timeoutMs] {
        *elapsed += 20;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *d = qobject_cast<T *>(w); d && d->isVisible()) {
                timer->stop();
                timer->deleteLater();
                answer(d);
                return;
            }
        }
        if (*elapsed > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
}

// Closes every modal dialog that opens while it lives (message boxes with OK,
// the others with cancel), and remembers the texts of the message boxes.
struct DismissDialogs
{
    QStringList messages;
    QStringList dialogs;  // object names of the other dialogs closed
    QTimer timer;
    DismissDialogs()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (!w->isVisible())
                    continue;
                if (auto *m = qobject_cast<QMessageBox *>(w)) {
                    messages << m->text();
                    m->accept();
                } else if (auto *d = qobject_cast<QDialog *>(w); d && d->isModal()) {
                    dialogs << d->objectName();
                    d->reject();
                }
            }
        });
        timer.start(20);
    }
};

// Fails the running test when a message box, file dialog or input box stays
// unanswered: a test answers the boxes it expects at once (onNextModal,
// DismissDialogs), so one still open after `graceMs` came unexpected and
// would block the test until ctest's time-out. The box is closed, and the
// test fails with its title and text. zandor_tests installs one guard in
// every test that runs a QApplication.
class ModalGuard : public QObject
{
public:
    explicit ModalGuard(int graceMs, QObject *parent = nullptr) : QObject(parent), m_graceMs(graceMs)
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalGuard::check);
        m_timer.start(100);
    }

private:
    struct Seen
    {
        QPointer<QDialog> dialog;
        QElapsedTimer open;
    };

    static QString describe(QDialog *d)
    {
        QString text;
        if (auto *m = qobject_cast<QMessageBox *>(d))
            text = m->text();
        else if (auto *in = qobject_cast<QInputDialog *>(d))
            text = in->labelText();
        else if (auto *f = qobject_cast<QFileDialog *>(d))
            text = f->directory().path();
        return QStringLiteral("unanswered %1 \"%2\": %3").arg(QLatin1String(d->metaObject()->className()),
                                                              d->windowTitle(), text.simplified());
    }

    void check()
    {
        m_seen.erase(std::remove_if(m_seen.begin(), m_seen.end(),
                                    [](const Seen &s) { return !s.dialog || !s.dialog->isVisible(); }),
                     m_seen.end());
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *d = qobject_cast<QDialog *>(w);
            if (!d || !d->isVisible()
                || !(qobject_cast<QMessageBox *>(d) || qobject_cast<QFileDialog *>(d) || qobject_cast<QInputDialog *>(d)))
                continue;
            auto it = std::find_if(m_seen.begin(), m_seen.end(), [d](const Seen &s) { return s.dialog == d; });
            if (it == m_seen.end()) {
                m_seen.push_back({d, {}});
                m_seen.back().open.start();
            } else if (it->open.elapsed() > m_graceMs) {
                const QByteArray what = describe(d).toUtf8();
                d->reject();
                QTest::qFail(what.constData(), __FILE__, __LINE__);
            }
        }
    }

    int m_graceMs;
    QTimer m_timer;
    std::vector<Seen> m_seen;
};

// Press on field `from`, move over the fields on the way (the board's own
// neighbours of `to` are crossed by moving straight there) and release on
// field `to`. Real mouse events through the window system interface.
inline void dragField(frmMain &w, int from, int to)
{
    FieldBox *src = w.picBox(from);
    FieldBox *dst = w.picBox(to);
    const QPoint start = src->rect().center();
    QTest::mousePress(src, Qt::LeftButton, Qt::NoModifier, start);
    const QPoint endInSrc = src->mapFromGlobal(dst->mapToGlobal(dst->rect().center()));
    for (int step = 1; step <= 4; ++step)
        QTest::mouseMove(src, start + (endInSrc - start) * step / 4);
    QTest::mouseRelease(src, Qt::LeftButton, Qt::NoModifier, endInSrc);
}

// Lays a layout on the board the way a loaded game is placed.
inline void placeLayout(frmMain &w, const QVector<qint16> &fields)
{
    QVector<qint16> z = fields;
    while (z.size() < 17)
        z.append(0);
    w.ZArray_setzen(z);
    w.Bild_Teilen(1);
    w.Bilder_Laden(1, 2);
}

inline QVector<qint16> solvedLayout()
{
    QVector<qint16> f;
    for (int i = 0; i < 15; ++i)
        f.append(i);
    f.append(100);
    return f;
}

} // namespace TestSupport
