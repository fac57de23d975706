#include "core/SampleCodes.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {
void setError(QString *errorMessage, const QString &text)
{
    if (errorMessage)
        *errorMessage = text;
}
} // namespace

QString formatSampleCode(const QString &authorityCode, const QString &installationCode, qint64 sampleNumber)
{
    return authorityCode + installationCode + QString::asprintf("%4.4lld", static_cast<long long>(sampleNumber));
}

bool nextGeneratorValue(const QSqlDatabase &db, const QString &generator, qint64 *value, QString *errorMessage)
{
    setError(errorMessage, {});
    if (!db.isOpen()) {
        setError(errorMessage, QStringLiteral("The local database is not open"));
        return false;
    }
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z][A-Za-z0-9_$]{0,62}$"));
    if (!identifier.match(generator).hasMatch()) {
        setError(errorMessage, QStringLiteral("'%1' is not a generator name").arg(generator));
        return false;
    }
    // A generator name cannot be a bound parameter; it is checked above to be a bare identifier.
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT NEXT VALUE FOR %1 FROM RDB$DATABASE").arg(generator)) || !query.next()) {
        setError(errorMessage, query.lastError().text().isEmpty()
                                   ? QStringLiteral("Cannot read the generator %1").arg(generator)
                                   : query.lastError().text());
        return false;
    }
    *value = query.value(0).toLongLong();
    return true;
}

QString GetNewSampleCode(const QString &authorityCode, const QString &installationCode, qint64 sampleNumber,
                         const QSqlDatabase &db, QString *errorMessage)
{
    setError(errorMessage, {});
    qint64 number = sampleNumber;
    if (number == 0 && !nextGeneratorValue(db, QStringLiteral("GEN_SAMPLE"), &number, errorMessage))
        return {};
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

QString GetSamplingOfficerCodeFromName(const QString &name, const QSqlDatabase &db, QString *errorMessage)
{
    setError(errorMessage, {});
    if (name.trimmed().isEmpty())
        return QStringLiteral("NF");
    if (!db.isOpen()) {
        setError(errorMessage, QStringLiteral("The local database is not open"));
        return {};
    }
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral(
            "SELECT FIRST 1 CODE FROM SAMPLE_OFFICER WHERE NAME = ? "
            "ORDER BY CASE WHEN FLAG_DELETED = 'T' THEN 1 ELSE 0 END, ID"))) {
        setError(errorMessage, query.lastError().text());
        return {};
    }
    query.addBindValue(name);
    if (!query.exec()) {
        setError(errorMessage, query.lastError().text());
        return {};
    }
    return query.next() ? query.value(0).toString() : QStringLiteral("NF");
}
