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

// A list file: the given records, then default records up to ten.
QByteArray listFile(const QList<QByteArray> &records)
{
    QByteArray bytes = records.join();
    while (bytes.size() < 210)
        bytes += "0     Hanno Holzbein ";
    return bytes;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

ino_t inode(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_ino : 0;
}

// The rows as "score|name" texts.
QStringList texts(const ScoreList &list)
{
    QStringList out;
    for (const auto &r : list.rows())
        out << r.score + '|' + r.name;
    return out;
}

} // namespace

class TestScoreList : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("scr.cxa")); }

private slots:
    // Rows: the file before (empty: none), the result placed, the row it goes
    // to (-1: not placed) and the file after.
    void ranking_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("z");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("row");
        QTest::addColumn<QByteArray>("after");
        const QByteArray a30 = rec("30", "A"), b40 = rec("40", "B");
        QTest::newRow("no file: the default list") << QByteArray() << 57 << "Anna" << 0 << listFile({rec("57", "Anna")});
        QTest::newRow("a tie goes above the equal scores")
            << listFile({a30, b40, rec("40", "C"), rec("50", "D")}) << 40 << "Neu" << 1
            << listFile({a30, rec("40", "Neu"), b40, rec("40", "C"), rec("50", "D")});
        QTest::newRow("first free slot, 15 characters fill the name")
            << listFile({a30, b40}) << 32767 << "ABCDEFGHIJKLMNO" << 2 << listFile({a30, b40, "32767 ABCDEFGHIJKLMNO"});
        QTest::newRow("best result to the top") << listFile({a30, b40}) << 20 << "Neu" << 0
                                                << listFile({rec("20", "Neu"), a30, b40});
        QTest::newRow("equal first place pushed down") << listFile({a30, b40}) << 30 << "Neu" << 0
                                                       << listFile({rec("30", "Neu"), a30, b40});
        QTest::newRow("a 0 on top is a free slot") << listFile({rec("0", "Null"), a30}) << 99 << "Neu" << 0
                                                   << listFile({rec("99", "Neu"), rec("0", "Null"), a30});
        // A non-numeric score is a free slot and written back as "0", a
        // padded one as its number; the name bytes come back in 1252.
        QTest::newRow("text score is a free slot, rewritten as numbers")
            << listFile({a30, rec("abc", "M\xfcller \x80\x9f\x8a\xdf"), rec(" 37", "C")}) << 50 << "Zoë Ω中\U0001F600!" << 1
            << listFile({a30, rec("50", "Zo\xeb ???!"), rec("0", "M\xfcller \x80\x9f\x8a\xdf"), rec("37", "C")});
        QTest::newRow("short file: missing rows are free")
            << a30 + b40 + "55    Hal" << 50 << "C" << 2 << a30 + b40 + rec("50", "C") + rec("0", "").repeated(7);
        QList<QByteArray> full;
        for (const char *s : {"10", "20", " 35", "40", "50", "55", "60", "70", "75", "80"})
            full << rec(s, "Spieler " + QByteArray(s).trimmed());
        // Not placed: the file is not even rewritten (" 35" would become "35").
        QTest::newRow("full list, 81 does not qualify") << full.join() << 81 << "Neu" << -1 << full.join();
        QList<QByteArray> after = full.mid(0, 9) << rec("80", "Neu");
        after[2] = rec("35", "Spieler 35");
        QTest::newRow("full list, 80 replaces the old 80") << full.join() << 80 << "Neu" << 9 << after.join();
    }
    void ranking()
    {
        QFETCH(QByteArray, before);
        QFETCH(int, z);
        QFETCH(QString, name);
        QFETCH(int, row);
        QFETCH(QByteArray, after);
        QFile::remove(path());
        QVERIFY(before.isEmpty() || writeAll(path(), before));
        ScoreList list(path());
        QVERIFY(list.read());
        QCOMPARE(readAll(path()), before.isEmpty() ? listFile({}) : before);
        const QStringList old = texts(list);
        const ino_t inodeBefore = inode(path());

        int placedAt = -2;
        QCOMPARE(list.place(qint16(z), name, &placedAt),
                 row < 0 ? ScoreList::Placing::NotPlaced : ScoreList::Placing::Placed);
        QCOMPARE(placedAt, row);
        QCOMPARE(readAll(path()), after);
        QStringList shown = old;   // the rows keep their texts, moved down below the new one
        if (row >= 0) {
            shown.insert(row, QString::number(z) + '|' + name);
            shown.removeLast();
        }
        QCOMPARE(texts(list), shown);
        if (row < 0)
            QCOMPARE(inode(path()), inodeBefore);
        ScoreList again(path());   // the next loading shows the same values
        QVERIFY(again.read());
        for (int k = 0; k < 10; ++k)
            QCOMPARE(again.value(k), list.value(k));
    }

    void scoreValue()
    {
        const std::pair<const char *, int> rows[] = {{"37    ", 37}, {" 37", 37}, {"3 7   ", 37}, {"\t9", 9},
            {"12ab  ", 12}, {"abc   ", 0}, {"", 0}, {"- 5   ", -5}, {"+8", 8}, {"-", 0},
            {"99999999999999", 2147483647}, {"-99999999999999", -2147483647 - 1}};
        for (const auto &[text, value] : rows)
            QVERIFY2(ScoreList::scoreValue(text) == value, qPrintable(QString("%1 gives %2").arg(text).arg(ScoreList::scoreValue(text))));
    }

    void nameCutToWholeCharacters()
    {
        const QString emoji = QString::fromUcs4(U"\U0001F600");
        QCOMPARE(ScoreList::firstCharacters("ABCDEFGHIJKLMN" + emoji + "XYZ", 15), "ABCDEFGHIJKLMN" + emoji);
        const QString cut = ScoreList::firstCharacters(emoji.repeated(20), 15);
        QCOMPARE(cut, emoji.repeated(15));
        QCOMPARE(ScoreList::record("7", cut), QByteArray("7     ???????????????"));
    }

    // A tail of sane length after record 10 stays as it is (a better score
    // there is never read); a longer one is dropped, not copied.
    void tailAfterTheList_data()
    {
        QTest::addColumn<qint64>("tailSize");
        QTest::addColumn<bool>("kept");
        QTest::newRow("a few bytes") << qint64(25) << true;
        QTest::newRow("the longest tail kept") << qint64(ScoreList::MaxTail) << true;
        QTest::newRow("one byte more") << qint64(ScoreList::MaxTail + 1) << false;
        QTest::newRow("sparse 4 GiB") << (qint64(4) << 30) << false;
    }
    void tailAfterTheList()
    {
        QFETCH(qint64, tailSize);
        QFETCH(bool, kept);
        QByteArray tail;
        for (qint64 i = 0; tailSize <= ScoreList::MaxTail + 1 && i < tailSize; ++i)
            tail += i < 21 ? rec("1", "Elfter").at(i) : char(i * 31 % 251);
        QVERIFY(writeAll(path(), listFile({rec("30", "A")}) + tail));
        QVERIFY(QFile::resize(path(), 210 + tailSize));
        ScoreList list(path());
        QVERIFY(list.read());
        QCOMPARE(list.place(20, QStringLiteral("B")), ScoreList::Placing::Placed);
        QCOMPARE(readAll(path()), listFile({rec("20", "B"), rec("30", "A")}) + (kept ? tail : ""));
        QVERIFY(list.reset());
        QCOMPARE(readAll(path()), listFile({}) + (kept ? tail : ""));
    }

    // A link is read through but never written through; a FIFO is never
    // waited for. The reset puts a plain file with the list in their place.
    void whatStandsInTheFilesPlace()
    {
        for (const bool link : {true, false}) {
            QTemporaryDir dir, outside;
            const QString file = dir.filePath("scr.cxa"), target = outside.filePath("target");
            if (link)
                QVERIFY(writeAll(target, listFile({rec("30", "A")})) && QFile::link(target, file));
            else
                QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
            ScoreList list(file);
            QCOMPARE(list.read(), link);
            QCOMPARE(list.value(0), link ? 30 : 0);
            QVERIFY(list.reset());
            QCOMPARE(readAll(file), listFile({}));
            QVERIFY(inode(file) != 0);
            if (link)
                QCOMPARE(readAll(target), listFile({rec("30", "A")}));
        }
    }

    // A write the file system refuses, a file that cannot be read (its tail
    // would be lost), a folder in the file's place: rows and file stay.
    void failedWritesChangeNothing()
    {
        const QByteArray before = listFile({rec("30", "A"), rec("40", "B")}) + "tail";
        QVERIFY(writeAll(path(), before));
        ScoreList list(path());
        QVERIFY(list.read());
        const QStringList shown = texts(list);
        {
            FileSizeLimit limit(100);
            QVERIFY(limit.active());
            QCOMPARE(list.place(20, QStringLiteral("C")), ScoreList::Placing::Failed);
            QVERIFY(!list.reset());
        }
        QVERIFY(list.errorString().contains(QStringLiteral("scr.cxa")));
        QCOMPARE(texts(list), shown);
        QCOMPARE(readAll(path()), before);

        if (::geteuid() != 0) {   // permission bits do not stop root from reading
            QVERIFY(QFile::setPermissions(path(), QFile::WriteOwner));
            QCOMPARE(list.place(20, QStringLiteral("C")), ScoreList::Placing::Failed);
            QVERIFY(!list.reset());
            QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner));
            QCOMPARE(readAll(path()), before);
        }

        QVERIFY(QFile::remove(path()) && QDir().mkpath(path() + "/inside"));
        ScoreList blocked(path());
        QVERIFY(!blocked.read());
        QCOMPARE(blocked.place(20, QStringLiteral("C")), ScoreList::Placing::Failed);
        QVERIFY(!blocked.reset());
        QCOMPARE(texts(blocked)[0], QStringLiteral("|"));   // rows as constructed
        QCOMPARE(blocked.row(9).nr, QStringLiteral("10"));
        QVERIFY(QFileInfo(path() + "/inside").isDir());
        QVERIFY(QDir(path()).removeRecursively());

        // Missing and cannot be created: the default list, not stored.
        ScoreList missing(m_dir.filePath("plain/scr.cxa"));
        QVERIFY(writeAll(m_dir.filePath("plain"), "x"));
        QVERIFY(!missing.read());
        QVERIFY(missing.errorString().contains(QStringLiteral("scr.cxa")));
        QCOMPARE(texts(missing)[9], QStringLiteral("0     |Hanno Holzbein "));
        QCOMPARE(readAll(m_dir.filePath("plain")), QByteArray("x"));
    }
};

QTEST_GUILESS_MAIN(TestScoreList)
#include "test_scorelist.moc"
