// The main window on the offscreen platform: start-up, cutting, drags, the
// win, a new game, the preview and the position display, Settings.
#include "WindowTestSupport.h"

#include "base/Twips.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>

using namespace TestSupport;

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void startUpState()
    {
        ProgramDir pd;
        frmMain w;
        w.Form_Load();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowTitle(), QStringLiteral("    Zandor"));
        QCOMPARE(w.Label(0)->text(), QStringLiteral("Züge"));
        QCOMPARE(w.Label(1)->text(), QStringLiteral("0"));
        QCOMPARE(w.Label(2)->text(), QStringLiteral("Position"));
        QCOMPARE(w.Label(3)->text(), QString());
        QVERIFY(!w.fertig());

        // fields 0..14 show and carry the dealt tiles, 15 is empty with "15"
        const QVector<qint16> z = w.board().ZArray();
        for (int p = 0; p < 15; ++p) {
            QCOMPARE(w.picBox(p)->Tag, QString::number(z[p]));
            QCOMPARE(tileShown(w.picBox(p)->picture()), int(z[p]));
            QVERIFY(w.picBox(p)->hasBorder());
        }
        QCOMPARE(w.picBox(15)->Tag, QStringLiteral("15"));
        QVERIFY(w.picBox(15)->picture().isNull());
        QVERIFY(!w.picBox(16)->isVisible());
        QVERIFY(Board::isSolvable(QVector<qint16>(z.begin(), z.begin() + 15) << 100));

        // geometry in twips: fields in a 4 x 4 grid of 1560
        for (int p = 0; p < 16; ++p)
            QCOMPARE(w.picBox(p)->geometry(), Twips::rect((p % 4) * 1560, (p / 4) * 1560, 1560, 1560));
        QCOMPARE(w.Frame1()->geometry(), Twips::rect(240, 240, 6240, 6240));
        QCOMPARE(w.Frame3()->x(), Twips::px(240 + 6240 + 320));
        QCOMPARE(w.Frame3()->y(), Twips::px(240));
        QCOMPARE(w.Frame3()->width(), Twips::px(3000));
        QCOMPARE(w.Frame4()->x(), w.Frame3()->x());
        QCOMPARE(w.Frame4()->y(), w.Frame3()->y() + w.Frame3()->height());
        QVERIFY(!w.Frame4()->isVisible());
        QVERIFY(!w.Frame1()->geometry().intersects(w.Frame3()->geometry()));
        QVERIFY(!w.Frame3()->geometry().intersects(w.Frame4()->geometry()));
        QVERIFY(!w.Frame1()->geometry().intersects(w.pBar()->geometry()));
        QCOMPARE(w.pBar()->y(), Twips::px(240 + 6240 + 10));
        QVERIFY(w.centralWidget()->rect().contains(w.pBar()->geometry()));
        QVERIFY(w.centralWidget()->rect().contains(w.Frame3()->geometry()));

        // the secondary windows' position: the window's own position plus 500
        const QRect g = w.geometryTwips();
        QVERIFY(std::abs(w.Window_Left - (g.left() + 500)) <= 15);
        QVERIFY(std::abs(w.Window_Top - (g.top() + 500)) <= 15);
    }

    void cuttingLeavesOnlyTheWorkingCopy()
    {
        ProgramDir pd;
        frmMain w;
        w.Form_Load();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        // the progress arithmetic: 448 + 150 + 150 + 160 = 908, then nine
        // border steps fit below 1000 and the rest are dropped
        QCOMPARE(w.progressPeak(), 998);
        QVERIFY(!w.pBar()->isVisible());
        QCOMPARE(w.pBar()->value(), 0);
        const QStringList files = QDir(pd.path("Images")).entryList(QDir::Files);
        QCOMPARE(files, QStringList{QStringLiteral("bild.jpg")});
        QVERIFY(pd.read("Images/bild.jpg").startsWith("BM"));  // a bitmap under its .jpg name

        w.mnuNew_Click();
        QCOMPARE(w.progressPeak(), 998);
        // a loaded game: 448 + 160 + 160 + 160 = 928 before the border steps
        placeLayout(w, solvedLayout());
        QVERIFY(w.progressPeak() <= 1000);
        QCOMPARE(w.progressPeak(), 998);
    }

    void tilesAreTheSquaresOfThePicture()
    {
        ProgramDir pd;
        frmMain w;
        w.Form_Load();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QVector<qint16> f = solvedLayout();
        std::swap(f[0], f[15]);  // empty at 0, tile 0 at 15
        placeLayout(w, f);
        for (int p = 0; p < 16; ++p)
            QCOMPARE(tileShown(w.picBox(p)->picture()), p == 0 ? -1 : int(f[p]));
        QCOMPARE(w.picBox(0)->Tag, QStringLiteral("leer"));
        QCOMPARE(w.picBox(15)->Tag, QStringLiteral("0"));
    }

    void dragsMoveAndCountByTheRules()
    {
        ProgramDir pd;
        frmMain w;
        w.Form_Load();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QVector<qint16> f = solvedLayout();
        std::swap(f[10], f[15]);  // empty field at 10, tile 10 at 15
        placeLayout(w, f);
        w.setZuege(0);

        // the white highlight while an adjacent tile is over the empty field
        FieldBox *src = w.picBox(9);
        QTest::mousePress(src, Qt::LeftButton, Qt::NoModifier, src->rect().center());
        QCOMPARE(w.Label(3)->text(), QStringLiteral("10"));  // tile 9's home, from 1
        const QPoint over = src->mapFromGlobal(w.picBox(10)->mapToGlobal(w.picBox(10)->rect().center()));
        QTest::mouseMove(src, over);
        QCOMPARE(w.picBox(10)->backColor(), QColor(Qt::white));
        const QPoint back = src->rect().center();
        QTest::mouseMove(src, back);
        QCOMPARE(w.picBox(10)->backColor(), FieldBox::buttonFace());
        QTest::mouseMove(src, over);
        QTest::mouseRelease(src, Qt::LeftButton, Qt::NoModifier, over);
        QCOMPARE(w.picBox(10)->backColor(), FieldBox::buttonFace());
        QCOMPARE(w.Label(1)->text(), QStringLiteral("1"));
        QCOMPARE(tileShown(w.picBox(10)->picture()), 9);
        QCOMPARE(w.picBox(10)->Tag, QStringLiteral("9"));
        QVERIFY(w.picBox(9)->picture().isNull());
        QCOMPARE(w.picBox(9)->Tag, QStringLiteral("leer"));

        // a tile that is not adjacent: no highlight, the drop counts, nothing moves
        FieldBox *far = w.picBox(0);
        QTest::mousePress(far, Qt::LeftButton, Qt::NoModifier, far->rect().center());
        const QPoint overEmpty = far->mapFromGlobal(w.picBox(9)->mapToGlobal(w.picBox(9)->rect().center()));
        QTest::mouseMove(far, overEmpty);
        QCOMPARE(w.picBox(9)->backColor(), FieldBox::buttonFace());
        QTest::mouseRelease(far, Qt::LeftButton, Qt::NoModifier, overEmpty);
        QCOMPARE(w.Label(1)->text(), QStringLiteral("2"));
        QCOMPARE(tileShown(w.picBox(0)->picture()), 0);
        QVERIFY(w.picBox(9)->picture().isNull());

        // onto another tile, or onto itself: neither moves nor counts
        dragField(w, 5, 6);
        dragField(w, 5, 5);
        QCOMPARE(w.Label(1)->text(), QStringLiteral("2"));
        QCOMPARE(tileShown(w.picBox(5)->picture()), 5);
        QCOMPARE(tileShown(w.picBox(6)->picture()), 6);

        // dragging the empty field: the position display keeps its text
        w.Label(3)->setText(QStringLiteral("7"));
        dragField(w, 9, 8);
        QCOMPARE(w.Label(3)->text(), QStringLiteral("7"));
        QCOMPARE(w.Label(1)->text(), QStringLiteral("2"));

        // a release outside the board drops nothing
        FieldBox *s = w.picBox(13);
        QTest::mousePress(s, Qt::LeftButton, Qt::NoModifier, s->rect().center());
        const QPoint outside = s->mapFromGlobal(w.Frame3()->mapToGlobal(w.Frame3()->rect().center()));
        QTest::mouseMove(s, outside);
        QTest::mouseRelease(s, Qt::LeftButton, Qt::NoModifier, outside);
        QCOMPARE(w.Label(1)->text(), QStringLiteral("2"));
        QCOMPARE(tileShown(w.picBox(13)->picture()), 13);
    }

    void winningDragFreezesTheBoardAndF2Restarts()
    {
        ProgramDir pd;
        frmMain w;
        w.Form_Load();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QVector<qint16> f = solvedLayout();
        std::swap(f[14], f[15]);
        placeLayout(w, f);
        w.setZuege(41);
        DismissDialogs dismiss;  // the name box of the top ten
        QSignalSpy won(&w, &frmMain::gameWon);

        dragField(w, 15, 14);
        QCOMPARE(won.count(), 1);
        QVERIFY(w.fertig());
        QCOMPARE(w.Label(1)->text(), QStringLiteral("42"));
        for (int p = 0; p < 16; ++p)
            QVERIFY(!w.picBox(p)->hasBorder());
        QVERIFY(w.picBox(15)->picture().isNull());

        // frozen: further drops change nothing
        dragField(w, 14, 15);
        dragField(w, 11, 15);
        QCOMPARE(w.Label(1)->text(), QStringLiteral("42"));
        QCOMPARE(tileShown(w.picBox(14)->picture()), 14);
        QCOMPARE(won.count(), 1);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));

        // F2 makes it playable again
        QTest::keyClick(&w, Qt::Key_F2);
        QVERIFY(!w.fertig());
        QCOMPARE(w.Label(1)->text(), QStringLiteral("0"));
        QCOMPARE(w.Label(3)->text(), QString());
        QCOMPARE(w.picBox(15)->Tag, QStringLiteral("15"));
        for (int p = 0; p < 16; ++p)
            QVERIFY(w.picBox(p)->hasBorder());
        // a drop works again
        int empty = 15;
        const int neighbour = 14;
        const QString moving = w.picBox(neighbour)->Tag;
        dragField(w, neighbour, empty);
        QCOMPARE(w.Label(1)->text(), QStringLiteral("1"));
        QCOMPARE(w.picBox(15)->Tag, moving);
    }

    void previewAndPositionToggles()
    {
        ProgramDir pd;
        frmMain w;
        w.Form_Load();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(w.mnuPreviewOn->text(), QStringLiteral("Vorschau ein"));
        QCOMPARE(w.mnuPosOn->text(), QStringLiteral("Positionsanzeige ein"));

        QTest::keyClick(&w, Qt::Key_F7);
        QVERIFY(w.imgvis);
        QVERIFY(w.imgTemp()->isVisible());
        QCOMPARE(w.mnuPreviewOn->text(), QStringLiteral("Vorschau aus"));
        const QRect expected(w.Frame4()->x(), w.Frame4()->y() + w.Frame4()->height() + Twips::px(300),
                             Twips::px(3000), Twips::px(3000));
        QCOMPARE(w.imgTemp()->geometry(), expected);
        QVERIFY(w.centralWidget()->rect().contains(expected));
        QCOMPARE(tileShown(w.imgTemp()->pixmap().toImage().copy(0, 0, 50, 50)), 0);
        QTest::keyClick(&w, Qt::Key_F7);
        QVERIFY(!w.imgvis);
        QVERIFY(!w.imgTemp()->isVisible());
        QCOMPARE(w.mnuPreviewOn->text(), QStringLiteral("Vorschau ein"));

        QTest::keyClick(&w, Qt::Key_F8);
        QVERIFY(w.PosAnz);
        QVERIFY(w.Frame4()->isVisible());
        QCOMPARE(w.mnuPosOn->text(), QStringLiteral("Positionsanzeige aus"));
        QTest::keyClick(&w, Qt::Key_F8);
        QVERIFY(!w.PosAnz);
        QVERIFY(!w.Frame4()->isVisible());

        // "Neu" switches the preview off; the item shows it again
        QTest::keyClick(&w, Qt::Key_F7);
        QTest::keyClick(&w, Qt::Key_F2);
        QVERIFY(!w.imgvis);
        QVERIFY(!w.imgTemp()->isVisible());
        QCOMPARE(w.mnuPreviewOn->text(), QStringLiteral("Vorschau ein"));
        QTest::keyClick(&w, Qt::Key_F7);
        QCOMPARE(w.imgTemp()->geometry(), expected);

        // the position display is written while it is hidden
        QCOMPARE(w.Frame4()->isVisible(), false);
        QTest::mousePress(w.picBox(0), Qt::LeftButton);
        QTest::mouseRelease(w.picBox(0), Qt::LeftButton);
        QCOMPARE(w.Label(3)->text(), QString::number(w.picBox(0)->Tag.toInt() + 1));
    }

    void settingsWithMissingPicture()
    {
        ProgramDir pd;
        frmMain w;
        w.Form_Load();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_F8);
        QTest::keyClick(&w, Qt::Key_F7);
        QString shown;
        onNextModal<QMessageBox>([&](QMessageBox *m) { shown = m->text(); m->accept(); });
        QString path = pd.path("gone.jpg");
        bool ivis = true, pos = true;
        const QString orgBefore = w.Bild_org;
        w.Settings(path, ivis, pos);
        QCOMPARE(shown, QStringLiteral("Das Bild \r\n    ") + path
                            + QStringLiteral("\r\nkann im angegebenen Pfad nicht gefunden werden.\r\n\r\n"
                                             "Es wird ein neues Spiel gestartet!"));
        QVERIFY(!ivis && !pos);
        QVERIFY(!w.PosAnz && !w.imgvis);
        QCOMPARE(w.mnuPosOn->text(), QStringLiteral("Positionsanzeige ein"));
        QCOMPARE(w.mnuPreviewOn->text(), QStringLiteral("Vorschau ein"));
        QVERIFY(!w.Frame4()->isVisible());
        QCOMPARE(w.Bild_aktuell(), path);
        QCOMPARE(w.Bild_org, orgBefore);
        for (int p = 0; p < 16; ++p)
            QVERIFY(w.picBox(p)->picture().isNull());
    }

    void settingsWithPositionOn()
    {
        ProgramDir pd;
        frmMain w;
        w.Form_Load();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QString path = pd.picture;
        bool ivis = false, pos = true;
        w.Settings(path, ivis, pos);
        QVERIFY(pos);
        QVERIFY(w.PosAnz);
        QVERIFY(w.Frame4()->isVisible());
        QCOMPARE(w.mnuPosOn->text(), QStringLiteral("Positionsanzeige aus"));
        QVERIFY(!w.imgTemp()->isVisible());
    }

    void pictureReferenceBlanks()
    {
        ProgramDir pd;
        pd.writeReference(QStringLiteral("  ") + pd.picture + QStringLiteral(" "));
        // the picture is looked up under the untrimmed path, so it is missing
        // and the picture dialog would open: cancel whatever opens
        DismissDialogs dismiss;
        frmMain w;
        w.Form_Load();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(w.Bild_org, pd.picture);
        QCOMPARE(w.Bild_aktuell(), QStringLiteral("  ") + pd.picture + QStringLiteral(" "));
    }

    void anUnreadablePictureKeepsTheBoardPlayable()
    {
        ProgramDir pd;
        QFile text(pd.path("notapicture.jpg"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("this is text, not a picture\r\n");
        text.close();
        pd.writeReference(text.fileName());
        DismissDialogs dismiss;
        frmMain w;
        w.Form_Load();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTRY_VERIFY(!dismiss.messages.isEmpty());
        QVERIFY(dismiss.messages.first().contains(text.fileName()));
        // numbered tiles stand in for the picture; the game can be played
        for (int p = 0; p < 15; ++p)
            QVERIFY(!w.picBox(p)->picture().isNull());
        int empty = 15;
        dragField(w, 14, empty);
        QCOMPARE(w.Label(1)->text(), QStringLiteral("1"));
    }

    void missingImagesFolderStillPlays()
    {
        ProgramDir pd;
        QDir(pd.path("Images")).removeRecursively();
        frmMain w;
        w.Form_Load();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QVERIFY(!QFileInfo::exists(pd.path("Images")));
        const QVector<qint16> z = w.board().ZArray();
        for (int p = 0; p < 15; ++p)
            QCOMPARE(tileShown(w.picBox(p)->picture()), int(z[p]));
    }

    void menus()
    {
        ProgramDir pd;
        frmMain w;
        w.Form_Load();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QStringList titles;
        for (QAction *a : w.menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"&Datei", "&Optionen", "Hilfe"}));
        const QList<QPair<QAction *, QString>> items{
            {w.mnuNew, "Neu"}, {w.mnuChangePic, "Bild ändern"}, {w.mnuSave, "Speichern"},
            {w.mnuLoad, "Laden"}, {w.mnuExit, "Beenden"}, {w.mnuTopTen, "Top Ten"},
            {w.mnuAbout, "Info"}, {w.mnuDescr, "Beschreibung"}};
        for (const auto &[action, caption] : items)
            QCOMPARE(action->text(), caption);
        QCOMPARE(w.mnuNew->shortcut(), QKeySequence(Qt::Key_F2));
        QCOMPARE(w.mnuChangePic->shortcut(), QKeySequence(Qt::Key_F3));
        QCOMPARE(w.mnuSave->shortcut(), QKeySequence(Qt::Key_F5));
        QCOMPARE(w.mnuLoad->shortcut(), QKeySequence(Qt::Key_F6));
        QCOMPARE(w.mnuPreviewOn->shortcut(), QKeySequence(Qt::Key_F7));
        QCOMPARE(w.mnuPosOn->shortcut(), QKeySequence(Qt::Key_F8));
        QCOMPARE(w.mnuTopTen->shortcut(), QKeySequence(Qt::Key_F11));
        QCOMPARE(w.mnuAbout->shortcut(), QKeySequence(Qt::Key_F1));
        QCOMPARE(w.mnuDescr->shortcut(), QKeySequence(Qt::Key_F12));
        QVERIFY(w.mnuExit->shortcut().isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
