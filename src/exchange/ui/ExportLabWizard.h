#pragma once

#include "gui/IBBaseAdvanced_FRM.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

class CheckListModel;
class GridModel;
class QButtonGroup;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QListView;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QVBoxLayout;
class TSampleExportDM;

// What the two laboratory export wizards share: the header with the personality, the route map,
// and three pages — the sampling officers, the laboratory, then sending (postbox) or saving
// (file), which each wizard fills in. The work itself is done by the export engine.
//
// Officers page: Next is enabled while at least one officer is ticked. Laboratory page: every
// laboratory with validated samples of the personality, each captioned with its number of samples
// for the ticked officers (recounted on every entry); Next is enabled when the chosen laboratory
// has samples. Send page: Finish is enabled once the samples went; until then Back and Cancel
// stay. While the engine works on a delivery, a moving bar says so, the buttons wait and the
// wizard cannot be closed.
class TExportLabWizard : public TIBBaseAdvancedfrm
{
    Q_OBJECT
public:
    enum Page { OfficersPage, LabPage, SendPage };

    explicit TExportLabWizard(QObject *AOwner);
    ~TExportLabWizard() override;

    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    QString FPersonality;
    QStringList FOfficerList;
    // One entry per listed laboratory, in list order: its code and its number of samples.
    QList<std::pair<QString, int>> FLabCodes;
    QStringList FLabNames;

    // Widgets.
    QLabel *lblHeader = nullptr;
    QListWidget *lstRouteMap = nullptr;
    QStackedWidget *Wizard = nullptr;
    QWidget *JvwSamplingOfficers = nullptr;
    QWidget *jvwLab = nullptr;
    QWidget *JvwSend = nullptr;
    QListView *edtOfficersCheckList = nullptr;
    GridModel *qryOfficers = nullptr;
    CheckListModel *officerChecks = nullptr;
    QGroupBox *grpLabs = nullptr;
    QButtonGroup *grpLabsButtons = nullptr;
    QList<QRadioButton *> labItems;
    QPushButton *btnSend = nullptr;
    QPushButton *btnBack = nullptr;
    QPushButton *btnNext = nullptr;
    QPushButton *btnFinish = nullptr;
    QPushButton *btnCancel = nullptr;
    QLabel *lblBusy = nullptr;
    QProgressBar *pbBusy = nullptr;

    Page CurrentPage() const;
    // The page's title, as the route map lists it.
    QString PageTitle(Page page) const;
    // Goes to the page as Next and Back do (entering the laboratory page recounts it).
    void ShowPage(Page page);
    // The selected laboratory: its index in FLabCodes, or -1.
    int SelectedLab() const;
    void SelectLab(int index);
    // The laboratory's caption, its description and its count: the name a delivery posts and
    // records.
    QString LabCaption(int index) const;
    // The engine the wizard works through: the global one, else its owner.
    TSampleExportDM *Engine() const;
    // Tells whether the samples went; on success only Finish is left.
    void SendFinished(bool ok, const QString &message);

protected:
    // The send page: a wizard adds its content to SendContent(), then calls FinishSendPage(),
    // which adds btnSend and the busy bar below it.
    QVBoxLayout *SendContent() const { return m_sendContent; }
    void FinishSendPage();
    // The officers that have validated samples; `:PERSONALITY` is set when the SQL names it.
    virtual QString OfficersSql() const = 0;
    // Whether the first laboratory is selected on entering the laboratory page.
    virtual bool SelectFirstLabOnEntry() const = 0;
    virtual void EnterSendPage() {}
    // Runs the delivery of btnSend.
    virtual void Send() = 0;
    virtual QString SentMessage() const = 0;
    // Whether btnSend may be pressed now (beyond the wizard's own state).
    virtual bool SendPossible() const { return true; }
    void UpdateButtons();
    // While the engine works on a delivery: the busy bar shows and the buttons wait.
    void setBusy(bool busy);
    void SetSendTitles(const QString &title, const QString &subtitle);

    bool FormCloseQuery() override;

private:
    QWidget *makePage(const QString &title, const QString &subtitle, QVBoxLayout **content);
    void buildWidgets();
    void buildOfficersPage();
    void buildLaboratoryPage();
    void buildSendPage();
    void buildButtons(QVBoxLayout *right);
    void openOfficers();
    void fillLabs();
    void enterLabPage();
    void recountLabs();
    void next();
    void back();
    void finish();

    QLabel *m_sendTitle = nullptr;
    QVBoxLayout *m_sendContent = nullptr;
    QHBoxLayout *m_sendButtonRow = nullptr;
    QHBoxLayout *m_busyRow = nullptr;
    QLabel *m_sendSubtitle = nullptr;
    QStringList m_pageCaptions;
    bool m_sent = false;
    bool m_busy = false;
};

// Lets the export engine open these wizards (RunExport, RunExportToDisk): modal, under the form
// name "ExportLab", owned by the engine, with the personality in a TExportLabFrmDefaults.
void InstallExportWizards();
