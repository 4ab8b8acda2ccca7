// The save/load dialog on a real main window: both modes, saving and loading
// through the dialog, the order in which a load restores the game, invalid
// files, refused names, delete, Enter and Esc.
#include "saves/frmLoad.h"

#include "LockedFolder.h"
#include "base/Ansi.h"
#include "pictures/PictureReference.h"
#include "base/ProgramFolder.h"
#include "base/Twips.h"
#include "app/frmMain.h"
#include "app/FieldBox.h"
#include "saves/SavedGame.h"

#include <QAction>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

// The colour of square k of a test picture; no two alike.
QColor squareColor(int k, bool second)
{
    return QColor::fromHsv((k * 360 / 16 + (second ? 11 : 0)) % 360, 255, second ? 255 : 170);
}

// A picture of 4 x 4 squares of distinct colours, saved as JPEG.
bool makePicture(const QString &path, bool second)
{
    QImage img(400, 400, QImage::Format_RGB32);
    QPainter p(&img);
    for (int k = 0; k < 16; ++k)
        p.fillRect((k % 4) * 100, (k / 4) * 100, 100, 100, squareColor(k, second));
    p.end();
    return img.save(path, "JPEG", 95);
}

// The square of the picture whose colour the centre of tile image shows.
int squareOf(const QImage &tile, bool second)
{
    if (tile.isNull())
        return -1;
    const QColor c = tile.pixelColor(tile.width() / 2, tile.height() / 2);
    int best = -1, bestDist = 1 << 30;
    for (int k = 0; k < 16; ++k) {
        const QColor e = squareColor(k, second);
        const int d = qAbs(c.red() - e.red()) + qAbs(c.green() - e.green()) + qAbs(c.blue() - e.blue());
        if (d < bestDist) {
            bestDist = d;
            best = k;
        }
    }
    return bestDist < 60 ? best : -2;
}

QByteArray fileOf(const QVector<qint16> &fields, const QByteArray &rest)
{
    QByteArray out;
    for (qint16 v : fields)
        out += QByteArray::number(v) + "\r\n";
    return out + rest;
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

// Answers every message box and cancels every file dialog that opens while
// it runs, recording the message texts.
class Answerer : public QObject
{
public:
    Answerer()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answer(); });
        m_timer.start();
    }
    QStringList messages;
    int fileDialogs = 0;

private:
    void answer()
    {
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows) {
            if (!w->isVisible())
                continue;
            if (auto *box = qobject_cast<QMessageBox *>(w)) {
                messages << (box->objectName() == QLatin1String("Meldung") ? QString() : QStringLiteral("?"))
                                + box->text();
                box->done(QMessageBox::Ok);
            } else if (auto *fd = qobject_cast<QFileDialog *>(w)) {
                ++fileDialogs;
                fd->reject();
            }
        }
    }
    QTimer m_timer;
};

// The state of the game a load may change.
struct GameState {
    qint16 zuege;
    QString label1;
    QStringList tags;
    QList<qint64> pictures;
    QString bildAktuell, bildOrg;
    bool imgvis, posAnz, fertig, frame4, preview;
    QString posCaption;

    static GameState of(const frmMain &w)
    {
        GameState s;
        s.zuege = w.zuege();
        s.label1 = w.Label(1)->text();
        for (int p = 0; p < 16; ++p) {
            s.tags << w.board().tag(p);
            s.pictures << w.picBox(p)->picture().cacheKey();
        }
        s.bildAktuell = w.Bild_aktuell();
        s.bildOrg = w.Bild_org;
        s.imgvis = w.imgvis;
        s.posAnz = w.PosAnz;
        s.fertig = w.fertig();
        s.frame4 = w.Frame4()->isVisible();
        s.preview = w.imgTemp()->isVisible();
        s.posCaption = w.mnuPosOn->text();
        return s;
    }
    bool operator==(const GameState &o) const
    {
        return zuege == o.zuege && label1 == o.label1 && tags == o.tags && pictures == o.pictures
            && bildAktuell == o.bildAktuell && bildOrg == o.bildOrg && imgvis == o.imgvis
            && posAnz == o.posAnz && fertig == o.fertig && frame4 == o.frame4 && preview == o.preview
            && posCaption == o.posCaption;
    }
};

QStringList tagsOf(const QVector<qint16> &fields)
{
    QStringList t;
    for (qint16 v : fields)
        t << (v == 100 ? QStringLiteral("leer") : QString::number(v));
    return t;
}

const QVector<qint16> Layout{4, 0, 1, 2, 8, 5, 6, 3, 100, 9, 10, 7, 12, 13, 14, 11};

} // namespace

class TestFrmLoad : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_picA, m_picB;
    std::unique_ptr<frmMain> m_main;
    std::unique_ptr<Answerer> m_answer;

    QString saves() const { return m_dir.path() + "/Saves"; }

    frmLoad *dialog() const
    {
        const auto all = m_main->findChildren<frmLoad *>(QString(), Qt::FindDirectChildrenOnly);
        for (frmLoad *d : all)
            if (!d->closing())
                return d;
        return nullptr;
    }
    int dialogsAlive() const
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return int(m_main->findChildren<frmLoad *>(QString(), Qt::FindDirectChildrenOnly).size());
    }
    // Puts the game into a known state through the main window's own operations.
    void setGame(const QVector<qint16> &fields, qint16 zuege, bool preview, bool pos)
    {
        m_main->ZArray_setzen(fields + QVector<qint16>{0});
        m_main->Bild_Teilen(1);
        m_main->Bilder_Laden(1, 2);
        m_main->setZuege(zuege);
        if (m_main->imgvis != preview)
            m_main->mnuPreviewOn_Click();
        if (m_main->PosAnz != pos)
            m_main->mnuPosOn_Click();
    }
    frmLoad *openLoad()
    {
        m_main->mnuLoad->trigger();
        return dialog();
    }
    void selectEntry(frmLoad *d, const QString &name)
    {
        const auto items = d->File1->findItems(name, Qt::MatchExactly);
        QVERIFY(items.size() == 1);
        const QRect r = d->File1->visualItemRect(items.first());
        QTest::mouseClick(d->File1->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(d->txtLoad->text(), name);
    }
    QStringList entries(frmLoad *d) const
    {
        QStringList out;
        for (int i = 0; i < d->File1->count(); ++i)
            out << d->File1->item(i)->text();
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).mkpath("Images/originale"));
        QVERIFY(QDir(m_dir.path()).mkpath("Bilder"));
        // A path with characters of Windows-1252 beyond ASCII.
        m_picA = m_dir.path() + QStringLiteral("/Bilder/Grüße A.jpg");
        m_picB = m_dir.path() + QStringLiteral("/Bilder/zweites.jpg");
        QVERIFY(makePicture(m_picA, false));
        QVERIFY(makePicture(m_picB, true));
        ProgramFolder::setPath(m_dir.path());
        QVERIFY(PictureReference::write(m_dir.path(), m_picA));
    }
    void init()
    {
        QDir(saves()).removeRecursively();
        m_answer = std::make_unique<Answerer>();
        m_main = std::make_unique<frmMain>();
        m_main->Form_Load();
        QCOMPARE(m_main->Bild_aktuell(), m_picA);
        QCOMPARE(m_answer->messages, QStringList());
    }
    void cleanup()
    {
        m_main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_answer.reset();
    }
    void cleanupTestCase() { ProgramFolder::setPath(QString()); }

    void saveModeWindow()
    {
        QVERIFY(!QFileInfo::exists(saves()));
        m_main->mnuSave->trigger();
        frmLoad *d = dialog();
        QVERIFY(d);
        QVERIFY(d->isVisible());
        QVERIFY(QFileInfo(saves()).isDir());           // created when missing
        QCOMPARE(d->windowTitle(), QStringLiteral("  Speichern"));
        QCOMPARE(d->cmdLoad->text(), QStringLiteral("&Speichern"));
        QCOMPARE(d->cmdDelete->text(), QStringLiteral("L&öschen"));
        QCOMPARE(d->cmdCancel->text(), QStringLiteral("&Abbrechen"));
        QVERIFY(d->cmdLoad->isDefault());
        QCOMPARE(d->windowModality(), Qt::ApplicationModal);
        QVERIFY(d->testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(d->pos(), Twips::point(m_main->Window_Left, m_main->Window_Top));
        QCOMPARE(d->size(), Twips::size(Twips::Load::ClientWidth, Twips::Load::ClientHeight));
        QCOMPARE(d->File1->geometry(), Twips::rect(240, 240, 3015, 2040));
        QCOMPARE(d->txtLoad->geometry(), Twips::rect(240, 2520, 3015, 285));
        QCOMPARE(d->cmdCancel->geometry(), Twips::rect(2400, 3120, 975, 375));
        QCOMPARE(d->File1->count(), 0);
        QCOMPARE(d->txtLoad->text(), QString());

        // Only ever one dialog.
        m_main->mnuSave->trigger();
        m_main->mnuLoad->trigger();
        QCOMPARE(dialogsAlive(), 1);
        QCOMPARE(dialog(), d);
        QCOMPARE(d->mode(), QStringLiteral("save"));
        QCOMPARE(m_answer->messages, QStringList());
    }

    void loadModeWindowSortedList()
    {
        QVERIFY(SavedGame::ensureFolder());
        for (const char *n : {"b.sav", "A.sav", "c.sav", "liesmich.txt"})
            QVERIFY(writeBytes(saves() + "/" + n, "x"));
        frmLoad *d = openLoad();
        QVERIFY(d && d->isVisible());
        QCOMPARE(d->windowTitle(), QStringLiteral("  Laden"));
        QCOMPARE(d->cmdLoad->text(), QStringLiteral("&Laden"));
        QCOMPARE(entries(d), (QStringList{"A.sav", "b.sav", "c.sav"}));
        QCOMPARE(d->pos(), Twips::point(m_main->Window_Left, m_main->Window_Top));
        QCOMPARE(m_answer->messages, QStringList());
    }

    void loadModeWithoutGames_data()
    {
        QTest::addColumn<bool>("folderExists");
        QTest::newRow("Saves missing") << false;
        QTest::newRow("Saves empty") << true;
    }
    void loadModeWithoutGames()
    {
        QFETCH(bool, folderExists);
        if (folderExists)
            QVERIFY(SavedGame::ensureFolder());
        const GameState before = GameState::of(*m_main);
        m_main->mnuLoad->trigger();
        QCOMPARE(m_answer->messages, QStringList{"Es gibt keine gespeicherten Spiele!"});
        QVERIFY(QFileInfo(saves()).isDir());
        QCOMPARE(dialog(), nullptr);
        QCOMPARE(dialogsAlive(), 0);
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY(!(w->isVisible() && qobject_cast<frmLoad *>(w)));
        QVERIFY(GameState::of(*m_main) == before);
    }

    // Save through the dialog, change the game, load it back through the
    // dialog: layout, counter, switches and picture come back; the file holds
    // exactly the expected bytes.
    void roundTrip()
    {
        setGame(Layout, 23, true, false);
        QCOMPARE(m_main->board().layoutFromTags(), Layout);

        m_main->mnuSave->trigger();
        frmLoad *d = dialog();
        QVERIFY(d);
        QTest::keyClicks(d->txtLoad, QStringLiteral("Runde 1"));
        QTest::mouseClick(d->cmdLoad, Qt::LeftButton);
        QCOMPARE(dialogsAlive(), 0);
        QCOMPARE(m_answer->messages, QStringList());

        const QByteArray expected =
            QByteArray("4\r\n0\r\n1\r\n2\r\n8\r\n5\r\n6\r\n3\r\n100\r\n9\r\n10\r\n7\r\n12\r\n13\r\n14\r\n"
                       "11\r\n23\r\n1\r\n0\r\n")
            + m_dir.path().toUtf8() + "/Bilder/Gr\xFC\xDF" "e A.jpg\r\n";
        QCOMPARE(readAll(saves() + "/Runde 1.sav"), expected);

        // Another game: new deal, preview off, position display on, won.
        m_main->mnuNew_Click();
        if (m_main->imgvis)
            m_main->mnuPreviewOn_Click();
        m_main->mnuPosOn_Click();
        m_main->setFertig(true);
        QVERIFY(m_main->PosAnz);
        QVERIFY(!m_main->imgvis);
        QCOMPARE(m_main->zuege(), qint16(0));

        d = openLoad();
        QVERIFY(d);
        QCOMPARE(entries(d), QStringList{"Runde 1.sav"});
        selectEntry(d, "Runde 1.sav");
        QTest::mouseClick(d->cmdLoad, Qt::LeftButton);
        QCOMPARE(dialogsAlive(), 0);
        QCOMPARE(m_answer->messages, QStringList());

        QCOMPARE(m_main->board().layoutFromTags(), Layout);
        QCOMPARE(GameState::of(*m_main).tags, tagsOf(Layout));
        QCOMPARE(m_main->zuege(), qint16(23));
        QCOMPARE(m_main->Label(1)->text(), QStringLiteral("23"));
        QVERIFY(m_main->imgvis);
        QVERIFY(m_main->imgTemp()->isVisible());
        QCOMPARE(m_main->mnuPreviewOn->text(), QStringLiteral("Vorschau aus"));
        QVERIFY(!m_main->PosAnz);
        QVERIFY(!m_main->Frame4()->isVisible());
        QCOMPARE(m_main->mnuPosOn->text(), QStringLiteral("Positionsanzeige ein"));
        QCOMPARE(m_main->Bild_aktuell(), m_picA);
        QCOMPARE(m_main->Bild_org, m_picA);
        QTRY_COMPARE(QApplication::activeWindow(), m_main.get());
        // A game loaded after a won game is played on: a drop counts.
        QVERIFY(!m_main->fertig());
        const Board::DropResult r = m_main->board().drop(9, 8);
        QVERIFY(r.counted && r.moved);
    }

    // The load hands the file's picture to Settings before the picture is cut
    // and the tiles placed: the tiles come from the file's picture, laid out
    // as the file says, the empty field where the file has it; Bild_org keeps
    // the picture chosen last, and a save after the load writes that one.
    void loadOrderAndPlacement_data()
    {
        QTest::addColumn<QVector<qint16>>("fields");
        QTest::newRow("empty field at 5")
            << QVector<qint16>{3, 7, 11, 0, 2, 100, 1, 4, 9, 14, 6, 5, 8, 13, 12, 10};
        QTest::newRow("saved before the first drop, 15 at 15")
            << QVector<qint16>{14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 15};
        QTest::newRow("solved board loads as it is")
            << QVector<qint16>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 100};
    }
    void loadOrderAndPlacement()
    {
        QFETCH(QVector<qint16>, fields);
        QVERIFY(SavedGame::ensureFolder());
        QVERIFY(writeBytes(saves() + "/b.sav",
                           fileOf(fields, "0\r\n0\r\n1\r\n" + m_picB.toUtf8() + "\r\n")));
        frmLoad *d = openLoad();
        QVERIFY(d);
        selectEntry(d, "b.sav");
        QTest::mouseClick(d->cmdLoad, Qt::LeftButton);
        QCOMPARE(dialogsAlive(), 0);
        QCOMPARE(m_answer->messages, QStringList());

        QCOMPARE(m_main->Bild_aktuell(), m_picB);
        QCOMPARE(m_main->Bild_org, m_picA);
        QCOMPARE(m_main->board().ZArray(), fields + QVector<qint16>{0});
        QCOMPARE(m_main->zuege(), qint16(0));
        QCOMPARE(m_main->Label(1)->text(), QStringLiteral("0"));
        QVERIFY(m_main->PosAnz);
        QVERIFY(!m_main->imgvis);
        QVERIFY(!m_main->fertig());
        for (int p = 0; p < 16; ++p) {
            const qint16 t = fields[p];
            QCOMPARE(m_main->board().tag(p), t == 100 ? QStringLiteral("leer") : QString::number(t));
            const int expectedSquare = (t == 100 || t == 15) ? -1 : t;
            QCOMPARE(squareOf(m_main->picBox(p)->picture(), true), expectedSquare);
            QVERIFY(m_main->picBox(p)->hasBorder());
        }

        m_main->mnuSave->trigger();
        d = dialog();
        QVERIFY(d);
        d->txtLoad->setText("danach");
        d->cmdLoad->click();
        const QList<QByteArray> lines = Ansi::splitLines(readAll(saves() + "/danach.sav"));
        QCOMPARE(lines.size(), 20);
        QCOMPARE(PictureReference::decodeLine(lines[19]), m_picA);
    }

    // The picture of the file is gone: the message of Settings, both
    // switches off, the board still laid out from the file.
    void missingPicture()
    {
        setGame(Layout, 5, true, true);
        const QString gone = m_dir.path() + "/Bilder/weg.jpg";
        const QVector<qint16> fields{1, 2, 3, 7, 0, 5, 6, 11, 4, 9, 10, 100, 8, 12, 13, 14};
        QVERIFY(SavedGame::ensureFolder());
        QVERIFY(writeBytes(saves() + "/alt.sav", fileOf(fields, "77\r\n1\r\n1\r\n" + gone.toUtf8() + "\r\n")));
        frmLoad *d = openLoad();
        QVERIFY(d);
        d->txtLoad->setText("alt.sav");
        d->cmdLoad->click();
        QCOMPARE(dialogsAlive(), 0);
        QVERIFY(!m_answer->messages.isEmpty());
        QCOMPARE(m_answer->messages.first(),
                 QStringLiteral("Das Bild \r\n    ") + gone
                     + "\r\nkann im angegebenen Pfad nicht gefunden werden.\r\n\r\n"
                       "Es wird ein neues Spiel gestartet!");
        QVERIFY(!m_main->imgvis);
        QVERIFY(!m_main->PosAnz);
        QVERIFY(!m_main->imgTemp()->isVisible());
        QVERIFY(!m_main->Frame4()->isVisible());
        QCOMPARE(m_main->mnuPosOn->text(), QStringLiteral("Positionsanzeige ein"));
        QCOMPARE(m_main->Bild_aktuell(), gone);
        QCOMPARE(m_main->Bild_org, m_picA);
        QCOMPARE(m_main->zuege(), qint16(77));
        QCOMPARE(GameState::of(*m_main).tags, tagsOf(fields));
        for (int p = 0; p < 16; ++p)
            QCOMPARE(m_main->picBox(p)->picture().isNull(), fields[p] == 100);
    }

    // Nothing of a file that is not a saved game reaches the game, and the
    // player is told why; the dialog stays open.
    void invalidFileLeavesGame_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        const QByteArray tail = "9\r\n1\r\n1\r\n/x.jpg\r\n";
        QTest::newRow("zero bytes") << QByteArray() << "weniger als 20 Zeilen";
        QTest::newRow("19 lines") << fileOf(Layout, "9\r\n1\r\n1\r\n") << "weniger als 20 Zeilen";
        QByteArray t = fileOf(Layout, tail);
        t.replace("\r\n100\r\n", "\r\nleer\r\n");
        QTest::newRow("leer in the file") << t << "Zeile 9 ist keine ganze Zahl";
        QTest::newRow("counter out of range") << fileOf(Layout, "40000\r\n1\r\n1\r\n/x.jpg\r\n")
                                              << "Zeile 17 ist keine ganze Zahl";
        QTest::newRow("switch not a number") << fileOf(Layout, "9\r\nja\r\n1\r\n/x.jpg\r\n")
                                             << "Zeile 18 ist keine ganze Zahl";
        QVector<qint16> dup = Layout;
        dup[0] = 0;
        QTest::newRow("tile twice") << fileOf(dup, tail) << "kein Spielfeld";
        QVector<qint16> far = Layout;
        far[3] = 30000;
        QTest::newRow("index far outside") << fileOf(far, tail) << "kein Spielfeld";
        QVector<qint16> noEmpty = Layout;
        noEmpty[8] = 15;
        noEmpty[15] = 15;
        QTest::newRow("two 15s") << fileOf(noEmpty, tail) << "kein Spielfeld";
        QTest::newRow("a folder") << QByteArray("<folder>") << "nicht gelesen";
    }
    void invalidFileLeavesGame()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        setGame(Layout, 23, false, true);
        m_main->setFertig(true);
        const GameState before = GameState::of(*m_main);

        QVERIFY(SavedGame::ensureFolder());
        if (content == "<folder>")
            QVERIFY(QDir(saves()).mkdir("kaputt.sav"));
        else
            QVERIFY(writeBytes(saves() + "/kaputt.sav", content));
        QVERIFY(writeBytes(saves() + "/gut.sav", "x"));   // so the dialog opens
        frmLoad *d = openLoad();
        QVERIFY(d);
        d->txtLoad->setText("kaputt.sav");
        d->cmdLoad->click();

        QCOMPARE(m_answer->messages.size(), 1);
        QVERIFY2(m_answer->messages.first().startsWith("Die Datei\n    kaputt.sav\nist kein gültiger Spielstand."),
                 qPrintable(m_answer->messages.first()));
        QVERIFY2(m_answer->messages.first().contains(reason), qPrintable(m_answer->messages.first()));
        QCOMPARE(dialog(), d);
        QVERIFY(d->isVisible());
        QVERIFY(d->isEnabled());
        QVERIFY(GameState::of(*m_main) == before);
        QCOMPARE(m_main->board().layoutFromTags(), Layout);
    }

    // Typed without ".sav": the file is not found, nothing happens, no
    // message; typed with it, Enter loads.
    void loadTypedName()
    {
        QVERIFY(SavedGame::ensureFolder());
        QVERIFY(writeBytes(saves() + "/spiel.sav",
                           fileOf(Layout, "3\r\n0\r\n0\r\n" + m_picA.toUtf8() + "\r\n")));
        const GameState before = GameState::of(*m_main);
        frmLoad *d = openLoad();
        QVERIFY(d);
        d->txtLoad->setText("spiel");
        QTest::keyClick(d->txtLoad, Qt::Key_Return);
        QCOMPARE(m_answer->messages, QStringList());
        QCOMPARE(dialog(), d);
        QVERIFY(d->isVisible() && d->isEnabled());
        QVERIFY(GameState::of(*m_main) == before);

        d->txtLoad->setText("spiel.sav");
        QTest::keyClick(d->txtLoad, Qt::Key_Return);
        QCOMPARE(m_answer->messages, QStringList());
        QCOMPARE(dialogsAlive(), 0);
        QCOMPARE(m_main->board().layoutFromTags(), Layout);
        QCOMPARE(m_main->zuege(), qint16(3));
    }

    void doubleClickLoads()
    {
        QVERIFY(SavedGame::ensureFolder());
        QVERIFY(writeBytes(saves() + "/a.sav", fileOf(Layout, "3\r\n0\r\n0\r\n" + m_picA.toUtf8() + "\r\n")));
        QVERIFY(writeBytes(saves() + "/z.sav", "x"));
        frmLoad *d = openLoad();
        QVERIFY(d);
        const QRect r = d->File1->visualItemRect(d->File1->item(0));
        QTest::mouseClick(d->File1->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(d->File1->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(m_answer->messages, QStringList());
        QCOMPARE(dialogsAlive(), 0);
        QCOMPARE(m_main->board().layoutFromTags(), Layout);
        QCOMPARE(m_main->zuege(), qint16(3));
    }

    void saveNames_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("file");
        QTest::newRow("appended") << "Abend" << "Abend.sav";
        QTest::newRow("kept") << "Abend.sav" << "Abend.sav";
        QTest::newRow("capitals get it too") << "X.SAV" << "X.SAV.sav";
    }
    void saveNames()
    {
        QFETCH(QString, typed);
        QFETCH(QString, file);
        m_main->mnuSave->trigger();
        frmLoad *d = dialog();
        QVERIFY(d);
        d->txtLoad->setText(typed);
        QTest::keyClick(d->txtLoad, Qt::Key_Return);   // Enter confirms
        QCOMPARE(m_answer->messages, QStringList());
        QCOMPARE(dialogsAlive(), 0);
        QCOMPARE(QDir(saves()).entryList(QDir::Files | QDir::Hidden), QStringList{file});
    }

    // Names that would reach outside Saves, or are no names: refused with a
    // message in every mode; nothing written, read or deleted; the dialog
    // stays open with the list as it was.
    void refusedNames_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("name");
        for (const char *mode : {"save", "load", "delete"}) {
            QTest::addRow("%s empty", mode) << mode << "";
            QTest::addRow("%s blanks", mode) << mode << "   ";
            QTest::addRow("%s dot dot", mode) << mode << "..";
            QTest::addRow("%s parent", mode) << mode << "../p.cxa";
            QTest::addRow("%s backslash", mode) << mode << "..\\p.cxa";
            QTest::addRow("%s control", mode) << mode << "a\tb.sav";
        }
    }
    void refusedNames()
    {
        QFETCH(QString, mode);
        QFETCH(QString, name);
        QVERIFY(SavedGame::ensureFolder());
        QVERIFY(writeBytes(saves() + "/da.sav", "x"));
        const QByteArray pcxa = readAll(m_dir.path() + "/p.cxa");
        const QStringList topBefore = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
        const GameState before = GameState::of(*m_main);
        if (mode == "save")
            m_main->mnuSave->trigger();
        else
            m_main->mnuLoad->trigger();
        frmLoad *d = dialog();
        QVERIFY(d);
        d->txtLoad->setText(name);
        if (mode == "delete")
            d->cmdDelete->click();
        else
            d->cmdLoad->click();
        QCOMPARE(m_answer->messages.size(), 1);
        QVERIFY(m_answer->messages.first().endsWith('!'));
        QVERIFY(!m_answer->messages.first().contains("Datei nicht gefunden"));
        QCOMPARE(dialog(), d);
        QVERIFY(d->isVisible());
        QCOMPARE(entries(d), QStringList{"da.sav"});
        QCOMPARE(d->txtLoad->text(), name);
        QCOMPARE(QDir(saves()).entryList(QDir::Files | QDir::Hidden), QStringList{"da.sav"});
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden), topBefore);
        QCOMPARE(readAll(m_dir.path() + "/p.cxa"), pcxa);
        QVERIFY(GameState::of(*m_main) == before);
    }

    void deleteEntries()
    {
        QVERIFY(SavedGame::ensureFolder());
        for (const char *n : {"eins.sav", "zwei.sav"})
            QVERIFY(writeBytes(saves() + "/" + n, "x"));
        frmLoad *d = openLoad();
        QVERIFY(d);

        // Picked from the list: gone at once, without a question.
        selectEntry(d, "eins.sav");
        d->cmdDelete->click();
        QCOMPARE(m_answer->messages, QStringList());
        QVERIFY(!QFileInfo::exists(saves() + "/eins.sav"));
        QCOMPARE(entries(d), QStringList{"zwei.sav"});
        QCOMPARE(d->txtLoad->text(), QString());
        QVERIFY(d->isVisible());

        // Typed without ".sav": not found, although zwei.sav exists.
        d->txtLoad->setText("zwei");
        d->cmdDelete->click();
        QCOMPARE(m_answer->messages, QStringList{"Datei nicht gefunden!"});
        QVERIFY(QFileInfo::exists(saves() + "/zwei.sav"));
        QCOMPARE(entries(d), QStringList{"zwei.sav"});
        QCOMPARE(d->txtLoad->text(), QStringLiteral("zwei"));
        QVERIFY(d->isVisible());

        // A folder of that name is no saved game either.
        QVERIFY(QDir(saves()).mkdir("ordner.sav"));
        d->txtLoad->setText("ordner.sav");
        d->cmdDelete->click();
        QCOMPARE(m_answer->messages.last(), QStringLiteral("Datei nicht gefunden!"));
        QVERIFY(QFileInfo(saves() + "/ordner.sav").isDir());

        // A file that cannot be deleted: said so, list and name unchanged.
        m_answer->messages.clear();
        selectEntry(d, "zwei.sav");
        {
            LockedFolder lock(saves());
            if (!lock.ok())
                QSKIP("cannot make the folder read-only here");
            d->cmdDelete->click();
        }
        QCOMPARE(m_answer->messages.size(), 1);
        QVERIFY2(m_answer->messages.first().contains("kann nicht gelöscht werden!"),
                 qPrintable(m_answer->messages.first()));
        QVERIFY(QFileInfo::exists(saves() + "/zwei.sav"));
        QCOMPARE(entries(d), QStringList{"zwei.sav"});
        QCOMPARE(d->txtLoad->text(), QStringLiteral("zwei.sav"));
        QVERIFY(d->isVisible());
    }

    // A save that cannot be written: said so, the old game of that name
    // whole, the dialog still open.
    void failedSaveKeepsOldFile()
    {
        QVERIFY(SavedGame::ensureFolder());
        const QByteArray old = fileOf(Layout, "3\r\n0\r\n0\r\n/alt.jpg\r\n");
        QVERIFY(writeBytes(saves() + "/alt.sav", old));
        m_main->mnuSave->trigger();
        frmLoad *d = dialog();
        QVERIFY(d);
        selectEntry(d, "alt.sav");
        {
            LockedFolder lock(saves());
            if (!lock.ok())
                QSKIP("cannot make the folder read-only here");
            d->cmdLoad->click();
        }
        QCOMPARE(m_answer->messages.size(), 1);
        QVERIFY2(m_answer->messages.first().contains("kann nicht gespeichert werden"),
                 qPrintable(m_answer->messages.first()));
        QCOMPARE(readAll(saves() + "/alt.sav"), old);
        QCOMPARE(dialog(), d);
        QVERIFY(d->isVisible());

        // Saving again once it can be written replaces the old game.
        d->cmdLoad->click();
        QCOMPARE(dialogsAlive(), 0);
        QVERIFY(readAll(saves() + "/alt.sav") != old);
    }

    void escapeAndCloseBoxCancel_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("save, Esc") << "save" << false;
        QTest::newRow("load, Esc") << "load" << false;
        QTest::newRow("save, close box") << "save" << true;
        QTest::newRow("load, cancel button") << "load" << true;
    }
    void escapeAndCloseBoxCancel()
    {
        QFETCH(QString, mode);
        QFETCH(bool, closeBox);
        QVERIFY(SavedGame::ensureFolder());
        const QByteArray game = fileOf(Layout, "3\r\n0\r\n0\r\n" + m_picA.toUtf8() + "\r\n");
        QVERIFY(writeBytes(saves() + "/a.sav", game));
        const GameState before = GameState::of(*m_main);
        if (mode == "save")
            m_main->mnuSave->trigger();
        else
            m_main->mnuLoad->trigger();
        frmLoad *d = dialog();
        QVERIFY(d);
        selectEntry(d, "a.sav");
        if (!closeBox)
            QTest::keyClick(d->txtLoad, Qt::Key_Escape);
        else if (mode == "save")
            d->close();
        else
            QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
        QCOMPARE(dialogsAlive(), 0);
        QCOMPARE(m_answer->messages, QStringList());
        QCOMPARE(readAll(saves() + "/a.sav"), game);
        QVERIFY(GameState::of(*m_main) == before);

        // The next opening starts afresh in its own mode.
        m_main->mnuSave->trigger();
        QVERIFY(dialog());
        QCOMPARE(dialog()->windowTitle(), QStringLiteral("  Speichern"));
        QCOMPARE(dialog()->txtLoad->text(), QString());
    }

    void closesWithMainWindow()
    {
        m_main->mnuSave->trigger();
        QPointer<frmLoad> d = dialog();
        QVERIFY(d);
        m_main->close();
        QVERIFY(d.isNull() || !d->isVisible());
        m_main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(d.isNull());
    }
};

QTEST_MAIN(TestFrmLoad)
#include "test_frmload.moc"
