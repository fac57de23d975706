#pragma once

#include "gui/IBCompatibleBaseMaint_FRM.h"
#include "gui/ZQCXDBEditControls.h"
#include "reference/SampleOfficerMapper_DM.h"

class QLabel;
class QListWidget;
class QPushButton;

class TSampleOfficerMaintFrmDefaults : public TIBCompatibleBaseMaintFrmDefaults
{
};

// The authority's users, the sample officers (SAMPLE_OFFICER): code, name, login address and
// password, rights, office, suspension and the scope of data the officer's installation downloads.
// A code or an address that another officer has (deleted officers too; addresses in any letter
// case) is refused; the address is kept in lower case.
//
// The page "Mappings" maps the free-text officer names of completed samples to the current
// officer; "Apply Mappings" writes the mapped officers' codes into the completed samples. Names
// are mapped to an officer once he is saved.
class TSampleOfficerMaintFrm : public TIBCompatibleBaseMaintfrm
{
    Q_OBJECT
public:
    static QString CodeNote()
    {
        return QStringLiteral("Please note that the Code field should, where possible, match the code entered into "
                              "your local authority management system.");
    }
    static QString SaveFirstMessage()
    {
        return QStringLiteral("Save the officer before names are mapped to him.");
    }

    explicit TSampleOfficerMaintFrm(QObject *AOwner);
    ~TSampleOfficerMaintFrm() override;

    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    // The code of the current officer.
    QString CurrentOfficerCode() const;
    TSampleOfficerMapperDM &Mapper() const { return *m_mapper; }

    // Detail page.
    TzqcxDBTextEdit *edtCode;
    TzqcxDBTextEdit *edtName;
    TzqcxDBTextEdit *edtTelephone;
    TzqcxDBTextEdit *edtEmail;
    TzqcxDBTextEdit *edtPassword;
    TzqcxDBCheckBox *chkFood;
    TzqcxDBCheckBox *chkFeed;
    TzqcxDBCheckBox *chkAdmin;
    TzqcxDBLookupComboBox *cboOffice;
    TzqcxDBCheckBox *chkSuspended;
    TzqcxDBDateEdit *edtAutoSuspendDate;
    TzqcxDBRadioGroup *rgDataScope;
    QLabel *lblCodeNote;

    // Mappings page.
    QWidget *tabMappings;
    QLabel *lblMappingCode;
    QLabel *lblMappingName;
    QListWidget *lstOfficerNames;
    QListWidget *lstAvailableNames;
    QAction *actAddToMapping;
    QAction *actRemove;
    QAction *actApplyMappings;
    DataNavigator *dbnMappings;

    // Refreshes both lists of the Mappings page.
    void RefreshMappingLists();

protected:
    void NewRecord(SqlDataSet &row) override;
    void BeforePost(SqlDataSet &row) override;
    void PageControlChange(int index) override;

private:
    void buildMappingsPage();
    void loadOffices();
    void updateMappingActions();
    // Adds or removes the name selected in the list for the current officer, once he is saved.
    void changeMappings(QListWidget *list, void (TSampleOfficerMapperDM::*change)(const QString &, const QString &));
    void applyMappings();

    std::unique_ptr<TSampleOfficerMapperDM> m_mapper;
};
