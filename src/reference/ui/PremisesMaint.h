#pragma once

#include "gui/IBCompatibleBaseMaint_FRM.h"
#include "gui/ZQCXDBEditControls.h"
#include "gui/ZQCXEditControls.h"

#include <QLabel>

// What tells the food and the feed premises registers apart.
struct PremisesRegister
{
    QString table;                // PREMISES_DETAIL or PREMISES_DETAIL_ANIMAL_FEED
    int fullAddressLength;        // the full address is cut to this many characters
    QString premisesTypeSource;   // lookup data sources ("srcPremisesType")
    QString riskCategorySource;
    QString riskCategoryFSSource; // empty: the register has no food standards risk category
    bool editsRegistrationNumber;
};

// The list-and-detail form of a premises register, shared by the food and the feed forms: the rows
// not retired, in CODE order, with the full address (CODE, name, the four address lines and the
// postcode joined by ", ") computed by the query; "Address Search:" filters the list as the user
// types, on the full address, letter case ignored and every character literal; a double-click
// accepts the row in picking mode. A new row belongs to the user's authority and office.
class PremisesMaintForm : public TIBCompatibleBaseMaintfrm
{
    Q_OBJECT
public:
    static QString FullAddressField() { return QStringLiteral("FULLADDRESS"); }

    QLabel *lblAddressSearch;
    TzqcxTextEdit *edtAddressSearch;
    TzqcxDBTextEdit *edtCode;
    TzqcxDBTextEdit *edtPremisesName;
    TzqcxDBTextEdit *edtAddress1;
    TzqcxDBTextEdit *edtAddress2;
    TzqcxDBTextEdit *edtAddress3;
    TzqcxDBTextEdit *edtAddress4;
    TzqcxDBTextEdit *edtPostcode;
    TzqcxDBLookupComboBox *cmbPremisesType;
    TzqcxDBLookupComboBox *cmbRiskCategory;
    TzqcxDBLookupComboBox *cmbRiskCategoryFS = nullptr;
    TzqcxDBTextEdit *edtRegistrationNumber = nullptr;

protected:
    PremisesMaintForm(QObject *AOwner, const PremisesRegister &reg);

    // The UNIQUE_UUID of the register's premises of that code that the list shows first (the
    // bookmark a picker opens on); empty when none is listed.
    static QString BookmarkForCode(const QString &table, const QString &code);

    void NewRecord(SqlDataSet &row) override;
    void grdDataDblClick() override;

private:
    void addressSearchChanged(const QString &text);
    TzqcxDBLookupComboBox *addLookup(const QString &caption, const QString &field, const QString &source);

    PremisesRegister m_register;
};
