#include "samples/ui/SampleRowActions.h"

#include "base/Background.h"
#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "samples/ClientOutcomes.h"
#include "samples/DuplicateSample_DM.h"
#include "samples/ui/DuplicateSampleOptions_FRM.h"
#include "samples/ui/SampleClientOutcomes_Frm.h"

#include <QWidget>

namespace {

std::function<CentralServerSettings()> &serverSettingsSource()
{
    static std::function<CentralServerSettings()> source;
    return source;
}

CentralServerSettings serverSettings()
{
    return serverSettingsSource() ? serverSettingsSource()() : CentralServerSettings();
}

} // namespace

namespace SampleRowActions {

void SetServerSettingsSource(std::function<CentralServerSettings()> source)
{
    serverSettingsSource() = std::move(source);
}

QString DuplicateSample(QWidget *owner, const QString &uuid)
{
    TDuplicateSampleDm dm(
        Maindm->ibConnection(), [owner]() { return TDuplicateSampleOptionsFrm::Ask(owner); },
        []() { return Maindm->GetNewSampleCode(); });
    bool edit = false;
    const QString copy = dm.DuplicateSample(uuid, edit);
    return edit ? copy : QString();
}

bool SetProsecution(QWidget *, const QString &sampleCode)
{
    Prompter &prompter = Prompter::current();
    if (!prompter.question(Varnex::ProgramName, ProsecutionQuestion))
        return false;
    try {
        const CentralServerSettings settings = serverSettings();
        waitInBackground([settings, sampleCode]() { SetProsecutionOnServer(settings, sampleCode); });
        // Only a flag the server took is set here.
        SetLocalProsecutionFlag(Maindm->ibConnection(), sampleCode);
    } catch (const VarnexError &e) {
        prompter.error(Varnex::ProgramName, e.message());
        return false;
    }
    prompter.information(Varnex::ProgramName, UpdateSucceeded);
    return true;
}

void ShowClientOutcomes(QWidget *owner, const QString &sampleCode, const QString &headingCode)
{
    const QString key = headingCode == OutcomeHeading::Labelling ? QStringLiteral("Labels")
                                                                  : QStringLiteral("EnforcementOutcomes");
    auto defaults = std::make_unique<TsampleClientOutcomesFrmDefaults>();
    defaults->SampleCode = sampleCode;
    defaults->HeadingCode = headingCode;
    defaults->Server = serverSettings();
    defaults->Persist = false;
    try {
        TBasefrm::CreateAndShow<TSampleClientOutcomesFrm>(key, owner, true, std::move(defaults));
    } catch (const VarnexError &e) {
        // A dialog that could not load is not kept under its key.
        delete dynamic_cast<TSampleClientOutcomesFrm *>(TBasefrm::FindForm(owner, key));
        Prompter::current().error(Varnex::ProgramName, e.message());
    }
}

} // namespace SampleRowActions
