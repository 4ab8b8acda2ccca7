#pragma once
// The texts the player reads about a picture, one place for each reason the
// picture layer reports. The texts are German, translated through tr()
// (context "PictureMessages").
#include "pictures/PictureError.h"

#include <QCoreApplication>
#include <QString>

class PictureMessages
{
    Q_DECLARE_TR_FUNCTIONS(PictureMessages)
public:
    // The reason itself: one sentence.
    static QString reason(PictureError error)
    {
        switch (error) {
        case PictureError::None:
            break;
        case PictureError::CannotOpen:
            return tr("Die Datei kann nicht geöffnet werden.");
        case PictureError::NotReadable:
            return tr("Die Datei ist kein lesbares Bild.");
        case PictureError::TooLarge:
            return tr("Das Bild ist zu groß.");
        }
        return QString();
    }

    // A picture that cannot be shown, named, with its reason.
    static QString notReadable(const QString &picture, PictureError error)
    {
        const QString why = reason(error);
        return tr("Das Bild \r\n    %1\r\nkann nicht gelesen werden.").arg(picture)
               + (why.isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + why);
    }

    // A loaded game's picture that is not found.
    static QString notFound(const QString &picture)
    {
        return tr("Das Bild \r\n    %1\r\nkann im angegebenen Pfad nicht gefunden werden.\r\n\r\n"
                  "Es wird ein neues Spiel gestartet!").arg(picture);
    }

    // The picture reference file that could not be written.
    static QString referenceNotWritten(const QString &file)
    {
        return tr("Das Bild wird beim nächsten Start nicht wieder geladen:\r\ndie Datei\r\n    %1\r\n"
                  "kann nicht geschrieben werden.").arg(file);
    }
};
