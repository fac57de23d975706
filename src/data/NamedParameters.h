#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

// The values of the named parameters (":name") of a SELECT, and the statement turned into one with
// positional parameters for the driver. Names compare without letter case; a leading colon is
// allowed when a value is set or asked for.
class NamedParameters
{
public:
    void set(const QString &name, const QVariant &value);
    QVariant value(const QString &name) const;
    bool contains(const QString &name) const;

    // The parameter names the statement uses, as first written, in order of first appearance.
    static QStringList namesIn(const QString &sql);

    // The statement with "?" in place of each named parameter, and in *values the value of each in
    // the order the statement needs them. String literals, quoted identifiers and comments are
    // copied unchanged. Throws VarnexError naming a parameter that has no value; `owner` says
    // whose statement it is ("dataset", "list").
    QString toPositional(const QString &sql, QVariantList *values, const QString &owner) const;

private:
    QHash<QString, QVariant> m_values; // keyed by upper-case name
};
