#pragma once
// Reading and writing the game's files safely.
//
// Every file the game writes is replaced as a whole: the new content goes to
// a temporary file beside it (a short name of the writer's own, so that a
// file name as long as a name can be still fits), is written unbuffered and
// flushed to the disk, and only then renamed over the old name. A full disk,
// a file-size limit, a missing right or any other failure leaves the old file
// untouched and is reported. A regular file whose own rights forbid writing
// it (made read-only by the player) is not replaced either. Renaming replaces
// a symbolic link standing in the file's place by the new regular file; the
// link's target is never written.
//
// Every file the game reads is opened only when it is a regular file: a FIFO,
// a device or a folder in its place is refused at once instead of blocking.
#include <QByteArray>
#include <QList>
#include <QString>

#include <sys/types.h>

class QFile;

namespace FileAccess {

// How far a replaced file is pushed to the disk before writeAtomically
// returns. Synced: the new content and its name are on the disk (the
// player's files). Cache: the replacement is whole or not at all for every
// reader, but a crash of the machine may leave the old file, an empty one or
// none (files the program makes again from others, where waiting for the
// disk would only slow it down).
enum class Durability { Synced, Cache };

// A path as the bytes the file system knows it by, for names that are not
// UTF-8 (a saved game named by another system).
struct NativePath {
    QByteArray bytes;
};

// Replaces the file at path with bytes, keeping the old file's permissions.
// False when anything failed or the old file may not be written (its owner's
// write right is off, or this user may not write it); the old file (or its
// absence) is then as it was.
bool writeAtomically(const QString &path, const QByteArray &bytes,
                     Durability durability = Durability::Synced);
bool writeAtomically(const NativePath &path, const QByteArray &bytes,
                     Durability durability = Durability::Synced);

// Copies the regular file `from` to the new file `to` the same way (whole
// or not at all, synced), but never in the place of anything: while an
// entry of that name exists (a file, a link, a folder), the copy is not
// made and NameTaken is returned. The copy gets the usual rights (0644
// under the process's file creation mask), never the source's.
enum class CopyResult { Copied, NameTaken, Failed };
CopyResult copyFile(const QString &from, const QString &to);

// Creates a new empty file with one of the writer's temporary names in
// folder (mode under the file creation mask); its descriptor and *name, or -1.
int createTemporary(const QByteArray &folder, mode_t mode, QByteArray *name);
// True for a name createTemporary() gives.
bool isTemporaryName(const QByteArray &name);

// Removes the temporary files a write cut short left in folder: regular
// files named as createTemporary() names them, and those of an earlier
// writer, "." + the replaced file's name + "." + six letters or digits, for
// the replaced names matching one of replacedNames ("*" any, "*.sav" a
// suffix, else the exact name). Only while no other writer can be at work
// (the program folder's lock held). Returns how many were removed.
int removeTemporaries(const QString &folder, const QList<QByteArray> &replacedNames);

// Flushes a file descriptor to the disk; fsync unless a test put another in
// its place (to record the order of the steps). Returns the one it replaced.
using SyncFunction = int (*)(int fd);
SyncFunction setSync(SyncFunction sync);

enum class ReadResult {
    Ok,          // *out holds the content
    Missing,     // no file of that name
    NotRegular,  // a folder, FIFO, device or socket stands there
    TooLarge,    // longer than maxBytes
    Failed,      // it exists but cannot be opened or read
};

// Reads the whole regular file at path, at most maxBytes; a longer file is
// TooLarge and nothing of it is read.
ReadResult readRegular(const QString &path, qint64 maxBytes, QByteArray *out);

// Opens the regular file at path for reading through file, unbuffered, with
// the checks of readRegular: a longer file than maxBytes is TooLarge and is
// not opened. For files read a part at a time.
ReadResult openRegular(const QString &path, qint64 maxBytes, QFile *file);

// Reads the first maxBytes bytes of the regular file at path (all of it when
// it is shorter); a longer file is not refused, only the rest is not read.
ReadResult readHead(const QString &path, qint64 maxBytes, QByteArray *out);
ReadResult readHead(const NativePath &path, qint64 maxBytes, QByteArray *out);

// A file name from the folder's bytes: UTF-8 when the bytes are valid UTF-8,
// otherwise one character per byte (Latin-1), so that a name written by
// another system is shown readably and nativeName() finds its bytes again.
QString decodeName(const QByteArray &bytes);

// The bytes of path on the disk: its UTF-8 form, or, when no file of that
// name exists, its last part in Latin-1 where such a file exists (the names
// decodeName() gave from bytes that are not UTF-8).
QByteArray nativeName(const QString &path);

// True when path names a regular file (following a symbolic link).
bool isRegularFile(const QString &path);

// What tells the regular file at path from any other and from its own
// earlier states: its device and inode, its size and the time its content
// last changed (following a symbolic link); empty when there is no regular
// file.
QByteArray identity(const QString &path);

// A short note kept with the file at path beside its content (an extended
// attribute of the user namespace): empty when there is none or the file
// system keeps none; setNote is false then.
QByteArray note(const QString &path);
bool setNote(const QString &path, const QByteArray &value);

} // namespace FileAccess
