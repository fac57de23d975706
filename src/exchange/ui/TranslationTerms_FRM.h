#pragma once

#include "exchange/TranslationTerms.h"
#include "gui/Advanced_FRM.h"

#include <QSqlDatabase>

#include <functional>
#include <memory>
#include <optional>

class DataGridView;
class GridModel;
class QLabel;
class QPushButton;
class QVBoxLayout;
class SqlDataSet;
class TSampleImportXMLDM;
class TzqcxDBComboBox;
class TzqcxDBLookupComboBox;
class TzqcxDBTextEdit;
class TzqcxFocusController;

class TTranslationTermsFrmDefaults : public TDefaultInfo
{
public:
    std::optional<TTranslationType> TranslationType;
    // The folder whose "XMLImportDefinitions" holds the field definitions (the sample groups take
    // their field names from them); empty: the program's.
    QString ProgramFolder;
};

// "Translation Terms": the terms of one group, with an edit panel for the term being added or
// edited, deletion, appending the terms of a CSV file (all of them in one transaction, or none),
// and saving the group's terms to a CSV file. Each posted term is stored at once on the main
// connection. The "Translate to" editor offers the codes of the lookup list that the field's name
// calls for, or plain text where there is none.
class TTranslationTermsFrm : public TAdvancedFrm
{
    Q_OBJECT
public:

    static QString NoTypeMessage() { return QStringLiteral("No translation type set. Cannot initialise translations"); }

    explicit TTranslationTermsFrm(QObject *AOwner);
    ~TTranslationTermsFrm() override;

    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    QString GroupName() const { return fGroupName; }
    TTranslationType TranslationType() const { return fTranslationType; }
    // The choices "Field" offers.
    QStringList FieldNames() const { return m_fieldNames; }
    bool IsEditing() const;

    static QString CsvFilter() { return QStringLiteral("CSV files (*.csv);;All files (*)"); }

    QLabel *lblHeader = nullptr;
    DataGridView *grdTranslations = nullptr;
    GridModel *qryTranslations = nullptr;
    QLabel *lblCount = nullptr;
    QFrame *pnlEdit = nullptr;
    TzqcxDBComboBox *edtFieldName = nullptr;
    TzqcxDBTextEdit *edtImportValue = nullptr;
    TzqcxDBLookupComboBox *edtDataValueLookup = nullptr;
    TzqcxDBTextEdit *edtDataValueString = nullptr;
    SqlDataSet *qryTerm = nullptr;
    TzqcxFocusController *zqcxFocusController1 = nullptr;
    QPushButton *btnAdd = nullptr;
    QPushButton *btnSaveEdit = nullptr;
    QPushButton *btnCancelEdit = nullptr;

    QAction *actAppendTranslation = nullptr;
    QAction *actEditTranslation = nullptr;
    QAction *actDeleteTranslation = nullptr;
    QAction *actLoadFromCSV = nullptr;
    QAction *actSaveToCSV = nullptr;
    QAction *actSaveEdit = nullptr;
    QAction *actCancelEdit = nullptr;

    void actAppendTranslationExecute();
    void actEditTranslationExecute();
    void actDeleteTranslationExecute();
    void actLoadFromCSVExecute();
    void actSaveToCSVExecute();
    void actSaveEditExecute();
    void actCancelEditExecute();
    // Shows the lookup list or the text editor for "Translate to", by the name in "Field".
    void SetUpTranslateToEditor();

protected:
    // The names "Field" offers: the premises groups' fixed names, or the labels of the sample
    // import's field definitions.
    virtual void LoadTranslationFieldNames();
    bool FormCloseQuery() override;

private:
    void buildWidgets();
    void buildGrid(QVBoxLayout *layout);
    void buildTermDataSet();
    void buildEditPanel(QVBoxLayout *layout);
    void buildActions();
    void enterEditMode();
    void leaveEditMode();
    void reread(const QVariant &key = QVariant());
    // Outside editing the panel shows the term of the current row, and nothing when there is
    // none, so that a term just deleted does not look as if it were still there.
    void showCurrentTerm();
    void updateActions();
    void showTranslateTo(bool lookup);
    QSqlDatabase database() const;

    QString fGroupName;
    TTranslationType fTranslationType = TTranslationType::trnTypeFoodSample;
    QString m_programFolder;
    QStringList m_fieldNames;
    std::unique_ptr<TSampleImportXMLDM> fSampleImportXMLDM;
};
