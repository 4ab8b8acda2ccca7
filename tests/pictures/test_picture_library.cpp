// The picture library copy: pictures from outside are copied in and replace a
// library file of the same name; a picture that already is the library file
// is never touched.
#include "pictures/PictureLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The identity of a file's content on disk: device and inode.
QPair<quint64, quint64> identity(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {0, 0};
    return {quint64(st.st_dev), quint64(st.st_ino)};
}

QByteArray pictureBytes(char fill, int size = 70000)
{
    // Longer than one read chunk would be in a naive copy; content differs by fill.
    QByteArray b(size, fill);
    b.prepend("BM");
    return b;
}

} // namespace

class TestPictureLibrary : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void copiesOutsidePicture();
    void replacesSameNamedLibraryFile();
    void libraryFileStaysUntouched_data();
    void libraryFileStaysUntouched();
    void symlinkInLibraryIsReplacedNotFollowed();
    void missingLibraryFolder();
    void unreadableChoices_data();
    void unreadableChoices();
    void sameFile();

private:
    QTemporaryDir *m_dir = nullptr;
    QString m_program;
    QString m_library;
    QString m_outside;

    QStringList libraryEntries() const
    {
        return QDir(m_library).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
};

void TestPictureLibrary::init()
{
    m_dir = new QTemporaryDir;
    m_program = m_dir->filePath(QStringLiteral("Zandor"));
    m_library = PictureLibrary::folder(m_program);
    QVERIFY(QDir().mkpath(m_library));
    m_outside = m_dir->filePath(QStringLiteral("Fotos"));
    QVERIFY(QDir().mkpath(m_outside));
}

void TestPictureLibrary::cleanup()
{
    delete m_dir;
    m_dir = nullptr;
}

void TestPictureLibrary::copiesOutsidePicture()
{
    QCOMPARE(m_library, m_program + QStringLiteral("/Images/originale"));
    const QString chosen = m_outside + QStringLiteral("/Sonne.jpg");
    QVERIFY(writeFile(chosen, pictureBytes('a')));

    QVERIFY(PictureLibrary::copyIn(chosen, m_library));
    QCOMPARE(readFile(m_library + QStringLiteral("/Sonne.jpg")), pictureBytes('a'));
    QCOMPARE(readFile(chosen), pictureBytes('a'));
    // no temporary file is left behind
    QCOMPARE(libraryEntries(), QStringList{QStringLiteral("Sonne.jpg")});
}

void TestPictureLibrary::replacesSameNamedLibraryFile()
{
    const QString target = m_library + QStringLiteral("/Berg.bmp");
    QVERIFY(writeFile(target, pictureBytes('o', 200000)));   // old, longer
    const QString chosen = m_outside + QStringLiteral("/Berg.bmp");
    QVERIFY(writeFile(chosen, pictureBytes('n', 1000)));     // new, shorter

    QVERIFY(PictureLibrary::copyIn(chosen, m_library));
    QCOMPARE(readFile(target), pictureBytes('n', 1000));
    QCOMPARE(libraryEntries(), QStringList{QStringLiteral("Berg.bmp")});
}

void TestPictureLibrary::libraryFileStaysUntouched_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("same path") << QStringLiteral("same");
    QTest::newRow("path with ..") << QStringLiteral("dotdot");
    QTest::newRow("path with ./ and //") << QStringLiteral("dots");
    QTest::newRow("symlink to the library file") << QStringLiteral("symlink");
    QTest::newRow("symlinked library folder") << QStringLiteral("folderlink");
    QTest::newRow("hard link") << QStringLiteral("hardlink");
}

void TestPictureLibrary::libraryFileStaysUntouched()
{
    QFETCH(QString, how);
    const QString target = m_library + QStringLiteral("/Wiese.jpg");
    const QByteArray content = pictureBytes('w');
    QVERIFY(writeFile(target, content));
    const auto before = identity(target);

    QString chosen;
    if (how == QLatin1String("same")) {
        chosen = target;
    } else if (how == QLatin1String("dotdot")) {
        chosen = m_library + QStringLiteral("/../originale/Wiese.jpg");
    } else if (how == QLatin1String("dots")) {
        chosen = m_program + QStringLiteral("/./Images//originale/./Wiese.jpg");
    } else if (how == QLatin1String("symlink")) {
        chosen = m_outside + QStringLiteral("/Wiese.jpg");
        QVERIFY(QFile::link(target, chosen));
    } else if (how == QLatin1String("folderlink")) {
        const QString link = m_dir->filePath(QStringLiteral("Verknuepfung"));
        QVERIFY(QFile::link(m_library, link));
        chosen = link + QStringLiteral("/Wiese.jpg");
    } else if (how == QLatin1String("hardlink")) {
        chosen = m_outside + QStringLiteral("/Wiese.jpg");
        QVERIFY(::link(QFile::encodeName(target).constData(), QFile::encodeName(chosen).constData()) == 0);
    }
    QVERIFY(PictureLibrary::sameFile(chosen, target));

    QVERIFY(PictureLibrary::copyIn(chosen, m_library));
    QCOMPARE(readFile(target), content);
    QCOMPARE(identity(target), before);   // not even rewritten
    QCOMPARE(libraryEntries(), QStringList{QStringLiteral("Wiese.jpg")});
}

void TestPictureLibrary::symlinkInLibraryIsReplacedNotFollowed()
{
    // The library entry is a link to a file elsewhere; choosing another
    // picture of that name replaces the link and leaves the other file alone.
    const QString elsewhere = m_dir->filePath(QStringLiteral("anderswo.jpg"));
    QVERIFY(writeFile(elsewhere, pictureBytes('e')));
    const QString target = m_library + QStringLiteral("/Fluss.jpg");
    QVERIFY(QFile::link(elsewhere, target));
    const QString chosen = m_outside + QStringLiteral("/Fluss.jpg");
    QVERIFY(writeFile(chosen, pictureBytes('f')));

    QVERIFY(PictureLibrary::copyIn(chosen, m_library));
    QCOMPARE(readFile(elsewhere), pictureBytes('e'));
    QVERIFY(!QFileInfo(target).isSymLink());
    QCOMPARE(readFile(target), pictureBytes('f'));
}

void TestPictureLibrary::missingLibraryFolder()
{
    QVERIFY(QDir(m_library).removeRecursively());
    const QString chosen = m_outside + QStringLiteral("/See.jpg");
    QVERIFY(writeFile(chosen, pictureBytes('s')));

    QVERIFY(!PictureLibrary::copyIn(chosen, m_library));
    QVERIFY(!QFileInfo::exists(m_library));   // the folder is not created
    QCOMPARE(readFile(chosen), pictureBytes('s'));
}

void TestPictureLibrary::unreadableChoices_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing file") << QStringLiteral("missing");
    QTest::newRow("a folder") << QStringLiteral("folder");
    QTest::newRow("library entry is a folder") << QStringLiteral("targetfolder");
    QTest::newRow("no read permission") << QStringLiteral("noread");
}

void TestPictureLibrary::unreadableChoices()
{
    QFETCH(QString, kind);
    const QString target = m_library + QStringLiteral("/Bild.jpg");
    QString chosen = m_outside + QStringLiteral("/Bild.jpg");
    if (kind == QLatin1String("missing")) {
        QVERIFY(writeFile(target, pictureBytes('x')));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(writeFile(target, pictureBytes('x')));
        QVERIFY(QDir().mkpath(chosen));
    } else if (kind == QLatin1String("targetfolder")) {
        QVERIFY(QDir().mkpath(target));
        QVERIFY(writeFile(chosen, pictureBytes('c')));
    } else if (kind == QLatin1String("noread")) {
        if (::geteuid() == 0)
            QSKIP("root reads files without read permission");
        QVERIFY(writeFile(target, pictureBytes('x')));
        QVERIFY(writeFile(chosen, pictureBytes('c')));
        QVERIFY(QFile::setPermissions(chosen, QFileDevice::WriteOwner));
    }

    QVERIFY(!PictureLibrary::copyIn(chosen, m_library));
    if (kind == QLatin1String("targetfolder"))
        QVERIFY(QFileInfo(target).isDir());
    else
        QCOMPARE(readFile(target), pictureBytes('x'));   // the old file is whole
    QCOMPARE(libraryEntries().size(), kind == QLatin1String("targetfolder") ? 0 : 1);
}

void TestPictureLibrary::sameFile()
{
    const QString a = m_outside + QStringLiteral("/a.jpg");
    const QString b = m_outside + QStringLiteral("/b.jpg");
    QVERIFY(writeFile(a, "same"));
    QVERIFY(writeFile(b, "same"));
    QVERIFY(PictureLibrary::sameFile(a, a));
    QVERIFY(!PictureLibrary::sameFile(a, b));   // equal content is not the same file
    QVERIFY(!PictureLibrary::sameFile(a, m_outside + QStringLiteral("/fehlt.jpg")));
    QVERIFY(!PictureLibrary::sameFile(QString(), QString()));
}

QTEST_GUILESS_MAIN(TestPictureLibrary)
#include "test_picture_library.moc"
