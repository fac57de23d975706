#include "samples/ui/SampleAttachmentsPanel.h"

#include "base/Background.h"
#include "base/Prompter.h"
#include "core/Main_DM.h"
#include "core/Registry_DM.h"
#include "samples/SampleAttachment_DM.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

namespace {

std::function<CentralServerSettings()> &attachmentSettingsSource()
{
    static std::function<CentralServerSettings()> settings;
    return settings;
}

const QString Title = QStringLiteral("Attachments");

enum Column { ColName, ColType, ColUploaded, ColDescription, ColId };

} // namespace

void SampleAttachmentsPanel::SetServerSettings(std::function<CentralServerSettings()> settings)
{
    attachmentSettingsSource() = std::move(settings);
}

SampleAttachmentsPanel::SampleAttachmentsPanel(std::function<QString()> sampleCode, QWidget *parent)
    : QGroupBox(QStringLiteral("Attachments for this sample"), parent), m_sampleCode(std::move(sampleCode))
{
    setObjectName(QStringLiteral("pnlAttachments"));
    auto *layout = new QVBoxLayout(this);
    srcAttachments = new QStandardItemModel(0, 5, this);
    srcAttachments->setObjectName(QStringLiteral("srcAttachments"));
    srcAttachments->setHorizontalHeaderLabels({QStringLiteral("Attachment name"), QStringLiteral("File type"),
                                               QStringLiteral("Date uploaded"), QStringLiteral("Description"),
                                               QStringLiteral("Attachment id")});
    grdAttachments = new QTableView(this);
    grdAttachments->setObjectName(QStringLiteral("grdAttachments"));
    grdAttachments->setModel(srcAttachments);
    grdAttachments->setColumnHidden(ColId, true);
    grdAttachments->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdAttachments->setSelectionMode(QAbstractItemView::SingleSelection);
    grdAttachments->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdAttachments->horizontalHeader()->setStretchLastSection(true);
    grdAttachments->setColumnWidth(ColName, 260);
    grdAttachments->setColumnWidth(ColType, 90);
    grdAttachments->setColumnWidth(ColUploaded, 140);
    grdAttachments->verticalHeader()->hide();
    layout->addWidget(grdAttachments, 1);

    const auto make = [this](QAction *&action, const char *name, const QString &text) {
        action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        addAction(action);
    };
    make(actOpenAttachments, "actOpenAttachments", QStringLiteral("Open Attachments"));
    make(actAddAttachment, "actAddAttachment", QStringLiteral("Add Attachment"));
    make(actDeleteAttachment, "actDeleteAttachment", QStringLiteral("Delete selected"));
    make(actDownloadAttachment, "actDownloadAttachment", QStringLiteral("Download selected"));
    auto *buttons = new QHBoxLayout;
    const auto button = [this, buttons](QAction *action, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setEnabled(action->isEnabled());
        connect(b, &QPushButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::changed, b, [b, action]() { b->setEnabled(action->isEnabled()); });
        buttons->addWidget(b);
    };
    button(actAddAttachment, actAddAttachment->text());
    button(actDownloadAttachment, QStringLiteral("Save/Open selected"));
    button(actDeleteAttachment, actDeleteAttachment->text());
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(actOpenAttachments, &QAction::triggered, this, [this]() { OpenAttachments(); });
    connect(actAddAttachment, &QAction::triggered, this, [this]() { AddAttachment(); });
    connect(actDownloadAttachment, &QAction::triggered, this, [this]() { DownloadSelected(); });
    connect(actDeleteAttachment, &QAction::triggered, this, [this]() { DeleteSelected(); });
    connect(grdAttachments->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this]() { updateActions(); });

    OpenFile = [](const QString &path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    MakeModule = []() {
        CentralServerSettings settings;
        if (attachmentSettingsSource()) {
            settings = attachmentSettingsSource()();
        } else {
            settings.serverAddress = RegistryDM ? RegistryDM->ServerAddress() : TRegistryDM::defaultServerAddress();
            settings.keepAlive = Maindm && Maindm->KeepAlive();
        }
        return std::make_shared<TSampleAttachmentDm>(settings, Maindm ? Maindm->LocalAuthorityCode() : QString());
    };
    updateActions();
}

SampleAttachmentsPanel::~SampleAttachmentsPanel()
{
    // A call still running ends by its own time-outs; its outcome is dropped.
    if (m_call)
        m_call->cancel();
}

bool SampleAttachmentsPanel::Busy() const
{
    return m_call && !m_call->isFinished();
}

std::shared_ptr<TSampleAttachmentDm> SampleAttachmentsPanel::module()
{
    if (!m_module)
        m_module = MakeModule();
    return m_module;
}

template <typename Work, typename Done>
void SampleAttachmentsPanel::run(Work &&work, Done &&done)
{
    m_call = runInBackground(this, std::forward<Work>(work),
                             [this, done = std::forward<Done>(done)](auto outcome) {
                                 m_call.reset();
                                 done(outcome);
                                 updateActions();
                                 emit callFinished();
                             });
    updateActions();
}

void SampleAttachmentsPanel::updateActions()
{
    const bool idle = !Busy();
    const bool listed = m_module && !m_listedCode.isEmpty();
    actOpenAttachments->setEnabled(idle);
    actAddAttachment->setEnabled(idle && listed);
    actDownloadAttachment->setEnabled(idle && listed && SelectedId() != 0);
    actDeleteAttachment->setEnabled(idle && listed && SelectedId() != 0);
}

qint64 SampleAttachmentsPanel::SelectedId() const
{
    const QModelIndexList rows = grdAttachments->selectionModel()->selectedRows(ColId);
    return rows.isEmpty() ? 0 : rows.first().data(Qt::UserRole).toLongLong();
}

void SampleAttachmentsPanel::showList(const DataTable &list)
{
    srcAttachments->removeRows(0, srcAttachments->rowCount());
    for (int r = 0; r < list.rowCount(); ++r) {
        QList<QStandardItem *> row;
        row << new QStandardItem(list.value(r, QStringLiteral("FILE_NAME")).toString());
        row << new QStandardItem(list.value(r, QStringLiteral("FILE_TYPE")).toString());
        const QDateTime uploaded = list.value(r, QStringLiteral("UPLOAD_TIMESTAMP")).toDateTime();
        row << new QStandardItem(uploaded.isValid() ? QLocale().toString(uploaded, QLocale::ShortFormat) : QString());
        row << new QStandardItem(list.value(r, QStringLiteral("FILE_DESCRIPTION")).toString());
        auto *id = new QStandardItem(list.value(r, QStringLiteral("ID")).toString());
        id->setData(list.value(r, QStringLiteral("ID")).toLongLong(), Qt::UserRole);
        row << id;
        srcAttachments->appendRow(row);
    }
    if (srcAttachments->rowCount() > 0)
        grdAttachments->selectRow(0);
}

void SampleAttachmentsPanel::OpenAttachments()
{
    if (Busy())
        return;
    const QString code = m_sampleCode();
    try {
        TSampleAttachmentDm::RequireAttachableCode(code);
    } catch (const VarnexError &e) {
        m_listedCode.clear();
        srcAttachments->removeRows(0, srcAttachments->rowCount());
        updateActions();
        setToolTip(e.message());
        return;
    }
    setToolTip(QString());
    std::shared_ptr<TSampleAttachmentDm> dm = module();
    run([dm, code]() { return dm->GetAttachments(code); },
        [this, code](const BackgroundOutcome<DataTable> &outcome) {
            if (!outcome.ok()) {
                Prompter::current().error(Title, outcome.error);
                return;
            }
            m_listedCode = code;
            showList(*outcome.value);
        });
}

void SampleAttachmentsPanel::refreshAfter(const QString &failure)
{
    Prompter::current().error(Title, failure);
    std::shared_ptr<TSampleAttachmentDm> dm = module();
    const QString code = m_listedCode;
    run([dm, code]() { return dm->GetAttachments(code); },
        [this](const BackgroundOutcome<DataTable> &outcome) {
            if (outcome.ok())
                showList(*outcome.value);
        });
}

void SampleAttachmentsPanel::AddAttachment()
{
    if (Busy() || m_listedCode.isEmpty())
        return;
    const QString path = Prompter::current().openFileName(QStringLiteral("Add Attachment"), QString()).value_or(QString());
    if (path.isEmpty())
        return;
    // A file that cannot go is refused before the officer describes it.
    try {
        TSampleAttachmentDm::RequireUploadableFile(path);
    } catch (const VarnexError &e) {
        Prompter::current().error(Title, e.message());
        return;
    }
    const QString description =
        Prompter::current().textInput(Title, QStringLiteral("Description of file")).value_or(QString());
    changeAndList([path, description](TSampleAttachmentDm &dm, const QString &code) { dm.UploadFile(path, description, code); });
}

void SampleAttachmentsPanel::changeAndList(std::function<void(TSampleAttachmentDm &, const QString &)> change)
{
    std::shared_ptr<TSampleAttachmentDm> dm = module();
    const QString code = m_listedCode;
    run(
        [dm, code, change = std::move(change)]() {
            change(*dm, code);
            return dm->GetAttachments(code);
        },
        [this](const BackgroundOutcome<DataTable> &outcome) {
            if (outcome.ok())
                showList(*outcome.value);
            else
                refreshAfter(outcome.error);
        });
}

void SampleAttachmentsPanel::DownloadSelected()
{
    const qint64 id = SelectedId();
    if (Busy() || id == 0)
        return;
    const QModelIndexList rows = grdAttachments->selectionModel()->selectedRows(ColName);
    const QString proposed = TSampleAttachmentDm::CleanFileName(rows.isEmpty() ? QString() : rows.first().data().toString());
    const QString target =
        Prompter::current().saveFileName(QStringLiteral("Save Attachment"), proposed, QString()).value_or(QString());
    if (target.isEmpty())
        return;
    std::shared_ptr<TSampleAttachmentDm> dm = module();
    run([dm, id, target]() { return dm->SaveAttachmentToFile(id, target); },
        [this, target](const BackgroundOutcome<bool> &outcome) {
            if (!outcome.ok()) {
                Prompter::current().error(Title, outcome.error);
                return;
            }
            if (!*outcome.value)
                return; // gone from the server meanwhile
            if (Prompter::current().question(Title, QStringLiteral("Open downloaded attachment?")))
                OpenFile(target);
        });
}

void SampleAttachmentsPanel::DeleteSelected()
{
    const qint64 id = SelectedId();
    if (Busy() || id == 0)
        return;
    if (!Prompter::current().question(Title, DeleteQuestion()))
        return;
    changeAndList([id](TSampleAttachmentDm &dm, const QString &) { dm.DeleteAttachment(id); });
}
