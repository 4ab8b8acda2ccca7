// The windows on the offscreen platform, each flow once; the rules behind
// them are tested on the plain classes.
#include "../WindowTestSupport.h"

#include "app/GameTexts.h"
#include "base/WindowPlacement.h"
#include "info/DescriptionText.h"
#include "info/frmDescr.h"
#include "pictures/TileCutter.h"
#include "saves/SavedGame.h"
#include "saves/frmLoad.h"
#include "scores/frmTopTen.h"

#include <QAccessible>
#include <QAction>
#include <QActionGroup>
#include <QFileDialog>
#include <QGroupBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
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
        w->mnuNumbers->trigger();   // numbered tiles get no second number
        QVERIFY(w->mnuNumbers->isChecked() && !w->Frame1()->numbers());

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

        // A win on a 5 x 5 board enters that size's list, which takes the
        // place of the open 4 x 4 one and names its size; scr.cxa stays.
        w.mnuTopTen->trigger();
        const QPointer<frmTopTen> fourList = openWindow<frmTopTen>();
        QVERIFY(fourList && fourList->side() == 4);
        const QByteArray four = w.read(QStringLiteral("scr.cxa"));
        onNextModal<QInputDialog>([](QInputDialog *box) { box->setTextValue("Eva"), box->accept(); });
        emit w.game()->won(GameSession::Win{30, true, 0, 5});
        QTRY_VERIFY(!fourList || !fourList->isVisible());
        QTRY_VERIFY((list = openWindow<frmTopTen>()) && list->side() == 5);
        QVERIFY(list->Label1->text() == frmTopTen::heading(5) && list->lblName[0]->text().trimmed() == "Eva");
        QVERIFY(w.read(QStringLiteral("scr5.cxa")).startsWith("30    Eva  ") && w.read(QStringLiteral("scr.cxa")) == four);
    }

    // At the scale this process runs at (ctest runs it at 1, 1.25, 1.5 and
    // 2), and at several sizes of the main window: the board is the largest
    // square beside the panels, which keep their size right of it, clear of
    // it; the progress bar stands below it across the window, the preview
    // below Frame4 growing with the board; what is left over goes evenly to
    // both sides. Once the size has settled the game's tiles come cut at the
    // fields' device size. Every line between two tiles is black across its
    // whole width and length, one logical pixel on each side drawn as whole
    // device pixels, and each field shows its tile; the won board, given
    // tiles of its picture, shows it without a seam. At the largest size a
    // drag lights the empty field, shows the tile's home and wins. Then a
    // 6 x 6 board with numbers: its lines the same, a number on each tile.
    void linesBetweenTilesAtScale()
    {
        const qreal dpr = QGuiApplication::primaryScreen()->devicePixelRatio();
        Started w;
        placeLayout(w, swapped(solvedLayout(), 14, 15));
        w.mnuPosOn->trigger(), w.mnuPreviewOn->trigger();
        BoardView *board = w.Frame1();
        struct Controls { QSize client; QRect board, frame3, frame4, preview, progress; };
        auto controls = [&w] {
            return Controls{w.centralWidget()->size(), w.Frame1()->geometry().marginsRemoved(BoardView::focusMargins()), w.Frame3()->geometry(),
                            w.Frame4()->geometry(), w.imgTemp()->geometry(), w.pBar()->geometry()};
        };
        const Controls first = controls();
        const int b = qMax(1, qRound(dpr));
        // The board of n x n fields in a shot of the window: its origin (device pixels) and side. The widget's whole
        // device pixels less the focus frame's margin on each side, the largest multiple of n of them at their centre.
        auto boardIn = [&](int n) {
            const int dw = int(board->width() * dpr), side = (dw - 2 * qRound(BoardView::FocusMarginPx * dpr)) / n * n;
            return std::make_pair((QPointF(board->mapTo(&w, QPoint(0, 0))) * dpr).toPoint() + QPoint((dw - side) / 2, (dw - side) / 2), side);
        };
        // Every line between the n x n fields black across its width and length, none beside it; on a won board
        // (given tiles of the test picture) each side of a line the colour of its square.
        auto linesRight = [&](const QImage &shot, int n, bool won, const QString &where) {
            const auto [origin, side] = boardIn(n);
            // Pixel (along, across) of the line between column (or row) k-1 and k: `across`
            // counts from the line's middle, `along` from the board's edge.
            auto at = [&, origin = origin, side = side](bool vertical, int k, int along, int across) {
                const QPoint p = vertical ? QPoint(k * side / n + across, along) : QPoint(along, k * side / n + across);
                return shot.pixelColor(origin + p);
            };
            for (bool vertical : {true, false})
                for (int k = 1; k < n; ++k)
                    for (int along = 0; along < side; ++along) {
                        const int line = along * n / side;   // the row (or column) the pixel lies in
                        const int before = vertical ? line * n + k - 1 : (k - 1) * n + line;
                        const int after = vertical ? before + 1 : before + n;
                        const int inField = along % (side / n);
                        bool right = true;
                        for (int across = -b; !won && across < b; ++across)
                            right = right && at(vertical, k, along, across) == QColor(Qt::black);
                        if (!won && inField > 2 * b && inField < side / n - 2 * b)   // beside the line: no black
                            right = right && at(vertical, k, along, -b - 1) != QColor(Qt::black) && at(vertical, k, along, b) != QColor(Qt::black);
                        if (won && after != n * n - 1)   // the empty field aside
                            right = similar(at(vertical, k, along, -1), squareColor(before), 4) && similar(at(vertical, k, along, 0), squareColor(after), 4);
                        if (!right)
                            return where + QStringLiteral("line %1 %2 at %3").arg(vertical).arg(k).arg(along);
                    }
            return QString();
        };
        for (bool won : {false, true}) {
            for (const QSize grow : {QSize(0, 0), QSize(301, 157), QSize(120, 400), QSize(33, 41), QSize(830, 520)}) {
                w.resize(w.minimumSize() + grow);
                QTRY_COMPARE(w.size(), w.minimumSize() + grow);
                const Controls c = controls();
                const int wide = c.board.width();
                const QPoint shift = c.board.topLeft() - first.board.topLeft();   // the leftover's share
                const QString where = QStringLiteral("window %1x%2: ").arg(w.width()).arg(w.height());
                QVERIFY2(c.board.height() == wide && wide == qMin(c.client.width() - first.client.width(), c.client.height() - first.client.height()) + first.board.width()
                         && qAbs(shift.x() - (c.client.width() - c.frame3.right() - first.client.width() + first.frame3.right())) <= 1
                         && qAbs(shift.y() - (c.client.height() - c.progress.bottom() - first.client.height() + first.progress.bottom())) <= 1,
                         qPrintable(where + "the board"));
                QVERIFY2(c.frame3 == first.frame3.translated(c.board.topRight() - first.board.topRight()) && c.frame4.size() == first.frame4.size()
                         && c.frame4.topLeft() == c.frame3.bottomLeft() + QPoint(0, 1) && !c.board.intersects(c.frame3 | c.frame4 | c.preview)
                         && QRect(QPoint(), c.client).contains(c.frame3 | c.frame4 | c.preview | c.board | c.progress),
                         qPrintable(where + "the panels"));
                QVERIFY2(c.progress.left() == first.progress.left() && c.client.width() - c.progress.right() == first.client.width() - first.progress.right()
                         && c.progress.top() - c.board.bottom() == first.progress.top() - first.board.bottom(), qPrintable(where + "the progress bar"));
                const int preview = wide * first.preview.width() / first.board.width();   // as much larger as the board, if there is room
                QVERIFY2(c.preview.topLeft() - c.frame4.bottomLeft() == first.preview.topLeft() - first.frame4.bottomLeft() && c.preview.height() == c.preview.width()
                         && c.preview.width() >= first.preview.width() && c.preview.bottom() < c.progress.top() && c.preview.width() <= preview + 1
                         && (c.preview.width() >= preview - 1 || c.client.width() - c.preview.right() == first.client.width() - first.frame4.right()),
                         qPrintable(where + QStringLiteral("the preview %1 of %2").arg(c.preview.width()).arg(preview)));
                // The game's tiles and the preview's picture, made anew at the board's device size.
                QTRY_COMPARE(board->picture(0).size(), board->fieldDeviceSize());
                QCOMPARE(w.imgTemp()->pixmap().size(), QSize(board->boardDeviceSide(), board->boardDeviceSide()));
                const auto [origin, side] = boardIn(4);
                if (won) {   // tiles cut from a picture of the board's size: no scaling blurs the squares
                    std::vector<QImage> bilder = TileCutter::cut(squaresPicture(side), 4, side / 4, side / 4);
                    const QImage last = bilder.back();
                    bilder.back() = QImage();
                    board->setTiles(bilder, last);
                }
                const QImage shot = w.grab().toImage();
                const QString wrong = linesRight(shot, 4, won, where);
                QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
                for (int p = 0; p < 16; ++p)   // each field shows its tile's square as far as its lower right
                    QVERIFY(p == (won ? 15 : 14) || similar(shot.pixelColor(origin + QPoint(p % 4 * 8 + 7, p / 4 * 8 + 7) * side / 32),
                                                            squareColor(won ? p : p == 15 ? 14 : p)));
            }
            if (!won) {   // won by a drag at the last size, the empty field lit white on the way, the tile's home shown
                bool asked = false;
                onNextModal<QInputDialog>([&asked](QInputDialog *box) { asked = true, box->reject(); });
                const QPoint from = board->fieldRect(15).center(), to = board->fieldRect(14).center();
                QTest::mousePress(board, Qt::LeftButton, Qt::NoModifier, from);
                QTest::mouseMove(board, (from + to) / 2), QTest::mouseMove(board, to);
                const QPoint lit = board->mapTo(&w, to + QPoint(board->fieldRect(14).width() / 3, 0));
                QCOMPARE(w.grab().toImage().pixelColor((QPointF(lit) * dpr).toPoint()), QColor(Qt::white));
                QCOMPARE(w.Label(3)->text(), QStringLiteral("15"));
                QTest::mouseRelease(board, Qt::LeftButton, Qt::NoModifier, to);
                QVERIFY(w.fertig());
                QTRY_VERIFY(asked);
            }
        }
        // A 6 x 6 game with numbers, at the smallest size and a larger one: cut at the fields' device size, whole
        // lines, and on each tile its number, light with a dark outline, in the top-left part of its field.
        w.mnuNumbers->trigger();
        QAction *six = w.mnuSpielfeld->actions().constLast();
        six->trigger();
        QTRY_VERIFY(w.boardPlaced() && w.session().side() == 6 && six->isChecked() && w.mnuNumbers->isChecked());
        QVERIFY(readAll(w.path("einstellungen.ini")).endsWith("Nummern=1\r\nSpielfeld=6\r\n"));
        for (const QSize grow : {QSize(0, 0), QSize(301, 157)}) {
            w.resize(w.minimumSize() + grow);
            QTRY_COMPARE(board->picture(0).size(), board->fieldDeviceSize());
            const QImage shot = w.grab().toImage();
            const QString wrong = linesRight(shot, 6, false, QStringLiteral("6 x 6, %1 wider: ").arg(grow.width()));
            QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
            const auto [origin, side] = boardIn(6);
            const int field = side / 6;
            for (int p = 0; p < 35; ++p) {
                // The test picture has neither white nor dark pixels: the number's are counted, and its light
                // pixels' height (a quarter of the field, less the digits' own space) measured.
                int light = 0, dark = 0, top = field, bottom = 0;
                for (int y = 2 * b; y < field / 2; ++y)
                    for (int x = 2 * b; x < field / 2; ++x) {
                        const QColor c = shot.pixelColor(origin + QPoint(p % 6 * field + x, p / 6 * field + y));
                        if (qMin(c.red(), qMin(c.green(), c.blue())) > 230)
                            ++light, top = qMin(top, y), bottom = qMax(bottom, y);
                        dark += qMax(c.red(), qMax(c.green(), c.blue())) < 50;
                    }
                QVERIFY2(light > 0 && dark > 0 && bottom - top >= field / 8 && bottom - top <= field / 4,
                         qPrintable(QStringLiteral("field %1 of %2 px: %3 light, %4 dark, %5 high").arg(p).arg(field).arg(light).arg(dark).arg(bottom - top)));
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
        // The list names the size of a game on another board beside its
        // name, nothing for a file that is no saved game; a row puts its
        // name alone into the box, and that loads its file (the dialog's
        // hand-over is looked at here, not the board).
        const QVector<qint16> five = swapped(solvedLayout(5), 22, 23);
        QVERIFY(writeAll(w.path(QStringLiteral("Saves/Abend.sav")), SavedGame(GameState{five, 2, false, false, "x", false}).toBytes())
                && writeAll(w.path(QStringLiteral("Saves/Zettel.sav")), "x"));
        w.mnuLoad->trigger();
        frmLoad *labelled = openWindow<frmLoad>();
        QVERIFY(labelled && labelled->File1->count() == 3);
        QCOMPARE((QStringList{labelled->File1->item(0)->text(), labelled->File1->item(1)->text(), labelled->File1->item(2)->text()}),
                 (QStringList{"Abend.sav   (5 × 5)", "Spiel 1.sav", "Zettel.sav"}));
        QObject::disconnect(labelled, &frmLoad::gameChosen, &w, nullptr);
        GameState chosen;
        connect(labelled, &frmLoad::gameChosen, this, [&chosen](const GameState &g) { chosen = g; });
        labelled->File1->setCurrentRow(0);
        QCOMPARE(labelled->txtLoad->text(), QStringLiteral("Abend.sav"));
        labelled->cmdLoad->click();
        QTRY_VERIFY(!openWindow<frmLoad>());
        QVERIFY(chosen.fields == five && chosen.zuege == 2);

        w.mnuLoad->trigger();
        frmLoad *load = openWindow<frmLoad>();
        QVERIFY(load && load->File1->count() == 3);
        load->File1->setCurrentRow(1);
        emit load->File1->itemDoubleClicked(load->File1->item(1));
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
        QTest::keyClick(w.menuBar(), Qt::Key_Escape);   // and Esc gives the board the keyboard
        QVERIFY(w.Frame1()->hasFocus());

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

    // For a screen reader the board is a table of its side x side cells and
    // nothing else, each named by its field and tile counted from 1, with its
    // row and column. Tab brings the keyboard to the board, which draws its
    // frame outside the fields; a move names the cells anew and the cell it
    // filled has the focus. A board of another size is a table of that size.
    // (What is reported as it changes is seen on the accessibility bus: the
    // offscreen platform has none.)
    void boardForAScreenReader()
    {
        Started w;
        const QVector<qint16> layout = fields("0 1 2 3 4 5 6 7 8 9 10 11 12 14 100 13");
        placeLayout(w, layout);
        BoardView *board = w.Frame1();
        QAccessibleInterface *table = QAccessible::queryAccessibleInterface(board);
        QVERIFY(table && table->role() == QAccessible::Table && table->text(QAccessible::Name) == "Spielfeld");
        QVERIFY(table->childCount() == 16 && table->tableInterface()->rowCount() == 4 && table->tableInterface()->columnCount() == 4);
        auto name = [table](int p) { return table->child(p)->text(QAccessible::Name); };
        for (int p = 0; p < 16; ++p) {
            QAccessibleInterface *cell = table->child(p);
            const QPoint centre = board->mapToGlobal(board->fieldRect(p).center());
            QCOMPARE(name(p), QString("Feld %1: ").arg(p + 1) + (layout[p] == 100 ? "leer" : "Teil " + QString::number(layout[p] + 1)));
            QVERIFY(cell->role() == QAccessible::Cell && cell->parent() == table && table->indexOfChild(cell) == p);
            QVERIFY(cell->tableCellInterface()->rowIndex() == p / 4 && cell->tableCellInterface()->columnIndex() == p % 4);
            QVERIFY(table->tableInterface()->cellAt(p / 4, p % 4) == cell && table->childAt(centre.x(), centre.y()) == cell);
        }

        // The focus frame: in the margin, one pixel off the board; the fields keep their borders.
        const QPoint corner = board->fieldRect(0).topLeft(), ring = corner - QPoint(2, 2);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.setFocus();
        QCOMPARE(board->grab().toImage().pixelColor(ring), board->palette().color(QPalette::Window));
        QTest::keyClick(&w, Qt::Key_Tab);
        QVERIFY(board->hasFocus() && table->focusChild() == table->child(14));   // the empty field
        const QImage focused = board->grab().toImage();
        QVERIFY(focused.pixelColor(ring) == board->palette().color(QPalette::Highlight) && focused.pixelColor(corner) == QColor(Qt::black));

        QTest::keyClick(board, Qt::Key_Left);   // tile 14 from field 16 into the empty field 15
        QVERIFY(name(14) == "Feld 15: Teil 14" && name(15) == "Feld 16: leer" && table->focusChild() == table->child(14));
        QTest::mouseClick(board, Qt::LeftButton, Qt::NoModifier, board->fieldRect(3).center());   // the column up
        QVERIFY(name(3) == "Feld 4: leer" && table->focusChild() == table->child(7) && w.zuege() == 4);

        GameSession session(3);
        BoardView small(session, nullptr);
        QAccessibleInterface *other = QAccessible::queryAccessibleInterface(&small);
        for (int side : {3, 6}) {
            session.setSide(side), small.boardChanged();
            const int last = side * side - 1;
            QAccessibleInterface *corner = other->tableInterface()->cellAt(side - 1, side - 1);
            QVERIFY(other->childCount() == last + 1 && other->tableInterface()->rowCount() == side && other->tableInterface()->columnCount() == side);
            QVERIFY(!other->child(last + 1) && corner == other->child(last)
                    && corner->tableCellInterface()->rowIndex() == side - 1
                    && corner->text(QAccessible::Name) == QString("Feld %1: leer").arg(last + 1));
        }
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
