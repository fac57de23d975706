#pragma once

#include "gui/Base_FRM.h"
#include "samples/ClientOutcomes.h"

#include <memory>

class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTreeWidget;

class TsampleClientOutcomesFrmDefaults : public TDefaultInfo
{
public:
    QString SampleCode;
    QString HeadingCode;
    CentralServerSettings Server;
};

// "Client outcomes": the outcomes the authority recorded on the central server for one sample
// under one heading. The right half lists the heading's categories and, beside them, its outcome
// texts, checked where the pair (selected category, outcome) is picked; the left half is the
// picked list, the working copy. "Save and close" replaces the saved outcomes with it in one
// change set; a failure is shown and the dialog stays open with the picked list as it was.
//
// Opened modally by the sample browsers under the keys "Labels" ("L") and "EnforcementOutcomes"
// ("X"); it holds its own server client, which goes with it when it closes.
class TSampleClientOutcomesFrm : public TBasefrm
{
    Q_OBJECT
public:
    explicit TSampleClientOutcomesFrm(QObject *AOwner);
    ~TSampleClientOutcomesFrm() override;

    // Logs in and loads the heading's lists and the sample's saved outcomes; throws VarnexError
    // with the server's message when either fails.
    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    QString SampleCode() const { return m_sampleCode; }
    QString HeadingCode() const { return m_headingCode; }
    QString HeadingDescription() const { return m_headingDescription; }
    QList<PickedOutcome> Picked() const;
    bool IsOutcomePicked(const OutcomeChoice &category, const OutcomeChoice &outcome) const;

    // Selecting a category; a double click also picks its first outcome.
    void lstCategoriesClick();
    void lstCategoriesDblClick();
    // Returns true when the server took the outcomes (the form is then closed).
    bool actSaveExecute();

    QListWidget *lstCategories;
    QListWidget *lstOutcomes;
    QTreeWidget *lstPicked;
    QPushButton *btnSave;
    QPushButton *btnClose;

private:
    void LoadOutcomes();
    void outcomeCheckChanged(QListWidgetItem *item);
    OutcomeChoice selectedCategory() const;
    void addPicked(const PickedOutcome &picked);

    QString m_sampleCode;
    QString m_headingCode;
    QString m_headingDescription;
    std::shared_ptr<ClientOutcomesSession> m_session;
    SampleOutcomes m_loaded;
    bool m_filling = false;
};
