#pragma once

#include "base/Background.h"
#include "base/ReturnInfo.h"
#include "remote/DAData_DM.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>

class DataTable;
class LocalTransaction;
class TMaindm;

// The laboratory export engine: delivers the validated samples of one personality, chosen
// sampling officers and one laboratory as one enciphered packet, to the laboratory's postbox on
// the central server or into a ".enc" file, and records the delivery as an export batch; writes
// the cover text of a postbox delivery; re-sends or re-saves an earlier batch without recording it
// again.
//
// A delivery is recorded once, for exactly the samples its packet carried: the batch row, the
// samples' move to "EXPORTED" and the removal of the cancelled-sample codes it announced are one
// transaction, made only after the packet reached the postbox (or the file was written). Nothing
// that failed is recorded, and nothing recorded is reported as failed.
//
// The postbox calls go to the central server off the GUI thread (runInBackground): DeliverToLab
// and ReExportToLab check and prepare what they can at once, throwing VarnexError for what is
// wrong, then return; the outcome reaches `done` on the main thread. IsBusy() is true while such a
// call is under way, and a second one is refused meanwhile.
// Everything else runs on the main thread and throws VarnexError with the text to show.
class TSampleExportDM : public QObject, public IReturnInfoSocket
{
    Q_OBJECT
public:
    using ServerSettingsSource = std::function<CentralServerSettings()>;
    using Done = std::function<void(const BackgroundOutcome<void> &)>;
    // Opens the postbox wizard (toFile false) or the file wizard for the personality, modally,
    // owned by the module. The widget layer installs it; without one the wizards are refused.
    using WizardOpener = std::function<void(TSampleExportDM &owner, const QString &personality, bool toFile)>;

    static QString NoSamplesText() { return QStringLiteral("There are no samples ready to export."); }
    static QString NoPersonalityText() { return QStringLiteral("Application personality is not set."); }
    static QString RemoteTransfer() { return QStringLiteral("Remote transfer"); }
    static QString FileTransfer() { return QStringLiteral("File transfer"); }

    static void SetWizardOpener(WizardOpener opener);

    // Works on the store of maindm's main connection, through a transaction of its own, and asks
    // serverSettings for the central server's address and channel settings before each call.
    TSampleExportDM(TMaindm &maindm, ServerSettingsSource serverSettings, QObject *parent = nullptr);
    ~TSampleExportDM() override;

    void RunExport(const QString &Personality);
    void RunExportToDisk(const QString &Personality);

    // Takes a new export id into ExportBatchId and returns the cover text for that batch.
    QString GetTextToSendToLab(const QString &Personality, const QString &ALabCode, const QString &ALabName,
                               const QStringList &OfficerList);
    // Posts the packet of the selection, with the cancelled-sample codes that fit, to the
    // laboratory's postbox, then records the batch under ExportBatchId (which the cover text
    // announced) and removes the codes it sent. Refuses an ExportBatchId that no cover text took
    // or that is recorded already. After a failure the id stays unrecorded, so sending again uses
    // it; when only the recording failed, sending again records without posting a second time.
    void DeliverToLab(const QString &Personality, const QString &ALabCode, const QString &ALabName,
                      const QString &AComment, const QStringList &OfficerList, Done done);
    // Takes a new export id, writes the packet file into the folder and records the batch: both
    // or neither. Returns the full file name.
    QString DeliverToFile(const QString &Personality, const QString &ALabCode, const QString &ALabName,
                          const QString &AFolderName, const QString &AComment, const QStringList &OfficerList);
    // Posts the samples of an earlier batch to that batch's laboratory again; records nothing.
    void ReExportToLab(qint64 BatchId, Done done);
    // Writes the samples of an earlier batch to a file named after the batch in the folder;
    // records nothing. On return AFolderName holds the full file name.
    void ReExportToFile(qint64 BatchId, QString &AFolderName);
    // Takes a new id from NEW_EXPORT_ID into ExportBatchId.
    void SetExportId();

    qint64 ExportBatchId() const { return m_exportBatchId; }
    bool IsBusy() const { return m_busy; }

    // The socket only keeps what a wizard hands back; the module frees it.
    TReturnInfo *ReturnInfoSocket() const override { return m_returnInfo.get(); }
    void SetReturnInfoSocket(TReturnInfo *info) override;

private:
    // What a postbox delivery must record once its packet is in the postbox.
    struct Delivery
    {
        qint64 exportId = 0;
        QString personality;
        QString labCode;
        QString labName;
        QString comment;
        QString deliveryMethod;
        QStringList officers;
        QStringList sampleUuids;      // the samples the packet carried
        QVariantList cancelledRowIds; // the CANCELLED_SAMPLE rows whose codes it announced
    };
    // What goes into one postbox row.
    struct PostboxRow
    {
        QString recipientCode;
        QString recipientDescription;
        QString comment;
        QString cancelledSampleList;
    };

    QSqlDatabase database() const;
    void openWizard(const QString &personality, bool toFile);
    void setSelection(const QString &personality, const QString &labCode, const QStringList &officers,
                      const QString &labName = QString());
    // The delivery's selection: every column of SAMPLE, then every column of its SAMPLE_OFFICER.
    // toDeliver: an empty selection is refused ("There are no samples ready to export.").
    DataTable openSelection(bool toDeliver = false) const;
    DataTable openBatchSamples(qint64 batchId) const;
    // An earlier batch: its row becomes the current officers, personality and laboratory (and
    // *comment); returns its samples, whatever their status. Throws for an unknown batch or one
    // without samples.
    DataTable openBatch(qint64 batchId, QString *comment);
    qint64 newExportId() const;
    bool batchRecorded(qint64 exportId) const;
    // The record of a delivery of these rows under the current selection.
    Delivery newDelivery(qint64 exportId, const QString &comment, const QString &method, const DataTable &rows) const;
    // Records a delivery; runs inside the caller's transaction on db.
    void recordDelivery(QSqlDatabase &db, const Delivery &delivery) const;
    // Records a posted delivery in one transaction and reports to done.
    void recordPosted(const Delivery &delivery, const Done &done);
    void postInBackground(const DataTable &rows, const PostboxRow &row, std::function<void()> posted,
                          const Done &done);
    void requireIdle() const;
    void setBusy(bool busy);
    void writePacketFile(const DataTable &rows, const QString &fileName, const std::function<void()> &beforeCommit);

    TMaindm &m_maindm;
    ServerSettingsSource m_serverSettings;
    LocalTransaction *trnLocal;
    std::unique_ptr<TReturnInfo> m_returnInfo;
    QStringList m_officerList;
    QString m_labCode;
    QString m_labName;
    QString m_personality;
    qint64 m_exportBatchId = 0;
    bool m_busy = false;
    // A delivery that reached the postbox but could not be recorded.
    std::optional<Delivery> m_unrecorded;
};

// The one instance, made after login; the wizards and the batch history work through it.
extern TSampleExportDM *SampleExportDM;
