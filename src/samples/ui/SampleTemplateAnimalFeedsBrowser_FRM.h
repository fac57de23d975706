#pragma once

#include "samples/ui/SampleTemplateBrowser_FRM.h"

// The list of the animal-feed sample templates, opened by the main window under
// "SampleTemplatesAnimalFeeds" (not modal) and by the animal-feed sample browser under
// "SampleTemplatesAF" (modal, ShowTemplates). It has no groups: any row, a group row too, may be
// turned into a sample.
class TSampleTemplateAnimalFeedsBrowserFrm : public TSampleTemplateBrowserFrm
{
    Q_OBJECT
public:
    static QString FormKey() { return QStringLiteral("SampleTemplatesAnimalFeeds"); }
    static QString SampleBrowserFormKey() { return QStringLiteral("SampleTemplatesAF"); }
    // The key under which the list opens the sample editor on a sample it made.
    static QString SampleEditorFormKey() { return QStringLiteral("SampleEditAF"); }

    // Opens the list modally under "SampleTemplatesAF", owned by owner.
    static void ShowTemplates(QObject *owner);

    explicit TSampleTemplateAnimalFeedsBrowserFrm(QObject *AOwner);

protected:
    void ShowTemplateEditor(const QString &uuid) override;
    void ShowSampleEditor(const QString &sampleUuid) override;
    bool CanCreateSampleFromCurrent() const override;
    void actMaintainGroupsExecute() override {}
};
