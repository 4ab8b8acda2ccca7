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
    return set(Values{{key, value}});
}

bool SettingsFile::set(const Values &values)
{
    QList<QByteArray> lines = m_lines;
    bool changed = false;
    for (const auto &[key, value] : values) {
        if (this->value(key) == value)
            continue;
        changed = true;
        const QByteArray wanted = Ansi::encode(key);
        const QByteArray line = wanted + '=' + Ansi::encode(value);
        QByteArray k, v;
        bool replaced = false;
        for (QByteArray &l : m_lines)
            if (!replaced && split(l, &k, &v) && k == wanted)
                l = line, replaced = true;
        if (!replaced)
            m_lines.append(line);
    }
    if (!changed)
        return true;
    if (!m_writer(m_path, toBytes())) {
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
