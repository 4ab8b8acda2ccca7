#include "base/SettingsFile.h"

#include "base/Ansi.h"
#include "base/FileAccess.h"

namespace {

// The key and value of a line "key=value", blanks around either removed;
// false for a line without '=' or with an empty key.
bool split(const QByteArray &line, QByteArray *key, QByteArray *value)
{
    const qsizetype eq = line.indexOf('=');
    if (eq <= 0)
        return false;
    *key = line.left(eq).trimmed();
    *value = line.mid(eq + 1).trimmed();
    return !key->isEmpty();
}

} // namespace

SettingsFile::SettingsFile(const QString &path, Writer writer)
    : m_path(path)
    , m_writer(writer ? std::move(writer) : Writer([](const QString &p, const QByteArray &bytes) {
          return FileAccess::writeAtomically(p, bytes);
      }))
{
    QByteArray content;
    if (FileAccess::readRegular(path, MaxBytes, &content) == FileAccess::ReadResult::Ok)
        m_lines = Ansi::splitLines(content);
}

std::optional<QString> SettingsFile::value(const QString &key) const
{
    const QByteArray wanted = Ansi::encode(key);
    QByteArray k, v;
    for (const QByteArray &line : m_lines)
        if (split(line, &k, &v) && k == wanted)
            return Ansi::decode(v);
    return std::nullopt;
}

bool SettingsFile::set(const QString &key, const QString &value)
{
    if (this->value(key) == value)
        return true;
    const QByteArray wanted = Ansi::encode(key);
    const QByteArray line = wanted + '=' + Ansi::encode(value);
    QList<QByteArray> lines = m_lines;
    QByteArray k, v;
    bool replaced = false;
    for (QByteArray &l : lines)
        if (!replaced && split(l, &k, &v) && k == wanted)
            l = line, replaced = true;
    if (!replaced)
        lines.append(line);
    std::swap(lines, m_lines);
    const QByteArray bytes = toBytes();
    if (!m_writer(m_path, bytes)) {
        std::swap(lines, m_lines);   // not written: the store keeps what the file holds
        return false;
    }
    return true;
}

QByteArray SettingsFile::toBytes() const
{
    QByteArray out;
    for (const QByteArray &line : m_lines)
        out += line + "\r\n";
    return out;
}
