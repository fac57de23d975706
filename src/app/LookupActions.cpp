#include "app/LookupActions.h"

#include "app/Main_FRM.h"
#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "core/Main_DM.h"
#include "reference/LookupData_DM.h"
#include "reference/OptionalLookupData_DM.h"
#include "reference/ui/OptionalLookupListMaint_FRM.h"
#include "reference/ui/CategoryTree_FRM.h"

std::unique_ptr<TLookupDataDm> NewLookupDataDm(TMaindm &maindm, QObject *parent)
{
    TMaindm *dm = &maindm;
    return std::make_unique<TLookupDataDm>([dm]() { return dm->ibConnection(); },
                                           [dm]() { return dm->LocalLaboratories(); }, parent);
}

LookupDataModule::LookupDataModule(TMaindm &maindm) : m_module(NewLookupDataDm(maindm))
{
    TLookupDataDm::ShowLoadProblems(m_module->RefreshDatasetsFromDatabase());
    LookupDataDm = m_module.get();
    TMaindm *dm = &maindm;
    m_optional = std::make_unique<TOptionalLookupDataDM>([dm]() { return dm->ibConnection(); });
    OptionalLookupDataDM = m_optional.get();
}

LookupDataModule::~LookupDataModule()
{
    if (LookupDataDm == m_module.get())
        LookupDataDm = nullptr;
    if (OptionalLookupDataDM == m_optional.get())
        OptionalLookupDataDM = nullptr;
}

void InstallLookupActions(TMainfrm &window, TMaindm &maindm)
{
    TMaindm *dm = &maindm;
    window.SetActionHandler(window.actSaveLookupdatetoFile, [dm]() {
        if (!Prompter::current().confirm(Varnex::ProgramName, QStringLiteral("Save Lookup Data to file")))
            return;
        NewLookupDataDm(*dm)->SaveDatasetsToFile();
    });
    TMainfrm *owner = &window;
    window.SetActionHandler(window.mnuCategoryTree, [owner]() {
        auto defaults = std::make_unique<TCategoryTreeFrmDefaults>();
        defaults->AllowEdits = true;
        TBasefrm::CreateAndShow<TCategoryTreeFrm>(QStringLiteral("CategoryTree"), owner, true, std::move(defaults));
    });
    window.SetActionHandler(window.actShowOptionalLookupListMaint, [owner]() {
        TBasefrm::CreateAndShow<TOptionalLookupListMaintFrm>(TMainfrm::ActionFormKey(owner->actShowOptionalLookupListMaint),
                                                             owner, false, std::make_unique<TOptionalLookupListMaintFrmDefaults>());
    });
    window.SetActionHandler(window.actShowOptionalLookupListAFMaint, [owner]() {
        TBasefrm::CreateAndShow<TOptionalLookupListAFMaintFrm>(
            TMainfrm::ActionFormKey(owner->actShowOptionalLookupListAFMaint), owner, false,
            std::make_unique<TOptionalLookupListMaintFrmDefaults>());
    });
}
