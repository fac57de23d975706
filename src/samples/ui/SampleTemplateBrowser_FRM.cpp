#include "samples/ui/SampleTemplateBrowser_FRM.h"

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "data/GridModel.h"
#include "samples/SampleTemplates.h"
#include "samples/ui/SampleEdit_FRM.h"
#include "samples/ui/SampleTemplateEdit_FRM.h"
#include "samples/ui/SampleTemplateGroupMaint_FRM.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

} // namespace

void TSampleTemplateBrowserFrm::ShowTemplates(QObject *owner)
{
    TBasefrm::CreateAndShow<TSampleTemplateBrowserFrm>(FormKey(), owner, true);
}

TSampleTemplateBrowserFrm::TSampleTemplateBrowserFrm(QObject *AOwner)
    : TSampleTemplateBrowserFrm(AOwner, Varnex::PersonalityFood)
{
}

TSampleTemplateBrowserFrm::TSampleTemplateBrowserFrm(QObject *AOwner, const QString &personality)
    : TIBBaseAdvancedfrm(AOwner), m_personality(personality)
{
    const bool food = personality != Varnex::PersonalityAnimalFeed;
    setObjectName(food ? u"SampleTemplateBrowserFrm"_s : u"SampleTemplateAnimalFeedsBrowserFrm"_s);
    setWindowTitle(food ? u"Sample Templates"_s : u"Animal feeds sample templates"_s);

    qryIBOSample = new GridModel(LocalDatabase(),
                                 u"SELECT UNIQUE_UUID, UNIQUE_ID, PARENT_ID, TEMPLATE_DESCRIPTION, TEMPLATE_GROUP, "
                                 u"TEMPLATE_CREATION_DATE, TEMPLATE_CREATION_TIME, TEMPLATE_CREATION_TIMESTAMP "
                                 u"FROM SAMPLE_TEMPLATE WHERE RECORD_TYPE = :recordType AND FLAG_DELETED = 'F'"_s,
                                 u"UNIQUE_UUID"_s, this);
    qryIBOSample->setObjectName(u"qryIBOSample"_s);
    qryIBOSample->setParam(u"recordType"_s, personality);
    qryIBOSample->setSort({{u"TEMPLATE_DESCRIPTION"_s, Qt::AscendingOrder}});
    qryIBOSample->setHeaderCaption(u"TEMPLATE_DESCRIPTION"_s, u"Template description"_s);
    qryIBOSample->setHeaderCaption(u"TEMPLATE_CREATION_TIMESTAMP"_s, u"Created on"_s);
    build();
    resize(640, 520);
}

TSampleTemplateBrowserFrm::~TSampleTemplateBrowserFrm()
{
    // The list goes before the connection of the form's transaction.
    delete grdTemplates;
    grdTemplates = nullptr;
    delete qryIBOSample;
}

void TSampleTemplateBrowserFrm::build()
{
    const bool food = m_personality != Varnex::PersonalityAnimalFeed;
    auto *band = qobject_cast<QHBoxLayout *>(RzPanel2->layout());
    band->setContentsMargins(8, 4, 8, 4);
    RzPanel2->setAutoFillBackground(true);
    QPalette p = RzPanel2->palette();
    p.setColor(QPalette::Window, food ? QColor(202, 203, 251) : QColor(234, 255, 230));
    RzPanel2->setPalette(p);
    lblHeader = new QLabel(food ? u"  Food sample templates"_s : u"  Animal feed sample templates"_s, RzPanel2);
    lblHeader->setObjectName(u"lblHeader"_s);
    QFont f = lblHeader->font();
    f.setPointSizeF(f.pointSizeF() * 1.5);
    f.setBold(true);
    lblHeader->setFont(f);
    band->addWidget(lblHeader);
    band->addStretch(1);

    auto *layout = new QVBoxLayout(ClientArea);
    layout->setContentsMargins(6, 6, 6, 6);
    grdTemplates = new DataGridView(ClientArea);
    grdTemplates->setObjectName(u"grdTemplates"_s);
    grdTemplates->setGridModel(qryIBOSample);
    // One column; the identity stays out of sight and out of the column menu.
    grdTemplates->setColumns({{u"TEMPLATE_DESCRIPTION"_s, u"Template description"_s}});
    grdTemplates->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdTemplates->setSelectionMode(QAbstractItemView::SingleSelection);
    grdTemplates->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdTemplates->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(grdTemplates);

    const auto make = [this](QAction *&action, const char *name, const QString &text) {
        action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        addAction(action);
    };
    make(actShowNewSample, "actShowNewSample", u"New Template"_s);
    make(actShowViewSample, "actShowViewSample", u"View/Edit Template"_s);
    make(actCreateSample, "actCreateSample", u"Create Sample"_s);
    make(actDeleteSelected, "actDeleteSelected", u"Delete Template"_s);
    make(actCopyTemplate, "actCopyTemplate", u"Copy template"_s);
    make(actMaintainGroups, "actMaintainGroups", u"Groups"_s);
    actMaintainGroups->setVisible(false);
    connect(actShowNewSample, &QAction::triggered, this, [this]() { Guarded([this]() { actShowNewSampleExecute(); }); });
    connect(actShowViewSample, &QAction::triggered, this, [this]() { Guarded([this]() { actShowViewSampleExecute(); }); });
    connect(actCreateSample, &QAction::triggered, this, [this]() { Guarded([this]() { actCreateSampleExecute(); }); });
    connect(actDeleteSelected, &QAction::triggered, this, [this]() { Guarded([this]() { actDeleteSelectedExecute(); }); });
    connect(actCopyTemplate, &QAction::triggered, this, [this]() { Guarded([this]() { actCopyTemplateExecute(); }); });
    connect(actMaintainGroups, &QAction::triggered, this, [this]() { Guarded([this]() { actMaintainGroupsExecute(); }); });
    connect(grdTemplates, &QAbstractItemView::doubleClicked, actShowViewSample, &QAction::trigger);
    for (QAction *a : {actShowNewSample, actShowViewSample, actCreateSample, actDeleteSelected, actCopyTemplate,
                       actMaintainGroups})
        AddButton(a)->setMinimumHeight(30);
    RzPanel1->setMinimumWidth(180);
}

void TSampleTemplateBrowserFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    TIBBaseAdvancedfrm::InitialiseDefaults(std::move(DefaultInfo));
    if (qryIBOSample->isOpen())
        RefreshList(grdTemplates->currentKey());
    else
        grdTemplates->openAt(QVariant());
}

bool TSampleTemplateBrowserFrm::FormCloseQuery()
{
    if (!TIBBaseAdvancedfrm::FormCloseQuery())
        return false;
    qryIBOSample->close();
    return true;
}

QString TSampleTemplateBrowserFrm::CurrentUuid() const
{
    const QVariant key = grdTemplates->currentKey();
    return key.isValid() ? key.toString() : QString();
}

void TSampleTemplateBrowserFrm::RefreshList(const QVariant &key)
{
    const QVariant keep = key.isValid() ? key : grdTemplates->currentKey();
    qryIBOSample->refresh(keep);
    if (!keep.isValid() || !grdTemplates->selectKey(keep))
        grdTemplates->selectFirst();
}

void TSampleTemplateBrowserFrm::Guarded(const std::function<void()> &work)
{
    try {
        work();
    } catch (const VarnexError &e) {
        Prompter::current().error(Varnex::ProgramName, e.message());
    }
}

void TSampleTemplateBrowserFrm::ShowTemplateEditor(const QString &uuid)
{
    TSampleTemplateEditFrm::ShowEditor(this, uuid);
}

void TSampleTemplateBrowserFrm::ShowSampleEditor(const QString &sampleUuid)
{
    auto defaults = std::make_unique<TSampleEditFrmDefaults>();
    defaults->uuid = sampleUuid;
    TSampleEditFrm::ShowEditor(this, std::move(defaults));
}

bool TSampleTemplateBrowserFrm::CanCreateSampleFromCurrent() const
{
    const int row = grdTemplates->currentRow();
    return row >= 0 && qryIBOSample->value(row, u"PARENT_ID"_s).toLongLong() >= 0;
}

void TSampleTemplateBrowserFrm::actShowNewSampleExecute()
{
    ShowTemplateEditor(QString());
    RefreshData();
    RefreshList();
}

void TSampleTemplateBrowserFrm::actShowViewSampleExecute()
{
    const QString uuid = CurrentUuid();
    if (uuid.isEmpty())
        return;
    RefreshData();
    try {
        ShowTemplateEditor(uuid);
    } catch (const VarnexError &) {
        // A template a synchronisation removed leaves the list too.
        RefreshList();
        throw;
    }
    RefreshList();
}

void TSampleTemplateBrowserFrm::actCreateSampleExecute()
{
    const QString uuid = CurrentUuid();
    if (uuid.isEmpty() || !CanCreateSampleFromCurrent()) {
        Prompter::current().information(Varnex::ProgramName, SelectTemplateMessage());
        return;
    }
    if (!Prompter::current().question(Varnex::ProgramName, CreateSampleQuestion()))
        return;
    const QString code = Maindm->GetNewSampleCode();
    const QString sampleUuid = SampleTemplateStore::createSampleFromTemplate(LocalDatabase(), uuid, code);
    // The sample exists from here on, whatever its editor does.
    ShowSampleEditor(sampleUuid);
}

void TSampleTemplateBrowserFrm::actDeleteSelectedExecute()
{
    const QString uuid = CurrentUuid();
    if (uuid.isEmpty())
        return;
    if (!Prompter::current().question(Varnex::ProgramName, DeleteTemplateQuestion()))
        return;
    SampleTemplateStore::retireTemplate(LocalDatabase(), uuid);
    RefreshList();
}

void TSampleTemplateBrowserFrm::actCopyTemplateExecute()
{
    const QString uuid = CurrentUuid();
    if (uuid.isEmpty())
        return;
    const QString copy = SampleTemplateStore::copyTemplate(LocalDatabase(), uuid);
    RefreshList(copy);
}

void TSampleTemplateBrowserFrm::actMaintainGroupsExecute()
{
    TSampleTemplateGroupMaintFRM::ShowGroups(this);
    RefreshList();
}
