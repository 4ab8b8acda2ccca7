// Build-time generator of the screenshot that software centres show: the
// main window as it opens, with a picture of the library dealt on the board
// and the deal's best value shown.
//   make_screenshot <work folder> <library folder> <picture> <output.png>
// The work folder becomes the program folder of this one run (the built
// program folder is left alone); the picture is named by its file name in
// the library folder.
#include "app/frmMain.h"
#include "base/ProgramFolder.h"
#include "pictures/PictureReference.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QRegularExpression>
#include <QTimer>
#include <QPixmap>
#include <QSaveFile>
#include <cstdio>
#include <cstdlib>

namespace {

bool copyLibrary(const QString &from, const QString &to)
{
    if (!QDir().mkpath(to))
        return false;
    const QStringList names = QDir(from).entryList(QDir::Files, QDir::Name);
    for (const QString &name : names) {
        const QString target = to + QLatin1Char('/') + name;
        QFile::remove(target);
        if (!QFile::copy(from + QLatin1Char('/') + name, target))
            return false;
    }
    return !names.isEmpty();
}

int run(int argc, char **argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: make_screenshot <work folder> <library folder> <picture> <output.png>\n");
        return 2;
    }
    const QString work = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString library = work + QStringLiteral("/Images/originale");
    if (!copyLibrary(QString::fromLocal8Bit(argv[2]), library)) {
        std::fprintf(stderr, "make_screenshot: cannot copy the pictures of %s\n", argv[2]);
        return 1;
    }
    const QString picture = library + QLatin1Char('/') + QString::fromLocal8Bit(argv[3]);
    if (!QFile::exists(picture) || !PictureReference::write(work, picture)) {
        std::fprintf(stderr, "make_screenshot: cannot choose %s\n", qPrintable(picture));
        return 1;
    }
    ProgramFolder::setPath(work);

    // Left to the end of the process: the window's solver may still be
    // working in the background, and nobody waits for its answer.
    // It shows the board once the best value of the deal is known, as a
    // player sees it a moment after the start.
    auto *window = new frmMain;
    const QRegularExpression known(QStringLiteral("^Bestwert: \\d+$"));
    QEventLoop wait;
    QTimer poll;   // the label is looked at until it shows the value
    QObject::connect(&poll, &QTimer::timeout, &wait, [&] {
        if (known.match(window->lblBestwert()->text()).hasMatch())
            wait.quit();
    });
    QTimer::singleShot(600000, &wait, &QEventLoop::quit);
    window->Form_Load();
    poll.start(20);
    if (!known.match(window->lblBestwert()->text()).hasMatch())
        wait.exec();
    poll.stop();
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
    if (!known.match(window->lblBestwert()->text()).hasMatch()) {
        std::fprintf(stderr, "make_screenshot: no best value, the label reads \"%s\"\n",
                     qPrintable(window->lblBestwert()->text()));
        return 1;
    }
    const QImage shot = window->grab().toImage();

    QSaveFile out(QString::fromLocal8Bit(argv[4]));
    if (shot.isNull() || !out.open(QIODevice::WriteOnly) || !shot.save(&out, "PNG") || !out.commit()) {
        std::fprintf(stderr, "make_screenshot: cannot write %s\n", argv[4]);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int code = run(argc, argv);
    std::fflush(nullptr);
    std::_Exit(code);
}
