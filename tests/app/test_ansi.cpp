#include "base/Ansi.h"

#include <QtTest>

class TestAnsi : public QObject
{
    Q_OBJECT
private slots:
    void roundTripWindows1252()
    {
        const QString text = QStringLiteral("Grüße € Zandor äöüß");
        const QByteArray bytes = Ansi::encode(text);
        QCOMPARE(bytes.size(), text.size());
        QCOMPARE(bytes.at(2), char(0xFC)); // ü
        QCOMPARE(bytes.at(6), char(0x80)); // €
        QCOMPARE(Ansi::decode(bytes), text);
        QVERIFY(Ansi::canEncode(text));
    }
    void unrepresentableBecomesOneQuestionMark()
    {
        const QString text = QStringLiteral("a\u4E2Db") + QString::fromUcs4(U"\U0001F600") + "c";
        QCOMPARE(Ansi::encode(text), QByteArray("a?b?c"));
        QVERIFY(!Ansi::canEncode(text));
    }
    void linesEndInCrLf()
    {
        QCOMPARE(Ansi::writeLines({"1", "", "ä"}), QByteArray("1\r\n\r\n\xE4\r\n"));
        QCOMPARE(Ansi::writeLines({}), QByteArray());
    }
    void splitLines_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QByteArray() << QStringList();
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
        QTest::newRow("no final end") << QByteArray("a\r\nb") << QStringList{"a", "b"};
        QTest::newRow("lf") << QByteArray("a\nb\n") << QStringList{"a", "b"};
        QTest::newRow("empty lines") << QByteArray("\r\n\r\nx\r\n") << QStringList{"", "", "x"};
        QTest::newRow("lone cr kept") << QByteArray("a\rb\r\n") << QStringList{"a\rb"};
    }
    void splitLines()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, lines);
        QCOMPARE(Ansi::readLines(content), lines);
    }
};

QTEST_GUILESS_MAIN(TestAnsi)
#include "test_ansi.moc"
