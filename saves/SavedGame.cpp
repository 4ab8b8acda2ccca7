#include "saves/SavedGame.h"

#include "base/Ansi.h"
#include "base/FileAccess.h"
#include "pictures/PictureReference.h"
#include "base/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A saved game is a few hundred bytes and a path. Reading stops after this
// many bytes so that a huge file named *.sav is never loaded whole.
constexpr qint64 MaxBytes = 1024 * 1024;

using Kind = SavedGame::Problem::Kind;

// Sets *problem (when asked for) and returns false.
bool fail(SavedGame::Problem *problem, Kind kind, int line = 0, const QString &subject = QString())
{
    if (problem)
        *problem = SavedGame::Problem{kind, line, subject};
    return false;
}

bool isUtf8(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return !utf8.hasError() && text.toUtf8() == bytes;
}

// A character a name is not shown with as it is: a control character
// would break the list's row or not show at all; a backslash is the sign
// of a character written out.
bool writtenOut(QChar c)
{
    return c.category() == QChar::Other_Control || c == QLatin1Char('\\');
}

// The name with every such character written as "\x" and two hexadecimal
// digits (every one lies below 0x100).
QString writeOut(const QString &name)
{
    QString out;
    for (QChar c : name)
        out += writtenOut(c) ? QStringLiteral("\\x") + QString::number(c.unicode(), 16).rightJustified(2, QLatin1Char('0')).toUpper()
                             : QString(c);
    return out;
}

// The name a written-out one stands for; false when a backslash in it does
// not begin "\x" and two hexadecimal digits.
bool readBack(const QString &shown, QString *name)
{
    name->clear();
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (shown.at(i) != QLatin1Char('\\')) {
            *name += shown.at(i);
            continue;
        }
        const QString code = shown.mid(i + 1, 3);
        bool ok = false;
        const ushort value = code.mid(1).toUShort(&ok, 16);
        if (code.size() != 3 || code.at(0) != QLatin1Char('x') || !ok)
            return false;
        *name += QChar(value);
        i += 3;
    }
    return true;
}

// The file name bytes a marked name stands for; false for any other name.
// Only the very form shownName() gives counts, so that each listed name
// leads to one file, its own.
bool listedFile(const QString &name, QByteArray *bytes)
{
    for (const char *mark : {SavedGame::NotUtf8Mark, SavedGame::WrittenOutMark}) {
        QString text;
        if (!name.endsWith(QLatin1String(mark)) || !readBack(name.chopped(qsizetype(qstrlen(mark))), &text))
            continue;
        const bool notUtf8 = mark == SavedGame::NotUtf8Mark;
        if (notUtf8 && std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0xFF; }))
            continue;
        const QByteArray candidate = notUtf8 ? text.toLatin1() : text.toUtf8();
        if (!candidate.isEmpty() && !candidate.contains('/') && !candidate.contains('\0')
            && SavedGame::shownName(candidate) == name) {
            *bytes = candidate;
            return true;
        }
    }
    return false;
}

} // namespace

QByteArray SavedGame::toBytes() const
{
    QStringList lines;
    for (qint16 v : fields)
        lines.append(QString::number(v));
    lines.append(QString::number(zuege));
    lines.append(imgvis ? QStringLiteral("1") : QStringLiteral("0"));
    lines.append(posAnz ? QStringLiteral("1") : QStringLiteral("0"));
    // The picture line the way p.cxa holds a path: Windows-1252, or UTF-8
    // for a path that Windows-1252 cannot hold.
    QByteArray bytes = Ansi::writeLines(lines) + PictureReference::encode(bild);
    // A helped game says so in a line of its own after the picture; a game
    // without help is written exactly as before.
    if (hintUsed)
        bytes += Ansi::writeLines({QString::fromLatin1(HintLine)});
    return bytes;
}

bool SavedGame::parseNumber(const QString &line, qint16 *value)
{
    const QString t = line.trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-'))) {
        negative = t.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i == t.size())
        return false;
    qint64 v = 0;
    for (; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        v = v * 10 + (c.unicode() - '0');
        if (v > 32768)
            return false;
    }
    if (negative)
        v = -v;
    if (v < -32768 || v > 32767)
        return false;
    *value = static_cast<qint16>(v);
    return true;
}

bool SavedGame::fromBytes(const QByteArray &content, SavedGame *game, Problem *problem)
{
    const QList<QByteArray> raw = Ansi::splitLines(content);
    // The number of lines tells the board's size, with or without the line
    // of a helped game.
    int side = 0;
    for (int s = Tiles::MinSide; s <= Tiles::MaxSide && !side; ++s)
        if (raw.size() == lineCount(s) || raw.size() == lineCount(s) + 1)
            side = s;
    if (!side)
        return fail(problem, Kind::LineCount, int(raw.size()));
    const int fieldCount = Tiles::fieldCount(side);
    const int pictureLine = lineCount(side);

    QVector<qint16> n(pictureLine - 1);
    for (int k = 1; k < pictureLine; ++k) {
        if (!parseNumber(Ansi::decode(raw.at(k - 1)), &n[k - 1]))
            return fail(problem, Kind::NotANumber, k);
    }
    const QVector<qint16> f = n.mid(0, fieldCount);
    if (!Tiles::fromLayout(f, side))
        return fail(problem, Kind::NotABoard, fieldCount);

    // The last line is a path: longer than any path can be, it is no saved game.
    const QByteArray &picture = raw.at(pictureLine - 1);
    if (picture.size() > PictureReference::MaxPathBytes)
        return fail(problem, Kind::PictureLineTooLong, pictureLine);

    game->fields = f;
    game->zuege = n[fieldCount];
    game->imgvis = n[fieldCount + 1] == 1;
    game->posAnz = n[fieldCount + 2] == 1;
    game->bild = PictureReference::decodeLine(picture);
    if (game->bild.isNull())
        game->bild = QLatin1String("");
    game->hintUsed = raw.size() > pictureLine && raw.at(pictureLine) == HintLine;
    return true;
}

QString SavedGame::folder()
{
    return ProgramFolder::file(QLatin1String(FolderName));
}

bool SavedGame::ensureFolder()
{
    const QString f = folder();
    if (QFileInfo(f).isDir())
        return true;
    return QDir().mkpath(f);
}

SavedGame::Problem SavedGame::nameError(const QString &name)
{
    QByteArray bytes;
    if (listedFile(name, &bytes))
        return {};
    if (name.trimmed().isEmpty())
        return {Kind::NameBlank};
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return {Kind::NameReserved, 0, name};
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return {Kind::NameSeparator};
    for (QChar c : name)
        if (c.category() == QChar::Other_Control)
            return {Kind::NameControl};
    return {};
}

QString SavedGame::savePath(const QString &name)
{
    QString path = loadPath(name);
    if (!name.endsWith(QLatin1String(Extension), Qt::CaseSensitive))
        path += QLatin1String(Extension);
    return path;
}

QString SavedGame::loadPath(const QString &name)
{
    return folder() + QLatin1Char('/') + name;
}

QString SavedGame::shownName(const QByteArray &fileName)
{
    if (!isUtf8(fileName))
        return writeOut(QString::fromLatin1(fileName)) + QLatin1String(NotUtf8Mark);
    const QString name = QString::fromUtf8(fileName);
    return std::any_of(name.begin(), name.end(), writtenOut) ? writeOut(name) + QLatin1String(WrittenOutMark) : name;
}

FileAccess::NativePath SavedGame::saveFile(const QString &name)
{
    QByteArray bytes;
    if (listedFile(name, &bytes))
        return {QFile::encodeName(folder()) + '/' + bytes};
    return {QFile::encodeName(savePath(name))};
}

FileAccess::NativePath SavedGame::loadFile(const QString &name)
{
    QByteArray bytes;
    if (listedFile(name, &bytes))
        return {QFile::encodeName(folder()) + '/' + bytes};
    return {QFile::encodeName(loadPath(name))};
}

bool SavedGame::exists(const FileAccess::NativePath &path)
{
    struct stat st;
    return ::stat(path.bytes.constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool SavedGame::write(const FileAccess::NativePath &path, Problem *problem) const
{
    if (FileAccess::writeAtomically(path, toBytes()))
        return true;
    return fail(problem, Kind::CannotWrite, 0, QDir::toNativeSeparators(FileAccess::decodeName(path.bytes)));
}

bool SavedGame::read(const FileAccess::NativePath &path, SavedGame *game, Problem *problem)
{
    // Only a regular file is opened (a FIFO would block), and never more
    // than the bound is read.
    QByteArray content;
    if (FileAccess::readHead(path, MaxBytes + 1, &content) != FileAccess::ReadResult::Ok)
        return fail(problem, Kind::Unreadable);
    if (content.size() > MaxBytes)
        return fail(problem, Kind::TooLarge);
    return fromBytes(content, game, problem);
}

int SavedGame::sideOf(const FileAccess::NativePath &path)
{
    SavedGame game;
    return read(path, &game, nullptr) ? game.side() : 0;
}

QStringList SavedGame::list()
{
    // The folder is read directly: Qt's listing leaves out names that are
    // not UTF-8, and a game saved under such a name must still be found.
    QStringList names;
    const QByteArray dirName = QFile::encodeName(folder());
    DIR *dir = ::opendir(dirName.constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        // The pattern "*.sav" without regard to case; hidden names included.
        if (raw.size() < 4 || raw.right(4).toLower() != Extension)
            continue;
        struct stat st;
        if (::fstatat(::dirfd(dir), entry->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode))
            continue;
        names.append(shownName(raw));
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

bool SavedGame::remove(const FileAccess::NativePath &path, Problem *problem)
{
    if (::unlink(path.bytes.constData()) == 0)
        return true;
    return fail(problem, Kind::CannotDelete, 0, shownName(path.bytes.mid(path.bytes.lastIndexOf('/') + 1)));
}
