#pragma once

#include "samples/SampleLookups.h"

#include <QHash>
#include <QMap>
#include <QStringList>

// Lookup lists for the sample tests: each list a map of code (or country name) to description.
class FakeLookups : public SampleLookups
{
public:
    void set(const QString &list, const QMap<QString, QString> &rows) { m_lists.insert(list, rows); }
    void setNames(const QString &list, const QStringList &names)
    {
        QMap<QString, QString> rows;
        for (const QString &n : names)
            rows.insert(n, QString());
        m_lists.insert(list, rows);
    }
    void setHelp(const QString &code, const QString &text) { m_help.insert(code, text); }

    int rowCount(const QString &list) const override { return int(m_lists.value(list).size()); }
    bool CheckCodeExists(const QString &code, const QString &list) const override
    {
        return m_lists.value(list).contains(code);
    }
    bool hasName(const QString &name, const QString &list) const override { return m_lists.value(list).contains(name); }
    QString description(const QString &code, const QString &list) const override
    {
        return m_lists.value(list).value(code);
    }
    QString HelpForCategory(const QString &code) const override
    {
        return m_help.value(code, QStringLiteral("No help for this category."));
    }

private:
    QHash<QString, QMap<QString, QString>> m_lists;
    QHash<QString, QString> m_help;
};
