// Where the game keeps the player's files: beside a writable executable, or
// in the player's data folder for an installed or read-only copy, whose own
// files stay untouched.
#include "base/FileAccess.h"
#include "base/ProgramFolder.h"
#include "TestFiles.h"

#include <QtTest>

#include <optional>

#include <pwd.h>
#include <unistd.h>

namespace {
void writeFile(const QString &path, const QByteArray &bytes)
{
    QVERIFY2(QDir().mkpath(QFileInfo(path).path()) && FileAccess::writeAtomically(path, bytes), qPrintable(path));
}

// Every path below root with each file's modification time and contents (a
// folder's own time changes whenever anything probes it for writing).
QStringList snapshot(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries << info.filePath() + (info.isFile() ? QString::number(info.lastModified().toMSecsSinceEpoch())
                                                         + readAll(info.filePath()) : QString());
    }
    entries.sort();
    return entries;
}
} // namespace

class TestProgramFolder : public QObject
{
    Q_OBJECT
private slots:
    // "build": Hand.cur and the library beside the executable; "installed": in
    // prefix/share/zandor; "both": a build folder in a prefix with share/zandor.
    void choose()
    {
        const std::tuple<QString, bool, bool> rows[] = {   // layout, read-only, files beside the executable
            {"build", false, true}, {"", false, true}, {"both", false, true}, {"installed", false, false}, {"build", true, false}};
        for (const auto &[layout, readOnly, besideExecutable] : rows) {
            QTemporaryDir root;
            const QString prefix = root.filePath("prefix"), bin = prefix + "/bin";
            const QString data = layout == "installed" ? prefix + "/share/zandor" : bin;
            writeFile(bin + "/zandor", "executable");
            if (layout == "both")
                writeFile(prefix + "/share/zandor/Hand.cur", "cursor");
            if (!layout.isEmpty()) {
                writeFile(data + "/Hand.cur", "cursor");
                writeFile(data + "/Images/originale/Eins.jpg", "first picture");
                writeFile(data + "/Images/originale/Zwei.bmp", "second picture");
            }
            const QString dataHome = root.filePath("data"), home = dataHome + "/zandor", library = home + "/Images/originale";
            const QStringList before = snapshot(prefix);
            std::optional<ReadOnlyFolder> lockPrefix, lockBin;
            if (readOnly && (!lockPrefix.emplace(prefix).ok() || !lockBin.emplace(bin).ok()))
                QSKIP("this user can write into any folder (root without chattr)");

            QCOMPARE(ProgramFolder::choose(bin, dataHome), besideExecutable ? bin : home);
            QCOMPARE(QFileInfo::exists(dataHome), !besideExecutable);
            QCOMPARE(snapshot(prefix), before);   // the game's own files untouched, nothing added
            if (besideExecutable)
                continue;
            QCOMPARE(QDir(library).entryList(QDir::Files), QStringList({"Eins.jpg", "Zwei.bmp"}));
            // A fill cut short (the disk full at the second picture) is finished at the next start.
            QVERIFY(QDir(home).removeRecursively());
            std::optional<FileSizeLimit> limit(13);
            QVERIFY(limit->active() && ProgramFolder::choose(bin, dataHome) == home);
            limit.reset();
            QCOMPARE(QDir(library).entryList(QDir::Files), QStringList("Eins.jpg"));
            QCOMPARE(ProgramFolder::choose(bin, dataHome), home);
            QCOMPARE(QDir(library).entryList(QDir::Files), QStringList({"Eins.jpg", "Zwei.bmp"}));
            // The next start leaves the library as the player left it, also
            // one filled by a version that kept no mark, once a picture was chosen.
            QVERIFY(QFile::remove(library + "/Zwei.bmp"));
            QCOMPARE(ProgramFolder::choose(bin, dataHome), home);
            QCOMPARE(QDir(library).entryList(QDir::Files), QStringList("Eins.jpg"));
            QVERIFY(QFile::remove(home + "/.library-filled") && writeAll(home + "/p.cxa", "/bild.jpg\r\n"));
            QCOMPARE(ProgramFolder::choose(bin, dataHome), home);
            QCOMPARE(QDir(library).entryList(QDir::Files), QStringList("Eins.jpg"));
        }
    }

    // Without HOME the user database names the home folder, never the root folder.
    void homeFolder()
    {
        const QByteArray home = qgetenv("HOME"), xdg = qgetenv("XDG_DATA_HOME");
        const auto restore = qScopeGuard([&] { qputenv("HOME", home), qputenv("XDG_DATA_HOME", xdg); });
        QVERIFY(qunsetenv("XDG_DATA_HOME"));
        const QString own = QFile::decodeName(::getpwuid(::getuid())->pw_dir);
        for (const auto &[value, expected] : {std::pair<const char *, QString>{nullptr, own}, {"/", own}, {"/x/y/", "/x/y"}}) {
            value ? qputenv("HOME", value) : qunsetenv("HOME");
            QCOMPARE(ProgramFolder::homeFolder(), expected);
            QCOMPARE(ProgramFolder::dataHome(), expected + "/.local/share");
        }
    }
};

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "test_program_folder.moc"
