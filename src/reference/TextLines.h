#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

// Multi-line texts the program keeps in one column (the laboratories in use, an officer's mapped
// names): read with CR LF or LF between lines (a lone CR too), empty lines dropped; written with
// CR LF, no line break after the last line.
namespace TextLines {

inline QStringList split(const QString &text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
    return text.split(breaks, Qt::SkipEmptyParts);
}

inline QString join(const QStringList &lines)
{
    return lines.join(QStringLiteral("\r\n"));
}

// A stored text as an editor shows it (LF between lines), and an edited text as it is stored (CR LF
// between lines); blank lines kept.
inline QString forEditor(const QString &text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r"));
    QString out = text;
    return out.replace(breaks, QStringLiteral("\n"));
}

inline QString forStore(const QString &text)
{
    return forEditor(text).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

} // namespace TextLines
