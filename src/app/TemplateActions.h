#pragma once

class TMainfrm;

// Makes the main window's two "Sample Templates" actions open the food and the animal-feed template
// lists, not modally, under the keys "SampleTemplates" and "SampleTemplatesAnimalFeeds"; their
// failures reach the window's error display.
namespace TemplateActions {
void install(TMainfrm &window);
}
