// The saved-game file: bytes, reading and its checks, names, listing, saving, deleting.
#include "saves/SavedGame.h"
#include "saves/frmLoad.h"

#include "base/ProgramFolder.h"
#include "pictures/PictureReference.h"
#include "TestFiles.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray Turm("/home/spieler/Bilder/turm.jpg");

// A valid file, with the given 1-based lines replaced: a 4 x 4 game, or with
// other field lines a game of another size.
QByteArray file(std::initializer_list<std::pair<int, QByteArray>> edits = {},
                const QByteArray &board = "5 1 2 3 4 0 6 7 8 9 10 100 12 13 14 11")
{
    QList<QByteArray> l = (board + " 17 1 0").split(' ') << Turm;
    for (const auto &e : edits)
        l[e.first - 1] = e.second;
    return l.join("\r\n") + "\r\n";
}

// The field lines of a board of side x side fields with the tiles of fields a and b exchanged.
QByteArray board(int side, int a, int b)
{
    QList<QByteArray> f;
    for (qint16 v : swapped(solvedLayout(side), a, b))
        f << QByteArray::number(v);
    return f.join(' ');
}

// A game as "fields|counter|preview|position|hint|picture".
QString state(const SavedGame &g)
{
    QStringList f;
    for (qint16 v : g.fields)
        f << QString::number(v);
    return QStringLiteral("%1|%2|%3|%4|%5|%6")
        .arg(f.join(' ')).arg(g.zuege).arg(g.imgvis).arg(g.posAnz).arg(g.hintUsed).arg(g.bild);
}

// How a row names a refused file: its problem's kind and line.
QString refused(SavedGame::Problem::Kind kind, int line = 0) { return QStringLiteral("!%1 %2").arg(int(kind)).arg(line); }

SavedGame sentinel() { return SavedGame(GameState{{9, 9, 9}, 1234, true, true, QStringLiteral("unverändert"), true}); }

} // namespace

class TestSavedGame : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void init() { ProgramFolder::setPath(m_dir.path()), QDir(m_dir.path() + "/Saves").removeRecursively(); }

    // Rows: file content; "counter|preview|position|hint|picture" read from
    // it, or "!" and the reason; whether the game is written back to it exactly.
    void reading_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("read");
        QTest::addColumn<bool>("exact");
        const QString utf8 = m_dir.filePath("\u4E2D.jpg");   // taken as UTF-8 as the picture exists
        QVERIFY(writeAll(utf8, "picture"));
        QTest::newRow("1252 umlauts and euro sign, empty field as 15, a hint: a 21st line")
            << file({{12, "15"}, {17, "42"}, {18, "0"}, {19, "1"}, {20, "C:\\Gr\xFC\xDF" "e \x80.jpg"}}) + "1\r\n"
            << "42|0|1|1|C:\\Grüße \u20AC.jpg" << true;
        QTest::newRow("path beyond 1252 in UTF-8, smallest counter")
            << file({{17, "-32768"}, {20, utf8.toUtf8()}}) << "-32768|1|0|0|" + utf8 << true;
        const QByteArray longest = "/" + QByteArray(PictureReference::MaxPathBytes - 1, 'p');
        QTest::newRow("longest picture line, largest counter")
            << file({{17, "32767"}, {20, longest}}) << "32767|1|0|0|" + QString(longest) << true;
        const QString T = "17|1|0|0|" + QString(Turm);
        QTest::newRow("LF only, no end after line 20") << file().replace("\r\n", "\n").chopped(1) << T << false;
        QTest::newRow("empty picture; only a 21st line 1 is a hint") << file({{20, ""}}) + "M\xFCll\r\n" << "17|1|0|0|" << false;
        QTest::newRow("blanks, signs, zeros; only 1 switches on")
            << file({{1, " 005"}, {17, "+9 "}, {18, "-1"}, {19, "2"}, {20, " C:\\b "}}) << "9|0|0|0| C:\\b " << false;
        // Other sizes: the lines tell the size; the empty field before the first move as F-1.
        QTest::newRow("3 x 3: 13 lines") << file({{9, "8"}}, board(3, 0, 5)) << T << true;
        QTest::newRow("5 x 5, helped: 30 lines") << file({}, board(5, 23, 24)) + "1\r\n" << "17|1|0|1|" + QString(Turm) << true;
        QTest::newRow("6 x 6: 40 lines") << file({}, board(6, 3, 30)) << T << true;

        // A refused file: the problem's kind, and its line where it names one.
        using K = SavedGame::Problem::Kind;
        QTest::newRow("19 lines") << file().chopped(Turm.size() + 2) << refused(K::LineCount, 19) << false;
        QTest::newRow("22 lines") << file() + "1\r\n1\r\n" << refused(K::LineCount, 22) << false;
        QTest::newRow("3 x 3 board in 20 lines") << file({}, board(3, 0, 1) + " 9 10 11 12 13 14 15") << refused(K::NotABoard, 16) << false;
        QTest::newRow("5 x 5 with tile 23 twice") << file({{25, "23"}}, board(5, 0, 1)) << refused(K::NotABoard, 25) << false;
        QTest::newRow("6 x 6 counter") << file({{37, "x"}}, board(6, 0, 1)) << refused(K::NotANumber, 37) << false;
        const std::pair<int, QByteArray> numbers[] = {{1, "leer"}, {3, ""}, {17, "32768"}, {17, "-32769"}, {19, "True"}};
        for (const auto &n : numbers)
            QTest::addRow("line %d: %s", n.first, n.second.constData()) << file({n}) << refused(K::NotANumber, n.first) << false;
        for (const auto &b : {std::pair<int, QByteArray>{1, "16"}, {12, "0"}, {16, "5"}})   // 16: tile 5 twice, 11 missing
            QTest::addRow("tile %s on field %d", b.second.constData(), b.first) << file({b}) << refused(K::NotABoard, 16) << false;
        QTest::newRow("picture line a byte too long") << file({{20, longest + 'p'}}) << refused(K::PictureLineTooLong, 20) << false;
        QTest::newRow("3 x 3 picture line too long") << file({{13, longest + 'p'}}, board(3, 0, 1)) << refused(K::PictureLineTooLong, 13) << false;
        QTest::newRow("more than 1 MiB") << file({{20, QByteArray(2 << 20, 'y')}}) << refused(K::TooLarge) << false;
    }
    void reading()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, read);
        QFETCH(bool, exact);
        const QString path = m_dir.filePath("t.sav");
        QVERIFY(writeAll(path, content));
        SavedGame g = sentinel();
        SavedGame::Problem problem;
        QCOMPARE(SavedGame::read(path, &g, &problem), !read.startsWith('!'));
        if (read.startsWith('!')) {   // nothing of a refused file is used
            QCOMPARE(refused(problem.kind, problem.line), read);
            QCOMPARE(state(g), state(sentinel()));
            return;
        }
        QStringList fields;
        for (const QByteArray &line : content.split('\n').mid(0, g.fields.size()))
            fields << QString::number(line.trimmed().toShort());
        QCOMPARE(state(g), fields.join(' ') + '|' + read);
        if (exact)
            QCOMPARE(g.toBytes(), content);
    }

    void names()
    {
        const QString s = m_dir.path() + "/Saves/";
        for (const auto &[name, file] : {std::pair<QString, QString>{"Spiel 1", "Spiel 1.sav"},
                 {"Spiel.sav", "Spiel.sav"}, {"X.SAV", "X.SAV.sav"}, {"xsav", "xsav.sav"}}) {
            QVERIFY(!SavedGame::nameError(name));
            QCOMPARE(SavedGame::savePath(name), s + file);   // built on loadPath, the name as it is
        }
        // No name reaches outside the folder.
        using K = SavedGame::Problem::Kind;
        for (const auto &[name, reason] : {std::pair<QString, K>{"", K::NameBlank}, {" \t", K::NameBlank},
                 {"..", K::NameReserved}, {".", K::NameReserved}, {"../p.cxa", K::NameSeparator}, {"..\\x", K::NameSeparator},
                 {"a\nb", K::NameControl}, {QString(QChar(0)) + "x", K::NameControl},
                 {"a\x7f", K::NameControl}, {QString("a") + QChar(0x85), K::NameControl},
                 // not the form the list shows: hexadecimal in small letters, a slash written out
                 {"Zug\\x0a2.sav (maskiert)", K::NameSeparator}, {"a\\x2F.sav (maskiert)", K::NameSeparator}})
            QVERIFY2(SavedGame::nameError(name).kind == reason, qPrintable(name));
        // The dialog puts every problem into words of its own, naming the line concerned.
        QSet<QString> texts;
        for (int k = int(K::NameBlank); k <= int(K::CannotDelete); ++k)
            texts << frmLoad::problemText({K(k), 7, "x"});
        QVERIFY(texts.size() == int(K::CannotDelete) && !texts.contains(QString()));
        QCOMPARE(frmLoad::problemText({K::NotANumber, 7, {}}), "Zeile 7 ist keine ganze Zahl zwischen -32768 und 32767.");
        QCOMPARE(frmLoad::problemText({K::NotABoard, 16, {}}), "Die Zeilen 1 bis 16 ergeben kein Spielfeld: jeder Stein von 0 "
                                                             "bis 14 muss genau einmal vorkommen und das leere Feld (100 oder 15) genau einmal.");
    }

    // Regular files "*.sav" in any case, hidden, not UTF-8 or holding a
    // control character, sorted without case; saving and deleting by the
    // listed name.
    void listing()
    {
        QCOMPARE(SavedGame::list(), QStringList());   // no folder yet
        QVERIFY(SavedGame::ensureFolder());
        const QString s = SavedGame::folder() + '/';
        for (const char *n : {"b.sav", "A.sav", "a2.sav", "C.sav", ".sav", "D.SAV", "Notiz.txt", "sav", "x.sav.bak"})
            QVERIFY(writeAll(s + n, "x"));
        QCOMPARE(::mkfifo(QFile::encodeName(s + "fifo.sav").constData(), 0600), 0);
        const QByteArray latin1 = QFile::encodeName(s) + "Sp\xE9l.sav";
        QVERIFY(writeAll(s + "tmp", file()));
        QCOMPARE(::rename(QFile::encodeName(s + "tmp").constData(), latin1.constData()), 0);
        QVERIFY(writeAll(s + "Spél.sav", "utf-8"));   // looks alike, but is another file
        // a control character (one row each, not two) and a backslash, written out; a Latin-1 one too
        const QByteArray euro = QFile::encodeName(s) + "\x80\x7F.sav";
        for (const QString &n : {"Zug\n2.sav", "a\\b.sav", "tmp"})
            QVERIFY(writeAll(s + n, file()));
        QCOMPARE(::rename(QFile::encodeName(s + "tmp").constData(), euro.constData()), 0);
        const QStringList shown = {"Spél.sav (Latin-1)", "Zug\\x0A2.sav (maskiert)", "a\\x5Cb.sav (maskiert)", "\\x80\\x7F.sav (Latin-1)"};
        QCOMPARE(SavedGame::list(), (QStringList{".sav", shown[3], "A.sav", "a2.sav", shown[2], "b.sav", "C.sav", "D.SAV", "Spél.sav",
                                                 shown[0], shown[1]}));

        // The listed name leads back to the same bytes: saved over, read, deleted.
        SavedGame g;
        const SavedGame played(GameState{solvedLayout(), 3, false, true, "x", false});
        SavedGame::Problem problem;
        const QList<QByteArray> bytes = {latin1, QFile::encodeName(s + "Zug\n2.sav"), QFile::encodeName(s + "a\\b.sav"), euro};
        for (int i = 0; i < bytes.size(); ++i) {
            QVERIFY(!SavedGame::nameError(shown[i]) && SavedGame::saveFile(shown[i]).bytes == bytes[i]);
            QVERIFY(played.write(SavedGame::saveFile(shown[i]), &problem) && readAll(s + "Spél.sav") == "utf-8");
            QVERIFY(SavedGame::read(SavedGame::loadFile(shown[i]), &g, &problem));
            QCOMPARE(state(g), state(played));
            QVERIFY(SavedGame::remove(SavedGame::loadFile(shown[i]), &problem));
            QVERIFY(::access(bytes[i].constData(), F_OK) != 0 && readAll(s + "Spél.sav") == "utf-8");
        }

        // A save or delete that fails leaves the old file whole.
        const QString path = SavedGame::savePath("spiel");
        QVERIFY(g.write(path, &problem));
        ReadOnlyFolder lock(SavedGame::folder());
        if (!lock.ok())
            QSKIP("cannot make the folder read-only here");
        QVERIFY(!sentinel().write(path, &problem) && problem.kind == SavedGame::Problem::Kind::CannotWrite && problem.subject == path);
        QVERIFY(!SavedGame::remove(FileAccess::NativePath{QFile::encodeName(path)}, &problem)
                && problem.kind == SavedGame::Problem::Kind::CannotDelete && problem.subject == QFileInfo(path).fileName());
        QCOMPARE(readAll(path), played.toBytes());
    }
};

QTEST_GUILESS_MAIN(TestSavedGame)
#include "test_savedgame.moc"
