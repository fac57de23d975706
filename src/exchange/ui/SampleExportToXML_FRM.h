#pragma once

#include "gui/IBBaseAdvanced_FRM.h"
#include "gui/ZQCXEditControls.h"

class QCheckBox;
class QLabel;
class QProgressBar;

// "Sample export": exports the completed samples, of every personality, to a sample exchange
// document, optionally only those added or changed since their last export and only those taken
// since a date, and marks the exported samples as exported. Opened modeless by the main window
// under the key "SampleExportFrm"; works with the program's generator (VRXSampleXMLDM).
class TSampleExportToXMLFrm : public TIBBaseAdvancedfrm
{
    Q_OBJECT
public:
    explicit TSampleExportToXMLFrm(QObject *AOwner);

    QLabel *lblHeader = nullptr;
    QCheckBox *chkAllSamples = nullptr;
    QCheckBox *chkSamplesTakenSince = nullptr;
    TzqcxDateEdit *edtSampleDate = nullptr;
    QLabel *lblCount = nullptr;
    QLabel *lblProcessed = nullptr;
    QProgressBar *meter = nullptr;
    QAction *actExportSamples = nullptr; // "Export samples" (RzButton2)

protected:
    void actExportSamplesExecute();
    void chkSamplesTakenSinceClick();

private:
    void buildWidgets();
};
