// The windows on the offscreen platform, each flow once; the rules behind
// them are tested on the plain classes.
#include "../WindowTestSupport.h"

#include "app/GameTexts.h"
#include "base/FileAccess.h"
#include "base/FixedLayout.h"
#include "base/WindowPlacement.h"
#include "info/DescriptionText.h"
#include "info/frmDescr.h"
#include "pictures/TileCutter.h"
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
#include <QPushButton>
#include <QWindow>

using namespace TestSupport;

class TestWindows : public QObject
{
    Q_OBJECT
private slots:
    void init() { QApplication::processEvents(); }
    void cleanup() { closeAll(); }

    // A first start whose picture dialog is cancelled plays numbered tiles
    // and records nothing; a picture named in p.cxa that cannot be read is
    // reported once the board can be played.
    void startUpWithoutAPicture()
    {
        ProgramDir dir(false);
        onNextModal<QFileDialog>([](QFileDialog *d) { d->reject(); });
        auto w = std::make_unique<frmMain>();
        w->Form_Load();
        QVERIFY(placed(*w) && w->zuege() == 0 && !QFile::exists(dir.path(QStringLiteral("p.cxa"))));
        QVERIFY(tileShown(w->Frame1()->picture(0)) == -2 && w->Frame1()->hasBorders());

        const QString broken = dir.path(QStringLiteral("kaputt.bmp"));
        QVERIFY(writeAll(broken, "BM kein Bild") && writeAll(dir.path(QStringLiteral("p.cxa")), broken.toUtf8() + "\r\n"));
        QString message;
        bool played = false;
        w.reset();
        onNextModal<QMessageBox>([&](QMessageBox *m) { message = m->text(), played = w->boardPlaced(), m->accept(); });
        w = std::make_unique<frmMain>();
        w->Form_Load();
        QTRY_VERIFY(played);
        QCOMPARE(message, "Das Bild \r\n    " + broken + "\r\nkann nicht gelesen werden.\r\n\r\nDie Datei ist kein lesbares Bild.");
    }

    void dragShowsWhereTheTileMayGo()
    {
        Started w;
        placeLayout(w, swapped(solvedLayout(), 11, 15));
        // A tile that may go to the empty field lights it white under the
        // outline; one that may not leaves it dark. Esc, and minimising the
        // window, put the tile back: the release that follows is no drop.
        BoardView *board = w.Frame1();
        const QColor normal = BoardView::buttonFace();
        const QPoint overEmpty = board->fieldRect(11).topLeft() + QPoint(52, 52);
        auto pressAndHoverEmpty = [&](int from) {
            QTest::mousePress(board, Qt::LeftButton, Qt::NoModifier, board->fieldRect(from).topLeft() + QPoint(52, 52));
            QTest::mouseMove(board, overEmpty);
        };
        pressAndHoverEmpty(6);
        QCOMPARE(board->backColor(11), normal);
        QTest::keyClick(&w, Qt::Key_Escape);
        pressAndHoverEmpty(10);
        QCOMPARE(board->grab().toImage().pixelColor(board->fieldRect(11).center()), QColor(Qt::white));
        QTest::mouseMove(board, board->fieldRect(10).center());   // leaving puts the colour back
        QCOMPARE(board->backColor(11), normal);
        QTest::mouseMove(board, overEmpty);
        QTest::keyClick(&w, Qt::Key_Escape);
        QCOMPARE(board->backColor(11), normal);
        QTest::mouseRelease(board, Qt::LeftButton, Qt::NoModifier, overEmpty);
        pressAndHoverEmpty(10);
        w.showMinimized(), w.showNormal();
        QCOMPARE(board->backColor(11), normal);
        QTest::mouseRelease(board, Qt::LeftButton, Qt::NoModifier, overEmpty);
        QVERIFY(w.zuege() == 0 && tileShown(board->picture(10)) == 10);

        // A tile that is not next to the empty field counts and stays.
        dragField(w, 6, 11);
        QVERIFY(w.zuege() == 1 && tileShown(board->picture(6)) == 6 && board->picture(11).isNull());
    }

    // A press and release on one field within the start-drag distance is a
    // click: the row up to the empty field slides, each tile a move; farther
    // it is a drop onto the field itself. Moves made without dragging slide
    // (the frames between the fields drawn), input ends a slide at once, and
    // one left to run ends with the tile drawn on its field; the won board
    // fades its last square in before the name box opens, the name given
    // stands in the list, and the picture stays whole whatever is cut anew.
    void clicksSlideAndTheWonPictureIsWhole()
    {
        Started w;
        placeLayout(w, fields("0 1 2 3 4 5 6 7 8 9 10 11 100 12 13 14"));
        BoardView *board = w.Frame1();
        const int d = QApplication::startDragDistance();
        auto click = [board](int field, QPoint offset = {}) {
            const QPoint at = board->fieldRect(field).center();
            QTest::mousePress(board, Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseRelease(board, Qt::LeftButton, Qt::NoModifier, at + offset);
        };
        auto colourAt = [board](int field, QPoint offset) {
            return QColor(board->grab().toImage().pixel(board->fieldRect(field).center() + offset));
        };
        const QColor empty(BoardView::buttonFace().rgb());
        click(13, QPoint(d - 1, 0));
        QVERIFY(w.zuege() == 1 && tileShown(board->picture(12)) == 12 && board->sliding());
        // Halfway, tile 12 stands across the line between fields 12 and 13.
        board->slideAnimation()->pause();
        board->slideAnimation()->setCurrentTime(BoardView::SlideMillis / 2);
        const int q = board->fieldRect(0).width() / 4;
        QVERIFY(similar(colourAt(12, {q, 0}), squareColor(12)) && similar(colourAt(13, {-q, 0}), squareColor(12)));
        QVERIFY(colourAt(12, {-q, 0}) == empty && colourAt(13, {q, 0}) == empty);
        click(14, QPoint(d, 0));   // the press ends the slide; the release is a drop onto itself
        QVERIFY(!board->sliding() && similar(colourAt(12, {-q, 0}), squareColor(12)) && colourAt(13, {q, 0}) == empty);
        QVERIFY(w.zuege() == 1 && w.mnuUndo->isEnabled());

        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);   // taken back, sliding, counted
        QVERIFY(w.zuege() == 2 && board->picture(12).isNull() && board->sliding() && !w.mnuUndo->isEnabled());
        QTest::keyClick(&w, Qt::Key_Left);   // an arrow key slides as well
        QVERIFY(w.zuege() == 3 && board->sliding());
        const QPoint onWindow = board->mapTo(&w, board->fieldRect(12).center());
        QTRY_VERIFY(!board->sliding() && similar(w.screen()->grabWindow(w.winId()).toImage().pixelColor(onWindow), squareColor(12)));
        QTest::keyClick(&w, Qt::Key_Right);

        // The row of three wins; the name box finds the picture whole.
        // The name box and the list stand over the main window (their transient parent).
        QColor lastSquare;
        bool over = false;
        onNextModal<QInputDialog>([&](QInputDialog *box) {
            lastSquare = colourAt(15, {}), over = box->windowHandle()->transientParent() == w.windowHandle();
            box->setTextValue("Anna"), box->accept();
        });
        click(15);
        QVERIFY(w.zuege() == 7 && w.fertig() && !w.mnuUndo->isEnabled() && board->sliding() && !board->hasBorders());
        QTRY_VERIFY(lastSquare.isValid() && openWindow<frmTopTen>());
        frmTopTen *list = openWindow<frmTopTen>();
        QVERIFY(over && list->windowHandle()->transientParent() == w.windowHandle());
        QVERIFY(list->lblName[0]->text() == "Anna" && list->lblScore[1]->text() == "0");   // read back: no padding
        // "Liste löschen" asks first: Enter answers Nein and keeps the list, Ja empties it.
        for (const bool yes : {false, true}) {
            QStringList asked;
            onNextModal<QMessageBox>([&](QMessageBox *m) {
                asked << m->windowTitle() << m->text() << m->button(QMessageBox::Yes)->text() << m->button(QMessageBox::No)->text();
                yes ? m->button(QMessageBox::Yes)->click() : QTest::keyClick(m, Qt::Key_Return);
            });
            list->mnuDelete->trigger();
            QCOMPARE(asked, QStringList({"Zandor", frmTopTen::deleteQuestion(), "&Ja", "&Nein"}));
            QCOMPARE(list->lblName[0]->text().trimmed(), yes ? QStringLiteral("Hanno Holzbein") : QStringLiteral("Anna"));
        }
        list->close();
        QVERIFY(similar(lastSquare, squareColor(15)) && board->picture(15).isNull() && board->Tag(15) == "leer");
        w.mnuFit->trigger();
        QTRY_VERIFY(!w.pBar()->isVisible());
        onNextModal<QFileDialog>([](QFileDialog *d) { d->reject(); });
        w.mnuChangePic->trigger();
        QVERIFY(similar(colourAt(15, {}), squareColor(15)) && !board->hasBorders());
        w.mnuNew->trigger();
        QVERIFY(colourAt(15, {}) == empty && board->hasBorders());
    }

    // At the scale this process runs at (ctest runs it at 1, 1.25, 1.5 and
    // 2), and at several sizes of the board widget: the board is the largest
    // square of whole fields at the widget's centre; every line between two
    // tiles is black across its whole width and length, one logical pixel on
    // each side drawn as whole device pixels, and each field shows its tile,
    // scaled to it, until the size has settled and the owner is asked for
    // tiles of the fields' size. The won board, given them, shows the picture
    // without a seam.
    void linesBetweenTilesAtScale()
    {
        const qreal dpr = QGuiApplication::primaryScreen()->devicePixelRatio();
        ProgramDir dir;   // the picture at the board's device size: no scaling blurs its squares
        QVERIFY(squaresPicture(qRound(416 * dpr)).save(dir.path(QStringLiteral("squares.bmp")), "BMP"));
        frmMain w;
        w.Form_Load();
        QVERIFY(placed(w));
        placeLayout(w, swapped(solvedLayout(), 14, 15));
        BoardView *board = w.Frame1();
        QSignalSpy settled(board, &BoardView::fieldSizeSettled);
        FixedLayout::keepSize(&w, w.centralWidget(), QSize(940, 640));   // room for the largest board, over the panels
        board->raise();
        const int b = qMax(1, qRound(dpr));
        int tileSide = qRound(416 * dpr) / 4;        // the tiles at hand
        for (bool won : {false, true}) {
            for (const QSize size : {QSize(416, 416), QSize(301, 333), QSize(443, 443), QSize(900, 610)}) {
                board->resize(size);
                // The widget's whole device pixels, the largest multiple of four of them at their centre.
                const int dw = int(size.width() * dpr), dh = int(size.height() * dpr), side = qMin(dw, dh) / 4 * 4;
                const QPoint origin = (QPointF(board->mapTo(&w, QPoint(0, 0))) * dpr).toPoint()
                                      + QPoint((dw - side) / 2, (dh - side) / 2);
                if (side / 4 != tileSide) {
                    QTRY_VERIFY(!settled.isEmpty());
                    QCOMPARE(settled.takeFirst().first().toSize(), QSize(side / 4, side / 4));
                    if (won) {   // the owner's new cut
                        tileSide = side / 4;
                        const auto tiles = TileCutter::cut(squaresPicture(side), tileSide, tileSide);
                        std::array<QImage, 17> bilder;
                        std::copy(tiles.begin(), tiles.end() - 1, bilder.begin());
                        board->setTiles(bilder, tiles.back());
                    }
                }
                QVERIFY(settled.isEmpty());
                // Pixel (along, across) of the line between column (or row) k-1 and k: `across`
                // counts from the line's middle, `along` from the board's edge.
                auto at = [&](const QImage &shot, bool vertical, int k, int along, int across) {
                    const QPoint p = vertical ? QPoint(k * side / 4 + across, along) : QPoint(along, k * side / 4 + across);
                    return shot.pixelColor(origin + p);
                };
                const QImage shot = w.grab().toImage();
                for (bool vertical : {true, false})
                    for (int k = 1; k < 4; ++k)
                        for (int along = 0; along < side; ++along) {
                            const int line = along * 4 / side;   // the row (or column) the pixel lies in
                            const int before = vertical ? line * 4 + k - 1 : (k - 1) * 4 + line;
                            const int after = vertical ? before + 1 : before + 4;
                            const int inField = along % (side / 4);
                            bool right = true;
                            for (int across = -b; !won && across < b; ++across)
                                right = right && at(shot, vertical, k, along, across) == QColor(Qt::black);
                            if (!won && inField > 2 * b && inField < side / 4 - 2 * b)   // beside the line: no black
                                right = right && at(shot, vertical, k, along, -b - 1) != QColor(Qt::black)
                                        && at(shot, vertical, k, along, b) != QColor(Qt::black);
                            if (won && after != 15)   // the empty field aside
                                right = similar(at(shot, vertical, k, along, -1), squareColor(before), 4)
                                        && similar(at(shot, vertical, k, along, 0), squareColor(after), 4);
                            QVERIFY2(right, qPrintable(QStringLiteral("%1x%2 line %3 %4 at %5").arg(size.width()).arg(size.height())
                                                           .arg(vertical).arg(k).arg(along)));
                        }
                for (int p = 0; p < 16; ++p)   // each field shows its tile's square as far as its lower right
                    QVERIFY(p == (won ? 15 : 14) || similar(shot.pixelColor(origin + QPoint(p % 4 * 8 + 7, p / 4 * 8 + 7) * side / 32),
                                                            squareColor(won ? p : p == 15 ? 14 : p)));
            }
            if (!won) {   // won by a drag at the last size (the board far from the widget's left)
                bool asked = false;
                onNextModal<QInputDialog>([&asked](QInputDialog *box) { asked = true, box->reject(); });
                dragField(w, 15, 14);
                QVERIFY(w.fertig());
                QTRY_VERIFY(asked);
            }
        }
    }

    // The hint marks the tile to move for a while. The solution plays one
    // move at a time; any key stops it and does nothing else, a modifier
    // with it included (Ctrl+Z takes nothing back, Shift+F3 cuts nothing
    // anew), and so does a click; played to the end it counts as a hint:
    // the win is told, and no name box opens (the modal guard would fail it).
    void hintAndSolution()
    {
        Started w;
        // Six moves from home, by one shortest way only: tiles 0 to 2 left, then 3, 7 and 11 up.
        placeLayout(w, fields("100 0 1 2 4 5 6 3 8 9 10 7 12 13 14 11"));
        QTRY_VERIFY_WITH_TIMEOUT(w.lblBestwert()->text() == QStringLiteral("Bestwert: 6"), 60000);
        w.mnuHint->trigger();
        QTRY_COMPARE(w.Frame1()->hintMark(), 1);
        QTRY_COMPARE(w.Frame1()->hintMark(), -1);   // the mark goes after a while
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto stoppedBy = [&w](const std::function<void()> &input) {
            QTest::keyClick(&w, Qt::Key_F9);
            const qint16 before = w.zuege();
            QTRY_VERIFY_WITH_TIMEOUT(w.zuege() > before, 60000);
            const qint16 now = w.zuege();
            input();
            QTest::qWait(2 * GameController::SolutionStepMillis);
            QVERIFY(w.zuege() == now && !w.fertig() && !w.solutionRunning() && !w.mnuFit->isChecked());
        };
        stoppedBy([&w] { QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier); });
        stoppedBy([&w] { QTest::keyClick(&w, Qt::Key_F3, Qt::ShiftModifier); });
        stoppedBy([&w] { QTest::mouseClick(w.Frame1(), Qt::LeftButton, Qt::NoModifier, w.Frame1()->fieldRect(0).center()); });
        QString message;
        answerMessage(&message);
        QTest::keyClick(&w, Qt::Key_F9);
        QTRY_COMPARE(message, GameTexts::helpedWin(GameSession::HintTaken | GameSession::SolutionShown));
        // Each help is told in its own words: the hint, the solution, both,
        // and a saved game's help, which the file does not name.
        const QString hint = GameTexts::helpedWin(GameSession::HintTaken), solution = GameTexts::helpedWin(GameSession::SolutionShown);
        QVERIFY(hint.contains("Tipp") && !hint.contains("Lösung") && solution.contains("Lösung") && !solution.contains("Tipp"));
        QCOMPARE(QSet<QString>({hint, solution, message, GameTexts::helpedWin(GameSession::HelpSaved)}).size(), 4);
        QVERIFY(w.fertig() && w.zuege() == 6 && w.lblBestwert()->text() == QStringLiteral("Bestwert: 6"));
        w.mnuNew->trigger();
        placeLayout(w, swapped(solvedLayout(), 0, 1));   // cannot be solved: said
        answerMessage(&message);
        w.mnuSolution->trigger();
        QTRY_VERIFY(message.startsWith(QStringLiteral("Diese Stellung kann nicht gelöst werden:")));
        QVERIFY(!w.solutionRunning() && w.zuege() == 0);
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
        QTRY_VERIFY(!openWindow<frmLoad>() && QFile::exists(w.path(QStringLiteral("Saves/Spiel 1.sav"))));

        // Play on, then load it back by double-clicking its entry. A board
        // still being made is not saved.
        w.mnuNew->trigger();
        w.mnuSave->trigger();
        QVERIFY(!openWindow<frmLoad>());
        w.mnuPosOn->trigger();
        QVERIFY(!w.PosAnz());
        w.mnuLoad->trigger();
        frmLoad *load = openWindow<frmLoad>();
        QVERIFY(load && load->File1->count() == 1);
        load->File1->setCurrentRow(0);
        emit load->File1->itemDoubleClicked(load->File1->item(0));
        QTRY_VERIFY(!openWindow<frmLoad>() && w.zuege() == 1 && placed(w));
        QVERIFY(w.zuege() == 1 && w.Label(1)->text() == QStringLiteral("1") && w.PosAnz() && w.Frame4()->isVisible());
        const QVector<qint16> saved = swapped(layout, 14, 15);
        for (int i = 0; i < 16; ++i)
            QCOMPARE(tileShown(w.Frame1()->picture(i)), saved[i] == 100 ? -1 : int(saved[i]));

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
        QVERIFY(!w.PosAnz() && !w.imgvis() && !w.Frame4()->isVisible());
        // Cancelled: the loaded layout and counter, on the previous picture.
        QVERIFY(placed(w) && w.zuege() == 7);
        for (int i = 0; i < 16; ++i)
            QCOMPARE(tileShown(w.Frame1()->picture(i)), layout[i] == 100 ? -1 : int(layout[i]));

        // A picture moved away whose copy the library holds: that copy, no
        // message (the modal guard would fail), and the next save names it.
        const QString kept = w.path(QStringLiteral("Images/originale/weg.bmp"));
        QVERIFY(squaresPicture().mirrored(true, true).save(kept, "BMP"));
        w.applyLoadedGame(GameState{layout, 3, false, true, QStringLiteral("C:\\Bilder\\weg.bmp"), false});
        QTRY_VERIFY(w.zuege() == 3 && placed(w));
        QVERIFY(w.PosAnz() && w.session().savedState().bild == kept && tileShown(w.Frame1()->picture(0)) == 14);
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
        auto choose = [&](const QString &file) {
            onNextModal<QFileDialog>([&, file](QFileDialog *d) {
                title = d->windowTitle();
                folder = d->directory().absolutePath();
                // selectFile leaves the name box alone while it has the focus.
                if (auto *name = d->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                    name->clearFocus();
                d->selectFile(file);
                QMetaObject::invokeMethod(d, "accept");   // as the Open button does
                if (d->isVisible())
                    d->reject();   // not taken: the checks below fail instead of waiting
            });
            w.mnuChangePic->trigger();
        };
        // A file that is no picture is refused before anything is copied or
        // recorded: the game goes on as after a cancel.
        const QString broken = elsewhere.path() + QStringLiteral("/kaputt.jpg");
        QVERIFY(writeAll(broken, QByteArray("\xFF\xD8 kein Bild", 12)));
        QString message;
        answerMessage(&message);
        choose(broken);
        QTRY_COMPARE(message, "Das Bild \r\n    " + broken + "\r\nkann nicht gelesen werden.\r\n\r\nDie Datei ist kein lesbares Bild.");
        QVERIFY(w.read(QStringLiteral("p.cxa")) == reference && w.zuege() == 1 && w.Bild_org() != broken);
        QCOMPARE(QDir(w.path(QStringLiteral("Images/originale"))).entryList(QDir::Files | QDir::Hidden), QStringList());

        choose(outside);
        QVERIFY(title == QStringLiteral("Bilderdialog") && folder == QDir(w.path("Images/originale")).absolutePath());
        QTRY_COMPARE(w.read(QStringLiteral("p.cxa")), outside.toUtf8() + "\r\n");
        QVERIFY(w.Bild_org() == outside && QFile::exists(w.path(QStringLiteral("Images/originale/bunt.bmp"))));
        QVERIFY(w.zuege() == 0 && w.Frame1()->hasBorders());
        for (int i = 0; i < 15; ++i)
            QCOMPARE(tileShown(w.Frame1()->picture(i)), int(w.session().board().ZArray()[i]));
        // Taken back at once, the menu naming what it takes back.
        QVERIFY(w.mnuUndo->isEnabled() && w.mnuUndo->text() == QStringLiteral("Spiel zurück"));
        w.mnuUndo->trigger();
        QVERIFY(w.zuege() == 1 && w.read(QStringLiteral("p.cxa")) == reference && w.mnuUndo->text() == QStringLiteral("Zug zurück"));
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
        QVERIFY(QTest::qWaitForWindowActive(&w) && !w.Frame4()->isVisible() && !w.pBar()->isVisible());
        QTest::keyClick(&w, Qt::Key_F7);
        QVERIFY(w.imgvis() && w.imgTemp()->isVisible() && !w.imgTemp()->pixmap().isNull());
        QCOMPARE(w.mnuPreviewOn->text(), QStringLiteral("Vorschau aus"));
        QTest::keyClick(&w, Qt::Key_F8);
        QVERIFY(w.PosAnz() && w.Frame4()->isVisible() && w.mnuPosOn->text() == QStringLiteral("Positionsanzeige aus"));
        QTest::keyClick(&w, Qt::Key_F2);
        QVERIFY(!w.imgvis() && !w.imgTemp()->isVisible() && w.PosAnz() && placed(w));

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

        // What cannot be written is told in a line of its own while the game
        // goes on; the crop choice that cannot be kept does not take.
        QTRY_VERIFY(QFile::exists(w.path("laufend.sav")));
        QVERIFY(writeAll(w.path("einstellungen.ini"), "") && QFile::setPermissions(w.path("einstellungen.ini"), QFile::ReadOwner)
                && QFile::setPermissions(w.path("laufend.sav"), QFile::ReadOwner));
        QTest::keyClick(&w, Qt::Key_Right);
        w.mnuFit->trigger();
        QTRY_COMPARE(w.lblHinweis()->text(), QStringLiteral("Das laufende Spiel kann nicht gesichert werden. "
                                                            "Die Einstellung kann nicht gespeichert werden."));
        QVERIFY(w.lblHinweis()->isVisible() && !w.mnuFit->isChecked() && w.zuege() == 3);

        w.mnuDescr->trigger();
        frmDescr *descr = openWindow<frmDescr>();
        QVERIFY(descr && descr->Text1()->lineWrapMode() == QPlainTextEdit::NoWrap && QTest::qWaitForWindowActive(descr));
        QTest::keyClick(descr, Qt::Key_Escape);
        QVERIFY(!descr->isVisible());
    }

    // Closing the main window ends every flow under way and writes nothing
    // more: no p.cxa, the picture dialog opening during start-up (and
    // closed with it); a loaded game whose picture is gone, closed while
    // its message is shown: no picture dialog follows.
    void closedWhileStarting()
    {
        {
            ProgramDir dir(false);
            frmMain w;
            bool asked = false;
            onNextModal<QFileDialog>([&w, &asked](QFileDialog *) { asked = true, w.close(); });
            w.Form_Load();
            QTRY_VERIFY(asked && !w.isVisible() && !openWindow<QFileDialog>());
            frmMain again;   // closed before the picture is found missing: no dialog (the modal guard)
            again.Form_Load(), again.close();
            QTest::qWait(300);
        }
        Started w;
        const QByteArray reference = w.read(QStringLiteral("p.cxa"));
        QVERIFY(QDir().mkpath(w.path(QStringLiteral("Saves")))
                && writeAll(w.path(QStringLiteral("Saves/weg.sav")),
                            SavedGame(GameState{solvedLayout(), 4, false, false, w.path(QStringLiteral("weg.bmp")), false}).toBytes()));
        bool told = false;   // and no picture dialog follows (the modal guard)
        onNextModal<QMessageBox>([&w, &told](QMessageBox *) { told = true, w.close(); });
        w.mnuLoad->trigger();
        frmLoad *load = openWindow<frmLoad>();
        QVERIFY(load && load->File1->count() == 1);
        load->File1->setCurrentRow(0);
        emit load->File1->itemDoubleClicked(load->File1->item(0));
        QTRY_VERIFY(told && !w.isVisible());
        QTest::qWait(300);
        QVERIFY(!openWindow<QWidget>() && w.read(QStringLiteral("p.cxa")) == reference);
    }

    // A window shown without an owner gets the main window as its transient
    // parent; one with an owner of its own keeps that owner. A size wanted
    // for a window is reduced to fit the screen's area with its frame, never
    // below the smallest size.
    void secondaryWindowsStayOverTheMainWindow()
    {
        const QMargins frame(1, 20, 1, 1);
        const QSize smallest(672, 475), screen(1920, 1080);
        QCOMPARE(WindowPlacement::fitted(QSize(3000, 2000), smallest, frame, screen), QSize(1918, 1059));
        QCOMPARE(WindowPlacement::fitted(QSize(1000, 1200), smallest, frame, screen), QSize(1000, 1059));
        QCOMPARE(WindowPlacement::fitted(QSize(700, 600), smallest, frame, QSize(1280, 400)), QSize(700, 475));

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
