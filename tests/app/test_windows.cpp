// The windows on the offscreen platform, each flow once: start-up, a drag to
// a win to the name box to the list, the hint, save and load, the picture
// change, and the function keys against the description's key list. The
// rules behind them are tested on the plain classes.
#include "../WindowTestSupport.h"

#include "app/FieldBox.h"
#include "base/Twips.h"
#include "info/DescriptionText.h"
#include "info/frmAbout.h"
#include "info/frmDescr.h"
#include "saves/SavedGame.h"
#include "saves/frmLoad.h"
#include "scores/frmTopTen.h"

#include <QAction>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

using namespace TestSupport;

namespace {

QVector<qint16> swapped(QVector<qint16> f, int a, int b)
{
    std::swap(f[a], f[b]);
    return f;
}

template <typename T>
T *openWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *t = qobject_cast<T *>(w); t && t->isVisible())
            return t;
    return nullptr;
}

QPoint framePos(QWidget *w)
{
    return w->frameGeometry().topLeft();
}

// Answers the next name box with name (cancel when name is null).
void answerNameBox(const QString &name, bool *seen)
{
    onNextModal<QInputDialog>([name, seen](QInputDialog *box) {
        *seen = true;
        if (name.isNull()) {
            box->reject();
        } else {
            box->setTextValue(name);
            box->accept();
        }
    });
}

} // namespace

class TestWindows : public QObject
{
    Q_OBJECT
private slots:
    void init() { QApplication::processEvents(); }
    void cleanup();
    void startUp();
    void dragToWinToTheList();
    void hintKeepsTheWinOutOfTheList();
    void saveAndLoad();
    void loadWithMissingPicture();
    void changePicture();
    void functionKeysMatchTheDescription();
    void secondaryWindows();
    void closedWhileStarting();
};

void TestWindows::cleanup()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestWindows::startUp()
{
    ProgramDir dir;
    frmMain w;
    w.Form_Load();
    QVERIFY(w.isVisible());
    QCOMPARE(w.windowTitle(), QStringLiteral("    Zandor"));

    // The board and the panels, in twips, side by side without overlap.
    QCOMPARE(w.Frame1()->geometry(), Twips::rect(240, 240, 6240, 6240));
    QCOMPARE(w.Frame3()->geometry(), Twips::rect(240 + 6240 + 320, 240, 3000, 1455));
    QCOMPARE(w.Frame4()->geometry().top(), w.Frame3()->geometry().bottom() + 1);
    QVERIFY(!w.Frame4()->isVisible());
    QVERIFY(!w.pBar()->isVisible());
    QCOMPARE(w.progressPeak(), 998);
    QCOMPARE(Twips::point(w.Window_Left(), w.Window_Top()), framePos(&w) + Twips::point(500, 500));

    // Fields 0..14 show and carry the tiles of the deal; field 15 is empty
    // and still carries "15"; box 16 is never shown.
    const QVector<qint16> z = w.session().board().ZArray();
    for (int i = 0; i < 15; ++i) {
        QCOMPARE(w.picBox(i)->Tag, QString::number(z[i]));
        QCOMPARE(tileShown(w.picBox(i)->picture()), int(z[i]));
        QCOMPARE(w.picBox(i)->geometry(), Twips::rect((i % 4) * 1560, (i / 4) * 1560, 1560, 1560));
    }
    QCOMPARE(w.picBox(15)->Tag, QStringLiteral("15"));
    QVERIFY(w.picBox(15)->picture().isNull());
    QVERIFY(!w.picBox(16)->isVisible());

    // Only the scaled working copy is left in Images, in the bitmap format.
    QCOMPARE(QDir(dir.path(QStringLiteral("Images"))).entryList(QDir::Files), QStringList{"bild.jpg"});
    QVERIFY(dir.read(QStringLiteral("Images/bild.jpg")).startsWith("BM"));
}

void TestWindows::dragToWinToTheList()
{
    ProgramDir dir;
    frmMain w;
    w.Form_Load();
    placeLayout(w, swapped(solvedLayout(), 11, 15));
    QCOMPARE(w.picBox(11)->Tag, QStringLiteral("leer"));

    // While a tile that may go there is over the empty field, the field is
    // white under the outline; a tile that may not leaves it dark. Esc puts
    // the tile back: nothing lit, nothing counted.
    const QColor normal = FieldBox::buttonFace();
    QVERIFY(qGray(normal.rgb()) < 200);
    auto pressAndHoverEmpty = [&](int from) {
        QTest::mousePress(w.picBox(from), Qt::LeftButton, Qt::NoModifier, QPoint(52, 52));
        QTest::mouseMove(w.picBox(from), w.picBox(from)->mapFromGlobal(w.picBox(11)->mapToGlobal(QPoint(52, 52))));
    };
    pressAndHoverEmpty(6);
    QCOMPARE(w.picBox(11)->backColor(), normal);
    QTest::keyClick(&w, Qt::Key_Escape);
    pressAndHoverEmpty(10);
    QCOMPARE(w.picBox(11)->backColor(), QColor(Qt::white));
    QCOMPARE(w.Frame1()->grab().toImage().pixelColor(w.picBox(11)->geometry().center()), QColor(Qt::white));
    QTest::keyClick(&w, Qt::Key_Escape);
    QCOMPARE(w.picBox(11)->backColor(), normal);
    QTest::mouseRelease(w.picBox(10), Qt::LeftButton, Qt::NoModifier,
                        w.picBox(10)->mapFromGlobal(w.picBox(11)->mapToGlobal(QPoint(52, 52))));
    QCOMPARE(w.zuege(), qint16(0));
    QCOMPARE(tileShown(w.picBox(10)->picture()), 10);
    // Minimising the window ends a drag the same way: the release that
    // follows is not a drop.
    pressAndHoverEmpty(10);
    w.showMinimized();
    w.showNormal();
    QCOMPARE(w.picBox(11)->backColor(), normal);
    QTest::mouseRelease(w.picBox(10), Qt::LeftButton, Qt::NoModifier,
                        w.picBox(10)->mapFromGlobal(w.picBox(11)->mapToGlobal(QPoint(52, 52))));
    QCOMPARE(w.zuege(), qint16(0));

    // A tile that is not next to the empty field counts and stays.
    dragField(w, 6, 11);
    QCOMPARE(w.Label(1)->text(), QStringLiteral("1"));
    QCOMPARE(tileShown(w.picBox(6)->picture()), 6);
    QVERIFY(w.picBox(11)->picture().isNull());

    // Tile 11 dragged home wins: no borders, the name box, the list.
    QSignalSpy won(&w, &frmMain::gameWon);
    bool asked = false;
    answerNameBox(QStringLiteral("Anna"), &asked);
    dragField(w, 15, 11);
    QCOMPARE(won.count(), 1);
    QVERIFY(!w.picBox(0)->hasBorder());
    // The won board is the picture without seams: every tile's corners
    // show its own square's colour.
    const QImage board = w.Frame1()->grab().toImage();
    for (int k = 0; k < 15; ++k) {
        const QRect r = w.picBox(k)->geometry();
        for (const QPoint &p : {r.topLeft(), r.bottomRight(), r.center()})
            QVERIFY2(similar(board.pixelColor(p), squareColor(k), 8), qPrintable(QString::number(k)));
    }
    QTRY_VERIFY(asked);
    QTRY_VERIFY(openWindow<frmTopTen>());
    frmTopTen *list = openWindow<frmTopTen>();
    QCOMPARE(list->lblName[0]->text(), QStringLiteral("Anna"));
    QCOMPARE(list->lblScore[1]->text(), QStringLiteral("0"));   // read from the file: no padding
    const QByteArray file = dir.read(QStringLiteral("scr.cxa"));
    QCOMPARE(file.size(), 210);
    QCOMPARE(file.left(42), QByteArray("2     Anna           0     Hanno Holzbein "));

    // The board is frozen; F2 deals again.
    list->close();
    dragField(w, 14, 15);
    QCOMPARE(w.zuege(), qint16(2));
    w.mnuNew->trigger();
    QCOMPARE(w.zuege(), qint16(0));
    QVERIFY(w.picBox(0)->hasBorder());
    QVERIFY(!w.fertig());
}

void TestWindows::hintKeepsTheWinOutOfTheList()
{
    ProgramDir dir;
    frmMain w;
    w.Form_Load();
    placeLayout(w, swapped(solvedLayout(), 14, 15));
    QSignalSpy hint(&w, &frmMain::hintShown);
    w.mnuHint->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(hint.count(), 1, 60000);
    QCOMPARE(hint.first().first().toInt(), 15);
    QVERIFY(w.picBox(15)->isHighlighted());
    QTRY_VERIFY_WITH_TIMEOUT(w.lblBestwert()->text() == QStringLiteral("Bestwert: 1"), 60000);

    DismissDialogs dialogs;
    dragField(w, 15, 14);
    QVERIFY(w.fertig());
    QTRY_COMPARE(dialogs.messages.size(), 1);
    QVERIFY(dialogs.messages.first().contains(QStringLiteral("Tipp")));
    QVERIFY(dialogs.dialogs.isEmpty());   // no name box
    QVERIFY(!QFile::exists(dir.path(QStringLiteral("scr.cxa"))));
}

void TestWindows::saveAndLoad()
{
    ProgramDir dir;
    frmMain w;
    w.Form_Load();
    const QVector<qint16> layout = swapped(swapped(solvedLayout(), 14, 15), 0, 1);
    placeLayout(w, layout);
    dragField(w, 15, 14);
    w.mnuPosOn->trigger();

    // Save under a typed name.
    w.mnuSave->trigger();
    frmLoad *save = openWindow<frmLoad>();
    QVERIFY(save);
    QCOMPARE(framePos(save), Twips::point(w.Window_Left(), w.Window_Top()));
    save->txtLoad->setText(QStringLiteral("Spiel 1"));
    QTest::keyClick(save->txtLoad, Qt::Key_Return);
    QTRY_VERIFY(!openWindow<frmLoad>());
    SavedGame expected(w.session().savedState());
    QCOMPARE(dir.read(QStringLiteral("Saves/Spiel 1.sav")), expected.toBytes());
    QCOMPARE(expected.fields, swapped(layout, 14, 15));
    QVERIFY(expected.posAnz && !expected.imgvis);
    QCOMPARE(expected.zuege, qint16(1));

    // Play on, then load it back by double-clicking its entry.
    w.mnuNew->trigger();
    w.mnuPosOn->trigger();
    QVERIFY(!w.PosAnz());
    w.mnuLoad->trigger();
    frmLoad *load = openWindow<frmLoad>();
    QVERIFY(load);
    QCOMPARE(load->File1->count(), 1);
    QListWidgetItem *item = load->File1->item(0);
    load->File1->setCurrentItem(item);
    emit load->File1->itemDoubleClicked(item);
    QTRY_VERIFY(!openWindow<frmLoad>());
    QCOMPARE(w.zuege(), qint16(1));
    QCOMPARE(w.Label(1)->text(), QStringLiteral("1"));
    QVERIFY(w.PosAnz());
    QCOMPARE(w.mnuPosOn->text(), QStringLiteral("Positionsanzeige aus"));
    for (int i = 0; i < 16; ++i)
        QCOMPARE(tileShown(w.picBox(i)->picture()), expected.fields[i] == 100 ? -1 : int(expected.fields[i]));
    QCOMPARE(w.picBox(15)->Tag, QStringLiteral("leer"));
}

void TestWindows::loadWithMissingPicture()
{
    ProgramDir dir;
    frmMain w;
    w.Form_Load();
    GameState g{swapped(solvedLayout(), 11, 15), 7, true, true, dir.path(QStringLiteral("weg.jpg")), false};
    DismissDialogs dialogs;
    w.applyLoadedGame(g);
    // The message names the path; both switches end up off; the picture
    // dialog opened (and was cancelled) to choose another picture.
    QCOMPARE(dialogs.messages.value(0), QStringLiteral("Das Bild \r\n    ") + g.bild
                                            + QStringLiteral("\r\nkann im angegebenen Pfad nicht gefunden werden."
                                                             "\r\n\r\nEs wird ein neues Spiel gestartet!"));
    QVERIFY(!w.PosAnz() && !w.imgvis());
    QCOMPARE(w.mnuPosOn->text(), QStringLiteral("Positionsanzeige ein"));
    QCOMPARE(dialogs.dialogs, QStringList{QStringLiteral("Bilderdialog")});
}

void TestWindows::changePicture()
{
    ProgramDir dir;
    frmMain w;
    w.Form_Load();
    QTemporaryDir elsewhere;
    const QString outside = elsewhere.path() + QStringLiteral("/bunt.bmp");
    squaresPicture(200).save(outside, "BMP");
    dragField(w, 14, 15);

    // Cancel changes nothing.
    const QByteArray reference = dir.read(QStringLiteral("p.cxa"));
    onNextModal<QFileDialog>([](QFileDialog *d) { d->reject(); });
    w.mnuChangePic->trigger();
    QCOMPARE(dir.read(QStringLiteral("p.cxa")), reference);

    QString title, folder;
    onNextModal<QFileDialog>([&](QFileDialog *d) {
        title = d->windowTitle();
        folder = d->directory().absolutePath();
        // selectFile leaves the name box alone while it has the focus.
        if (auto *name = d->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            name->clearFocus();
        d->selectFile(outside);
        QMetaObject::invokeMethod(d, "accept");   // as the Open button does
        if (d->isVisible())
            d->reject();   // not taken: the checks below fail instead of waiting
    });
    w.mnuChangePic->trigger();
    QCOMPARE(title, QStringLiteral("Bilderdialog"));
    QCOMPARE(folder, QDir(ProgramFolder::file("Images/originale")).absolutePath());
    QCOMPARE(dir.read(QStringLiteral("p.cxa")), outside.toUtf8() + "\r\n");
    QCOMPARE(w.Bild_org(), outside);
    QVERIFY(QFile::exists(dir.path(QStringLiteral("Images/originale/bunt.bmp"))));
    QCOMPARE(w.zuege(), qint16(0));
    QVERIFY(w.picBox(0)->hasBorder());
    for (int i = 0; i < 15; ++i)
        QCOMPARE(tileShown(w.picBox(i)->picture()), int(w.session().board().ZArray()[i]));
}

void TestWindows::functionKeysMatchTheDescription()
{
    ProgramDir dir;
    frmMain w;
    w.Form_Load();
    // The description lists exactly the function keys of the menus.
    QStringList menuKeys, described;
    for (QAction *a : w.findChildren<QAction *>())
        if (!a->shortcut().isEmpty())
            menuKeys << a->shortcut().toString();
    for (const QKeySequence &k : DescriptionText::keys())
        described << k.toString();
    menuKeys.sort();
    described.sort();
    QCOMPARE(described, menuKeys);

    // F7 and F8 toggle and name the next action.
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F7);
    QVERIFY(w.imgvis() && w.imgTemp()->isVisible() && !w.imgTemp()->pixmap().isNull());
    QCOMPARE(w.imgTemp()->geometry(), Twips::rect(Twips::fromPx(w.Frame4()->x()),
                                                  Twips::fromPx(w.Frame4()->geometry().bottom() + 1) + 300,
                                                  3000, 3000));
    QCOMPARE(w.mnuPreviewOn->text(), QStringLiteral("Vorschau aus"));
    QTest::keyClick(&w, Qt::Key_F8);
    QVERIFY(w.PosAnz() && w.Frame4()->isVisible());
    QCOMPARE(w.mnuPosOn->text(), QStringLiteral("Positionsanzeige aus"));
    // F2 leaves the preview off, the position display as it was.
    QTest::keyClick(&w, Qt::Key_F2);
    QVERIFY(!w.imgvis() && !w.imgTemp()->isVisible());
    QVERIFY(w.PosAnz());

    // The arrow keys move the tile beside the empty field, also while the
    // menu bar has the keyboard after a menu was closed.
    const int left = w.session().board().emptyField() - 1;
    const int tile = w.session().board().tile(left);
    QTest::keyClick(&w, Qt::Key_Right);
    QCOMPARE(int(w.session().board().tile(15)), tile);
    w.menuBar()->setActiveAction(w.menuBar()->actions().first());
    QTRY_VERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QVERIFY(!QApplication::activePopupWidget());
    QTest::keyClick(w.menuBar(), Qt::Key_Left);
    QCOMPARE(int(w.session().board().tile(left)), tile);
    QCOMPARE(w.zuege(), qint16(2));
}

void TestWindows::secondaryWindows()
{
    ProgramDir dir;
    frmMain w;
    w.Form_Load();
    const QPoint secondary = Twips::point(w.Window_Left(), w.Window_Top());

    w.mnuTopTen->trigger();
    frmTopTen *list = openWindow<frmTopTen>();
    QVERIFY(list);
    QTRY_COMPARE(framePos(list), secondary);
    w.mnuTopTen->trigger();   // the open one again, not a second
    QCOMPARE(w.findChildren<frmTopTen *>().size(), 1);
    list->close();

    w.mnuDescr->trigger();
    frmDescr *descr = openWindow<frmDescr>();
    QVERIFY(descr);
    QCOMPARE(framePos(descr), secondary);
    QCOMPARE(descr->Text1()->toPlainText(), DescriptionText::lines().join('\n'));
    QCOMPARE(descr->Text1()->lineWrapMode(), QPlainTextEdit::NoWrap);
    QVERIFY(QTest::qWaitForWindowActive(descr));
    QTest::keyClick(descr, Qt::Key_Escape);
    QVERIFY(!descr->isVisible());

    w.mnuAbout->trigger();
    frmAbout *about = openWindow<frmAbout>();
    QVERIFY(about);
    QCOMPARE(about->frameGeometry().right(), w.frameGeometry().right());
    QCOMPARE(about->frameGeometry().top(), w.frameGeometry().top());
    QCOMPARE(about->lblVersion()->text(), QStringLiteral("Version " ZANDOR_PROJECT_VERSION));
    QVERIFY(about->isModal());
    // Every window keeps the size its controls need.
    for (QWidget *window : {static_cast<QWidget *>(&w), static_cast<QWidget *>(about)}) {
        const QSize size = window->size();
        window->resize(size + QSize(200, 200));
        QCOMPARE(window->size(), size);
    }

    // The main window closes whatever is open.
    {
        DismissDialogs dialogs;
        w.mnuLoad->trigger();   // no saved games: a message, no dialog
        QCOMPARE(dialogs.messages, QStringList{QStringLiteral("Es gibt keine gespeicherten Spiele!")});
    }
    QVERIFY(!openWindow<frmLoad>());
    w.close();
    QVERIFY(!about->isVisible());
}

void TestWindows::closedWhileStarting()
{
    // No p.cxa: the picture dialog opens during start-up; closing the main
    // window then closes the dialog and leaves no window behind.
    ProgramDir dir(false);
    frmMain w;
    onNextModal<QFileDialog>([&w](QFileDialog *) { w.close(); });
    w.Form_Load();
    QVERIFY(!w.isVisible());
    QVERIFY(!openWindow<QFileDialog>());
}

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
