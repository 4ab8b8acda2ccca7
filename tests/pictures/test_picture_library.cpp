// The picture library copy: pictures from outside are copied in and replace a
// library file of the same name; a picture that already is the library file
// is never touched; a failed copy changes nothing.
#include "pictures/PictureLibrary.h"
#include "TestFiles.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

static QByteArray picture(char fill, int size = 70000) { return "BM" + QByteArray(size, fill); }   // > a naive read chunk

class TestPictureLibrary : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    const QString m_program = m_dir.filePath(QStringLiteral("Zandor")), m_library = PictureLibrary::folder(m_program);
    const QString m_outside = m_dir.filePath(QStringLiteral("Fotos")), m_target = m_library + QStringLiteral("/Bild.jpg");

    QStringList entries() const { return QDir(m_library).entryList(QDir::Files | QDir::Hidden | QDir::System); }

private slots:
    void init() { QVERIFY(QDir(m_dir.path()).removeRecursively() && QDir().mkpath(m_library) && QDir().mkpath(m_outside)); }

    void copiesInReplacingTheLibraryFile()
    {
        const QString chosen = m_outside + QStringLiteral("/Bild.jpg"), other = m_dir.filePath(QStringLiteral("Bild.jpg"));
        QVERIFY(writeAll(chosen, picture('a')) && PictureLibrary::copyIn(chosen, m_library));
        QCOMPARE(readAll(m_target), picture('a'));
        QVERIFY(writeAll(chosen, picture('n', 1000)) && PictureLibrary::copyIn(chosen, m_library));   // shorter
        QCOMPARE(readAll(m_target), picture('n', 1000));
        QCOMPARE(entries(), QStringList{QStringLiteral("Bild.jpg")});   // no temporary file is left
        // The copy's rights come from the file creation mask, never from the source's.
        for (const auto &[mask, mode] : {std::pair{0002, 0644}, std::pair{0027, 0640}}) {
            const mode_t old = ::umask(mask);
            QVERIFY(::chmod(QFile::encodeName(chosen).constData(), 0777) == 0 && PictureLibrary::copyIn(chosen, m_library));
            ::umask(old);
            struct stat st = {};
            QVERIFY(::stat(QFile::encodeName(m_target).constData(), &st) == 0 && (st.st_mode & 07777) == mode_t(mode));
        }
        // a library entry that is a link is replaced, the file it points to left alone
        QVERIFY(QFile::remove(m_target) && QFile::link(chosen, m_target));
        QVERIFY(writeAll(other, picture('o')) && PictureLibrary::copyIn(other, m_library));
        QVERIFY(readAll(chosen) == picture('n', 1000) && !QFileInfo(m_target).isSymLink() && readAll(m_target) == picture('o'));
        // The library's copy of a picture moved away, by its name after a slash or a backslash.
        const std::pair<QString, QString> names[] = {{"/weg/Bild.jpg", m_target}, {"C:\\Fotos\\Bild.jpg", m_target},
                                                     {"Bild.jpg", m_target}, {"/weg/bild.jpg", ""}, {"/weg/", ""}, {"..", ""}};
        for (const auto &[path, copy] : names)
            QVERIFY2(PictureLibrary::copyOf(path, m_library) == copy, qPrintable(path));
    }

    void libraryFileStaysUntouched()
    {
        const QString link = m_outside + QStringLiteral("/Bild.jpg");
        QVERIFY(writeAll(m_target, picture('w')));
        const auto inode = [this] {
            struct stat st = {};
            return ::stat(QFile::encodeName(m_target).constData(), &st) == 0 ? st.st_ino : 0;
        };
        const ino_t before = inode();
        // The same path written another way, and a hard link: another path to the file.
        QVERIFY(::link(QFile::encodeName(m_target).constData(), QFile::encodeName(link).constData()) == 0);
        for (const QString &path : {m_program + QStringLiteral("/./Images//originale/../originale/Bild.jpg"), link}) {
            QVERIFY2(PictureLibrary::sameFile(path, m_target) && PictureLibrary::copyIn(path, m_library), qPrintable(path));
            QVERIFY(inode() == before && readAll(m_target) == picture('w'));   // not even rewritten
        }
        QVERIFY(QFile::remove(link) && writeAll(link, picture('w')));   // equal content, another file
        QVERIFY(!PictureLibrary::sameFile(link, m_target));
    }

    void failuresChangeNothing()
    {
        const QString chosen = m_outside + QStringLiteral("/Bild.jpg");
        QVERIFY(writeAll(m_target, picture('x')));
        QVERIFY(!PictureLibrary::copyIn(chosen, m_library));   // missing
        QVERIFY(QDir().mkpath(chosen) && !PictureLibrary::copyIn(chosen, m_library));   // a folder
        QVERIFY(QDir(chosen).removeRecursively() && writeAll(chosen, picture('c')));
        QVERIFY(readAll(m_target) == picture('x') && entries() == QStringList{QStringLiteral("Bild.jpg")});
        QVERIFY(QFile::remove(m_target) && QDir().mkpath(m_target));   // the library entry is a folder
        QVERIFY(!PictureLibrary::copyIn(chosen, m_library) && QFileInfo(m_target).isDir() && entries().isEmpty());
        QVERIFY(QDir(m_library).removeRecursively());   // no library folder: it is not created
        QVERIFY(!PictureLibrary::copyIn(chosen, m_library) && !QFileInfo::exists(m_library));
    }
};

QTEST_GUILESS_MAIN(TestPictureLibrary)
#include "test_picture_library.moc"
