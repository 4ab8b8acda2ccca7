// Where the game keeps the player's files: beside a writable executable, or
// in the player's data folder for an installed or read-only copy, whose own
// files stay untouched.
#include "base/ProgramFolder.h"
#include "scores/ReadOnlyPath.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size(), qPrintable(path));
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Every path below root, each file with its modification time and contents.
// (A folder's own time changes whenever anything probes it for writing.)
QStringList snapshot(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        QString entry = info.filePath();
        if (info.isFile())
            entry += QLatin1Char(' ') + QString::number(info.lastModified().toMSecsSinceEpoch()) + QLatin1Char(' ')
                     + QString::fromLatin1(
                         QCryptographicHash::hash(readFile(info.filePath()), QCryptographicHash::Sha1).toHex());
        entries << entry;
    }
    entries.sort();
    return entries;
}

const QByteArray Picture1("first picture bytes");
const QByteArray Picture2("second picture bytes");

} // namespace

class TestProgramFolder : public QObject
{
    Q_OBJECT
private slots:
    void isWritable_data();
    void isWritable();
    void choose_data();
    void choose();
    void laterStartKeepsThePlayersLibrary();
    void overrideServesFilesAndData();
};

void TestProgramFolder::isWritable_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("writable");
    QTest::newRow("temporary folder") << "tmp" << true;
    QTest::newRow("missing folder") << "missing" << false;
    QTest::newRow("a file, not a folder") << "file" << false;
    QTest::newRow("kernel file system") << "proc" << false;
    QTest::newRow("folder made read-only") << "readonly" << false;
}

void TestProgramFolder::isWritable()
{
    QFETCH(QString, kind);
    QFETCH(bool, writable);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QString folder = root.path();
    std::unique_ptr<ReadOnlyPath> lock;
    if (kind == QLatin1String("missing"))
        folder = root.filePath(QStringLiteral("nothing"));
    else if (kind == QLatin1String("file"))
        writeFile(folder = root.filePath(QStringLiteral("plain")), "x");
    else if (kind == QLatin1String("proc"))
        folder = QStringLiteral("/proc");
    else if (kind == QLatin1String("readonly")) {
        lock = std::make_unique<ReadOnlyPath>(folder);
        if (!lock->ok())
            QSKIP("this user can write into any folder (root without chattr)");
    }
    QCOMPARE(ProgramFolder::isWritable(folder), writable);
    // The probe leaves nothing behind.
    if (kind == QLatin1String("tmp"))
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

// Layouts: "build" = executable folder with Hand.cur and the library beside
// it, "installed" = prefix/bin with them in prefix/share/zandor, "both" = a
// build folder in a prefix that also has share/zandor, "bare" = an
// executable alone.
void TestProgramFolder::choose_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("besideExecutable");
    QTest::newRow("writable build folder") << "build" << false << true;
    QTest::newRow("writable executable alone") << "bare" << false << true;
    QTest::newRow("build folder beside an installed copy") << "both" << false << true;
    QTest::newRow("installed, prefix writable") << "installed" << false << false;
    QTest::newRow("installed, prefix read-only") << "installed" << true << false;
    QTest::newRow("read-only unpacked copy") << "build" << true << false;
}

void TestProgramFolder::choose()
{
    QFETCH(QString, layout);
    QFETCH(bool, readOnly);
    QFETCH(bool, besideExecutable);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString prefix = root.filePath(QStringLiteral("prefix"));
    const QString bin = prefix + QStringLiteral("/bin");
    const QString data = layout == QLatin1String("installed") ? prefix + QStringLiteral("/share/zandor") : bin;
    writeFile(bin + QStringLiteral("/zandor"), "executable");
    if (layout == QLatin1String("both"))
        writeFile(prefix + QStringLiteral("/share/zandor/Hand.cur"), "cursor");
    if (layout != QLatin1String("bare")) {
        writeFile(data + QStringLiteral("/Hand.cur"), "cursor");
        writeFile(data + QStringLiteral("/Images/originale/Eins.jpg"), Picture1);
        writeFile(data + QStringLiteral("/Images/originale/Zwei.bmp"), Picture2);
    }
    const QString dataHome = root.filePath(QStringLiteral("home/.local/share"));
    const QStringList before = snapshot(prefix);

    std::unique_ptr<ReadOnlyPath> lockBin, lockPrefix;
    if (readOnly) {
        lockPrefix = std::make_unique<ReadOnlyPath>(prefix);
        lockBin = std::make_unique<ReadOnlyPath>(bin);
        if (!lockBin->ok() || !lockPrefix->ok())
            QSKIP("this user can write into any folder (root without chattr)");
    }

    const QString chosen = ProgramFolder::choose(bin, dataHome);
    lockBin.reset();
    lockPrefix.reset();

    if (besideExecutable) {
        QCOMPARE(chosen, bin);
        QVERIFY(!QFileInfo::exists(dataHome));
        QCOMPARE(snapshot(prefix), before);
        return;
    }
    const QString home = dataHome + QStringLiteral("/zandor");
    QCOMPARE(chosen, home);
    // Created with the library, filled with the game's pictures byte for byte.
    QCOMPARE(QDir(home + QStringLiteral("/Images/originale")).entryList(QDir::Files),
             QStringList({QStringLiteral("Eins.jpg"), QStringLiteral("Zwei.bmp")}));
    QCOMPARE(readFile(home + QStringLiteral("/Images/originale/Eins.jpg")), Picture1);
    QCOMPARE(readFile(home + QStringLiteral("/Images/originale/Zwei.bmp")), Picture2);
    // Nothing of the game's own files changed, nothing was added beside them.
    QCOMPARE(snapshot(prefix), before);
}

void TestProgramFolder::laterStartKeepsThePlayersLibrary()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString bin = root.filePath(QStringLiteral("prefix/bin"));
    const QString share = root.filePath(QStringLiteral("prefix/share/zandor"));
    QVERIFY(QDir().mkpath(bin));
    writeFile(share + QStringLiteral("/Hand.cur"), "cursor");
    writeFile(share + QStringLiteral("/Images/originale/Eins.jpg"), Picture1);
    writeFile(share + QStringLiteral("/Images/originale/Zwei.bmp"), Picture2);
    const QString dataHome = root.filePath(QStringLiteral("data"));

    const QString home = ProgramFolder::choose(bin, dataHome);
    const QString library = home + QStringLiteral("/Images/originale");
    // The player drops one picture and replaces another with a picture of
    // their own; the next start leaves the library as the player left it.
    QVERIFY(QFile::remove(library + QStringLiteral("/Zwei.bmp")));
    writeFile(library + QStringLiteral("/Eins.jpg"), "the player's own");
    writeFile(home + QStringLiteral("/p.cxa"), "C:\\x\r\n");

    QCOMPARE(ProgramFolder::choose(bin, dataHome), home);
    QCOMPARE(QDir(library).entryList(QDir::Files), QStringList(QStringLiteral("Eins.jpg")));
    QCOMPARE(readFile(library + QStringLiteral("/Eins.jpg")), QByteArray("the player's own"));
    QCOMPARE(readFile(home + QStringLiteral("/p.cxa")), QByteArray("C:\\x\r\n"));
}

void TestProgramFolder::overrideServesFilesAndData()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    ProgramFolder::setPath(root.path() + QStringLiteral("/"));
    QCOMPARE(ProgramFolder::path(), root.path());
    QCOMPARE(ProgramFolder::file(QStringLiteral("Saves/a.sav")), root.path() + QStringLiteral("/Saves/a.sav"));
    QCOMPARE(ProgramFolder::resource(QStringLiteral("Hand.cur")), root.path() + QStringLiteral("/Hand.cur"));
    ProgramFolder::setPath(QString());
    // Without the override the test executable's own folder decides: it is
    // writable and holds no installed layout.
    QCOMPARE(ProgramFolder::path(), QCoreApplication::applicationDirPath());
    QCOMPARE(ProgramFolder::resource(QStringLiteral("Hand.cur")),
             QCoreApplication::applicationDirPath() + QStringLiteral("/Hand.cur"));
}

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "test_program_folder.moc"
