// The picture library copy: pictures from outside are copied in beside a
// library file of the same name, never over it; the same bytes are not
// copied twice; a picture that already is the library file is never touched;
// a failed copy changes nothing; a moved picture is found in its own copy.
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

    void copiesInBesideTheLibraryFiles()
    {
        const QString chosen = m_outside + QStringLiteral("/Bild.jpg"), other = m_dir.filePath(QStringLiteral("Bild.jpg"));
        const QString third = m_dir.filePath(QStringLiteral("Bild"));
        const QString second = m_library + QStringLiteral("/Bild (2).jpg"), last = m_library + QStringLiteral("/Bild (4).jpg");
        QVERIFY(writeAll(chosen, picture('a')) && PictureLibrary::copyIn(chosen, m_library) == m_target);
        // Another picture of that name goes in beside it; the same bytes again, from anywhere, are not copied twice.
        QVERIFY(writeAll(other, picture('o')) && PictureLibrary::copyIn(other, m_library) == second);
        QVERIFY(QDir().mkpath(third) && writeAll(third + "/Bild.jpg", picture('o')));
        for (const QString &again : {chosen, other, third + "/Bild.jpg"})
            QVERIFY2(PictureLibrary::copyIn(again, m_library) == (again == chosen ? m_target : second), qPrintable(again));
        QVERIFY(readAll(m_target) == picture('a') && readAll(second) == picture('o'));
        // A name taken by a link (dangling or not) or left free by a removed copy: the first free name.
        QVERIFY(QFile::link(m_dir.filePath("nirgends"), m_library + "/Bild (3).jpg"));
        QVERIFY(writeAll(chosen, picture('n', 1000)) && PictureLibrary::copyIn(chosen, m_library) == last);
        QVERIFY(QFile::remove(second) && writeAll(other, picture('p')) && PictureLibrary::copyIn(other, m_library) == second);
        QVERIFY(readAll(m_target) == picture('a') && readAll(second) == picture('p') && !QFile::exists(m_dir.filePath("nirgends")));
        QCOMPARE(entries(), (QStringList{".origins", "Bild (2).jpg", "Bild (3).jpg", "Bild (4).jpg", "Bild.jpg"}));   // no temporary file
        QCOMPARE(readAll(m_library + "/.origins").count('\n'), 3);   // each copy and its origin once
        // The copy's rights come from the file creation mask, never from the source's.
        for (const auto &[mask, mode] : {std::pair{0002, 0644}, std::pair{0027, 0640}}) {
            const QString fresh = m_outside + QStringLiteral("/Neu%1.jpg").arg(mask);
            const mode_t old = ::umask(mask);
            QVERIFY(writeAll(fresh, picture('r')) && ::chmod(QFile::encodeName(fresh).constData(), 0777) == 0);
            const QString copy = PictureLibrary::copyIn(fresh, m_library);
            ::umask(old);
            struct stat st = {};
            QVERIFY(::stat(QFile::encodeName(copy).constData(), &st) == 0 && (st.st_mode & 07777) == mode_t(mode));
        }
        // A picture moved away is found in the copy made from that very file (the latest for a
        // changed file; none once it is removed); a library path names its file; a file the library
        // holds from elsewhere by its name after a slash or a backslash, unless it is recorded as
        // made from another file.
        QVERIFY(writeAll(m_library + "/Wald.jpg", picture('w')));
        const std::pair<QString, QString> names[] = {{chosen, last}, {other, second}, {third + "/Bild.jpg", ""},
            {"/weg/Bild.jpg", ""}, {"C:\\Zandor\\Images\\Originale\\Bild.jpg", m_target}, {"/weg/Wald.jpg", m_library + "/Wald.jpg"},
            {"C:\\Fotos\\Wald.jpg", m_library + "/Wald.jpg"}, {"Wald.jpg", m_library + "/Wald.jpg"}, {"/weg/wald.jpg", ""},
            {"/weg/", ""}, {"..", ""}, {"/weg/.origins", ""}};
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
            QVERIFY2(PictureLibrary::sameFile(path, m_target) && PictureLibrary::copyIn(path, m_library) == m_target, qPrintable(path));
            QVERIFY(inode() == before && readAll(m_target) == picture('w'));   // not even rewritten
        }
        QVERIFY(QFile::remove(link) && writeAll(link, picture('w')));   // equal content, another file
        QVERIFY(!PictureLibrary::sameFile(link, m_target));
    }

    void failuresChangeNothing()
    {
        const QString chosen = m_outside + QStringLiteral("/Bild.jpg");
        QVERIFY(writeAll(m_target, picture('x')));
        QVERIFY(PictureLibrary::copyIn(chosen, m_library).isEmpty());   // missing
        QVERIFY(QDir().mkpath(chosen) && PictureLibrary::copyIn(chosen, m_library).isEmpty());   // a folder
        QVERIFY(QDir(chosen).removeRecursively() && writeAll(chosen, picture('c')));
        QVERIFY(readAll(m_target) == picture('x') && entries() == QStringList{QStringLiteral("Bild.jpg")});
        QVERIFY(QFile::remove(m_target) && QDir().mkpath(m_target));   // the library entry is a folder
        QVERIFY(PictureLibrary::copyIn(chosen, m_library) == m_library + "/Bild (2).jpg" && QFileInfo(m_target).isDir());
        QVERIFY(QDir(m_library).removeRecursively());   // no library folder: it is not created
        QVERIFY(PictureLibrary::copyIn(chosen, m_library).isEmpty() && !QFileInfo::exists(m_library));
    }
};

QTEST_GUILESS_MAIN(TestPictureLibrary)
#include "test_picture_library.moc"
