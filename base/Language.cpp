#include "base/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace Language {

Choice choose(const QStringList &uiLanguages)
{
    // "C" (Qt's name also for C.UTF-8 and POSIX) first: no language is set.
    // Further back Qt adds it itself after a language it does not know,
    // which counts as any other language.
    const QString first = uiLanguages.value(0);
    if (first.isEmpty() || first == QLatin1String("C") || first == QLatin1String("POSIX") || first.startsWith(QLatin1String("C.")))
        return Choice::German;
    for (const QString &name : uiLanguages) {
        // A name QLocale does not know comes back as the language C.
        const QLocale::Language language = QLocale(name).language();
        if (language == QLocale::German)
            return Choice::German;
        if (language == QLocale::English)
            return Choice::English;
    }
    return Choice::English;
}

Choice system()
{
    return choose(QLocale::system().uiLanguages());
}

bool install(Choice choice, const QString &folder)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    const bool loaded = choice == Choice::English
        ? translator->load(QStringLiteral("zandor_en"), folder)
        : translator->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (!loaded || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

} // namespace Language
