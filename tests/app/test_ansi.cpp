#include "base/Ansi.h"

#include <QtTest>

class TestAnsi : public QObject
{
    Q_OBJECT
private slots:
    void encodeDecodeAndWrite()
    {
        const QString text = QStringLiteral("Grüße € äöüß");
        QCOMPARE(Ansi::encode(text), QByteArray("Gr\xFC\xDF" "e \x80 \xE4\xF6\xFC\xDF"));
        QCOMPARE(Ansi::decode(Ansi::encode(text)), text);
        QVERIFY(Ansi::canEncode(text));
        // One '?' for each character the code page cannot hold, a surrogate pair included.
        const QString wide = QStringLiteral("a\u4E2Db") + QString::fromUcs4(U"\U0001F600") + "c";
        QCOMPARE(Ansi::encode(wide), QByteArray("a?b?c"));
        QVERIFY(!Ansi::canEncode(wide));
        QCOMPARE(Ansi::writeLines({"1", "", "ä"}), QByteArray("1\r\n\r\n\xE4\r\n"));
    }
    void readLines_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QByteArray() << QStringList();
        QTest::newRow("no final end") << QByteArray("a\r\nb") << QStringList{"a", "b"};
        QTest::newRow("lf") << QByteArray("a\nb\n") << QStringList{"a", "b"};
        QTest::newRow("empty lines, lone cr kept") << QByteArray("\r\n\r\na\rb\r\n") << QStringList{"", "", "a\rb"};
    }
    void readLines()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, lines);
        QCOMPARE(Ansi::readLines(content), lines);
    }
};

QTEST_GUILESS_MAIN(TestAnsi)
#include "test_ansi.moc"
