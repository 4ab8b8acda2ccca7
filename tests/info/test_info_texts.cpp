// The texts of the info windows: the description text byte for byte and its
// key list, the freeware note, the version line and the link targets.
#include "base/Ansi.h"
#include "info/DescriptionText.h"
#include "info/frmAbout.h"

#include <QtTest>

class TestInfoTexts : public QObject
{
    Q_OBJECT
private slots:
    void descriptionBytes();
    void descriptionLines_data();
    void descriptionLines();
    void descriptionShape();
    void descriptionKeys();
    void disclaimer();
    void versionLine_data();
    void versionLine();
    void linkTargets_data();
    void linkTargets();
};

// The text in Windows-1252 bytes, written out independently of the code that
// builds it: a wrong umlaut, blank or line end shows up as a byte difference.
static const char ExpectedText[] =
    "Dieses Spiel ist ein kleiness Zandor,\r\n"
    "bei dem versucht werden soll,\r\n"
    "alle Steine in die richtige Position zu bringen.\r\n"
    "Wobei das Feld rechts unten leer bleibt.\r\n"
    "\r\n"
    "\r\n"
    "Tastaturbelegung\r\n"
    "       [F1]...Info\r\n"
    "       [F2]...Neu starten\r\n"
    "       [F3]...Bild \xe4ndern\r\n"
    "       [F4]...Tipp\r\n"
    "       [F5]...Spielstand speichern\r\n"
    "       [F6]...Spielstand laden\r\n"
    "       [F7]...Vorschau ein/ausschalten\r\n"
    "       [F8]...Positionsanzeige ein/ausschalten\r\n"
    "       [F11]...Bestenliste anzeigen\r\n"
    "       [F12]...Programm Beschreibung\r\n"
    "\r\n"
    "Hinweis:\r\n"
    "       Beim Laden von neuen Bildern,\r\n"
    "       wird eine Kopie des Bildes in dem Ordner\r\n"
    "       (..\\Zandor\\Images\\Originale) angelegt.\r\n"
    "       Nicht mehr benutzte Bilder sollten aus Platzgr\xfcnden\r\n"
    "       von Zeit zu Zeit gel\xf6scht werden.\r\n"
    "       Gespeicherte Spiele befinden sich im Ordner Saves\r\n"
    "       und werden im Windows Explorer gel\xf6scht.\r\n"
    "\r\n"
    "\r\n"
    "Fehler und Anregungen bitte an mich senden.\r\n"
    "Die E-Mailadresse befindet sich auf dem info-Formular.\r\n"
    "\r\n"
    "Viel Spa\xdf beim Spielen";

void TestInfoTexts::descriptionBytes()
{
    const QString text = DescriptionText::text();
    QVERIFY(Ansi::canEncode(text));
    QCOMPARE(Ansi::encode(text), QByteArray(ExpectedText));
    QCOMPARE(text.size(), int(sizeof(ExpectedText)) - 1);   // one character per byte
    QCOMPARE(DescriptionText::lines().join(QStringLiteral("\r\n")), text);
}

void TestInfoTexts::descriptionLines_data()
{
    QTest::addColumn<int>("line");          // 1-based
    QTest::addColumn<bool>("indented");     // seven blanks, then text
    QTest::addColumn<bool>("empty");
    const QSet<int> indented{8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 20, 21, 22, 23, 24, 25, 26};
    const QSet<int> empty{5, 6, 18, 27, 28, 31};
    for (int n = 1; n <= 32; ++n)
        QTest::addRow("line %d", n) << n << indented.contains(n) << empty.contains(n);
}

void TestInfoTexts::descriptionLines()
{
    QFETCH(int, line);
    QFETCH(bool, indented);
    QFETCH(bool, empty);
    const QStringList lines = DescriptionText::lines();
    QCOMPARE(lines.size(), 32);
    const QString l = lines.at(line - 1);
    QCOMPARE(l.isEmpty(), empty);
    if (empty)
        return;
    int blanks = 0;
    while (blanks < l.size() && l.at(blanks) == QLatin1Char(' '))
        ++blanks;
    QCOMPARE(blanks, indented ? 7 : 0);
    QVERIFY2(!l.endsWith(QLatin1Char(' ')), "trailing blank");
    QVERIFY(!l.contains(QLatin1Char('\r')) && !l.contains(QLatin1Char('\n')) && !l.contains(QLatin1Char('\t')));
}

void TestInfoTexts::descriptionShape()
{
    const QString text = DescriptionText::text();
    QVERIFY(!text.endsWith(QLatin1Char('\n')));
    QVERIFY(text.endsWith(QStringLiteral("Viel Spa\u00df beim Spielen")));
    QCOMPARE(text.count(QStringLiteral("\r\n")), 31);
    QCOMPARE(text.count(QLatin1Char('\n')), 31);                 // no lone LF
    QCOMPARE(text.count(QLatin1Char('\r')), 31);                 // no lone CR
    QVERIFY(text.contains(QStringLiteral("Bild \u00e4ndern")));
    QVERIFY(text.contains(QStringLiteral("Platzgr\u00fcnden")));
    QCOMPARE(text.count(QStringLiteral("gel\u00f6scht")), 2);
    // The text is built afresh, identically, each time.
    QCOMPARE(DescriptionText::text(), text);
}

void TestInfoTexts::descriptionKeys()
{
    QList<QKeySequence> expected;
    for (Qt::Key k : {Qt::Key_F1, Qt::Key_F2, Qt::Key_F3, Qt::Key_F4, Qt::Key_F5, Qt::Key_F6, Qt::Key_F7,
                      Qt::Key_F8, Qt::Key_F11, Qt::Key_F12})
        expected.append(QKeySequence(k));
    QCOMPARE(DescriptionText::keys(), expected);
    // Every key line names its key once; no line names F9 or F10.
    const QString text = DescriptionText::text();
    QCOMPARE(text.count(QStringLiteral("[F4]")), 1);
    for (const char *absent : {"[F9]", "[F10]"})
        QVERIFY2(!text.contains(QLatin1String(absent)), absent);
}

void TestInfoTexts::disclaimer()
{
    const QStringList lines = frmAbout::disclaimerLines();
    QCOMPARE(lines.size(), 5);
    QVERIFY(lines.at(0).contains(QStringLiteral("Freeware")));
    QVERIFY(!lines.at(0).startsWith(QLatin1Char(' ')));
    QCOMPARE(lines.at(1), QStringLiteral("  wer trotzdem Spenden will, "));
    QCOMPARE(lines.at(2), QStringLiteral("  bitte vorher E-Mail an mich."));
    QCOMPARE(lines.at(3), QString());
    QCOMPARE(lines.at(4), QStringLiteral("        Vielen Dank. "));
    QVERIFY(Ansi::canEncode(lines.join(QString())));
}

void TestInfoTexts::versionLine_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("line");
    QTest::newRow("1.0.2") << 1 << 0 << 2 << QStringLiteral("Version 1.0.2");
    QTest::newRow("zeros") << 0 << 0 << 0 << QStringLiteral("Version 0.0.0");
    QTest::newRow("many digits") << 12 << 345 << 6789 << QStringLiteral("Version 12.345.6789");
}

void TestInfoTexts::versionLine()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, line);
    QCOMPARE(frmAbout::versionLine(major, minor, revision), line);
}

void TestInfoTexts::linkTargets_data()
{
    QTest::addColumn<bool>("mail");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QUrl>("target");
    QTest::newRow("mail") << true << frmAbout::MailAddress << QUrl(QStringLiteral("mailto:zandor@example.org"));
    QTest::newRow("mail with blanks") << true << QStringLiteral(" a.b@example.org ")
                                      << QUrl(QStringLiteral("mailto:a.b@example.org"));
    QTest::newRow("web host") << false << frmAbout::WebAddress
                              << QUrl(QStringLiteral("https://www.zandor.example.org"));
    QTest::newRow("web with scheme") << false << QStringLiteral("http://example.org/x")
                                     << QUrl(QStringLiteral("http://example.org/x"));
}

void TestInfoTexts::linkTargets()
{
    QFETCH(bool, mail);
    QFETCH(QString, address);
    QFETCH(QUrl, target);
    const QUrl url = mail ? frmAbout::mailTarget(address) : frmAbout::webTarget(address);
    QCOMPARE(url, target);
    QVERIFY(url.isValid());
    if (mail) {
        QCOMPARE(url.scheme(), QStringLiteral("mailto"));
        QVERIFY(!url.path().startsWith(QLatin1Char(' ')));
        QVERIFY(!url.toEncoded().contains("%20"));
    } else {
        QVERIFY(!url.host().isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestInfoTexts)
#include "test_info_texts.moc"
