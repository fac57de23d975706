#include "reports/SamplePrint_DM.h"

#include "base/AtomicFile.h"
#include "base/BusyIndicator.h"
#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "data/ResultBlobs.h"
#include "reports/ReportOutput.h"
#include "reports/ReportValues.h"
#include "store/SqlUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <functional>

// Outside any namespace: the resource's initialiser is declared where this is called.
static void initReportResources()
{
    Q_INIT_RESOURCE(reports);
}

namespace {

const QString &Title = Varnex::ProgramName;

// The most sample UUIDs bound to one statement: well below Firebird's 1,500 items of an IN list
// and its 64 KiB of parameters (a 36-character UTF8 value takes up to 146 bytes).
constexpr int ChunkSize = 200;

// Every column of the sample, and the temperature as the text the forms print.
const QString ReportSelect = QStringLiteral("SELECT S.*, CAST(S.TEMPERATURE AS VARCHAR(10)) TEMPERATURE_STR FROM SAMPLE S "
                                            "WHERE S.UNIQUE_UUID IN (%1)");

TSampleReport report(const char *name, const char *file)
{
    TSampleReport r;
    r.Name = QLatin1String(name);
    r.FileName = QLatin1String(file) + QStringLiteral(".fr3");
    r.Resource = QStringLiteral(":/reports/%1.xml").arg(QLatin1String(file));
    return r;
}

// Runs work(chunk, placeholders) for the values in chunks that one statement can bind.
void forEachChunk(const QStringList &values, const std::function<void(const QVariantList &, const QString &)> &work)
{
    for (qsizetype start = 0; start < values.size(); start += ChunkSize) {
        QVariantList chunk;
        QStringList marks;
        for (qsizetype i = start; i < std::min(values.size(), start + ChunkSize); ++i) {
            chunk << values.at(i);
            marks << QStringLiteral("?");
        }
        work(chunk, marks.join(QLatin1Char(',')));
    }
}

ReportDefinition readDefinitionFile(const QString &path)
{
    QFile file(path);
    if (QFileInfo(path).size() > ReportDefinition::MaxBytes)
        throw ReportDefinitionError(path, 0, QStringLiteral("the file is larger than %1 KiB").arg(ReportDefinition::MaxBytes / 1024));
    if (!file.open(QIODevice::ReadOnly))
        throw ReportDefinitionError(path, 0, QStringLiteral("the file cannot be read: %1").arg(file.errorString()));
    return ReportDefinition::read(file.read(ReportDefinition::MaxBytes + 1), path);
}

// What the messages call a report: its title, or its name when the definition has none.
QString titleOf(const TSampleReport &report)
{
    return report.Definition && !report.Definition->title.isEmpty() ? report.Definition->title : report.Name;
}

} // namespace

TSamplePrintDM::TSamplePrintDM(QObject *parent)
    : TSamplePrintDM(Maindm ? Maindm->ibConnection() : QSqlDatabase(),
                     Maindm ? Maindm->AppPath() : QCoreApplication::applicationDirPath(), parent)
{
}

TSamplePrintDM::TSamplePrintDM(const QSqlDatabase &db, const QString &programFolder, QObject *parent)
    : QObject(parent),
      RepFoodForm(report("RepFoodForm", "FoodForm")),
      repFeedForm(report("repFeedForm", "FeedForm")),
      repFoodReport(report("repFoodReport", "FoodReport")),
      repFeedReport(report("repFeedReport", "FeedReport")),
      repLabel(report("repLabel", "Label")),
      repA4Label(report("repA4Label", "A4Label")),
      m_db(db),
      m_programFolder(programFolder)
{
}

void TSamplePrintDM::AddSampleToReport(const QString &uuid)
{
    m_samples.append(uuid);
}

void TSamplePrintDM::ClearSamples()
{
    m_samples.clear();
}

void TSamplePrintDM::PrintReport() { PrintAReport(RepFoodForm); }
void TSamplePrintDM::PrintReportAF() { PrintAReport(repFeedForm); }
void TSamplePrintDM::PrintSampleWithResults() { PrintAReport(repFoodReport); }
void TSamplePrintDM::PrintSampleWithResultsAF() { PrintAReport(repFeedReport); }
void TSamplePrintDM::PrintLabel() { PrintAReport(repLabel); }
void TSamplePrintDM::PrintA4Label() { PrintAReport(repA4Label); }

QString TSamplePrintDM::ReportFolder() const
{
    return QDir(m_programFolder).filePath(QStringLiteral("Reports")) + QLatin1Char('/');
}

const ReportDefinition &TSamplePrintDM::definitionFor(TSampleReport &report)
{
    const QString overridePath = ReportFolder() + report.FileName;
    if (QFileInfo::exists(overridePath)) {
        report.Definition = readDefinitionFile(overridePath);
        report.FromOverride = true;
    } else if (!report.Definition) {
        initReportResources();
        QFile builtIn(report.Resource);
        if (!builtIn.open(QIODevice::ReadOnly))
            throw VarnexError(QStringLiteral("The built-in report \"%1\" is missing from the program.").arg(report.Name));
        report.Definition = ReportDefinition::read(builtIn.readAll(), report.Resource);
        report.FromOverride = false;
    }
    return *report.Definition;
}

QStringList TSamplePrintDM::uniqueSamples() const
{
    QStringList unique;
    QSet<QString> seen;
    for (const QString &uuid : m_samples)
        if (!seen.contains(uuid)) {
            seen.insert(uuid);
            unique << uuid;
        }
    return unique;
}

void TSamplePrintDM::PrintAReport(TSampleReport &report)
{
    const ReportDefinition &definition = definitionFor(report);
    if (m_samples.isEmpty())
        throw VarnexError(QStringLiteral("No Samples selected to print"));
    if (Maindm && Maindm->ReportDesignEnabled) {
        offerDefinitionForDesign(report);
        return;
    }
    std::optional<ReportDocument> document;
    {
        BusyScope busy;
        document.emplace(definition, LoadReportData());
    }
    ReportOutput::current().show(*document);
}

void TSamplePrintDM::offerDefinitionForDesign(const TSampleReport &report)
{
    const QString path = ReportFolder() + report.FileName;
    if (report.FromOverride) {
        Prompter::current().information(Title, QStringLiteral("The report \"%1\" is read from \"%2\". Edit that file to change "
                                                              "the report; it is used from the next print on.")
                                                   .arg(titleOf(report), QDir::toNativeSeparators(path)));
        return;
    }
    if (!Prompter::current().question(Title, QStringLiteral("This program has no report designer. Write the definition of the "
                                                            "report \"%1\" to \"%2\", where it can be edited and is used from "
                                                            "the next print on?")
                                                 .arg(titleOf(report), QDir::toNativeSeparators(path))))
        return;
    if (!QDir().mkpath(ReportFolder()))
        throw VarnexError(QStringLiteral("The folder \"%1\" cannot be made.").arg(QDir::toNativeSeparators(ReportFolder())));
    QString error;
    if (!saveFileAtomically(path, report.Definition->source, &error))
        throw VarnexError(error);
    Prompter::current().information(Title, QStringLiteral("The definition of the report \"%1\" was written to \"%2\".")
                                               .arg(titleOf(report), QDir::toNativeSeparators(path)));
}

ReportData TSamplePrintDM::LoadReportData()
{
    const QStringList uuids = uniqueSamples();
    DataTable fetched;
    bool first = true;
    forEachChunk(uuids, [&](const QVariantList &chunk, const QString &marks) {
        // Prepared and bound here, run by fillFromQuery, which keeps decimals exact.
        QSqlQuery q(m_db);
        q.setForwardOnly(true);
        if (!q.prepare(ReportSelect.arg(marks)))
            throw VarnexError(q.lastError().text());
        for (const QVariant &v : chunk)
            q.addBindValue(v);
        DataTable part;
        QString error;
        bool read = part.fillFromQuery(q, &error);
        if (read && first)
            fetched = part;
        else if (read)
            read = fetched.appendRows(part, &error);
        if (!read)
            throw VarnexError(QStringLiteral("The samples to print could not be read: %1").arg(error));
        first = false;
    });

    // The samples in the order they were selected; a sample whose row is gone prints nothing.
    ReportData data;
    data.samples = DataTable(fetched.fields());
    const int uuidColumn = fetched.indexOf(QStringLiteral("UNIQUE_UUID"));
    QHash<QString, int> rowOf;
    for (int r = 0; r < fetched.rowCount(); ++r)
        rowOf.insert(fetched.value(r, uuidColumn).toString(), r);
    for (const QString &uuid : uuids) {
        const auto it = rowOf.constFind(uuid);
        if (it != rowOf.cend())
            data.samples.appendRow(fetched.row(it.value()));
    }

    for (int s = 0; s < data.samples.rowCount(); ++s) {
        try {
            data.results.append(ResultBlobs::readResults(data.samples.value(s, QStringLiteral("CDS_LABORATORY_RESULTS")).toByteArray()));
        } catch (const VarnexError &e) {
            throw VarnexError(QStringLiteral("%1 cannot be printed: its laboratory results are damaged (%2).")
                                  .arg(ReportValues::sampleName(data.samples, s), e.message()));
        }
        data.outcomes.append(outcomeRows(data.samples, s));
    }
    return data;
}

// The outcomes the browsers show for a sample: those the server sent in CDS_OUTCOMES, read by
// the one reader of that blob, under the names the reports print them by (FAIL_CODE_2, DETAILS;
// the server gives no group), then the sample's rows of the local OUTCOME table.
DataTable TSamplePrintDM::outcomeRows(const DataTable &samples, int sample) const
{
    const QVariant code = samples.value(sample, QStringLiteral("CODE"));
    QSqlQuery q = SqlUtil::exec(m_db, QStringLiteral("SELECT * FROM OUTCOME WHERE SAMPLE__CODE = ? ORDER BY UNIQUE_ID"), {code});
    DataTable local;
    QString error;
    if (!local.fillFromQuery(q, &error))
        throw VarnexError(QStringLiteral("The outcomes of %1 could not be read: %2").arg(ReportValues::sampleName(samples, sample), error));

    DataTable sent;
    try {
        sent = ResultBlobs::readOutcomes(samples.value(sample, QStringLiteral("CDS_OUTCOMES")).toString());
    } catch (const VarnexError &e) {
        throw VarnexError(QStringLiteral("%1 cannot be printed: its outcomes are damaged (%2).")
                              .arg(ReportValues::sampleName(samples, sample), e.message()));
    }
    DataTable rows(local.fields());
    for (int r = 0; r < sent.rowCount(); ++r) {
        const int row = rows.appendRow();
        rows.setValue(row, QStringLiteral("SAMPLE__CODE"), code);
        rows.setValue(row, QStringLiteral("FAIL_CODE_2"), sent.value(r, QStringLiteral("FAILCODE")));
        rows.setValue(row, QStringLiteral("DETAILS"), sent.value(r, QStringLiteral("FAILCODE_DESCRIPTION")));
        // The server's row number, where it is one.
        rows.setValue(row, QStringLiteral("UNIQUE_ID"), sent.value(r, QStringLiteral("ID")));
    }
    if (!rows.appendRows(local, &error))
        throw VarnexError(QStringLiteral("The outcomes of %1 could not be read: %2").arg(ReportValues::sampleName(samples, sample), error));
    return rows;
}

void TSamplePrintDM::DoSampleOfficeUpdate(const QString &officeCode)
{
    if (officeCode.isEmpty())
        return;
    QString code, description;
    {
        QSqlQuery office = SqlUtil::exec(m_db, QStringLiteral("SELECT CODE, DESCRIPTION FROM LOCAL_AUTH_OFFICE WHERE CODE = ?"),
                                         {officeCode});
        int count = 0;
        while (office.next()) {
            ++count;
            code = office.value(0).toString();
            description = office.value(1).toString();
        }
        if (count != 1)
            return;
    }
    if (m_samples.isEmpty())
        throw VarnexError(QStringLiteral("No Samples selected to update."));
    if (!Prompter::current().question(Title, QStringLiteral("Update selected Samples office to: ") + description + QStringLiteral("?")))
        return;
    {
        BusyScope busy;
        const QStringList uuids = uniqueSamples();
        SqlUtil::inTransaction(m_db, [&](QSqlDatabase &db) {
            forEachChunk(uuids, [&](const QVariantList &chunk, const QString &marks) {
                SqlUtil::exec(db,
                              QStringLiteral("UPDATE SAMPLE SET LOCAL_AUTH_OFFICE__CODE = ?, LOCAL_AUTH_OFFICE_DESCRIPTION = ? "
                                             "WHERE UNIQUE_UUID IN (%1)")
                                  .arg(marks),
                              QVariantList{code, description} + chunk);
            });
        });
    }
    Prompter::current().information(Title, QStringLiteral("Samples updated"));
}
