#include "reference/OptionalLookupData_DM.h"

#include "reference/TextLines.h"
#include "store/SqlUtil.h"

#include <QSqlQuery>
#include <QVariant>

TOptionalLookupDataDM *OptionalLookupDataDM = nullptr;

namespace {

// Two installations may each have made a row for the same list before they synchronised; both
// rows then come down. Reading and writing always take the same one, the lowest ID.
const QString SelectSql = QStringLiteral(
    "SELECT ID, TEXT_CONTENT FROM OPTIONAL_LOOKUP_LIST WHERE LOOKUP_NAME = ? ORDER BY ID");

} // namespace

TOptionalLookupDataDM::TOptionalLookupDataDM(std::function<QSqlDatabase()> connection, QObject *parent)
    : QObject(parent), m_connection(std::move(connection))
{
}

QString TOptionalLookupDataDM::GetLookupData(const QString &AListName) const
{
    QSqlQuery q = SqlUtil::exec(m_connection(), SelectSql, {AListName});
    return q.next() ? q.value(1).toString() : QString();
}

QStringList TOptionalLookupDataDM::GetLookupLines(const QString &AListName) const
{
    return TextLines::split(GetLookupData(AListName));
}

void TOptionalLookupDataDM::SetLookupData(const QString &AListName, const QString &Data)
{
    const QString text = TextLines::forStore(Data);
    SqlUtil::inTransaction(m_connection(), [&](QSqlDatabase &db) {
        QSqlQuery q = SqlUtil::exec(db, SelectSql, {AListName});
        if (q.next()) {
            const QVariant id = q.value(0);
            q.finish();
            SqlUtil::exec(db, QStringLiteral("UPDATE OPTIONAL_LOOKUP_LIST SET TEXT_CONTENT = ? WHERE ID = ?"), {text, id});
        } else {
            q.finish();
            SqlUtil::exec(db, QStringLiteral("INSERT INTO OPTIONAL_LOOKUP_LIST (LOOKUP_NAME, TEXT_CONTENT) VALUES (?, ?)"),
                          {AListName, text});
        }
    });
}

const QList<TOptionalLookupDataDM::ListName> &TOptionalLookupDataDM::FoodLists()
{
    static const QList<ListName> lists = {
        {QStringLiteral("Brand name"), QStringLiteral("BrandName")},
        {QStringLiteral("Food description"), QStringLiteral("FoodDescription")},
        {QStringLiteral("Manufacturer"), QStringLiteral("Manufacturer")},
        {QStringLiteral("Distributor"), QStringLiteral("Distributor")},
        {QStringLiteral("Importer"), QStringLiteral("Importer")},
        {QStringLiteral("Survey Reference"), QStringLiteral("SurveyReference")},
        {QStringLiteral("Analysis"), QStringLiteral("AnalysisCode")},
    };
    return lists;
}

const QList<TOptionalLookupDataDM::ListName> &TOptionalLookupDataDM::FeedLists()
{
    static const QList<ListName> lists = {
        {QStringLiteral("Feed name"), QStringLiteral("FeedName")},
        {QStringLiteral("Feed description"), QStringLiteral("FeedDescription")},
        {QStringLiteral("Feed importer"), QStringLiteral("FeedImporter")},
        {QStringLiteral("Feed survey reference"), QStringLiteral("FeedSurveyReference")},
    };
    return lists;
}
