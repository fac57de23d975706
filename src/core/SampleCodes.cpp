#include "core/SampleCodes.h"

#include "base/VarnexError.h"
#include "store/SqlUtil.h"

#include <QUuid>

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

QString GetNewSampleCode(const QString &authorityCode, const QString &installationCode, qint64 sampleNumber,
                         const QSqlDatabase &db)
{
    const qint64 number =
        sampleNumber != 0 ? sampleNumber : SqlUtil::nextGeneratorValue(db, QStringLiteral("GEN_SAMPLE"));
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
