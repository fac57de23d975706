#pragma once

#include "exchange/SampleExport_DM.h"

class TMainfrm;
class IVRXInfo;

// The sample browsers as the main window offers them, from login to close: "Browse Samples" opens
// the food or the animal-feed browser modeless under its key, and the browsers are given what they
// take from other parts of the program: each personality's sample editor, the offices list as
// their office picker, and a laboratory export engine for each export, reaching the central server
// through serverSettings. settings gives the editors their settings and the offices list its
// authority code; it must outlive the window.
class BrowserActions
{
public:
    BrowserActions(TMainfrm &window, IVRXInfo &settings, TMaindm &maindm,
                   TSampleExportDM::ServerSettingsSource serverSettings);
    ~BrowserActions();
    BrowserActions(const BrowserActions &) = delete;
    BrowserActions &operator=(const BrowserActions &) = delete;

private:
    TMainfrm &m_window;
};
