#include "samples/ui/SampleBrowser_FRM.h"

#include "samples/ui/SampleRowActions.h"

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "exchange/SampleExport_DM.h"
#include "layouts/GridViewStorage_DM.h"
#include "reports/SamplePrint_DM.h"
#include "samples/SampleRecord.h"
#include "samples/SampleTemplates.h"
#include "samples/ui/SampleTemplateAnimalFeedsBrowser_FRM.h"
#include "samples/ui/SampleTemplateBrowser_FRM.h"
#include "samples/ui/SampleTemplateEditAnimalFeeds_FRM.h"
#include "samples/ui/SampleTemplateEdit_FRM.h"
#include "store/SqlUtil.h"

#include <QRegularExpression>

// The sample browser's actions: what each one does, and whether the parts of the program it needs
// are there. Making them and wiring them to the widgets is the form's.

namespace {

using namespace SampleStatus;

QString TitleOf(const QWidget *w)
{
    return w->windowTitle().isEmpty() ? Varnex::ProgramName : w->windowTitle();
}

// What a database procedure refused, as its own text: the exception's message without the
// database's frame around it ("exception 1 - E_PROCEDURE_INPUT - ... - At procedure ...").
QString procedureMessage(const QString &databaseText)
{
    static const QRegularExpression raised(
        QStringLiteral("exception\\s+\\d+\\s*-\\s*E_PROCEDURE_INPUT\\s*-\\s*(.*?)\\s*-\\s*At (?:procedure|trigger|block)"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = raised.match(databaseText);
    return m.hasMatch() ? m.captured(1) : databaseText;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// What the window layer registers

namespace {

QHash<QString, TSampleBrowserFrm::SampleEditorOpener> &editorOpeners()
{
    static QHash<QString, TSampleBrowserFrm::SampleEditorOpener> openers;
    return openers;
}

TSampleBrowserFrm::OfficeChooser &officeChooser()
{
    static TSampleBrowserFrm::OfficeChooser chooser;
    return chooser;
}

TSampleBrowserFrm::ExportModuleFactory &exportFactory()
{
    static TSampleBrowserFrm::ExportModuleFactory factory;
    return factory;
}

TSampleBrowserFrm::XmlRangeExporter &xmlExporter()
{
    static TSampleBrowserFrm::XmlRangeExporter exporter;
    return exporter;
}

} // namespace

void TSampleBrowserFrm::SetSampleEditorOpener(const QString &personality, SampleEditorOpener opener)
{
    if (opener)
        editorOpeners().insert(personality, std::move(opener));
    else
        editorOpeners().remove(personality);
}

void TSampleBrowserFrm::SetOfficeChooser(OfficeChooser chooser)
{
    officeChooser() = std::move(chooser);
}

void TSampleBrowserFrm::SetExportModuleFactory(ExportModuleFactory factory)
{
    exportFactory() = std::move(factory);
}

void TSampleBrowserFrm::SetXmlRangeExporter(XmlRangeExporter exporter)
{
    xmlExporter() = std::move(exporter);
}

// ---------------------------------------------------------------------------------------------
// Availability

bool TSampleBrowserFrm::RuleAllows(const QAction *action)
{
    const QVariant rule = action->property("ruleAllows");
    return !rule.isValid() || rule.toBool();
}

void TSampleBrowserFrm::updateAvailability()
{
    const auto available = [this](QAction *a) {
        if (m_unavailable.contains(a))
            return false;
        if (a == actShowNewSample || a == actShowEditSample)
            return editorOpeners().contains(m_config.personality);
        if (a == actStoreGridLayout || a == actRestoreSavedLayout || a == actSaveToExcel)
            return GridViewStorageDm != nullptr;
        if (a == actExportRecords || a == actExportToFile)
            return bool(exportFactory());
        if (a == actExportToXML)
            return bool(xmlExporter());
        if (a == actUpdateSampleOffice)
            return bool(officeChooser());
        return true;
    };
    for (QAction *a : actions()) {
        const bool ok = available(a);
        a->setEnabled(ok && RuleAllows(a));
        if (!ok)
            a->setToolTip(NotAvailableText());
        else if (a->toolTip() == NotAvailableText())
            a->setToolTip(QString());
    }
}

// ---------------------------------------------------------------------------------------------
// Actions

QString TSampleBrowserFrm::title() const
{
    return TitleOf(this);
}

void TSampleBrowserFrm::guarded(const std::function<void()> &work)
{
    try {
        work();
    } catch (const VarnexError &e) {
        Prompter::current().error(title(), procedureMessage(e.message()));
    }
}

void TSampleBrowserFrm::actShowNewSampleExecute()
{
    const SampleEditorOpener open = editorOpeners().value(m_config.personality);
    if (!open)
        return;
    open(this, QString());
    afterListChange();
}

void TSampleBrowserFrm::actShowEditSampleExecute()
{
    const QString uuid = CurrentUuid();
    const SampleEditorOpener open = editorOpeners().value(m_config.personality);
    if (!open || uuid.isEmpty())
        return;
    open(this, uuid);
    afterListChange();
}

void TSampleBrowserFrm::actDuplicateSampleExecute()
{
    const QString uuid = CurrentUuid();
    if (uuid.isEmpty())
        return;
    const QString copy = SampleRowActions::DuplicateSample(this, uuid);
    const SampleEditorOpener open = editorOpeners().value(m_config.personality);
    if (!copy.isEmpty() && open)
        open(this, copy);
    afterListChange();
}

void TSampleBrowserFrm::actUpdateProsecutionExecute()
{
    const QString code = CurrentCode();
    if (code.isEmpty())
        return;
    if (SampleRowActions::SetProsecution(this, code))
        afterListChange();
}

void TSampleBrowserFrm::showClientOutcomes(const QString &headingCode)
{
    const QString code = CurrentCode();
    if (!code.isEmpty())
        SampleRowActions::ShowClientOutcomes(this, code, headingCode);
}

void TSampleBrowserFrm::actDeleteSelectedExecute()
{
    const QString uuid = CurrentUuid();
    if (uuid.isEmpty())
        return;
    const QString question = CurrentStatus() == Exported ? CancelQuestion() : DeleteQuestion();
    if (!Prompter::current().question(title(), question))
        return;
    SqlUtil::exec(LocalDatabase(), SampleBrowserConfig::deleteSampleSql(), {uuid});
    afterListChange();
    if (m_config.clearsSelectionAfterDelete)
        grdSampleView->clearSelectedRows();
}

void TSampleBrowserFrm::actCreateTemplateExecute()
{
    const QString uuid = CurrentUuid();
    if (uuid.isEmpty() || !Prompter::current().question(title(), CreateTemplateQuestion()))
        return;
    const QString templateUuid = SampleTemplateStore::createTemplateFromSample(LocalDatabase(), uuid);
    // The list shows samples, not templates: it stays as it is.
    if (m_config.personality == Varnex::PersonalityAnimalFeed)
        TSampleTemplateEditAnimalFeedsFrm::ShowEditor(this, templateUuid, TSampleTemplateEditAnimalFeedsFrm::FormKey());
    else
        TSampleTemplateEditFrm::ShowEditor(this, templateUuid);
}

void TSampleBrowserFrm::actViewTemplatesExecute()
{
    if (m_config.personality == Varnex::PersonalityAnimalFeed)
        TSampleTemplateAnimalFeedsBrowserFrm::ShowTemplates(this);
    else
        TSampleTemplateBrowserFrm::ShowTemplates(this);
}

void TSampleBrowserFrm::runExport(bool toFile)
{
    if (!exportFactory())
        return;
    // An engine for this one export, gone with it, also when it fails.
    const std::unique_ptr<TSampleExportDM> engine = exportFactory()();
    if (!engine)
        throw VarnexError(QStringLiteral("The laboratory export is not available."));
    struct AfterExport
    {
        TSampleBrowserFrm *form;
        ~AfterExport() { form->afterListChange(); }
    } after{this};
    if (toFile)
        engine->RunExportToDisk(m_config.personality);
    else
        engine->RunExport(m_config.personality);
}

void TSampleBrowserFrm::actExportRecordsExecute()
{
    runExport(false);
}

void TSampleBrowserFrm::actExportToFileExecute()
{
    runExport(true);
}

void TSampleBrowserFrm::actExportToXMLExecute()
{
    if (!xmlExporter())
        return;
    const QStringList uuids = selectedUuids();
    if (!uuids.isEmpty())
        xmlExporter()(this, uuids);
}

void TSampleBrowserFrm::actPrintSampleExecute()
{
    const std::unique_ptr<TSamplePrintDM> module = printModuleForSelection();
    (module.get()->*m_config.printForm)();
}

void TSampleBrowserFrm::actPrintLabelExecute(QObject *sender)
{
    const std::unique_ptr<TSamplePrintDM> module = printModuleForSelection();
    if (sender == actPrintA4Label)
        module->PrintA4Label();
    else
        module->PrintLabel();
}

void TSampleBrowserFrm::actPrintReportExecute()
{
    // Every selected sample must have its results: a report of one without them would print as if
    // the laboratory had found nothing.
    const QList<SelectedSample> samples = SelectedSamples();
    for (const SelectedSample &s : samples) {
        if (s.status != Complete) {
            Prompter::current().information(title(), CompleteOnlyMessage());
            return;
        }
    }
    auto module = std::make_unique<TSamplePrintDM>();
    for (const SelectedSample &s : samples)
        module->AddSampleToReport(s.uuid);
    (module.get()->*m_config.printResults)();
}

void TSampleBrowserFrm::actUpdateSampleOfficeExecute()
{
    if (!officeChooser())
        return;
    const QString code = officeChooser()(this);
    const std::unique_ptr<TSamplePrintDM> module = printModuleForSelection();
    struct AfterUpdate
    {
        TSampleBrowserFrm *form;
        ~AfterUpdate() { form->afterListChange(); }
    } after{this};
    module->DoSampleOfficeUpdate(code);
}

void TSampleBrowserFrm::actDesignReportExecute()
{
    if (Maindm)
        Maindm->ReportDesignEnabled = !Maindm->ReportDesignEnabled;
}
