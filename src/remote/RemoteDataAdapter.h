#pragma once

#include "remote/RemoteService.h"
#include "remote/TableCodec.h"

#include <QHash>

// The client of a service's remote datasets: schema, open (named parameters and/or a where list),
// apply changes, commands. Every failure is thrown.
class RemoteDataAdapter
{
public:
    RemoteDataAdapter(HttpChannel &channel, const QString &serviceName, const AesEnvelope *envelope = nullptr)
        : m_service(channel, serviceName, envelope) {}

    const RemoteService &service() const { return m_service; }
    // When on, each dataset's schema is fetched once and answered from the cache afterwards.
    void setCacheSchema(bool on) { m_cacheSchema = on; if (!on) m_schemas.clear(); }
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }

    Wire::DatasetSchema GetSchema(const QString &dataset);
    DataTable Open(const QString &dataset, const QList<Wire::DatasetParam> &params = {},
                   const QList<Wire::WhereItem> &where = {});
    // One page of a synchronisation download: at most maxRows rows in ascending UPDATE_ID (the
    // optional GetData parameter MaxRows). The caller asks for the next page with UPDATE_ID
    // greater than the last one received, so memory stays bounded whatever the table's size.
    DataTable OpenPage(const QString &dataset, int maxRows, const QList<Wire::DatasetParam> &params = {},
                       const QList<Wire::WhereItem> &where = {});
    // Applies the changes in one server transaction (all or none) and returns the server's values
    // for each changed row, one row per change in order (a deleted row comes back as NULLs).
    DataTable ApplyChanges(const QString &dataset, const QList<Wire::RowChange> &changes,
                           const QList<Wire::DatasetParam> &params = {}, int totalTimeoutMs = 0);
    // One change whose field `streamed.field` takes the bytes of streamed.content as they are sent,
    // so that a large blob is never held in memory (RemoteService's streamed call).
    struct StreamedField
    {
        QString field;
        QIODevice *content = nullptr;
        qint64 size = 0;
    };
    DataTable ApplyChange(const QString &dataset, Wire::RowChange change, const StreamedField &streamed,
                          const QList<Wire::DatasetParam> &params = {}, int totalTimeoutMs = 0);
    qint64 ExecuteCommand(const QString &command, const QList<Wire::DatasetParam> &params = {});

private:
    // The rows of an UpdateData answer, one per change.
    static DataTable changedRows(const Wire::Reply &reply, qsizetype changes);

    RemoteService m_service;
    bool m_cacheSchema = true;
    int m_timeoutMs = 0;
    QHash<QString, Wire::DatasetSchema> m_schemas;
};

// A remote table that is posted on Post: every appended, edited or deleted row goes to the server
// at once and is replaced by the server's values.
class RemoteTable
{
public:
    RemoteTable(RemoteDataAdapter &adapter, const QString &logicalName)
        : m_adapter(adapter), m_name(logicalName) {}

    QString logicalName() const { return m_name; }
    void setParam(const QString &name, const QVariant &value);
    void clearParams() { m_params.clear(); }
    void setWhere(const QList<Wire::WhereItem> &where) { m_where = where; }

    void open();
    void close() { m_data = DataTable(); m_open = false; }
    bool isOpen() const { return m_open; }
    const DataTable &data() const { return m_data; }
    int rowCount() const { return m_data.rowCount(); }
    QVariant value(int row, const QString &field) const { return m_data.value(row, field); }

    // Post an insert / an update of the given fields / a delete. The upload size decides the
    // total time-out when totalTimeoutMs > 0.
    int appendAndPost(const QVariantMap &values, int totalTimeoutMs = 0);
    // The same with one field's value read from a device as it is sent.
    int appendAndPost(const QVariantMap &values, const RemoteDataAdapter::StreamedField &streamed, int totalTimeoutMs);
    void editAndPost(int row, const QVariantMap &values);
    void deleteAndPost(int row);

private:
    QVariantMap keyOf(int row) const;
    // Appends the server's row, as answered, to the table; its index.
    int appendAnswer(const DataTable &answer);

    RemoteDataAdapter &m_adapter;
    QString m_name;
    QList<Wire::DatasetParam> m_params;
    QList<Wire::WhereItem> m_where;
    DataTable m_data;
    QStringList m_keyFields;
    bool m_open = false;
};
