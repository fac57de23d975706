#include "reference/ui/LocalAuthOfficeMaint_FRM.h"

#include "base/VarnexError.h"
#include "core/GeneralInfo.h"
#include "store/SqlUtil.h"

TLocalAuthOfficeMaintFrm::TLocalAuthOfficeMaintFrm(QObject *AOwner) : TIBCompatibleBaseMaintfrm(AOwner)
{
    setWindowTitle(QStringLiteral("Local Authority Offices"));
    // The authority is a bound value, read afresh each time the list is read.
    SetListSql(QStringLiteral("SELECT UNIQUE_UUID, CODE, OFFICE_CODE, LOCAL_AUTHORITY__CODE, DESCRIPTION, "
                              "LOCAL_AUTH_DEPT__UUID, FLAG_DELETED "
                              "FROM LOCAL_AUTH_OFFICE "
                              "WHERE FLAG_DELETED = 'F' AND LOCAL_AUTHORITY__CODE = :LOCAL_AUTHORITY_CODE"));
    SetUpdateTable(QStringLiteral("LOCAL_AUTH_OFFICE"));
    SetGridColumns({{QStringLiteral("OFFICE_CODE"), QStringLiteral("Code")},
                    {QStringLiteral("DESCRIPTION"), QStringLiteral("Description")}});
    SetDefaultSort({{QStringLiteral("OFFICE_CODE"), Qt::AscendingOrder}});

    edtOfficeCode = AddDataEditor<TzqcxDBTextEdit>(QStringLiteral("Code:"), QStringLiteral("OFFICE_CODE"), 1);
    edtOfficeCode->SetUpperCase(true);
    edtOfficeCode->setMaxLength(30);
    edtDescription = AddDataEditor<TzqcxDBTextEdit>(QStringLiteral("Description: "), QStringLiteral("DESCRIPTION"), 2);
    edtDescription->setMaxLength(100);
}

void TLocalAuthOfficeMaintFrm::PrepareQuery()
{
    SetQueryParam(QStringLiteral("LOCAL_AUTHORITY_CODE"), Settings().LocalAuthorityCode());
}

void TLocalAuthOfficeMaintFrm::BeforePost(SqlDataSet &row)
{
    const QString authority = Settings().LocalAuthorityCode();
    row.setValue(QStringLiteral("LOCAL_AUTHORITY__CODE"), authority);
    row.setValue(QStringLiteral("CODE"), authority + row.text(QStringLiteral("OFFICE_CODE")));
}

void TLocalAuthOfficeMaintFrm::actDeleteExecute()
{
    if (qryIBOData->isEditing() || qryIBOData->recNo() < 0)
        return;
    const QVariant officers =
        SqlUtil::scalar(LocalDatabase(),
                        QStringLiteral("SELECT COUNT(*) FROM SAMPLE_OFFICER "
                                       "WHERE LOCAL_AUTH_OFFICE__CODE = ? AND FLAG_DELETED IS DISTINCT FROM 'T'"),
                        {qryIBOData->text(QStringLiteral("CODE"))});
    if (officers.toLongLong() > 0)
        throw VarnexError(OfficersAssignedMessage());
    TIBCompatibleBaseMaintfrm::actDeleteExecute();
}
