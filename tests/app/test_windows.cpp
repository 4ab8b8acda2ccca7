// The windows on the offscreen platform, each flow once; the rules behind
// them are tested on the plain classes.
#include "../WindowTestSupport.h"

#include "base/FileAccess.h"
#include "base/Twips.h"
#include "base/WindowPlacement.h"
#include "info/DescriptionText.h"
#include "info/frmDescr.h"
#include "saves/SavedGame.h"
#include "saves/frmLoad.h"
#include "scores/frmTopTen.h"

#include <QAction>
#include <QFileDialog>
#include <QGroupBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>

using namespace TestSupport;

template <typename T>
static T *openWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *t = qobject_cast<T *>(w); t && t->isVisible())
            return t;
    return nullptr;
}

class TestWindows : public QObject
{
    Q_OBJECT
private slots:
    void init() { QApplication::processEvents(); }
    void cleanup()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible())
                w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void startUp()
    {
        Started w;
        QVERIFY(w.isVisible() && !w.Frame4()->isVisible() && !w.pBar()->isVisible());
        QCOMPARE(w.windowTitle(), QStringLiteral("    Zandor"));
        // The board and the panels, in twips, side by side without overlap.
        QCOMPARE(w.Frame1()->geometry(), Twips::rect(240, 240, 6240, 6240));
        QCOMPARE(w.Frame3()->geometry(), Twips::rect(240 + 6240 + 320, 240, 3000, 1455));
        QCOMPARE(w.Frame4()->geometry().top(), w.Frame3()->geometry().bottom() + 1);
        for (int i = 0; i < 16; ++i)
            QCOMPARE(w.picBox(i)->geometry(), Twips::rect((i % 4) * 1560, (i / 4) * 1560, 1560, 1560));
        // Field 15 is empty and still carries "15"; box 16 is never shown.
        QVERIFY(w.picBox(15)->Tag == QStringLiteral("15") && w.picBox(15)->picture().isNull() && !w.picBox(16)->isVisible());
        // Only the scaled working copy is left in Images, in the bitmap format.
        QCOMPARE(QDir(w.path(QStringLiteral("Images"))).entryList(QDir::Files), QStringList{"bild.jpg"});
        QVERIFY(w.read(QStringLiteral("Images/bild.jpg")).startsWith("BM"));
        const QSize size = w.size();   // the window keeps the size its controls need
        w.resize(size + QSize(200, 200));
        QCOMPARE(w.size(), size);
    }

    void dragToWinToTheList()
    {
        Started w;
        placeLayout(w, swapped(solvedLayout(), 11, 15));
        // A tile that may go to the empty field lights it white under the
        // outline; one that may not leaves it dark. Esc, and minimising the
        // window, put the tile back: the release that follows is no drop.
        const QColor normal = FieldBox::buttonFace();
        const QPoint overEmpty = w.picBox(10)->mapFromGlobal(w.picBox(11)->mapToGlobal(QPoint(52, 52)));
        auto pressAndHoverEmpty = [&](int from) {
            QTest::mousePress(w.picBox(from), Qt::LeftButton, Qt::NoModifier, QPoint(52, 52));
            QTest::mouseMove(w.picBox(from), w.picBox(from)->mapFromGlobal(w.picBox(11)->mapToGlobal(QPoint(52, 52))));
        };
        pressAndHoverEmpty(6);
        QCOMPARE(w.picBox(11)->backColor(), normal);
        QTest::keyClick(&w, Qt::Key_Escape);
        pressAndHoverEmpty(10);
        QCOMPARE(w.Frame1()->grab().toImage().pixelColor(w.picBox(11)->geometry().center()), QColor(Qt::white));
        QTest::keyClick(&w, Qt::Key_Escape);
        QCOMPARE(w.picBox(11)->backColor(), normal);
        QTest::mouseRelease(w.picBox(10), Qt::LeftButton, Qt::NoModifier, overEmpty);
        pressAndHoverEmpty(10);
        w.showMinimized(), w.showNormal();
        QCOMPARE(w.picBox(11)->backColor(), normal);
        QTest::mouseRelease(w.picBox(10), Qt::LeftButton, Qt::NoModifier, overEmpty);
        QVERIFY(w.zuege() == 0 && tileShown(w.picBox(10)->picture()) == 10);

        // A tile that is not next to the empty field counts and stays.
        dragField(w, 6, 11);
        QCOMPARE(w.Label(1)->text(), QStringLiteral("1"));
        QVERIFY(tileShown(w.picBox(6)->picture()) == 6 && w.picBox(11)->picture().isNull());

        // Tile 11 dragged home wins: no borders, no seams, the name box, the list.
        bool asked = false;
        onNextModal<QInputDialog>([&asked](QInputDialog *box) { asked = true, box->setTextValue("Anna"), box->accept(); });
        dragField(w, 15, 11);
        QVERIFY(w.fertig() && !w.picBox(0)->hasBorder());
        const QImage board = w.Frame1()->grab().toImage();
        for (int k = 0; k < 15; ++k) {
            const QRect r = w.picBox(k)->geometry();
            for (const QPoint &p : {r.topLeft(), r.bottomRight(), r.center()})
                QVERIFY2(similar(board.pixelColor(p), squareColor(k), 8), qPrintable(QString::number(k)));
        }
        QTRY_VERIFY(asked && openWindow<frmTopTen>());
        frmTopTen *list = openWindow<frmTopTen>();
        QVERIFY(list->lblName[0]->text() == "Anna" && list->lblScore[1]->text() == "0");   // read back: no padding
        QVERIFY(w.read(QStringLiteral("scr.cxa")).startsWith("2     Anna           0     Hanno Holzbein "));

        // The board is frozen; F2 deals again.
        list->close();
        dragField(w, 14, 15);
        QCOMPARE(w.zuege(), qint16(2));
        w.mnuNew->trigger();
        QVERIFY(w.zuege() == 0 && w.picBox(0)->hasBorder() && !w.fertig());
    }

    void hintKeepsTheWinOutOfTheList()
    {
        Started w;
        placeLayout(w, swapped(solvedLayout(), 14, 15));
        QSignalSpy hint(&w, &frmMain::hintShown);
        w.mnuHint->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(hint.count(), 1, 60000);
        QVERIFY(hint.first().first().toInt() == 15 && w.picBox(15)->isHighlighted());
        QTRY_VERIFY_WITH_TIMEOUT(w.lblBestwert()->text() == QStringLiteral("Bestwert: 1"), 60000);
        QString message;   // and no name box, which the modal guard would fail
        answerMessage(&message);
        dragField(w, 15, 14);
        QVERIFY(w.fertig());
        QTRY_VERIFY(message.contains(QStringLiteral("Tipp")));
        QVERIFY(!QFile::exists(w.path(QStringLiteral("scr.cxa"))));
    }

    void saveAndLoad()
    {
        Started w;
        const QVector<qint16> layout = swapped(swapped(solvedLayout(), 14, 15), 0, 1);
        placeLayout(w, layout);
        dragField(w, 15, 14);
        w.mnuPosOn->trigger();
        // Save under a typed name: the game as it stands.
        w.mnuSave->trigger();
        frmLoad *save = openWindow<frmLoad>();
        QVERIFY(save);
        save->txtLoad->setText(QStringLiteral("Spiel 1"));
        QTest::keyClick(save->txtLoad, Qt::Key_Return);
        QTRY_VERIFY(!openWindow<frmLoad>());
        const SavedGame expected(GameState{swapped(layout, 14, 15), 1, false, true, w.path(QStringLiteral("squares.bmp")), false});
        QCOMPARE(w.read(QStringLiteral("Saves/Spiel 1.sav")), expected.toBytes());

        // Play on, then load it back by double-clicking its entry.
        w.mnuNew->trigger();
        w.mnuPosOn->trigger();
        QVERIFY(!w.PosAnz());
        w.mnuLoad->trigger();
        frmLoad *load = openWindow<frmLoad>();
        QVERIFY(load && load->File1->count() == 1);
        load->File1->setCurrentRow(0);
        emit load->File1->itemDoubleClicked(load->File1->item(0));
        QTRY_VERIFY(!openWindow<frmLoad>());
        QVERIFY(w.zuege() == 1 && w.Label(1)->text() == QStringLiteral("1") && w.PosAnz());
        for (int i = 0; i < 16; ++i)
            QCOMPARE(tileShown(w.picBox(i)->picture()), expected.fields[i] == 100 ? -1 : int(expected.fields[i]));
        QCOMPARE(w.picBox(15)->Tag, QStringLiteral("leer"));

        // A game whose picture is gone: the message names it, both switches
        // end up off, and the picture dialog opens to choose another.
        const GameState g{layout, 7, true, true, w.path(QStringLiteral("weg.jpg")), false};
        QString message, dialog;
        answerMessage(&message);
        onNextModal<QFileDialog>([&dialog](QFileDialog *d) { dialog = d->windowTitle(), d->reject(); });
        w.applyLoadedGame(g);
        QTRY_COMPARE(dialog, QStringLiteral("Bilderdialog"));
        QCOMPARE(message, "Das Bild \r\n    " + g.bild + "\r\nkann im angegebenen Pfad nicht "
                          "gefunden werden.\r\n\r\nEs wird ein neues Spiel gestartet!");
        QVERIFY(!w.PosAnz() && !w.imgvis() && w.mnuPosOn->text() == QStringLiteral("Positionsanzeige ein"));
    }

    void workingCopyFollowsThePicture()
    {
        ProgramDir dir;
        const QString copy = dir.path(QStringLiteral("Images/bild.jpg"));
        auto start = [] { auto w = std::make_unique<frmMain>(); w->Form_Load(); return w; };
        start();
        const QByteArray made = FileAccess::identity(copy);
        if (FileAccess::note(copy).isEmpty())
            QSKIP("this file system keeps no notes with files");
        // The same unchanged picture: the working copy is taken as it is.
        start();
        QCOMPARE(FileAccess::identity(copy), made);
        // The picture file rewritten (the squares turned round): cut anew.
        QVERIFY(squaresPicture().mirrored(true, true).save(dir.path(QStringLiteral("squares.bmp")), "BMP"));
        const auto w = start();
        QVERIFY(FileAccess::identity(copy) != made);
        for (int i = 0; i < 15; ++i)
            QCOMPARE(tileShown(w->picBox(i)->picture()), 15 - int(w->session().board().ZArray()[i]));
    }

    void changePicture()
    {
        Started w;
        QTemporaryDir elsewhere;
        const QString outside = elsewhere.path() + QStringLiteral("/bunt.bmp");
        QVERIFY(squaresPicture(200).save(outside, "BMP"));
        dragField(w, 14, 15);
        const QByteArray reference = w.read(QStringLiteral("p.cxa"));
        onNextModal<QFileDialog>([](QFileDialog *d) { d->reject(); });   // cancel changes nothing
        w.mnuChangePic->trigger();
        QVERIFY(w.read(QStringLiteral("p.cxa")) == reference && w.zuege() == 1);

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
        QVERIFY(title == QStringLiteral("Bilderdialog") && folder == QDir(w.path("Images/originale")).absolutePath());
        QCOMPARE(w.read(QStringLiteral("p.cxa")), outside.toUtf8() + "\r\n");
        QVERIFY(w.Bild_org() == outside && QFile::exists(w.path(QStringLiteral("Images/originale/bunt.bmp"))));
        QVERIFY(w.zuege() == 0 && w.picBox(0)->hasBorder());
        for (int i = 0; i < 15; ++i)
            QCOMPARE(tileShown(w.picBox(i)->picture()), int(w.session().board().ZArray()[i]));
    }

    void functionKeysMatchTheDescription()
    {
        Started w;
        // The description lists exactly the function keys of the menus.
        QStringList menuKeys, described;
        for (QAction *a : w.findChildren<QAction *>())
            menuKeys << a->shortcut().toString();
        for (const QKeySequence &k : DescriptionText::keys())
            described << k.toString();
        menuKeys.removeAll(QString());
        menuKeys.sort(), described.sort();
        QCOMPARE(described, menuKeys);

        // F7 and F8 toggle and name the next action; F2 leaves the preview
        // off, the position display as it was.
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_F7);
        QVERIFY(w.imgvis() && w.imgTemp()->isVisible() && !w.imgTemp()->pixmap().isNull());
        QCOMPARE(w.mnuPreviewOn->text(), QStringLiteral("Vorschau aus"));
        QTest::keyClick(&w, Qt::Key_F8);
        QVERIFY(w.PosAnz() && w.Frame4()->isVisible() && w.mnuPosOn->text() == QStringLiteral("Positionsanzeige aus"));
        QTest::keyClick(&w, Qt::Key_F2);
        QVERIFY(!w.imgvis() && !w.imgTemp()->isVisible() && w.PosAnz());

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
        QVERIFY(w.session().board().tile(left) == tile && w.zuege() == 2);

        w.mnuDescr->trigger();
        frmDescr *descr = openWindow<frmDescr>();
        QVERIFY(descr && descr->Text1()->lineWrapMode() == QPlainTextEdit::NoWrap && QTest::qWaitForWindowActive(descr));
        QTest::keyClick(descr, Qt::Key_Escape);
        QVERIFY(!descr->isVisible());
    }

    // No p.cxa: the picture dialog opens during start-up; closing the main
    // window then closes the dialog and leaves no window behind.
    void closedWhileStarting()
    {
        ProgramDir dir(false);
        frmMain w;
        onNextModal<QFileDialog>([&w](QFileDialog *) { w.close(); });
        w.Form_Load();
        QVERIFY(!w.isVisible() && !openWindow<QFileDialog>());
    }

    // A window shown without an owner gets the main window as its transient
    // parent; one with an owner of its own keeps that owner.
    void secondaryWindowsStayOverTheMainWindow()
    {
        QWidget main, other;
        main.show();
        other.show();
        WindowPlacement::keepOverMainWindow(&main);
        QDialog alone, owned(&other);
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Zandor"), QStringLiteral("Text"));
        for (QWidget *w : {static_cast<QWidget *>(&alone), static_cast<QWidget *>(&owned), static_cast<QWidget *>(&box)})
            w->show();
        QCOMPARE(alone.windowHandle()->transientParent(), main.windowHandle());
        QCOMPARE(box.windowHandle()->transientParent(), main.windowHandle());
        QCOMPARE(owned.windowHandle()->transientParent(), other.windowHandle());
        QVERIFY(!main.windowHandle()->transientParent());
    }
};

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
