// Damaged files a player can really have on disk, met the way the player
// meets them: starting the game, F11 and a won game, choosing a picture,
// saving and loading. For every case: no crash, a German message where
// something failed, the game still playable, and nothing the player had is
// lost (the old scr.cxa, *.sav, p.cxa and library pictures stay
// byte-identical when a write fails).
#include "WindowTestSupport.h"
#include "pictures/PictureSamples.h"
#include "saves/LockedFolder.h"
#include "scores/ReadOnlyPath.h"

#include "pictures/PictureReference.h"
#include "saves/SavedGame.h"
#include "saves/frmLoad.h"
#include "scores/frmTopTen.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>

#include <memory>

using namespace TestSupport;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The bytes of a file, or a marker for what stands there instead.
QByteArray contentOf(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return "<folder>";
    if (!info.exists())
        return "<none>";
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QByteArray garbage(int n, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray b(n, 0);
    for (char &c : b)
        c = char(rng.bounded(256));
    return b;
}

// Garbage without digits, signs and blanks: no score can be read from it.
QByteArray garbageWithoutNumbers(int n, quint32 seed)
{
    QByteArray b = garbage(n, seed);
    for (char &c : b)
        if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == ' ' || c == '\t' || c == '\n')
            c = char(0xA4);
    return b;
}

// Text as an editor saves it "as Unicode": UTF-16LE with a byte order mark.
QByteArray utf16(const QString &text)
{
    QByteArray out("\xFF\xFE");
    for (QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

// --- pictures --------------------------------------------------------------

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char ch : data) {
        crc ^= quint8(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void put16le(QByteArray &b, int at, quint16 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

void put32le(QByteArray &b, int at, quint32 v)
{
    for (int k = 0; k < 4; ++k)
        b[at + k] = char((v >> (8 * k)) & 0xFF);
}

void put32be(QByteArray &b, int at, quint32 v)
{
    for (int k = 0; k < 4; ++k)
        b[at + k] = char((v >> (24 - 8 * k)) & 0xFF);
}

// The pictures below claim 60000 x 60000 pixels in their headers.
QByteArray hugeJpeg()
{
    QByteArray jpeg = Samples::encoded(Samples::quadrants(64, 48), "JPEG", 90);
    for (int i = 2; i + 9 < jpeg.size();) {
        const quint8 marker = quint8(jpeg[i + 1]);
        const int length = (quint8(jpeg[i + 2]) << 8) | quint8(jpeg[i + 3]);
        if (marker >= 0xC0 && marker <= 0xC2) {
            jpeg[i + 5] = char(60000 >> 8);
            jpeg[i + 6] = char(60000 & 0xFF);
            jpeg[i + 7] = char(60000 >> 8);
            jpeg[i + 8] = char(60000 & 0xFF);
            break;
        }
        i += 2 + length;
    }
    return jpeg;
}

QByteArray hugeBmp()
{
    QByteArray bmp = Samples::encoded(Samples::quadrants(64, 48), "BMP");
    put32le(bmp, 18, 60000);
    put32le(bmp, 22, 60000);
    return bmp;
}

QByteArray hugeGif()
{
    QByteArray gif = Samples::gif(8, 8, Samples::quadrantColors(), {Samples::quadrantIndices(8, 8)});
    put16le(gif, 6, 60000);
    put16le(gif, 8, 60000);
    const int descriptor = gif.indexOf(char(0x2C), 13 + 12);
    put16le(gif, descriptor + 5, 60000);
    put16le(gif, descriptor + 7, 60000);
    return gif;
}

QByteArray hugePng()
{
    QByteArray png = Samples::encoded(Samples::quadrants(64, 48), "PNG");
    // IHDR follows the 8-byte signature: length, "IHDR", width, height ...,
    // then its checksum over type and data.
    put32be(png, 16, 60000);
    put32be(png, 20, 60000);
    put32be(png, 29, crc32(png.mid(12, 17)));
    return png;
}

// A picture of 4 x 4 squares whose square k has the colour of square
// (k + shift) mod 16 of the test picture, so its tiles are told apart.
QImage shiftedSquares(int shift, int side = 416)
{
    QImage img(side, side, QImage::Format_RGB32);
    QPainter p(&img);
    for (int k = 0; k < 16; ++k)
        p.fillRect(QRect((k % 4) * side / 4, (k / 4) * side / 4, side / 4, side / 4), squareColor((k + shift) % 16));
    return img;
}

// --- the player --------------------------------------------------------------

// Sits at the keyboard while it lives: confirms every message box and keeps
// its text, types `name` into the name box after a win (cancels when empty),
// chooses `picture` in the picture dialog (cancels when empty).
struct Player
{
    QStringList messages;
    QStringList dialogs;   // the object names of the other dialogs answered
    QString name;
    QString picture;
    QTimer timer;

    Player()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] { answer(); });
        timer.start(20);
    }

    void answer()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (!w->isVisible())
                continue;
            if (auto *m = qobject_cast<QMessageBox *>(w)) {
                messages << m->text();
                m->accept();
            } else if (auto *fd = qobject_cast<QFileDialog *>(w)) {
                dialogs << fd->objectName();
                if (picture.isEmpty()) {
                    fd->reject();
                } else {
                    // selectFile leaves the name box alone while it has the focus.
                    if (auto *nameBox = fd->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                        nameBox->clearFocus();
                    fd->selectFile(picture);
                    static_cast<QDialog *>(fd)->accept();   // as the Open button does
                    if (fd->isVisible())
                        fd->reject();   // not taken: the checks fail instead of waiting for ever
                }
            } else if (auto *in = qobject_cast<QInputDialog *>(w)) {
                dialogs << in->objectName();
                if (name.isEmpty()) {
                    in->reject();
                } else {
                    in->setTextValue(name);
                    in->accept();
                }
            }
        }
    }
};

void showWindow(frmMain &w)
{
    w.Form_Load();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

int emptyField(const frmMain &w)
{
    for (int p = 0; p < 16; ++p)
        if (w.picBox(p)->picture().isNull())
            return p;
    return -1;
}

// The player drags a tile next to the empty field onto it: one more move.
void playOneMove(frmMain &w)
{
    const int empty = emptyField(w);
    QVERIFY(empty >= 0);
    const qint16 before = w.zuege();
    dragField(w, Board::moveTargets(empty).first(), empty);
    QCOMPARE(w.zuege(), qint16(before + 1));
}

// The game as the player sees it.
struct GameState
{
    qint16 zuege;
    QString counter;
    QStringList tags;
    QVector<int> shown;
    QString bildAktuell, bildOrg;

    static GameState of(const frmMain &w)
    {
        GameState s{w.zuege(), w.Label(1)->text(), {}, {}, w.Bild_aktuell(), w.Bild_org};
        for (int p = 0; p < 16; ++p) {
            s.tags << w.picBox(p)->Tag;
            s.shown << tileShown(w.picBox(p)->picture());
        }
        return s;
    }
    bool operator==(const GameState &o) const
    {
        return zuege == o.zuege && counter == o.counter && tags == o.tags && shown == o.shown
               && bildAktuell == o.bildAktuell && bildOrg == o.bildOrg;
    }
};

// --- scr.cxa -------------------------------------------------------------------

QByteArray rec(const QByteArray &score, const QByteArray &name)
{
    return score.leftJustified(6, ' ', true) + name.leftJustified(15, ' ', true);
}

QByteArray defaultRecords(int n)
{
    return rec("0", "Hanno Holzbein").repeated(n);
}

// --- saved games ---------------------------------------------------------------

const QVector<qint16> Layout{5, 1, 2, 3, 4, 0, 6, 7, 8, 9, 10, 100, 12, 13, 14, 11};

QByteArray saved(const QVector<qint16> &fields, const QByteArray &rest)
{
    QByteArray out;
    for (qint16 v : fields)
        out += QByteArray::number(v) + "\r\n";
    return out + rest;
}

} // namespace

class TestDamagedFiles : public QObject
{
    Q_OBJECT
private slots:
    void topTenList_data();
    void topTenList();
    void startWithDamagedReference_data();
    void startWithDamagedReference();
    void pictureChangeThatCannotBeStored_data();
    void pictureChangeThatCannotBeStored();
    void loadDamagedGame_data();
    void loadDamagedGame();
    void saveThatCannotBeWritten_data();
    void saveThatCannotBeWritten();
};

// F11 on a damaged scr.cxa, then a won game of 20 moves with the name "Neu".
void TestDamagedFiles::topTenList_data()
{
    QTest::addColumn<QByteArray>("file");         // null: no file
    QTest::addColumn<bool>("lockProgramFolder");
    QTest::addColumn<int>("row");                 // where the result goes; -1: nowhere
    QTest::addColumn<QString>("message");         // of every message shown; empty: none

    QTest::newRow("zero bytes") << QByteArray("") << false << 0 << QString();
    const QByteArray three = rec("12", "Anna") + rec("30", "Bj\xF6rn") + rec("57", "J\xFCrgen");
    QTest::newRow("cut off in record 4") << three + rec("80", "Weg").left(10) << false << 1 << QString();
    QTest::newRow("binary garbage") << garbageWithoutNumbers(210, 7) << false << 0 << QString();
    QTest::newRow("saved as UTF-16") << utf16(QString::fromLatin1(three + defaultRecords(7))) << false << 0
                                     << QString();
    QTest::newRow("text where numbers belong")
        << rec("viele", "Text") + rec("x12", "Buchstaben") + rec("--3", "Zeichen") + defaultRecords(7) << false
        << 0 << QString();
    // -5 and 7 rank above 20, 32768 and 999999 below it.
    QTest::newRow("numbers out of range")
        << rec("-5", "Minus") + rec("+7", "Plus") + rec("32768", "Gross") + rec("999999", "Riesig")
               + defaultRecords(6)
        << false << 2 << QString();
    QTest::newRow("missing, program folder read-only")
        << QByteArray() << true << -1 << QStringLiteral("Die Bestenliste konnte nicht gespeichert werden.");
}

void TestDamagedFiles::topTenList()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, lockProgramFolder);
    QFETCH(int, row);
    QFETCH(QString, message);

    ProgramDir pd;
    const QString path = pd.path(QStringLiteral("scr.cxa"));
    if (!file.isNull())
        QVERIFY(writeFile(path, file));
    frmMain w;
    showWindow(w);
    std::unique_ptr<LockedFolder> lock;
    if (lockProgramFolder) {
        lock = std::make_unique<LockedFolder>(pd.dir.path());
        if (!lock->ok())
            QSKIP("cannot make the program folder read-only here");
    }

    Player player;
    w.mnuTopTen->trigger();
    QPointer<frmTopTen> t = frmTopTen::loaded(&w);
    QVERIFY(t);
    QVERIFY(t->isVisible());
    for (int k = 0; k < 10; ++k)
        QCOMPARE(t->lblNr[k]->text(), QString::number(k + 1));
    if (message.isEmpty()) {
        QCOMPARE(player.messages, QStringList());
    } else {
        QCOMPARE(player.messages.size(), 1);
        QVERIFY2(player.messages.first().startsWith(message), qPrintable(player.messages.first()));
    }
    const QByteArray before = contentOf(path);
    QStringList namesBefore;
    for (QLabel *l : t->lblName)
        namesBefore << l->text();
    t->close();

    // The won game: the last drag, then the name box.
    player.name = QStringLiteral("Neu");
    player.messages.clear();
    QVector<qint16> f = solvedLayout();
    std::swap(f[14], f[15]);
    placeLayout(w, f);
    w.setZuege(19);
    dragField(w, 15, 14);
    QVERIFY(w.fertig());
    QTRY_VERIFY(frmTopTen::loaded(&w));
    t = frmTopTen::loaded(&w);
    QVERIFY(player.dialogs.contains(QStringLiteral("InputBox")));

    if (row < 0) {
        // Nothing could be stored: said so, and nothing changed on disk.
        QVERIFY(!player.messages.isEmpty());
        for (const QString &m : player.messages)
            QVERIFY2(m.startsWith(message), qPrintable(m));
        QCOMPARE(contentOf(path), before);
        return;
    }
    QCOMPARE(player.messages, QStringList());
    QCOMPARE(t->lblName[row]->text(), QStringLiteral("Neu"));
    QCOMPARE(t->lblScore[row]->text(), QStringLiteral("20"));
    // The other players keep their names, byte for byte: the rows above the
    // result where they were, the rows below one further down.
    const QByteArray after = contentOf(path);
    QCOMPARE(after.size(), qMax<qsizetype>(before.size(), 210));
    QCOMPARE(after.mid(row * 21, 21), rec("20", "Neu"));
    for (int k = 0; k < 10; ++k) {
        if (k == row)
            continue;
        const int from = k < row ? k : k - 1;
        const QByteArray name = (from + 1) * 21 <= before.size() ? before.mid(from * 21 + 6, 15)
                                                                 : QByteArray(15, ' ');
        QCOMPARE(after.mid(k * 21 + 6, 15), name);
        QCOMPARE(t->lblName[k]->text(), namesBefore[from]);
    }
    QCOMPARE(after.mid(210), before.mid(210));
}

// A start-up whose p.cxa, or the picture it names, is damaged.
void TestDamagedFiles::startWithDamagedReference_data()
{
    QTest::addColumn<QByteArray>("reference");   // "%PIC%" stands for the picture's path
    QTest::addColumn<QByteArray>("picture");     // null: none; "<folder>": a folder
    QTest::addColumn<bool>("asksForPicture");
    QTest::addColumn<QString>("reason");         // the loader's reason in the message; empty: none

    const QString notReadable = QStringLiteral("Die Datei ist kein lesbares Bild.");
    const QString tooLarge = QStringLiteral("Das Bild ist zu groß.");
    const QByteArray none;
    QTest::newRow("empty p.cxa") << QByteArray("") << none << true << QString();
    QTest::newRow("p.cxa with an empty line") << QByteArray("\r\n%PIC%\r\n") << none << true << QString();
    QTest::newRow("p.cxa of binary garbage") << garbage(300, 3) << none << true << QString();
    QTest::newRow("p.cxa saved as UTF-16") << utf16(QStringLiteral("%PIC%\r\n")) << QByteArray("x") << true
                                           << QString();
    QTest::newRow("p.cxa is a folder") << QByteArray("<folder>") << none << true << QString();
    QTest::newRow("names a folder") << QByteArray("%PIC%\r\n") << QByteArray("<folder>") << true << QString();
    QTest::newRow("names a zero-byte picture") << QByteArray("%PIC%\r\n") << QByteArray("") << false
                                               << notReadable;
    const QByteArray jpeg = Samples::encoded(Samples::quadrants(160, 120), "JPEG", 90);
    QTest::newRow("names a cut-off JPEG") << QByteArray("%PIC%") << jpeg.left(jpeg.size() / 2) << false
                                          << notReadable;
    QTest::newRow("names binary garbage") << QByteArray("%PIC%\r\n") << garbage(5000, 9) << false << notReadable;
    QTest::newRow("names a JPEG of 60000 x 60000") << QByteArray("%PIC%\r\n") << hugeJpeg() << false << tooLarge;
    QTest::newRow("names a GIF of 60000 x 60000") << QByteArray("%PIC%\r\n") << hugeGif() << false << tooLarge;
    QTest::newRow("names a PNG of 60000 x 60000") << QByteArray("%PIC%\r\n") << hugePng() << false << tooLarge;
    // Qt refuses a bitmap header of that size as damaged.
    QTest::newRow("names a BMP of 60000 x 60000") << QByteArray("%PIC%\r\n") << hugeBmp() << false << notReadable;
    const QByteArray wmf = Samples::wmf(true);
    QTest::newRow("names a cut-off metafile") << QByteArray("%PIC%\r\n") << wmf.left(wmf.size() / 2) << false
                                              << notReadable;
}

void TestDamagedFiles::startWithDamagedReference()
{
    QFETCH(QByteArray, reference);
    QFETCH(QByteArray, picture);
    QFETCH(bool, asksForPicture);
    QFETCH(QString, reason);

    ProgramDir pd(false);
    const QString picturePath = pd.path(QStringLiteral("Bilder/Mein Bild.jpg"));
    if (picture == "<folder>")
        QVERIFY(QDir().mkpath(picturePath + QStringLiteral("/drin")));
    else if (!picture.isNull())
        QVERIFY(writeFile(picturePath, picture));
    const QString referencePath = pd.path(QStringLiteral("p.cxa"));
    if (reference == "<folder>") {
        QVERIFY(QDir().mkpath(referencePath + QStringLiteral("/drin")));
    } else {
        QByteArray bytes = reference;
        bytes.replace("%PIC%", picturePath.toUtf8());
        if (reference.startsWith("\xFF\xFE"))
            bytes = utf16(picturePath + QStringLiteral("\r\n"));
        QVERIFY(writeFile(referencePath, bytes));
    }
    const QByteArray referenceBefore = contentOf(referencePath);
    const QByteArray pictureBefore = contentOf(picturePath);

    Player player;   // cancels the picture dialog
    frmMain w;
    showWindow(w);

    QCOMPARE(player.dialogs.contains(QStringLiteral("Bilderdialog")), asksForPicture);
    if (reason.isEmpty()) {
        QCOMPARE(player.messages, QStringList());
    } else {
        QCOMPARE(player.messages.size(), 1);
        const QString m = player.messages.first();
        QVERIFY2(m.startsWith(QStringLiteral("Das Bild \r\n    ") + picturePath
                              + QStringLiteral("\r\nkann nicht gelesen werden.")),
                 qPrintable(m));
        QVERIFY2(m.contains(reason), qPrintable(m));
    }
    // A start reads and never writes: both files are as they were.
    QCOMPARE(contentOf(referencePath), referenceBefore);
    QCOMPARE(contentOf(picturePath), pictureBefore);
    // Numbered tiles stand in for the picture, and the game plays.
    for (int p = 0; p < 15; ++p)
        QVERIFY(!w.picBox(p)->picture().isNull());
    playOneMove(w);
}

// "Bild ändern" to a new picture while p.cxa or the library cannot take it.
void TestDamagedFiles::pictureChangeThatCannotBeStored_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("messageShown");
    QTest::addColumn<bool>("referenceWritten");
    QTest::addColumn<bool>("libraryWritten");

    QTest::newRow("p.cxa read-only") << "p.cxa read-only" << true << false << true;
    QTest::newRow("p.cxa is a folder") << "p.cxa is a folder" << true << false << true;
    QTest::newRow("library read-only, same name taken") << "library read-only" << false << true << false;
    QTest::newRow("library picture of that name read-only") << "library picture read-only" << false << true
                                                            << false;
    QTest::newRow("no Images folder") << "no Images" << false << true << false;
}

void TestDamagedFiles::pictureChangeThatCannotBeStored()
{
    QFETCH(QString, damage);
    QFETCH(bool, messageShown);
    QFETCH(bool, referenceWritten);
    QFETCH(bool, libraryWritten);

    ProgramDir pd;
    const QString chosen = pd.path(QStringLiteral("Neue Bilder/Turm.bmp"));
    QVERIFY(QDir().mkpath(QFileInfo(chosen).absolutePath()));
    QVERIFY(shiftedSquares(5).save(chosen, "BMP"));
    const QString library = pd.path(QStringLiteral("Images/originale/Turm.bmp"));
    QVERIFY(writeFile(library, Samples::encoded(shiftedSquares(9), "BMP")));
    const QString referencePath = pd.path(QStringLiteral("p.cxa"));

    frmMain w;
    showWindow(w);
    playOneMove(w);

    std::unique_ptr<ReadOnlyPath> readOnly;
    std::unique_ptr<LockedFolder> lockedFolder;
    if (damage == QLatin1String("p.cxa read-only")) {
        readOnly = std::make_unique<ReadOnlyPath>(referencePath);
    } else if (damage == QLatin1String("p.cxa is a folder")) {
        QVERIFY(QFile::remove(referencePath));
        QVERIFY(QDir().mkpath(referencePath + QStringLiteral("/drin")));
    } else if (damage == QLatin1String("library read-only")) {
        lockedFolder = std::make_unique<LockedFolder>(QFileInfo(library).absolutePath());
    } else if (damage == QLatin1String("library picture read-only")) {
        readOnly = std::make_unique<ReadOnlyPath>(library);
    } else if (damage == QLatin1String("no Images")) {
        QVERIFY(QDir(pd.path(QStringLiteral("Images"))).removeRecursively());
    }
    if ((readOnly && !readOnly->ok()) || (lockedFolder && !lockedFolder->ok()))
        QSKIP("cannot make files read-only here");
    const QByteArray referenceBefore = contentOf(referencePath);
    const QByteArray libraryBefore = contentOf(library);

    Player player;
    player.picture = chosen;
    w.mnuChangePic->trigger();

    QVERIFY(player.dialogs.contains(QStringLiteral("Bilderdialog")));
    if (messageShown) {
        QCOMPARE(player.messages.size(), 1);
        QVERIFY2(player.messages.first().startsWith(
                     QStringLiteral("Das Bild wird beim nächsten Start nicht wieder geladen:")),
                 qPrintable(player.messages.first()));
        QVERIFY(player.messages.first().contains(QDir::toNativeSeparators(referencePath)));
    } else {
        QCOMPARE(player.messages, QStringList());
    }
    QCOMPARE(contentOf(referencePath), referenceWritten ? PictureReference::encode(chosen) : referenceBefore);
    QCOMPARE(contentOf(library), libraryWritten ? contentOf(chosen) : libraryBefore);
    QCOMPARE(contentOf(chosen), Samples::encoded(shiftedSquares(5), "BMP"));

    // The new game is played with the chosen picture all the same.
    QCOMPARE(w.Bild_aktuell(), chosen);
    QCOMPARE(w.zuege(), qint16(0));
    for (int p = 0; p < 15; ++p)
        QCOMPARE(tileShown(w.picBox(p)->picture()), (w.picBox(p)->Tag.toInt() + 5) % 16);
    playOneMove(w);
}

// "Laden" of a damaged saved game from the list.
void TestDamagedFiles::loadDamagedGame_data()
{
    QTest::addColumn<QByteArray>("content");   // "%PIC%" stands for the picture's path
    QTest::addColumn<QByteArray>("picture");   // what the picture of line 20 holds; null: a good one
    QTest::addColumn<QString>("message");      // the start of the message shown

    const QByteArray good = saved(Layout, "17\r\n0\r\n0\r\n%PIC%\r\n");
    const QString invalid = QStringLiteral("Die Datei\n    kaputt.sav\nist kein gültiger Spielstand.");
    const QByteArray none;
    QTest::newRow("binary garbage") << garbage(400, 21) << none << invalid;
    QTest::newRow("cut off in line 11") << good.left(good.indexOf("\r\n10\r\n") + 3) << none << invalid;
    QTest::newRow("saved as UTF-16") << utf16(QString::fromLatin1(good)) << none << invalid;
    QVector<qint16> negative = Layout;
    negative[4] = -1;
    QTest::newRow("tile number -1") << saved(negative, "17\r\n0\r\n0\r\n%PIC%\r\n") << none << invalid;
    QTest::newRow("tile number 65536") << "65536" + good.mid(1) << none << invalid;
    QTest::newRow("move count 3.5") << saved(Layout, "3.5\r\n0\r\n0\r\n%PIC%\r\n") << none << invalid;
    // The file is a saved game; its picture is what is damaged. The game is
    // loaded and the player told about the picture.
    const QString unreadable = QStringLiteral("Das Bild \r\n    %PIC%\r\nkann nicht gelesen werden.");
    const QByteArray jpeg = Samples::encoded(Samples::quadrants(160, 120), "JPEG", 90);
    QTest::newRow("names a cut-off picture") << good << jpeg.left(300) << unreadable;
    QTest::newRow("names a picture of 60000 x 60000") << good << hugeJpeg() << unreadable;
}

void TestDamagedFiles::loadDamagedGame()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, picture);
    QFETCH(QString, message);

    ProgramDir pd;
    QString picturePath = pd.picture;
    if (!picture.isNull()) {
        picturePath = pd.path(QStringLiteral("Bilder/alt.jpg"));
        QVERIFY(writeFile(picturePath, picture));
    }
    content.replace("%PIC%", picturePath.toUtf8());
    message.replace(QStringLiteral("%PIC%"), picturePath);
    const QString file = pd.path(QStringLiteral("Saves/kaputt.sav"));
    QVERIFY(writeFile(file, content));

    frmMain w;
    showWindow(w);
    playOneMove(w);
    const GameState before = GameState::of(w);

    Player player;
    w.mnuLoad->trigger();
    QPointer<frmLoad> d = w.findChild<frmLoad *>();
    QVERIFY(d);
    d->txtLoad->setText(QStringLiteral("kaputt.sav"));
    d->cmdLoad->click();

    QCOMPARE(player.messages.size(), 1);
    QVERIFY2(player.messages.first().startsWith(message), qPrintable(player.messages.first()));
    QCOMPARE(contentOf(file), content);
    if (picture.isNull()) {
        // Refused whole: the game as it was, the dialog open for another try.
        QVERIFY(GameState::of(w) == before);
        QVERIFY(d && d->isVisible() && d->isEnabled());
        d->close();
    } else {
        QTRY_VERIFY(!d || !d->isVisible());
        QCOMPARE(w.zuege(), qint16(17));
        QCOMPARE(w.board().layoutFromTags(), Layout);
    }
    playOneMove(w);
}

// "Speichern" under a name whose file or folder cannot be written.
void TestDamagedFiles::saveThatCannotBeWritten_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("message");   // the start of the message; empty: saved

    const QString cannotSave = QStringLiteral("Der Spielstand kann nicht gespeichert werden:");
    QTest::newRow("a folder of that name") << "folder" << cannotSave;
    QTest::newRow("the old game read-only") << "read-only" << cannotSave;
    QTest::newRow("Saves is a file") << "Saves is a file" << QStringLiteral("Der Ordner\n    ");
    QTest::newRow("no Saves, program folder read-only") << "locked" << QStringLiteral("Der Ordner\n    ");
    QTest::newRow("no Saves folder") << "no Saves" << QString();
}

void TestDamagedFiles::saveThatCannotBeWritten()
{
    QFETCH(QString, damage);
    QFETCH(QString, message);

    ProgramDir pd;
    const QString saves = pd.path(QStringLiteral("Saves"));
    const QString file = saves + QStringLiteral("/alt.sav");
    const QByteArray old = saved(Layout, "3\r\n0\r\n0\r\n/alt.jpg\r\n");
    frmMain w;
    showWindow(w);
    playOneMove(w);

    std::unique_ptr<ReadOnlyPath> readOnly;
    std::unique_ptr<LockedFolder> locked;
    if (damage == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(file + QStringLiteral("/drin")));
    } else if (damage == QLatin1String("read-only")) {
        QVERIFY(writeFile(file, old));
        readOnly = std::make_unique<ReadOnlyPath>(file);
    } else if (damage == QLatin1String("Saves is a file")) {
        QVERIFY(writeFile(saves, "kein Ordner"));
    } else if (damage == QLatin1String("locked")) {
        locked = std::make_unique<LockedFolder>(pd.dir.path());
    }
    if ((readOnly && !readOnly->ok()) || (locked && !locked->ok()))
        QSKIP("cannot make files read-only here");
    const QByteArray savesBefore = contentOf(saves);
    const QByteArray fileBefore = contentOf(file);

    Player player;
    w.mnuSave->trigger();
    QPointer<frmLoad> d = w.findChild<frmLoad *>();
    QVERIFY(d);
    d->txtLoad->setText(QStringLiteral("alt"));
    d->cmdLoad->click();

    if (message.isEmpty()) {
        QCOMPARE(player.messages, QStringList());
        QTRY_VERIFY(!d || !d->isVisible());
        SavedGame game;
        QString error;
        QVERIFY2(SavedGame::read(file, &game, &error), qPrintable(error));
        QCOMPARE(game.zuege, w.zuege());
        return;
    }
    QCOMPARE(player.messages.size(), 1);
    QVERIFY2(player.messages.first().startsWith(message), qPrintable(player.messages.first()));
    // What stood there before is still there, and the dialog stays open for
    // another name.
    QCOMPARE(contentOf(file), fileBefore);
    if (damage != QLatin1String("folder") && damage != QLatin1String("read-only"))
        QCOMPARE(contentOf(saves), savesBefore);
    QVERIFY(d && d->isVisible());
    d->close();
    playOneMove(w);
}

QTEST_MAIN(TestDamagedFiles)
#include "test_damaged_files.moc"
