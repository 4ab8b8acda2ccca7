// The top-ten list without its window: ranking, reading, resetting and the
// exact bytes of scr.cxa.
#include "scores/ScoreList.h"

#include "FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// One 21-byte record, padded by hand: 6 bytes of score, 15 of name.
QByteArray rec(const QByteArray &score, const QByteArray &name)
{
    return score.leftJustified(6, ' ', true) + name.leftJustified(15, ' ', true);
}

const QByteArray DefaultRecord("0     Hanno Holzbein ");

// A list file: the given records, then default records up to ten.
QByteArray listFile(const QList<QByteArray> &records)
{
    QByteArray bytes;
    for (const QByteArray &r : records)
        bytes += r;
    for (qsizetype i = records.size(); i < 10; ++i)
        bytes += DefaultRecord;
    return bytes;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

ino_t inode(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_ino;
}

QStringList scoreTexts(const ScoreList &list)
{
    QStringList out;
    for (const auto &r : list.rows())
        out << r.score;
    return out;
}

QStringList nameTexts(const ScoreList &list)
{
    QStringList out;
    for (const auto &r : list.rows())
        out << r.name;
    return out;
}

// Texts of rows 0..9: the given ones, then those of default records.
QStringList defaultScoresAfter(QStringList scores)
{
    while (scores.size() < 10)
        scores << QStringLiteral("0     ");
    return scores;
}
QStringList defaultNamesAfter(QStringList names)
{
    while (names.size() < 10)
        names << QStringLiteral("Hanno Holzbein ");
    return names;
}

bool FileInfoIsPlainFile(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool runningAsRoot()
{
    return ::geteuid() == 0;
}

} // namespace

class TestScoreList : public QObject
{
    Q_OBJECT
private slots:
    void ranking_data();
    void ranking();
    void scoreValue_data();
    void scoreValue();
    void missingFileBecomesDefaultList();
    void shortFile();
    void tailAfterTheList_data();
    void tailAfterTheList();
    void whatStandsInTheFilesPlace_data();
    void whatStandsInTheFilesPlace();
    void failedWriteChangesNothing();
    void nonNumericScoreField();
    void windows1252Names();
    void nameCutToWholeCharacters();
    void unreadableFileIsNeverOverwritten();
    void pathThatCannotBeWritten();

private:
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("scr.cxa")); }
};

void TestScoreList::ranking_data()
{
    QTest::addColumn<bool>("noFile");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<int>("z");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("row");          // -1: does not make the list
    QTest::addColumn<QStringList>("scores");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("empty default list, 57")
        << true << QByteArray() << 57 << "Anna" << 0
        << defaultScoresAfter({"57"}) << defaultNamesAfter({"Anna"})
        << listFile({rec("57", "Anna")});

    const QByteArray l30404050 = listFile({rec("30", "A"), rec("40", "B"), rec("40", "C"), rec("50", "D")});
    QTest::newRow("tie goes above the equal scores")
        << false << l30404050 << 40 << "Neu" << 1
        << defaultScoresAfter({"30    ", "40", "40    ", "40    ", "50    "})
        << defaultNamesAfter({"A              ", "Neu", "B              ", "C              ", "D              "})
        << listFile({rec("30", "A"), rec("40", "Neu"), rec("40", "B"), rec("40", "C"), rec("50", "D")});

    const QByteArray l3040 = listFile({rec("30", "A"), rec("40", "B")});
    QTest::newRow("first free slot")
        << false << l3040 << 45 << "Neu" << 2
        << defaultScoresAfter({"30    ", "40    ", "45"})
        << defaultNamesAfter({"A              ", "B              ", "Neu"})
        << listFile({rec("30", "A"), rec("40", "B"), rec("45", "Neu")});

    QTest::newRow("best result goes to the top")
        << false << l3040 << 20 << "Neu" << 0
        << defaultScoresAfter({"20", "30    ", "40    "})
        << defaultNamesAfter({"Neu", "A              ", "B              "})
        << listFile({rec("20", "Neu"), rec("30", "A"), rec("40", "B")});

    QTest::newRow("equal first place is pushed down")
        << false << l3040 << 30 << "Neu" << 0
        << defaultScoresAfter({"30", "30    ", "40    "})
        << defaultNamesAfter({"Neu", "A              ", "B              "})
        << listFile({rec("30", "Neu"), rec("30", "A"), rec("40", "B")});

    // A full list whose worst score is 80. One score field carries a
    // leading blank: a rewrite would store it as "35", so an unchanged file
    // proves it was not rewritten.
    QList<QByteArray> full;
    const QList<QByteArray> fullScores{"10", "20", " 35", "40", "50", "55", "60", "70", "75", "80"};
    QStringList fullScoreTexts, fullNameTexts;
    for (int k = 0; k < 10; ++k) {
        const QByteArray name = "Spieler " + QByteArray::number(k + 1);
        full << rec(fullScores[k], name);
        fullScoreTexts << QString::fromLatin1(fullScores[k]).leftJustified(6);
        fullNameTexts << QString::fromLatin1(name).leftJustified(15);
    }
    QTest::newRow("full list, 81 does not qualify")
        << false << listFile(full) << 81 << "Neu" << -1
        << fullScoreTexts << fullNameTexts << listFile(full);

    QStringList s80 = fullScoreTexts, n80 = fullNameTexts;
    s80[9] = "80";
    n80[9] = "Neu";
    QList<QByteArray> full80 = full;
    full80[2] = rec("35", "Spieler 3");
    full80[9] = rec("80", "Neu");
    QTest::newRow("full list, 80 replaces the old 80")
        << false << listFile(full) << 80 << "Neu" << 9 << s80 << n80 << listFile(full80);

    QTest::newRow("a count of 0 is placed at the top")
        << false << l3040 << 0 << "Null" << 0
        << defaultScoresAfter({"0", "30    ", "40    "})
        << defaultNamesAfter({"Null", "A              ", "B              "})
        << listFile({rec("0", "Null"), rec("30", "A"), rec("40", "B")});

    // The 0 row now is a free slot: the next result of any size goes above it.
    QTest::newRow("a row holding 0 is a free slot")
        << false << listFile({rec("0", "Null"), rec("30", "A"), rec("40", "B")}) << 99 << "Neu" << 0
        << defaultScoresAfter({"99", "0     ", "30    ", "40    "})
        << defaultNamesAfter({"Neu", "Null           ", "A              ", "B              "})
        << listFile({rec("99", "Neu"), rec("0", "Null"), rec("30", "A"), rec("40", "B")});

    QTest::newRow("15-character name fills the field")
        << false << l3040 << 32767 << "ABCDEFGHIJKLMNO" << 2
        << defaultScoresAfter({"30    ", "40    ", "32767"})
        << defaultNamesAfter({"A              ", "B              ", "ABCDEFGHIJKLMNO"})
        << listFile({rec("30", "A"), rec("40", "B"), QByteArray("32767 ABCDEFGHIJKLMNO")});
}

void TestScoreList::ranking()
{
    QFETCH(bool, noFile);
    QFETCH(QByteArray, before);
    QFETCH(int, z);
    QFETCH(QString, name);
    QFETCH(int, row);
    QFETCH(QStringList, scores);
    QFETCH(QStringList, names);
    QFETCH(QByteArray, after);

    QFile::remove(path());
    if (!noFile)
        QVERIFY(writeAll(path(), before));

    ScoreList list(path());
    QVERIFY(list.read());
    const ino_t inodeBefore = inode(path());

    int placedAt = -2;
    const ScoreList::Placing result = list.place(qint16(z), name, &placedAt);
    QCOMPARE(result, row < 0 ? ScoreList::Placing::NotPlaced : ScoreList::Placing::Placed);
    QCOMPARE(placedAt, row);
    QCOMPARE(scoreTexts(list), scores);
    QCOMPARE(nameTexts(list), names);
    QCOMPARE(readAll(path()), after);
    if (row < 0)
        QCOMPARE(inode(path()), inodeBefore);  // not even replaced by the same bytes

    // What the window shows after the next loading equals what it showed.
    ScoreList again(path());
    QVERIFY(again.read());
    for (int k = 0; k < 10; ++k)
        QCOMPARE(again.value(k), list.value(k));
}

void TestScoreList::scoreValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("padded") << "37    " << 37;
    QTest::newRow("leading blank") << " 37" << 37;
    QTest::newRow("blanks between digits") << "3 7   " << 37;
    QTest::newRow("tab") << "\t9" << 9;
    QTest::newRow("digits then letters") << "12ab  " << 12;
    QTest::newRow("letters") << "abc   " << 0;
    QTest::newRow("letter first") << "x12" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("blanks only") << "      " << 0;
    QTest::newRow("zero") << "0     " << 0;
    QTest::newRow("negative") << "-5    " << -5;
    QTest::newRow("plus") << "+8" << 8;
    QTest::newRow("sign only") << "-" << 0;
    QTest::newRow("huge saturates") << "99999999999999" << 2147483647;
}

void TestScoreList::scoreValue()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(ScoreList::scoreValue(text), value);
}

void TestScoreList::missingFileBecomesDefaultList()
{
    QFile::remove(path());
    ScoreList list(path());
    QVERIFY(list.read());
    QCOMPARE(readAll(path()), listFile({}));
    for (int k = 0; k < 10; ++k) {
        QCOMPARE(list.row(k).nr, QString::number(k + 1));
        QCOMPARE(list.row(k).name, QStringLiteral("Hanno Holzbein "));
        QCOMPARE(list.row(k).score, QStringLiteral("0     "));
    }
}

void TestScoreList::shortFile()
{
    // Two whole records and the start of a third: rows 2..9 are free slots.
    QVERIFY(writeAll(path(), rec("30", "A") + rec("40", "B") + "55    Hal"));
    ScoreList list(path());
    QVERIFY(list.read());
    QCOMPARE(list.row(1).score, QStringLiteral("40    "));
    for (int k = 2; k < 10; ++k) {
        QCOMPARE(list.value(k), 0);
        QCOMPARE(list.row(k).score, QStringLiteral("0     "));
        QCOMPARE(list.row(k).name, QString(15, QLatin1Char(' ')));
    }
    int row = -1;
    QCOMPARE(list.place(50, QStringLiteral("C"), &row), ScoreList::Placing::Placed);
    QCOMPARE(row, 2);
    QByteArray expected = rec("30", "A") + rec("40", "B") + rec("50", "C");
    for (int k = 3; k < 10; ++k)
        expected += rec("0", "");
    QCOMPARE(readAll(path()), expected);
}

void TestScoreList::tailAfterTheList_data()
{
    QTest::addColumn<qint64>("tailSize");
    QTest::addColumn<bool>("kept");
    QTest::newRow("a few bytes") << qint64(25) << true;
    QTest::newRow("the longest tail kept") << qint64(ScoreList::MaxTail) << true;
    QTest::newRow("one byte more") << qint64(ScoreList::MaxTail + 1) << false;
    QTest::newRow("sparse 4 GiB") << (qint64(4) << 30) << false;
}

void TestScoreList::tailAfterTheList()
{
    // Record 11 holds a better score: it is never read. A tail of sane
    // length stays as it is; a longer one is dropped, not copied.
    QFETCH(qint64, tailSize);
    QFETCH(bool, kept);
    QByteArray tail;
    if (tailSize <= ScoreList::MaxTail + 1) {
        tail = rec("1", "Elfter") + QByteArray(int(tailSize) - 21, '\0');
        for (qsizetype i = 21; i < tail.size(); ++i)
            tail[i] = char(i * 31 % 251);
    }
    QVERIFY(writeAll(path(), listFile({rec("30", "A")}) + tail));
    if (tail.isEmpty())
        QVERIFY(QFile::resize(path(), 210 + tailSize));
    ScoreList list(path());
    QVERIFY(list.read());
    QCOMPARE(list.value(0), 30);
    QCOMPARE(list.value(1), 0);
    QCOMPARE(list.place(20, QStringLiteral("B")), ScoreList::Placing::Placed);
    const QByteArray after = listFile({rec("20", "B"), rec("30", "A")});
    QCOMPARE(readAll(path()), kept ? after + tail : after);
    QVERIFY(list.reset());
    QCOMPARE(readAll(path()), kept ? listFile({}) + tail : listFile({}));
}

void TestScoreList::whatStandsInTheFilesPlace_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("link out of the folder") << "link";
    QTest::newRow("fifo") << "fifo";
}

void TestScoreList::whatStandsInTheFilesPlace()
{
    // A link is read through but never written through: the reset replaces
    // the link by the list. A FIFO is never waited for: the list cannot be
    // read, and the reset puts the list in its place.
    QFETCH(QString, kind);
    QTemporaryDir dir, outside;
    const QString file = dir.filePath(QStringLiteral("scr.cxa"));
    const QString target = outside.filePath(QStringLiteral("target"));
    const QByteArray before = listFile({rec("30", "A")});
    if (kind == "link")
        QVERIFY(writeAll(target, before) && QFile::link(target, file));
    else
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    ScoreList list(file);
    QCOMPARE(list.read(), kind == "link");
    QCOMPARE(list.value(0), kind == "link" ? 30 : 0);
    QVERIFY(list.reset());
    QCOMPARE(readAll(file), listFile({}));
    QVERIFY(FileInfoIsPlainFile(file));
    if (kind == "link")
        QCOMPARE(readAll(target), before);
}

void TestScoreList::failedWriteChangesNothing()
{
    // The file system refuses the new file: rows and file stay as they were.
    const QByteArray before = listFile({rec("30", "A"), rec("40", "B")}) + "tail";
    QVERIFY(writeAll(path(), before));
    ScoreList list(path());
    QVERIFY(list.read());
    {
        FileSizeLimit limit(100);
        QVERIFY(limit.active());
        QCOMPARE(list.place(20, QStringLiteral("C")), ScoreList::Placing::Failed);
        QVERIFY(!list.reset());
    }
    QVERIFY(list.errorString().contains(QStringLiteral("scr.cxa")));
    QCOMPARE(scoreTexts(list), defaultScoresAfter({"30    ", "40    "}));
    QCOMPARE(nameTexts(list), defaultNamesAfter({"A              ", "B              "}));
    QCOMPARE(readAll(path()), before);
}

void TestScoreList::nonNumericScoreField()
{
    // Shown unchanged, counted as a free slot, written back as "0".
    QVERIFY(writeAll(path(), listFile({rec("30", "A"), rec("abc", "B"), rec(" 37", "C")})));
    ScoreList list(path());
    QVERIFY(list.read());
    QCOMPARE(list.row(1).score, QStringLiteral("abc   "));
    QCOMPARE(list.row(2).score, QStringLiteral(" 37   "));
    QCOMPARE(list.value(1), 0);
    QCOMPARE(list.value(2), 37);
    int row = -1;
    QCOMPARE(list.place(50, QStringLiteral("D"), &row), ScoreList::Placing::Placed);
    QCOMPARE(row, 1);  // the non-numeric row is a free slot
    QCOMPARE(list.row(2).score, QStringLiteral("abc   "));  // rows keep their texts
    QCOMPARE(readAll(path()),
             listFile({rec("30", "A"), rec("50", "D"), rec("0", "B"), rec("37", "C")}));
}

void TestScoreList::windows1252Names()
{
    // Stored names in Windows-1252, including bytes 0x80..0x9F, read as text
    // and written back byte for byte when their rows move.
    const QByteArray stored("M\xfcller \x80\x9f\x8a\xdf", 11);
    QVERIFY(writeAll(path(), listFile({rec("30", stored)})));
    ScoreList list(path());
    QVERIFY(list.read());
    QCOMPARE(list.row(0).name, QStringLiteral("Müller €ŸŠß    "));
    QCOMPARE(list.place(20, QStringLiteral("Jörg Weiß")), ScoreList::Placing::Placed);
    QCOMPARE(readAll(path()), listFile({rec("20", "J\xf6rg Wei\xdf"), rec("30", stored)}));

    // Characters the code page lacks: one '?' each, a character outside
    // the BMP included; the record keeps its 21 bytes.
    const QString foreign = QStringLiteral("Zoë Ω中") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("!");
    QCOMPARE(list.place(10, foreign), ScoreList::Placing::Placed);
    QCOMPARE(list.row(0).name, foreign);
    QCOMPARE(readAll(path()),
             listFile({rec("10", "Zo\xeb ???" "!"), rec("20", "J\xf6rg Wei\xdf"), rec("30", stored)}));
}

void TestScoreList::nameCutToWholeCharacters()
{
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    const QString twenty = QStringLiteral("ABCDEFGHIJKLMNOPQRST");
    QCOMPARE(ScoreList::firstCharacters(twenty, 15), QStringLiteral("ABCDEFGHIJKLMNO"));
    QCOMPARE(ScoreList::firstCharacters(QStringLiteral("  "), 15), QStringLiteral("  "));
    // Fourteen letters and an emoji: the emoji is the fifteenth character.
    const QString mixed = QStringLiteral("ABCDEFGHIJKLMN") + emoji + QStringLiteral("XYZ");
    QCOMPARE(ScoreList::firstCharacters(mixed, 15), QStringLiteral("ABCDEFGHIJKLMN") + emoji);
    // Fifteen emoji are 30 UTF-16 units and 15 bytes in the record.
    QString many;
    for (int i = 0; i < 20; ++i)
        many += emoji;
    const QString cut = ScoreList::firstCharacters(many, 15);
    QCOMPARE(cut.size(), 30);
    const QByteArray r = ScoreList::record(QStringLiteral("7"), cut);
    QCOMPARE(r, QByteArray("7     ???????????????"));
}

void TestScoreList::unreadableFileIsNeverOverwritten()
{
    if (runningAsRoot())
        QSKIP("running as root: permission bits do not stop reads");
    const QByteArray before = listFile({rec("30", "A")}) + "tail";
    QVERIFY(writeAll(path(), before));
    QVERIFY(QFile::setPermissions(path(), QFile::WriteOwner));
    ScoreList list(path());
    QVERIFY(!list.read());
    QCOMPARE(list.place(20, QStringLiteral("C")), ScoreList::Placing::Failed);
    QVERIFY(!list.reset());
    QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(readAll(path()), before);
    QFile::remove(path());
}

void TestScoreList::pathThatCannotBeWritten()
{
    // Paths no one can write, root included: the file's name taken by a
    // folder, and a "folder" that is a regular file.
    QTemporaryDir dir;
    const QString folderNamed = dir.filePath(QStringLiteral("scr.cxa"));
    QVERIFY(QDir().mkpath(folderNamed + QStringLiteral("/inside")));
    ScoreList blocked(folderNamed);
    QVERIFY(!blocked.read());
    QVERIFY(!blocked.errorString().isEmpty());
    QCOMPARE(blocked.place(20, QStringLiteral("C")), ScoreList::Placing::Failed);
    QCOMPARE(blocked.value(0), 0);
    QCOMPARE(blocked.row(0).name, QString());    // the list shown stays as it was
    QVERIFY(!blocked.reset());
    QVERIFY(QFileInfo(folderNamed + QStringLiteral("/inside")).isDir());

    const QString notAFolder = dir.filePath(QStringLiteral("plain"));
    QVERIFY(writeAll(notAFolder, "x"));
    ScoreList missing(notAFolder + QStringLiteral("/scr.cxa"));
    QVERIFY(!missing.read());
    QVERIFY(missing.errorString().contains(QStringLiteral("scr.cxa")));
    for (int k = 0; k < 10; ++k)
        QCOMPARE(missing.row(k).name, QStringLiteral("Hanno Holzbein "));
    QCOMPARE(readAll(notAFolder), QByteArray("x"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plain"});
}

QTEST_GUILESS_MAIN(TestScoreList)
#include "test_scorelist.moc"
