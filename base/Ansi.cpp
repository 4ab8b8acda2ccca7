#include "base/Ansi.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace Ansi {

QString decode(const QByteArray &bytes)
{
    // Plain ASCII reads the same in the code page; the code page's converter
    // (loaded on first use) is needed only for the bytes above 127.
    if (std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    QStringDecoder decoder("windows-1252");
    return decoder.decode(bytes);
}

bool canEncode(const QString &text)
{
    QStringEncoder encoder("windows-1252", QStringConverter::Flag::Stateless);
    const QByteArray out = encoder.encode(text);
    return !encoder.hasError() && decode(out) == text;
}

QByteArray encode(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    QStringEncoder encoder("windows-1252", QStringConverter::Flag::Stateless);
    // Encode character by character (a surrogate pair is one character) so
    // that each unrepresentable one turns into exactly one '?'.
    for (int i = 0; i < text.size(); ++i) {
        int len = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            len = 2;
        const QString ch = text.mid(i, len);
        i += len - 1;
        QStringEncoder one("windows-1252", QStringConverter::Flag::Stateless);
        const QByteArray b = one.encode(ch);
        if (one.hasError() || b.size() != 1 || decode(b) != ch)
            out.append('?');
        else
            out.append(b);
    }
    return out;
}

QList<QByteArray> splitLines(const QByteArray &content)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype nl = content.indexOf('\n', start);
        if (nl < 0) {
            lines.append(content.mid(start));
            break;
        }
        qsizetype end = nl;
        if (end > start && content.at(end - 1) == '\r')
            --end;
        lines.append(content.mid(start, end - start));
        start = nl + 1;
    }
    return lines;
}

QStringList readLines(const QByteArray &content)
{
    QStringList out;
    for (const QByteArray &line : splitLines(content))
        out.append(decode(line));
    return out;
}

QByteArray writeLines(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines) {
        out.append(encode(line));
        out.append("\r\n");
    }
    return out;
}

} // namespace Ansi
