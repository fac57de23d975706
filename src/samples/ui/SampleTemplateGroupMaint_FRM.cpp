#include "samples/ui/SampleTemplateGroupMaint_FRM.h"

#include "base/VarnexError.h"
#include "core/GeneralInfo.h"
#include "core/SampleCodes.h"
#include "samples/SampleRow.h"
#include "samples/SampleTemplates.h"
#include "store/SqlUtil.h"

#include <QLabel>

using namespace Qt::StringLiterals;

namespace {

} // namespace

void TSampleTemplateGroupMaintFRM::ShowGroups(QObject *owner)
{
    auto defaults = std::make_unique<TSampleTemplateGroupMaintFRMDefaults>();
    defaults->OpenMode = mmoMaint;
    TBasefrm::CreateAndShow<TSampleTemplateGroupMaintFRM>(FormKey(), owner, true, std::move(defaults));
}

TSampleTemplateGroupMaintFRM::TSampleTemplateGroupMaintFRM(QObject *AOwner) : TIBCompatibleBaseMaintfrm(AOwner)
{
    setObjectName(u"SampleTemplateGroupMaintFRM"_s);
    setWindowTitle(u"Sample Template Groups"_s);
    auto *header = new QLabel(u"  Food sample template groups"_s, RzPanel2);
    header->setObjectName(u"lblHeader"_s);
    QFont f = header->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.3);
    header->setFont(f);
    RzPanel2->layout()->addWidget(header);

    SetListSql(u"SELECT T.UNIQUE_UUID, T.ID, T.UPDATE_ID, T.UNIQUE_ID, T.PARENT_ID, T.RECORD_TYPE, "
               u"T.TEMPLATE_DESCRIPTION, T.TEMPLATE_GROUP, T.FLAG_DELETED, T.LOCAL_AUTHORITY__CODE, "
               u"T.LOCAL_AUTH_OFFICE__CODE, "
               u"(SELECT COUNT(*) FROM SAMPLE_TEMPLATE C WHERE C.PARENT_ID = T.UNIQUE_ID "
               u"AND C.RECORD_TYPE = T.RECORD_TYPE AND C.FLAG_DELETED = 'F') AS TEMPLATES_IN_GROUP "
               u"FROM SAMPLE_TEMPLATE T "
               u"WHERE T.PARENT_ID = -1 AND T.RECORD_TYPE = 'FOOD' AND T.FLAG_DELETED = 'F'"_s);
    SetUpdateTable(u"SAMPLE_TEMPLATE"_s);
    SetGridColumns({{u"TEMPLATE_GROUP"_s, u"Group"_s},
                    {u"TEMPLATES_IN_GROUP"_s, u"Templates in group"_s},
                    {u"FLAG_DELETED"_s, u"Retired"_s}});
    grdData->setCheckColumn(u"FLAG_DELETED"_s);
    SetDefaultSort({{u"TEMPLATE_DESCRIPTION"_s, Qt::AscendingOrder}});

    edtGroupName = AddDataEditor<TzqcxDBTextEdit>(u"Group name"_s, u"TEMPLATE_DESCRIPTION"_s, 1);
    SetEditorTag(edtGroupName, 1);
    // The name is copied into TEMPLATE_GROUP, which is the shorter column.
    edtGroupName->setMaxLength(TemplateGroupNameLength);
}

void TSampleTemplateGroupMaintFRM::NewRecord(SqlDataSet &row)
{
    TIBCompatibleBaseMaintfrm::NewRecord(row);
    const qint64 g = SqlUtil::nextGeneratorValue(LocalDatabase(), u"GEN_SAMPLE_TEMPLATE_ID"_s);
    DataSetRow values(row);
    initialiseNewTemplateGroup(values, g, GetNewUUIDString(), Settings().LocalAuthorityCode(),
                               Settings().LocalAuthorityOfficeCode());
}

void TSampleTemplateGroupMaintFRM::BeforePost(SqlDataSet &row)
{
    const QString name = row.text(u"TEMPLATE_DESCRIPTION"_s);
    if (name.size() > TemplateGroupNameLength)
        RefusePost(edtGroupName, u"A group name holds at most %1 characters."_s.arg(TemplateGroupNameLength));
    row.setValue(u"TEMPLATE_GROUP"_s, name);
}

void TSampleTemplateGroupMaintFRM::actDeleteExecute()
{
    if (qryIBOData->isEditing() || qryIBOData->recNo() < 0)
        return;
    // Counted afresh: a template may have joined the group since the list was read.
    const QVariant templates =
        SqlUtil::scalar(LocalDatabase(),
                        u"SELECT COUNT(*) FROM SAMPLE_TEMPLATE WHERE PARENT_ID = ? AND RECORD_TYPE = 'FOOD' "
                        u"AND FLAG_DELETED = 'F'"_s,
                        {qryIBOData->value(u"UNIQUE_ID"_s)});
    if (templates.toLongLong() != 0)
        throw VarnexError(GroupHasTemplatesMessage);
    SoftDeleteCurrentRow();
}
