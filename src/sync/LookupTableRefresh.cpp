#include "sync/LookupTableRefresh.h"

#include "base/VarnexError.h"
#include "data/MemDataStream.h"
#include "remote/DAData_DM.h"
#include "store/SqlUtil.h"

namespace {

const QString ListDataset = QStringLiteral("LOOKUP_TABLES_FOR_CLIENT");
const QString ItemDataset = QStringLiteral("LOOKUP_TABLE_EDIT");

QVariant nullText()
{
    return QVariant(QMetaType::fromType<QString>());
}

// The first local row of a dataset name (the one the lookup module reads).
struct LocalRow
{
    qint64 id = 0;
    QDateTime lastChange;
};
std::optional<LocalRow> localRowOf(const QSqlDatabase &db, const QString &datasetName)
{
    QSqlQuery q = SqlUtil::exec(db,
                                QStringLiteral("SELECT FIRST 1 ID, LAST_CHANGE_TIMESTAMP FROM LOOKUP_TABLE_LIST "
                                               "WHERE DATASET_NAME = ? ORDER BY ID"),
                                {datasetName});
    if (!q.next())
        return std::nullopt;
    return LocalRow{q.value(0).toLongLong(), q.value(1).toDateTime()};
}

bool localIdExists(const QSqlDatabase &db, qint64 id)
{
    return SqlUtil::scalar(db, QStringLiteral("SELECT COUNT(*) FROM LOOKUP_TABLE_LIST WHERE ID = ?"), {id}).toLongLong() > 0;
}

} // namespace

QString LookupTableRefresh::StateText(int state)
{
    switch (state) {
    case LookupTableRow::Ok:
        return QStringLiteral("Ok");
    case LookupTableRow::Update:
        return QStringLiteral("Update");
    case LookupTableRow::Remove:
        return QStringLiteral("Remove");
    case LookupTableRow::Add:
        return QStringLiteral("Add");
    default:
        return QString::number(state);
    }
}

QString LookupTableRefresh::StatusText(int status)
{
    switch (status) {
    case LookupTableRow::Pending:
        return QStringLiteral("Pending");
    case LookupTableRow::InProgress:
        return QStringLiteral("In progress");
    case LookupTableRow::Complete:
        return QStringLiteral("Complete");
    case LookupTableRow::UpToDate:
        return QStringLiteral("Up to date");
    case LookupTableRow::Failed:
        return QStringLiteral("Failed");
    default:
        return QString::number(status);
    }
}

std::optional<QList<LookupTableRow>> LookupTableRefresh::FetchTableList(TDADataDm &server)
{
    if (!server.Login({}, QString::fromLatin1(TDADataDm::ServiceUserName()), QString::fromLatin1(TDADataDm::ServicePassword())))
        return std::nullopt;
    const DataTable list = server.PostboxAdapter.Open(ListDataset);
    QList<LookupTableRow> rows;
    for (int r = 0; r < list.rowCount(); ++r) {
        LookupTableRow row;
        row.Id = list.value(r, QStringLiteral("ID")).toLongLong();
        row.TableName = list.value(r, QStringLiteral("TABLE_NAME")).toString();
        row.DatasetName = list.value(r, QStringLiteral("DATASET_NAME")).toString();
        row.CategoryName = list.value(r, QStringLiteral("CATEGORY_NAME")).toString();
        row.LastChangeTimestamp = list.value(r, QStringLiteral("LAST_CHANGE_TIMESTAMP")).toDateTime();
        row.UpdateState = list.value(r, QStringLiteral("UPDATE_STATE")).toInt();
        row.UpdateStatus = list.value(r, QStringLiteral("UPDATE_STATUS")).toInt();
        rows.append(row);
    }
    return rows;
}

DataTable LookupTableRefresh::FetchItem(TDADataDm &server, qint64 id)
{
    return server.PostboxAdapter.Open(ItemDataset, {Wire::DatasetParam{QStringLiteral("ItemId"), id}});
}

bool LookupTableRefresh::HasReading(const QDateTime &stamp)
{
    // A reading that local time skips is an invalid QDateTime whose date and time are still there.
    return stamp.date().isValid() && stamp.time().isValid();
}

bool LookupTableRefresh::IsLater(const QDateTime &a, const QDateTime &b)
{
    if (!HasReading(a))
        return false;
    if (!HasReading(b))
        return true;
    // The fields of the readings, never the instants: a reading travels without a zone, and one
    // that local time skips is held in UTC (or read back as an invalid local time), so instants of
    // equal readings can differ by hours.
    if (a.date() != b.date())
        return a.date() > b.date();
    return a.time().msecsSinceStartOfDay() > b.time().msecsSinceStartOfDay();
}

void LookupTableRefresh::ModifyDataset(QList<LookupTableRow> &rows, const QSqlDatabase &db)
{
    for (LookupTableRow &row : rows) {
        const std::optional<LocalRow> local = localRowOf(db, row.DatasetName);
        if (!local)
            row.UpdateState = LookupTableRow::Add;
        else if (IsLater(row.LastChangeTimestamp, local->lastChange))
            row.UpdateState = LookupTableRow::Update;
        row.UpdateStatus = row.UpdateState != LookupTableRow::Ok ? LookupTableRow::Pending : LookupTableRow::UpToDate;
        row.Failure.clear();
    }
}

void LookupTableRefresh::WriteItem(QSqlDatabase db, const LookupTableRow &row, const DataTable &item)
{
    if (item.rowCount() == 0)
        throw VarnexError(QStringLiteral("The server has no table \"%1\" any more.").arg(row.DatasetName));
    for (const char *field : {"ID", "DATASET_NAME", "BINARY_CONTENT"})
        if (item.indexOf(QLatin1String(field)) < 0)
            throw VarnexError(QStringLiteral("The server's table \"%1\" came without %2.").arg(row.DatasetName, QLatin1String(field)));
    const qint64 id = item.value(0, QStringLiteral("ID")).toLongLong();
    const QString datasetName = item.value(0, QStringLiteral("DATASET_NAME")).toString();
    if (item.rowCount() != 1 || id != row.Id || datasetName != row.DatasetName)
        throw VarnexError(QStringLiteral("The server sent another table (\"%1\", id %2) for \"%3\" (id %4).")
                              .arg(datasetName)
                              .arg(id)
                              .arg(row.DatasetName)
                              .arg(row.Id));
    const QByteArray content = item.value(0, QStringLiteral("BINARY_CONTENT")).toByteArray();
    try {
        MemDataStream::read(content);
    } catch (const VarnexError &e) {
        throw VarnexError(QStringLiteral("The content of \"%1\" cannot be read: %2").arg(row.DatasetName, e.message()));
    }
    const auto itemValue = [&](const char *field) {
        const int column = item.indexOf(QLatin1String(field));
        return column < 0 ? QVariant() : item.value(0, column);
    };
    // The time stamp of the content written, as the server has it now.
    QDateTime stampValue = itemValue("LAST_CHANGE_TIMESTAMP").toDateTime();
    if (!HasReading(stampValue))
        stampValue = row.LastChangeTimestamp;
    const QVariant stamp = HasReading(stampValue) ? QVariant(stampValue) : QVariant(QMetaType::fromType<QDateTime>());
    const QVariant serverUpdateId = itemValue("UPDATE_ID");

    SqlUtil::inTransaction(db, [&](QSqlDatabase &tx) {
        // The row to write: the one holding the server's id, else the one the lookup module reads.
        std::optional<qint64> target;
        if (localIdExists(tx, id))
            target = id;
        else if (const std::optional<LocalRow> local = localRowOf(tx, datasetName))
            target = local->id;

        if (target) {
            // A table already here keeps its own names; it takes the server's id, so that the
            // synchronisation finds it by that id.
            const QVariant updateId = serverUpdateId.isValid() && !serverUpdateId.isNull()
                ? serverUpdateId
                : SqlUtil::scalar(tx, QStringLiteral("SELECT COALESCE(UPDATE_ID, 0) FROM LOOKUP_TABLE_LIST WHERE ID = ?"),
                                  {*target});
            SqlUtil::exec(tx,
                          QStringLiteral("UPDATE LOOKUP_TABLE_LIST SET ID = ?, UPDATE_ID = ?, IS_SYNCING = 'T', "
                                         "DATASET_NAME = ?, LAST_CHANGE_TIMESTAMP = ?, BINARY_CONTENT = ? WHERE ID = ?"),
                          {id, updateId, datasetName, stamp, content, *target});
        } else {
            const auto text = [&](const char *field) {
                const QVariant v = itemValue(field);
                return v.isValid() && !v.isNull() ? v : nullText();
            };
            SqlUtil::exec(tx,
                          QStringLiteral("INSERT INTO LOOKUP_TABLE_LIST (ID, UPDATE_ID, IS_SYNCING, DATASET_NAME, TABLE_NAME, "
                                         "CATEGORY_NAME, LAST_CHANGE_TIMESTAMP, BINARY_CONTENT) "
                                         "VALUES (?, ?, 'T', ?, ?, ?, ?, ?)"),
                          {id, serverUpdateId.isValid() && !serverUpdateId.isNull() ? serverUpdateId : QVariant(qint64(0)),
                           datasetName, text("TABLE_NAME"), text("CATEGORY_NAME"), stamp, content});
        }
    });
}
