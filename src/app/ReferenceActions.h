#pragma once

class TMainfrm;
class IVRXInfo;

// Makes the main window's reference-data actions open their forms: the offices and departments
// (modal, in maintenance mode) and the food and feed premises registers (modeless, key
// "PremisesMaint", in maintenance mode). Who may use them is the window's rule (ApplySecurity).
// settings gives the authority code the offices and departments are opened with; it must outlive
// the window.
namespace ReferenceActions {
void install(TMainfrm &window, IVRXInfo &settings);
}
