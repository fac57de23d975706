#include "ServerDatasets.h"

#include "ServerStore.h"
#include "store/SqlUtil.h"
#include "store/SynchronisedTables.h"
#include "base/VarnexError.h"

#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// A parameter compared for equality with a column.
ServerDatasets::ParamDef equalsParam(const QString &name, const QString &column)
{
    return {name, SqlUtil::quoteIdentifier(column) + QStringLiteral(" = ?"), false, column};
}

const FieldDef *findField(const QList<FieldDef> &fields, const QString &name)
{
    for (const FieldDef &f : fields)
        if (f.name.compare(name, Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

// Characters as the database counts them: code points, not UTF-16 units.
qsizetype characterCount(const QString &text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!text.at(i).isLowSurrogate())
            ++n;
    return n;
}

} // namespace

ServerDatasets::ServerDatasets(ServerStore &store) : m_store(store)
{
    const QString sync = QStringLiteral("SyncService");
    const QString postbox = QStringLiteral("PostboxV9Service");
    const QString maint = QStringLiteral("VRXMaint");
    const QString files = QStringLiteral("FileUploadService");

    // The synchronised tables: a download dataset (named parameters, or a where list for the
    // "_dyn_" ones) and an upload dataset "<table>_update".
    for (const SynchronisedTable &synced : synchronisedTables()) {
        const QString table = synced.localTable();
        const QStringList columns = store.writableColumns(table);
        Def down;
        down.service = sync;
        down.table = table;
        down.orderBy = QStringLiteral("\"UPDATE_ID\", \"ID\"");
        down.key = QStringLiteral("ID");
        if (synced.selectedByWhere()) {
            down.name = QStringLiteral("_DYN_") + table;
            down.allowWhere = true;
        } else {
            down.name = table;
            down.params = {{QStringLiteral("tablename"), {}, true}, {QStringLiteral("updatetablename"), {}, true},
                           {QStringLiteral("lastupdateid"), QStringLiteral("COALESCE(\"UPDATE_ID\", 0) > CAST(? AS BIGINT)"), true}};
            if (columns.contains(QStringLiteral("LOCAL_AUTHORITY__CODE"))) {
                ParamDef authority = equalsParam(QStringLiteral("localauthoritycode"), QStringLiteral("LOCAL_AUTHORITY__CODE"));
                authority.optional = true;
                down.params.append(authority);
            }
            else
                down.params.append({QStringLiteral("localauthoritycode"), {}, true});
            down.params.append({QStringLiteral("localauthofficecode"), {}, true});
        }
        m_defs.append(down);

        if (synced.uploadDataset.isEmpty())
            continue; // download only
        Def up;
        up.service = sync;
        up.name = table + QStringLiteral("_UPDATE");
        up.table = table;
        up.params = {{QStringLiteral("updateid"), QStringLiteral("\"ID\" = CAST(? AS BIGINT)")}};
        up.key = QStringLiteral("ID");
        up.canInsert = up.canUpdate = up.upsert = true;
        up.stampUpdateId = true;
        m_defs.append(up);
    }

    Def d;
    d = {};
    d.service = postbox; d.name = QStringLiteral("FILE_TO_INSERT_FROM_LA_EX"); d.table = d.name;
    d.fixedCondition = QStringLiteral("1 = 0"); d.key = QStringLiteral("ID"); d.canInsert = true;
    d.generator = QStringLiteral("GEN_FILES_ID");
    m_defs.append(d);

    // Read-back of one postbox row, for the demo and the tests.
    d = {};
    d.service = postbox; d.name = QStringLiteral("FILE_FROM_LA_FOR_ID"); d.table = QStringLiteral("FILE_TO_INSERT_FROM_LA_EX");
    d.params = {{QStringLiteral("Id"), QStringLiteral("\"ID\" = CAST(? AS BIGINT)")}}; d.key = QStringLiteral("ID");
    m_defs.append(d);

    d = {};
    d.service = postbox; d.name = QStringLiteral("DB_ACTIVATION_LOCAL_AUTHORITY"); d.table = d.name;
    d.params = {equalsParam(QStringLiteral("localAuthorityCode"), QStringLiteral("CODE"))};
    d.key = QStringLiteral("CODE"); d.canUpdate = true;
    d.optimisticColumns = {QStringLiteral("LAST_INSTALL_ID")};
    d.writable = {QStringLiteral("LAST_INSTALL_ID"), QStringLiteral("LAST_INSTALL_UUID")};
    m_defs.append(d);

    d = {};
    d.service = postbox; d.name = QStringLiteral("LOOKUP_TABLES_FOR_CLIENT"); d.table = QStringLiteral("LOOKUP_TABLE_LIST");
    d.columns = QStringLiteral("\"ID\", \"TABLE_NAME\", \"DATASET_NAME\", \"CATEGORY_NAME\", \"LAST_CHANGE_TIMESTAMP\", "
                               "CAST(0 AS INTEGER) AS \"UPDATE_STATE\", CAST(0 AS INTEGER) AS \"UPDATE_STATUS\"");
    d.orderBy = QStringLiteral("\"CATEGORY_NAME\", \"TABLE_NAME\""); d.key = QStringLiteral("ID");
    m_defs.append(d);

    d = {};
    d.service = postbox; d.name = QStringLiteral("LOOKUP_TABLE_EDIT"); d.table = QStringLiteral("LOOKUP_TABLE_LIST");
    // UPDATE_ID as well, so that a client writes the table as the synchronisation would.
    d.columns = QStringLiteral("\"ID\", \"TABLE_NAME\", \"DATASET_NAME\", \"CATEGORY_NAME\", \"LAST_CHANGE_TIMESTAMP\", "
                               "\"BINARY_CONTENT\", \"UPDATE_ID\"");
    d.params = {{QStringLiteral("ItemId"), QStringLiteral("\"ID\" = CAST(? AS BIGINT)")}}; d.key = QStringLiteral("ID");
    m_defs.append(d);

    d = {};
    d.service = maint; d.name = QStringLiteral("CLIENT_OUTCOME_CATEGORY"); d.table = d.name;
    d.params = {equalsParam(QStringLiteral("headingCode"), QStringLiteral("OUTCOME_HEADING__CODE"))};
    d.orderBy = QStringLiteral("\"CODE\""); d.key = QStringLiteral("CODE");
    m_defs.append(d);

    d.name = QStringLiteral("CLIENT_OUTCOME_RESULT_TEXT"); d.table = d.name;
    m_defs.append(d);

    d = {};
    d.service = maint; d.name = QStringLiteral("CLIENT_OUTCOME_RESULT"); d.table = d.name;
    d.params = {equalsParam(QStringLiteral("SampleCode"), QStringLiteral("SAMPLE__CODE")),
                equalsParam(QStringLiteral("HeadingCode"), QStringLiteral("OUTCOME_HEADING__CODE"))};
    d.orderBy = QStringLiteral("\"ID\""); d.key = QStringLiteral("ID");
    d.canInsert = d.canUpdate = d.canDelete = true; d.generator = QStringLiteral("GEN_OUTCOME_RESULT_ID");
    m_defs.append(d);

    // The server's copy of a sample; only the prosecution flag may be changed, and the change is
    // stamped so that it travels down to the clients.
    d = {};
    d.service = maint; d.name = QStringLiteral("FINAL_SAMPLE_FOR_CODE"); d.table = QStringLiteral("SAMPLE");
    d.params = {equalsParam(QStringLiteral("sample_code"), QStringLiteral("CODE"))};
    d.key = QStringLiteral("ID"); d.canUpdate = true; d.writable = {QStringLiteral("FLAG_PROSECUTION")};
    d.stampUpdateId = true;
    m_defs.append(d);

    d = {};
    d.service = files; d.name = QStringLiteral("ATTACHMENT"); d.table = d.name;
    d.columns = QStringLiteral("\"ID\", \"FILE_DESCRIPTION\", \"FILE_CONTENT\", \"FILE_TYPE\", \"LOCAL_AUTHORITY__CODE\", \"SAMPLE__CODE\", \"FILE_NAME\"");
    d.answerColumns = QStringLiteral("\"ID\", \"FILE_DESCRIPTION\", \"FILE_TYPE\", \"LOCAL_AUTHORITY__CODE\", \"SAMPLE__CODE\", \"FILE_NAME\"");
    d.fixedCondition = QStringLiteral("1 = 0"); d.key = QStringLiteral("ID");
    d.canInsert = d.canUpdate = true; d.generator = QStringLiteral("GEN_ATTACHMENT_ID");
    d.writable = {QStringLiteral("FILE_DESCRIPTION"), QStringLiteral("FILE_CONTENT"), QStringLiteral("FILE_TYPE"),
                  QStringLiteral("LOCAL_AUTHORITY__CODE"), QStringLiteral("SAMPLE__CODE"), QStringLiteral("FILE_NAME")};
    m_defs.append(d);

    d = {};
    d.service = files; d.name = QStringLiteral("ATTACHMENT_FOR_ID"); d.table = QStringLiteral("ATTACHMENT");
    d.columns = QStringLiteral("\"ID\", \"FILE_DESCRIPTION\", \"FILE_CONTENT\", \"FILE_TYPE\", \"LOCAL_AUTHORITY__CODE\", \"FILE_NAME\", \"SAMPLE__CODE\", \"IMPORT_LOG\"");
    d.params = {{QStringLiteral("Id"), QStringLiteral("\"ID\" = CAST(? AS BIGINT)")}}; d.key = QStringLiteral("ID");
    m_defs.append(d);

    d = {};
    d.service = files; d.name = QStringLiteral("ATTACHMENT_FOR_SAMPLE_CODE"); d.table = QStringLiteral("ATTACHMENT");
    d.columns = QStringLiteral("\"ID\", \"FILE_NAME\", \"FILE_TYPE\", \"FILE_DESCRIPTION\", \"UPLOAD_TIMESTAMP\"");
    d.params = {equalsParam(QStringLiteral("sampleCode"), QStringLiteral("SAMPLE__CODE"))};
    d.orderBy = QStringLiteral("\"ID\""); d.key = QStringLiteral("ID");
    m_defs.append(d);
}

const ServerDatasets::Def *ServerDatasets::find(const QString &service, const QString &name) const
{
    for (const Def &d : m_defs)
        if (d.service == service && d.name.compare(name, Qt::CaseInsensitive) == 0)
            return &d;
    return nullptr;
}

QString ServerDatasets::selectSql(const Def &def) const
{
    return QStringLiteral("SELECT %1 FROM %2").arg(def.columns, SqlUtil::quoteIdentifier(def.table));
}

QList<FieldDef> ServerDatasets::fields(const QSqlDatabase &db, const Def &def)
{
    {
        std::lock_guard<std::mutex> guard(m_fieldCacheLock);
        if (const auto it = m_fieldCache.constFind(def.name); it != m_fieldCache.cend())
            return *it;
    }
    QSqlQuery q = SqlUtil::exec(db, selectSql(def) + QStringLiteral(" WHERE 1 = 0"));
    const QSqlRecord rec = q.record();
    QList<FieldDef> fields;
    for (int i = 0; i < rec.count(); ++i) {
        FieldDef f = DataTable::fieldFromSql(rec.field(i), QSqlDriver::Interbase);
        f.name = f.name.toUpper();
        fields.append(f);
    }
    std::lock_guard<std::mutex> guard(m_fieldCacheLock);
    m_fieldCache.insert(def.name, fields);
    return fields;
}

QString ServerDatasets::marker(const FieldDef &field)
{
    return field.type == FieldType::Decimal ? SqlUtil::decimalParameter(field.scale) : QStringLiteral("?");
}

DataTable ServerDatasets::read(const QSqlDatabase &db, const Def &def, const QString &tail, const QVariantList &values)
{
    QSqlQuery q(db);
    DataTable table;
    QString error;
    bool read = false;
    if (def.columns == QLatin1String("*")) {
        // Every column by name, decimals as text (see marker), read into the dataset's own fields.
        const QList<FieldDef> fieldList = fields(db, def);
        QStringList columns;
        for (const FieldDef &f : fieldList)
            columns << (f.type == FieldType::Decimal ? SqlUtil::decimalAsText(f.name) : SqlUtil::quoteIdentifier(f.name));
        q = SqlUtil::exec(db, QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QLatin1Char(',')), SqlUtil::quoteIdentifier(def.table)) + tail,
                          values);
        read = table.fillFromQuery(q, fieldList, &error);
    } else {
        q = SqlUtil::exec(db, selectSql(def) + tail, values);
        read = table.fillFromQuery(q, &error);
    }
    if (!read)
        throw VarnexError(QStringLiteral("Dataset %1: %2").arg(def.name, error));
    return table;
}

Wire::DatasetSchema ServerDatasets::schema(const QSqlDatabase &db, const Def &def)
{
    Wire::DatasetSchema s;
    s.name = def.name;
    s.fields = fields(db, def);
    if (!def.key.isEmpty())
        s.keyFields << def.key;
    for (const ParamDef &p : def.params)
        s.paramNames << p.name;
    s.writable = def.canInsert || def.canUpdate || def.canDelete;
    return s;
}

void ServerDatasets::checkDecimal(const Def &def, const FieldDef &field, const QVariant &value, const QString &what) const
{
    if (!value.isValid())
        return;
    // The form the dataset packet takes too: text in plain decimal notation.
    static const QRegularExpression form(QStringLiteral("^-?[0-9]+(?:\\.[0-9]+)?$"));
    if (value.typeId() != QMetaType::QString)
        throw VarnexError(QStringLiteral("Dataset %1: %2 takes a decimal number written as text, such as \"-12.34\"")
                              .arg(def.name, what));
    const QString text = value.toString();
    if (!form.match(text).hasMatch())
        throw VarnexError(QStringLiteral("Dataset %1: %2: \"%3\" is not a decimal number").arg(def.name, what, text.left(40)));
    // The database would round a digit beyond the scale, and overflow (or keep, for a column it
    // stores wider than declared) more digits before the point than the precision leaves.
    QString limit;
    if (!DataTable::decimalFits(field, text, &limit))
        throw VarnexError(QStringLiteral("Dataset %1: %2: \"%3\" %4").arg(def.name, what, text.left(40), limit));
}

void ServerDatasets::checkText(const Def &def, const QString &column, int declaredBytes, const QString &text,
                               const QString &what) const
{
    const int characters = m_store.characterLength(def.table, column);
    if (characters > 0 && characterCount(text) > characters)
        throw VarnexError(QStringLiteral("Dataset %1: %2 holds at most %3 characters; the text sent has %4")
                              .arg(def.name, what)
                              .arg(characters)
                              .arg(characterCount(text)));
    // A column the catalogue does not describe (a computed one) has only its declared size, in bytes.
    if (characters <= 0 && declaredBytes > 0 && text.toUtf8().size() > declaredBytes)
        throw VarnexError(QStringLiteral("Dataset %1: %2 holds at most %3 bytes; the text sent has %4 in UTF-8")
                              .arg(def.name, what)
                              .arg(declaredBytes)
                              .arg(text.toUtf8().size()));
}

QVariant ServerDatasets::bindValue(const Def &def, const QList<FieldDef> &fields, const QString &column, const QVariant &value) const
{
    const FieldDef *field = findField(fields, column);
    if (!field)
        throw VarnexError(QStringLiteral("Dataset %1 has no field \"%2\"").arg(def.name, column));
    const QString what = QStringLiteral("field %1").arg(field->name);
    if (field->type == FieldType::Decimal)
        checkDecimal(def, *field, value, what);
    QVariant out;
    QString error;
    if (!DataTable::normalise(*field, value, &out, &error))
        throw VarnexError(QStringLiteral("Dataset %1: %2").arg(def.name, error));
    if (!out.isValid())
        return QVariant(QMetaType::fromType<QString>()); // bound as NULL
    // The driver binds a null QString as NULL; empty text must stay empty text.
    if (out.typeId() == QMetaType::QString && out.toString().isNull())
        return QVariant(QStringLiteral(""));
    if (field->type == FieldType::String)
        checkText(def, field->name, field->size, out.toString(), what);
    return out;
}

DataTable ServerDatasets::open(const QSqlDatabase &db, const Def &def, const QList<Wire::DatasetParam> &params,
                               const QList<Wire::WhereItem> &where, int maxRows)
{
    const bool paged = maxRows > 0;
    if (paged && !def.orderBy.startsWith(QLatin1String("\"UPDATE_ID\"")))
        throw VarnexError(QStringLiteral("Dataset %1 is not read in pages").arg(def.name));
    const QList<FieldDef> fields = schema(db, def).fields;
    QStringList conditions;
    QVariantList values;
    if (!def.fixedCondition.isEmpty())
        conditions << def.fixedCondition;
    for (const Wire::DatasetParam &p : params) {
        bool known = false;
        for (const ParamDef &pd : def.params)
            known = known || pd.name.compare(p.name, Qt::CaseInsensitive) == 0;
        if (!known)
            throw VarnexError(QStringLiteral("Dataset %1 has no parameter \"%2\"").arg(def.name, p.name));
    }
    for (const ParamDef &pd : def.params) {
        QVariant value;
        bool given = false;
        for (const Wire::DatasetParam &p : params)
            if (p.name.compare(pd.name, Qt::CaseInsensitive) == 0) {
                value = p.value;
                given = true;
            }
        if (pd.condition.isEmpty())
            continue;
        if (pd.optional && (!given || !value.isValid() || value.toString().isEmpty()))
            continue;
        if (!pd.column.isEmpty() && value.typeId() == QMetaType::QString)
            checkText(def, pd.column, 0, value.toString(), QStringLiteral("the parameter %1").arg(pd.name));
        conditions << pd.condition;
        values << (value.isValid() ? value : QVariant(QMetaType::fromType<QString>()));
    }
    if (!where.isEmpty() && !def.allowWhere)
        throw VarnexError(QStringLiteral("Dataset %1 takes no where list").arg(def.name));
    for (const Wire::WhereItem &w : where) {
        const QVariant v = bindValue(def, fields, w.field, w.value);
        const QString column = SqlUtil::quoteIdentifier(w.field.toUpper());
        // "equal" to NULL is the IS NULL condition ("different" from NULL reads IS NOT NULL).
        if (w.op == Wire::WhereItem::Equal && !w.value.isValid()) {
            conditions << column + QStringLiteral(" IS NULL");
            continue;
        }
        const QString mark = marker(*findField(fields, w.field));
        switch (w.op) {
        case Wire::WhereItem::Equal: conditions << column + QStringLiteral(" = ") + mark; break;
        case Wire::WhereItem::Different: conditions << column + QStringLiteral(" IS DISTINCT FROM ") + mark; break;
        case Wire::WhereItem::Greater: conditions << column + QStringLiteral(" > ") + mark; break;
        }
        values << v;
    }
    QString sql;
    if (!conditions.isEmpty())
        sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    if (paged) {
        // Ordered by the indexed UPDATE_ID alone, the engine walks the index and stops reading
        // when the page is full, instead of sorting every remaining row for every page. Every
        // row's UPDATE_ID is its own (each row is stamped from the sequence on its own), so a page
        // never ends between two rows that share one.
        sql += QStringLiteral(" ORDER BY \"UPDATE_ID\" ROWS CAST(? AS INTEGER)");
        values << maxRows;
    } else if (!def.orderBy.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + def.orderBy;
    return read(db, def, sql, values);
}

DataTable ServerDatasets::rowByKey(const QSqlDatabase &db, const Def &def, const QVariant &key)
{
    return read(db, def, QStringLiteral(" WHERE %1 = ?").arg(SqlUtil::quoteIdentifier(def.key)), {key});
}

DataTable ServerDatasets::apply(const QSqlDatabase &db, const Def &def, const QList<Wire::DatasetParam> &params,
                                const QList<Wire::RowChange> &changes, StampTurn &stampTurn)
{
    Q_UNUSED(params);
    const Wire::DatasetSchema s = schema(db, def);
    const QStringList stored = m_store.writableColumns(def.table);
    QStringList writable = def.writable;
    if (writable.isEmpty())
        for (const FieldDef &f : s.fields)
            if (stored.contains(f.name) && (def.upsert || f.name != def.key))
                writable << f.name;
    // Columns the server keeps for itself.
    if (def.stampUpdateId)
        writable.removeAll(QStringLiteral("UPDATE_ID"));

    DataTable result(s.fields);
    QVariantList stampKeys, rowKeys;
    const auto markerOf = [&](const QString &column) {
        const FieldDef *field = findField(s.fields, column);
        return field ? marker(*field) : QStringLiteral("?");
    };
    for (const Wire::RowChange &change : changes) {
        QStringList names;
        QVariantList values;
        for (auto it = change.values.cbegin(); it != change.values.cend(); ++it) {
            const QString column = it.key().toUpper();
            if (column == QLatin1String("UPDATE_ID") && def.stampUpdateId)
                continue; // stamped below
            if (!writable.contains(column))
                throw VarnexError(QStringLiteral("Dataset %1: the field \"%2\" cannot be written").arg(def.name, it.key()));
            names << column;
            values << bindValue(def, s.fields, column, it.value());
        }
        QVariant key;
        if (change.kind == Wire::RowChange::Insert || (def.upsert && change.kind == Wire::RowChange::Update)) {
            if (!(change.kind == Wire::RowChange::Insert ? def.canInsert : def.canUpdate))
                throw VarnexError(QStringLiteral("Dataset %1 takes no new rows").arg(def.name));
            const int k = names.indexOf(def.key);
            if (k >= 0)
                key = values.at(k);
            if (!key.isValid() || key.isNull()) {
                if (def.generator.isEmpty())
                    throw VarnexError(QStringLiteral("Dataset %1: a new row needs its %2").arg(def.name, def.key));
                QSqlQuery g = SqlUtil::exec(db, QStringLiteral("SELECT GEN_ID(%1, 1) FROM RDB$DATABASE").arg(def.generator));
                g.next();
                key = g.value(0);
                if (k >= 0)
                    values[k] = key;
                else {
                    names << def.key;
                    values << key;
                }
            }
            QStringList quoted, marks;
            for (const QString &n : names) {
                quoted << SqlUtil::quoteIdentifier(n);
                marks << markerOf(n);
            }
            const QString verb = def.upsert ? QStringLiteral("UPDATE OR INSERT INTO") : QStringLiteral("INSERT INTO");
            QString sql = QStringLiteral("%1 %2 (%3) VALUES (%4)").arg(verb, SqlUtil::quoteIdentifier(def.table), quoted.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
            if (def.upsert)
                sql += QStringLiteral(" MATCHING (%1)").arg(SqlUtil::quoteIdentifier(def.key));
            SqlUtil::exec(db, sql, values);
        } else {
            if (change.kind == Wire::RowChange::Update ? !def.canUpdate : !def.canDelete)
                throw VarnexError(QStringLiteral("Dataset %1 does not take this change").arg(def.name));
            QStringList conditions;
            QVariantList keyValues;
            bool hasKey = false;
            for (auto it = change.key.cbegin(); it != change.key.cend(); ++it) {
                const QString column = it.key().toUpper();
                if (!stored.contains(column))
                    throw VarnexError(QStringLiteral("Dataset %1 has no field \"%2\"").arg(def.name, it.key()));
                conditions << SqlUtil::quoteIdentifier(column) + QStringLiteral(" IS NOT DISTINCT FROM ") + markerOf(column);
                keyValues << bindValue(def, s.fields, column, it.value());
                if (column == def.key) {
                    hasKey = true;
                    key = keyValues.last();
                }
            }
            if (!hasKey)
                throw VarnexError(QStringLiteral("Dataset %1: the change does not name its row by %2").arg(def.name, def.key));
            for (const QString &c : def.optimisticColumns)
                if (change.kind == Wire::RowChange::Update && !change.key.contains(c) && !change.key.contains(c.toLower()))
                    throw VarnexError(QStringLiteral("Dataset %1: an update must carry the old value of %2").arg(def.name, c));
            QSqlQuery q(db);
            if (change.kind == Wire::RowChange::Update) {
                if (names.isEmpty())
                    throw VarnexError(QStringLiteral("Dataset %1: the update changes nothing").arg(def.name));
                QStringList sets;
                for (const QString &n : names)
                    sets << SqlUtil::quoteIdentifier(n) + QStringLiteral(" = ") + markerOf(n);
                q = SqlUtil::exec(db, QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(SqlUtil::quoteIdentifier(def.table), sets.join(QLatin1Char(',')), conditions.join(QStringLiteral(" AND "))), values + keyValues);
            } else {
                q = SqlUtil::exec(db, QStringLiteral("DELETE FROM %1 WHERE %2").arg(SqlUtil::quoteIdentifier(def.table), conditions.join(QStringLiteral(" AND "))), keyValues);
            }
            if (q.numRowsAffected() != 1)
                throw VarnexError(QStringLiteral("Dataset %1: the row was changed or removed by someone else; nothing was saved").arg(def.name));
        }
        if (def.stampUpdateId && change.kind != Wire::RowChange::Delete)
            stampKeys << key;
        rowKeys << (change.kind == Wire::RowChange::Delete ? QVariant() : key);
    }
    Def answerDef = def;
    if (!def.answerColumns.isEmpty())
        answerDef.columns = def.answerColumns;
    for (const QVariant &k : std::as_const(rowKeys)) {
        const int row = result.appendRow();
        if (!k.isValid())
            continue;
        const DataTable current = rowByKey(db, answerDef, k);
        if (current.rowCount() == 0)
            continue;
        for (int c = 0; c < result.fieldCount(); ++c) {
            const int from = current.indexOf(result.field(c).name);
            if (from >= 0)
                result.setValue(row, c, current.value(0, from));
        }
    }
    if (stampKeys.isEmpty())
        return result;
    // UPDATE_ID is stamped last, in the transaction that commits the rows, from the one sequence.
    // Stamping and committing take turns per table: a later commit always carries higher stamps,
    // so a download that has seen one stamp has seen every lower one of its table.
    stampTurn.take(def.table);
    QHash<QString, QVariant> stamps; // by key: the row's last stamp, for every answer row of it
    QSqlQuery stamp(db);
    stamp.setForwardOnly(true);
    if (!stamp.prepare(QStringLiteral("UPDATE %1 SET \"UPDATE_ID\" = GEN_ID(GEN_SYNC_ID, 1) WHERE %2 = ? RETURNING \"UPDATE_ID\"")
                           .arg(SqlUtil::quoteIdentifier(def.table), SqlUtil::quoteIdentifier(def.key))))
        throw VarnexError(stamp.lastError().text());
    for (const QVariant &k : std::as_const(stampKeys)) {
        stamp.bindValue(0, k);
        if (!stamp.exec())
            throw VarnexError(stamp.lastError().text());
        if (stamp.next())
            stamps.insert(k.toString(), stamp.value(0));
    }
    const int updateId = result.indexOf(QStringLiteral("UPDATE_ID"));
    for (int row = 0; updateId >= 0 && row < result.rowCount(); ++row)
        if (const auto it = stamps.constFind(rowKeys.at(row).toString()); rowKeys.at(row).isValid() && it != stamps.cend())
            result.setValue(row, updateId, *it);
    return result;
}

qint64 ServerDatasets::executeCommand(const QSqlDatabase &db, const QString &service, const QString &command,
                                      const QList<Wire::DatasetParam> &params)
{
    if (service != QLatin1String("FileUploadService") || command.compare(QLatin1String("attachment_delete"), Qt::CaseInsensitive) != 0)
        throw VarnexError(QStringLiteral("Unknown command \"%1\" of %2").arg(command, service));
    QVariant id;
    for (const Wire::DatasetParam &p : params) {
        if (p.name.compare(QLatin1String("ID"), Qt::CaseInsensitive) != 0)
            throw VarnexError(QStringLiteral("Command %1 has no parameter \"%2\"").arg(command, p.name));
        id = p.value;
    }
    bool ok = false;
    const qint64 n = id.toLongLong(&ok);
    if (!ok)
        throw VarnexError(QStringLiteral("Command %1 needs a numeric ID").arg(command));
    QSqlQuery q = SqlUtil::exec(db, QStringLiteral("DELETE FROM \"ATTACHMENT\" WHERE \"ID\" = ?"), {n});
    return q.numRowsAffected();
}
