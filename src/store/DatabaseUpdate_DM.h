#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>

// One column that later program versions added to the local store.
struct TNewField
{
    QString TableName;
    QString FieldName;
    QString FieldType; // the domain
};

// Brings an opened local store up to the structure this program version expects: adds the columns
// and tables that are missing, (re)creates the sample export-flag trigger when its stored source is
// not the current version, and puts in the template's version of every procedure whose stored
// source differs from it (so a store made by an older build runs the procedures this build calls).
// Idempotent; runs at every login, in batch mode and on demand.
class TDatabaseUpdateDM
{
public:
    // A named DDL script. Its first line says how it is guarded:
    //   "/* TRIGGER */" or "/* PROCEDURE */" - the second line is the version text; the script runs
    //       unless the object already exists with that text in its stored source;
    //   "/* SCRIPT */" - always runs;
    //   anything else - runs unless a procedure of the object's name exists.
    struct NamedScript
    {
        QString Name;
        QString ObjectName;
        QString Lines;
    };

    explicit TDatabaseUpdateDM(const QSqlDatabase &db);

    void UpdateStructure();
    void AddField(const TNewField &field);
    bool CheckFieldExists(const TNewField &field);
    bool CheckTriggerIsCurrent(const QString &triggerName, const QString &version);
    bool CheckProcedureIsCurrent(const QString &procedureName, const QString &version);
    bool CheckProcedureExists(const QString &procedureName);
    void RunDDL(const QString &ddlName);

    // The columns to add when missing, in table-name order.
    static QList<TNewField> newFieldDefs();
    // The tables later versions added, with the template script that creates each.
    struct NewTable
    {
        QString TableName;
        QString Script; // resource path of the template script holding its CREATE statement
    };
    static QList<NewTable> newTableDefs();
    // Adds the missing tables; puts in the template's procedures whose stored source differs.
    void UpdateTables();
    void UpdateProcedures();
    static QList<NamedScript> namedScripts();

    // How many statements the last UpdateStructure ran (columns added, scripts run).
    int changesMade() const { return m_changes; }

private:
    QSqlDatabase m_db;
    int m_changes = 0;
};
