#pragma once

#include "exchange/TranslationsCSVImport_DM.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Translation terms: rows of SYS_TRANSLATION that map a word of a sending system (FROM_VALUE) to
// the value this system uses (TO_VALUE), for one field (FIELD_NAME) of one kind of import
// (GROUP_NAME). Deleted terms (FLAG_DELETED "T") are never used.

enum class TTranslationType { trnTypeFoodSample, trnTypeFoodPremises, trnTypeFeedSample, trnTypeFeedPremises };

// "food samples", "food premises", "feed samples", "feed premises".
QString TranslationGroupName(TTranslationType type);
bool IsSampleTranslation(TTranslationType type);
// The sample group of a personality: "food samples" for "FOOD", "feed samples" for "ANIMAL FEED",
// none for any other.
std::optional<TTranslationType> SampleTranslationType(const QString &personality);

// The fixed field names of a premises group (none for a sample group).
QStringList PremisesTranslationFieldNames(TTranslationType type);

// The list a premises group offers as "translate to" values for a field name: a data source of the
// lookup module with its key and its shown fields; nothing for a name that has none.
struct TranslationLookupList
{
    QString dataSource;
    QString keyFields;
    QString shownFields;
};
std::optional<TranslationLookupList> PremisesTranslationList(const QString &fieldName, const QString &personality);

// The terms of one group as an import uses them: read once per import run, so terms entered
// meanwhile apply at the next run.
class TranslationTerms
{
public:
    TranslationTerms() = default;
    // The group's terms that are not deleted. Of several terms for the same field name and value,
    // the one with the lowest ID applies, whatever order the database would return them in.
    static TranslationTerms Load(const QSqlDatabase &db, const QString &groupName);

    // The "translate to" value of the term whose field name and "translate from" value are exactly
    // these (letter case counts); the value itself when there is none.
    QString TranslateValue(const QString &fieldName, const QString &value) const;
    int count() const { return int(m_terms.size()); }

private:
    QHash<QPair<QString, QString>, QString> m_terms;
};

// The SELECT of a group's terms that are not deleted (parameter :groupname), for the screen's list.
QString TranslationListSql();

// Appends terms to a group in one transaction of db (which must not be in another): each a new row
// with a new UNIQUE_UUID, the group and the office code. Throws VarnexError, having added nothing,
// when one cannot be written.
void AppendTranslationTerms(QSqlDatabase db, const QString &groupName, const QString &officeCode,
                            const QList<TranslationCsvRow> &terms, const std::function<QString()> &newUuid);

// Marks the term deleted. Throws VarnexError when it cannot, or when no term has the UUID.
void DeleteTranslationTerm(const QSqlDatabase &db, const QString &uniqueUuid);
