#pragma once

#include "gui/DataGridView.h"
#include "gui/IBBaseAdvanced_FRM.h"

#include <functional>

class GridModel;
class QLabel;

// The list of one personality's sample templates (and their group rows), from which officers make
// samples and add, view, edit, copy and retire templates. The list is read-only and searched as the
// officer types. "Create Sample" makes an "ENTERED" sample under a new code in one step and opens
// it in the sample editor; the sample stays even when its editor is closed unsaved. A failing
// database step is shown with its text and leaves the list as it was.
//
// The food list: TSampleTemplateBrowserFrm, opened by the main window under "SampleTemplates"
// (not modal) and by the food sample browser under the same key (modal, ShowTemplates).
class TSampleTemplateBrowserFrm : public TIBBaseAdvancedfrm
{
    Q_OBJECT
public:
    static QString SelectTemplateMessage() { return QStringLiteral("Please select a template."); }
    static QString CreateSampleQuestion() { return QStringLiteral("Create a sample from selected template?"); }
    static QString DeleteTemplateQuestion() { return QStringLiteral("Delete selected template?"); }
    static QString FormKey() { return QStringLiteral("SampleTemplates"); }

    // Opens the list modally under its key, owned by owner (the sample browsers' "View templates").
    static void ShowTemplates(QObject *owner);

    explicit TSampleTemplateBrowserFrm(QObject *AOwner);
    ~TSampleTemplateBrowserFrm() override;

    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;
    QString Personality() const { return m_personality; }
    // The current row's UNIQUE_UUID; empty when the list has no current row.
    QString CurrentUuid() const;

    GridModel *qryIBOSample;
    DataGridView *grdTemplates;
    QLabel *lblHeader;

    QAction *actShowNewSample;
    QAction *actShowViewSample;
    QAction *actCreateSample;
    QAction *actDeleteSelected;
    QAction *actCopyTemplate;
    QAction *actMaintainGroups;

protected:
    TSampleTemplateBrowserFrm(QObject *AOwner, const QString &personality);

    bool FormCloseQuery() override;
    // The editor of the personality on a new template (uuid empty) or on uuid.
    virtual void ShowTemplateEditor(const QString &uuid);
    // The sample editor of the personality on a sample just made.
    virtual void ShowSampleEditor(const QString &sampleUuid);
    // Whether the current row may be turned into a sample (food: not a group row).
    virtual bool CanCreateSampleFromCurrent() const;
    virtual void actMaintainGroupsExecute();

    void actShowNewSampleExecute();
    void actShowViewSampleExecute();
    void actCreateSampleExecute();
    void actDeleteSelectedExecute();
    void actCopyTemplateExecute();
    void RefreshList(const QVariant &key = QVariant());
    void Guarded(const std::function<void()> &work);

private:
    void build();

    QString m_personality;
};
