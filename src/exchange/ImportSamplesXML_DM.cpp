#include "exchange/ImportSamplesXML_DM.h"

#include "base/AtomicFile.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "exchange/SampleImportXML_DM.h"
#include "exchange/SampleImporter.h"
#include "samples/SampleValidator_DM.h"
#include "store/SqlUtil.h"
#include "store/StatementCache.h"

#include <QElapsedTimer>
#include <QFileInfo>

// The run's one transaction: committed (retaining its statements) every CommitEvery records or
// CommitIntervalMs, whichever comes first, and for good at the end; each record inside a savepoint,
// so that a record that fails is undone alone. Rolled back when it ends uncommitted.
class TImportSamplesXMLDM::RunTransaction
{
public:
    RunTransaction(QSqlDatabase db, StatementCache &statements) : m_db(db), m_statements(statements)
    {
        SqlUtil::beginTransaction(m_db);
        m_open = true;
        m_sinceCommit.start();
    }

    ~RunTransaction()
    {
        if (!m_open)
            return;
        m_statements.clear();
        m_db.rollback();
    }

    void beginRecord() { m_statements.exec(QStringLiteral("SAVEPOINT IMPORT_RECORD")); }
    void keepRecord()
    {
        m_statements.exec(QStringLiteral("RELEASE SAVEPOINT IMPORT_RECORD"));
        ++m_records;
    }
    void undoRecord() { m_statements.exec(QStringLiteral("ROLLBACK TO SAVEPOINT IMPORT_RECORD")); }

    bool due() const { return m_records >= CommitEvery || m_sinceCommit.elapsed() >= CommitIntervalMs; }

    // Commits the records so far; the statements stay prepared.
    void commitRetaining()
    {
        m_statements.exec(QStringLiteral("COMMIT RETAIN"));
        m_records = 0;
        m_sinceCommit.restart();
    }

    // Commits the records so far and ends the transaction.
    void commit()
    {
        // The statements belong to the transaction; they go before it ends.
        m_statements.clear();
        m_open = false;
        SqlUtil::commitTransaction(m_db);
    }

private:
    QSqlDatabase m_db;
    StatementCache &m_statements;
    bool m_open = false;
    int m_records = 0;
    QElapsedTimer m_sinceCommit;
};

TImportSamplesXMLDM::TImportSamplesXMLDM(TMaindm &maindm, const TLookupDataDm &lookups, const QString &programFolder)
    : m_maindm(maindm), m_lookups(lookups), m_programFolder(programFolder)
{
}

TImportSamplesXMLDM::~TImportSamplesXMLDM() = default;

QString TImportSamplesXMLDM::LogFileName() const
{
    return QFileInfo(m_fileName).absoluteFilePath() + QStringLiteral(".log");
}

void TImportSamplesXMLDM::log(const QString &line)
{
    m_pending << line;
    if (Report)
        Report(line);
}

void TImportSamplesXMLDM::saveLog()
{
    if (m_pending.isEmpty())
        return;
    const QByteArray bytes = (m_pending.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    m_pending.clear();
    if (!m_logFile)
        return;
    QString error;
    if (!m_logFile->append(bytes, &error)) {
        // Said once; the run goes on without its log.
        m_logFile.reset();
        if (Report)
            Report(error);
    }
}

void TImportSamplesXMLDM::RunImport()
{
    m_loading = true;
    m_imported = 0;
    m_invalid = 0;
    m_pending.clear();
    m_logFile = std::make_unique<AppendingFile>(LogFileName());
    QString error;
    if (!m_logFile->start(QByteArray(), &error)) {
        m_logFile.reset();
        if (Report)
            Report(error);
    }
    try {
        run();
    } catch (const VarnexError &e) {
        // Lines held now are those of records that were not committed: they leave the log with
        // their samples. The caller reports the error itself.
        m_pending = QStringList{e.message()};
        saveLog();
        m_loading = false;
        throw;
    }
    m_loading = false;
}

void TImportSamplesXMLDM::run()
{
    SampleImportChecks::RequireXmlName(m_fileName);
    if (!m_reader)
        m_reader = SampleImportChecks::NewReader(m_programFolder, m_maindm.XMlImportFieldDefsFile());
    // The whole document is read once before anything is written: a document that is not
    // well-formed imports nothing.
    const int records = SampleImportChecks::CountRecords(*m_reader, m_fileName);

    QSqlDatabase db = m_maindm.ibConnection();
    SampleImporter importer(db, *m_reader, m_lookups, SampleImportSettings::fromSettings(m_maindm, m_maindm.Personality, true),
                            SampleImporter::StatementScope::Run);
    RunTransaction transaction(db, importer.statements());
    importer.prepare();
    TSampleValidatorDM validator(m_maindm, &importer.statements());

    int number = 0;
    int firstUncommitted = 1; // the number of the first record since the last commit
    int imported = 0;         // since the last commit
    int invalid = 0;
    const auto commit = [&](bool last) {
        try {
            if (last)
                transaction.commit();
            else
                transaction.commitRetaining();
        } catch (const VarnexError &e) {
            if (imported == 0)
                throw;
            throw VarnexError(QStringLiteral("Records %1 to %2 could not be committed, so their samples are not in the "
                                             "store: %3")
                                  .arg(firstUncommitted)
                                  .arg(firstUncommitted + imported - 1)
                                  .arg(e.message()));
        }
        m_imported += imported;
        m_invalid += invalid;
        imported = 0;
        invalid = 0;
        firstUncommitted = number + 1;
        saveLog();
    };

    m_reader->ScanFile(m_fileName, [&](const SampleRecord &record) {
        if (StopRequested && StopRequested()) {
            commit(true);
            throw VarnexError(QStringLiteral("The import was stopped after %1 of %2 records.").arg(number).arg(records));
        }
        ++number;
        bool valid = false;
        QStringList validation;
        transaction.beginRecord();
        try {
            QStringList messages;
            const QVariantMap inputs = importer.inputsFor(record, messages);
            for (const QString &message : std::as_const(messages))
                log(message);
            valid = validator.ValidateRecord(importer.execute(inputs));
            validation = validator.InvalidList();
            transaction.keepRecord();
        } catch (const VarnexError &e) {
            // The record goes alone; the ones before it stay.
            transaction.undoRecord();
            commit(true);
            throw VarnexError(QStringLiteral("Record %1 of %2 was not imported: %3").arg(number).arg(records).arg(e.message()));
        }
        ++imported;
        if (!valid)
            ++invalid;
        for (const QString &line : std::as_const(validation))
            log(line);
        if (transaction.due())
            commit(false);
    });
    commit(true);
}
