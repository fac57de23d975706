#include "app/ReferenceActions.h"

#include "app/Main_FRM.h"
#include "core/GeneralInfo.h"
#include "reference/ui/AFPremisesDetailMaintV5_FRM.h"
#include "reference/ui/LocalAuthDepartmentMaint_FRM.h"
#include "reference/ui/LocalAuthOfficeMaint_FRM.h"
#include "reference/ui/PremisesDetailMaintV5_FRM.h"

#include <memory>

namespace {

template <class TDefaults>
std::unique_ptr<TDefaults> maintenance()
{
    auto defaults = std::make_unique<TDefaults>();
    defaults->OpenMode = mmoMaint;
    return defaults;
}

template <class TForm, class TDefaults>
void openWithAuthority(TMainfrm &window, IVRXInfo &settings, QAction *action)
{
    auto defaults = maintenance<TDefaults>();
    defaults->LocalAuth = settings.LocalAuthorityCode();
    TBasefrm::CreateAndShow<TForm>(TMainfrm::ActionFormKey(action), &window, true, std::move(defaults));
}

} // namespace

void ReferenceActions::install(TMainfrm &window, IVRXInfo &settings)
{
    TMainfrm *w = &window;
    IVRXInfo *s = &settings;
    window.SetActionHandler(window.actShowLocalAuthOffices, [w, s]() {
        openWithAuthority<TLocalAuthOfficeMaintFrm, TLocalAuthOfficeMaintFrmDefaults>(*w, *s, w->actShowLocalAuthOffices);
    });
    window.SetActionHandler(window.actShowLocalAuthDepartments, [w, s]() {
        openWithAuthority<TLocalAuthDepartmentMaintFrm, TLocalAuthDepartmentMaintFrmDefaults>(*w, *s,
                                                                                             w->actShowLocalAuthDepartments);
    });
    window.SetActionHandler(window.actShowPremisesMaintFrm, [w]() {
        TBasefrm::CreateAndShow<TPremisesDetailMaintV5Frm>(TMainfrm::ActionFormKey(w->actShowPremisesMaintFrm), w, false,
                                                           maintenance<TPremisesDetailMaintV5FrmDefaults>());
    });
    window.SetActionHandler(window.actShowAFPremisesMaint, [w]() {
        TBasefrm::CreateAndShow<TAFPremisesDetailMaintV5Frm>(TMainfrm::ActionFormKey(w->actShowAFPremisesMaint), w, false,
                                                             maintenance<TAFPremisesDetailMaintV5FrmDrefaults>());
    });
}
