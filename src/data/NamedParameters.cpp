#include "data/NamedParameters.h"

#include "base/VarnexError.h"
#include "store/SqlUtil.h"

#include <QSet>

namespace {

QString keyOf(const QString &name)
{
    return (name.startsWith(QLatin1Char(':')) ? name.mid(1) : name).toUpper();
}

// Replaces the named parameters of a statement by positional ones and lists their names in order.
QString positional(const QString &sql, QStringList *names)
{
    QString out;
    out.reserve(sql.size());
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        const qsizetype skipped = SqlUtil::skipQuotedOrComment(sql, i);
        if (skipped != i) {
            out += sql.mid(i, skipped - i);
            i = skipped;
            continue;
        }
        if (c == QLatin1Char(':') && i + 1 < n && (sql.at(i + 1).isLetter() || sql.at(i + 1) == QLatin1Char('_'))) {
            qsizetype j = i + 1;
            while (j < n && (sql.at(j).isLetterOrNumber() || sql.at(j) == QLatin1Char('_') || sql.at(j) == QLatin1Char('$')))
                ++j;
            names->append(sql.mid(i + 1, j - i - 1));
            out += QLatin1Char('?');
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

} // namespace

void NamedParameters::set(const QString &name, const QVariant &value)
{
    m_values.insert(keyOf(name), value);
}

QVariant NamedParameters::value(const QString &name) const
{
    return m_values.value(keyOf(name));
}

bool NamedParameters::contains(const QString &name) const
{
    return m_values.contains(keyOf(name));
}

QStringList NamedParameters::namesIn(const QString &sql)
{
    QStringList names;
    positional(sql, &names);
    QStringList unique;
    QSet<QString> seen;
    for (const QString &name : std::as_const(names)) {
        if (!seen.contains(keyOf(name))) {
            seen.insert(keyOf(name));
            unique << name;
        }
    }
    return unique;
}

QString NamedParameters::toPositional(const QString &sql, QVariantList *values, const QString &owner) const
{
    QStringList names;
    const QString out = positional(sql, &names);
    for (const QString &name : std::as_const(names)) {
        if (!contains(name))
            throw VarnexError(QStringLiteral("The parameter '%1' of the %2 has no value.").arg(name, owner));
        values->append(value(name));
    }
    return out;
}
