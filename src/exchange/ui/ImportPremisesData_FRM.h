#pragma once

#include "exchange/ui/ImportScreenParts.h"
#include "gui/IBBaseAdvanced_FRM.h"

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
struct PremisesImportCounts;

// Opens the premises import for a personality ("FOOD", or "ANIMAL FEED"; "FOOD" when none is given).
class TImportPremisesInfoFrmDefaults : public TIBBaseAdvancedfrmDefaults
{
public:
    QString Personality;
};

// "Import Premises Data": loads a premises register from a CSV file or one of the three XML
// layouts into the register of the screen's personality, in one transaction of the form's own
// connection: the whole file or, when anything in it is wrong, nothing. The counts say how many
// records the file holds and how many were inserted, updated, skipped and processed; with "Remove
// current records" ticked, a load that wrote premises also marks deleted the server's premises the
// file did not bring. While a load runs the screen cannot be closed and starts no other load.
class TImportPremisesInfoFrm : public TIBBaseAdvancedfrm
{
    Q_OBJECT
public:

    explicit TImportPremisesInfoFrm(QObject *AOwner);

    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    QString Personality() const { return FPersonality; }
    bool LoadingInProgress() const { return fLoadingInProgress; }


    QLabel *lblHeader = nullptr;
    QLineEdit *edtDataFileName = nullptr;
    QCheckBox *chkEmptyFile = nullptr;
    QLabel *lblRecordCount = nullptr;
    QLabel *lblInserted = nullptr;
    QLabel *lblUpdated = nullptr;
    QLabel *lblSkipped = nullptr;
    QLabel *lblProcessed = nullptr;
    QProgressBar *RzMeter1 = nullptr;
    QAction *actOpenFileDialog = nullptr;
    QAction *actLoadFromFIle = nullptr;
    QAction *actTranslations = nullptr;

    void actOpenFileDialogExecute();
    void actLoadFromFIleExecute();
    void actTranslationsExecute();

protected:
    bool FormCloseQuery() override;

private:
    template <class Screen>
    friend void ImportScreenParts::connectImportActions(Screen *);

    void buildWidgets();
    void updateActions();
    void showCounts(const PremisesImportCounts &counts);

    QString FPersonality;
    bool fLoadingInProgress = false;
};
