#include "data/DataSet.h"

#include "data/FieldValue.h"
#include "store/SqlUtil.h"

#include "base/VarnexError.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

QVariant nullOf(int typeId)
{
    return typeId == QMetaType::UnknownType ? QVariant() : QVariant(QMetaType(typeId));
}

bool sameFieldValue(const QVariant &a, const QVariant &b)
{
    const bool an = FieldValue::isNull(a);
    const bool bn = FieldValue::isNull(b);
    if (an || bn)
        return an == bn;
    if (a.metaType() == b.metaType())
        return a == b;
    if (a.metaType().id() == QMetaType::QString || b.metaType().id() == QMetaType::QString)
        return a.toString() == b.toString();
    return QVariant::compare(a, b) == QPartialOrdering::Equivalent;
}

} // namespace

SqlDataSet::SqlDataSet(QObject *parent) : QObject(parent) {}

SqlDataSet::SqlDataSet(const QSqlDatabase &db, const QString &selectSql, QObject *parent)
    : QObject(parent), m_db(db), m_sql(selectSql)
{
}

SqlDataSet::~SqlDataSet() = default;

QString SqlDataSet::notEditingMessage()
{
    return QStringLiteral("Dataset not in edit or insert mode");
}

void SqlDataSet::setDatabase(const QSqlDatabase &db)
{
    if (isActive())
        throw VarnexError(QStringLiteral("The connection of an open dataset cannot be changed."));
    m_db = db;
}

void SqlDataSet::setSql(const QString &selectSql)
{
    if (isActive())
        throw VarnexError(QStringLiteral("The SQL of an open dataset cannot be changed."));
    m_sql = selectSql;
}

void SqlDataSet::setParam(const QString &name, const QVariant &value)
{
    m_params.set(name, value);
}

QVariant SqlDataSet::param(const QString &name) const
{
    return m_params.value(name);
}

bool SqlDataSet::hasParam(const QString &name) const
{
    return m_params.contains(name);
}

QStringList SqlDataSet::paramNames() const
{
    return NamedParameters::namesIn(m_sql);
}

void SqlDataSet::setUpdateTable(const QString &table, const QStringList &keyFields)
{
    if (isActive())
        throw VarnexError(QStringLiteral("The update table of an open dataset cannot be changed."));
    if (!table.isEmpty()) {
        SqlUtil::requireIdentifier(table, "table");
        if (keyFields.isEmpty())
            throw VarnexError(QStringLiteral("The update table %1 needs at least one key column.").arg(table));
        for (const QString &k : keyFields)
            SqlUtil::requireIdentifier(k, "key column");
    }
    m_updateTable = table.toUpper();
    m_keyFields.clear();
    for (const QString &k : keyFields)
        m_keyFields << k.toUpper();
}

void SqlDataSet::setReadOnly(bool readOnly)
{
    if (readOnly && isEditing())
        throw VarnexError(QStringLiteral("Post or cancel the row being edited before making the data read-only."));
    if (readOnly == m_readOnly)
        return;
    m_readOnly = readOnly;
    emit editRulesChanged();
}

void SqlDataSet::setAutoEdit(bool autoEdit)
{
    if (autoEdit == m_autoEdit)
        return;
    m_autoEdit = autoEdit;
    emit editRulesChanged();
}

void SqlDataSet::requireActive(const char *what) const
{
    if (!isActive())
        throw VarnexError(QStringLiteral("Cannot %1: the dataset is not open.").arg(QLatin1String(what)));
}

void SqlDataSet::requireModifiable() const
{
    if (m_readOnly)
        throw VarnexError(QStringLiteral("The data is read-only and cannot be changed."));
    if (m_updateTable.isEmpty())
        throw VarnexError(QStringLiteral("The data cannot be changed: no table to write to was given."));
}

void SqlDataSet::loadTableColumns()
{
    m_tableColumns.clear();
    m_keyColumns.clear();
    if (m_updateTable.isEmpty())
        return;
    QSqlQuery q = SqlUtil::exec(m_db,
                      QStringLiteral("SELECT TRIM(rf.RDB$FIELD_NAME), IIF(f.RDB$COMPUTED_BLR IS NULL, 0, 1), "
                                     "f.RDB$FIELD_TYPE, f.RDB$FIELD_SUB_TYPE, f.RDB$CHARACTER_LENGTH "
                                     "FROM RDB$RELATION_FIELDS rf JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE "
                                     "WHERE rf.RDB$RELATION_NAME = ?"),
                      {m_updateTable});
    bool any = false;
    while (q.next()) {
        any = true;
        const QString name = q.value(0).toString();
        const int column = fieldIndex(name);
        if (column < 0)
            continue;
        TableColumn tc;
        tc.name = name;
        tc.computed = q.value(1).toInt() != 0;
        // CHAR (14) and VARCHAR (37) hold a number of characters, whatever their character set.
        const int fieldType = q.value(2).toInt();
        if ((fieldType == 14 || fieldType == 37) && !q.isNull(4))
            tc.maxLength = q.value(4).toInt();
        m_tableColumns.insert(column, tc);
        // Text blobs arrive as bytes; the dataset hands them out as text.
        if (q.value(2).toInt() == 261 && q.value(3).toInt() == 1)
            m_fieldTypes[column] = QMetaType::QString;
    }
    if (!any)
        throw VarnexError(QStringLiteral("The table %1 does not exist.").arg(m_updateTable));
    for (const QString &k : std::as_const(m_keyFields)) {
        const int column = fieldIndex(k);
        if (column < 0 || !m_tableColumns.contains(column))
            throw VarnexError(QStringLiteral("The key column %1 of table %2 is not among the columns of the dataset.")
                                  .arg(k, m_updateTable));
        m_keyColumns << column;
    }
}

void SqlDataSet::open()
{
    if (isActive())
        return;
    if (!m_db.isOpen())
        throw VarnexError(QStringLiteral("Cannot open the dataset: its database connection is not open."));
    if (m_sql.trimmed().isEmpty())
        throw VarnexError(QStringLiteral("Cannot open the dataset: it has no SQL."));
    if (beforeOpen)
        beforeOpen(*this);

    QVariantList params;
    const QString sql = m_params.toPositional(m_sql, &params, QStringLiteral("dataset"));

    QList<QList<QVariant>> rows;
    {
        QSqlQuery q = SqlUtil::exec(m_db, sql, params);
        const QSqlRecord rec = q.record();
        m_fields.clear();
        m_fieldTypes.clear();
        m_fieldIndex.clear();
        for (int i = 0; i < rec.count(); ++i) {
            m_fields << rec.fieldName(i);
            m_fieldTypes << rec.field(i).metaType().id();
            const QString key = rec.fieldName(i).toUpper();
            if (!m_fieldIndex.contains(key))
                m_fieldIndex.insert(key, i);
        }
        loadTableColumns();
        const int count = int(m_fields.size());
        while (q.next()) {
            QList<QVariant> row;
            row.reserve(count);
            for (int i = 0; i < count; ++i) {
                if (q.isNull(i))
                    row << nullOf(m_fieldTypes[i]);
                else if (m_fieldTypes[i] == QMetaType::QString && q.value(i).metaType().id() == QMetaType::QByteArray)
                    row << QVariant(QString::fromUtf8(q.value(i).toByteArray()));
                else
                    row << q.value(i);
            }
            rows << row;
        }
    }
    m_rows = rows;
    m_current = m_rows.isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.isEmpty();
    setState(dsBrowse);
    emit currentRowChanged(m_current);
    emit afterOpen();
}

void SqlDataSet::close()
{
    if (!isActive())
        return;
    m_rows.clear();
    m_buffer.clear();
    m_modified.clear();
    m_current = -1;
    m_bof = m_eof = true;
    m_tableColumns.clear();
    m_keyColumns.clear();
    setState(dsInactive);
    emit currentRowChanged(-1);
    emit afterClose();
}

void SqlDataSet::refresh()
{
    requireActive("refresh");
    if (isEditing())
        throw VarnexError(QStringLiteral("Cannot refresh while a row is being edited or inserted."));
    QList<QVariant> keys;
    if (m_current >= 0 && !m_keyColumns.isEmpty())
        keys = keyValuesOf(m_rows[m_current]);
    const int oldRow = m_current;
    // The old rows stay when the new ones cannot be read.
    const auto fields = m_fields;
    const auto types = m_fieldTypes;
    const auto index = m_fieldIndex;
    const auto rows = m_rows;
    const auto tableColumns = m_tableColumns;
    const auto keyColumns = m_keyColumns;
    const bool wasBlocked = blockSignals(true);
    m_state = dsInactive;
    try {
        open();
    } catch (...) {
        m_fields = fields;
        m_fieldTypes = types;
        m_fieldIndex = index;
        m_rows = rows;
        m_tableColumns = tableColumns;
        m_keyColumns = keyColumns;
        m_current = oldRow;
        m_state = dsBrowse;
        blockSignals(wasBlocked);
        throw;
    }
    blockSignals(wasBlocked);
    bool found = false;
    if (!keys.isEmpty()) {
        for (int r = 0; r < m_rows.size() && !found; ++r) {
            if (keyValuesOf(m_rows[r]) == keys) {
                m_current = r;
                found = true;
            }
        }
    }
    if (!found)
        m_current = m_rows.isEmpty() ? -1 : qBound(0, oldRow, int(m_rows.size()) - 1);
    m_bof = m_eof = m_rows.isEmpty();
    emit currentRowChanged(m_current);
}

void SqlDataSet::setState(State s)
{
    if (m_state == s)
        return;
    m_state = s;
    emit stateChanged(s);
}

void SqlDataSet::setCurrent(int row, bool force)
{
    if (row == m_current && !force)
        return;
    m_current = row;
    emit currentRowChanged(row);
}

// Moving off a row posts it when it was changed and drops the edit state when it was not, as
// moving between rows of a grid does.
static void leaveRow(SqlDataSet &ds)
{
    if (!ds.isEditing())
        return;
    bool changed = false;
    for (const QString &f : ds.fieldNames())
        changed = changed || ds.isModified(f);
    if (changed)
        ds.post();
    else
        ds.cancel();
}

void SqlDataSet::first()
{
    requireActive("move");
    leaveRow(*this);
    m_bof = true;
    m_eof = m_rows.isEmpty();
    setCurrent(m_rows.isEmpty() ? -1 : 0);
}

void SqlDataSet::last()
{
    requireActive("move");
    leaveRow(*this);
    m_eof = true;
    m_bof = m_rows.isEmpty();
    setCurrent(int(m_rows.size()) - 1);
}

void SqlDataSet::next()
{
    requireActive("move");
    leaveRow(*this);
    if (m_current + 1 < m_rows.size()) {
        m_bof = false;
        m_eof = false;
        setCurrent(m_current + 1);
    } else {
        m_eof = true;
    }
}

void SqlDataSet::prior()
{
    requireActive("move");
    leaveRow(*this);
    if (m_current > 0) {
        m_bof = false;
        m_eof = false;
        setCurrent(m_current - 1);
    } else {
        m_bof = true;
    }
}

void SqlDataSet::moveTo(int row)
{
    requireActive("move");
    if (row < 0 || row >= m_rows.size())
        throw VarnexError(QStringLiteral("There is no row %1 in the dataset.").arg(row));
    leaveRow(*this);
    m_bof = m_eof = false;
    setCurrent(row);
}

bool SqlDataSet::locate(const QVariantMap &values)
{
    requireActive("locate");
    QList<QPair<int, QVariant>> wanted;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const int column = fieldIndex(it.key());
        if (column < 0)
            throw VarnexError(QStringLiteral("Field '%1' not found").arg(it.key()));
        wanted << qMakePair(column, it.value());
    }
    leaveRow(*this);
    for (int r = 0; r < m_rows.size(); ++r) {
        bool match = true;
        for (const auto &w : std::as_const(wanted))
            match = match && sameFieldValue(m_rows[r][w.first], w.second);
        if (match) {
            m_bof = m_eof = false;
            setCurrent(r);
            return true;
        }
    }
    return false;
}

bool SqlDataSet::locate(const QString &field, const QVariant &value)
{
    return locate(QVariantMap{{field, value}});
}

int SqlDataSet::fieldIndex(const QString &name) const
{
    return m_fieldIndex.value(name.toUpper(), -1);
}

QVariant SqlDataSet::value(int index) const
{
    if (index < 0 || index >= m_fields.size())
        throw VarnexError(QStringLiteral("There is no field number %1 in the dataset.").arg(index));
    if (isEditing())
        return m_buffer[index];
    if (m_current < 0)
        return nullOf(m_fieldTypes[index]);
    return m_rows[m_current][index];
}

QVariant SqlDataSet::value(const QString &name) const
{
    const int column = fieldIndex(name);
    if (column < 0)
        throw VarnexError(QStringLiteral("Field '%1' not found").arg(name));
    return value(column);
}

bool SqlDataSet::isNull(const QString &name) const
{
    return FieldValue::isNull(value(name));
}

QString SqlDataSet::text(const QString &name) const
{
    return FieldValue::text(value(name));
}

bool SqlDataSet::isModified(const QString &name) const
{
    const int column = fieldIndex(name);
    if (column < 0)
        throw VarnexError(QStringLiteral("Field '%1' not found").arg(name));
    return isEditing() && m_modified[column];
}

bool SqlDataSet::isFieldWritable(const QString &name) const
{
    const int column = fieldIndex(name);
    return column >= 0 && canModify() && m_tableColumns.contains(column) && !m_tableColumns[column].computed;
}

int SqlDataSet::fieldMaxLength(const QString &name) const
{
    const int column = fieldIndex(name);
    return column >= 0 && m_tableColumns.contains(column) ? m_tableColumns[column].maxLength : 0;
}

void SqlDataSet::setValue(const QString &name, const QVariant &value)
{
    const int column = fieldIndex(name);
    if (column < 0)
        throw VarnexError(QStringLiteral("Field '%1' not found").arg(name));
    if (!isEditing())
        throw VarnexError(notEditingMessage());
    if (!isFieldWritable(name))
        throw VarnexError(QStringLiteral("Field '%1' cannot be modified").arg(m_fields[column]));

    QVariant stored;
    const int type = m_fieldTypes[column];
    const bool emptyText = value.metaType().id() == QMetaType::QString && value.toString().isEmpty();
    if (FieldValue::isNull(value) || (emptyText && type != QMetaType::QString && type != QMetaType::QByteArray)) {
        // Empty text means "no value" for anything that is not text.
        stored = nullOf(type);
    } else if (value.metaType().id() == QMetaType::QDateTime && value.toDateTime().timeSpec() != Qt::LocalTime) {
        // The driver writes a timestamp's clock time as it stands and reads it back as local time;
        // a time given in UTC or another zone is turned into the same moment in local time first.
        stored = value.toDateTime().toLocalTime();
        if (type != QMetaType::UnknownType && type != QMetaType::QDateTime && !stored.convert(QMetaType(type)))
            throw VarnexError(QStringLiteral("'%1' is not a valid value for field '%2'")
                                  .arg(value.toString(), m_fields[column]));
    } else if (type == QMetaType::UnknownType || value.metaType().id() == type) {
        stored = value;
    } else {
        stored = value;
        if (!stored.convert(QMetaType(type)))
            throw VarnexError(QStringLiteral("'%1' is not a valid value for field '%2'")
                                  .arg(value.toString(), m_fields[column]));
    }
    const int maxLength = m_tableColumns.value(column).maxLength;
    if (maxLength > 0 && !FieldValue::isNull(stored) && stored.toString().size() > maxLength)
        throw VarnexError(QStringLiteral("'%1' is too long for field '%2', which holds at most %3 characters")
                              .arg(stored.toString(), m_fields[column])
                              .arg(maxLength));
    if (!sameFieldValue(m_buffer[column], stored)) {
        m_buffer[column] = stored;
        m_modified[column] = true;
        emit fieldChanged(m_fields[column]);
    }
}

void SqlDataSet::edit()
{
    requireActive("edit");
    if (isEditing())
        return;
    requireModifiable();
    if (m_current < 0) {
        // Editing an empty dataset starts a new row, as a grid does.
        append();
        return;
    }
    m_buffer = m_rows[m_current];
    m_modified = QList<bool>(m_fields.size(), false);
    setState(dsEdit);
    emit afterEdit();
}

void SqlDataSet::beginNewRow(bool atEnd)
{
    requireActive("insert");
    requireModifiable();
    // The place of the new row is taken only after the row being left is posted or dropped: an
    // unchanged new row that is dropped here takes its place with it.
    leaveRow(*this);
    const int position = atEnd ? int(m_rows.size()) : (m_current < 0 ? 0 : m_current);
    m_savedCurrent = m_current;
    QList<QVariant> blank;
    blank.reserve(m_fields.size());
    for (int i = 0; i < m_fields.size(); ++i)
        blank << nullOf(m_fieldTypes[i]);
    m_rows.insert(position, blank);
    m_buffer = blank;
    m_modified = QList<bool>(m_fields.size(), false);
    m_current = position;
    m_bof = m_eof = false;
    setState(dsInsert);
    emit currentRowChanged(m_current);
    if (onNewRecord) {
        try {
            onNewRecord(*this);
        } catch (...) {
            cancel();
            throw;
        }
    }
    emit afterInsert();
}

void SqlDataSet::insert()
{
    beginNewRow(false);
}

void SqlDataSet::append()
{
    beginNewRow(true);
}

QList<QVariant> SqlDataSet::keyValuesOf(const QList<QVariant> &row) const
{
    QList<QVariant> keys;
    for (int column : m_keyColumns)
        keys << row[column];
    return keys;
}

QVariant SqlDataSet::bindable(int column, const QVariant &value) const
{
    // QIBASE binds a null QString or QByteArray as NULL; empty text must stay empty text.
    if (FieldValue::isNull(value))
        return nullOf(m_fieldTypes[column]);
    if (value.metaType().id() == QMetaType::QString && value.toString().isNull())
        return QVariant(QStringLiteral(""));
    if (value.metaType().id() == QMetaType::QByteArray && value.toByteArray().isNull())
        return QVariant(QByteArray("", 0));
    return value;
}

void SqlDataSet::writeInsert()
{
    QStringList columns;
    QVariantList params;
    for (auto it = m_tableColumns.cbegin(); it != m_tableColumns.cend(); ++it) {
        if (it->computed || !m_modified[it.key()])
            continue;
        columns << SqlUtil::quoteIdentifier(it->name);
        params << bindable(it.key(), m_buffer[it.key()]);
    }
    QStringList returning;
    for (int column : std::as_const(m_keyColumns))
        returning << SqlUtil::quoteIdentifier(m_tableColumns[column].name);
    QString sql;
    if (columns.isEmpty()) {
        sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES RETURNING %2")
                  .arg(SqlUtil::quoteIdentifier(m_updateTable), returning.join(QLatin1String(", ")));
    } else {
        QStringList marks;
        for (qsizetype i = 0; i < columns.size(); ++i)
            marks << QStringLiteral("?");
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING %4")
                  .arg(SqlUtil::quoteIdentifier(m_updateTable), columns.join(QLatin1String(", ")), marks.join(QLatin1String(", ")),
                       returning.join(QLatin1String(", ")));
    }
    QList<QVariant> keys;
    {
        // Scoped: without an explicit transaction QIBASE commits the statement only when the
        // query is released, and the row is read back afterwards.
        QSqlQuery q = SqlUtil::exec(m_db, sql, params);
        if (q.next()) {
            for (int i = 0; i < m_keyColumns.size(); ++i)
                keys << q.value(i);
        }
    }
    for (int i = 0; i < keys.size(); ++i)
        m_buffer[m_keyColumns[i]] = keys[i];
}

void SqlDataSet::writeUpdate()
{
    const QList<QVariant> oldKeys = keyValuesOf(m_rows[m_current]);
    for (int i = 0; i < oldKeys.size(); ++i) {
        if (FieldValue::isNull(oldKeys[i]))
            throw VarnexError(QStringLiteral("The row cannot be saved: its key column %1 is empty.")
                                  .arg(m_tableColumns[m_keyColumns[i]].name));
    }
    QStringList sets;
    QVariantList params;
    for (auto it = m_tableColumns.cbegin(); it != m_tableColumns.cend(); ++it) {
        if (it->computed || !m_modified[it.key()])
            continue;
        sets << SqlUtil::quoteIdentifier(it->name) + QStringLiteral(" = ?");
        params << bindable(it.key(), m_buffer[it.key()]);
    }
    if (sets.isEmpty())
        return;
    QStringList where;
    for (int i = 0; i < m_keyColumns.size(); ++i) {
        where << SqlUtil::quoteIdentifier(m_tableColumns[m_keyColumns[i]].name) + QStringLiteral(" = ?");
        params << oldKeys[i];
    }
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                            .arg(SqlUtil::quoteIdentifier(m_updateTable), sets.join(QLatin1String(", ")), where.join(QLatin1String(" AND ")));
    int affected = 0;
    {
        QSqlQuery q = SqlUtil::exec(m_db, sql, params);
        affected = q.numRowsAffected();
    }
    if (affected == 0)
        throw VarnexError(QStringLiteral("The row of %1 to be saved was not found; it may have been deleted.")
                              .arg(m_updateTable));
}

void SqlDataSet::readBack(const QList<QVariant> &keyValues)
{
    for (const QVariant &k : keyValues) {
        if (FieldValue::isNull(k))
            return;
    }
    QStringList columns;
    QList<int> indexes;
    for (auto it = m_tableColumns.cbegin(); it != m_tableColumns.cend(); ++it) {
        columns << SqlUtil::quoteIdentifier(it->name);
        indexes << it.key();
    }
    QStringList where;
    for (int column : std::as_const(m_keyColumns))
        where << SqlUtil::quoteIdentifier(m_tableColumns[column].name) + QStringLiteral(" = ?");
    QVariantList params;
    for (const QVariant &k : keyValues)
        params << k;
    QSqlQuery q = SqlUtil::exec(m_db,
                      QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                          .arg(columns.join(QLatin1String(", ")), SqlUtil::quoteIdentifier(m_updateTable), where.join(QLatin1String(" AND "))),
                      params);
    if (!q.next())
        return;
    for (int i = 0; i < indexes.size(); ++i) {
        const int column = indexes[i];
        if (q.isNull(i))
            m_buffer[column] = nullOf(m_fieldTypes[column]);
        else if (m_fieldTypes[column] == QMetaType::QString && q.value(i).metaType().id() == QMetaType::QByteArray)
            m_buffer[column] = QString::fromUtf8(q.value(i).toByteArray());
        else
            m_buffer[column] = q.value(i);
    }
}

void SqlDataSet::post()
{
    if (!isEditing())
        throw VarnexError(notEditingMessage());
    if (beforePost)
        beforePost(*this);
    for (const QString &r : std::as_const(m_required)) {
        const int column = fieldIndex(r);
        if (column < 0)
            throw VarnexError(QStringLiteral("Field '%1' not found").arg(r));
        const QVariant &v = m_buffer[column];
        if (FieldValue::isNull(v) || (v.metaType().id() == QMetaType::QString && v.toString().isEmpty()))
            throw VarnexError(QStringLiteral("Field '%1' must have a value").arg(m_fields[column]));
    }

    // The buffer is changed only once the row is written, so a failure keeps every edit.
    const QList<QVariant> before = m_buffer;
    const QList<bool> modifiedBefore = m_modified;
    const auto write = [this]() {
        if (m_state == dsInsert)
            writeInsert();
        else
            writeUpdate();
        try {
            readBack(keyValuesOf(m_buffer));
        } catch (const VarnexError &) {
            // The row is saved; only the values set by the database could not be read back.
        }
    };
    try {
        if (aroundWrite)
            aroundWrite(*this, write);
        else
            write();
    } catch (...) {
        // Values the wrapper set are taken back too, and the editors shown them again.
        const QList<QVariant> attempted = m_buffer;
        m_buffer = before;
        m_modified = modifiedBefore;
        for (int i = 0; i < m_buffer.size(); ++i) {
            if (!sameFieldValue(attempted[i], m_buffer[i]))
                emit fieldChanged(m_fields[i]);
        }
        throw;
    }
    m_rows[m_current] = m_buffer;
    m_buffer.clear();
    m_modified.clear();
    setState(dsBrowse);
    emit currentRowChanged(m_current);
    emit afterPost();
}

void SqlDataSet::cancel()
{
    if (!isEditing())
        return;
    if (m_state == dsInsert) {
        m_rows.removeAt(m_current);
        int back = m_savedCurrent;
        if (back >= m_rows.size())
            back = int(m_rows.size()) - 1;
        m_current = back;
    }
    m_bof = m_eof = m_rows.isEmpty();
    m_buffer.clear();
    m_modified.clear();
    setState(dsBrowse);
    emit currentRowChanged(m_current);
    emit afterCancel();
}

void SqlDataSet::deleteRecord()
{
    requireActive("delete");
    requireModifiable();
    if (m_state == dsInsert) {
        cancel();
        return;
    }
    if (m_current < 0)
        throw VarnexError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    const QList<QVariant> keys = keyValuesOf(m_rows[m_current]);
    QStringList where;
    QVariantList params;
    for (int i = 0; i < m_keyColumns.size(); ++i) {
        if (FieldValue::isNull(keys[i]))
            throw VarnexError(QStringLiteral("The row cannot be deleted: its key column %1 is empty.")
                                  .arg(m_tableColumns[m_keyColumns[i]].name));
        where << SqlUtil::quoteIdentifier(m_tableColumns[m_keyColumns[i]].name) + QStringLiteral(" = ?");
        params << keys[i];
    }
    int affected = 0;
    {
        QSqlQuery q = SqlUtil::exec(m_db,
                          QStringLiteral("DELETE FROM %1 WHERE %2").arg(SqlUtil::quoteIdentifier(m_updateTable), where.join(QLatin1String(" AND "))),
                          params);
        affected = q.numRowsAffected();
    }
    if (affected == 0)
        throw VarnexError(QStringLiteral("The row of %1 to be deleted was not found; it may have been deleted already.")
                              .arg(m_updateTable));
    m_rows.removeAt(m_current);
    m_buffer.clear();
    m_modified.clear();
    if (m_current >= m_rows.size())
        m_current = int(m_rows.size()) - 1;
    m_bof = m_eof = m_rows.isEmpty();
    setState(dsBrowse);
    emit currentRowChanged(m_current);
    emit afterDelete();
}
