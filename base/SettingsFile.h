#pragma once
// The player's settings between runs, einstellungen.ini in the program
// folder: lines "key=value", Windows-1252, CR LF after every line. A key is
// the text before the first '=' of a line, the value the rest; the first
// line with a key counts. Lines the game does not know (another key, a line
// without '=', an empty line) are kept as they are and written back, so that
// a file shared with a newer or older build loses nothing.
//
// Every change is written at once through the atomic writer. A change that
// cannot be written is not taken: the store keeps the value the file holds,
// so that what the game shows and what the next start reads agree.
#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class SettingsFile
{
public:
    static constexpr const char *FileName = "einstellungen.ini";
    // The longest file read; a longer one is taken as empty (and replaced by
    // the next change).
    static constexpr qint64 MaxBytes = 64 * 1024;

    // Replaces the file at path with bytes; true when it was written.
    using Writer = std::function<bool(const QString &path, const QByteArray &bytes)>;

    // The store of the file at path, read at once; a missing or unreadable
    // file holds nothing. writer defaults to the atomic writer.
    explicit SettingsFile(const QString &path, Writer writer = {});

    std::optional<QString> value(const QString &key) const;

    // Sets key to value and writes the file. False (and nothing changed)
    // when it cannot be written. Setting the value a key already has writes
    // nothing and succeeds.
    bool set(const QString &key, const QString &value);

    // The file's content as it is written.
    QByteArray toBytes() const;

private:
    QString m_path;
    Writer m_writer;
    QList<QByteArray> m_lines;   // every line as read, without its line end
};
