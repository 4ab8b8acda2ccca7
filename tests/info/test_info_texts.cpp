// What the info windows derive from their texts: the key list, the version
// line and the link targets; and that every text can be shown in Windows-1252.
#include "base/Ansi.h"
#include "info/DescriptionText.h"
#include "info/frmAbout.h"

#include <QtTest>

class TestInfoTexts : public QObject
{
    Q_OBJECT
private slots:
    void textsAndKeys()
    {
        QVERIFY(Ansi::canEncode(DescriptionText::text() + frmAbout::disclaimerLines().join(QString())));
        QList<QKeySequence> keys;   // the two-digit keys are read whole
        for (Qt::Key k : {Qt::Key_F1, Qt::Key_F2, Qt::Key_F3, Qt::Key_F4, Qt::Key_F5, Qt::Key_F6, Qt::Key_F7,
                          Qt::Key_F8, Qt::Key_F11, Qt::Key_F12})
            keys.append(QKeySequence(k));
        QCOMPARE(DescriptionText::keys(), keys);
        QCOMPARE(frmAbout::versionLine(12, 345, 6789), QStringLiteral("Version 12.345.6789"));
    }
    void linkTargets()
    {
        QCOMPARE(frmAbout::mailTarget(QStringLiteral(" a.b@example.org ")), QUrl("mailto:a.b@example.org"));
        QCOMPARE(frmAbout::webTarget(QStringLiteral("www.example.org")), QUrl("https://www.example.org"));
        QCOMPARE(frmAbout::webTarget(QStringLiteral("http://example.org/x")), QUrl("http://example.org/x"));
    }
};

QTEST_GUILESS_MAIN(TestInfoTexts)
#include "test_info_texts.moc"
