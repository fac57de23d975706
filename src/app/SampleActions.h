#pragma once

class IGeneralInfo;
class TMainfrm;

// Makes the main window's "New sample" actions open the sample editor of their personality on a
// new sample, modally under the keys "SampleEdit" (food) and "SampleEditAnimalFeeds" (feed); the
// editor's failures reach the window's error display.
// settings is handed to the editor as its settings interface; it must outlive the window.
namespace SampleActions {
void install(TMainfrm &window, IGeneralInfo &settings);
}
