#include "exchange/TranslationTerms.h"

#include "base/ProductNames.h"
#include "base/VarnexError.h"
#include "store/SqlUtil.h"

QString TranslationGroupName(TTranslationType type)
{
    switch (type) {
    case TTranslationType::trnTypeFoodSample:
        return QStringLiteral("food samples");
    case TTranslationType::trnTypeFoodPremises:
        return QStringLiteral("food premises");
    case TTranslationType::trnTypeFeedSample:
        return QStringLiteral("feed samples");
    case TTranslationType::trnTypeFeedPremises:
        return QStringLiteral("feed premises");
    }
    return QString();
}

bool IsSampleTranslation(TTranslationType type)
{
    return type == TTranslationType::trnTypeFoodSample || type == TTranslationType::trnTypeFeedSample;
}

std::optional<TTranslationType> SampleTranslationType(const QString &personality)
{
    if (personality == Varnex::PersonalityFood)
        return TTranslationType::trnTypeFoodSample;
    if (personality == Varnex::PersonalityAnimalFeed)
        return TTranslationType::trnTypeFeedSample;
    return std::nullopt;
}

QStringList PremisesTranslationFieldNames(TTranslationType type)
{
    if (type == TTranslationType::trnTypeFoodPremises)
        return {QStringLiteral("Risk Category"), QStringLiteral("Food Standards Risk Category"),
                QStringLiteral("Premises type")};
    if (type == TTranslationType::trnTypeFeedPremises)
        return {QStringLiteral("Animal Feed Risk Category"), QStringLiteral("Premises type")};
    return {};
}

std::optional<TranslationLookupList> PremisesTranslationList(const QString &fieldName, const QString &personality)
{
    const QString code = QStringLiteral("Code");
    const QString codeAndDescription = QStringLiteral("Code; Description");
    if (fieldName == QLatin1String("Risk Category"))
        return TranslationLookupList{QStringLiteral("srcFoodSaftyRiskCategory"), code, code};
    if (fieldName == QLatin1String("Food Standards Risk Category"))
        return TranslationLookupList{QStringLiteral("srcFoodStandardsRiskCategory"), code, code};
    if (fieldName == QLatin1String("Premises type"))
        return TranslationLookupList{personality == Varnex::PersonalityAnimalFeed ? QStringLiteral("srcFeedPremisesType")
                                                                                  : QStringLiteral("srcPremisesType"),
                                     code, codeAndDescription};
    if (fieldName == QLatin1String("Animal Feed Risk Category"))
        return TranslationLookupList{QStringLiteral("srcFeedRiskCategory"), code, codeAndDescription};
    return std::nullopt;
}

TranslationTerms TranslationTerms::Load(const QSqlDatabase &db, const QString &groupName)
{
    TranslationTerms terms;
    QSqlQuery q = SqlUtil::exec(db,
                                QStringLiteral("SELECT FIELD_NAME, FROM_VALUE, TO_VALUE FROM SYS_TRANSLATION "
                                               "WHERE GROUP_NAME = ? AND FLAG_DELETED IS DISTINCT FROM 'T' ORDER BY ID"),
                                {groupName});
    while (q.next()) {
        const QPair<QString, QString> key(q.value(0).toString(), q.value(1).toString());
        if (!terms.m_terms.contains(key))
            terms.m_terms.insert(key, q.value(2).toString());
    }
    return terms;
}

QString TranslationTerms::TranslateValue(const QString &fieldName, const QString &value) const
{
    const auto it = m_terms.constFind(qMakePair(fieldName, value));
    return it == m_terms.constEnd() ? value : *it;
}

QString TranslationListSql()
{
    return QStringLiteral("SELECT UNIQUE_UUID, LOCAL_AUTH_OFFICE__CODE, GROUP_NAME, FIELD_NAME, FROM_VALUE, TO_VALUE, "
                          "FLAG_DELETED FROM SYS_TRANSLATION WHERE GROUP_NAME = :groupname AND FLAG_DELETED = 'F'");
}

void AppendTranslationTerms(QSqlDatabase db, const QString &groupName, const QString &officeCode,
                            const QList<TranslationCsvRow> &terms, const std::function<QString()> &newUuid)
{
    SqlUtil::inTransaction(db, [&](QSqlDatabase &d) {
        for (const TranslationCsvRow &term : terms)
            SqlUtil::exec(d,
                          QStringLiteral("INSERT INTO SYS_TRANSLATION (UNIQUE_UUID, LOCAL_AUTH_OFFICE__CODE, GROUP_NAME, "
                                         "FIELD_NAME, TO_VALUE, FROM_VALUE, FLAG_DELETED) VALUES (?, ?, ?, ?, ?, ?, 'F')"),
                          {newUuid(), officeCode, groupName, term.VRXLABEL, term.VRXVALUE, term.IMPORTVALUE});
    });
}

void DeleteTranslationTerm(const QSqlDatabase &db, const QString &uniqueUuid)
{
    QSqlQuery q = SqlUtil::exec(db, QStringLiteral("UPDATE SYS_TRANSLATION SET FLAG_DELETED = 'T' WHERE UNIQUE_UUID = ?"),
                                {uniqueUuid});
    if (q.numRowsAffected() < 1)
        throw VarnexError(QStringLiteral("The translation term cannot be deleted: it is no longer in the list."));
}
