#include "exchange/SampleExport_DM.h"

#include "base/AtomicFile.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "data/DataTable.h"
#include "data/PacketCipher.h"
#include "exchange/LabDelivery.h"
#include "store/LocalTransaction.h"
#include "store/SqlUtil.h"

#include <QBuffer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

TSampleExportDM *SampleExportDM = nullptr;

namespace {

TSampleExportDM::WizardOpener &wizardOpener()
{
    static TSampleExportDM::WizardOpener opener;
    return opener;
}

const QString Validated = QStringLiteral("VALIDATED");

// The selection row: every column of the sample, then every column of its officer. An officer
// code may be held by more than one SAMPLE_OFFICER row (a deleted one and its successor): the
// sample is joined to one of them, a live one first, so that it is never sent twice.
const QString SelectionSql = QStringLiteral(
    "SELECT S.*, SO.* FROM SAMPLE S "
    "LEFT OUTER JOIN SAMPLE_OFFICER SO ON SO.ID = ("
    "SELECT FIRST 1 O.ID FROM SAMPLE_OFFICER O WHERE O.CODE = S.SAMPLE_OFFICER__CODE "
    "ORDER BY CASE WHEN O.FLAG_DELETED = 'T' THEN 1 ELSE 0 END, O.ID) ");

BackgroundOutcome<void> failed(const QString &message)
{
    BackgroundOutcome<void> outcome;
    outcome.error = message;
    return outcome;
}

BackgroundOutcome<void> succeeded()
{
    BackgroundOutcome<void> outcome;
    outcome.succeeded = true;
    return outcome;
}

// The packet's copy of the selection. The officer's login password has no business at a
// laboratory: its column stays, empty, so the packet keeps the layout its receivers read.
DataTable packetRows(DataTable rows)
{
    const int password = rows.indexOf(QStringLiteral("LOGIN_PASSWORD"));
    if (password >= 0) {
        for (int r = 0; r < rows.rowCount(); ++r)
            rows.setValue(r, password, QVariant());
    }
    return rows;
}

QByteArray makePacket(const DataTable &rows)
{
    QByteArray packet;
    QString error;
    if (!PacketCipher::makePacket(packetRows(rows), &packet, &error))
        throw VarnexError(QStringLiteral("The laboratory packet could not be made: ") + error);
    return packet;
}

QStringList columnTexts(const DataTable &rows, const QString &column)
{
    QStringList texts;
    const int c = rows.indexOf(column);
    texts.reserve(rows.rowCount());
    for (int r = 0; c >= 0 && r < rows.rowCount(); ++r)
        texts << rows.value(r, c).toString();
    return texts;
}

QString officerNamesText(const QStringList &officers)
{
    QString text;
    for (const QString &name : officers)
        text += name + QStringLiteral("\r\n");
    return text;
}

} // namespace

void TSampleExportDM::SetWizardOpener(WizardOpener opener)
{
    wizardOpener() = std::move(opener);
}

TSampleExportDM::TSampleExportDM(TMaindm &maindm, ServerSettingsSource serverSettings, QObject *parent)
    : QObject(parent), m_maindm(maindm), m_serverSettings(std::move(serverSettings))
{
    trnLocal = new LocalTransaction(maindm.ibConnection(), this);
    trnLocal->setObjectName(QStringLiteral("trnLocal"));
}

TSampleExportDM::~TSampleExportDM() = default;

void TSampleExportDM::SetReturnInfoSocket(TReturnInfo *info)
{
    if (info == m_returnInfo.get())
        return;
    if (!info) {
        (void)m_returnInfo.release(); // cleared, not freed: whoever took it out owns it now
        return;
    }
    m_returnInfo.reset(info);
}

QSqlDatabase TSampleExportDM::database() const
{
    if (!trnLocal->isConnected())
        throw VarnexError(QStringLiteral("The laboratory export cannot reach the local database: ")
                          + trnLocal->connectError());
    return trnLocal->database();
}

void TSampleExportDM::requireIdle() const
{
    if (m_busy)
        throw VarnexError(QStringLiteral("A delivery to the laboratory's postbox is under way; wait until it has "
                                         "finished."));
}

void TSampleExportDM::setBusy(bool busy)
{
    m_busy = busy;
}

// ---------------------------------------------------------------------------------------------
// Wizards

void TSampleExportDM::openWizard(const QString &personality, bool toFile)
{
    if (personality.isEmpty())
        throw VarnexError(NoPersonalityText());
    if (!wizardOpener())
        throw VarnexError(QStringLiteral("The laboratory export wizard is not available."));
    wizardOpener()(*this, personality, toFile);
}

void TSampleExportDM::RunExport(const QString &Personality)
{
    openWizard(Personality, false);
}

void TSampleExportDM::RunExportToDisk(const QString &Personality)
{
    openWizard(Personality, true);
}

// ---------------------------------------------------------------------------------------------
// Reading

void TSampleExportDM::setSelection(const QString &personality, const QString &labCode, const QStringList &officers,
                                   const QString &labName)
{
    m_officerList = officers;
    m_personality = personality;
    m_labCode = labCode;
    m_labName = labName;
}

DataTable TSampleExportDM::openSelection(bool toDeliver) const
{
    QVariantList names;
    for (const QString &name : m_officerList)
        names << name;
    const SqlUtil::SqlCondition officers = SqlUtil::sqlInCondition(QStringLiteral("S.SAMPLE_OFFICER_NAME"), names);
    QVariantList values{Validated, m_personality};
    values += officers.values;
    values << m_labCode;
    QSqlQuery q = SqlUtil::exec(database(),
                                SelectionSql + QStringLiteral("WHERE S.SAMPLE_STATUS__CODE = ? AND S.RECORD_TYPE = ? AND ")
                                    + officers.text
                                    + QStringLiteral(" AND S.LABORATORY__CODE = ? "
                                                     "ORDER BY SO.NAME, S.LA_SAMPLENO, S.UNIQUE_UUID"),
                                values);
    DataTable rows;
    QString error;
    if (!rows.fillFromQuery(q, &error))
        throw VarnexError(QStringLiteral("The samples to export could not be read: ") + error);
    if (toDeliver && rows.rowCount() == 0)
        throw VarnexError(NoSamplesText());
    return rows;
}

DataTable TSampleExportDM::openBatchSamples(qint64 batchId) const
{
    QSqlQuery q = SqlUtil::exec(database(),
                                SelectionSql + QStringLiteral("WHERE S.EXPORT_BATCH__UNIQUE_ID = ? "
                                                              "ORDER BY S.LA_SAMPLENO, S.UNIQUE_UUID"),
                                {batchId});
    DataTable rows;
    QString error;
    if (!rows.fillFromQuery(q, &error))
        throw VarnexError(QStringLiteral("The samples of batch %1 could not be read: %2").arg(batchId).arg(error));
    return rows;
}

DataTable TSampleExportDM::openBatch(qint64 batchId, QString *comment)
{
    QSqlQuery batch = SqlUtil::exec(database(),
                                    QStringLiteral("SELECT SAMPLING_OFFICER_NAMES, PERSONALITY, LABORATORY__CODE, COMMENT "
                                                   "FROM EXPORT_BATCH WHERE UNIQUE_ID = ?"),
                                    {batchId});
    if (!batch.next())
        throw VarnexError(QStringLiteral("No batch number with id = ") + QString::number(batchId));
    setSelection(batch.value(1).toString(), batch.value(2).toString(),
                 batch.value(0).toString().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts));
    if (comment)
        *comment = batch.value(3).toString();
    batch.finish();

    const DataTable rows = openBatchSamples(batchId);
    if (rows.rowCount() == 0)
        throw VarnexError(NoSamplesText());
    return rows;
}

qint64 TSampleExportDM::newExportId() const
{
    QSqlQuery q = SqlUtil::exec(database(), QStringLiteral("EXECUTE PROCEDURE NEW_EXPORT_ID"));
    if (!q.next() || q.isNull(0))
        throw VarnexError(QStringLiteral("NEW_EXPORT_ID gave no export id."));
    return q.value(0).toLongLong();
}

void TSampleExportDM::SetExportId()
{
    m_exportBatchId = newExportId();
}

bool TSampleExportDM::batchRecorded(qint64 exportId) const
{
    return SqlUtil::scalar(database(), QStringLiteral("SELECT COUNT(*) FROM EXPORT_BATCH WHERE UNIQUE_ID = ?"),
                           {exportId})
               .toLongLong()
           > 0;
}

QString TSampleExportDM::GetTextToSendToLab(const QString &Personality, const QString &ALabCode,
                                            const QString &ALabName, const QStringList &OfficerList)
{
    SetExportId();
    setSelection(Personality, ALabCode, OfficerList, ALabName);
    const DataTable rows = openSelection();
    LabDelivery::CoverHeader header;
    header.authorityCode = m_maindm.LocalAuthorityCode();
    header.authorityName = m_maindm.LocalAuthorityDescription();
    header.officeDescription = m_maindm.LocalAuthorityOfficeDescription();
    header.batchId = m_exportBatchId;
    return LabDelivery::coverText(header, rows);
}

// ---------------------------------------------------------------------------------------------
// Recording

TSampleExportDM::Delivery TSampleExportDM::newDelivery(qint64 exportId, const QString &comment, const QString &method,
                                                       const DataTable &rows) const
{
    Delivery delivery;
    delivery.exportId = exportId;
    delivery.personality = m_personality;
    delivery.labCode = m_labCode;
    // The name is both the postbox row's recipient and the batch's laboratory: the shorter of the
    // two columns takes it.
    delivery.labName = LabDelivery::fitLaboratoryName(
        m_labName, std::min(LabDelivery::RecipientDescriptionSize, LabDelivery::LaboratoryNameSize));
    delivery.comment = comment;
    delivery.deliveryMethod = method;
    delivery.officers = m_officerList;
    delivery.sampleUuids = columnTexts(rows, QStringLiteral("UNIQUE_UUID"));
    return delivery;
}

void TSampleExportDM::recordDelivery(QSqlDatabase &db, const Delivery &delivery) const
{
    // One statement prepared once: a packet may carry thousands of samples.
    QSqlQuery packet(db);
    if (!packet.prepare(QStringLiteral("INSERT INTO EXPORT_PACKET_SAMPLE (SAMPLE_UUID) VALUES (?)")))
        throw VarnexError(packet.lastError().text());
    for (const QString &uuid : delivery.sampleUuids) {
        packet.bindValue(0, uuid);
        if (!packet.exec())
            throw VarnexError(packet.lastError().text());
    }
    const QString names = officerNamesText(delivery.officers);
    for (const QString &officer : delivery.officers) {
        SqlUtil::exec(db, QStringLiteral("EXECUTE PROCEDURE SAMPLE_RUN_EXPORT_R1 (?, ?, ?, ?, ?, ?, ?, ?)"),
                      {delivery.comment, delivery.labCode, delivery.labName, officer, delivery.exportId, names,
                       delivery.personality, delivery.deliveryMethod});
    }
    if (!delivery.cancelledRowIds.isEmpty()) {
        const SqlUtil::SqlCondition sent = SqlUtil::sqlInCondition(QStringLiteral("ID"), delivery.cancelledRowIds);
        SqlUtil::exec(db, QStringLiteral("DELETE FROM CANCELLED_SAMPLE WHERE ") + sent.text, sent.values);
    }
}

void TSampleExportDM::recordPosted(const Delivery &delivery, const Done &done)
{
    try {
        SqlUtil::inTransaction(database(), [&](QSqlDatabase &db) { recordDelivery(db, delivery); });
    } catch (const VarnexError &e) {
        m_unrecorded = delivery;
        setBusy(false);
        done(failed(QStringLiteral("The samples were posted to the laboratory's postbox as batch %1, but the batch "
                                   "could not be recorded: %2\r\nSend again to record it; the samples are not posted "
                                   "a second time.")
                        .arg(delivery.exportId)
                        .arg(e.message())));
        return;
    }
    m_unrecorded.reset();
    setBusy(false);
    done(succeeded());
}

// ---------------------------------------------------------------------------------------------
// Postbox

void TSampleExportDM::postInBackground(const DataTable &rows, const PostboxRow &row, std::function<void()> posted,
                                       const Done &done)
{
    struct Sender
    {
        QString code, description, siteCode, siteDescription;
    } sender{m_maindm.LocalAuthorityCode(), m_maindm.LocalAuthorityDescription(), m_maindm.LocalAuthorityOfficeCode(),
             m_maindm.LocalAuthorityOfficeDescription()};
    const CentralServerSettings settings = m_serverSettings ? m_serverSettings() : CentralServerSettings();
    setBusy(true);
    // The work owns copies of everything it touches: it may outlive the module.
    runInBackground(
        this,
        [rows, row, sender, settings]() {
            QByteArray packet = makePacket(rows);
            QBuffer content(&packet);
            content.open(QIODevice::ReadOnly);
            TDADataDm server(settings);
            server.AddFileToPostBox(sender.code, sender.description, sender.siteCode, sender.siteDescription,
                                    row.recipientCode, row.recipientDescription, QStringLiteral("usr"),
                                    QStringLiteral("usremail"), QStringLiteral("usertel"), row.comment,
                                    QStringLiteral("BINARY"), content, row.cancelledSampleList);
        },
        [this, posted = std::move(posted), done](const BackgroundOutcome<void> &outcome) {
            if (!outcome.ok()) {
                setBusy(false);
                done(failed(QStringLiteral("The samples did not reach the laboratory's postbox: %1\r\nNothing has been "
                                           "recorded; the samples stay ready to send.")
                                .arg(outcome.error)));
                return;
            }
            posted();
        });
}

void TSampleExportDM::DeliverToLab(const QString &Personality, const QString &ALabCode, const QString &ALabName,
                                   const QString &AComment, const QStringList &OfficerList, Done done)
{
    requireIdle();
    if (m_exportBatchId <= 0)
        throw VarnexError(QStringLiteral("No batch number has been taken for this delivery: its cover text takes "
                                         "one."));
    if (m_unrecorded && m_unrecorded->exportId == m_exportBatchId) {
        // Already in the postbox: only the record is missing.
        const Delivery delivery = *m_unrecorded;
        setBusy(true);
        QMetaObject::invokeMethod(this, [this, delivery, done]() { recordPosted(delivery, done); },
                                  Qt::QueuedConnection);
        return;
    }
    if (batchRecorded(m_exportBatchId))
        throw VarnexError(QStringLiteral("Batch %1 has been delivered and recorded already; a new delivery needs a "
                                         "new cover text with a new batch number.")
                              .arg(m_exportBatchId));
    if (AComment.size() > LabDelivery::SenderNotesSize)
        throw VarnexError(QStringLiteral("The comment is %1 characters long; the laboratory's postbox takes at most "
                                         "%2. Shorten it and send again.")
                              .arg(AComment.size())
                              .arg(LabDelivery::SenderNotesSize));

    setSelection(Personality, ALabCode, OfficerList, ALabName);
    // The codes waiting now; those that do not fit into the postbox row wait for the next delivery.
    QStringList codes;
    QVariantList rowIds;
    QSqlQuery cancelled = SqlUtil::exec(database(), QStringLiteral("SELECT ID, SAMPLE__CODE FROM CANCELLED_SAMPLE ORDER BY ID"));
    while (cancelled.next()) {
        rowIds << cancelled.value(0);
        codes << cancelled.value(1).toString();
    }
    cancelled.finish();
    const int fitting = LabDelivery::itemsThatFit(codes);
    codes = codes.mid(0, fitting);
    rowIds = rowIds.mid(0, fitting);

    const DataTable rows = openSelection(true);
    Delivery delivery = newDelivery(m_exportBatchId, AComment, RemoteTransfer(), rows);
    delivery.cancelledRowIds = rowIds;

    PostboxRow row;
    row.recipientCode = ALabCode;
    row.recipientDescription = delivery.labName;
    row.comment = AComment;
    row.cancelledSampleList = LabDelivery::commaText(codes);
    postInBackground(rows, row, [this, delivery, done]() { recordPosted(delivery, done); }, done);
}

void TSampleExportDM::ReExportToLab(qint64 BatchId, Done done)
{
    requireIdle();
    QString comment;
    const DataTable rows = openBatch(BatchId, &comment);
    newExportId(); // taken and left unused, as every re-send does
    if (comment.isEmpty())
        comment = QStringLiteral("No notes provided");

    PostboxRow row;
    row.recipientCode = m_labCode;
    row.recipientDescription = LabDelivery::fitLaboratoryName(
        rows.value(0, QStringLiteral("LABORATORY_DESCRIPTION")).toString());
    row.comment = comment.left(LabDelivery::SenderNotesSize);
    postInBackground(rows, row,
                     [this, done]() {
                         setBusy(false);
                         done(succeeded());
                     },
                     done);
}

// ---------------------------------------------------------------------------------------------
// Files

void TSampleExportDM::writePacketFile(const DataTable &rows, const QString &fileName,
                                      const std::function<void()> &beforeCommit)
{
    const QByteArray packet = makePacket(rows);
    AtomicFileWriter file(fileName);
    QString error;
    if (!file.open(&error))
        throw VarnexError(error);
    if (file.write(packet) != packet.size())
        throw VarnexError(file.errorString());
    if (beforeCommit)
        beforeCommit();
    if (!file.commit(&error))
        throw VarnexError(error);
}

QString TSampleExportDM::DeliverToFile(const QString &Personality, const QString &ALabCode, const QString &ALabName,
                                       const QString &AFolderName, const QString &AComment,
                                       const QStringList &OfficerList)
{
    setSelection(Personality, ALabCode, OfficerList, ALabName);
    const DataTable rows = openSelection(true);
    const qint64 exportId = newExportId();
    const QString fileName =
        LabDelivery::exportFileName(AFolderName, m_maindm.LocalAuthorityCode(), m_maindm.InstallationId(), exportId);

    const Delivery delivery = newDelivery(exportId, AComment, FileTransfer(), rows);

    // The batch is recorded in a transaction that commits only once the file is in place; when
    // that commit fails, the file goes again: the file and the batch exist both or neither.
    const bool existedBefore = QFile::exists(fileName);
    bool fileWritten = false;
    try {
        SqlUtil::inTransaction(database(), [&](QSqlDatabase &db) {
            writePacketFile(rows, fileName, [&]() { recordDelivery(db, delivery); });
            fileWritten = true;
        });
    } catch (...) {
        if (fileWritten && !existedBefore)
            QFile::remove(fileName);
        throw;
    }
    return fileName;
}

void TSampleExportDM::ReExportToFile(qint64 BatchId, QString &AFolderName)
{
    const DataTable rows = openBatch(BatchId, nullptr);
    const QString fileName =
        LabDelivery::exportFileName(AFolderName, m_maindm.LocalAuthorityCode(), m_maindm.InstallationId(), BatchId);
    writePacketFile(rows, fileName, {});
    AFolderName = fileName;
}
