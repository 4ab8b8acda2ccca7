// The best value of a deal, the hint and the arrow keys, in the main window.
#include "WindowTestSupport.h"

#include "game/Solver.h"

#include <QLabel>

using namespace TestSupport;

namespace {
QVector<qint16> oneMoveFromHome()
{
    QVector<qint16> f = solvedLayout();
    std::swap(f[14], f[15]);  // empty field at 14, tile 14 on 15
    return f;
}
} // namespace

class TestPlayerAids : public QObject
{
    Q_OBJECT
private slots:
    void bestValueOfLoadedLayouts()
    {
        ProgramDir pd;
        frmMain w;
        w.Form_Load();
        placeLayout(w, oneMoveFromHome());
        QVERIFY(w.lblBestwert()->text() == QStringLiteral("Bestwert: …")
                || w.lblBestwert()->text() == QStringLiteral("Bestwert: 1"));
        QVERIFY(w.waitForSolver(120000));
        QCOMPARE(w.lblBestwert()->text(), QStringLiteral("Bestwert: 1"));

        QVector<qint16> f = solvedLayout();
        std::swap(f[13], f[14]);  // can never be solved
        placeLayout(w, f);
        QVERIFY(w.waitForSolver(120000));
        QCOMPARE(w.lblBestwert()->text(), QStringLiteral("Bestwert: unlösbar"));
    }

    void aNewDealReplacesTheOldComputation()
    {
        ProgramDir pd;
        frmMain w;
        w.Form_Load();
        for (int i = 0; i < 3; ++i)
            w.mnuNew_Click();
        QVERIFY(w.waitForSolver(120000));
        const Solver solver(std::shared_ptr<const PatternDatabase>(PatternDatabase::shared(pd.dir.path())));
        const auto expected = solver.solve(*Tiles::fromLayout(w.board().layoutFromTags()));
        QCOMPARE(expected.status, Solver::Status::Solved);
        QCOMPARE(w.lblBestwert()->text(), QStringLiteral("Bestwert: %1").arg(expected.length));
    }

    void hintMarksTheFirstMoveAndKeepsTheGameOutOfTheList()
    {
        ProgramDir pd;
        frmMain w;
        w.Form_Load();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        placeLayout(w, oneMoveFromHome());
        QVERIFY(!w.hintUsed());
        QSignalSpy shown(&w, &frmMain::hintShown);
        QTest::keyClick(&w, Qt::Key_F4);
        QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 120000);
        QCOMPARE(shown.first().first().toInt(), 15);
        QVERIFY(w.picBox(15)->isHighlighted());
        QVERIFY(w.hintUsed());
        // the tile is not moved by the hint, and the mark goes away by itself
        QCOMPARE(w.Label(1)->text(), QStringLiteral("0"));
        QTRY_VERIFY_WITH_TIMEOUT(!w.picBox(15)->isHighlighted(), 3000);

        // winning after a hint: a message instead of the name box
        DismissDialogs dismiss;
        dragField(w, 15, 14);
        QVERIFY(w.fertig());
        QTRY_COMPARE(dismiss.messages.size(), 1);
        QVERIFY(dismiss.messages.first().contains(QStringLiteral("Tipp")));
        QVERIFY(dismiss.dialogs.isEmpty());
        QVERIFY(!QFileInfo::exists(pd.path("scr.cxa")));

        // the next deal may enter the list again
        w.mnuNew_Click();
        QVERIFY(!w.hintUsed());
    }

    void hintOnAnUnsolvableBoardSaysSo()
    {
        ProgramDir pd;
        frmMain w;
        w.Form_Load();
        QVector<qint16> f = solvedLayout();
        std::swap(f[0], f[1]);
        placeLayout(w, f);
        DismissDialogs dismiss;
        w.mnuHint_Click();
        QTRY_COMPARE(dismiss.messages.size(), 1);
        QVERIFY(dismiss.messages.first().contains(QStringLiteral("nicht gelöst")));
        QVERIFY(!w.hintUsed());
        for (int p = 0; p < 16; ++p)
            QVERIFY(!w.picBox(p)->isHighlighted());
    }

    void arrowKeysMoveTheTileNextToTheGap()
    {
        ProgramDir pd;
        frmMain w;
        w.Form_Load();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QVector<qint16> f = solvedLayout();
        std::swap(f[10], f[15]);  // empty field at 10
        placeLayout(w, f);
        w.setZuege(0);

        QTest::keyClick(&w, Qt::Key_Left);   // tile of field 11 moves left
        QCOMPARE(w.Label(1)->text(), QStringLiteral("1"));
        QCOMPARE(w.picBox(10)->Tag, QStringLiteral("11"));
        QCOMPARE(w.picBox(11)->Tag, QStringLiteral("leer"));
        QTest::keyClick(&w, Qt::Key_Down);   // tile of field 7 moves down
        QCOMPARE(w.picBox(11)->Tag, QStringLiteral("7"));
        QCOMPARE(w.picBox(7)->Tag, QStringLiteral("leer"));
        QCOMPARE(w.Label(1)->text(), QStringLiteral("2"));
        // the gap is in the right column: nothing can move left into it
        QTest::keyClick(&w, Qt::Key_Left);
        QCOMPARE(w.Label(1)->text(), QStringLiteral("2"));
        QTest::keyClick(&w, Qt::Key_Right);  // tile of field 6 moves right
        QCOMPARE(w.picBox(7)->Tag, QStringLiteral("6"));
        QTest::keyClick(&w, Qt::Key_Up);     // tile of field 10 moves up
        QCOMPARE(w.picBox(6)->Tag, QStringLiteral("11"));
        QCOMPARE(w.Label(1)->text(), QStringLiteral("4"));
        // the gap climbs to the top row; then nothing comes down into it
        QTest::keyClick(&w, Qt::Key_Down);   // tile of field 6 moves down
        QTest::keyClick(&w, Qt::Key_Down);   // tile of field 2 moves down
        QCOMPARE(w.picBox(2)->Tag, QStringLiteral("leer"));
        QCOMPARE(w.Label(1)->text(), QStringLiteral("6"));
        QTest::keyClick(&w, Qt::Key_Down);
        QCOMPARE(w.Label(1)->text(), QStringLiteral("6"));
    }
};

QTEST_MAIN(TestPlayerAids)
#include "test_player_aids.moc"
