#include "exchange/SampleExportToXml_DM.h"

#include "base/AtomicFile.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "reference/LookupData_DM.h"
#include "store/SqlUtil.h"

#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlRecord>

namespace {

// Every column of the sample and one name of its officer. SAMPLE_OFFICER.CODE is not unique, so
// the name is looked up (a live officer first) rather than joined, which would list the sample
// once per officer of that code.
const QString SelectSamples = QStringLiteral(
    "SELECT S.*, (SELECT FIRST 1 SO.NAME FROM SAMPLE_OFFICER SO WHERE SO.CODE = S.SAMPLE_OFFICER__CODE "
    "ORDER BY CASE WHEN SO.FLAG_DELETED = 'T' THEN 1 ELSE 0 END, SO.ID) AS NAME FROM SAMPLE S");

// The most UUIDs one statement binds: Firebird takes at most 64 KiB of parameters, and a
// 36-character UTF8 value takes up to 146 bytes of them.
constexpr int UuidsPerStatement = 200;
// The rows held in memory at once.
constexpr int PageRows = 250;

const QString SaveTitle = QStringLiteral("Save As");

QSqlQuery run(const QSqlDatabase &db, const QString &sql, const QVariantList &values)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!query.prepare(sql))
        throw VarnexError(QStringLiteral("The samples cannot be read: %1").arg(query.lastError().text()));
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw VarnexError(QStringLiteral("The samples cannot be read: %1").arg(query.lastError().text()));
    return query;
}

TMaindm &programSettings()
{
    if (!Maindm)
        throw VarnexError(QStringLiteral("The local store is not open."));
    return *Maindm;
}

// Puts the generator's dataset back when the run ends, however it ends.
class DatasetScope
{
public:
    DatasetScope(TVRXSampleXMLDM &generator, TSampleRows *rows, TVRXSampleXMLDM::Progress progress)
        : m_generator(generator)
    {
        m_generator.SetSampleDataset(rows);
        m_generator.SetProgress(std::move(progress));
    }
    ~DatasetScope()
    {
        m_generator.SetSampleDataset(nullptr);
        m_generator.SetProgress({});
    }
    DatasetScope(const DatasetScope &) = delete;
    DatasetScope &operator=(const DatasetScope &) = delete;

private:
    TVRXSampleXMLDM &m_generator;
};

} // namespace

std::unique_ptr<TSampleSelection> TSampleSelection::Completed(const QSqlDatabase &db, bool changedOnly,
                                                              const std::optional<QDate> &takenSince)
{
    std::unique_ptr<TSampleSelection> selection(new TSampleSelection(db));
    QString where = QStringLiteral(" WHERE S.SAMPLE_STATUS__CODE = ?");
    QVariantList values{QStringLiteral("COMPLETE")};
    if (changedOnly) {
        where += QStringLiteral(" AND S.FLAG_UPDATED_SINCE_EXPORT = ?");
        values << QStringLiteral("T");
    }
    if (takenSince) {
        where += QStringLiteral(" AND S.SAMPLE_DATE >= ?");
        values << *takenSince;
    }
    // In the order of IX_SAMPLE_CODE, which the database walks: ordering by anything more would
    // have it sort every selected row in memory first (up to 64 MiB) for an export of any size.
    selection->m_statements.append({where, QStringLiteral(" ORDER BY S.CODE"), values, {}});
    selection->describe();
    return selection;
}

std::unique_ptr<TSampleSelection> TSampleSelection::ByUuid(const QSqlDatabase &db, const QStringList &uuids)
{
    std::unique_ptr<TSampleSelection> selection(new TSampleSelection(db));
    QStringList unique;
    QSet<QString> seen;
    for (const QString &uuid : uuids) {
        if (!seen.contains(uuid)) {
            seen.insert(uuid);
            unique << uuid;
        }
    }
    for (qsizetype start = 0; start < unique.size() || start == 0; start += UuidsPerStatement) {
        const QStringList chunk = unique.mid(start, UuidsPerStatement);
        const SqlUtil::SqlCondition in =
            SqlUtil::sqlInCondition(QStringLiteral("S.UNIQUE_UUID"), QVariantList(chunk.cbegin(), chunk.cend()));
        selection->m_statements.append({QStringLiteral(" WHERE ") + in.text, QString(), in.values, chunk});
        if (unique.isEmpty())
            break;
    }
    selection->describe();
    return selection;
}

TSampleSelection::~TSampleSelection() = default;

const QString &TSampleSelection::SelectSql()
{
    return SelectSamples;
}

void TSampleSelection::describe()
{
    // The first statement runs at once, so that the columns are known before the first row.
    const Statement &first = m_statements.at(m_next++);
    m_query = std::make_unique<QSqlQuery>(run(m_db, SelectSamples + first.where + first.orderBy, first.values));
    m_page = DataTable(DataTable::fieldsOfQuery(*m_query));
    m_idColumn = m_page.indexOf(QStringLiteral("ID"));
    m_updateIdColumn = m_page.indexOf(QStringLiteral("UPDATE_ID"));
}

const QList<FieldDef> &TSampleSelection::Fields() const
{
    return m_page.fields();
}

int TSampleSelection::Count()
{
    if (m_expected >= 0)
        return m_expected;
    int count = 0;
    for (const Statement &s : m_statements) {
        QSqlQuery q = run(m_db, QStringLiteral("SELECT COUNT(*) FROM SAMPLE S") + s.where, s.values);
        count += q.next() ? q.value(0).toInt() : 0;
    }
    m_expected = count;
    return count;
}

bool TSampleSelection::fetchPage()
{
    m_page.removeRows();
    m_row = -1;
    while (m_page.rowCount() == 0) {
        if (!m_query) {
            if (m_next >= m_statements.size())
                return false;
            const Statement &s = m_statements.at(m_next++);
            m_query = std::make_unique<QSqlQuery>(run(m_db, SelectSamples + s.where + s.orderBy, s.values));
        }
        const QStringList &order = m_statements.at(m_next - 1).order;
        QString error;
        bool more = true;
        // A statement over UUIDs is read whole, so that its rows can be put in the order asked for.
        while ((!order.isEmpty() || m_page.rowCount() < PageRows) && (more = m_query->next())) {
            if (!m_page.appendRecord(*m_query, &error))
                throw VarnexError(QStringLiteral("The samples cannot be read: %1").arg(error));
        }
        if (m_query->lastError().type() != QSqlError::NoError)
            throw VarnexError(QStringLiteral("The samples cannot be read: %1").arg(m_query->lastError().text()));
        if (!more)
            m_query.reset();
        if (!order.isEmpty() && m_page.rowCount() > 1) {
            const int uuid = m_page.indexOf(QStringLiteral("UNIQUE_UUID"));
            QHash<QString, int> rowOf;
            for (int r = 0; r < m_page.rowCount(); ++r)
                rowOf.insert(m_page.value(r, uuid).toString(), r);
            DataTable ordered(m_page.fields());
            for (const QString &id : order) {
                const auto it = rowOf.constFind(id);
                if (it != rowOf.cend())
                    ordered.appendRow(m_page.row(it.value()));
            }
            m_page = ordered;
        }
    }
    return true;
}

bool TSampleSelection::Next()
{
    if (m_row + 1 >= m_page.rowCount() && !fetchPage())
        return false;
    ++m_row;
    const QVariant updateId = m_updateIdColumn >= 0 ? m_page.value(m_row, m_updateIdColumn) : QVariant();
    if (m_read.empty() && m_expected > 0)
        m_read.reserve(size_t(m_expected));
    m_read.push_back({m_idColumn >= 0 ? m_page.value(m_row, m_idColumn).toLongLong() : 0, updateId.toLongLong(),
                      updateId.isValid() && !updateId.isNull()});
    return true;
}

void TSampleSelection::Close()
{
    m_query.reset();
    m_next = int(m_statements.size());
    m_page.removeRows();
    m_row = -1;
}

TXmlExportMarkError::TXmlExportMarkError(const QString &fileName, const QString &cause)
    : VarnexError(QStringLiteral("The samples were saved to '%1', but they could not be marked as exported: %2")
                      .arg(fileName, cause))
{
}

TSampleExportToXmlDm::TSampleExportToXmlDm(QObject *parent)
    : TSampleExportToXmlDm(programSettings().ibConnection(), programSettings(), LookupDataDm, parent)
{
}

TSampleExportToXmlDm::TSampleExportToXmlDm(const QSqlDatabase &db, TMaindm &settings, const TLookupDataDm *lookups,
                                           QObject *parent)
    : QObject(parent), m_db(db), m_settings(settings), m_lookups(lookups)
{
}

TSampleExportToXmlDm::~TSampleExportToXmlDm() = default;

std::optional<QString> TSampleExportToXmlDm::chooseFile()
{
    return Prompter::current().saveFileName(SaveTitle, QString(), FileFilter(), DefaultExtension());
}

void TSampleExportToXmlDm::writeDocument(TSampleSelection &rows, TVRXSampleXMLDM &generator,
                                         const TVRXSampleXMLDM::Progress &progress, const QString &fileName)
{
    AtomicFileWriter file(fileName);
    QString error;
    if (!file.open(&error))
        throw VarnexError(error);
    {
        // A failure leaves the file uncommitted: the old one stays.
        DatasetScope scope(generator, &rows, progress);
        generator.GenerateXML(file);
    }
    rows.Close();
    if (!file.commit(&error))
        throw VarnexError(error);
}

std::optional<QString> TSampleExportToXmlDm::ExportRange()
{
    if (m_sampleList.isEmpty())
        throw VarnexError(NoSamplesText());
    std::unique_ptr<TSampleSelection> rows = TSampleSelection::ByUuid(m_db, m_sampleList);
    if (rows->Count() == 0)
        throw VarnexError(NoSamplesText());
    const std::optional<QString> fileName = chooseFile();
    if (!fileName)
        return fileName;
    TVRXSampleXMLDM generator(m_settings, m_lookups);
    writeDocument(*rows, generator, {}, *fileName);
    return fileName;
}

std::optional<QString> TSampleExportToXmlDm::ExportSelected(const QStringList &uuids)
{
    if (uuids.isEmpty())
        return std::nullopt;
    TSampleExportToXmlDm exporter;
    for (const QString &uuid : uuids)
        exporter.AddSampleToRange(uuid);
    return exporter.ExportRange();
}

int TSampleExportToXmlDm::CountCompleted(const TCompletedSelection &selection)
{
    return TSampleSelection::Completed(m_db, selection.ChangedOnly, selection.TakenSince)->Count();
}

TSampleExportToXmlDm::TExportResult TSampleExportToXmlDm::ExportCompleted(const TCompletedSelection &selection,
                                                                         TVRXSampleXMLDM &generator,
                                                                         const TVRXSampleXMLDM::Progress &progress)
{
    std::unique_ptr<TSampleSelection> rows =
        TSampleSelection::Completed(m_db, selection.ChangedOnly, selection.TakenSince);
    const int count = rows->Count();
    if (progress)
        progress(0, count);
    if (count == 0)
        throw VarnexError(NoCompletedSamplesText());
    const std::optional<QString> fileName = chooseFile();
    TExportResult result;
    if (!fileName)
        return result;
    writeDocument(*rows, generator, progress, *fileName);
    result.FileName = *fileName;
    result.Exported = generator.SamplesWritten();
    result.Marked = markExported(rows->RowsRead(), *fileName);
    return result;
}

int TSampleExportToXmlDm::markExported(const std::vector<TSampleSelection::Read> &rows, const QString &fileName)
{
    // Only the samples in the file, and of those only the ones nobody changed since they were read:
    // a sample changed meanwhile is not in the file as it now is, and stays to be exported.
    try {
        return SqlUtil::inTransaction(m_db, [&](QSqlDatabase &db) {
            QSqlQuery update(db);
            if (!update.prepare(QStringLiteral("UPDATE SAMPLE S SET S.FLAG_UPDATED_SINCE_EXPORT = ?, "
                                               "S.FLAG_RESET_EXPORT_UPDATE_FLAG = ? "
                                               "WHERE S.ID = ? AND S.UPDATE_ID IS NOT DISTINCT FROM ?")))
                throw VarnexError(update.lastError().text());
            int marked = 0;
            for (const TSampleSelection::Read &row : rows) {
                update.addBindValue(QStringLiteral("F"));
                update.addBindValue(QStringLiteral("T"));
                update.addBindValue(row.id);
                update.addBindValue(row.UpdateId());
                if (!update.exec())
                    throw VarnexError(update.lastError().text());
                marked += update.numRowsAffected() > 0 ? 1 : 0;
            }
            return marked;
        });
    } catch (const VarnexError &e) {
        throw TXmlExportMarkError(fileName, e.message());
    }
}
