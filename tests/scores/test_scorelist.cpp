// The top-ten list without its window: ranking, reading, resetting and the
// exact bytes of scr.cxa.
#include "scores/ScoreList.h"

#include "FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

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
    }

    void scoreValue()
    {
        const std::pair<const char *, int> rows[] = {{"37    ", 37}, {" 37", 37}, {"3 7   ", 37}, {"\t9", 9},
            {"12ab  ", 12}, {"abc   ", 0}, {"", 0}, {"- 5   ", -5}, {"+8", 8}, {"-", 0},
            {"99999999999999", 2147483647}, {"-99999999999999", -2147483647 - 1}};
        for (const auto &[text, value] : rows)
            QVERIFY2(ScoreList::scoreValue(text) == value, text);
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
    void tailAfterTheList()
    {
        for (const qint64 tailSize : {qint64(25), qint64(ScoreList::MaxTail), ScoreList::MaxTail + 1LL, 4LL << 30}) {
            const bool kept = tailSize <= ScoreList::MaxTail;
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
    }

    // What stands in the file's place. Rows: whether it reads, the first row
    // then, and whether writes succeed. A link is read through but replaced,
    // not written through; a FIFO is never waited for. A write that fails
    // changes neither the rows nor what stands there.
    void whatStandsInTheFilesPlace_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("reads");
        QTest::addColumn<QString>("first");
        QTest::addColumn<bool>("writes");
        const QString a30 = "30    |A              ", hanno = "0     |Hanno Holzbein ";
        QTest::newRow("link out of the folder") << "link" << true << a30 << true;
        QTest::newRow("fifo") << "fifo" << false << "|" << true;
        QTest::newRow("full disk") << "full disk" << true << a30 << false;
        QTest::newRow("unreadable: its tail would be lost") << "unreadable" << false << "|" << false;
        QTest::newRow("a folder") << "folder" << false << "|" << false;
        QTest::newRow("missing, cannot be created: default list") << "no folder" << false << hanno << false;
    }
    void whatStandsInTheFilesPlace()
    {
        QFETCH(QString, kind);
        QFETCH(bool, reads);
        QFETCH(QString, first);
        QFETCH(bool, writes);
        QTemporaryDir dir;
        const QString file = dir.filePath(kind == "no folder" ? "plain/scr.cxa" : "scr.cxa");
        const QString other = kind == "link" ? m_dir.filePath("target") : kind == "folder" ? file + "/in" : dir.filePath("plain");
        const QByteArray before = listFile({rec("30", "A")});
        if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        else if (kind == "folder")
            QVERIFY(QDir().mkpath(other));
        else
            QVERIFY(writeAll(kind == "link" || kind == "no folder" ? other : file, before));
        if (kind == "link")
            QVERIFY(QFile::link(other, file));
        if (kind == "unreadable" && (::geteuid() == 0 || !QFile::setPermissions(file, QFile::WriteOwner)))
            QSKIP("permission bits do not stop root from reading");
        ScoreList list(file);
        QCOMPARE(list.read(), reads);
        const QStringList shown = texts(list);
        QCOMPARE(shown[0], first);
        std::optional<FileSizeLimit> limit;
        if (kind == "full disk")
            limit.emplace(100);
        QCOMPARE(list.place(20, "B"), writes ? ScoreList::Placing::Placed : ScoreList::Placing::Failed);
        QCOMPARE(list.reset(), writes);
        limit.reset();
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
        if (writes) {
            QCOMPARE(readAll(file), listFile({}));
            QVERIFY(QFileInfo(file).isFile() && !QFileInfo(file).isSymLink());
        } else {
            QVERIFY(list.errorString().contains("scr.cxa"));
            QCOMPARE(texts(list), shown);
        }
        if (kind == "link" || kind == "no folder")   // the link's target, the file where the folder should be
            QCOMPARE(readAll(other), before);
        if (kind == "full disk" || kind == "unreadable")
            QCOMPARE(readAll(file), before);
        if (kind == "folder")
            QVERIFY(QFileInfo(other).isDir());
    }
};

QTEST_GUILESS_MAIN(TestScoreList)
#include "test_scorelist.moc"
