// The high-score window on the offscreen platform: F11, the name box after a
// won game, placing into an open window, the reset, closing, and files that
// cannot be written.
#include "WindowTestSupport.h"

#include "ReadOnlyPath.h"
#include "base/Twips.h"
#include "scores/frmTopTen.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>

#include <sys/stat.h>

using namespace TestSupport;

namespace {

const QByteArray DefaultRecord("0     Hanno Holzbein ");

QByteArray rec(const QByteArray &score, const QByteArray &name)
{
    return score.leftJustified(6, ' ', true) + name.leftJustified(15, ' ', true);
}

QByteArray listFile(const QList<QByteArray> &records)
{
    QByteArray bytes;
    for (const QByteArray &r : records)
        bytes += r;
    for (qsizetype i = records.size(); i < 10; ++i)
        bytes += DefaultRecord;
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

ino_t inode(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// What the name box looked like when the test answered it.
struct NameBox
{
    bool seen = false;
    QString title, label, initialText;
    QPoint pos;
    bool modal = false;
};

// Answers the next name box: types `name` and confirms, or cancels.
std::shared_ptr<NameBox> answerNameBox(const QString &name, bool accept)
{
    auto box = std::make_shared<NameBox>();
    onNextModal<QInputDialog>([box, name, accept](QInputDialog *d) {
        box->seen = true;
        box->title = d->windowTitle();
        box->label = d->labelText();
        box->initialText = d->textValue();
        box->pos = d->pos();
        box->modal = d->isModal();
        if (accept) {
            d->setTextValue(name);
            d->accept();
        } else {
            d->reject();
        }
    });
    return box;
}

// Confirms every message box while it lives and keeps their texts.
struct Messages
{
    QStringList texts;
    QTimer timer;
    Messages()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *m = qobject_cast<QMessageBox *>(w); m && m->isVisible()) {
                    texts << m->windowTitle() + QLatin1Char('|') + m->text();
                    m->accept();
                }
        });
        timer.start(20);
    }
};

// A board one drag from solved: tile 14 on field 15, field 14 empty.
void nearlySolved(frmMain &w, qint16 zuegeBefore)
{
    QVector<qint16> f = solvedLayout();
    std::swap(f[14], f[15]);
    placeLayout(w, f);
    w.setZuege(zuegeBefore);
}

QStringList rowTexts(const frmTopTen *t, int column)
{
    const QVector<QLabel *> &labels = column == 0 ? t->lblNr : column == 1 ? t->lblName : t->lblScore;
    QStringList out;
    for (QLabel *l : labels)
        out << l->text();
    return out;
}

QStringList defaultNames()
{
    return QStringList(10, QStringLiteral("Hanno Holzbein "));
}
QStringList defaultScores()
{
    return QStringList(10, QStringLiteral("0     "));
}

void waitUntilDeleted(QPointer<frmTopTen> &p)
{
    QTRY_VERIFY(p.isNull());
}

} // namespace

class TestTopTenWindow : public QObject
{
    Q_OBJECT
private slots:
    void f11WithoutFileCreatesTheDefaultList();
    void openAgainAndClose();
    void winFlow_data();
    void winFlow();
    void resultThatDoesNotQualifyStillShowsTheList();
    void winningWhileTheWindowIsOpen();
    void resetFromTheMenu();
    void closingTheMainWindowClosesTheList();
    void listThatCannotBeWritten();
    void listThatCannotBeRead();
};

void TestTopTenWindow::f11WithoutFileCreatesTheDefaultList()
{
    ProgramDir pd;
    frmMain w;
    w.Form_Load();
    const QString file = pd.path(QStringLiteral("scr.cxa"));
    QVERIFY(!QFile::exists(file));
    QCOMPARE(w.mnuTopTen->shortcut(), QKeySequence(Qt::Key_F11));

    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F11);
    frmTopTen *t = frmTopTen::loaded(&w);
    QVERIFY(t);
    QVERIFY(t->isVisible());
    QCOMPARE(t->windowTitle(), QStringLiteral("    Top Ten"));
    QVERIFY(!t->windowIcon().isNull());
    QCOMPARE(t->windowModality(), Qt::ApplicationModal);
    QCOMPARE(QGuiApplication::modalWindow(), t->windowHandle());  // the main window is blocked
    QVERIFY(t->isWindow());
    QCOMPARE(t->pos(), Twips::point(w.Window_Left, w.Window_Top));

    QCOMPARE(QFileInfo(file).size(), 210);
    QCOMPARE(pd.read(QStringLiteral("scr.cxa")), listFile({}));
    QStringList ranks;
    for (int k = 1; k <= 10; ++k)
        ranks << QString::number(k);
    QCOMPARE(t->lblNr.size(), 10);
    QCOMPARE(rowTexts(t, 0), ranks);
    QCOMPARE(rowTexts(t, 1), defaultNames());
    QCOMPARE(rowTexts(t, 2), defaultScores());

    // The layout: heading, frame below it, rows one label height apart.
    QCOMPARE(t->Label1->text(), QStringLiteral("Highscores"));
    QCOMPARE(t->Label1->geometry(), Twips::rect(120, 120, 3735, 480));
    QVERIFY(t->Label1->alignment() & Qt::AlignHCenter);
    QCOMPARE(t->centralWidget()->size(), Twips::size(4035, 4575));
    QCOMPARE(t->Frame1->geometry(), Twips::rect(240, 120 + 480 + 100, 4035 - 480, 4575 - 720 - 480));
    for (int k = 0; k < 10; ++k) {
        QVERIFY(t->lblNr[k]->isVisible() && t->lblName[k]->isVisible() && t->lblScore[k]->isVisible());
        QCOMPARE(t->lblNr[k]->parentWidget(), t->Frame1);
        QCOMPARE(t->lblNr[k]->geometry(), Twips::rect(120, 240 + 300 * k, 375, 300));
        QCOMPARE(t->lblName[k]->geometry(), Twips::rect(600, 240 + 300 * k, 2085, 300));
        QCOMPARE(t->lblScore[k]->geometry(), Twips::rect(2760, 240 + 300 * k, 615, 300));
        QVERIFY(t->lblNr[k]->alignment() & Qt::AlignRight);
        QVERIFY(t->lblScore[k]->alignment() & Qt::AlignHCenter);
        QVERIFY(t->Frame1->rect().contains(t->lblScore[k]->geometry()));
    }

    // Two commands on the menu bar, no submenus.
    QStringList captions;
    for (QAction *a : t->menuBar()->actions()) {
        captions << a->text();
        QVERIFY(!a->menu());
    }
    QCOMPARE(captions, (QStringList{"Liste &löschen", "Schliessen"}));
    QCOMPARE(t->mnuDelete->text(), QStringLiteral("Liste &löschen"));
    QCOMPARE(t->mnuClose->text(), QStringLiteral("Schliessen"));
}

void TestTopTenWindow::openAgainAndClose()
{
    ProgramDir pd;
    const QString file = pd.path(QStringLiteral("scr.cxa"));
    QVERIFY(writeFile(file, listFile({rec("12", "Erste"), rec("34", "Zweite")})));
    frmMain w;
    w.Form_Load();
    w.mnuTopTen->trigger();
    QPointer<frmTopTen> t = frmTopTen::loaded(&w);
    QVERIFY(t);
    QCOMPARE(t->lblName[1]->text(), QStringLiteral("Zweite         "));
    QCOMPARE(t->lblScore[1]->text(), QStringLiteral("34    "));

    // Showing it again neither makes a second window nor reads the file.
    QVERIFY(writeFile(file, listFile({rec("7", "Fremd")})));
    w.mnuTopTen->trigger();
    QCOMPARE(frmTopTen::loaded(&w), t.data());
    QCOMPARE(w.findChildren<frmTopTen *>().size(), 1);
    QCOMPARE(t->lblNr.size(), 10);
    QCOMPARE(t->lblName[0]->text(), QStringLiteral("Erste          "));
    QVERIFY(t->isVisible());

    // "Schliessen" unloads it; the next opening reads the file again.
    t->mnuClose->trigger();
    QVERIFY(!frmTopTen::loaded(&w));
    waitUntilDeleted(t);
    w.mnuTopTen->trigger();
    frmTopTen *again = frmTopTen::loaded(&w);
    QVERIFY(again);
    QCOMPARE(again->lblName[0]->text(), QStringLiteral("Fremd          "));
    QCOMPARE(again->lblScore[0]->text(), QStringLiteral("7     "));
    QCOMPARE(pd.read(QStringLiteral("scr.cxa")), listFile({rec("7", "Fremd")}));  // only read
}

void TestTopTenWindow::winFlow_data()
{
    QTest::addColumn<bool>("fileBefore");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("stored");  // empty: nothing placed

    QTest::newRow("20 characters, first 15 stored")
        << false << "ABCDEFGHIJKLMNOPQRST" << true << "ABCDEFGHIJKLMNO";
    QTest::newRow("blanks only count as a name") << false << "   " << true << "   ";
    QTest::newRow("markup is shown as text") << true << "<b>Fett</b>" << true << "<b>Fett</b>";
    QTest::newRow("cancel, no file") << false << "Anna" << false << "";
    QTest::newRow("cancel, file kept") << true << "Anna" << false << "";
    QTest::newRow("confirmed empty") << true << "" << true << "";
}

void TestTopTenWindow::winFlow()
{
    QFETCH(bool, fileBefore);
    QFETCH(QString, typed);
    QFETCH(bool, accept);
    QFETCH(QString, stored);

    ProgramDir pd;
    const QString file = pd.path(QStringLiteral("scr.cxa"));
    const QByteArray before = listFile({rec("30", "Alt")});
    if (fileBefore)
        QVERIFY(writeFile(file, before));
    frmMain w;
    w.Form_Load();
    nearlySolved(w, 41);

    auto box = answerNameBox(typed, accept);
    dragField(w, 15, 14);
    QVERIFY(w.fertig());
    QTRY_VERIFY(box->seen);
    QTest::qWait(20);

    // The box as it was shown.
    QCOMPARE(box->title, QStringLiteral("High Scores"));
    QCOMPARE(box->label, QStringLiteral("Glückwunsch, Du hast das Zandor geschaft.\r\n\r\n\r\n\r\n Gib deinen Namen ein: "));
    QCOMPARE(box->initialText, QString());
    QVERIFY(box->modal);
    const QRect main = w.frameGeometry();
    const QPoint centre(main.x() + main.width() / 2, main.y() + main.height() / 2);
    QVERIFY2((box->pos - centre).manhattanLength() <= 2,
             qPrintable(QStringLiteral("box at %1,%2, centre %3,%4")
                            .arg(box->pos.x()).arg(box->pos.y()).arg(centre.x()).arg(centre.y())));

    frmTopTen *t = frmTopTen::loaded(&w);
    if (stored.isEmpty()) {
        QVERIFY(!t);
        QVERIFY(w.findChildren<frmTopTen *>().isEmpty());
        if (fileBefore)
            QCOMPARE(pd.read(QStringLiteral("scr.cxa")), before);
        else
            QVERIFY(!QFile::exists(file));
        return;
    }
    QVERIFY(t);
    QVERIFY(t->isVisible());
    QCOMPARE(frmTopTen::PlayerName, stored);
    if (fileBefore) {
        // 42 goes below the 30.
        QCOMPARE(t->lblName[1]->text(), stored);
        QCOMPARE(t->lblScore[1]->text(), QStringLiteral("42"));
        QCOMPARE(t->lblName[0]->text(), QStringLiteral("Alt            "));
        QCOMPARE(t->lblName[1]->textFormat(), Qt::PlainText);
        QCOMPARE(pd.read(QStringLiteral("scr.cxa")), listFile({rec("30", "Alt"), rec("42", stored.toLatin1())}));
    } else {
        QCOMPARE(t->lblName[0]->text(), stored);
        QCOMPARE(t->lblScore[0]->text(), QStringLiteral("42"));
        QCOMPARE(t->lblName[1]->text(), QStringLiteral("Hanno Holzbein "));
        QCOMPARE(pd.read(QStringLiteral("scr.cxa")), listFile({rec("42", stored.toLatin1())}));
    }
}

void TestTopTenWindow::resultThatDoesNotQualifyStillShowsTheList()
{
    ProgramDir pd;
    const QString file = pd.path(QStringLiteral("scr.cxa"));
    QList<QByteArray> full;
    for (int k = 0; k < 10; ++k)
        full << rec(QByteArray::number(10 + k), "Spieler " + QByteArray::number(k));
    QVERIFY(writeFile(file, listFile(full)));
    const ino_t inodeBefore = inode(file);
    frmMain w;
    w.Form_Load();
    nearlySolved(w, 99);  // 100 moves: worse than every entry

    auto box = answerNameBox(QStringLiteral("Langsam"), true);
    dragField(w, 15, 14);
    QTRY_VERIFY(box->seen);
    frmTopTen *t = nullptr;
    QTRY_VERIFY((t = frmTopTen::loaded(&w)) != nullptr);
    QVERIFY(t->isVisible());
    QCOMPARE(t->lblScore[9]->text(), QStringLiteral("19    "));
    QCOMPARE(t->lblName[9]->text(), QStringLiteral("Spieler 9      "));
    QCOMPARE(pd.read(QStringLiteral("scr.cxa")), listFile(full));
    QCOMPARE(inode(file), inodeBefore);
}

void TestTopTenWindow::winningWhileTheWindowIsOpen()
{
    ProgramDir pd;
    frmMain w;
    w.Form_Load();
    w.mnuTopTen->trigger();
    QPointer<frmTopTen> t = frmTopTen::loaded(&w);
    QVERIFY(t);
    // The open window's rows are the list: a file changed behind its back is
    // not read again, and the rewrite comes from the rows.
    QVERIFY(writeFile(pd.path(QStringLiteral("scr.cxa")), listFile({rec("5", "Fremd")})));

    w.setZuege(56);
    auto box = answerNameBox(QStringLiteral("Neu"), true);
    frmTopTen::Start(&w);  // what the board calls after the winning drop
    QVERIFY(box->seen);
    QCOMPARE(frmTopTen::loaded(&w), t.data());
    QCOMPARE(t->lblName[0]->text(), QStringLiteral("Neu"));
    QCOMPARE(t->lblScore[0]->text(), QStringLiteral("56"));
    QCOMPARE(t->lblName[1]->text(), QStringLiteral("Hanno Holzbein "));
    QCOMPARE(pd.read(QStringLiteral("scr.cxa")), listFile({rec("56", "Neu")}));

    // A second win ties with the first and goes above it.
    box = answerNameBox(QStringLiteral("Zweiter"), true);
    frmTopTen::Start(&w);
    QVERIFY(box->seen);
    QCOMPARE(rowTexts(t, 1).mid(0, 3), (QStringList{"Zweiter", "Neu", "Hanno Holzbein "}));
    QCOMPARE(rowTexts(t, 2).mid(0, 3), (QStringList{"56", "56", "0     "}));
    QCOMPARE(pd.read(QStringLiteral("scr.cxa")), listFile({rec("56", "Zweiter"), rec("56", "Neu")}));
    QCOMPARE(w.findChildren<frmTopTen *>().size(), 1);
}

void TestTopTenWindow::resetFromTheMenu()
{
    ProgramDir pd;
    const QString file = pd.path(QStringLiteral("scr.cxa"));
    const QByteArray tail("after the tenth record");
    QVERIFY(writeFile(file, listFile({rec("12", "A"), rec("xy", "B")}) + tail));
    frmMain w;
    w.Form_Load();
    w.mnuTopTen->trigger();
    frmTopTen *t = frmTopTen::loaded(&w);
    QVERIFY(t);
    QCOMPARE(t->lblScore[1]->text(), QStringLiteral("xy    "));

    Messages messages;
    t->mnuDelete->trigger();
    // At once, with no question asked.
    QCOMPARE(rowTexts(t, 1), defaultNames());
    QCOMPARE(rowTexts(t, 2), defaultScores());
    QCOMPARE(pd.read(QStringLiteral("scr.cxa")), listFile({}) + tail);
    QTest::qWait(60);
    QCOMPARE(messages.texts, QStringList());
    QVERIFY(t->isVisible());
}

void TestTopTenWindow::closingTheMainWindowClosesTheList()
{
    ProgramDir pd;
    auto *w = new frmMain;
    w->Form_Load();
    w->mnuTopTen->trigger();
    QPointer<frmTopTen> t = frmTopTen::loaded(w);
    QVERIFY(t);
    w->close();
    QVERIFY(!t || !t->isVisible());
    delete w;
    QVERIFY(t.isNull());
}

void TestTopTenWindow::listThatCannotBeWritten()
{
    ProgramDir pd;
    const QString file = pd.path(QStringLiteral("scr.cxa"));
    const QByteArray before = listFile({rec("30", "Alt")}) + "tail";
    QVERIFY(writeFile(file, before));
    frmMain w;
    w.Form_Load();
    w.mnuTopTen->trigger();
    frmTopTen *t = frmTopTen::loaded(&w);
    QVERIFY(t);

    ReadOnlyPath locked(file);
    if (!locked.ok())
        QSKIP("cannot make a file read-only here (root without chattr)");
    Messages messages;
    w.setZuege(20);
    auto box = answerNameBox(QStringLiteral("Neu"), true);
    frmTopTen::Start(&w);
    QVERIFY(box->seen);
    QTRY_COMPARE(messages.texts.size(), 1);
    QVERIFY(messages.texts[0].startsWith(QStringLiteral("Zandor|Die Bestenliste konnte nicht gespeichert werden.")));
    QVERIFY(messages.texts[0].contains(QDir::toNativeSeparators(file)));
    // The list shown stays as it was, the file keeps everything.
    QCOMPARE(t->lblName[0]->text(), QStringLiteral("Alt            "));
    QCOMPARE(t->lblScore[0]->text(), QStringLiteral("30    "));
    QCOMPARE(pd.read(QStringLiteral("scr.cxa")), before);

    t->mnuDelete->trigger();
    QTRY_COMPARE(messages.texts.size(), 2);
    QVERIFY(messages.texts[1].startsWith(QStringLiteral("Zandor|Die Bestenliste konnte nicht gespeichert werden.")));
    QCOMPARE(t->lblScore[0]->text(), QStringLiteral("30    "));
    QCOMPARE(pd.read(QStringLiteral("scr.cxa")), before);
}

void TestTopTenWindow::listThatCannotBeRead()
{
    // A folder where the file should be: nobody can read or replace it.
    ProgramDir pd;
    const QString file = pd.path(QStringLiteral("scr.cxa"));
    QVERIFY(QDir().mkpath(file + QStringLiteral("/inside")));
    frmMain w;
    w.Form_Load();
    Messages messages;
    w.mnuTopTen->trigger();
    frmTopTen *t = frmTopTen::loaded(&w);
    QVERIFY(t);
    QTRY_COMPARE(messages.texts.size(), 1);
    QVERIFY(messages.texts[0].startsWith(QStringLiteral("Zandor|Die Bestenliste konnte nicht gelesen werden.")));
    QVERIFY(t->isVisible());

    w.setZuege(20);
    auto box = answerNameBox(QStringLiteral("Neu"), true);
    frmTopTen::Start(&w);
    QVERIFY(box->seen);
    QTRY_COMPARE(messages.texts.size(), 2);
    QVERIFY(messages.texts[1].startsWith(QStringLiteral("Zandor|Die Bestenliste konnte nicht gespeichert werden.")));
    QVERIFY(t->lblName[0]->text() != QStringLiteral("Neu"));
    QVERIFY(QFileInfo(file + QStringLiteral("/inside")).isDir());
}

QTEST_MAIN(TestTopTenWindow)
#include "test_topten_window.moc"
