// The saved-game file: exact bytes, reading back, the checks of the reader,
// the name and path rules, the list of saved games and deleting.
#include "saves/SavedGame.h"

#include "LockedFolder.h"
#include "base/ProgramFolder.h"
#include "pictures/PictureReference.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QVector<qint16> Solved{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 100};

// The 20 lines of a file as a list, joined with CR LF at the end.
QByteArray fileOf(const QList<QByteArray> &lines)
{
    QByteArray out;
    for (const QByteArray &l : lines)
        out += l + "\r\n";
    return out;
}

QList<QByteArray> validLines()
{
    QList<QByteArray> l;
    for (qint16 v : QVector<qint16>{5, 1, 2, 3, 4, 0, 6, 7, 8, 9, 10, 100, 12, 13, 14, 11})
        l.append(QByteArray::number(v));
    l << "17" << "1" << "0" << "/home/spieler/Bilder/turm.jpg";
    return l;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

SavedGame sentinel()
{
    SavedGame g;
    g.fields = QVector<qint16>{9, 9, 9};
    g.zuege = 1234;
    g.imgvis = true;
    g.posAnz = true;
    g.bild = QStringLiteral("unverändert");
    return g;
}

} // namespace

class TestSavedGame : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        ProgramFolder::setPath(m_dir.path());
        QDir(m_dir.path() + "/Saves").removeRecursively();
    }
    void cleanupTestCase() { ProgramFolder::setPath(QString()); }

    void exactBytes_data()
    {
        QTest::addColumn<QVector<qint16>>("fields");
        QTest::addColumn<int>("zuege");
        QTest::addColumn<bool>("imgvis");
        QTest::addColumn<bool>("posAnz");
        QTest::addColumn<QString>("bild");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("hint");

        QTest::newRow("windows path, umlauts in 1252")
            << QVector<qint16>{3, 1, 2, 100, 0, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14} << 42 << true
            << false << QStringLiteral("C:\\Bilder\\Grüße.jpg")
            << QByteArray("3\r\n1\r\n2\r\n100\r\n0\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12\r\n"
                          "13\r\n14\r\n42\r\n1\r\n0\r\nC:\\Bilder\\Gr\xFC\xDF"
                          "e.jpg\r\n") << false;
        QTest::newRow("a hint was shown: a 21st line")
            << QVector<qint16>{3, 1, 2, 100, 0, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14} << 42 << true
            << false << QStringLiteral("C:\\Bilder\\Grüße.jpg")
            << QByteArray("3\r\n1\r\n2\r\n100\r\n0\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12\r\n"
                          "13\r\n14\r\n42\r\n1\r\n0\r\nC:\\Bilder\\Gr\xFC\xDF"
                          "e.jpg\r\n1\r\n") << true;
        QTest::newRow("before the first drop, euro sign")
            << QVector<qint16>{14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 15} << 0 << false
            << true << QStringLiteral("/home/x/Bilder/\u20AC 5.jpg")
            << QByteArray("14\r\n13\r\n12\r\n11\r\n10\r\n9\r\n8\r\n7\r\n6\r\n5\r\n4\r\n3\r\n2\r\n1\r\n"
                          "0\r\n15\r\n0\r\n0\r\n1\r\n/home/x/Bilder/\x80 5.jpg\r\n") << false;
        // (The UTF-8 reading is taken when it names an existing picture.)
        QTest::newRow("negative counter, path beyond 1252 in UTF-8, both on")
            << Solved << -7 << true << true << m_dir.filePath("\u4E2D.jpg")
            << QByteArray("0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12\r\n13\r\n"
                          "14\r\n100\r\n-7\r\n1\r\n1\r\n") + m_dir.filePath("\u4E2D.jpg").toUtf8() + "\r\n"
            << false;
        QTest::newRow("empty picture reference, largest counter")
            << Solved << 32767 << false << false << QString()
            << QByteArray("0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12\r\n13\r\n"
                          "14\r\n100\r\n32767\r\n0\r\n0\r\n\r\n") << false;
    }
    void exactBytes()
    {
        QFETCH(QVector<qint16>, fields);
        QFETCH(int, zuege);
        QFETCH(bool, imgvis);
        QFETCH(bool, posAnz);
        QFETCH(QString, bild);
        QFETCH(QByteArray, expected);
        QFETCH(bool, hint);

        SavedGame g;
        g.hintUsed = hint;
        g.fields = fields;
        g.zuege = qint16(zuege);
        g.imgvis = imgvis;
        g.posAnz = posAnz;
        g.bild = bild;
        QCOMPARE(g.toBytes(), expected);

        // Written to disk byte for byte, and read back to the same game.
        const QString path = m_dir.filePath("exact.sav");
        QString error;
        QVERIFY2(g.write(path, &error), qPrintable(error));
        QCOMPARE(readAll(path), expected);

        if (bild.startsWith(m_dir.path()))
            QVERIFY(writeBytes(bild, "picture"));
        SavedGame back;
        QVERIFY2(SavedGame::read(path, &back, &error), qPrintable(error));
        QCOMPARE(back.fields, fields);
        QCOMPARE(back.hintUsed, hint);
        QCOMPARE(int(back.zuege), zuege);
        QCOMPARE(back.imgvis, imgvis);
        QCOMPARE(back.posAnz, posAnz);
        QCOMPARE(back.bild, bild.isNull() ? QStringLiteral("") : bild);
    }

    void tolerantReading_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("zuege");
        QTest::addColumn<bool>("imgvis");
        QTest::addColumn<bool>("posAnz");
        QTest::addColumn<QString>("bild");

        QList<QByteArray> l = validLines();
        QTest::newRow("as written") << fileOf(l) << 17 << true << false
                                    << QStringLiteral("/home/spieler/Bilder/turm.jpg");
        QByteArray lf = fileOf(l);
        lf.replace("\r\n", "\n");
        QTest::newRow("LF only") << lf << 17 << true << false << QStringLiteral("/home/spieler/Bilder/turm.jpg");
        QByteArray noEnd = fileOf(l);
        noEnd.chop(2);
        QTest::newRow("no line end after line 20")
            << noEnd << 17 << true << false << QStringLiteral("/home/spieler/Bilder/turm.jpg");
        QTest::newRow("lines after 20 ignored")
            << fileOf(l + QList<QByteArray>{"Müll", "x"}) << 17 << true << false
            << QStringLiteral("/home/spieler/Bilder/turm.jpg");

        // Only exactly 1 switches on; -1 and 2 leave a switch off.
        l = validLines();
        l[16] = " +9 ";
        l[17] = "-1";
        l[18] = "2";
        l[19] = "  C:\\Bilder\\blank.jpg  ";
        QTest::newRow("blanks and sign around numbers, only 1 is on")
            << fileOf(l) << 9 << false << false << QStringLiteral("  C:\\Bilder\\blank.jpg  ");
        l = validLines();
        l[16] = "-32768";
        l[17] = "0";
        l[18] = "1";
        l[19] = "C:\\Gr\xFC\xDF" "e.jpg";
        QTest::newRow("smallest counter, 1252 path")
            << fileOf(l) << -32768 << false << true << QStringLiteral("C:\\Grüße.jpg");
        l = validLines();
        l[19] = "";
        QTest::newRow("empty picture line") << fileOf(l) << 17 << true << false << QStringLiteral("");
        l = validLines();
        l[0] = "005";
        QTest::newRow("leading zeros") << fileOf(l) << 17 << true << false
                                       << QStringLiteral("/home/spieler/Bilder/turm.jpg");
    }
    void tolerantReading()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, zuege);
        QFETCH(bool, imgvis);
        QFETCH(bool, posAnz);
        QFETCH(QString, bild);
        SavedGame g;
        QString error;
        QVERIFY2(SavedGame::fromBytes(content, &g, &error), qPrintable(error));
        QCOMPARE(g.fields, (QVector<qint16>{5, 1, 2, 3, 4, 0, 6, 7, 8, 9, 10, 100, 12, 13, 14, 11}));
        QCOMPARE(int(g.zuege), zuege);
        QCOMPARE(g.imgvis, imgvis);
        QCOMPARE(g.posAnz, posAnz);
        QCOMPARE(g.bild, bild);
    }

    void invalidFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");

        QTest::newRow("zero bytes") << QByteArray() << "weniger als 20 Zeilen";
        QTest::newRow("19 lines") << fileOf(validLines().mid(0, 19)) << "weniger als 20 Zeilen";
        QTest::newRow("binary garbage") << QByteArray("\x00\xFF\x13\x37\r\n\x89PNG", 10)
                                        << "weniger als 20 Zeilen";
        const struct {
            const char *name;
            int line;
            QByteArray value;
        } numbers[] = {
            {"text in line 1", 1, "leer"},
            {"empty line 3", 3, ""},
            {"decimal point in line 5", 5, "4.0"},
            {"exponent in line 8", 8, "1e1"},
            {"hex in line 10", 10, "0x9"},
            {"sign only in line 2", 2, "-"},
            {"blank inside in line 4", 4, "1 2"},
            {"counter 32768", 17, "32768"},
            {"counter -32769", 17, "-32769"},
            {"counter 20 digits", 17, "99999999999999999999"},
            {"counter text", 17, "viele"},
            {"preview switch text", 18, "ja"},
            {"position switch empty", 19, ""},
            {"position switch True", 19, "True"},
        };
        for (const auto &n : numbers) {
            QList<QByteArray> l = validLines();
            l[n.line - 1] = n.value;
            QTest::newRow(n.name) << fileOf(l) << QStringLiteral("Zeile %1 ist keine ganze Zahl").arg(n.line);
        }
        const struct {
            const char *name;
            int line;
            QByteArray value;
        } boards[] = {
            {"tile 16", 1, "16"},
            {"tile -1", 1, "-1"},
            {"index far outside", 6, "30000"},
            {"duplicate tile", 12, "0"},
        };
        for (const auto &b : boards) {
            QList<QByteArray> l = validLines();
            l[b.line - 1] = b.value;
            QTest::newRow(b.name) << fileOf(l) << "Die Zeilen 1 bis 16 ergeben kein Spielfeld";
        }
    }
    void invalidFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        SavedGame g = sentinel();
        QString error;
        QVERIFY(!SavedGame::fromBytes(content, &g, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(g.fields, sentinel().fields);
        QCOMPARE(g.zuege, sentinel().zuege);
        QCOMPARE(g.imgvis, true);
        QCOMPARE(g.posAnz, true);
        QCOMPARE(g.bild, sentinel().bild);

        // The same through the file reader.
        const QString path = m_dir.filePath("bad.sav");
        QVERIFY(writeBytes(path, content));
        error.clear();
        QVERIFY(!SavedGame::read(path, &g, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(g.zuege, sentinel().zuege);
    }

    void unreadableFiles()
    {
        SavedGame g = sentinel();
        QString error;
        QVERIFY(!SavedGame::read(m_dir.filePath("missing.sav"), &g, &error));
        QVERIFY(error.contains("nicht gelesen"));
        QVERIFY(QDir(m_dir.path()).mkpath("folder.sav"));
        error.clear();
        QVERIFY(!SavedGame::read(m_dir.filePath("folder.sav"), &g, &error));
        QVERIFY(error.contains("nicht gelesen"));
        QCOMPARE(g.zuege, sentinel().zuege);
    }

    // Reading stops after 1 MiB: a huge file with valid first lines loads,
    // one whose 20 lines do not end within the bound is refused.
    void hugeFiles()
    {
        const QString path = m_dir.filePath("huge.sav");
        QByteArray content = fileOf(validLines()) + QByteArray(2 * 1024 * 1024, 'x');
        QVERIFY(writeBytes(path, content));
        SavedGame g;
        QString error;
        QVERIFY2(SavedGame::read(path, &g, &error), qPrintable(error));
        QCOMPARE(g.bild, QStringLiteral("/home/spieler/Bilder/turm.jpg"));

        QList<QByteArray> l = validLines();
        l[19] = QByteArray(2 * 1024 * 1024, 'y');
        QVERIFY(writeBytes(path, fileOf(l)));
        g = sentinel();
        QVERIFY(!SavedGame::read(path, &g, &error));
        QVERIFY2(error.contains("zu groß"), qPrintable(error));
        QCOMPARE(g.zuege, sentinel().zuege);
    }

    void savePath_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("file");
        QTest::newRow("plain") << "Spiel 1" << "Spiel 1.sav";
        QTest::newRow("ends in .sav") << "Spiel.sav" << "Spiel.sav";
        QTest::newRow("capital .SAV") << "X.SAV" << "X.SAV.sav";
        QTest::newRow("mixed .Sav") << "x.Sav" << "x.Sav.sav";
        QTest::newRow("sav without dot") << "xsav" << "xsav.sav";
        QTest::newRow("just .sav") << ".sav" << ".sav";
        QTest::newRow("blanks kept") << " a " << " a .sav";
        QTest::newRow("umlaut") << "Grüße" << "Grüße.sav";
    }
    void savePath()
    {
        QFETCH(QString, name);
        QFETCH(QString, file);
        QVERIFY(SavedGame::nameError(name).isEmpty());
        QCOMPARE(SavedGame::savePath(name), m_dir.path() + "/Saves/" + file);
        QCOMPARE(SavedGame::loadPath(name), m_dir.path() + "/Saves/" + name);
    }

    void refusedNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << "" << "Namen";
        QTest::newRow("blanks") << "   " << "Namen";
        QTest::newRow("tab") << "\t" << "Namen";
        QTest::newRow("dot") << "." << "nicht erlaubt";
        QTest::newRow("dot dot") << ".." << "nicht erlaubt";
        QTest::newRow("slash") << "a/b" << "\"/\"";
        QTest::newRow("parent") << "../p.cxa" << "\"/\"";
        QTest::newRow("absolute") << "/etc/passwd" << "\"/\"";
        QTest::newRow("backslash") << "..\\x" << "\"\\\"";
        QTest::newRow("newline") << "a\nb" << "Steuerzeichen";
        QTest::newRow("nul") << QString(QChar(0)) + "x" << "Steuerzeichen";
        QTest::newRow("escape") << "a\x1b" << "Steuerzeichen";
        QTest::newRow("delete char") << "a\x7f" << "Steuerzeichen";
        QTest::newRow("C1 control") << QString("a") + QChar(0x85) << "Steuerzeichen";
    }
    void refusedNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        const QString error = SavedGame::nameError(name);
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY(error.endsWith('!'));
    }

    // The pattern matches without regard to case, so that "X.SAV" copied in
    // from elsewhere is offered too; a game saved as ".sav" (a hidden name
    // here) is listed as well.
    void listSortedWithoutCase()
    {
        QCOMPARE(SavedGame::list(), QStringList());   // no folder yet
        QVERIFY(SavedGame::ensureFolder());
        QVERIFY(QFileInfo(m_dir.path() + "/Saves").isDir());
        const QString s = m_dir.path() + "/Saves/";
        for (const char *n : {"b.sav", "A.sav", "a2.sav", "C.sav", ".sav", "D.SAV", "Notiz.txt", "sav", "x.sav.bak"})
            QVERIFY(writeBytes(s + n, "x"));
        QVERIFY(QDir(s).mkdir("ordner.sav"));
        QCOMPARE(SavedGame::list(), (QStringList{".sav", "A.sav", "a2.sav", "b.sav", "C.sav", "D.SAV"}));
    }

    void saveReplacesAtomically()
    {
        QVERIFY(SavedGame::ensureFolder());
        const QString path = SavedGame::savePath("spiel");
        SavedGame first;
        first.fields = Solved;
        first.zuege = 1;
        SavedGame second = first;
        second.zuege = 2;
        QString error;
        QVERIFY(first.write(path, &error));
        QVERIFY(second.write(path, &error));
        QCOMPARE(readAll(path), second.toBytes());
        QCOMPARE(QDir(m_dir.path() + "/Saves").entryList(QDir::Files | QDir::Hidden),
                 QStringList{"spiel.sav"});

        // A save that cannot be written leaves the old file whole.
        LockedFolder lock(m_dir.path() + "/Saves");
        if (!lock.ok())
            QSKIP("cannot make the folder read-only here");
        error.clear();
        QVERIFY(!first.write(path, &error));
        QVERIFY2(error.contains("kann nicht gespeichert werden"), qPrintable(error));
        QCOMPARE(readAll(path), second.toBytes());
    }

    void writeIntoMissingPlace()
    {
        SavedGame g;
        g.fields = Solved;
        QString error;
        QVERIFY(!g.write(m_dir.path() + "/nirgends/x.sav", &error));
        QVERIFY(error.contains("kann nicht gespeichert werden"));
        QVERIFY(!QFileInfo::exists(m_dir.path() + "/nirgends/x.sav"));
    }

    void removeFiles()
    {
        QVERIFY(SavedGame::ensureFolder());
        const QString path = SavedGame::savePath("weg");
        QVERIFY(writeBytes(path, "x"));
        QString error;
        QVERIFY(SavedGame::remove(path, &error));
        QVERIFY(!QFileInfo::exists(path));

        QVERIFY(writeBytes(path, "x"));
        LockedFolder lock(m_dir.path() + "/Saves");
        if (!lock.ok())
            QSKIP("cannot make the folder read-only here");
        QVERIFY(!SavedGame::remove(path, &error));
        QVERIFY2(error.contains("kann nicht gelöscht werden"), qPrintable(error));
        QVERIFY(QFileInfo::exists(path));
    }

    // ---- Reading guarded against what a player or another program put in
    // the folder: over-long picture lines, FIFOs, names that are not UTF-8.

    void pictureLineBounded_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("loads");
        QTest::newRow("longest path") << PictureReference::MaxPathBytes << true;
        QTest::newRow("one byte more") << PictureReference::MaxPathBytes + 1 << false;
        QTest::newRow("a megabyte") << 1024 * 1024 - 200 << false;
    }
    void pictureLineBounded()
    {
        QFETCH(int, length);
        QFETCH(bool, loads);
        QList<QByteArray> l = validLines();
        l[19] = "/" + QByteArray(length - 1, 'p');
        const QString path = m_dir.filePath("long.sav");
        QVERIFY(writeBytes(path, fileOf(l)));
        SavedGame g = sentinel();
        QString error;
        QCOMPARE(SavedGame::read(path, &g, &error), loads);
        QCOMPARE(g.bild.size(), loads ? length : sentinel().bild.size());
        if (!loads)
            QVERIFY2(error.contains("Zeile 20 ist zu lang"), qPrintable(error));
    }

    void fifoIsNeitherListedNorWaitedFor()
    {
        QVERIFY(SavedGame::ensureFolder());
        const QString fifo = SavedGame::savePath("fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(!SavedGame::list().contains("fifo.sav"));
        SavedGame g = sentinel();
        QString error;
        QVERIFY(!SavedGame::read(fifo, &g, &error));
        QVERIFY(error.contains("nicht gelesen"));
        QVERIFY(QFile::remove(fifo));
    }

    // A game saved by another system under a Latin-1 name is listed, loads
    // and can be deleted: the listed name leads back to the same bytes.
    void nameThatIsNotUtf8()
    {
        QVERIFY(SavedGame::ensureFolder());
        const QByteArray raw = QFile::encodeName(SavedGame::folder()) + "/Sp\xE9l.sav";
        FILE *f = ::fopen(raw.constData(), "wb");
        QVERIFY(f);
        const QByteArray content = fileOf(validLines());
        QCOMPARE(::fwrite(content.constData(), 1, size_t(content.size()), f), size_t(content.size()));
        ::fclose(f);
        QVERIFY(SavedGame::list().contains(QStringLiteral("Spél.sav")));
        SavedGame g;
        QString error;
        QVERIFY2(SavedGame::read(SavedGame::loadPath(QStringLiteral("Spél.sav")), &g, &error), qPrintable(error));
        QCOMPARE(g.zuege, qint16(17));
        QVERIFY(SavedGame::remove(SavedGame::loadPath(QStringLiteral("Spél.sav")), &error));
        QVERIFY(::access(raw.constData(), F_OK) != 0);
    }
};

QTEST_GUILESS_MAIN(TestSavedGame)
#include "test_savedgame.moc"
