#include "samples/ui/SampleTemplateEditForm.h"

#include "base/Clock.h"
#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "data/GridModel.h"
#include "gui/IBCompatibleBaseMaint_FRM.h"
#include "reference/LookupData_DM.h"
#include "reference/ui/AFPremisesDetailMaintV5_FRM.h"
#include "reference/ui/CategoryTree_FRM.h"
#include "reference/ui/PremisesDetailMaintV5_FRM.h"
#include "samples/SampleLookups.h"
#include "samples/ui/SampleFormParts.h"
#include "store/SqlUtil.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace SampleFormParts;

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

SampleTemplateEditForm::PremisesPicker &premisesPicker()
{
    static SampleTemplateEditForm::PremisesPicker picker;
    return picker;
}

SampleTemplateEditForm::AnalysisBuilder &analysisBuilder()
{
    static SampleTemplateEditForm::AnalysisBuilder builder;
    return builder;
}

// The program's premises lists as pickers: browse mode, no editing, on the current premises.
QString pickFromPremisesList(const QString &personality, const QString &currentCode)
{
    if (personality == Varnex::PersonalityAnimalFeed) {
        auto defaults = std::make_unique<TAFPremisesDetailMaintV5FrmDrefaults>();
        defaults->OpenMode = mmoBrowse;
        defaults->AllowEdit = false;
        defaults->InitialBookmark = TAFPremisesDetailMaintV5Frm::BookmarkForCode(currentCode);
        return TIBCompatibleBaseMaintfrm::SearchForCode<TAFPremisesDetailMaintV5Frm>(std::move(defaults));
    }
    auto defaults = std::make_unique<TPremisesDetailMaintV5FrmDefaults>();
    defaults->OpenMode = mmoBrowse;
    defaults->AllowEdit = false;
    defaults->InitialBookmark = TPremisesDetailMaintV5Frm::BookmarkForCode(currentCode);
    return TIBCompatibleBaseMaintfrm::SearchForCode<TPremisesDetailMaintV5Frm>(std::move(defaults));
}

} // namespace

QString SampleTemplateEditForm::NoSuchTemplateMessage(const QString &uuid)
{
    return S("There is no sample template with the identity %1 in the local store; it may have been removed "
             "by a synchronisation. Nothing was opened.")
        .arg(uuid);
}

void SampleTemplateEditForm::SetPremisesPicker(PremisesPicker picker)
{
    premisesPicker() = std::move(picker);
}

void SampleTemplateEditForm::SetAnalysisBuilder(AnalysisBuilder builder)
{
    analysisBuilder() = std::move(builder);
}

SampleTemplateEditForm::SampleTemplateEditForm(QObject *AOwner, const Personality_ &personality)
    : TIBBaseAdvancedfrm(AOwner), m_p(personality), m_personality(personality.personality)
{
    setWindowTitle(m_p.caption);
    if (LookupDataDm)
        m_lookups = std::make_unique<LookupDataSampleLookups>(*LookupDataDm);

    qryData_ = new SqlDataSet(this);
    qryData_->setObjectName(S("qryData_"));
    qryData_->setDatabase(LocalDatabase());
    qryData_->setSql(S("SELECT %1 FROM SAMPLE_TEMPLATE WHERE UNIQUE_UUID = :uuid AND RECORD_TYPE = :recordType")
                         .arg(m_p.columns));
    qryData_->setUpdateTable(S("SAMPLE_TEMPLATE"), {S("UNIQUE_UUID")});
    qryData_->setRequiredFields({S("UNIQUE_UUID")});
    qryData_->setAutoEdit(false);
    qryData_->beforeOpen = [this](SqlDataSet &data) {
        data.setParam(S("uuid"), m_uuid);
        data.setParam(S("recordType"), m_personality);
    };
    qryData_->onNewRecord = [this](SqlDataSet &data) {
        DataSetRow row(data);
        MaindmTemplateServices services(*Maindm);
        initialiseNewTemplate(row, newSettings(), services, Clock::instance().now());
    };
    connect(qryData_, &SqlDataSet::afterEdit, this, [this]() { Guarded([this]() { UpdateActions(); VerifyAll(); }); });
    connect(qryData_, &SqlDataSet::afterInsert, this, [this]() { Guarded([this]() { qryData_AfterInsert(); }); });
    connect(qryData_, &SqlDataSet::afterPost, this, [this]() { Guarded([this]() { qryData_AfterPost(); }); });
    connect(qryData_, &SqlDataSet::afterCancel, this, [this]() { Guarded([this]() { qryData_AfterCancel(); }); });

    // The officers and offices of the personality that are not retired, so that a sample made from
    // the template starts with entries its editor offers.
    const QString officerFlag = m_personality == Varnex::PersonalityAnimalFeed ? S("FLAG_FEED") : S("FLAG_FOOD");
    qrySampleOfficer_ = new GridModel(LocalDatabase(),
                                      S("SELECT UNIQUE_UUID, CODE, NAME, NAME_AND_TELEPHONE FROM SAMPLE_OFFICER "
                                        "WHERE %1 = 'T' AND FLAG_DELETED = 'F'")
                                          .arg(officerFlag),
                                      S("UNIQUE_UUID"), this);
    qrySampleOfficer_->setObjectName(S("qrySampleOfficer_"));
    qrySampleOfficer_->setSort({{S("NAME"), Qt::AscendingOrder}});
    qryLocalAuthOffice_ = new GridModel(LocalDatabase(),
                                        S("SELECT UNIQUE_UUID, CODE, OFFICE_CODE, LOCAL_AUTHORITY__CODE, DESCRIPTION, "
                                          "FLAG_DELETED FROM LOCAL_AUTH_OFFICE WHERE FLAG_DELETED = 'F'"),
                                        S("UNIQUE_UUID"), this);
    qryLocalAuthOffice_->setObjectName(S("qryLocalAuthOffice_"));
    qryLocalAuthOffice_->setSort({{S("DESCRIPTION"), Qt::AscendingOrder}});
    qryTemplateGroups_ = new GridModel(LocalDatabase(),
                                       S("SELECT UNIQUE_UUID, UNIQUE_ID, TEMPLATE_DESCRIPTION FROM SAMPLE_TEMPLATE "
                                         "WHERE PARENT_ID = -1 AND RECORD_TYPE = :recordType AND FLAG_DELETED = 'F'"),
                                       S("UNIQUE_UUID"), this);
    qryTemplateGroups_->setObjectName(S("qryTemplateGroups_"));
    qryTemplateGroups_->setParam(S("recordType"), m_personality);
    qryTemplateGroups_->setSort({{S("TEMPLATE_DESCRIPTION"), Qt::AscendingOrder}});

    FocusController = new TzqcxFocusController(this);
    FocusController->setObjectName(S("FocusController"));
    setSampleEditorColours(*FocusController);
    FocusController->SetDatasource(qryData_);

    buildActions();
    buildHeader();
    auto *layout = new QVBoxLayout(ClientArea);
    layout->setContentsMargins(6, 6, 6, 6);
    PageControl = new QTabWidget(ClientArea);
    PageControl->setObjectName(S("PageControl"));
    PageControl->setProperty("tag", TurnPageTag);
    layout->addWidget(PageControl);
    connect(PageControl, &QTabWidget::currentChanged, this, [this]() { Guarded([this]() { VerifyAll(); }); });
    connect(qApp, &QApplication::focusChanged, this, &SampleTemplateEditForm::inputLeft);
    resize(1000, 640);
}

SampleTemplateEditForm::~SampleTemplateEditForm()
{
    disconnect(qApp, nullptr, this, nullptr);
    // The lists go before the connection of the form's transaction.
    delete qrySampleOfficer_;
    delete qryLocalAuthOffice_;
    delete qryTemplateGroups_;
}

NewSampleSettings SampleTemplateEditForm::newSettings() const
{
    return NewSampleSettings::fromSettings(*Maindm, m_personality);
}

// ------------------------------------------------------------------------------------------------
// Opening

void SampleTemplateEditForm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    if (auto *defaults = dynamic_cast<TSampleTemplateEditFrmDefaults *>(DefaultInfo.get())) {
        m_createSample = defaults->CreateSample;
        m_uuid = defaults->Uuid;
    }
    TIBBaseAdvancedfrm::InitialiseDefaults(std::move(DefaultInfo));
    PageControl->setCurrentIndex(0);
    if (!m_createSample && m_uuid.isEmpty())
        throw VarnexError(S("No template was given to the template editor: neither a new one nor one to open."));

    // A form opened again under its key starts afresh.
    if (qryData_->isEditing())
        qryData_->cancel();
    qryData_->close();
    if (qryTemplateGroups_->isOpen())
        qryTemplateGroups_->close();
    for (GridModel *list : {qrySampleOfficer_, qryLocalAuthOffice_}) {
        if (list->isOpen())
            list->refresh();
        else
            list->open();
        list->fetchAll();
    }
    m_useLAEMSPremisesCodes = Maindm->UseLAEMSPremisesCodes();

    QString caption;
    if (m_createSample) {
        // The new row is appended to an empty read of the query (no template has an empty UUID).
        const QString uuid = m_uuid;
        m_uuid.clear();
        qryData_->open();
        m_uuid = uuid;
        applyColumnLimits();
        CreateNewSample();
        caption = m_p.newCaption;
    } else {
        qryData_->open();
        if (qryData_->isEmpty()) {
            qryData_->close();
            throw VarnexError(NoSuchTemplateMessage(m_uuid));
        }
        applyColumnLimits();
        caption = m_p.detailsCaption;
    }
    setWindowTitle(CaptionWithRunMode(caption, Maindm->RunMode()));

    UpdateActions();
    rgAnalysisTypeChange();
    if (m_p.groupList) {
        qryTemplateGroups_->open();
        qryTemplateGroups_->fetchAll();
    }
    // The pick lists' items come from the optional lookup lists once the program has them; the
    // entries stay free text.
    grpGeneral->setFocus(Qt::OtherFocusReason);
    focusFirstOnPage(PageControl->widget(0));
    FocusController->ClearInvalidEntryList();
    VerifyAll();
}

void SampleTemplateEditForm::applyColumnLimits()
{
    if (m_limitsApplied)
        return;
    m_limitsApplied = true;
    for (QWidget *input : std::as_const(m_inputs)) {
        if (auto *edit = dynamic_cast<TzqcxDBTextEdit *>(input)) {
            if (const int length = qryData_->fieldMaxLength(edit->DataField()))
                edit->setMaxLength(length);
        } else if (auto *combo = dynamic_cast<TzqcxDBComboBox *>(input)) {
            if (const int length = qryData_->fieldMaxLength(combo->DataField()))
                combo->lineEdit()->setMaxLength(length);
        } else if (auto *memo = dynamic_cast<TzqcxDBMemo *>(input)) {
            if (const int length = qryData_->fieldMaxLength(memo->DataField()))
                memo->SetMaxLength(length);
        }
    }
}

// ------------------------------------------------------------------------------------------------
// Building

void SampleTemplateEditForm::buildActions()
{
    const auto make = [this](QAction *&action, const char *name, const QString &text, const QKeySequence &key = {}) {
        action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty()) {
            action->setShortcut(key);
            action->setShortcutContext(Qt::WindowShortcut);
        }
        addAction(action);
    };
    make(actEditItem, "actEditItem", S("Edit sample template (F6)"), QKeySequence(Qt::Key_F6));
    make(actSaveItem, "actSaveItem", S("Save changes (F7)"), QKeySequence(Qt::Key_F7));
    make(actSaveWithoutValidating, "actSaveWithoutValidating", S("Save Without Validating (F8)"), QKeySequence(Qt::Key_F8));
    make(actAbandonItem, "actAbandonItem", S("Abandon changes"));
    make(actPreviousPage, "actPreviousPage", S("(F9)"), QKeySequence(Qt::Key_F9));
    make(actNextPage, "actNextPage", S("(F10)"), QKeySequence(Qt::Key_F10));
    make(actCategoryTree, "actCategoryTree", S("Category Tree"));
    make(actAnalysisBuilder, "actAnalysisBuilder", S("Analysis Builder"));
    make(actPickPremises, "actPickPremises", S("…"));
    actPickPremises->setToolTip(S("Choose the premises from the premises list"));
    // Offered only where the analysis memo is open and a builder is installed.
    actAnalysisBuilder->setEnabled(false);

    connect(actEditItem, &QAction::triggered, this, [this]() {
        Guarded([this]() {
            if (!Editing() && qryData_->isActive() && !qryData_->isEmpty())
                qryData_->edit();
        });
    });
    connect(actSaveItem, &QAction::triggered, this, [this]() { SaveTemplate(true); });
    connect(actSaveWithoutValidating, &QAction::triggered, this, [this]() { SaveTemplate(false); });
    connect(actAbandonItem, &QAction::triggered, this, [this]() { Guarded([this]() { actAbandonItemExecute(); }); });
    connect(actPreviousPage, &QAction::triggered, this, [this]() { actPreviousPageExecute(); });
    connect(actNextPage, &QAction::triggered, this, [this]() { actNextPageExecute(); });
    connect(actCategoryTree, &QAction::triggered, this, [this]() { Guarded([this]() { actCategoryTreeExecute(); }); });
    connect(actAnalysisBuilder, &QAction::triggered, this, [this]() { Guarded([this]() { actAnalysisBuilderExecute(); }); });
    connect(actPickPremises, &QAction::triggered, this, [this]() { Guarded([this]() { actPickPremisesExecute(); }); });

    for (QAction *a : {actEditItem, actSaveItem, actSaveWithoutValidating, actAbandonItem})
        AddButton(a)->setMinimumHeight(32);
    RzPanel1->setMinimumWidth(220);
    // The side panel's captions are bold where the settings ask for bold buttons.
    if (Maindm && Maindm->AppBoldButtons()) {
        QFont bold = RzPanel1->font();
        bold.setBold(true);
        RzPanel1->setFont(bold);
    }
}

void SampleTemplateEditForm::buildHeader()
{
    auto *band = qobject_cast<QHBoxLayout *>(RzPanel2->layout());
    band->setContentsMargins(8, 4, 8, 4);
    RzPanel2->setAutoFillBackground(true);
    QPalette p = RzPanel2->palette();
    p.setColor(QPalette::Window, headingColour(m_personality));
    RzPanel2->setPalette(p);

    lblHeader = new QLabel(m_p.headerText, RzPanel2);
    lblHeader->setObjectName(S("lblHeader"));
    QFont f = lblHeader->font();
    f.setPointSizeF(f.pointSizeF() * 1.5);
    f.setBold(true);
    lblHeader->setFont(f);
    band->addWidget(lblHeader);
    band->addStretch(1);

    pnlSampleType = new QGroupBox(S("Sample type"), RzPanel2);
    pnlSampleType->setObjectName(S("pnlSampleType"));
    auto *typeLayout = new QHBoxLayout(pnlSampleType);
    typeLayout->setContentsMargins(12, 2, 12, 4);
    lblSampleType = new QLabel(pnlSampleType);
    lblSampleType->setObjectName(S("lblSampleType"));
    QFont bold = lblSampleType->font();
    bold.setBold(true);
    lblSampleType->setFont(bold);
    lblSampleType->setMinimumWidth(90);
    lblSampleType->setAlignment(Qt::AlignCenter);
    typeLayout->addWidget(lblSampleType);
    band->addWidget(pnlSampleType);
}

QLabel *SampleTemplateEditForm::caption(QWidget *parent, const QString &text, QWidget *control)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    if (control) {
        label->setBuddy(control);
        m_labels.insert(control, label);
    }
    return label;
}

void SampleTemplateEditForm::setListSource(TzqcxDBLookupComboBox *combo, const QString &source, const QString &keyField,
                                           const QString &descriptionField)
{
    if (m_sources.contains(combo) && m_sources.value(combo) == source)
        return;
    m_sources.insert(combo, source);
    // Without the lookup module (made after login) the box shows the stored code alone.
    combo->SetListSource(LookupDataDm ? LookupDataDm->DataSource(source) : nullptr, keyField, descriptionField);
}

TzqcxDBLookupComboBox *SampleTemplateEditForm::lookup(QWidget *parent, const QString &field, const QString &source,
                                                      const QString &keyField, const QString &descriptionField)
{
    auto *combo = bound<TzqcxDBLookupComboBox>(parent, field);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(18);
    combo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setListSource(combo, source, keyField, descriptionField);
    connect(combo, &QComboBox::activated, this, [this]() { Guarded([this]() { VerifyAll(); }); });
    return combo;
}

TzqcxDBComboBox *SampleTemplateEditForm::pickList(QWidget *parent, const QString &field, bool upperCase)
{
    auto *combo = bound<TzqcxDBComboBox>(parent, field);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(18);
    combo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    if (upperCase)
        combo->lineEdit()->setValidator(new UpperCaseValidator(combo));
    connect(combo, &QComboBox::textActivated, this, [this]() { Guarded([this]() { VerifyAll(); }); });
    return combo;
}

TzqcxDBImageComboBox *SampleTemplateEditForm::yesNo(QWidget *parent, const QString &field)
{
    auto *combo = bound<TzqcxDBImageComboBox>(parent, field);
    combo->AddItem(S("YES"), S("T"));
    combo->AddItem(S("NO"), S("F"));
    combo->setMinimumContentsLength(6);
    connect(combo, &QComboBox::activated, this, [this]() { Guarded([this]() { VerifyAll(); }); });
    return combo;
}

QPushButton *SampleTemplateEditForm::actionButton(QAction *action, const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    const auto follow = [button, action]() {
        button->setEnabled(action->isEnabled());
        button->setToolTip(action->toolTip() == action->text() ? QString() : action->toolTip());
    };
    follow();
    connect(action, &QAction::changed, button, follow);
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
    return button;
}

QWidget *SampleTemplateEditForm::newPage(const char *name, const QString &title)
{
    auto *page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    PageControl->addTab(page, title);
    return page;
}

QWidget *SampleTemplateEditForm::pageButtons(QWidget *page, bool back, bool forward)
{
    auto *bar = new QWidget(page);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 6, 0, 0);
    layout->addStretch(1);
    if (back) {
        auto *button = new QPushButton(style()->standardIcon(QStyle::SP_ArrowBack), actPreviousPage->text(), bar);
        button->setToolTip(S("Previous page"));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, actPreviousPage, &QAction::trigger);
        layout->addWidget(button);
    }
    if (forward) {
        auto *button = new QPushButton(style()->standardIcon(QStyle::SP_ArrowForward), actNextPage->text(), bar);
        button->setToolTip(S("Next page"));
        button->setLayoutDirection(Qt::RightToLeft);
        button->setAutoDefault(false);
        button->setProperty("tag", TurnPageTag);
        connect(button, &QPushButton::clicked, actNextPage, &QAction::trigger);
        layout->addWidget(button);
    }
    return bar;
}

void SampleTemplateEditForm::watchRadioChange(TzqcxDBRadioGroup *group, const QString &field,
                                              void (SampleTemplateEditForm::*handler)())
{
    // The handler runs only when the choice changed.
    auto *buttons = group->findChild<QButtonGroup *>();
    connect(buttons, &QButtonGroup::idPressed, this, [this, field]() {
        m_valueBeforeClick = qryData_->isActive() ? qryData_->text(field) : QString();
    });
    connect(buttons, &QButtonGroup::idClicked, this, [this, field, handler]() {
        if (qryData_->isActive() && qryData_->text(field) != m_valueBeforeClick)
            Guarded([this, handler]() { (this->*handler)(); });
    });
}

QWidget *SampleTemplateEditForm::buildAdminPage(const QString &analysisTypeCaption, const QStringList &analysisTypeItems,
                                                const QString &premisesTypeSource,
                                                const std::function<void(QFormLayout *, QWidget *)> &addCodes)
{
    QWidget *tab = newPage("tabAdmin", S("Admin"));
    auto *page = new QVBoxLayout(tab);
    grpGeneral = new QGroupBox(S("General"), tab);
    grpGeneral->setObjectName(S("grpGeneral"));
    grpGeneral->setFocusPolicy(Qt::ClickFocus);
    auto *columns = new QHBoxLayout(grpGeneral);
    columns->setSpacing(24);

    auto *left = formLayout();
    rgAnalysisType = bound<TzqcxDBRadioGroup>(grpGeneral, S("ANALYSIS_TYPE"));
    rgAnalysisType->setObjectName(S("rgAnalysisType"));
    lineUp(rgAnalysisType);
    rgAnalysisType->SetItems(analysisTypeItems, {S("M"), S("C")});
    rgAnalysisType->setFlat(true);
    watchRadioChange(rgAnalysisType, S("ANALYSIS_TYPE"), &SampleTemplateEditForm::rgAnalysisTypeChange);
    left->addRow(caption(grpGeneral, analysisTypeCaption, rgAnalysisType), rgAnalysisType);

    edtBusinessId = bound<TzqcxDBButtonEdit>(grpGeneral, S("BUSINESS_ID"));
    edtBusinessId->setObjectName(S("edtBusinessId"));
    edtBusinessId->SetUpperCase(true);
    edtBusinessId->Button()->setToolTip(actPickPremises->toolTip());
    connect(edtBusinessId, &TzqcxDBButtonEdit::buttonClicked, actPickPremises, &QAction::trigger);
    const bool food = m_personality != Varnex::PersonalityAnimalFeed;
    left->addRow(caption(grpGeneral, food ? S("Business ID:") : S("Business ID"), edtBusinessId), edtBusinessId);
    edtPremisesName = bound<TzqcxDBTextEdit>(grpGeneral, S("PREMISES_NAME"));
    edtPremisesName->setObjectName(S("edtPremisesName"));
    left->addRow(caption(grpGeneral, food ? S("Premises Name:") : S("Premises Name"), edtPremisesName), edtPremisesName);
    TzqcxDBTextEdit **addresses[] = {&edtAddress1, &edtAddress2, &edtAddress3, &edtAddress4};
    for (int i = 0; i < 4; ++i) {
        *addresses[i] = bound<TzqcxDBTextEdit>(grpGeneral, S("BUSINESS_ADDR_%1").arg(i + 1));
        (*addresses[i])->setObjectName(S("edtAddress%1").arg(i + 1));
        left->addRow(caption(grpGeneral, (food ? S("Address %1:") : S("Address %1")).arg(i + 1), *addresses[i]),
                     *addresses[i]);
    }
    edtPostCode = bound<TzqcxDBTextEdit>(grpGeneral, S("BUSINESS_POSTCODE"));
    edtPostCode->setObjectName(S("edtPostCode"));
    edtPostCode->SetUpperCase(true);
    edtPostCode->setMaximumWidth(110);
    left->addRow(caption(grpGeneral, food ? S("Post Code:") : S("Post Code"), edtPostCode), row(grpGeneral, {edtPostCode}));

    auto *right = formLayout();
    cmbPremisesType = lookup(grpGeneral, S("PREMISES_TYPE__CODE"), premisesTypeSource);
    cmbPremisesType->setObjectName(S("cmbPremisesType"));
    lblPremisesType = caption(grpGeneral, food ? S("Varnex Premises type") : S("PremisesType"), cmbPremisesType);
    lblPremisesType->setObjectName(S("lblPremisesType"));
    right->addRow(lblPremisesType, cmbPremisesType);
    addCodes(right, grpGeneral);
    cmbOfficer = bound<TzqcxDBLookupComboBox>(grpGeneral, S("SAMPLE_OFFICER__CODE"));
    cmbOfficer->setObjectName(S("cmbOfficer"));
    cmbOfficer->SetListSource(qrySampleOfficer_, S("CODE"), S("NAME"));
    right->addRow(caption(grpGeneral, food ? S("Sample Officer:") : S("Sample Officer"), cmbOfficer), cmbOfficer);
    cmbOffice = bound<TzqcxDBLookupComboBox>(grpGeneral, S("LOCAL_AUTH_OFFICE__CODE"));
    cmbOffice->setObjectName(S("cmbOffice"));
    cmbOffice->SetListSource(qryLocalAuthOffice_, S("CODE"), S("DESCRIPTION"));
    right->addRow(caption(grpGeneral, food ? S("Office:") : S("Office"), cmbOffice), cmbOffice);
    for (TzqcxDBLookupComboBox *c : {cmbOfficer, cmbOffice}) {
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        c->setMinimumContentsLength(18);
        connect(c, &QComboBox::activated, this, [this]() { Guarded([this]() { VerifyAll(); }); });
    }
    page->addWidget(grpGeneral);

    // The template's own entries.
    auto *own = new QGroupBox(S("Template"), tab);
    own->setObjectName(S("grpTemplate"));
    auto *ownForm = formLayout(own);
    cmbTemplateGroup = bound<TzqcxDBLookupComboBox>(own, S("PARENT_ID"));
    cmbTemplateGroup->setObjectName(S("cmbTemplateGroup"));
    cmbTemplateGroup->SetListSource(qryTemplateGroups_, S("UNIQUE_ID"), S("TEMPLATE_DESCRIPTION"));
    QLabel *groupCaption = caption(own, S("Template group"), cmbTemplateGroup);
    ownForm->addRow(groupCaption, cmbTemplateGroup);
    // Groups are kept from the group list; the template's editor does not offer them.
    cmbTemplateGroup->setVisible(false);
    groupCaption->setVisible(false);
    edtTemplateDescription = bound<TzqcxDBTextEdit>(own, S("TEMPLATE_DESCRIPTION"));
    edtTemplateDescription->setObjectName(S("edtTemplateDescription"));
    ownForm->addRow(caption(own, S("Template description"), edtTemplateDescription), edtTemplateDescription);
    chkUpdatePremises = bound<TzqcxDBCheckBox>(own, S("UPDATE_PREMISES_FROM_LOOKUP"));
    chkUpdatePremises->setObjectName(S("chkUpdatePremises"));
    chkUpdatePremises->setText(S("Update premises when creating sample"));
    ownForm->addRow(QString(), chkUpdatePremises);

    columns->addLayout(left, 1);
    auto *divider = new QFrame(grpGeneral);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Sunken);
    columns->addWidget(divider);
    columns->addLayout(right, 1);
    page->addWidget(own);
    page->addStretch(1);
    page->addWidget(pageButtons(tab, false, true));
    return tab;
}

void SampleTemplateEditForm::buildAnalysisGroup(QWidget *page, QLayout *layout)
{
    auto *analysis = new QGroupBox(S("Analysis"), page);
    analysis->setObjectName(S("grpAnalysis"));
    auto *form = formLayout(analysis);
    cmbLaboratory = lookup(analysis, S("LABORATORY__CODE"), S("srcLaboratoryFiltered"));
    cmbLaboratory->setObjectName(S("cmbLaboratory"));
    form->addRow(caption(analysis, S("Laboratory:"), cmbLaboratory), cmbLaboratory);
    cmbRoutineAnalysis = yesNo(analysis, S("ROUTINE_ANALYSIS"));
    cmbRoutineAnalysis->setObjectName(S("cmbRoutineAnalysis"));
    btnAnalysisBuilder = actionButton(actAnalysisBuilder, actAnalysisBuilder->text(), analysis);
    btnAnalysisBuilder->setObjectName(S("btnAnalysisBuilder"));
    QLabel *routine = caption(analysis, S("Routine (or as defined by the laboratory) analysis required?"), cmbRoutineAnalysis);
    routine->setWordWrap(true);
    routine->setMinimumWidth(260);
    form->addRow(routine, row(analysis, {cmbRoutineAnalysis, new QLabel(S("(YES/NO)")), btnAnalysisBuilder}));
    memAnalysisText = bound<TzqcxDBMemo>(analysis, S("ANALYSIS_TEXT"));
    memAnalysisText->setObjectName(S("memAnalysisText"));
    memAnalysisText->setTabChangesFocus(true);
    memAnalysisText->setFixedHeight(memAnalysisText->fontMetrics().lineSpacing() * 4 + 12);
    form->addRow(caption(analysis, S("Analysis required"), memAnalysisText), memAnalysisText);
    layout->addWidget(analysis);

    auto *comments = new QGroupBox(S("Additional Information - including contract code"), page);
    comments->setObjectName(S("grpComments"));
    auto *commentsLayout = new QVBoxLayout(comments);
    memComments = bound<TzqcxDBMemo>(comments, S("SAMPLE_COMMENTS"));
    memComments->setObjectName(S("memComments"));
    memComments->setTabChangesFocus(true);
    memComments->setMinimumHeight(memComments->fontMetrics().lineSpacing() * 4 + 12);
    commentsLayout->addWidget(memComments);
    layout->addWidget(comments);
}

TzqcxDBRadioGroup *SampleTemplateEditForm::reasonRadio(QWidget *parent, const QString &title, const QStringList &captions)
{
    auto *radio = bound<TzqcxDBRadioGroup>(parent, S("REASON__CODE"));
    radio->setObjectName(S("rgReason"));
    radio->setTitle(title);
    lineUp(radio);
    radio->SetItems(captions, {S("E"), S("S")});
    qobject_cast<QHBoxLayout *>(radio->layout())->addStretch(1);
    radio->layout()->setSpacing(40);
    watchRadioChange(radio, S("REASON__CODE"), &SampleTemplateEditForm::rgReasonChange);
    return radio;
}

TzqcxDBCheckBox *SampleTemplateEditForm::checkBox(QWidget *parent, const QString &field, const QString &text)
{
    auto *box = bound<TzqcxDBCheckBox>(parent, field);
    box->setText(text);
    connect(box, &QCheckBox::clicked, this, [this]() { Guarded([this]() { VerifyAll(); }); });
    return box;
}

void SampleTemplateEditForm::enable(QWidget *control, bool enabled)
{
    control->setEnabled(enabled);
    if (QLabel *label = m_labels.value(control))
        label->setEnabled(enabled);
}

// ------------------------------------------------------------------------------------------------
// State and view

bool SampleTemplateEditForm::Editing() const
{
    return qryData_->isEditing();
}

SampleRuleContext SampleTemplateEditForm::viewContext() const
{
    SampleRuleContext context;
    context.lookups = m_lookups.get();
    context.today = Clock::instance().today();
    context.UseLAEMSPremisesCodes = m_useLAEMSPremisesCodes;
    return context;
}

void SampleTemplateEditForm::VerifyAll()
{
    if (m_verifying || !qryData_->isActive())
        return;
    QScopedValueRollback<bool> guard(m_verifying, true);
    DataSetRow row(*qryData_);
    applyViewState(::VerifyAll(row, Editing(), templateVerifyOptions(m_personality), viewContext(), m_oldSampleType));
}

void SampleTemplateEditForm::UpdateView()
{
    if (!qryData_->isActive())
        return;
    applyViewState(::UpdateView(DataSetRow(*qryData_), templateVerifyOptions(m_personality), viewContext()));
}

void SampleTemplateEditForm::applyViewState(const SampleViewState &state)
{
    setListSource(cmbPremisesType, state.premisesTypeSource);
    if (!state.premisesTypeLabel.isEmpty())
        lblPremisesType->setText(state.premisesTypeLabel);
    setListSource(cmbCountry, state.countrySource, S("Name"), QString());
    lblSampleType->setText(state.analysisTypeCaption);
    enable(edtIndexNumber, state.indexNumber);
    enable(cmbSurveyBody, state.surveyBodyAndReference);
    enable(edtSurveyRef, state.surveyBodyAndReference);
    enable(edtOtherCondition, state.otherCondition);
    enable(edtQuantity, state.quantityAndUnits);
    enable(cmbPackUnits, state.quantityAndUnits);
    if (state.analysisText) {
        enable(memAnalysisText, *state.analysisText);
        actAnalysisBuilder->setEnabled(*state.analysisText && bool(analysisBuilder()));
    }
    if (!analysisBuilder())
        actAnalysisBuilder->setToolTip(TIBCompatibleBaseMaintfrm::NotAvailableText());
}

void SampleTemplateEditForm::UpdateActions()
{
    const bool editing = Editing();
    const bool hasRow = qryData_->isActive() && !qryData_->isEmpty();
    actEditItem->setEnabled(hasRow && !editing);
    actSaveItem->setEnabled(editing);
    actSaveWithoutValidating->setEnabled(editing);
    actAbandonItem->setEnabled(editing);
    const bool pickable = hasRow && (editing || !m_p.pickOnlyWhileEditing);
    actPickPremises->setEnabled(pickable);
    edtBusinessId->Button()->setEnabled(pickable);
}

AnalysisSelection SampleTemplateEditForm::AnalysisBuilderSelection() const
{
    if (m_personality != Varnex::PersonalityAnimalFeed || !qryData_->isActive())
        return AnalysisSelection::abAll;
    const QString category = qryData_->text(S("CATEGORY__CODE"));
    if (category == QLatin1String("50"))
        return AnalysisSelection::abCompoundFeeds;
    if (category == QLatin1String("51"))
        return AnalysisSelection::abFeedMaterials;
    return AnalysisSelection::abAll;
}

// ------------------------------------------------------------------------------------------------
// The template query's events and the save

void SampleTemplateEditForm::CreateNewSample()
{
    if (Editing())
        return;
    PageControl->setCurrentIndex(0);
    qryData_->append();
    VerifyAll();
}

void SampleTemplateEditForm::qryData_AfterInsert()
{
    m_oldSampleType = qryData_->text(S("ANALYSIS_TYPE"));
    VerifyAll();
    UpdateActions();
}

void SampleTemplateEditForm::qryData_AfterPost()
{
    UpdateActions();
    close();
}

void SampleTemplateEditForm::qryData_AfterCancel()
{
    UpdateActions();
    PageControl->setFocus(Qt::OtherFocusReason);
    close();
}

bool SampleTemplateEditForm::SaveTemplate(bool validate)
{
    // A text typed and not yet left is part of what is saved.
    if (auto *edit = dynamic_cast<TzqcxDBTextEdit *>(QApplication::focusWidget()); edit && isAncestorOf(edit))
        edit->PostEditValue();
    if (!Editing())
        return false;
    m_doValidation = validate;
    QScopedValueRollback<bool> saving(m_saving, true);
    try {
        if (m_doValidation) {
            // The engine with the template's profile: it has no rules, so nothing is refused.
            FocusController->ClearInvalidEntryList();
            const ValidationOutcome outcome = runRules(templateEditorProfile(), DataSetRow(*qryData_), viewContext());
            FocusController->RaiseValidatationErrors();
            Q_UNUSED(outcome)
        }
        DataSetRow row(*qryData_);
        qryData_BeforePost(row);
        qryData_->post();
        return true;
    } catch (const VarnexError &e) {
        // The row stays in edit mode with every edit; the officer sees why.
        Prompter::current().error(Varnex::ProgramName, e.message());
        return false;
    }
}

void SampleTemplateEditForm::actAbandonItemExecute()
{
    if (Editing())
        qryData_->cancel(); // its handler closes the form
    else
        close();
}

// ------------------------------------------------------------------------------------------------
// Handlers

void SampleTemplateEditForm::rgAnalysisTypeChange()
{
    const QString type = qryData_->isActive() ? qryData_->text(S("ANALYSIS_TYPE")) : QString();
    if (Editing() && (type == QLatin1String("M") || type == QLatin1String("C"))) {
        DataSetRow row(*qryData_);
        applyTemplateAnalysisType(row, newSettings());
    }
    lblSampleType->setText(type == QLatin1String("M") ? S("Micro") : type == QLatin1String("C") ? S("Chemical") : QString());
    VerifyAll();
}

void SampleTemplateEditForm::rgReasonChange()
{
    if (Editing()) {
        DataSetRow row(*qryData_);
        clearSampleTypeForNewReason(row);
    }
    VerifyAll();
}

void SampleTemplateEditForm::actPreviousPageExecute()
{
    const int index = PageControl->currentIndex();
    PageControl->setCurrentIndex(index > 0 ? index - 1 : PageControl->count() - 1);
    focusFirstOnPage(PageControl->currentWidget());
}

void SampleTemplateEditForm::actNextPageExecute()
{
    const int index = PageControl->currentIndex();
    const bool toNext = index < PageControl->count() - 1 && PageControl->isTabVisible(index + 1);
    PageControl->setCurrentIndex(toNext ? index + 1 : 0);
    focusFirstOnPage(PageControl->currentWidget());
}

bool SampleTemplateEditForm::focusNextPrevChild(bool next)
{
    // Tab on a page's forward button (or on the page tabs) turns the page.
    QWidget *focused = focusWidget();
    if (next && focused && !(QApplication::keyboardModifiers() & Qt::ShiftModifier)) {
        QWidget *tagged = focused == PageControl->tabBar() ? PageControl : focused;
        if (tagged->property("tag").toInt() == TurnPageTag) {
            actNextPage->trigger();
            return true;
        }
    }
    return TIBBaseAdvancedfrm::focusNextPrevChild(next);
}

void SampleTemplateEditForm::focusFirstOnPage(QWidget *page)
{
    if (!page)
        return;
    for (QWidget *w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
        if (page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(page)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void SampleTemplateEditForm::actCategoryTreeExecute()
{
    auto defaults = std::make_unique<TCategoryTreeFrmDefaults>();
    defaults->SelectedRecord = GetDeepestCategoryCode();
    defaults->AllowUseSelected = Editing();
    defaults->Personality = m_personality;
    const auto freeAnswer = [this]() {
        std::unique_ptr<TReturnInfo> other(ReturnInfoSocket());
        SetReturnInfoSocket(nullptr);
    };
    try {
        TBasefrm::CreateAndShow<TCategoryTreeFrm>(S("CategoryTree"), this, true, std::move(defaults));
    } catch (...) {
        freeAnswer();
        throw;
    }
    if (std::unique_ptr<TCategoryTreeFrmReturnInfo> choice = TakeReturnInfo<TCategoryTreeFrmReturnInfo>(*this))
        ApplyCategorySelection(*choice);
    freeAnswer();
    VerifyAll();
}

void SampleTemplateEditForm::ApplyCategorySelection(const TCategoryTreeFrmReturnInfo &selection)
{
    if (!Editing())
        return;
    CategorySelection s;
    s.Category = selection.Category;
    s.CategoryDescription = selection.CategoryDescription;
    s.SubCategory = selection.SubCategory;
    s.SubCategoryDescription = selection.SubCategoryDescription;
    s.MaffCode = selection.MaffCode;
    s.SubCategory2 = selection.SubCategory2;
    s.SubCategory2Description = selection.SubCategory2Description;
    s.SubCategory3 = selection.SubCategory3;
    s.SubCategory3Description = selection.SubCategory3Description;
    DataSetRow row(*qryData_);
    ::ApplyCategorySelection(row, s, m_p.categoryLevels);
}

QString SampleTemplateEditForm::GetDeepestCategoryCode() const
{
    return ::GetDeepestCategoryCode(DataSetRow(*qryData_), m_p.categoryLevels);
}

void SampleTemplateEditForm::actAnalysisBuilderExecute()
{
    if (!analysisBuilder())
        return;
    const std::optional<QString> text = analysisBuilder()(qryData_->text(S("ANALYSIS_TEXT")), AnalysisBuilderSelection());
    if (text && Editing() && *text != qryData_->text(S("ANALYSIS_TEXT"))) {
        DataSetRow row(*qryData_);
        row.setText(S("ANALYSIS_TEXT"), *text);
        row.setText(S("ROUTINE_ANALYSIS"), S("F"));
    }
    VerifyAll();
}

void SampleTemplateEditForm::actPickPremisesExecute()
{
    if (!qryData_->isActive() || qryData_->isEmpty() || (m_p.pickOnlyWhileEditing && !Editing()))
        return;
    const QString current = qryData_->text(S("BUSINESS_ID"));
    const QString code = premisesPicker() ? premisesPicker()(m_personality, current)
                                          : pickFromPremisesList(m_personality, current);
    if (code.isEmpty() || code == TIBCompatibleBaseMaintfrm::CancelledResult())
        return;
    if (!Editing())
        qryData_->edit();
    DataSetRow row(*qryData_);
    applyTemplatePremises(row, code, StoredPremises(code), m_personality, viewContext());
    VerifyAll();
}

std::optional<QVariantMap> SampleTemplateEditForm::StoredPremises(const QString &code) const
{
    // A premises retired since it was chosen still gives its address; a live one comes first.
    QSqlQuery q = SqlUtil::exec(LocalDatabase(),
                                S("SELECT FIRST 1 CODE, PREMISES_NAME, BUSINESS_ADDR_1, BUSINESS_ADDR_2, "
                                  "BUSINESS_ADDR_3, BUSINESS_ADDR_4, BUSINESS_POSTCODE, RISK_CATEGORY__CODE, "
                                  "PREMISES_TYPE__CODE, RISK_CATEGORY_FOOD_STAND__CODE FROM %1 "
                                  "WHERE CODE = ? ORDER BY IIF(FLAG_DELETED = 'T', 1, 0)")
                                    .arg(m_p.premisesTable),
                                {code});
    if (!q.next())
        return std::nullopt;
    QVariantMap premises;
    const QSqlRecord record = q.record();
    for (int i = 0; i < record.count(); ++i)
        premises.insert(record.fieldName(i), q.value(i));
    return premises;
}

bool SampleTemplateEditForm::FormCloseQuery()
{
    if (!TIBBaseAdvancedfrm::FormCloseQuery())
        return false;
    if (Editing()) {
        Prompter::current().error(Varnex::ProgramName, CloseWhileEditingMessage());
        return false;
    }
    return true;
}

void SampleTemplateEditForm::inputLeft(QWidget *old, QWidget *now)
{
    if (!old || m_verifying || m_saving || !isAncestorOf(old))
        return;
    QWidget *input = nullptr;
    for (QWidget *w = old; w && w != this; w = w->parentWidget()) {
        if (m_inputs.contains(w)) {
            input = w;
            break;
        }
    }
    if (!input || (now && (now == input || input->isAncestorOf(now))))
        return;
    Guarded([this]() { VerifyAll(); });
}

void SampleTemplateEditForm::Guarded(const std::function<void()> &work)
{
    try {
        work();
    } catch (const VarnexError &e) {
        Prompter::current().error(Varnex::ProgramName, e.message());
    }
}
