#pragma once

#include "remote/DAData_DM.h"

#include <QGroupBox>

#include <functional>
#include <memory>

class BackgroundCall;
class DataTable;
class QStandardItemModel;
class QTableView;
class TSampleAttachmentDm;

// "Attachments for this sample": the list of a sample's attachments on the central server with
// "Add Attachment", "Save/Open selected" and "Delete selected". A sample editor puts one on its
// Attachments page, gives it the sample's code, and calls OpenAttachments when the page is
// entered; the panel makes its attachment module then, once, and keeps it for its life.
//
// Every server call runs in the background; the actions are off while one runs, and its outcome
// (or its failure, through the prompter) comes back on the main thread. After a failed upload the
// list is read again, since the server may have stored the file before the answer was lost.
class SampleAttachmentsPanel : public QGroupBox
{
    Q_OBJECT
public:
    using ModuleFactory = std::function<std::shared_ptr<TSampleAttachmentDm>()>;

    static QString DeleteQuestion()
    {
        return QStringLiteral("Are you sure you want to remove the selected attachment from this sample?");
    }

    // The central server settings every panel's module is made with (the program installs the
    // installation's address and proxy login after login).
    static void SetServerSettings(std::function<CentralServerSettings()> settings);

    // sampleCode gives the current sample's CODE.
    SampleAttachmentsPanel(std::function<QString()> sampleCode, QWidget *parent = nullptr);
    ~SampleAttachmentsPanel() override;

    // Makes the module when there is none yet, and shows the sample's attachments.
    void OpenAttachments();
    void AddAttachment();
    void DownloadSelected();
    void DeleteSelected();

    bool Busy() const;
    // The ID of the selected attachment; 0 when none is selected.
    qint64 SelectedId() const;

    // Seams, replaced by tests: opening a saved file, and the module. The files to upload and to
    // save to are asked through the current prompter.
    std::function<void(const QString &path)> OpenFile;
    ModuleFactory MakeModule;

    QTableView *grdAttachments;
    QStandardItemModel *srcAttachments;
    QAction *actOpenAttachments;
    QAction *actAddAttachment;
    QAction *actDeleteAttachment;
    QAction *actDownloadAttachment;

signals:
    // A background call has ended and its outcome was handled.
    void callFinished();

private:
    template <typename Work, typename Done>
    void run(Work &&work, Done &&done);
    void showList(const DataTable &list);
    void refreshAfter(const QString &failure);
    // Runs a change of the listed sample's attachments in the background, then lists them again
    // (also after a failure, which may have changed the server before its answer was lost).
    void changeAndList(std::function<void(TSampleAttachmentDm &, const QString &sampleCode)> change);
    void updateActions();
    std::shared_ptr<TSampleAttachmentDm> module();

    std::function<QString()> m_sampleCode;
    std::shared_ptr<TSampleAttachmentDm> m_module;
    std::shared_ptr<BackgroundCall> m_call;
    QString m_listedCode;
};
