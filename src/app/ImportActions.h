#pragma once

#include <QString>

#include <functional>

class TLookupDataDm;
class TMaindm;
class TMainfrm;

// The sample import as the main window offers it and as the command line runs it.

// Makes "Import Samples (xml)" open the import screen (modeless, key "ImportSamplesData") for the
// current personality. maindm must outlive the window.
void InstallImportActions(TMainfrm &window, TMaindm &maindm);

// The exit statuses of a batch run ("-filetoimport"), documented in the README. When several
// apply, the lowest wins.
namespace BatchExit {
constexpr int Done = 0;          // every sample imported, valid and uploaded
constexpr int StartUp = 1;       // start-up or the login failed
constexpr int ImportStopped = 2; // the import stopped, or the file had nothing to import
constexpr int UploadFailed = 3;  // the upload of the samples failed
constexpr int SampleInvalid = 4; // a sample did not validate
} // namespace BatchExit

struct BatchImportResult
{
    bool stopped = false;
    int imported = 0;
    int invalid = 0;
};

// The command line's import of the file (TImportSamplesXMLDM): every line of its log also goes to
// the current prompter (standard error in a batch run), the error that stopped it as an error.
// stopRequested is asked between records.
BatchImportResult ImportSamplesFile(const QString &fileName, TMaindm &maindm, const TLookupDataDm &lookups,
                                    const std::function<bool()> &stopRequested);

// The status of a batch run whose start-up and login succeeded.
int BatchExitStatus(const BatchImportResult &import, bool uploaded);
