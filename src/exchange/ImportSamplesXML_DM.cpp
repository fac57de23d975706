#include "exchange/ImportSamplesXML_DM.h"

#include "base/AtomicFile.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "exchange/SampleImportXML_DM.h"
#include "exchange/SampleImporter.h"
#include "samples/SampleValidator_DM.h"
#include "store/SqlUtil.h"

#include <QFileInfo>

namespace {

constexpr qint64 LogSaveIntervalMs = 1000;

} // namespace

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
    m_log << line;
    m_logDirty = true;
    if (Report)
        Report(line);
}

void TImportSamplesXMLDM::saveLog(bool now)
{
    if (!m_logDirty || m_logFailed || (!now && m_sinceSave.isValid() && m_sinceSave.elapsed() < LogSaveIntervalMs))
        return;
    QString error;
    if (!saveFileAtomically(LogFileName(), (m_log.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8(), &error)) {
        // Said once; the run goes on without its log.
        m_logFailed = true;
        if (Report)
            Report(error);
        return;
    }
    m_logDirty = false;
    m_sinceSave.start();
}

void TImportSamplesXMLDM::RunImport()
{
    m_loading = true;
    m_imported = 0;
    m_invalid = 0;
    m_log.clear();
    m_logDirty = false;
    m_logFailed = false;
    m_sinceSave.invalidate();
    try {
        run();
    } catch (const VarnexError &e) {
        // The caller reports the error itself.
        m_log << e.message();
        m_logDirty = true;
        saveLog(true);
        m_loading = false;
        throw;
    }
    saveLog(true);
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
    SampleImporter importer(db, *m_reader,
                            m_lookups, SampleImportSettings::fromSettings(m_maindm, m_maindm.Personality, true));
    importer.prepare();
    TSampleValidatorDM validator(m_maindm);
    int number = 0;
    m_reader->ScanFile(m_fileName, [&](const SampleRecord &record) {
        if (StopRequested && StopRequested())
            throw VarnexError(QStringLiteral("The import was stopped after %1 of %2 records.").arg(number).arg(records));
        ++number;
        QStringList messages;
        const QVariantMap inputs = importer.inputsFor(record, messages);
        for (const QString &message : std::as_const(messages))
            log(message);
        bool valid = false;
        QStringList validation;
        try {
            SqlUtil::inTransaction(db, [&](QSqlDatabase &) {
                valid = validator.ValidateRecord(importer.execute(inputs));
                validation = validator.InvalidList();
            });
        } catch (const VarnexError &e) {
            throw VarnexError(QStringLiteral("Record %1 of %2 was not imported: %3").arg(number).arg(records).arg(e.message()));
        }
        ++m_imported;
        if (!valid)
            ++m_invalid;
        for (const QString &line : std::as_const(validation))
            log(line);
        saveLog(false);
    });
}
