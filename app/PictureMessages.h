#pragma once
// The texts the player reads about a picture, one place for each reason the
// picture layer reports.
#include "pictures/PictureError.h"

#include <QString>

namespace PictureMessages {

// The reason itself: one sentence.
inline QString reason(PictureError error)
{
    switch (error) {
    case PictureError::None:
        break;
    case PictureError::CannotOpen:
        return QStringLiteral("Die Datei kann nicht geöffnet werden.");
    case PictureError::NotReadable:
        return QStringLiteral("Die Datei ist kein lesbares Bild.");
    case PictureError::TooLarge:
        return QStringLiteral("Das Bild ist zu groß.");
    }
    return QString();
}

// A picture that cannot be shown, named, with its reason.
inline QString notReadable(const QString &picture, PictureError error)
{
    const QString why = reason(error);
    return QStringLiteral("Das Bild \r\n    ") + picture + QStringLiteral("\r\nkann nicht gelesen werden.")
           + (why.isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + why);
}

// A loaded game's picture that is not found.
inline QString notFound(const QString &picture)
{
    return QStringLiteral("Das Bild \r\n    ") + picture
           + QStringLiteral("\r\nkann im angegebenen Pfad nicht gefunden werden.\r\n\r\nEs wird ein neues Spiel gestartet!");
}

// The picture reference file that could not be written.
inline QString referenceNotWritten(const QString &file)
{
    return QStringLiteral("Das Bild wird beim nächsten Start nicht wieder geladen:\r\ndie Datei\r\n    ") + file
           + QStringLiteral("\r\nkann nicht geschrieben werden.");
}

} // namespace PictureMessages
