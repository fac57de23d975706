#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariantMap>

#include <map>
#include <memory>
#include <mutex>

// The server's Firebird store in its data folder: created and seeded on first start, opened on
// later ones. Every request handler thread gets its own connection, closed when the thread ends,
// and requests run side by side; Firebird serialises the changes that meet on one row. Only the
// transactions that stamp UPDATE_ID take turns, from their stamping to their commit, so that
// commits happen in stamp order: a reader that sees a stamp also sees every lower one.
class ServerStore
{
public:
    explicit ServerStore(const QString &dataDir);

    // Throws VarnexError with the cause when the store cannot be created or opened.
    void openOrCreate(const QString &seedFile = {});
    // Closes the calling thread's connection (the handler threads close theirs as they end).
    void close();

    QString databasePath() const;
    // The calling thread's connection, opened on first use; throws VarnexError when the store
    // cannot be opened.
    QSqlDatabase connection();
    // A table's turn to stamp UPDATE_ID (see StampTurn).
    std::timed_mutex &stampLock(const QString &table) { return *m_stampLocks.at(table.toUpper()); }

    static const QStringList &syncedTables();
    bool hasTable(const QString &table) const { return m_columns.contains(table.toUpper()); }
    // Stored (not computed) columns of a table, upper case, in table order.
    QStringList writableColumns(const QString &table) const { return m_columns.value(table.toUpper()); }
    // The most characters a text column holds (its declared length); 0 for other columns.
    int characterLength(const QString &table, const QString &column) const
    {
        return m_characterLengths.value(table.toUpper()).value(column.toUpper());
    }

    // Ids from the one synchronisation sequence: claims `count` values and returns the last.
    static qint64 claimSyncIds(const QSqlDatabase &db, qint64 count);
    // Inserts a row after checking every column name against the table; synchronised tables get
    // an id and an UPDATE_ID from the sequence when the row has none.
    void insertRow(const QSqlDatabase &db, const QString &table, const QVariantMap &row);

private:
    void createStore(const QString &seedFile);
    void loadColumns(const QSqlDatabase &db);
    void seedDemo(const QSqlDatabase &db);
    void seedFromFile(const QSqlDatabase &db, const QString &seedFile);

    QString m_dataDir;
    std::map<QString, std::unique_ptr<std::timed_mutex>> m_stampLocks; // one per table, made at opening
    QHash<QString, QStringList> m_columns;
    QHash<QString, QHash<QString, int>> m_characterLengths;
};

// One transaction's turn to stamp UPDATE_ID in a table, held from the stamping to the commit (the
// turn ends with this object, after the transaction has ended): commits of a table then carry
// ascending stamps. A transaction that has written its rows waits only briefly for its turn and
// then fails as a write conflict, to be done again: the one whose turn it is may be waiting for a
// row it holds. A transaction done again after colliding with others takes its turn before it
// starts (early), waiting as long as it takes, since it holds nothing yet: no other stamping
// transaction of that table can collide with it then.
class StampTurn
{
public:
    static constexpr int StampWaitMs = 250;
    static constexpr int EarlyWaitMs = 60000;

    explicit StampTurn(ServerStore &store) : m_store(store) {}
    // Takes the table's turn; throws VarnexError (a lock conflict) when it does not come in time.
    // Nothing when the turn is held already.
    void take(const QString &table, int waitMs = StampWaitMs);

private:
    ServerStore &m_store;
    std::unique_lock<std::timed_mutex> m_lock;
};
