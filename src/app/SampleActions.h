#pragma once

class IGeneralInfo;
class TMainfrm;

// Makes the main window's food "New sample" action open the food sample editor on a new sample,
// modally under the key "SampleEdit"; the editor's failures reach the window's error display.
// settings is handed to the editor as its settings interface; it must outlive the window.
namespace SampleActions {
void install(TMainfrm &window, IGeneralInfo &settings);
}
