#include "core/SampleCodes.h"

#include "base/VarnexError.h"
#include "store/SqlUtil.h"

#include <QUuid>

#include <algorithm>

namespace {
void requireOpen(const QSqlDatabase &db)
{
    if (!db.isOpen())
        throw VarnexError(QStringLiteral("The local database is not open"));
}
} // namespace

QString formatSampleCode(const QString &authorityCode, const QString &installationCode, qint64 sampleNumber)
{
    return authorityCode + installationCode + QString::asprintf("%4.4lld", static_cast<long long>(sampleNumber));
}

qint64 nextGeneratorValue(const QSqlDatabase &db, const QString &generator)
{
    requireOpen(db);
    // A generator name cannot be a bound parameter; it must be a bare identifier.
    SqlUtil::requireIdentifier(generator, "generator");
    const QVariant value = SqlUtil::scalar(db, QStringLiteral("SELECT NEXT VALUE FOR %1 FROM RDB$DATABASE").arg(generator));
    if (value.isNull())
        throw VarnexError(QStringLiteral("Cannot read the generator %1").arg(generator));
    return value.toLongLong();
}

QString GetNewSampleCode(const QString &authorityCode, const QString &installationCode, qint64 sampleNumber,
                         const QSqlDatabase &db)
{
    const qint64 number = sampleNumber != 0 ? sampleNumber : nextGeneratorValue(db, QStringLiteral("GEN_SAMPLE"));
    return formatSampleCode(authorityCode, installationCode, number);
}

QString GetNewUUIDString()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString GetDelimitedText(const QStringList &items)
{
    QStringList quoted;
    quoted.reserve(items.size());
    for (QString item : items)
        quoted << QLatin1Char('\'') + item.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
    return quoted.join(QLatin1Char(','));
}

SqlInList sqlInList(const QStringList &items)
{
    SqlInList list;
    if (items.isEmpty()) {
        list.placeholders = QStringLiteral("NULL");
        return list;
    }
    QStringList marks;
    for (const QString &item : items) {
        marks << QStringLiteral("?");
        list.values << item;
    }
    list.placeholders = marks.join(QLatin1Char(','));
    return list;
}

SqlCondition sqlInCondition(const QString &column, const QVariantList &values)
{
    SqlCondition condition;
    if (values.isEmpty()) {
        condition.text = QStringLiteral("1 = 0");
        return condition;
    }
    QStringList lists;
    for (qsizetype start = 0; start < values.size(); start += MaxInListItems) {
        const qsizetype count = std::min<qsizetype>(MaxInListItems, values.size() - start);
        QStringList marks(count, QStringLiteral("?"));
        lists << column + QStringLiteral(" IN (") + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    condition.text = QLatin1Char('(') + lists.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    condition.values = values;
    return condition;
}

QString GetSamplingOfficerCodeFromName(const QString &name, const QSqlDatabase &db)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("NF");
    requireOpen(db);
    const QVariant code = SqlUtil::scalar(db,
                                          QStringLiteral("SELECT FIRST 1 CODE FROM SAMPLE_OFFICER WHERE NAME = ? "
                                                         "ORDER BY CASE WHEN FLAG_DELETED = 'T' THEN 1 ELSE 0 END, ID"),
                                          {name});
    return code.isValid() ? code.toString() : QStringLiteral("NF");
}
