#include "samples/ui/SampleTemplateGroupMaint_FRM.h"

#include "base/VarnexError.h"
#include "core/GeneralInfo.h"
#include "core/SampleCodes.h"
#include "samples/SampleRow.h"
#include "samples/SampleTemplates.h"
#include "store/SqlUtil.h"

#include <QLabel>

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

} // namespace

void TSampleTemplateGroupMaintFRM::ShowGroups(QObject *owner)
{
    auto defaults = std::make_unique<TSampleTemplateGroupMaintFRMDefaults>();
    defaults->OpenMode = mmoMaint;
    TBasefrm::CreateAndShow<TSampleTemplateGroupMaintFRM>(FormKey(), owner, true, std::move(defaults));
}

TSampleTemplateGroupMaintFRM::TSampleTemplateGroupMaintFRM(QObject *AOwner) : TIBCompatibleBaseMaintfrm(AOwner)
{
    setObjectName(S("SampleTemplateGroupMaintFRM"));
    setWindowTitle(S("Sample Template Groups"));
    auto *header = new QLabel(S("  Food sample template groups"), RzPanel2);
    header->setObjectName(S("lblHeader"));
    QFont f = header->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.3);
    header->setFont(f);
    RzPanel2->layout()->addWidget(header);

    SetListSql(S("SELECT T.UNIQUE_UUID, T.ID, T.UPDATE_ID, T.UNIQUE_ID, T.PARENT_ID, T.RECORD_TYPE, "
                 "T.TEMPLATE_DESCRIPTION, T.TEMPLATE_GROUP, T.FLAG_DELETED, T.LOCAL_AUTHORITY__CODE, "
                 "T.LOCAL_AUTH_OFFICE__CODE, "
                 "(SELECT COUNT(*) FROM SAMPLE_TEMPLATE C WHERE C.PARENT_ID = T.UNIQUE_ID "
                 "AND C.RECORD_TYPE = T.RECORD_TYPE AND C.FLAG_DELETED = 'F') AS TEMPLATES_IN_GROUP "
                 "FROM SAMPLE_TEMPLATE T "
                 "WHERE T.PARENT_ID = -1 AND T.RECORD_TYPE = 'FOOD' AND T.FLAG_DELETED = 'F'"));
    SetUpdateTable(S("SAMPLE_TEMPLATE"));
    SetGridColumns({{S("TEMPLATE_GROUP"), S("Group")},
                    {S("TEMPLATES_IN_GROUP"), S("Templates in group")},
                    {S("FLAG_DELETED"), S("Retired")}});
    grdData->setCheckColumn(S("FLAG_DELETED"));
    SetDefaultSort({{S("TEMPLATE_DESCRIPTION"), Qt::AscendingOrder}});

    edtGroupName = AddDataEditor<TzqcxDBTextEdit>(S("Group name"), S("TEMPLATE_DESCRIPTION"), 1);
    SetEditorTag(edtGroupName, 1);
    // The name is copied into TEMPLATE_GROUP, which is the shorter column.
    edtGroupName->setMaxLength(TemplateGroupNameLength);
}

void TSampleTemplateGroupMaintFRM::NewRecord(SqlDataSet &row)
{
    TIBCompatibleBaseMaintfrm::NewRecord(row);
    const qint64 g = nextGeneratorValue(LocalDatabase(), S("GEN_SAMPLE_TEMPLATE_ID"));
    DataSetRow values(row);
    initialiseNewTemplateGroup(values, g, GetNewUUIDString(), Settings().LocalAuthorityCode(),
                               Settings().LocalAuthorityOfficeCode());
}

void TSampleTemplateGroupMaintFRM::BeforePost(SqlDataSet &row)
{
    const QString name = row.text(S("TEMPLATE_DESCRIPTION"));
    if (name.size() > TemplateGroupNameLength)
        RefusePost(edtGroupName, S("A group name holds at most %1 characters.").arg(TemplateGroupNameLength));
    row.setValue(S("TEMPLATE_GROUP"), name);
}

void TSampleTemplateGroupMaintFRM::actDeleteExecute()
{
    if (qryIBOData->isEditing() || qryIBOData->recNo() < 0)
        return;
    // Counted afresh: a template may have joined the group since the list was read.
    const QVariant templates =
        SqlUtil::scalar(LocalDatabase(),
                        S("SELECT COUNT(*) FROM SAMPLE_TEMPLATE WHERE PARENT_ID = ? AND RECORD_TYPE = 'FOOD' "
                          "AND FLAG_DELETED = 'F'"),
                        {qryIBOData->value(S("UNIQUE_ID"))});
    if (templates.toLongLong() != 0)
        throw VarnexError(GroupHasTemplatesMessage);
    SoftDeleteCurrentRow();
}
