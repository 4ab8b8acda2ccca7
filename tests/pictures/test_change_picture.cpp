// The picture change on the offscreen platform, driven through the real
// picture dialog: copying into the library, p.cxa, the new game, cancel, the
// preview rule, undecodable files and the first start without a picture.
#include "PictureSamples.h"
#include "WindowTestSupport.h"

#include "pictures/PictureReference.h"
#include "base/Twips.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include <sys/stat.h>

using namespace TestSupport;

namespace {

// A picture of 4 x 4 squares whose square k has the colour of square
// (k + shift) mod 16 of the start-up picture, so its tiles are told apart.
QImage shiftedSquares(int shift, int side = 416)
{
    QImage img(side, side, QImage::Format_RGB32);
    QPainter p(&img);
    for (int k = 0; k < 16; ++k)
        p.fillRect(QRect((k % 4) * side / 4, (k / 4) * side / 4, side / 4, side / 4), squareColor((k + shift) % 16));
    return img;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

quint64 inode(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? quint64(st.st_ino) : 0;
}

// What the picture dialog showed when it was answered.
struct DialogSeen
{
    bool seen = false;
    bool modal = false;
    bool native = true;
    QString title;
    QStringList filters;
    QString selectedFilter;
    QStringList shown;   // the texts of the choices as the dialog shows them
    QString directory;
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
};

// Answers the next picture dialog (found by its object name): chooses the
// file at path through the dialog's own selection and accept, or cancels
// when path is empty.
void answerPictureDialog(const QString &path, std::shared_ptr<DialogSeen> seen = {})
{
    auto *timer = new QTimer;
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, ticks, path, seen] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *d = qobject_cast<QFileDialog *>(w);
            if (!d || !d->isVisible() || d->objectName() != QLatin1String("Bilderdialog"))
                continue;
            timer->stop();
            timer->deleteLater();
            if (seen) {
                seen->seen = true;
                seen->modal = d->isModal();
                seen->native = !d->testOption(QFileDialog::DontUseNativeDialog);
                seen->title = d->windowTitle();
                seen->filters = d->nameFilters();
                seen->selectedFilter = d->selectedNameFilter();
                if (auto *combo = d->findChild<QComboBox *>(QStringLiteral("fileTypeCombo")))
                    for (int i = 0; i < combo->count(); ++i)
                        seen->shown << combo->itemText(i);
                seen->directory = d->directory().absolutePath();
                seen->fileMode = d->fileMode();
            }
            if (path.isEmpty()) {
                d->reject();
                return;
            }
            // selectFile leaves the name box alone while it has the focus.
            if (auto *name = d->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                name->clearFocus();
            d->selectFile(path);
            static_cast<QDialog *>(d)->accept();   // as the Open button does
            if (d->isVisible()) {
                // not taken: close it, so the test fails on its checks
                // instead of waiting for ever
                qWarning("the picture dialog did not take %s", qPrintable(path));
                d->reject();
            }
            return;
        }
        if (++*ticks > 500) {   // 10 s without a dialog: give up
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
}

// Confirms every message box while it lives and keeps the texts.
struct Messages
{
    QStringList texts;
    QTimer timer;
    Messages()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *m = qobject_cast<QMessageBox *>(w); m && m->isVisible()) {
                    texts << m->text();
                    m->accept();
                }
        });
        timer.start(20);
    }
};

// Everything of the game that a cancelled change must leave alone.
struct Snapshot
{
    QString bildAktuell, bildOrg, counter;
    QByteArray reference;
    qint16 zuege = 0;
    QVector<qint16> layout;
    QStringList tags;
    QVector<int> shown;

    Snapshot(const frmMain &w, const ProgramDir &pd)
    {
        bildAktuell = w.Bild_aktuell();
        bildOrg = w.Bild_org;
        counter = w.Label(1)->text();
        reference = pd.read(QStringLiteral("p.cxa"));
        zuege = w.zuege();
        layout = w.board().ZArray();
        for (int p = 0; p < 16; ++p) {
            tags << w.picBox(p)->Tag;
            shown << tileShown(w.picBox(p)->picture());
        }
    }
    bool operator==(const Snapshot &o) const
    {
        return bildAktuell == o.bildAktuell && bildOrg == o.bildOrg && counter == o.counter
               && reference == o.reference && zuege == o.zuege && layout == o.layout && tags == o.tags
               && shown == o.shown;
    }
};

// Every field 0..14 shows the tile its tag names, in the colours of the
// picture shifted by shift; field 15 is empty.
void verifyBoardShows(const frmMain &w, int shift)
{
    for (int p = 0; p < 15; ++p) {
        bool ok = false;
        const int t = w.picBox(p)->Tag.toInt(&ok);
        QVERIFY(ok);
        QCOMPARE(tileShown(w.picBox(p)->picture()), (t + shift) % 16);
    }
    QVERIFY(w.picBox(15)->picture().isNull());
}

void showWindow(frmMain &w)
{
    w.Form_Load();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

// A field next to the empty field 15 after a new game.
int neighbourOfEmpty(const frmMain &w)
{
    return w.picBox(14)->Tag != QLatin1String("leer") ? 14 : 11;
}

} // namespace

class TestChangePicture : public QObject
{
    Q_OBJECT
private slots:
    void dialogAsDescribed();
    void outsidePictureIsCopiedAndRecorded();
    void libraryPictureStaysIntactAndIsUsed();
    void everyFormatThroughTheDialog_data();
    void everyFormatThroughTheDialog();
    void cancelChangesNothing();
    void previewRule_data();
    void previewRule();
    void counterAndPositionStartAfresh();
    void undecodablePictureIsReported();
    void firstStartAsksForPicture();
};

void TestChangePicture::dialogAsDescribed()
{
    ProgramDir pd;
    frmMain w;
    showWindow(w);
    auto seen = std::make_shared<DialogSeen>();
    answerPictureDialog(QString(), seen);
    w.mnuChangePic->trigger();
    QVERIFY(seen->seen);
    QVERIFY(seen->modal);
    QVERIFY(!seen->native);
    QCOMPARE(seen->title, QStringLiteral("Bilderdialog"));
    const QStringList expected{QStringLiteral(" JPEG (*.jpg)"), QStringLiteral("Windows Bitmap (*.bmp)"),
                               QStringLiteral("CompuServe Bitmap (*.gif)"), QStringLiteral("Metafiles (*.wmf)"),
                               QStringLiteral("Alle Dateien (*.*)")};
    QCOMPARE(seen->shown, expected);
    QCOMPARE(seen->selectedFilter, expected.first());
    // the patterns behind the choices
    QCOMPARE(seen->filters.size(), 5);
    const char *patterns[] = {"(*.jpg)", "(*.bmp)", "(*.gif)", "(*.wmf)", "(*.*)"};
    for (int i = 0; i < 5; ++i)
        QVERIFY(seen->filters[i].endsWith(QLatin1String(patterns[i])));
    QCOMPARE(seen->directory, QDir(pd.path(QStringLiteral("Images/originale"))).absolutePath());
    QCOMPARE(seen->fileMode, QFileDialog::ExistingFile);
    QCOMPARE(w.mnuChangePic->shortcut(), QKeySequence(Qt::Key_F3));
}

void TestChangePicture::outsidePictureIsCopiedAndRecorded()
{
    ProgramDir pd;
    frmMain w;
    showWindow(w);
    QVERIFY(QDir().mkpath(pd.path(QStringLiteral("Fotos"))));
    const QString chosen = pd.path(QStringLiteral("Fotos/Bunt.bmp"));
    QVERIFY(shiftedSquares(5).save(chosen, "BMP"));
    // a library file of the same name is replaced
    const QString copy = pd.path(QStringLiteral("Images/originale/Bunt.bmp"));
    QVERIFY(writeFile(copy, "alt"));

    answerPictureDialog(chosen);
    w.mnuChangePic_Click();

    QCOMPARE(readFile(copy), readFile(chosen));
    QCOMPARE(w.Bild_aktuell(), chosen);
    QCOMPARE(w.Bild_org, chosen);   // the chosen path, not the library copy's
    QCOMPARE(pd.read(QStringLiteral("p.cxa")), PictureReference::encode(chosen));
    QCOMPARE(PictureReference::read(pd.dir.path()), chosen);
    verifyBoardShows(w, 5);
    QVERIFY(Board::isSolvable(w.board().ZArray().mid(0, 16)));
    for (int p = 0; p <= 16; ++p)
        QVERIFY(w.picBox(p)->hasBorder());
}

void TestChangePicture::libraryPictureStaysIntactAndIsUsed()
{
    ProgramDir pd;
    frmMain w;
    showWindow(w);
    const QString library = pd.path(QStringLiteral("Images/originale/Bunt.bmp"));
    QVERIFY(shiftedSquares(3).save(library, "BMP"));
    const QByteArray before = readFile(library);
    const quint64 node = inode(library);

    answerPictureDialog(library);
    w.mnuChangePic_Click();

    QCOMPARE(readFile(library), before);
    QCOMPARE(inode(library), node);
    QCOMPARE(QDir(pd.path(QStringLiteral("Images/originale"))).entryList(QDir::Files | QDir::Hidden).size(), 1);
    QCOMPARE(w.Bild_org, library);
    QCOMPARE(pd.read(QStringLiteral("p.cxa")), PictureReference::encode(library));
    verifyBoardShows(w, 3);
}

void TestChangePicture::everyFormatThroughTheDialog_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QColor>("topLeft");       // tile 0
    QTest::addColumn<QColor>("topRight");      // tile 3
    QTest::addColumn<QColor>("middle");        // tile 10

    const QVector<QColor> c = Samples::quadrantColors();
    const QImage picture = Samples::quadrants(400, 300);
    QTest::newRow("jpeg") << "Foto.jpg" << Samples::encoded(picture, "JPEG", 95) << c[0] << c[1] << c[3];
    QTest::newRow("bmp") << "Bild.bmp" << Samples::encoded(picture, "BMP") << c[0] << c[1] << c[3];
    QTest::newRow("gif") << "Grafik.gif"
                         << Samples::gif(40, 30, c, {Samples::quadrantIndices(40, 30)}) << c[0] << c[1] << c[3];
    QTest::newRow("wmf") << "Zeichnung.wmf" << Samples::wmf(true) << QColor(200, 0, 0) << QColor(0, 0, 200)
                         << QColor(Qt::white);
    QTest::newRow("wmf standard") << "Zeichnung.wmf" << Samples::wmf(false) << QColor(200, 0, 0)
                                  << QColor(0, 0, 200) << QColor(Qt::white);
}

void TestChangePicture::everyFormatThroughTheDialog()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    QFETCH(QColor, topLeft);
    QFETCH(QColor, topRight);
    QFETCH(QColor, middle);

    ProgramDir pd;
    frmMain w;
    showWindow(w);
    const QString chosen = pd.path(name);
    QVERIFY(writeFile(chosen, data));
    Messages messages;
    answerPictureDialog(chosen);
    w.mnuChangePic_Click();
    QVERIFY2(messages.texts.isEmpty(), qPrintable(messages.texts.join(QLatin1Char('\n'))));

    const QColor expected[16] = {topLeft, {}, {}, topRight, {}, {}, {}, {}, {}, {}, middle};
    int checked = 0;
    for (int p = 0; p < 15; ++p) {
        const int t = w.picBox(p)->Tag.toInt();
        if (!expected[t].isValid())
            continue;
        const QImage &tile = w.picBox(p)->picture();
        QVERIFY(!tile.isNull());
        QVERIFY2(Samples::near(tile.pixelColor(tile.width() / 2, tile.height() / 2), expected[t], 40),
                 qPrintable(QStringLiteral("tile %1").arg(t)));
        ++checked;
    }
    QCOMPARE(checked, 3);
}

void TestChangePicture::cancelChangesNothing()
{
    ProgramDir pd;
    frmMain w;
    showWindow(w);
    // a game in progress: one counted move
    const int from = neighbourOfEmpty(w);
    dragField(w, from, 15);
    QCOMPARE(w.zuege(), qint16(1));
    w.Label(3)->setText(QStringLiteral("12"));
    const Snapshot before(w, pd);

    answerPictureDialog(QString());
    w.mnuChangePic_Click();

    QVERIFY(Snapshot(w, pd) == before);
    QCOMPARE(pd.read(QStringLiteral("p.cxa")), before.reference);
    QCOMPARE(QDir(pd.path(QStringLiteral("Images/originale"))).entryList(QDir::Files).size(), 0);
    for (int p = 0; p <= 16; ++p)
        QVERIFY(w.picBox(p)->hasBorder());   // the borders are drawn again
    QCOMPARE(w.Label(3)->text(), QString());
}

void TestChangePicture::previewRule_data()
{
    QTest::addColumn<bool>("previewBefore");
    QTest::addColumn<bool>("choose");
    QTest::newRow("on, picture chosen") << true << true;
    QTest::newRow("off, picture chosen") << false << true;
    QTest::newRow("on, cancelled") << true << false;
    QTest::newRow("off, cancelled") << false << false;
}

void TestChangePicture::previewRule()
{
    QFETCH(bool, previewBefore);
    QFETCH(bool, choose);
    ProgramDir pd;
    frmMain w;
    showWindow(w);
    if (previewBefore)
        w.mnuPreviewOn->trigger();
    QCOMPARE(w.imgTemp()->isVisible(), previewBefore);

    const QString chosen = pd.path(QStringLiteral("Neu.bmp"));
    QVERIFY(shiftedSquares(7).save(chosen, "BMP"));
    answerPictureDialog(choose ? chosen : QString());
    w.mnuChangePic_Click();

    QCOMPARE(w.imgvis, previewBefore);
    QCOMPARE(w.imgTemp()->isVisible(), previewBefore);
    QCOMPARE(w.mnuPreviewOn->text(),
             previewBefore ? QStringLiteral("Vorschau aus") : QStringLiteral("Vorschau ein"));
    if (previewBefore) {
        const int size = Twips::px(Twips::Main::PreviewSize);
        QCOMPARE(w.imgTemp()->size(), QSize(size, size));
        QCOMPARE(w.imgTemp()->x(), w.Frame4()->x());
        // the preview shows the picture now in play
        const QImage shown = w.imgTemp()->pixmap().toImage();
        QCOMPARE(tileShown(shown.copy(0, 0, shown.width() / 4, shown.height() / 4)), choose ? 7 : 0);
    }
}

void TestChangePicture::counterAndPositionStartAfresh()
{
    ProgramDir pd;
    frmMain w;
    showWindow(w);
    w.setZuege(57);
    w.setFertig(true);
    w.Label(3)->setText(QStringLiteral("9"));
    const QString chosen = pd.path(QStringLiteral("Neu.bmp"));
    QVERIFY(shiftedSquares(2).save(chosen, "BMP"));

    answerPictureDialog(chosen);
    w.mnuChangePic_Click();

    QCOMPARE(w.zuege(), qint16(0));
    QCOMPARE(w.Label(1)->text(), QStringLiteral("0"));
    QCOMPARE(w.Label(3)->text(), QString());
    QVERIFY(!w.fertig());
    // and the new game is playable: a drop on the empty field counts
    dragField(w, neighbourOfEmpty(w), 15);
    QCOMPARE(w.zuege(), qint16(1));
}

void TestChangePicture::undecodablePictureIsReported()
{
    ProgramDir pd;
    frmMain w;
    showWindow(w);
    const QString chosen = pd.path(QStringLiteral("Kaputt.jpg"));
    QVERIFY(writeFile(chosen, "Das ist kein Bild.\r\n"));

    Messages messages;
    answerPictureDialog(chosen);
    w.mnuChangePic_Click();

    QCOMPARE(messages.texts.size(), 1);   // one message, not one per layer
    QVERIFY(messages.texts.first().contains(chosen));
    QVERIFY(messages.texts.first().contains(QStringLiteral("Die Datei ist kein lesbares Bild.")));
    // still recorded and copied, as with any chosen file
    QCOMPARE(pd.read(QStringLiteral("p.cxa")), PictureReference::encode(chosen));
    QCOMPARE(readFile(pd.path(QStringLiteral("Images/originale/Kaputt.jpg"))), readFile(chosen));

    // the board keeps a whole game with the pictures at hand, and plays on
    for (int p = 0; p < 15; ++p)
        QVERIFY(!w.picBox(p)->picture().isNull());
    QCOMPARE(w.zuege(), qint16(0));
    dragField(w, neighbourOfEmpty(w), 15);
    QCOMPARE(w.zuege(), qint16(1));

    // and a good picture afterwards is taken as usual
    const QString good = pd.path(QStringLiteral("Gut.bmp"));
    QVERIFY(shiftedSquares(9).save(good, "BMP"));
    answerPictureDialog(good);
    w.mnuChangePic_Click();
    QCOMPARE(messages.texts.size(), 1);
    verifyBoardShows(w, 9);
}

void TestChangePicture::firstStartAsksForPicture()
{
    ProgramDir pd(false);   // no p.cxa
    const QString library = pd.path(QStringLiteral("Images/originale/Start.bmp"));
    QVERIFY(shiftedSquares(4).save(library, "BMP"));
    auto seen = std::make_shared<DialogSeen>();
    answerPictureDialog(library, seen);

    frmMain w;
    showWindow(w);

    QVERIFY(seen->seen);
    QCOMPARE(w.Bild_aktuell(), library);
    QCOMPARE(pd.read(QStringLiteral("p.cxa")), PictureReference::encode(library));
    verifyBoardShows(w, 4);
    QCOMPARE(w.picBox(15)->Tag, QStringLiteral("15"));
}

QTEST_MAIN(TestChangePicture)
#include "test_change_picture.moc"
