#include "reference/ui/LocalAuthDepartmentMaint_FRM.h"

#include "core/GeneralInfo.h"

TLocalAuthDepartmentMaintFrm::TLocalAuthDepartmentMaintFrm(QObject *AOwner) : TIBCompatibleBaseMaintfrm(AOwner)
{
    setWindowTitle(QStringLiteral("Local Authority Departments"));
    SetListSql(QStringLiteral("SELECT UNIQUE_UUID, LOCAL_AUTHORITY__CODE, DESCRIPTION, FLAG_DELETED "
                              "FROM LOCAL_AUTH_DEPT "
                              "WHERE FLAG_DELETED = 'F' AND LOCAL_AUTHORITY__CODE = :LOCAL_AUTHORITY_CODE"));
    SetUpdateTable(QStringLiteral("LOCAL_AUTH_DEPT"));
    SetGridColumns({{QStringLiteral("DESCRIPTION"), QStringLiteral("Description")},
                    {QStringLiteral("FLAG_DELETED"), QStringLiteral("Deleted")}});
    grdData->setCheckColumn(QStringLiteral("FLAG_DELETED"));
    SetDefaultSort({{QStringLiteral("DESCRIPTION"), Qt::AscendingOrder}});

    edtDescription = AddDataEditor<TzqcxDBTextEdit>(QStringLiteral("Description: "), QStringLiteral("DESCRIPTION"), 2);
    edtDescription->setMaxLength(100);
    chkDeleted = AddDataEditor<TzqcxDBCheckBox>(QString(), QStringLiteral("FLAG_DELETED"));
    chkDeleted->setText(QStringLiteral("Deleted"));
}

void TLocalAuthDepartmentMaintFrm::PrepareQuery()
{
    SetQueryParam(QStringLiteral("LOCAL_AUTHORITY_CODE"), Settings().LocalAuthorityCode());
}

void TLocalAuthDepartmentMaintFrm::BeforePost(SqlDataSet &row)
{
    row.setValue(QStringLiteral("LOCAL_AUTHORITY__CODE"), Settings().LocalAuthorityCode());
}
