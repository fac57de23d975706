#include "store/DatabaseUpdate_DM.h"

#include "store/SqlUtil.h"
#include "base/VarnexError.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>

// The store library is static: its resources are registered on first use.
static void initStoreResources()
{
    Q_INIT_RESOURCE(store);
}

namespace {
QString resourceText(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw VarnexError(QStringLiteral("The structure script %1 is missing from the program.").arg(path));
    return QString::fromUtf8(f.readAll());
}

QString storedSource(const QSqlDatabase &db, const QString &sql, const QString &name)
{
    return SqlUtil::scalar(db, sql, {name.toUpper()}).toString();
}

// Source text compared without regard to how it is laid out.
QString normalisedSource(const QString &text)
{
    return text.simplified();
}

// The statements of a template script that create the named kind of object: name -> statement.
QList<QPair<QString, QString>> creatingStatements(const QString &script, const QRegularExpression &form)
{
    QList<QPair<QString, QString>> out;
    for (const QString &statement : SqlUtil::splitScript(script)) {
        const QRegularExpressionMatch m = form.match(statement);
        if (m.hasMatch())
            out.append({m.captured(1).toUpper(), statement});
    }
    return out;
}
} // namespace

TDatabaseUpdateDM::TDatabaseUpdateDM(const QSqlDatabase &db) : m_db(db) {}

QList<TNewField> TDatabaseUpdateDM::newFieldDefs()
{
    QList<TNewField> fields = {
        {QStringLiteral("SAMPLE_OFFICER"), QStringLiteral("IS_SUSPENDED"), QStringLiteral("D_BOOLEAN_NULL")},
        {QStringLiteral("SAMPLE_OFFICER"), QStringLiteral("AUTO_SUSPEND_DATE"), QStringLiteral("D_DATE")},
        {QStringLiteral("SAMPLE"), QStringLiteral("CDS_OUTCOMES"), QStringLiteral("D_TEXT_BLOB")},
        {QStringLiteral("LOCAL_AUTH_OFFICE"), QStringLiteral("LOCAL_AUTH_DEPT__UUID"), QStringLiteral("D_UUID_STRING")},
        {QStringLiteral("SAMPLE_OFFICER"), QStringLiteral("DATA_SCOPE"), QStringLiteral("D_CODE")},
        {QStringLiteral("SYS_LOCAL_SETTINGS"), QStringLiteral("USER_EMAIL_ADDRESS"), QStringLiteral("D_VARCHAR_200")},
        {QStringLiteral("SYS_LOCAL_SETTINGS"), QStringLiteral("USER_LOGIN_PASSWORD"), QStringLiteral("D_VARCHAR_50")},
        {QStringLiteral("SYS_LOCAL_SETTINGS"), QStringLiteral("USER_IS_SUSPENDED"), QStringLiteral("D_BOOLEAN_NULL")},
        {QStringLiteral("SYS_LOCAL_SETTINGS"), QStringLiteral("USER_AUTO_SUSPEND_DATE"), QStringLiteral("D_DATE")},
        {QStringLiteral("SYS_LOCAL_SETTINGS"), QStringLiteral("USER_IS_LOCAL_AUTHORITY_ADMIN"), QStringLiteral("D_BOOLEAN_NULL")},
        {QStringLiteral("SYS_LOCAL_SETTINGS"), QStringLiteral("USER_ID"), QStringLiteral("D_ID")},
        {QStringLiteral("SYS_LOCAL_SETTINGS"), QStringLiteral("USER_DATA_SCOPE"), QStringLiteral("D_CODE")},
        {QStringLiteral("SYS_LOCAL_SETTINGS"), QStringLiteral("REFRESH_AFTER_SCOPE_CHANGE"), QStringLiteral("D_BOOLEAN")},
    };
    std::stable_sort(fields.begin(), fields.end(),
                     [](const TNewField &a, const TNewField &b) { return a.TableName < b.TableName; });
    return fields;
}

QList<TDatabaseUpdateDM::NamedScript> TDatabaseUpdateDM::namedScripts()
{
    initStoreResources();
    // The trigger's source is the very script the template database is built from, so a new store
    // and an upgraded one carry the same trigger.
    return {
        {QStringLiteral("TRIGGER_SAMPLE_SET_UPDATE_FLAG"), QStringLiteral("SAMPLE_SET_UPDATE_FLAG"),
         QStringLiteral("/* TRIGGER */\n/* Version 4 */\n") + resourceText(QStringLiteral(":/db/sample_update_flag.sql"))},
    };
}

QList<TDatabaseUpdateDM::NewTable> TDatabaseUpdateDM::newTableDefs()
{
    return {
        {QStringLiteral("EXPORT_PACKET_SAMPLE"), QStringLiteral(":/db/exchange.sql")},
    };
}

void TDatabaseUpdateDM::UpdateStructure()
{
    m_changes = 0;
    for (const TNewField &field : newFieldDefs()) {
        if (!CheckFieldExists(field))
            AddField(field);
    }
    UpdateTables();
    RunDDL(QStringLiteral("TRIGGER_SAMPLE_SET_UPDATE_FLAG"));
    UpdateProcedures();
}

void TDatabaseUpdateDM::UpdateTables()
{
    initStoreResources();
    static const QRegularExpression form(QStringLiteral(R"(^\s*CREATE\s+(?:GLOBAL\s+TEMPORARY\s+)?TABLE\s+(\w+))"),
                                         QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
    for (const NewTable &table : newTableDefs()) {
        const bool exists = !SqlUtil::scalar(m_db, QStringLiteral("SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = ?"),
                                             {table.TableName.toUpper()})
                                 .isNull();
        if (exists)
            continue;
        const auto statements = creatingStatements(resourceText(table.Script), form);
        const auto it = std::find_if(statements.begin(), statements.end(),
                                     [&](const auto &s) { return s.first == table.TableName.toUpper(); });
        if (it == statements.end())
            throw VarnexError(QStringLiteral("The program has no statement that creates the table %1.").arg(table.TableName));
        SqlUtil::execDirect(m_db, it->second);
        ++m_changes;
    }
}

void TDatabaseUpdateDM::UpdateProcedures()
{
    initStoreResources();
    static const QRegularExpression form(QStringLiteral(R"(^\s*CREATE\s+OR\s+ALTER\s+PROCEDURE\s+(\w+))"),
                                         QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
    // The body the database keeps is what follows the line "AS".
    static const QRegularExpression body(QStringLiteral(R"(\n\s*AS\s*\n)"), QRegularExpression::CaseInsensitiveOption);
    for (const auto &[name, statement] : creatingStatements(resourceText(QStringLiteral(":/db/procedures.sql")), form)) {
        const QRegularExpressionMatch m = body.match(statement);
        const QString wanted = m.hasMatch() ? statement.mid(m.capturedEnd()) : statement;
        const QString stored = storedSource(
            m_db, QStringLiteral("SELECT RDB$PROCEDURE_SOURCE FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = ?"), name);
        if (normalisedSource(stored) == normalisedSource(wanted))
            continue;
        SqlUtil::execDirect(m_db, statement);
        ++m_changes;
    }
}

void TDatabaseUpdateDM::AddField(const TNewField &field)
{
    SqlUtil::requireIdentifier(field.TableName, "table");
    SqlUtil::requireIdentifier(field.FieldName, "column");
    SqlUtil::requireIdentifier(field.FieldType, "domain");
    SqlUtil::exec(m_db, QStringLiteral("ALTER TABLE %1 ADD %2 %3")
                            .arg(SqlUtil::quoteIdentifier(field.TableName), SqlUtil::quoteIdentifier(field.FieldName),
                                 SqlUtil::quoteIdentifier(field.FieldType)));
    ++m_changes;
    // No column of this version needs an initial value beyond its domain's default.
}

bool TDatabaseUpdateDM::CheckFieldExists(const TNewField &field)
{
    return !SqlUtil::scalar(m_db,
                            QStringLiteral("SELECT FIRST 1 RDB$FIELD_NAME FROM RDB$RELATION_FIELDS "
                                           "WHERE RDB$FIELD_NAME = ? AND RDB$RELATION_NAME = ?"),
                            {field.FieldName.toUpper(), field.TableName.toUpper()})
                .isNull();
}

bool TDatabaseUpdateDM::CheckTriggerIsCurrent(const QString &triggerName, const QString &version)
{
    return storedSource(m_db, QStringLiteral("SELECT RDB$TRIGGER_SOURCE FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = ?"),
                        triggerName)
        .contains(version);
}

bool TDatabaseUpdateDM::CheckProcedureIsCurrent(const QString &procedureName, const QString &version)
{
    return storedSource(m_db,
                        QStringLiteral("SELECT RDB$PROCEDURE_SOURCE FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = ?"),
                        procedureName)
        .contains(version);
}

bool TDatabaseUpdateDM::CheckProcedureExists(const QString &procedureName)
{
    return !SqlUtil::scalar(m_db, QStringLiteral("SELECT 1 FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = ?"),
                            {procedureName.toUpper()})
                .isNull();
}

void TDatabaseUpdateDM::RunDDL(const QString &ddlName)
{
    const QList<NamedScript> scripts = namedScripts();
    const auto it = std::find_if(scripts.begin(), scripts.end(),
                                 [&](const NamedScript &s) { return s.Name == ddlName; });
    if (it == scripts.end())
        return;
    const QStringList lines = it->Lines.split(QLatin1Char('\n'));
    const QString first = lines.value(0).trimmed();
    const QString version = lines.value(1).trimmed();
    // The object checked is the one the script creates (its script name carries a prefix).
    bool run = true;
    if (first == QLatin1String("/* TRIGGER */"))
        run = !CheckTriggerIsCurrent(it->ObjectName, version);
    else if (first == QLatin1String("/* PROCEDURE */"))
        run = !CheckProcedureIsCurrent(it->ObjectName, version);
    else if (first != QLatin1String("/* SCRIPT */"))
        run = !CheckProcedureExists(it->ObjectName);
    if (!run)
        return;
    SqlUtil::runScript(m_db, it->Lines);
    ++m_changes;
}
