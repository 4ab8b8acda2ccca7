// The language of the texts: chosen from the system's settings as Qt reads
// them; the English translation complete, current with the code, English,
// and built into the program folder.
#include "base/Language.h"

#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace {

// Texts that read the same in English.
const QStringList SameInEnglish = {"Author:", "Mail:", "URL:", "OK", "Version %1.%2.%3", "    Top Ten", "Top Ten", "High Scores", "Position", "%1   (%2 × %2)", "%1 × %1"};

// The text of the element the reader stands on; a character lupdate writes
// as an element of its own (a carriage return: <byte value="xd"/>) included.
QString elementText(QXmlStreamReader &xml)
{
    QString text;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::Characters)
            text += xml.text();
        else if (token == QXmlStreamReader::StartElement && ++depth && xml.name() == QLatin1String("byte"))
            text += QChar(xml.attributes().value(QLatin1String("value")).mid(1).toUShort(nullptr, 16));   // "xd"
        else if (token == QXmlStreamReader::EndElement)
            --depth;
    }
    return text;
}

QStringList placeholders(const QString &text)
{
    QStringList found;
    for (const QRegularExpressionMatch &m : QRegularExpression(QStringLiteral("%\\d")).globalMatch(text))
        found << m.captured();
    found.sort();
    return found;
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT
private slots:
    // Run by followsTheSettings in a process of its own, under one row's
    // settings: the choice made there.
    void chosenHere()
    {
        const QByteArray expected = qgetenv("ZANDOR_EXPECTED_LANGUAGE");
        if (expected.isEmpty())
            QSKIP("only under the settings of a row of followsTheSettings");
        QCOMPARE(QByteArray(Language::system() == Language::Choice::German ? "de" : "en"), expected);
    }

    void followsTheSettings_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QByteArray>("expected");
        const std::pair<const char *, const char *> rows[] = {
            {"", "de"}, {"LANG=C.UTF-8", "de"}, {"LANG=POSIX", "de"}, {"LC_ALL=C LANG=en_US.UTF-8", "de"},
            {"LC_MESSAGES=de_AT.UTF-8 LANG=en_GB.UTF-8", "de"}, {"LANGUAGE=de:en LANG=en_US.UTF-8", "de"},
            {"LANGUAGE=fr:de LANG=fr_FR.UTF-8", "de"}, {"LANG=en_US.UTF-8", "en"}, {"LANG=fr_FR.UTF-8", "en"},
            {"LANGUAGE=en:de LANG=de_DE.UTF-8", "en"}, {"LANGUAGE=tlh", "en"}};   // tlh: Qt adds "C" after it
        for (const auto &[settings, expected] : rows)
            QTest::newRow(*settings ? settings : "nothing set") << QString::fromLatin1(settings) << QByteArray(expected);
    }

    void followsTheSettings()
    {
        QFETCH(QString, settings);
        QFETCH(QByteArray, expected);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
            env.remove(QLatin1String(name));
        for (const QString &setting : settings.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
        env.insert(QStringLiteral("ZANDOR_EXPECTED_LANGUAGE"), QString::fromLatin1(expected));
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("test_language"), QStringLiteral("chosenHere")});
        QVERIFY(child.waitForFinished(60000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, child.readAll().constData());
    }

    // lupdate over the code finds no text that zandor_en.ts lacks and none
    // it keeps in vain; every translation is finished, differs from the
    // German (but for the few that read the same), keeps its placeholders,
    // has no German letter, and is what the built zandor_en.qm gives.
    void englishIsComplete()
    {
        QTemporaryDir dir;
        const QString ts = dir.filePath(QStringLiteral("zandor_en.ts"));
        QVERIFY(QFile::copy(QStringLiteral(ZANDOR_SOURCE_DIR "/translations/zandor_en.ts"), ts));
        QVERIFY(QFile::setPermissions(ts, QFile::ReadOwner | QFile::WriteOwner));
        QProcess lupdate;
        lupdate.setWorkingDirectory(QStringLiteral(ZANDOR_SOURCE_DIR));
        lupdate.setProcessChannelMode(QProcess::MergedChannels);
        lupdate.start(QStringLiteral(ZANDOR_LUPDATE), QStringList{"-silent", "-locations", "none", "-I", ZANDOR_SOURCE_DIR}
                          + QStringLiteral(ZANDOR_TRANSLATED_FOLDERS).split(QLatin1Char(' ')) + QStringList{"-ts", ts});
        QVERIFY(lupdate.waitForFinished(60000));
        QVERIFY2(lupdate.exitCode() == 0, lupdate.readAll().constData());
        // Where the game looks for it in the program folder as built.
        QVERIFY(Language::install(Language::Choice::English, QStringLiteral(ZANDOR_PROGRAM_DIR "/") + QLatin1String(Language::Folder)));

        QFile file(ts);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QString context, source, comment;
        int messages = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QStringView name = xml.name();
            if (name == QLatin1String("message")) {
                source.clear(), comment.clear();
            } else if (name == QLatin1String("name")) {
                context = elementText(xml);
            } else if (name == QLatin1String("source")) {
                source = elementText(xml);
            } else if (name == QLatin1String("comment")) {
                comment = elementText(xml);
            } else if (name == QLatin1String("translation")) {
                const QString state = xml.attributes().value(QLatin1String("type")).toString();
                const QString english = elementText(xml);
                const QString what = context + QStringLiteral(": \"") + source + QStringLiteral("\" -> \"") + english + '"';
                QVERIFY2(state.isEmpty(), qPrintable(what + QStringLiteral(" is ") + state + QStringLiteral(
                                              ": cmake --build build --target update_translations, then translate "
                                              "(or remove) it in translations/zandor_en.ts")));
                QVERIFY2(!english.isEmpty() && (english != source || SameInEnglish.contains(source)), qPrintable(what));
                QVERIFY2(placeholders(english) == placeholders(source), qPrintable(what));
                QVERIFY2(!english.contains(QRegularExpression(QStringLiteral("[äöüÄÖÜß]"))), qPrintable(what));
                const QByteArray c = context.toUtf8(), s = source.toUtf8(), d = comment.toUtf8();
                QCOMPARE(QCoreApplication::translate(c.constData(), s.constData(), d.isEmpty() ? nullptr : d.constData()), english);
                ++messages;
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(messages > 0);
    }
};

QTEST_MAIN(TestLanguage)
#include "test_language.moc"
