#pragma once

#include "exchange/ui/ImportScreenParts.h"
#include "gui/IBBaseAdvanced_FRM.h"

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TSampleImportXMLDM;

// Opens the sample import screen for a personality ("FOOD" or "ANIMAL FEED").
class TImportSamplesInfoFrmDefaults : public TIBBaseAdvancedfrmDefaults
{
public:
    QString Personality;
    // The folder whose "XMLImportDefinitions" holds the field definitions; empty: the program's.
    QString ProgramFolder;
};

// "Import Samples Data": imports every record of a sample XML file as a new sample of the screen's
// personality, through the field definitions and the translation terms, on the form's own
// connection (each sample committed by itself). The counts say how many records were inserted and
// how many the database refused; the messages list, per record, what was left out or emptied and
// why a record was refused. A run that stops (a file that is not XML, not well-formed or without
// records, definitions that cannot be read) imports nothing and says why; "Import Complete" is
// shown only when every record was inserted.
class TImportSamplesInfoFrm : public TIBBaseAdvancedfrm
{
    Q_OBJECT
public:

    explicit TImportSamplesInfoFrm(QObject *AOwner);
    ~TImportSamplesInfoFrm() override;

    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    QString Personality() const { return FPersonality; }
    bool LoadingInProgress() const { return fLoadingInProgress; }
    int Inserted() const { return m_inserted; }
    int Refused() const { return m_refused; }


    QLabel *lblHeader = nullptr;
    QLineEdit *edtDataFileName = nullptr;
    QLabel *lblInserted = nullptr;
    QLabel *lblRefused = nullptr;
    QLabel *lblMessages = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
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
    void trace(const QStringList &lines);
    void showCounts();
    // The import itself; throws VarnexError when it stops.
    void load(int &records);

    QString FPersonality;
    QString m_programFolder;
    bool fLoadingInProgress = false;
    int m_inserted = 0;
    int m_refused = 0;
    std::unique_ptr<TSampleImportXMLDM> fSampleImportDm;
};
