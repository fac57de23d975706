#include "exchange/ui/TranslationTerms_FRM.h"

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "core/Main_DM.h"
#include "core/SampleCodes.h"
#include "data/DataSet.h"
#include "data/GridModel.h"
#include "exchange/ImportFields_UNT.h"
#include "exchange/SampleImporter.h"
#include "exchange/TranslationsCSVImport_DM.h"
#include "exchange/ui/FormActions.h"
#include "exchange/ui/PersonalityBand.h"
#include "gui/DataGridView.h"
#include "gui/IBBase_FRM.h"
#include "gui/ZQCXController.h"
#include "gui/ZQCXDBEditControls.h"
#include "reference/LookupData_DM.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString TermSql = QStringLiteral("SELECT UNIQUE_UUID, LOCAL_AUTH_OFFICE__CODE, GROUP_NAME, FIELD_NAME, FROM_VALUE, "
                                       "TO_VALUE, FLAG_DELETED FROM SYS_TRANSLATION WHERE UNIQUE_UUID = :uuid");

// The shown field of a list's "Code; Description": the one after the key, none when it shows the
// key alone.
QString descriptionField(const QString &shownFields)
{
    const QStringList fields = shownFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    return fields.size() > 1 ? fields.at(1).trimmed() : QString();
}

} // namespace

TTranslationTermsFrm::TTranslationTermsFrm(QObject *AOwner) : TAdvancedFrm(AOwner)
{
    setWindowTitle(QStringLiteral("Translation Terms"));
    buildWidgets();
}

TTranslationTermsFrm::~TTranslationTermsFrm()
{
    qryTranslations->close();
    qryTranslations->setDatabase(QSqlDatabase());
}

QSqlDatabase TTranslationTermsFrm::database() const
{
    return TIBBasefrm::MainConnection();
}

void TTranslationTermsFrm::buildWidgets()
{
    lblHeader = PersonalityBand::makeCaption(RzPanel2);
    auto *layout = new QVBoxLayout(ClientArea);
    layout->setContentsMargins(6, 6, 6, 6);
    buildGrid(layout);
    buildTermDataSet();
    buildEditPanel(layout);
    buildActions();

    // Leaving "Field", or choosing a name in it, sets up "Translate to".
    connect(edtFieldName->lineEdit(), &QLineEdit::editingFinished, this, [this]() { SetUpTranslateToEditor(); });
    connect(edtFieldName, &QComboBox::textActivated, this, [this]() { SetUpTranslateToEditor(); });
    connect(grdTranslations, &QTableView::doubleClicked, actEditTranslation, &QAction::trigger);
    connect(grdTranslations, &DataGridView::currentKeyChanged, this, [this]() {
        showCurrentTerm();
        updateActions();
    });
    resize(760, 520);
}

// The list of translations and their count.
void TTranslationTermsFrm::buildGrid(QVBoxLayout *layout)
{
    grdTranslations = new DataGridView(ClientArea);
    grdTranslations->setObjectName(QStringLiteral("grdTranslations"));
    qryTranslations = new GridModel(this);
    qryTranslations->setObjectName(QStringLiteral("qryTranslations"));
    grdTranslations->setGridModel(qryTranslations);
    grdTranslations->setColumns({{QStringLiteral("FIELD_NAME"), QStringLiteral("Field")},
                                 {QStringLiteral("FROM_VALUE"), QStringLiteral("Translate from")},
                                 {QStringLiteral("TO_VALUE"), QStringLiteral("Translate to")}});
    grdTranslations->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(grdTranslations, 1);
    lblCount = new QLabel(QStringLiteral("Count: 0"), ClientArea);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    layout->addWidget(lblCount);
}

// The one translation being edited, a new one filled with the group's values.
void TTranslationTermsFrm::buildTermDataSet()
{
    qryTerm = new SqlDataSet(this);
    qryTerm->setObjectName(QStringLiteral("qryTerm"));
    qryTerm->setSql(TermSql);
    qryTerm->setUpdateTable(QStringLiteral("SYS_TRANSLATION"), {QStringLiteral("UNIQUE_UUID")});
    qryTerm->onNewRecord = [this](SqlDataSet &row) {
        row.setValue(QStringLiteral("UNIQUE_UUID"), GetNewUUIDString());
        row.setValue(QStringLiteral("GROUP_NAME"), fGroupName);
        row.setValue(QStringLiteral("LOCAL_AUTH_OFFICE__CODE"), Maindm ? Maindm->LocalAuthorityOfficeCode() : QString());
        row.setValue(QStringLiteral("FLAG_DELETED"), QStringLiteral("F"));
    };
    zqcxFocusController1 = new TzqcxFocusController(this);
    zqcxFocusController1->SetDatasource(qryTerm);
}

// The editors of one translation under the list, with their Save and Cancel buttons.
void TTranslationTermsFrm::buildEditPanel(QVBoxLayout *layout)
{
    pnlEdit = new QFrame(ClientArea);
    pnlEdit->setObjectName(QStringLiteral("pnlEdit"));
    pnlEdit->setFrameShape(QFrame::StyledPanel);
    auto *panel = new QHBoxLayout(pnlEdit);
    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    edtFieldName = new TzqcxDBComboBox(pnlEdit);
    edtFieldName->setObjectName(QStringLiteral("edtFieldName"));
    edtFieldName->lineEdit()->setMaxLength(TTranslationsCSVImportDM::FieldNameLength);
    edtImportValue = new TzqcxDBTextEdit(pnlEdit);
    edtImportValue->setObjectName(QStringLiteral("edtImportValue"));
    edtImportValue->setMaxLength(TTranslationsCSVImportDM::ValueLength);
    edtDataValueLookup = new TzqcxDBLookupComboBox(pnlEdit);
    edtDataValueLookup->setObjectName(QStringLiteral("edtDataValueLookup"));
    edtDataValueString = new TzqcxDBTextEdit(pnlEdit);
    edtDataValueString->setObjectName(QStringLiteral("edtDataValueString"));
    edtDataValueString->setMaxLength(TTranslationsCSVImportDM::ValueLength);
    edtFieldName->SetDataBinding(qryTerm, QStringLiteral("FIELD_NAME"));
    edtImportValue->SetDataBinding(qryTerm, QStringLiteral("FROM_VALUE"));
    edtDataValueLookup->SetDataBinding(qryTerm, QStringLiteral("TO_VALUE"));
    edtDataValueString->SetDataBinding(qryTerm, QStringLiteral("TO_VALUE"));
    for (TzqcxDBEditorBase *editor : std::initializer_list<TzqcxDBEditorBase *>{edtFieldName, edtImportValue,
                                                                                edtDataValueLookup, edtDataValueString})
        editor->SetFocusController(zqcxFocusController1);
    for (QWidget *editor : std::initializer_list<QWidget *>{edtFieldName, edtDataValueLookup})
        editor->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // One of the two shows at a time.
    auto *translateTo = new QHBoxLayout;
    translateTo->addWidget(edtDataValueLookup);
    translateTo->addWidget(edtDataValueString);
    form->addRow(QStringLiteral("Field"), edtFieldName);
    form->addRow(QStringLiteral("Translate from"), edtImportValue);
    form->addRow(QStringLiteral("Translate to"), translateTo);
    panel->addLayout(form, 1);

    actSaveEdit = new QAction(QStringLiteral("Save"), this);
    actSaveEdit->setObjectName(QStringLiteral("actSaveEdit"));
    actCancelEdit = new QAction(QStringLiteral("Cancel"), this);
    actCancelEdit->setObjectName(QStringLiteral("actCancelEdit"));
    auto *editButtons = new QVBoxLayout;
    btnSaveEdit = new ActionButton(actSaveEdit, pnlEdit);
    btnCancelEdit = new ActionButton(actCancelEdit, pnlEdit);
    editButtons->addWidget(btnSaveEdit);
    editButtons->addWidget(btnCancelEdit);
    editButtons->addStretch();
    panel->addLayout(editButtons);
    layout->addWidget(pnlEdit);
    showTranslateTo(false);
}

// The form's actions and the buttons of the button bar.
void TTranslationTermsFrm::buildActions()
{
    actAppendTranslation = new QAction(QStringLiteral("Add"), this);
    actAppendTranslation->setObjectName(QStringLiteral("actAppendTranslation"));
    actEditTranslation = new QAction(QStringLiteral("Edit"), this);
    actEditTranslation->setObjectName(QStringLiteral("actEditTranslation"));
    actDeleteTranslation = new QAction(QStringLiteral("Delete"), this);
    actDeleteTranslation->setObjectName(QStringLiteral("actDeleteTranslation"));
    actLoadFromCSV = new QAction(QStringLiteral("Append from CSV"), this);
    actLoadFromCSV->setObjectName(QStringLiteral("actLoadFromCSV"));
    actLoadFromCSV->setToolTip(QStringLiteral("Load Translations from CSV file"));
    actSaveToCSV = new QAction(QStringLiteral("Save to CSV"), this);
    actSaveToCSV->setObjectName(QStringLiteral("actSaveToCSV"));

    const auto connectAction = [this](QAction *action, void (TTranslationTermsFrm::*handler)()) {
        connectShowingErrors(action, this, handler, [this]() { updateActions(); });
    };
    connectAction(actAppendTranslation, &TTranslationTermsFrm::actAppendTranslationExecute);
    connectAction(actEditTranslation, &TTranslationTermsFrm::actEditTranslationExecute);
    connectAction(actDeleteTranslation, &TTranslationTermsFrm::actDeleteTranslationExecute);
    connectAction(actLoadFromCSV, &TTranslationTermsFrm::actLoadFromCSVExecute);
    connectAction(actSaveToCSV, &TTranslationTermsFrm::actSaveToCSVExecute);
    connectAction(actSaveEdit, &TTranslationTermsFrm::actSaveEditExecute);
    connectAction(actCancelEdit, &TTranslationTermsFrm::actCancelEditExecute);
    for (QAction *a : {actAppendTranslation, actEditTranslation, actDeleteTranslation, actLoadFromCSV, actSaveToCSV,
                       actSaveEdit, actCancelEdit})
        addAction(a);
    btnAdd = AddButton(actAppendTranslation);
    for (QAction *a : {actEditTranslation, actDeleteTranslation, actLoadFromCSV, actSaveToCSV})
        AddButton(a);
    for (QPushButton *b : RzPanel1->findChildren<ActionButton *>())
        b->setMinimumWidth(130);
}

void TTranslationTermsFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    auto *defaults = dynamic_cast<TTranslationTermsFrmDefaults *>(DefaultInfo.get());
    if (!defaults || !defaults->TranslationType)
        throw VarnexError(NoTypeMessage());
    fTranslationType = *defaults->TranslationType;
    fGroupName = TranslationGroupName(fTranslationType);
    const bool food = fTranslationType == TTranslationType::trnTypeFoodSample
                      || fTranslationType == TTranslationType::trnTypeFoodPremises;
    PersonalityBand::show(RzPanel2, lblHeader, food ? Varnex::PersonalityFood : Varnex::PersonalityAnimalFeed,
                          QStringLiteral("  Translation terms: ") + fGroupName,
                          QStringLiteral("  Translation terms: ") + fGroupName);
    m_programFolder = defaults->ProgramFolder.isEmpty() ? QCoreApplication::applicationDirPath() : defaults->ProgramFolder;
    TAdvancedFrm::InitialiseDefaults(std::move(DefaultInfo));

    LoadTranslationFieldNames();
    edtFieldName->clear();
    edtFieldName->addItems(m_fieldNames);
    // Adding the choices makes the first one current; the editor is to show the term's name, if any.
    edtFieldName->setCurrentIndex(-1);

    // The term panel follows the list's current row from the moment the list opens.
    qryTerm->close();
    qryTerm->setDatabase(database());
    qryTranslations->close();
    qryTranslations->setDatabase(database());
    qryTranslations->setSql(TranslationListSql());
    qryTranslations->setKeyColumn(QStringLiteral("UNIQUE_UUID"));
    qryTranslations->setParam(QStringLiteral("groupname"), fGroupName);
    qryTranslations->setSort({{QStringLiteral("FIELD_NAME"), Qt::AscendingOrder},
                              {QStringLiteral("FROM_VALUE"), Qt::AscendingOrder}});
    qryTranslations->open();
    reread();
    leaveEditMode();
}

void TTranslationTermsFrm::LoadTranslationFieldNames()
{
    if (!IsSampleTranslation(fTranslationType)) {
        m_fieldNames = PremisesTranslationFieldNames(fTranslationType);
        return;
    }
    auto reader = SampleImportChecks::NewReader(m_programFolder, Maindm ? Maindm->XMlImportFieldDefsFile() : QString());
    m_fieldNames.clear();
    for (const auto &field : reader->ImportFields())
        m_fieldNames << field->FieldLabel();
    fSampleImportXMLDM = std::move(reader);
}

bool TTranslationTermsFrm::IsEditing() const
{
    return qryTerm->isEditing();
}

void TTranslationTermsFrm::reread(const QVariant &key)
{
    if (qryTranslations->refresh(key) >= 0)
        grdTranslations->selectKey(key);
    lblCount->setText(QStringLiteral("Count: %1").arg(qryTranslations->totalCount()));
    showCurrentTerm();
    updateActions();
}

void TTranslationTermsFrm::showCurrentTerm()
{
    if (IsEditing())
        return;
    qryTerm->close();
    const QVariant key = grdTranslations->currentKey();
    if (!key.isValid())
        return;
    qryTerm->setParam(QStringLiteral("uuid"), key);
    qryTerm->open();
    SetUpTranslateToEditor();
}

void TTranslationTermsFrm::updateActions()
{
    const bool editing = IsEditing();
    const bool current = grdTranslations->currentKey().isValid();
    actAppendTranslation->setEnabled(!editing);
    actEditTranslation->setEnabled(!editing && current);
    actDeleteTranslation->setEnabled(!editing && current);
    actLoadFromCSV->setEnabled(!editing);
    actSaveToCSV->setEnabled(!editing);
    actSaveEdit->setEnabled(editing);
    actCancelEdit->setEnabled(editing);
    grdTranslations->setEnabled(!editing);
}

void TTranslationTermsFrm::enterEditMode()
{
    pnlEdit->setEnabled(true);
    actSaveEdit->setVisible(true);
    actCancelEdit->setVisible(true);
    SetUpTranslateToEditor();
    updateActions();
    edtFieldName->setFocus();
}

void TTranslationTermsFrm::leaveEditMode()
{
    pnlEdit->setEnabled(false);
    actSaveEdit->setVisible(false);
    actCancelEdit->setVisible(false);
    updateActions();
    btnAdd->setFocus();
}

void TTranslationTermsFrm::showTranslateTo(bool lookup)
{
    edtDataValueLookup->setVisible(lookup);
    edtDataValueString->setVisible(!lookup);
}

void TTranslationTermsFrm::SetUpTranslateToEditor()
{
    const QString name = edtFieldName->currentText().trimmed();
    if (name.isEmpty())
        return;
    if (!IsSampleTranslation(fTranslationType)) {
        const std::optional<TranslationLookupList> list =
            PremisesTranslationList(name, Maindm ? Maindm->Personality : QString());
        if (!list)
            return;
        edtDataValueLookup->SetListSource(LookupDataDm ? LookupDataDm->DataSource(list->dataSource) : nullptr,
                                          list->keyFields, descriptionField(list->shownFields));
        showTranslateTo(true);
        return;
    }
    const TImportField *field = fSampleImportXMLDM ? fSampleImportXMLDM->FieldWithLabel(name) : nullptr;
    if (!field) {
        edtDataValueLookup->SetListSource(nullptr, QString(), QString());
        edtDataValueLookup->SetLookupItems({});
        return;
    }
    TLookupDataSetInfo info;
    LookupTableModel *source = LookupDataDm ? LookupDataDm->GetDataSource(field->LookupDatasetName(), &info) : nullptr;
    if (source)
        edtDataValueLookup->SetListSource(source, info.KeyFields, descriptionField(info.LookupFields));
    showTranslateTo(source != nullptr);
}

void TTranslationTermsFrm::actAppendTranslationExecute()
{
    qryTerm->close();
    qryTerm->setParam(QStringLiteral("uuid"), QString());
    qryTerm->open();
    qryTerm->append();
    enterEditMode();
}

void TTranslationTermsFrm::actEditTranslationExecute()
{
    const QVariant key = grdTranslations->currentKey();
    if (!key.isValid())
        return;
    qryTerm->close();
    qryTerm->setParam(QStringLiteral("uuid"), key);
    qryTerm->open();
    if (qryTerm->isEmpty()) {
        reread();
        throw VarnexError(QStringLiteral("The translation term is no longer in the list."));
    }
    qryTerm->edit();
    enterEditMode();
}

void TTranslationTermsFrm::actSaveEditExecute()
{
    if (!IsEditing())
        return;
    qryTerm->post();
    const QVariant key = qryTerm->value(QStringLiteral("UNIQUE_UUID"));
    leaveEditMode();
    reread(key);
}

void TTranslationTermsFrm::actCancelEditExecute()
{
    if (IsEditing())
        qryTerm->cancel();
    leaveEditMode();
    showCurrentTerm();
}

void TTranslationTermsFrm::actDeleteTranslationExecute()
{
    const QVariant key = grdTranslations->currentKey();
    if (!key.isValid())
        return;
    try {
        DeleteTranslationTerm(database(), key.toString());
    } catch (const VarnexError &) {
        reread();
        throw;
    }
    leaveEditMode();
    reread();
}

void TTranslationTermsFrm::actLoadFromCSVExecute()
{
    const QString fileName =
        Prompter::current().openFileName(QStringLiteral("Load Translations from CSV file"), QString(), CsvFilter()).value_or(QString());
    if (fileName.isEmpty())
        return;
    TTranslationsCSVImportDM csv;
    csv.loadCSVFile(fileName);
    AppendTranslationTerms(database(), fGroupName, Maindm ? Maindm->LocalAuthorityOfficeCode() : QString(), csv.Rows(),
                           &GetNewUUIDString);
    reread();
}

void TTranslationTermsFrm::actSaveToCSVExecute()
{
    TTranslationsCSVImportDM csv;
    qryTranslations->fetchAll();
    for (int row = 0; row < qryTranslations->rowCount(); ++row)
        csv.AddRecord(qryTranslations->value(row, QStringLiteral("FIELD_NAME")).toString(),
                      qryTranslations->value(row, QStringLiteral("TO_VALUE")).toString(),
                      qryTranslations->value(row, QStringLiteral("FROM_VALUE")).toString());
    const QString fileName =
        Prompter::current().saveFileName(QStringLiteral("Save to CSV"), QString(), CsvFilter(), QStringLiteral("csv")).value_or(QString());
    if (fileName.isEmpty())
        return;
    csv.SaveToFile(fileName);
}

bool TTranslationTermsFrm::FormCloseQuery()
{
    if (IsEditing()) {
        try {
            actSaveEditExecute();
        } catch (const VarnexError &e) {
            Prompter::current().error(Varnex::ProgramName, e.message());
            return false;
        }
    }
    return TAdvancedFrm::FormCloseQuery();
}
