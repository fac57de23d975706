#pragma once

#include "gui/IBBaseAdvanced_FRM.h"
#include "gui/ZQCXController.h"
#include "gui/ZQCXDBEditControls.h"
#include "remote/DAData_DM.h"

#include <functional>
#include <memory>

class BackgroundCall;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;

class TSetupFrmDefaults : public TIBBaseAdvancedfrmDefaults
{
public:
    // Where the central server is and how to reach it, for the connection test.
    std::function<CentralServerSettings()> ServerSettings;
    // The folder whose "XMLImportDefinitions" the definition files are offered from; empty: the
    // program's folder.
    QString ProgramFolder;
};

// "Setup": the authority's settings (the one row of SYS_COMPANY) on five pages, the laboratories
// the authority uses, the server address and installation code, and a test of the connection to
// the central server. Opened modeless with the key "Setup"; closing hides it, and opening it again
// reads the row anew and returns to the first page.
//
// The row is edited after "Edit (F6)" (or typing) and written by "Save Changes (F7)"; a page change
// blanks default laboratories that are no longer in use, and then writes the row and says so once.
// After the laboratories in use change and are saved, the lookup module's list of laboratories in
// use is rebuilt.
class TSetupFrm : public TIBBaseAdvancedfrm
{
    Q_OBJECT
public:
    static QString UnsavedMessage() { return QStringLiteral("Please save or abandon current changes before leaving the form."); }
    static QString ConnectedMessage() { return QStringLiteral("Connected to Varnex support server!"); }
    static QString RefusedMessage() { return QStringLiteral("Unable to connect to server at supplied address."); }
    static QString NoRowMessage()
    {
        return QStringLiteral("The authority settings are not in this local store yet (SYS_COMPANY has no row); they "
                              "arrive with the next synchronisation. Nothing can be edited here until then.");
    }
    static QString BlankedMessage()
    {
        return QStringLiteral("One or more lab defaults have been blanked \n\rbecause they are not checked on the 'Use "
                              "selected labs only' list.\r\n\r\nPlease review the defaults on the 'Defaults' tab.");
    }
    // The columns of the default laboratories, in the order they are checked.
    static QStringList DefaultLabColumns();

    explicit TSetupFrm(QObject *AOwner);
    ~TSetupFrm() override;

    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    SqlDataSet *qryData;
    TzqcxFocusController *FocusController;
    QTabWidget *PageControl;
    QWidget *tabGeneral;
    QWidget *tabFood;
    QWidget *tabAnimalFeed;
    QWidget *tabSystem;
    QWidget *tabLaboratories;

    TzqcxDBComboBox *cboImportDefinitionFile;
    TzqcxDBCheckBox *chkWW3Dates;
    TzqcxDBCheckBox *chkIsoCountryCodes;
    TzqcxDBLookupComboBox *cboMicroLab;
    TzqcxDBLookupComboBox *cboChemLab;
    TzqcxDBRadioGroup *rgAnalysisType;
    TzqcxDBSpinEdit *edtDurabilityMin;
    TzqcxDBSpinEdit *edtDurabilityMax;
    TzqcxDBRadioGroup *rgDuplicateAnalysisType;
    TzqcxDBCheckBox *chkLaemsPremises;
    TzqcxDBLookupComboBox *cboFeedLab;
    TzqcxDBCheckBox *chkInternetLogin;
    TzqcxDBCheckBox *chkDontUpdate;
    TzqcxDBCheckBox *chkKeepAlive;
    QLabel *lblServerAddress;
    QLabel *lblInstallationCode;
    QPushButton *btnTestConnection;
    QListWidget *lstAllLabs;
    QListWidget *lstLabsInUse;
    QPushButton *btnInclude;
    QPushButton *btnIncludeAll;
    QPushButton *btnExclude;
    QPushButton *btnExcludeAll;

    // With the furniture's actSaveChanges ("Save Changes (F7)") and actCancelChanges ("Abandon
    // Changes").
    QAction *actEdit;
    QAction *actPrevPage;
    QAction *actNextPage;

    bool LabListChanged() const { return m_labListChanged; }
    // Whether the connection test is waiting for the server.
    bool IsTesting() const { return m_testing; }

public slots:
    void TestConnection();
    void IncludeSelected();
    void IncludeAll();
    void ExcludeSelected();
    void ExcludeAll();

protected:
    bool FormCloseQuery() override;
    void actCloseExecute() override;
    void actSaveChangesExecute() override;
    void actCancelChangesExecute() override;

private:
    void buildPages();
    void buildGeneralPage();
    void buildFoodPage();
    void buildAnimalFeedPage();
    void buildSystemPage();
    void buildLaboratoriesPage();
    // A bound choice of Micro, Chemical or no default analysis, saved as soon as it is clicked.
    TzqcxDBRadioGroup *analysisTypeGroup(QWidget *parent, const char *field);
    // A bound laboratory lookup, wide enough for the laboratories' names.
    TzqcxDBLookupComboBox *laboratoryBox(QWidget *parent, const char *field);
    QWidget *addPage(const QString &caption, const char *name);
    void fillDefinitionFiles();
    void openRow();
    void pageChanged(int index);
    void CheckDefaultLabs();
    void BuildLabLists();
    void moveLabs(QListWidget *from, QListWidget *to, bool all);
    void SetLabButtons();
    void SetLabListChanged();
    void rebuildFilteredLabs();
    void updateActions();
    void guarded(const std::function<void()> &work);

    std::function<CentralServerSettings()> m_serverSettings;
    QString m_programFolder;
    std::shared_ptr<BackgroundCall> m_test;
    bool m_labListChanged = false;
    bool m_blanked = false;
    bool m_testing = false;
    bool m_hasRow = false;
};
