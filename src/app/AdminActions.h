#pragma once

#include "core/Registry_DM.h"

#include <memory>

class TGridViewStorageDm;
class TMaindm;
class TMainfrm;

// The administrator's work as the main window offers it, from login to close: the grid layout
// store (the global GridViewStorageDm, with its chooser and the Excel file question), the lookup
// table refresh ("Update lookup data tables", modal, key "LookupUpdate"), the setup form ("Setup",
// modeless and kept between openings) and the sample officers ("Sample Officers", modeless, in
// maintenance, key "SampleOfficers"). Who may use them is the window's rule (ApplySecurity).
class AdminActions
{
public:
    AdminActions(TMainfrm &window, TMaindm &maindm, const TRegistryDM &registry, const ProxyLogin &proxy);
    ~AdminActions();
    AdminActions(const AdminActions &) = delete;
    AdminActions &operator=(const AdminActions &) = delete;

private:
    TMainfrm &m_window;
    std::unique_ptr<TGridViewStorageDm> m_storage;
};
