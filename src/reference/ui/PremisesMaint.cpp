#include "reference/ui/PremisesMaint.h"

#include "core/GeneralInfo.h"
#include "reference/LookupData_DM.h"
#include "store/SqlUtil.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

QString listSql(const PremisesRegister &reg)
{
    // Every part of the address is there, empty or not, so that the separators stay in place.
    const QString joined = QStringLiteral(
        "COALESCE(CODE, '') || ', ' || COALESCE(PREMISES_NAME, '') || ', ' || "
        "COALESCE(BUSINESS_ADDR_1, '') || ', ' || COALESCE(BUSINESS_ADDR_2, '') || ', ' || "
        "COALESCE(BUSINESS_ADDR_3, '') || ', ' || COALESCE(BUSINESS_ADDR_4, '') || ', ' || "
        "COALESCE(BUSINESS_POSTCODE, '')");
    return QStringLiteral("SELECT UNIQUE_UUID, CODE, PREMISES_NAME, BUSINESS_ADDR_1, BUSINESS_ADDR_2, BUSINESS_ADDR_3, "
                          "BUSINESS_ADDR_4, BUSINESS_POSTCODE, PREMISES_TYPE__CODE, RISK_CATEGORY__CODE, "
                          "RISK_CATEGORY_FOOD_STAND__CODE, REGISTRATION_NUMBER, LOCAL_AUTHORITY__CODE, "
                          "LOCAL_AUTH_OFFICE__CODE, FLAG_DELETED, "
                          "CAST(SUBSTRING(%1 FROM 1 FOR %2) AS VARCHAR(%2)) AS FULLADDRESS "
                          "FROM %3 WHERE FLAG_DELETED IS DISTINCT FROM 'T'")
        .arg(joined)
        .arg(reg.fullAddressLength)
        .arg(SqlUtil::quoteIdentifier(reg.table));
}

} // namespace

PremisesMaintForm::PremisesMaintForm(QObject *AOwner, const PremisesRegister &reg)
    : TIBCompatibleBaseMaintfrm(AOwner), m_register(reg)
{
    setWindowTitle(QStringLiteral("Premises"));
    SqlUtil::requireIdentifier(reg.table, "table");
    SetListSql(listSql(reg));
    SetUpdateTable(reg.table);
    QList<GridColumn> columns = {{QStringLiteral("CODE"), QStringLiteral("Code")},
                                 {QStringLiteral("PREMISES_NAME"), QStringLiteral("Premises name")},
                                 {QStringLiteral("BUSINESS_ADDR_1"), QStringLiteral("Address 1")},
                                 {QStringLiteral("BUSINESS_ADDR_2"), QStringLiteral("Address 2")},
                                 {QStringLiteral("BUSINESS_ADDR_3"), QStringLiteral("Address 3")},
                                 {QStringLiteral("BUSINESS_ADDR_4"), QStringLiteral("Address 4")},
                                 {QStringLiteral("BUSINESS_POSTCODE"), QStringLiteral("Postcode")},
                                 {QStringLiteral("PREMISES_TYPE__CODE"), QStringLiteral("Premises Type")},
                                 {QStringLiteral("RISK_CATEGORY__CODE"), QStringLiteral("Risk Category")}};
    if (!reg.riskCategoryFSSource.isEmpty())
        columns << GridColumn{QStringLiteral("RISK_CATEGORY_FOOD_STAND__CODE"), QStringLiteral("Risk Category (FS)")};
    if (reg.editsRegistrationNumber)
        columns << GridColumn{QStringLiteral("REGISTRATION_NUMBER"), QStringLiteral("Registration number")};
    SetGridColumns(columns);
    SetDefaultSort({{QStringLiteral("CODE"), Qt::AscendingOrder}});

    // The address search above the list.
    auto *searchBar = new QWidget(TabBrowse);
    searchBar->setObjectName(QStringLiteral("pnlAddressSearch"));
    auto *searchLayout = new QHBoxLayout(searchBar);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    lblAddressSearch = new QLabel(QStringLiteral("Address Search:"), searchBar);
    edtAddressSearch = new TzqcxTextEdit(searchBar);
    edtAddressSearch->setObjectName(QStringLiteral("edtAddressSearch"));
    edtAddressSearch->setClearButtonEnabled(true);
    lblAddressSearch->setBuddy(edtAddressSearch);
    searchLayout->addWidget(lblAddressSearch);
    searchLayout->addWidget(edtAddressSearch, 1);
    qobject_cast<QVBoxLayout *>(TabBrowse->layout())->insertWidget(0, searchBar);
    connect(edtAddressSearch, &QLineEdit::textChanged, this, [this](const QString &text) {
        Guarded([&]() { addressSearchChanged(text); });
    });

    edtCode = AddDataEditor<TzqcxDBTextEdit>(QStringLiteral("Code"), QStringLiteral("CODE"), 1);
    edtCode->SetUpperCase(true);
    edtCode->setMaxLength(30);
    edtPremisesName = AddDataEditor<TzqcxDBTextEdit>(QStringLiteral("Premises name"), QStringLiteral("PREMISES_NAME"), 2);
    edtAddress1 = AddDataEditor<TzqcxDBTextEdit>(QStringLiteral("Address"), QStringLiteral("BUSINESS_ADDR_1"));
    edtAddress2 = AddDataEditor<TzqcxDBTextEdit>(QString(), QStringLiteral("BUSINESS_ADDR_2"));
    edtAddress3 = AddDataEditor<TzqcxDBTextEdit>(QString(), QStringLiteral("BUSINESS_ADDR_3"));
    edtAddress4 = AddDataEditor<TzqcxDBTextEdit>(QString(), QStringLiteral("BUSINESS_ADDR_4"));
    for (TzqcxDBTextEdit *e : {edtPremisesName, edtAddress1, edtAddress2, edtAddress3, edtAddress4})
        e->setMaxLength(50);
    edtPostcode = AddDataEditor<TzqcxDBTextEdit>(QStringLiteral("Postcode"), QStringLiteral("BUSINESS_POSTCODE"));
    edtPostcode->SetUpperCase(true);
    edtPostcode->setMaxLength(10);
    cmbPremisesType = addLookup(QStringLiteral("Premises Type"), QStringLiteral("PREMISES_TYPE__CODE"), reg.premisesTypeSource);
    cmbRiskCategory = addLookup(QStringLiteral("Risk Category"), QStringLiteral("RISK_CATEGORY__CODE"), reg.riskCategorySource);
    if (!reg.riskCategoryFSSource.isEmpty())
        cmbRiskCategoryFS = addLookup(QStringLiteral("Risk Category (FS)"), QStringLiteral("RISK_CATEGORY_FOOD_STAND__CODE"),
                                      reg.riskCategoryFSSource);
    if (reg.editsRegistrationNumber) {
        edtRegistrationNumber =
            AddDataEditor<TzqcxDBTextEdit>(QStringLiteral("Registration number"), QStringLiteral("REGISTRATION_NUMBER"));
        edtRegistrationNumber->setMaxLength(15);
    }
}

TzqcxDBLookupComboBox *PremisesMaintForm::addLookup(const QString &caption, const QString &field, const QString &source)
{
    auto *combo = AddDataEditor<TzqcxDBLookupComboBox>(caption, field);
    combo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The lists are the program's lookup module's, made after login; without it the box shows the
    // stored code alone.
    if (LookupDataDm)
        combo->SetListSource(LookupDataDm->DataSource(source), QStringLiteral("Code"), QStringLiteral("Description"));
    return combo;
}

QString PremisesMaintForm::BookmarkForCode(const QString &table, const QString &code)
{
    SqlUtil::requireIdentifier(table, "table");
    return SqlUtil::scalar(MainConnection(),
                           QStringLiteral("SELECT FIRST 1 UNIQUE_UUID FROM %1 WHERE CODE = ? "
                                          "AND FLAG_DELETED IS DISTINCT FROM 'T' ORDER BY UNIQUE_UUID")
                               .arg(SqlUtil::quoteIdentifier(table)),
                           {code})
        .toString();
}

void PremisesMaintForm::addressSearchChanged(const QString &text)
{
    // CONTAINING: letter case ignored, and % or _ are characters like any other.
    if (text.isEmpty())
        qryList->setFilter({});
    else
        qryList->setFilter({{FullAddressField(), GridCondition::Contains, text}});
}

void PremisesMaintForm::NewRecord(SqlDataSet &row)
{
    TIBCompatibleBaseMaintfrm::NewRecord(row);
    IVRXInfo &settings = Settings();
    row.setValue(QStringLiteral("LOCAL_AUTHORITY__CODE"), settings.LocalAuthorityCode());
    row.setValue(QStringLiteral("LOCAL_AUTH_OFFICE__CODE"), settings.LocalAuthorityOfficeCode());
}

void PremisesMaintForm::grdDataDblClick()
{
    if (Mode() == mmoBrowse)
        close();
}
