#include "remote/RemoteDataAdapter.h"

#include "remote/RemoteError.h"

using namespace Wire;

DatasetSchema RemoteDataAdapter::GetSchema(const QString &dataset)
{
    const QString key = dataset.toUpper();
    if (m_cacheSchema) {
        const auto it = m_schemas.constFind(key);
        if (it != m_schemas.cend())
            return *it;
    }
    const Reply reply = m_service.call(QStringLiteral("GetSchema"),
                                       {Param::string(QStringLiteral("DatasetName"), dataset)}, m_timeoutMs);
    const DatasetSchema schema = decodeSchema(readValue(reply, QStringLiteral("Schema"), Type::Struct));
    if (m_cacheSchema)
        m_schemas.insert(key, schema);
    return schema;
}

DataTable RemoteDataAdapter::Open(const QString &dataset, const QList<DatasetParam> &params,
                                  const QList<WhereItem> &where)
{
    const Reply reply = m_service.call(QStringLiteral("GetData"),
                                       {Param::string(QStringLiteral("DatasetName"), dataset),
                                        {QStringLiteral("Params"), Type::Params, encodeDatasetParams(params)},
                                        {QStringLiteral("Where"), Type::Where, encodeWhere(where)}},
                                       m_timeoutMs);
    return decodeTable(readValue(reply, QStringLiteral("Data"), Type::Table));
}

DataTable RemoteDataAdapter::OpenPage(const QString &dataset, int maxRows, const QList<DatasetParam> &params,
                                      const QList<WhereItem> &where)
{
    if (maxRows <= 0)
        throw RemoteError(QStringLiteral("A page of %1 needs a positive number of rows").arg(dataset));
    const Reply reply = m_service.call(QStringLiteral("GetData"),
                                       {Param::string(QStringLiteral("DatasetName"), dataset),
                                        {QStringLiteral("Params"), Type::Params, encodeDatasetParams(params)},
                                        {QStringLiteral("Where"), Type::Where, encodeWhere(where)},
                                        Param::int32(QStringLiteral("MaxRows"), maxRows)},
                                       m_timeoutMs);
    DataTable page = decodeTable(readValue(reply, QStringLiteral("Data"), Type::Table));
    if (page.rowCount() > maxRows)
        throw ProtocolError(QStringLiteral("The server answered %1 rows for a page of %2").arg(page.rowCount()).arg(maxRows));
    return page;
}

DataTable RemoteDataAdapter::ApplyChanges(const QString &dataset, const QList<RowChange> &changes,
                                          const QList<DatasetParam> &params, int totalTimeoutMs)
{
    const Reply reply = m_service.call(QStringLiteral("UpdateData"),
                                       {Param::string(QStringLiteral("DatasetName"), dataset),
                                        {QStringLiteral("Params"), Type::Params, encodeDatasetParams(params)},
                                        {QStringLiteral("Changes"), Type::Changes, encodeChanges(changes)}},
                                       totalTimeoutMs > 0 ? totalTimeoutMs : m_timeoutMs);
    return changedRows(reply, changes.size());
}

DataTable RemoteDataAdapter::ApplyChange(const QString &dataset, RowChange change, const StreamedField &streamed,
                                         const QList<DatasetParam> &params, int totalTimeoutMs)
{
    RemoteService::StreamedBytes bytes{RemoteService::newPlaceholder(), streamed.content, streamed.size};
    change.values.insert(streamed.field, bytes.placeholder);
    const Reply reply = m_service.call(QStringLiteral("UpdateData"),
                                       {Param::string(QStringLiteral("DatasetName"), dataset),
                                        {QStringLiteral("Params"), Type::Params, encodeDatasetParams(params)},
                                        {QStringLiteral("Changes"), Type::Changes, encodeChanges({change})}},
                                       bytes, totalTimeoutMs > 0 ? totalTimeoutMs : m_timeoutMs);
    return changedRows(reply, 1);
}

DataTable RemoteDataAdapter::changedRows(const Reply &reply, qsizetype changes)
{
    DataTable rows = decodeTable(readValue(reply, QStringLiteral("Data"), Type::Table));
    if (rows.rowCount() != changes)
        throw ProtocolError(QStringLiteral("The server answered %1 rows for %2 changes").arg(rows.rowCount()).arg(changes));
    return rows;
}

qint64 RemoteDataAdapter::ExecuteCommand(const QString &command, const QList<DatasetParam> &params)
{
    const Reply reply = m_service.call(QStringLiteral("ExecuteCommand"),
                                       {Param::string(QStringLiteral("CommandName"), command),
                                        {QStringLiteral("Params"), Type::Params, encodeDatasetParams(params)}},
                                       m_timeoutMs);
    return readInt64(reply, QStringLiteral("Result"));
}

void RemoteTable::setParam(const QString &name, const QVariant &value)
{
    for (DatasetParam &p : m_params)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0) {
            p.value = value;
            return;
        }
    m_params.append({name, value});
}

void RemoteTable::open()
{
    m_keyFields = m_adapter.GetSchema(m_name).keyFields;
    m_data = m_adapter.Open(m_name, m_params, m_where);
    m_open = true;
}

QVariantMap RemoteTable::keyOf(int row) const
{
    if (m_keyFields.isEmpty())
        throw RemoteError(QStringLiteral("The remote table %1 has no key").arg(m_name));
    QVariantMap key;
    for (const QString &k : m_keyFields)
        key.insert(k, m_data.value(row, k));
    return key;
}

int RemoteTable::appendAndPost(const QVariantMap &values, int totalTimeoutMs)
{
    if (!m_open)
        open();
    return appendAnswer(m_adapter.ApplyChanges(m_name, {{RowChange::Insert, {}, values}}, m_params, totalTimeoutMs));
}

int RemoteTable::appendAndPost(const QVariantMap &values, const RemoteDataAdapter::StreamedField &streamed,
                               int totalTimeoutMs)
{
    if (!m_open)
        open();
    return appendAnswer(m_adapter.ApplyChange(m_name, {RowChange::Insert, {}, values}, streamed, m_params, totalTimeoutMs));
}

int RemoteTable::appendAnswer(const DataTable &answer)
{
    const int row = m_data.appendRow();
    for (int c = 0; c < m_data.fieldCount(); ++c) {
        const int ac = answer.indexOf(m_data.field(c).name);
        if (ac >= 0)
            m_data.setValue(row, c, answer.value(0, ac));
    }
    return row;
}

void RemoteTable::editAndPost(int row, const QVariantMap &values)
{
    const DataTable answer = m_adapter.ApplyChanges(m_name, {{RowChange::Update, keyOf(row), values}}, m_params);
    for (int c = 0; c < m_data.fieldCount(); ++c) {
        const int ac = answer.indexOf(m_data.field(c).name);
        if (ac >= 0)
            m_data.setValue(row, c, answer.value(0, ac));
    }
}

void RemoteTable::deleteAndPost(int row)
{
    m_adapter.ApplyChanges(m_name, {{RowChange::Delete, keyOf(row), {}}}, m_params);
    // DataTable has no single-row removal: rebuild it without the row.
    DataTable rest(m_data.fields());
    for (int r = 0; r < m_data.rowCount(); ++r)
        if (r != row)
            rest.appendRow(m_data.row(r));
    m_data = rest;
}
