#include "samples/ui/SampleEdit_FRM.h"

#include "base/Clock.h"
#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "data/GridModel.h"
#include "reference/LookupData_DM.h"
#include "reference/OptionalLookupData_DM.h"
#include "reference/ui/CategoryTree_FRM.h"
#include "reference/ui/PremisesDetailMaintV5_FRM.h"
#include "samples/SampleLookups.h"
#include "samples/SampleProfiles.h"
#include "samples/SampleRecord.h"
#include "samples/SampleRow.h"
#include "samples/ui/AnalysisBuilder_FRM.h"
#include "samples/ui/SampleAttachmentsPanel.h"
#include "samples/ui/SampleLabelInfo_FRM.h"
#include "store/SqlUtil.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardItemModel>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QValidator>
#include <QVBoxLayout>

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

// The tag of the controls on which Tab turns the page (the last forward buttons and the pages).
constexpr int TurnPageTag = 10;

// The focus colours of the sample editors.
void setSampleEditorColours(TzqcxFocusController &c)
{
    c.FocusColor = QColor(0xB9, 0xCA, 0xE3);
    c.UnfocusColor = TzqcxFocusController::WindowColor();
    c.InsertFocusColor = QColor(0x9B, 0xD5, 0x9C);
    c.InsertColor = QColor(0xC5, 0xED, 0xCE);
    c.EditFocusColor = QColor(0xF4, 0xF5, 0xCB);
    c.EditColor = QColor(0xEF, 0xED, 0x8F);
    c.InvalidFocusColor = QColor(0xE6, 0x8E, 0x8E);
    c.InvalidValueColor = QColor(0xF8, 0x8F, 0x8F);
}

// The personality colour of a food form's heading.
const QColor FoodHeadingColour(202, 203, 251);

// A save found the sample sent by a synchronisation pass after it had asked what a save of an
// unsent sample asks: the save starts again, this time asking for the reason of the change.
class SampleSentMeanwhile : public VarnexError
{
public:
    SampleSentMeanwhile()
        : VarnexError(S("The sample was sent to the laboratory while it was being saved; please save it again."))
    {
    }
};

// The descriptions beside the codes are copies of list texts and settings: one longer than its
// column is cut to it, so that no save fails on a long authority name or list text. Every other
// column is written as it is.
class DescriptionRow : public DataSetRow
{
public:
    explicit DescriptionRow(SqlDataSet &dataSet) : DataSetRow(dataSet), m_dataSet(dataSet) {}

    void setValue(const QString &column, const QVariant &value) override
    {
        const int length = isDescription(column) ? m_dataSet.fieldMaxLength(column) : 0;
        if (length > 0 && value.metaType().id() == QMetaType::QString && value.toString().size() > length)
            DataSetRow::setValue(column, value.toString().left(length));
        else
            DataSetRow::setValue(column, value);
    }

    static bool isDescription(const QString &column)
    {
        for (const DescriptionPair &pair : descriptionPairs(Varnex::PersonalityFood)) {
            if (pair.descriptionColumn == column)
                return true;
        }
        return false;
    }

private:
    SqlDataSet &m_dataSet;
};

// Turns what is typed into capitals (the upper-case pick-list texts).
class UpperCaseValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

// Every column of SAMPLE but ID and UPDATE_ID, from the store's own description of the table.
QString sampleSelect(const QSqlDatabase &db)
{
    QSqlQuery q = SqlUtil::exec(db, S("SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS "
                                      "WHERE RDB$RELATION_NAME = 'SAMPLE' ORDER BY RDB$FIELD_POSITION"));
    QStringList columns;
    while (q.next()) {
        const QString column = q.value(0).toString();
        if (column != QLatin1String("ID") && column != QLatin1String("UPDATE_ID"))
            columns << SqlUtil::quoteIdentifier(column);
    }
    if (columns.isEmpty())
        throw VarnexError(S("The local store has no sample table."));
    return S("SELECT %1 FROM SAMPLE WHERE UNIQUE_UUID = :sampleUuid").arg(columns.join(S(", ")));
}

// A text the officer reads but never types (the sample code, the category levels) looks so: it
// takes no colours from the focus controller and sits on the window's colour.
void showReadOnly(TzqcxDBTextEdit *edit)
{
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::ClickFocus);
    edit->SetFocusController(nullptr);
    const QColor face = edit->palette().color(QPalette::Window);
    edit->FocusColor = face;
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, face);
    edit->setPalette(p);
}

QString requiredMark()
{
    return S("<span style=\"color:#b00000;\">&nbsp;*</span>");
}

} // namespace

// ------------------------------------------------------------------------------------------------
// Opening

QString TSampleEditFrm::NoSuchSampleMessage(const QString &uuid)
{
    return S("There is no food sample with the identity %1 in the local store; nothing was opened.").arg(uuid);
}

void TSampleEditFrm::ShowEditor(QObject *owner, std::unique_ptr<TSampleEditFrmDefaults> defaults)
{
    try {
        TBasefrm::CreateAndShow<TSampleEditFrm>(FormKey(), owner, true, std::move(defaults));
    } catch (...) {
        // An editor that could not be opened is not kept under its key.
        delete dynamic_cast<TSampleEditFrm *>(TBasefrm::FindForm(owner, FormKey()));
        throw;
    }
}

TSampleEditFrm::TSampleEditFrm(QObject *AOwner) : TIBBaseAdvancedfrm(AOwner)
{
    setObjectName(S("SampleEditFrm"));
    setWindowTitle(S("Sample Details."));
    // The editor is only hidden when it closes; whoever opened it frees it.
    SetCloseHandlerCleared(true);
    if (LookupDataDm)
        m_lookups = std::make_unique<LookupDataSampleLookups>(*LookupDataDm);

    qryData_ = new SqlDataSet(this);
    qryData_->setObjectName(S("qryData_"));
    qryData_->setDatabase(LocalDatabase());
    qryData_->setSql(sampleSelect(LocalDatabase()));
    qryData_->setUpdateTable(S("SAMPLE"), {S("UNIQUE_UUID")});
    qryData_->setRequiredFields({S("CODE"), S("UNIQUE_UUID")});
    qryData_->setAutoEdit(false);
    qryData_->beforeOpen = [this](SqlDataSet &data) { data.setParam(S("sampleUuid"), m_uuid); };
    qryData_->onNewRecord = [](SqlDataSet &data) {
        DescriptionRow row(data);
        MaindmSampleServices services(*Maindm);
        initialiseNewSample(row, NewSampleSettings::fromSettings(*Maindm, Varnex::PersonalityFood), services);
    };
    qryData_->aroundWrite = [this](SqlDataSet &data, const std::function<void()> &write) { writeSample(data, write); };
    connect(qryData_, &SqlDataSet::afterEdit, this, [this]() { Guarded([this]() { qryData_AfterEdit(); }); });
    connect(qryData_, &SqlDataSet::afterInsert, this, [this]() { Guarded([this]() { qryData_AfterInsert(); }); });
    connect(qryData_, &SqlDataSet::afterPost, this, [this]() { Guarded([this]() { qryData_AfterPost(); }); });
    connect(qryData_, &SqlDataSet::afterCancel, this, [this]() { Guarded([this]() { qryData_AfterCancel(); }); });

    qrySampleOfficer_ = new GridModel(LocalDatabase(),
                                      S("SELECT UNIQUE_UUID, CODE, NAME, NAME_AND_TELEPHONE FROM SAMPLE_OFFICER "
                                        "WHERE FLAG_FOOD = 'T' AND FLAG_DELETED = 'F'"),
                                      S("UNIQUE_UUID"), this);
    qrySampleOfficer_->setObjectName(S("qrySampleOfficer_"));
    qrySampleOfficer_->setSort({{S("NAME"), Qt::AscendingOrder}});
    qryLocalAuthOffice_ = new GridModel(LocalDatabase(),
                                        S("SELECT UNIQUE_UUID, CODE, OFFICE_CODE, LOCAL_AUTHORITY__CODE, DESCRIPTION, "
                                          "FLAG_DELETED FROM LOCAL_AUTH_OFFICE WHERE FLAG_DELETED = 'F'"),
                                        S("UNIQUE_UUID"), this);
    qryLocalAuthOffice_->setObjectName(S("qryLocalAuthOffice_"));
    qryLocalAuthOffice_->setSort({{S("DESCRIPTION"), Qt::AscendingOrder}});

    FocusController = new TzqcxFocusController(this);
    FocusController->setObjectName(S("FocusController"));
    setSampleEditorColours(*FocusController);
    FocusController->SetDatasource(qryData_);

    buildActions();
    buildHeader();
    buildPages();
    connect(qApp, &QApplication::focusChanged, this, &TSampleEditFrm::inputLeft);
    resize(1080, 700);
}

TSampleEditFrm::~TSampleEditFrm()
{
    // Nothing of the half-destroyed form answers focus changes while its widgets go.
    disconnect(qApp, nullptr, this, nullptr);
    // The lists go before the connection of the form's transaction.
    delete qrySampleOfficer_;
    delete qryLocalAuthOffice_;
}

void TSampleEditFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    if (auto *defaults = dynamic_cast<TSampleEditFrmDefaults *>(DefaultInfo.get())) {
        m_createSample = defaults->CreateSample;
        m_uuid = defaults->uuid;
    }
    TIBBaseAdvancedfrm::InitialiseDefaults(std::move(DefaultInfo));
    FocusController->ClearInvalidEntryList();
    PageControl->setCurrentIndex(0);
    if (!m_createSample && m_uuid.isEmpty())
        throw VarnexError(S("No sample was given to the sample editor: neither a new one nor one to open."));

    // The lists and the sample (a form opened again under its key starts afresh).
    qryData_->cancel();
    for (GridModel *list : {qrySampleOfficer_, qryLocalAuthOffice_}) {
        if (list->isOpen())
            list->refresh();
        else
            list->open();
        list->fetchAll();
    }
    fillPickLists();
    qryData_->close();
    qryData_->open();
    applyColumnLimits();
    m_useLAEMSPremisesCodes = Maindm->UseLAEMSPremisesCodes();

    QString caption;
    if (m_createSample) {
        CreateNewSample();
        caption = S("New Sample.");
    } else {
        if (qryData_->isEmpty() || qryData_->text(S("RECORD_TYPE")) == Varnex::PersonalityAnimalFeed) {
            qryData_->close();
            throw VarnexError(NoSuchSampleMessage(m_uuid));
        }
        caption = S("Sample Details.");
    }
    m_oldSampleType = qryData_->text(S("ANALYSIS_TYPE"));
    setWindowTitle(CaptionWithRunMode(caption, Maindm->RunMode()));

    // A sent sample is changed only on purpose (Edit Sample), and never saved unvalidated.
    m_f8Withheld = Sent();
    qryData_->setAutoEdit(!m_f8Withheld);
    UpdateActions();
    rgAnalysisTypeChange();

    focusFirstOnPage(tabAdmin);
    FocusController->ClearInvalidEntryList();
    VerifyAll();
}

void TSampleEditFrm::applyColumnLimits()
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

template <class TEditor>
TEditor *TSampleEditFrm::bound(QWidget *parent, const QString &field)
{
    auto *editor = new TEditor(parent);
    editor->SetDataBinding(qryData_, field);
    editor->SetFocusController(FocusController);
    m_inputs.insert(editor);
    if (!m_targets.contains(field))
        m_targets.insert(field, editor);
    return editor;
}

QLabel *TSampleEditFrm::caption(QWidget *parent, const QString &text, QWidget *control, bool required)
{
    auto *label = new QLabel(parent);
    if (required) {
        label->setTextFormat(Qt::RichText);
        label->setText(text.toHtmlEscaped() + requiredMark());
    } else {
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
    }
    if (control) {
        label->setBuddy(control);
        m_labels.insert(control, label);
    }
    return label;
}

void TSampleEditFrm::setListSource(TzqcxDBLookupComboBox *combo, const QString &source, const QString &keyField,
                                   const QString &descriptionField)
{
    if (m_sources.value(combo) == source && m_sources.contains(combo))
        return;
    m_sources.insert(combo, source);
    // Without the lookup module (made after login) the box shows the stored code alone.
    combo->SetListSource(LookupDataDm ? LookupDataDm->DataSource(source) : nullptr, keyField, descriptionField);
}

TzqcxDBLookupComboBox *TSampleEditFrm::lookup(QWidget *parent, const QString &field, const QString &source,
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

TzqcxDBComboBox *TSampleEditFrm::pickList(QWidget *parent, const QString &field, bool upperCase)
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

TzqcxDBImageComboBox *TSampleEditFrm::yesNo(QWidget *parent, const QString &field)
{
    auto *combo = bound<TzqcxDBImageComboBox>(parent, field);
    combo->AddItem(S("YES"), S("T"));
    combo->AddItem(S("NO"), S("F"));
    combo->setMinimumContentsLength(6);
    connect(combo, &QComboBox::activated, this, [this]() { Guarded([this]() { VerifyAll(); }); });
    return combo;
}

void TSampleEditFrm::watchRadioChange(TzqcxDBRadioGroup *group, const QString &field, void (TSampleEditFrm::*handler)())
{
    // The group's own handler has written the value when idClicked reaches this one; the
    // change handler runs only when the choice changed.
    auto *buttons = group->findChild<QButtonGroup *>();
    connect(buttons, &QButtonGroup::idPressed, this, [this, field]() {
        m_valueBeforeClick = qryData_->isActive() ? qryData_->text(field) : QString();
    });
    connect(buttons, &QButtonGroup::idClicked, this, [this, field, handler]() {
        if (qryData_->isActive() && qryData_->text(field) != m_valueBeforeClick)
            Guarded([this, handler]() { (this->*handler)(); });
    });
}

void TSampleEditFrm::buildActions()
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
    make(actEdit, "actEdit", S("Edit Sample (F6)"), QKeySequence(Qt::Key_F6));
    make(actPost, "actPost", S("Save  With Validation(F7)"), QKeySequence(Qt::Key_F7));
    make(actSaveWithoutValidation, "actSaveWithoutValidation", S("Save Without Validating (F8)"), QKeySequence(Qt::Key_F8));
    make(actCancel, "actCancel", S("Abandon And Close"));
    make(actDeleteSample, "actDeleteSample", S("Delete Sample"));
    make(actNewSample, "actNewSample", S("New Sample (F5)"));
    make(actPriorPage, "actPriorPage", S("(F9)"), QKeySequence(Qt::Key_F9));
    make(actNextPage, "actNextPage", S("(F10)"), QKeySequence(Qt::Key_F10));
    make(actCategoryTree, "actCategoryTree", S("Category Tree"));
    make(actLabelling, "actLabelling", S("Labelling"));
    make(actAnalysisBuilder, "actAnalysisBuilder", S("Analysis Builder"));
    make(actNotAvailable, "actNotAvailable", S("Not available"));
    make(actPickPremises, "actPickPremises", S("…"));

    actPickPremises->setToolTip(S("Choose the premises from the premises list"));
    // Never offered by this editor.
    actDeleteSample->setVisible(false);
    actNewSample->setEnabled(false);
    actNewSample->setVisible(false);
    // Enabled by the view rules.
    actLabelling->setEnabled(false);
    actAnalysisBuilder->setEnabled(false);

    connect(actEdit, &QAction::triggered, this, [this]() { Guarded([this]() { actEditExecute(); }); });
    connect(actPost, &QAction::triggered, this, [this]() { SaveSample(true); });
    connect(actSaveWithoutValidation, &QAction::triggered, this, [this]() { SaveSample(false); });
    connect(actCancel, &QAction::triggered, this, [this]() { Guarded([this]() { actCancelExecute(); }); });
    connect(actPriorPage, &QAction::triggered, this, [this]() { actPriorPageExecute(); });
    connect(actNextPage, &QAction::triggered, this, [this]() { actNextPageExecute(); });
    connect(actCategoryTree, &QAction::triggered, this, [this]() { Guarded([this]() { actCategoryTreeExecute(); }); });
    connect(actNotAvailable, &QAction::triggered, this, [this]() { Guarded([this]() { actNotAvailableExecute(); }); });
    connect(actPickPremises, &QAction::triggered, this, [this]() { Guarded([this]() { actPickPremisesExecute(); }); });
    connect(actLabelling, &QAction::triggered, this, [this]() { Guarded([this]() { actLabellingExecute(); }); });
    connect(actAnalysisBuilder, &QAction::triggered, this, [this]() { Guarded([this]() { actAnalysisBuilderExecute(); }); });

    // The side panel, from the top.
    for (QAction *a : {actEdit, actPost, actSaveWithoutValidation, actCancel, actDeleteSample}) {
        ActionButton *button = AddButton(a);
        button->setMinimumHeight(32);
    }
    RzPanel1->setMinimumWidth(220);
}

void TSampleEditFrm::buildHeader()
{
    auto *band = qobject_cast<QHBoxLayout *>(RzPanel2->layout());
    band->setContentsMargins(8, 4, 8, 4);
    RzPanel2->setAutoFillBackground(true);
    QPalette p = RzPanel2->palette();
    p.setColor(QPalette::Window, FoodHeadingColour);
    RzPanel2->setPalette(p);

    lblHeader = new QLabel(S("  Food sample"), RzPanel2);
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

QPushButton *TSampleEditFrm::actionButton(QAction *action, const QString &text, QWidget *parent)
{
    // A button of its own caption that does what the action does, enabled and explained as it is.
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

QWidget *TSampleEditFrm::pageButtons(QWidget *page, bool back, bool forward, bool turnsOnTab)
{
    auto *bar = new QWidget(page);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 6, 0, 0);
    layout->addStretch(1);
    if (back) {
        auto *button = new QPushButton(style()->standardIcon(QStyle::SP_ArrowBack), actPriorPage->text(), bar);
        button->setObjectName(S("btnPrior") + page->objectName().mid(3));
        button->setToolTip(S("Previous page"));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, actPriorPage, &QAction::trigger);
        layout->addWidget(button);
        PriorButtons << button;
    }
    if (forward) {
        auto *button = new QPushButton(style()->standardIcon(QStyle::SP_ArrowForward), actNextPage->text(), bar);
        button->setObjectName(S("btnNext") + page->objectName().mid(3));
        button->setToolTip(S("Next page"));
        button->setLayoutDirection(Qt::RightToLeft); // the arrow after the text
        button->setAutoDefault(false);
        if (turnsOnTab)
            button->setProperty("tag", TurnPageTag);
        connect(button, &QPushButton::clicked, actNextPage, &QAction::trigger);
        layout->addWidget(button);
        NextButtons << button;
    }
    return bar;
}

namespace {

QFormLayout *formLayout(QWidget *parent)
{
    auto *form = new QFormLayout(parent);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(6);
    return form;
}

QFormLayout *formLayout()
{
    return formLayout(nullptr);
}

QGridLayout *gridLayout(QWidget *parent)
{
    auto *grid = new QGridLayout(parent);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);
    return grid;
}

QWidget *row(QWidget *parent, const QList<QWidget *> &widgets, bool stretch = true)
{
    auto *w = new QWidget(parent);
    auto *layout = new QHBoxLayout(w);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    for (QWidget *x : widgets) {
        x->setParent(w);
        layout->addWidget(x);
    }
    if (stretch)
        layout->addStretch(1);
    return w;
}

// The buttons of a radio group side by side.
void lineUp(TzqcxDBRadioGroup *group)
{
    delete group->layout();
    auto *layout = new QHBoxLayout(group);
    layout->setContentsMargins(6, 2, 6, 2);
}

QWidget *newPage(const char *name)
{
    auto *page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    return page;
}

} // namespace

void TSampleEditFrm::buildPages()
{
    auto *layout = new QVBoxLayout(ClientArea);
    layout->setContentsMargins(6, 6, 6, 6);
    PageControl = new QTabWidget(ClientArea);
    PageControl->setObjectName(S("PageControl"));
    PageControl->setProperty("tag", TurnPageTag);
    layout->addWidget(PageControl);

    PageControl->addTab(buildAdminPage(), S("Admin"));
    PageControl->addTab(buildReasonPage(), S("Reason"));
    PageControl->addTab(buildDescriptionPage(), S("Description"));
    PageControl->addTab(buildAdditionalPage(), S("Additional"));
    PageControl->addTab(buildCOPPage(), S("COP"));
    PageControl->addTab(buildAttachmentsPage(), S("Attachments"));
    connect(PageControl, &QTabWidget::currentChanged, this, [this](int index) { PageControlChange(index); });

    m_targets.insert(SampleTarget::SampleTypeEnforcement, cmbSampleTypeEnforcement);
    m_targets.insert(SampleTarget::SampleTypeSurveillance, cmbSampleTypeSurveillance);
    m_targets.insert(SampleTarget::SampleTakenFrom, cmbAdditionalInfo);
    m_targets.insert(SampleTarget::CategoryTree, btnCategoryTree);
}

QWidget *TSampleEditFrm::buildAdminPage()
{
    tabAdmin = newPage("tabAdmin");
    auto *page = new QVBoxLayout(tabAdmin);
    grpGeneral = new QGroupBox(S("General"), tabAdmin);
    grpGeneral->setObjectName(S("grpGeneral"));
    grpGeneral->setFocusPolicy(Qt::NoFocus);
    auto *columns = new QHBoxLayout(grpGeneral);
    columns->setSpacing(24);

    // The sample: left column.
    auto *left = formLayout();
    rgAnalysisType = bound<TzqcxDBRadioGroup>(grpGeneral, S("ANALYSIS_TYPE"));
    rgAnalysisType->setObjectName(S("rgAnalysisType"));
    lineUp(rgAnalysisType);
    rgAnalysisType->SetItems({S("Micro"), S("Chemical")}, {S("M"), S("C")});
    rgAnalysisType->setFlat(true);
    watchRadioChange(rgAnalysisType, S("ANALYSIS_TYPE"), &TSampleEditFrm::rgAnalysisTypeChange);
    left->addRow(caption(grpGeneral, S("Analysis Type:"), rgAnalysisType, true), rgAnalysisType);

    edtCode = bound<TzqcxDBTextEdit>(grpGeneral, S("CODE"));
    edtCode->setObjectName(S("edtCode"));
    showReadOnly(edtCode);
    left->addRow(caption(grpGeneral, S("Varnex Reference:"), edtCode), edtCode);
    edtLASampleNo = bound<TzqcxDBTextEdit>(grpGeneral, S("LA_SAMPLENO"));
    edtLASampleNo->setObjectName(S("edtLASampleNo"));
    left->addRow(caption(grpGeneral, S("Sample Number:"), edtLASampleNo, true), edtLASampleNo);
    cmbOffice = bound<TzqcxDBLookupComboBox>(grpGeneral, S("LOCAL_AUTH_OFFICE__CODE"));
    cmbOffice->setObjectName(S("cmbOffice"));
    cmbOffice->SetListSource(qryLocalAuthOffice_, S("CODE"), S("DESCRIPTION"));
    connect(cmbOffice, &QComboBox::activated, this, [this]() { Guarded([this]() { VerifyAll(); }); });
    left->addRow(caption(grpGeneral, S("Office:"), cmbOffice, true), cmbOffice);
    cmbOfficer = bound<TzqcxDBLookupComboBox>(grpGeneral, S("SAMPLE_OFFICER__CODE"));
    cmbOfficer->setObjectName(S("cmbOfficer"));
    cmbOfficer->SetListSource(qrySampleOfficer_, S("CODE"), S("NAME"));
    connect(cmbOfficer, &QComboBox::activated, this, [this]() { Guarded([this]() { VerifyAll(); }); });
    left->addRow(caption(grpGeneral, S("Sampling Officer:"), cmbOfficer, true), cmbOfficer);
    for (QComboBox *c : {static_cast<QComboBox *>(cmbOffice), static_cast<QComboBox *>(cmbOfficer)}) {
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        c->setMinimumContentsLength(18);
    }
    dtSampleDate = bound<TzqcxDBDateEdit>(grpGeneral, S("SAMPLE_DATE"));
    dtSampleDate->setObjectName(S("dtSampleDate"));
    dtSampleDate->setDisplayFormat(S("dd MMM yyyy"));
    dtSampleDate->setMinimumWidth(130);
    left->addRow(caption(grpGeneral, S("Sample Date:"), dtSampleDate, true), row(grpGeneral, {dtSampleDate}));
    edtSampleTime = bound<TzqcxDBTimeEdit>(grpGeneral, S("SAMPLE_TIME"));
    edtSampleTime->setObjectName(S("edtSampleTime"));
    edtSampleTime->setMaximumWidth(80);
    left->addRow(caption(grpGeneral, S("Time (24 hr):"), edtSampleTime, true), row(grpGeneral, {edtSampleTime}));
    edtPurchaseCost = bound<TzqcxDBCurrencyEdit>(grpGeneral, S("PURCHASE_COST"));
    edtPurchaseCost->setObjectName(S("edtPurchaseCost"));
    edtAnalysisCost = bound<TzqcxDBCurrencyEdit>(grpGeneral, S("ANALYSIS_COST"));
    edtAnalysisCost->setObjectName(S("edtAnalysisCost"));
    for (TzqcxDBCurrencyEdit *cost : {edtPurchaseCost, edtAnalysisCost}) {
        cost->setPrefix(S("£"));
        cost->setGroupSeparatorShown(true);
        cost->setButtonSymbols(QAbstractSpinBox::NoButtons);
        cost->setAlignment(Qt::AlignRight);
        cost->setMinimumWidth(130);
    }
    left->addRow(caption(grpGeneral, S("Purchase Cost:"), edtPurchaseCost), row(grpGeneral, {edtPurchaseCost}));
    left->addRow(caption(grpGeneral, S("Analysis Cost:"), edtAnalysisCost), row(grpGeneral, {edtAnalysisCost}));

    // The premises: right column.
    auto *right = formLayout();
    edtBusinessId = bound<TzqcxDBButtonEdit>(grpGeneral, S("BUSINESS_ID"));
    edtBusinessId->setObjectName(S("edtBusinessId"));
    edtBusinessId->SetUpperCase(true);
    edtBusinessId->Button()->setToolTip(actPickPremises->toolTip());
    connect(edtBusinessId, &TzqcxDBButtonEdit::buttonClicked, actPickPremises, &QAction::trigger);
    btnNotAvailable = actionButton(actNotAvailable, actNotAvailable->text(), grpGeneral);
    btnNotAvailable->setObjectName(S("btnNotAvailable"));
    auto *businessRow = new QWidget(grpGeneral);
    auto *businessLayout = new QHBoxLayout(businessRow);
    businessLayout->setContentsMargins(0, 0, 0, 0);
    edtBusinessId->setParent(businessRow);
    btnNotAvailable->setParent(businessRow);
    businessLayout->addWidget(edtBusinessId, 1);
    businessLayout->addWidget(btnNotAvailable);
    right->addRow(caption(grpGeneral, S("LAEMS Business ID:"), edtBusinessId, true), businessRow);
    edtPremisesName = bound<TzqcxDBTextEdit>(grpGeneral, S("PREMISES_NAME"));
    edtPremisesName->setObjectName(S("edtPremisesName"));
    right->addRow(caption(grpGeneral, S("Premises Name:"), edtPremisesName, true), edtPremisesName);
    TzqcxDBTextEdit **addresses[] = {&edtAddress1, &edtAddress2, &edtAddress3, &edtAddress4};
    for (int i = 0; i < 4; ++i) {
        *addresses[i] = bound<TzqcxDBTextEdit>(grpGeneral, S("BUSINESS_ADDR_%1").arg(i + 1));
        (*addresses[i])->setObjectName(S("edtAddress%1").arg(i + 1));
        right->addRow(caption(grpGeneral, S("Address %1:").arg(i + 1), *addresses[i]), *addresses[i]);
    }
    edtPostCode = bound<TzqcxDBTextEdit>(grpGeneral, S("BUSINESS_POSTCODE"));
    edtPostCode->setObjectName(S("edtPostCode"));
    edtPostCode->SetUpperCase(true);
    edtPostCode->setMaximumWidth(110);
    right->addRow(caption(grpGeneral, S("Post Code:"), edtPostCode), row(grpGeneral, {edtPostCode}));
    cmbRiskCategory = lookup(grpGeneral, S("RISK_CATEGORY"), S("srcFoodSaftyRiskCategory"));
    cmbRiskCategory->setObjectName(S("cmbRiskCategory"));
    right->addRow(caption(grpGeneral, S("Food Safety Risk Category:"), cmbRiskCategory, true), cmbRiskCategory);
    cmbRiskCategoryFS = lookup(grpGeneral, S("RISK_CATEGORY_FOOD_STAND__CODE"), S("srcFoodStandardsRiskCategory"));
    cmbRiskCategoryFS->setObjectName(S("cmbRiskCategoryFS"));
    right->addRow(caption(grpGeneral, S("Food Standards Risk Category:"), cmbRiskCategoryFS, true), cmbRiskCategoryFS);
    cmbPremisesType = lookup(grpGeneral, S("PREMISES_TYPE__CODE"), S("srcPremisesType"));
    cmbPremisesType->setObjectName(S("cmbPremisesType"));
    lblPremisesType = caption(grpGeneral, S("Premises Type:"), cmbPremisesType, true);
    lblPremisesType->setObjectName(S("lblPremisesType"));
    right->addRow(lblPremisesType, cmbPremisesType);

    columns->addLayout(left, 1);
    auto *divider = new QFrame(grpGeneral);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Sunken);
    columns->addWidget(divider);
    columns->addLayout(right, 1);
    page->addWidget(grpGeneral);
    page->addStretch(1);
    page->addWidget(pageButtons(tabAdmin, false, true, true));
    return tabAdmin;
}

QWidget *TSampleEditFrm::buildReasonPage()
{
    tabReason = newPage("tabReason");
    auto *page = new QVBoxLayout(tabReason);
    rgReason = bound<TzqcxDBRadioGroup>(tabReason, S("REASON__CODE"));
    rgReason->setObjectName(S("rgReason"));
    rgReason->setTitle(S("Reason for taking sample"));
    lineUp(rgReason);
    rgReason->SetItems({reasonCaption(S("E")), reasonCaption(S("S"))}, {S("E"), S("S")});
    qobject_cast<QHBoxLayout *>(rgReason->layout())->addStretch(1);
    rgReason->layout()->setSpacing(40);
    watchRadioChange(rgReason, S("REASON__CODE"), &TSampleEditFrm::rgReasonChange);
    page->addWidget(rgReason);

    auto *groups = new QHBoxLayout;
    groups->setSpacing(12);
    grpEnforcement = new QGroupBox(reasonCaption(S("E")), tabReason);
    grpEnforcement->setObjectName(S("grpEnforcement"));
    auto *enforcement = formLayout(grpEnforcement);
    cmbSampleTypeEnforcement = lookup(grpEnforcement, S("SAMPLE_TYPE__CODE"), S("srcSampleTypeEnforcement"));
    cmbSampleTypeEnforcement->setObjectName(S("cmbSampleTypeEnforcement"));
    enforcement->addRow(caption(grpEnforcement, S("Sample Type:"), cmbSampleTypeEnforcement, true), cmbSampleTypeEnforcement);
    chkFollowUp = bound<TzqcxDBCheckBox>(grpEnforcement, S("FLAG_FOLLOW_UP"));
    chkFollowUp->setObjectName(S("chkFollowUp"));
    chkFollowUp->setText(S("Follow Up Sample"));
    enforcement->addRow(QString(), chkFollowUp);
    edtIndexNumber = bound<TzqcxDBTextEdit>(grpEnforcement, S("INDEX_NUMBER"));
    edtIndexNumber->setObjectName(S("edtIndexNumber"));
    enforcement->addRow(caption(grpEnforcement, S("Index Sample Number:"), edtIndexNumber), edtIndexNumber);
    chkFoodPoisoning = bound<TzqcxDBCheckBox>(grpEnforcement, S("FLAG_FOOD_POISONING"));
    chkFoodPoisoning->setObjectName(S("chkFoodPoisoning"));
    chkFoodPoisoning->setText(S("Food borne illness Investigation"));
    enforcement->addRow(QString(), chkFoodPoisoning);
    memDetails = bound<TzqcxDBMemo>(grpEnforcement, S("DETAILS"));
    memDetails->setObjectName(S("memDetails"));
    memDetails->SetMaxLength(1024);
    memDetails->setTabChangesFocus(true);
    enforcement->addRow(caption(grpEnforcement, S("Details (including relevant outbreak number):"), memDetails));
    enforcement->addRow(memDetails);

    grpSurveillance = new QGroupBox(reasonCaption(S("S")), tabReason);
    grpSurveillance->setObjectName(S("grpSurveillance"));
    auto *surveillance = formLayout(grpSurveillance);
    cmbSampleTypeSurveillance = lookup(grpSurveillance, S("SAMPLE_TYPE__CODE"), S("srcSampleTypeSurveillance"));
    cmbSampleTypeSurveillance->setObjectName(S("cmbSampleTypeSurveillance"));
    surveillance->addRow(caption(grpSurveillance, S("Sample Type:"), cmbSampleTypeSurveillance, true), cmbSampleTypeSurveillance);
    chkSurvey = bound<TzqcxDBCheckBox>(grpSurveillance, S("FLAG_SURVEY"));
    chkSurvey->setObjectName(S("chkSurvey"));
    chkSurvey->setText(S("Sample was taken as part of a survey"));
    surveillance->addRow(QString(), chkSurvey);
    cmbSurveyBody = lookup(grpSurveillance, S("SURVEY_BODY__CODE"), S("srcSurveyBody"));
    cmbSurveyBody->setObjectName(S("cmbSurveyBody"));
    surveillance->addRow(caption(grpSurveillance, S("Survey Body:"), cmbSurveyBody, true), cmbSurveyBody);
    cmbSurveyRef = pickList(grpSurveillance, S("SURVEY_NUMBER"), true);
    cmbSurveyRef->setObjectName(S("cmbSurveyRef"));
    surveillance->addRow(caption(grpSurveillance, S("Survey Ref:"), cmbSurveyRef, true), cmbSurveyRef);

    for (TzqcxDBCheckBox *box : {chkFollowUp, chkFoodPoisoning, chkSurvey})
        connect(box, &QCheckBox::clicked, this, [this]() { Guarded([this]() { VerifyAll(); }); });

    groups->addWidget(grpEnforcement, 1);
    groups->addWidget(grpSurveillance, 1, Qt::AlignTop);
    page->addLayout(groups);
    page->addStretch(1);
    page->addWidget(pageButtons(tabReason, true, true, true));
    return tabReason;
}

QWidget *TSampleEditFrm::buildDescriptionPage()
{
    tabDescription = newPage("tabDescription");
    auto *page = new QVBoxLayout(tabDescription);
    auto *group = new QGroupBox(S("Description of sample taken"), tabDescription);
    group->setObjectName(S("grpDescription"));
    // Captions, fields, and beside the four category levels the category tree.
    auto *grid = gridLayout(group);
    grid->setColumnStretch(1, 1);
    int line = 0;
    const auto addLine = [&](QLabel *label, QWidget *field, int span = 2) {
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(label, line, 0);
        grid->addWidget(field, line, 1, 1, span);
        ++line;
    };

    cmbBrandName = pickList(group, S("BRAND_NAME"), true);
    cmbBrandName->setObjectName(S("cmbBrandName"));
    addLine(caption(group, S("Brand Name:"), cmbBrandName), cmbBrandName);
    cmbFoodDescription = pickList(group, S("FOOD_DESCRIPTION"), true);
    cmbFoodDescription->setObjectName(S("cmbFoodDescription"));
    addLine(caption(group, S("Food Description:"), cmbFoodDescription, true), cmbFoodDescription);
    cmbProduct = lookup(group, S("PRODUCT__CODE"), S("srcProductType"));
    cmbProduct->setObjectName(S("cmbProduct"));
    addLine(caption(group, S("Nature of product:"), cmbProduct, true), cmbProduct);

    TzqcxDBTextEdit **levels[] = {&edtCategory, &edtSubCategory, &edtSubCategory2, &edtSubCategory3};
    const QStringList levelFields = {S("CATEGORY_DESCRIPTION"), S("SUB_CATEGORY_DESCRIPTION"),
                                     S("SUB_CATEGORY_2_DESCRIPTION"), S("SUB_CATEGORY_3_DESCRIPTION")};
    const QStringList levelNames = {S("edtCategory"), S("edtSubCategory"), S("edtSubCategory2"), S("edtSubCategory3")};
    const int firstLevel = line;
    for (int i = 0; i < 4; ++i) {
        *levels[i] = bound<TzqcxDBTextEdit>(group, levelFields[i]);
        (*levels[i])->setObjectName(levelNames[i]);
        showReadOnly(*levels[i]);
        addLine(caption(group, i == 0 ? S("Category:") : S("Sub category:"), *levels[i], i == 0), *levels[i], 1);
    }
    pnlCategoryTree = new QFrame(group);
    pnlCategoryTree->setObjectName(S("pnlCategoryTree"));
    pnlCategoryTree->setFrameShape(QFrame::StyledPanel);
    pnlCategoryTree->setAutoFillBackground(true);
    auto *treeLayout = new QVBoxLayout(pnlCategoryTree);
    treeLayout->setContentsMargins(8, 8, 8, 8);
    btnCategoryTree = actionButton(actCategoryTree, actCategoryTree->text(), pnlCategoryTree);
    btnCategoryTree->setObjectName(S("btnCategoryTree"));
    btnCategoryTree->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    btnCategoryTree->setMinimumSize(130, 56);
    treeLayout->addWidget(btnCategoryTree);
    grid->addWidget(pnlCategoryTree, firstLevel, 2, 4, 1);

    cmbMAFF = lookup(group, S("MAFF__CODE"), S("srcMAFF"));
    cmbMAFF->setObjectName(S("cmbMAFF"));
    addLine(caption(group, S("MAFF Code:"), cmbMAFF), cmbMAFF);

    auto *additional = new QWidget(group);
    auto *additionalLayout = new QVBoxLayout(additional);
    additionalLayout->setContentsMargins(0, 0, 0, 0);
    cmbAdditionalInfo = lookup(additional, S("ADDITIONAL_INFO"), S("srcAdditionalCategoryInfo"));
    cmbAdditionalInfo->setObjectName(S("cmbAdditionalInfo"));
    memAdditionalInfo = bound<TzqcxDBMemo>(additional, S("ADDITIONAL_INFO"));
    memAdditionalInfo->setObjectName(S("memAdditionalInfo"));
    memAdditionalInfo->setTabChangesFocus(true);
    memAdditionalInfo->setFixedHeight(memAdditionalInfo->fontMetrics().lineSpacing() * 2 + 14);
    additionalLayout->addWidget(cmbAdditionalInfo);
    additionalLayout->addWidget(memAdditionalInfo);
    lblAdditionalInfo = caption(group, S("Additional Category Information:"), memAdditionalInfo, true);
    lblAdditionalInfo->setObjectName(S("lblAdditionalInfo"));
    m_labels.insert(cmbAdditionalInfo, lblAdditionalInfo);
    addLine(lblAdditionalInfo, additional);

    cmbManufacturer = pickList(group, S("MANUFACTURER"), true);
    cmbManufacturer->setObjectName(S("cmbManufacturer"));
    addLine(caption(group, S("Manufacturer:"), cmbManufacturer), cmbManufacturer);
    cmbDistributor = pickList(group, S("DISTRIBUTER"), true);
    cmbDistributor->setObjectName(S("cmbDistributor"));
    addLine(caption(group, S("Distributor/Supplier/ Packer:"), cmbDistributor), cmbDistributor);
    cmbImporter = pickList(group, S("IMPORTER"), true);
    cmbImporter->setObjectName(S("cmbImporter"));
    addLine(caption(group, S("Importer (if appropriate):"), cmbImporter), cmbImporter);

    auto *countryRow = new QWidget(group);
    auto *countryLayout = new QHBoxLayout(countryRow);
    countryLayout->setContentsMargins(0, 0, 0, 0);
    cmbCountryRegion = bound<TzqcxDBImageComboBox>(countryRow, S("COUNTRY_REGION"));
    cmbCountryRegion->setObjectName(S("cmbCountryRegion"));
    for (const QString &region : {S("UK"), S("EU"), S("Non EU")})
        cmbCountryRegion->AddItem(region, region);
    cmbCountryRegion->setMinimumContentsLength(7);
    connect(cmbCountryRegion, &QComboBox::activated, this, [this]() { Guarded([this]() { VerifyAll(); }); });
    cmbCountry = lookup(countryRow, S("COUNTRY"), S("srcUKCountry"), S("Name"), QString());
    cmbCountry->setObjectName(S("cmbCountry"));
    countryLayout->addWidget(cmbCountryRegion);
    countryLayout->addWidget(cmbCountry, 1);
    QLabel *countryCaption = caption(group, S("Country of origin:"), cmbCountryRegion, true);
    m_labels.insert(cmbCountry, countryCaption);
    addLine(countryCaption, countryRow);

    page->addWidget(group);
    page->addStretch(1);
    page->addWidget(pageButtons(tabDescription, true, true, true));
    return tabDescription;
}

QWidget *TSampleEditFrm::buildAdditionalPage()
{
    tabAdditional = newPage("tabAdditional");
    auto *page = new QVBoxLayout(tabAdditional);
    auto *groups = new QHBoxLayout;
    groups->setSpacing(12);

    auto *packaging = new QGroupBox(S(" Packaging "), tabAdditional);
    packaging->setObjectName(S("grpPackaging"));
    auto *pform = formLayout(packaging);
    cmbPackaging = lookup(packaging, S("PACKAGING__CODE"), S("srcPackagingType"));
    cmbPackaging->setObjectName(S("cmbPackaging"));
    btnLabelling = actionButton(actLabelling, actLabelling->text(), packaging);
    btnLabelling->setObjectName(S("btnLabelling"));
    pform->addRow(caption(packaging, S("Packaging provided:"), cmbPackaging, true), row(packaging, {cmbPackaging, btnLabelling}, false));
    cmbMaterial = lookup(packaging, S("MATERIAL__CODE"), S("srcMaterialType"));
    cmbMaterial->setObjectName(S("cmbMaterial"));
    pform->addRow(caption(packaging, S("Packaging material:"), cmbMaterial, true), cmbMaterial);
    edtOtherMaterial = bound<TzqcxDBTextEdit>(packaging, S("OTHER_MATERIAL"));
    edtOtherMaterial->setObjectName(S("edtOtherMaterial"));
    pform->addRow(caption(packaging, S("Other Material:"), edtOtherMaterial), edtOtherMaterial);
    edtQuantity = bound<TzqcxDBSpinEdit>(packaging, S("QUANTITY"));
    edtQuantity->setObjectName(S("edtQuantity"));
    edtQuantity->setDecimals(2);
    edtQuantity->setSingleStep(0.01);
    edtQuantity->SetRange(0, 999999999.99);
    edtQuantity->setButtonSymbols(QAbstractSpinBox::NoButtons);
    edtQuantity->setMinimumWidth(110);
    pform->addRow(caption(packaging, S("Pack Quantity/size:"), edtQuantity), row(packaging, {edtQuantity}));
    cmbPackUnits = lookup(packaging, S("PACK_SIZE"), S("srcPackagingUnit"));
    cmbPackUnits->setObjectName(S("cmbPackUnits"));
    pform->addRow(caption(packaging, S("Pack Units:"), cmbPackUnits), cmbPackUnits);
    cmbBatchNumber = pickList(packaging, S("BATCH_NUMBER"), false);
    cmbBatchNumber->setObjectName(S("cmbBatchNumber"));
    cmbBatchNumber->addItems({S("Not provided on packaging"), S("Illegible on packaging")});
    cmbBatchNumber->setCurrentIndex(-1);
    pform->addRow(caption(packaging, S("Batch/Lot No:"), cmbBatchNumber, true), cmbBatchNumber);
    edtHealthMark = bound<TzqcxDBTextEdit>(packaging, S("HEALTH_MARK"));
    edtHealthMark->setObjectName(S("edtHealthMark"));
    pform->addRow(caption(packaging, S("Health Mark:"), edtHealthMark), edtHealthMark);

    auto *durability = new QGroupBox(S(" Durability "), tabAdditional);
    durability->setObjectName(S("grpDurability"));
    auto *dform = formLayout(durability);
    cmbDurability = lookup(durability, S("DURABILITY__CODE"), S("srcDurability"));
    cmbDurability->setObjectName(S("cmbDurability"));
    dform->addRow(caption(durability, S("Durability:"), cmbDurability, true), cmbDurability);
    edtDurabilityDay = bound<TzqcxDBSpinEdit>(durability, S("DURABILITY_DAY"));
    edtDurabilityDay->setObjectName(S("edtDurabilityDay"));
    edtDurabilityDay->SetRange(0, 99);
    edtDurabilityMonth = bound<TzqcxDBSpinEdit>(durability, S("DURABILITY_MONTH"));
    edtDurabilityMonth->setObjectName(S("edtDurabilityMonth"));
    edtDurabilityMonth->SetRange(0, 99);
    edtDurabilityYear = bound<TzqcxDBSpinEdit>(durability, S("DURABILITY_YEAR"));
    edtDurabilityYear->setObjectName(S("edtDurabilityYear"));
    edtDurabilityYear->SetRange(0, 9999);
    auto *dateRow = new QWidget(durability);
    auto *dateLayout = new QHBoxLayout(dateRow);
    dateLayout->setContentsMargins(0, 0, 0, 0);
    dateLayout->setSpacing(6);
    const QList<QPair<QString, TzqcxDBSpinEdit *>> parts = {
        {S("Day"), edtDurabilityDay}, {S("Month"), edtDurabilityMonth}, {S("Year"), edtDurabilityYear}};
    for (const auto &part : parts) {
        QLabel *label = caption(dateRow, part.first, part.second);
        part.second->setParent(dateRow);
        part.second->setButtonSymbols(QAbstractSpinBox::NoButtons);
        part.second->setAlignment(Qt::AlignRight);
        part.second->setFixedWidth(part.second == edtDurabilityYear ? 64 : 44);
        dateLayout->addWidget(label);
        dateLayout->addWidget(part.second);
        dateLayout->addSpacing(6);
    }
    auto *yearNote = new QLabel(S("4 digits eg 2003"), dateRow);
    yearNote->setEnabled(false);
    dateLayout->addWidget(yearNote);
    dateLayout->addStretch(1);
    dform->addRow(QString(), dateRow);
    cmbCondition = lookup(durability, S("CONDITION__CODE"), S("srcCondition"));
    cmbCondition->setObjectName(S("cmbCondition"));
    dform->addRow(caption(durability, S("Condition:"), cmbCondition, true), cmbCondition);
    edtOtherCondition = bound<TzqcxDBTextEdit>(durability, S("OTHER_CONDITION"));
    edtOtherCondition->setObjectName(S("edtOtherCondition"));
    dform->addRow(caption(durability, S("If other, Specify:"), edtOtherCondition), edtOtherCondition);
    edtTemperature = bound<TzqcxDBSpinEdit>(durability, S("TEMPERATURE"));
    edtTemperature->setObjectName(S("edtTemperature"));
    edtTemperature->setDecimals(1);
    edtTemperature->setSingleStep(0.1);
    edtTemperature->SetRange(-999.9, 999.9);
    edtTemperature->setButtonSymbols(QAbstractSpinBox::NoButtons);
    edtTemperature->setAlignment(Qt::AlignRight);
    edtTemperature->setFixedWidth(80);
    dform->addRow(caption(durability, S("Temperature:"), edtTemperature),
                  row(durability, {edtTemperature, new QLabel(S("(ºC)"))}));

    groups->addWidget(packaging, 1, Qt::AlignTop);
    groups->addWidget(durability, 1, Qt::AlignTop);
    page->addLayout(groups);
    page->addStretch(1);
    page->addWidget(pageButtons(tabAdditional, true, true, true));
    return tabAdditional;
}

QWidget *TSampleEditFrm::buildCOPPage()
{
    tabCOP = newPage("tabCOP");
    auto *page = new QVBoxLayout(tabCOP);

    auto *compliance = new QGroupBox(S("Compliance with COP"), tabCOP);
    compliance->setObjectName(S("grpCompliance"));
    auto *cgrid = gridLayout(compliance);
    const auto longCaption = [this](QWidget *parent, const QString &text, QWidget *control, bool required) {
        QLabel *label = caption(parent, text, control, required);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setMinimumWidth(330);
        return label;
    };
    cmbCOPCondition = yesNo(compliance, S("FLAG_COP_CONDITION"));
    cmbCOPCondition->setObjectName(S("cmbCOPCondition"));
    cgrid->addWidget(longCaption(compliance, S("Sample was taken in compliance with COP and  relevant legislation:"),
                                 cmbCOPCondition, true),
                     0, 0);
    cgrid->addWidget(row(compliance, {cmbCOPCondition, new QLabel(S("(YES/NO)"))}), 0, 1);
    edtNotCOP = bound<TzqcxDBTextEdit>(compliance, S("NOT_COP"));
    edtNotCOP->setObjectName(S("edtNotCOP"));
    cgrid->addWidget(longCaption(compliance, S("Explanation:"), edtNotCOP, false), 1, 0);
    cgrid->addWidget(edtNotCOP, 1, 1);
    cmbCOPLab = yesNo(compliance, S("FLAG_COP_LAB"));
    cmbCOPLab->setObjectName(S("cmbCOPLab"));
    cgrid->addWidget(longCaption(compliance, S("Sample was transported to LAB in compliance with COP requirements:"),
                                 cmbCOPLab, true),
                     2, 0);
    cgrid->addWidget(row(compliance, {cmbCOPLab, new QLabel(S("(YES/NO)"))}), 2, 1);
    cmbLaboratory = lookup(compliance, S("LABORATORY__CODE"), S("srcLaboratoryFiltered"));
    cmbLaboratory->setObjectName(S("cmbLaboratory"));
    cgrid->addWidget(longCaption(compliance, S("Laboratory:"), cmbLaboratory, true), 3, 0);
    cgrid->addWidget(cmbLaboratory, 3, 1);
    cgrid->setColumnStretch(1, 1);

    auto *analysis = new QGroupBox(S("Analysis"), tabCOP);
    analysis->setObjectName(S("grpAnalysis"));
    auto *agrid = gridLayout(analysis);
    cmbRoutineAnalysis = yesNo(analysis, S("ROUTINE_ANALYSIS"));
    cmbRoutineAnalysis->setObjectName(S("cmbRoutineAnalysis"));
    btnAnalysisBuilder = actionButton(actAnalysisBuilder, actAnalysisBuilder->text(), analysis);
    btnAnalysisBuilder->setObjectName(S("btnAnalysisBuilder"));
    agrid->addWidget(longCaption(analysis, S("Routine (or as defined by the laboratory) analysis required?"),
                                 cmbRoutineAnalysis, true),
                     0, 0);
    auto *routineRow = row(analysis, {cmbRoutineAnalysis, new QLabel(S("(YES/NO)"))}, false);
    qobject_cast<QHBoxLayout *>(routineRow->layout())->addSpacing(24);
    btnAnalysisBuilder->setParent(routineRow);
    routineRow->layout()->addWidget(btnAnalysisBuilder);
    qobject_cast<QHBoxLayout *>(routineRow->layout())->addStretch(1);
    agrid->addWidget(routineRow, 0, 1);
    memAnalysisText = bound<TzqcxDBMemo>(analysis, S("ANALYSIS_TEXT"));
    memAnalysisText->setObjectName(S("memAnalysisText"));
    memAnalysisText->SetMaxLength(AnalysisTextTypedLength);
    memAnalysisText->setTabChangesFocus(true);
    memAnalysisText->setFixedHeight(memAnalysisText->fontMetrics().lineSpacing() * 4 + 12);
    QLabel *analysisCaption = longCaption(analysis, S("Analysis required"), memAnalysisText, true);
    analysisCaption->setAlignment(Qt::AlignRight | Qt::AlignTop);
    agrid->addWidget(analysisCaption, 1, 0);
    agrid->addWidget(memAnalysisText, 1, 1);
    agrid->setColumnStretch(1, 1);

    auto *comments = new QGroupBox(S("Additional Information - including contract code"), tabCOP);
    comments->setObjectName(S("grpComments"));
    auto *commentsLayout = new QVBoxLayout(comments);
    memComments = bound<TzqcxDBMemo>(comments, S("SAMPLE_COMMENTS"));
    memComments->setObjectName(S("memComments"));
    memComments->SetMaxLength(4096);
    memComments->setTabChangesFocus(true);
    memComments->setMinimumHeight(memComments->fontMetrics().lineSpacing() * 4 + 12);
    commentsLayout->addWidget(memComments);

    page->addWidget(compliance);
    page->addWidget(analysis);
    page->addWidget(comments, 1);
    page->addWidget(pageButtons(tabCOP, true, true, false));
    return tabCOP;
}

QWidget *TSampleEditFrm::buildAttachmentsPage()
{
    tabAttachments = newPage("tabAttachments");
    auto *page = new QVBoxLayout(tabAttachments);
    pnlAttachments = new SampleAttachmentsPanel([this]() { return qryData_->text(S("CODE")); }, tabAttachments);
    page->addWidget(pnlAttachments, 1);
    grdAttachments = pnlAttachments->grdAttachments;
    srcAttachments = pnlAttachments->srcAttachments;
    actOpenAttachments = pnlAttachments->actOpenAttachments;
    actAddAttachment = pnlAttachments->actAddAttachment;
    actDeleteAttachment = pnlAttachments->actDeleteAttachment;
    actDownloadAttachment = pnlAttachments->actDownloadAttachment;
    return tabAttachments;
}

// ------------------------------------------------------------------------------------------------
// State and view

bool TSampleEditFrm::Editing() const
{
    return qryData_->isEditing();
}

bool TSampleEditFrm::Sent() const
{
    return ::Sent(DataSetRow(*qryData_));
}

QWidget *TSampleEditFrm::TargetControl(const QString &target) const
{
    return m_targets.value(target);
}

SampleRuleContext TSampleEditFrm::viewContext() const
{
    SampleRuleContext context;
    context.lookups = m_lookups.get();
    context.today = Clock::instance().today();
    context.UseLAEMSPremisesCodes = m_useLAEMSPremisesCodes;
    context.sent = Sent();
    return context;
}

SampleRuleContext TSampleEditFrm::saveContext() const
{
    return SampleRuleContext::fromSettings(*Maindm, m_lookups.get(), m_sentAtSave);
}

void TSampleEditFrm::VerifyAll()
{
    if (m_verifying || !qryData_->isActive())
        return;
    QScopedValueRollback<bool> guard(m_verifying, true);
    DataSetRow row(*qryData_);
    applyViewState(::VerifyAll(row, Editing(), VerifyAllOptions::foodSample(), viewContext(), m_oldSampleType));
}

void TSampleEditFrm::UpdateView()
{
    if (!qryData_->isActive())
        return;
    applyViewState(::UpdateView(DataSetRow(*qryData_), VerifyAllOptions::foodSample(), viewContext()));
}

void TSampleEditFrm::applyViewState(const SampleViewState &state)
{
    const auto enable = [this](QWidget *control, bool enabled) {
        control->setEnabled(enabled);
        if (QLabel *label = m_labels.value(control))
            label->setEnabled(enabled);
    };

    setListSource(cmbPremisesType, state.premisesTypeSource, S("Code"), S("Description"));
    if (!state.premisesTypeLabel.isEmpty())
        lblPremisesType->setText(state.premisesTypeLabel.toHtmlEscaped() + requiredMark());
    setListSource(cmbCountry, state.countrySource, S("Name"), QString());
    lblSampleType->setText(state.analysisTypeCaption);

    grpEnforcement->setEnabled(state.enforcementGroup);
    grpSurveillance->setEnabled(state.surveillanceGroup);
    enable(edtIndexNumber, state.indexNumber);
    enable(memDetails, state.details);
    enable(cmbSurveyBody, state.surveyBodyAndReference);
    enable(cmbSurveyRef, state.surveyBodyAndReference);

    // The "Sample taken from" list is required; the memo of a chemical sample is not.
    lblAdditionalInfo->setText(state.additionalInfoLabel.toHtmlEscaped() + (state.additionalInfoList ? requiredMark() : QString()));
    cmbAdditionalInfo->setVisible(state.additionalInfoList);
    memAdditionalInfo->setVisible(state.additionalInfoMemo);
    edtSubCategory3->setToolTip(state.categoryHelp);
    QPalette p = pnlCategoryTree->palette();
    p.setColor(QPalette::Window, FocusController->IsControlInvalid(btnCategoryTree)
                                     ? FocusController->InvalidFocusColor
                                     : QApplication::palette(pnlCategoryTree).color(QPalette::Button));
    pnlCategoryTree->setPalette(p);

    enable(cmbMaterial, state.packagingMaterial);
    enable(edtOtherMaterial, state.otherMaterial);
    actLabelling->setEnabled(state.labelling);
    enable(edtOtherCondition, state.otherCondition);
    enable(edtQuantity, state.quantityAndUnits);
    enable(cmbPackUnits, state.quantityAndUnits);
    enable(edtDurabilityDay, state.durabilityDay);
    enable(edtDurabilityMonth, state.durabilityMonth);
    enable(edtDurabilityYear, state.durabilityYear);

    enable(edtNotCOP, state.explanation);
    if (state.analysisText) {
        enable(memAnalysisText, *state.analysisText);
        actAnalysisBuilder->setEnabled(*state.analysisText);
    }
}

void TSampleEditFrm::UpdateActions()
{
    const bool editing = Editing();
    const bool hasSample = qryData_->isActive() && !qryData_->isEmpty();
    actEdit->setEnabled(hasSample && !editing);
    actPost->setEnabled(editing);
    actCancel->setEnabled(editing);
    actSaveWithoutValidation->setEnabled(editing && !m_f8Withheld && !Sent());
    // The premises can be chosen whenever the sample can be changed: while it is being edited,
    // or when typing would put it into edit state.
    const bool changeable = hasSample && (editing || qryData_->autoEdit());
    actNotAvailable->setEnabled(changeable);
    actPickPremises->setEnabled(changeable);
    edtBusinessId->Button()->setEnabled(changeable);
}

// ------------------------------------------------------------------------------------------------
// The sample query's events

void TSampleEditFrm::CreateNewSample()
{
    if (Editing())
        return;
    PageControl->setCurrentIndex(0);
    qryData_->append();
    VerifyAll();
}

void TSampleEditFrm::qryData_AfterEdit()
{
    UpdateActions();
    VerifyAll();
}

void TSampleEditFrm::qryData_AfterInsert()
{
    m_oldSampleType = qryData_->text(S("ANALYSIS_TYPE"));
    VerifyAll();
    UpdateActions();
}

void TSampleEditFrm::qryData_AfterPost()
{
    UpdateActions();
    close();
}

void TSampleEditFrm::qryData_AfterCancel()
{
    UpdateActions();
    PageControl->setFocus(Qt::OtherFocusReason);
    close();
}

QString TSampleEditFrm::StoredStatus() const
{
    if (qryData_->state() == SqlDataSet::dsInsert)
        return QString();
    return SqlUtil::scalar(LocalDatabase(), S("SELECT SAMPLE_STATUS__CODE FROM SAMPLE WHERE UNIQUE_UUID = ?"),
                           {qryData_->text(S("UNIQUE_UUID"))})
        .toString();
}

void TSampleEditFrm::qryData_BeforePost()
{
    DataSetRow row(*qryData_);
    prepareSampleSave(row, m_sentAtSave, SampleSaveSettings::fromSettings(*Maindm),
                      []() { return Maindm->GetNewSampleCode(); }, Prompter::current());
    if (m_doValidation && !ValidateRecord())
        throw VarnexError(NotAllValidMessage);

    DescriptionContext descriptions;
    descriptions.lookups = m_lookups.get();
    descriptions.UseLAEMSPremisesCodes = m_useLAEMSPremisesCodes;
    descriptions.LocalAuthorityDescription = Maindm->LocalAuthorityDescription();
    descriptions.formListText = [this](const QString &list, const QString &code) { return formListText(list, code); };
    DescriptionRow fitted(*qryData_);
    applyDescriptions(fitted, Varnex::PersonalityFood, descriptions);
}

void TSampleEditFrm::writeSample(SqlDataSet &data, const std::function<void()> &write)
{
    trnLocal->StartTransaction();
    try {
        QString stored;
        if (data.state() == SqlDataSet::dsEdit) {
            // The row is locked until the commit: no pass changes its status in between.
            QSqlQuery q = SqlUtil::exec(LocalDatabase(),
                                        S("SELECT SAMPLE_STATUS__CODE FROM SAMPLE WHERE UNIQUE_UUID = ? WITH LOCK"),
                                        {data.text(S("UNIQUE_UUID"))});
            if (q.next())
                stored = q.value(0).toString();
        }
        if (sampleIsSent(stored) && !m_sentAtSave)
            throw SampleSentMeanwhile();
        DataSetRow(data).setText(S("SAMPLE_STATUS__CODE"),
                                 statusAfterSave(stored, m_doValidation ? SampleSave::WithValidation
                                                                        : SampleSave::WithoutValidation));
        write();
        trnLocal->Commit();
    } catch (...) {
        try {
            trnLocal->Rollback();
        } catch (const VarnexError &) {
            // The failure that led here is the one to report.
        }
        throw;
    }
}

bool TSampleEditFrm::SaveSample(bool validate)
{
    // A time typed and not yet left is part of what is saved.
    if (auto *edit = dynamic_cast<TzqcxDBTextEdit *>(QApplication::focusWidget()); edit && isAncestorOf(edit))
        edit->PostEditValue();
    if (!Editing())
        return false;
    m_doValidation = validate;
    // The questions of the save take the focus; the officer has not left an input for that.
    QScopedValueRollback<bool> saving(m_saving, true);
    // A pass that sends the sample while the save asks its questions makes it start again once,
    // this time as a sent sample; a second time the officer is told.
    for (int attempt = 0;; ++attempt) {
        try {
            m_sentAtSave = sampleIsSent(StoredStatus());
            qryData_BeforePost();
            qryData_->post();
            return true;
        } catch (const SampleSentMeanwhile &e) {
            if (attempt == 0)
                continue;
            Prompter::current().error(Varnex::ProgramName, e.message());
            return false;
        } catch (const VarnexError &e) {
            Prompter::current().error(Varnex::ProgramName, e.message());
            return false;
        }
    }
}

bool TSampleEditFrm::ValidateRecord()
{
    if (!Editing())
        return true;
    FocusController->ClearInvalidEntryList();
    DataSetRow row(*qryData_);
    const ValidationOutcome outcome = validateEditorSample(SampleEditorKind::Food, row, saveContext(), Prompter::current());
    for (const RuleFailure &failure : outcome.failures())
        FocusController->AddControlToInvalidList(TargetControl(failure.target), failure.message);
    FocusController->RaiseValidatationErrors();
    UpdateView();
    return outcome.isValid();
}

QString TSampleEditFrm::formListText(const QString &list, const QString &code) const
{
    const bool offices = list == QLatin1String("qryLocalAuthOffice_");
    const GridModel *model = offices ? qryLocalAuthOffice_ : qrySampleOfficer_;
    const QString field = offices ? S("DESCRIPTION") : S("NAME");
    for (int r = 0; r < model->rowCount(); ++r) {
        if (model->value(r, S("CODE")).toString() == code)
            return model->value(r, field).toString();
    }
    return QString();
}

std::optional<QVariantMap> TSampleEditFrm::StoredPremises(const QString &code) const
{
    // A premises retired since it was chosen still gives its address; a live one comes first.
    QSqlQuery q = SqlUtil::exec(LocalDatabase(),
                                S("SELECT FIRST 1 UNIQUE_UUID, CODE, PREMISES_NAME, BUSINESS_ADDR_1, BUSINESS_ADDR_2, "
                                  "BUSINESS_ADDR_3, BUSINESS_ADDR_4, BUSINESS_POSTCODE, RISK_CATEGORY__CODE, "
                                  "PREMISES_TYPE__CODE, RISK_CATEGORY_FOOD_STAND__CODE FROM PREMISES_DETAIL "
                                  "WHERE CODE = ? ORDER BY IIF(FLAG_DELETED = 'T', 1, 0)"),
                                {code});
    if (!q.next())
        return std::nullopt;
    QVariantMap premises;
    const QSqlRecord record = q.record();
    for (int i = 0; i < record.count(); ++i)
        premises.insert(record.fieldName(i), q.value(i));
    return premises;
}

// ------------------------------------------------------------------------------------------------
// Actions

void TSampleEditFrm::rgAnalysisTypeChange()
{
    const QString type = qryData_->isActive() ? qryData_->text(S("ANALYSIS_TYPE")) : QString();
    if (Editing() && (type == QLatin1String("M") || type == QLatin1String("C"))) {
        DataSetRow row(*qryData_);
        row.setText(S("LABORATORY__CODE"),
                    laboratoryForAnalysisType(type, Maindm->LaboratoryCodeMicro(), Maindm->LaboratoryCodeChemical()));
    }
    lblSampleType->setText(type == QLatin1String("M") ? S("Micro") : type == QLatin1String("C") ? S("Chemical") : QString());
    VerifyAll();
}

void TSampleEditFrm::rgReasonChange()
{
    if (Editing()) {
        DataSetRow row(*qryData_);
        clearSampleTypeForNewReason(row);
    }
    VerifyAll();
}

void TSampleEditFrm::fillPickLists()
{
    if (!OptionalLookupDataDM)
        return;
    const QList<std::pair<TzqcxDBComboBox *, const char *>> lists = {
        {cmbBrandName, "BrandName"},       {cmbFoodDescription, "FoodDescription"}, {cmbManufacturer, "Manufacturer"},
        {cmbDistributor, "Distributor"},   {cmbImporter, "Importer"},               {cmbSurveyRef, "SurveyReference"}};
    for (const auto &[combo, name] : lists) {
        const QSignalBlocker block(combo);
        const QString text = combo->currentText();
        combo->clear();
        combo->addItems(OptionalLookupDataDM->GetLookupLines(QString::fromLatin1(name)));
        combo->setEditText(text);
    }
}

void TSampleEditFrm::actAnalysisBuilderExecute()
{
    const QString current = qryData_->text(S("ANALYSIS_TEXT"));
    const std::optional<QString> text = TAnalysisBuilderFrm::Edit(this, current);
    if (text && *text != current) {
        if (!Editing())
            qryData_->edit();
        qryData_->setValue(S("ANALYSIS_TEXT"), *text);
        qryData_->setValue(S("ROUTINE_ANALYSIS"), S("F"));
    }
    VerifyAll();
}

void TSampleEditFrm::actLabellingExecute()
{
    const std::unique_ptr<TSampleLabelInfoFrmReturnInfo> label =
        TSampleLabelInfoFrm::Edit(this, qryData_->text(S("LABELLING_XML")));
    if (label) {
        // The officer saved the declarations: they go into the sample, which is put into edit
        // state for them rather than losing them.
        if (!Editing())
            qryData_->edit();
        qryData_->setValue(S("LABELLING_XML"), label->ReturnXML);
        qryData_->setValue(S("LABELLING_DETAILS"), label->ReturnText);
    }
    VerifyAll();
}

void TSampleEditFrm::actEditExecute()
{
    if (!Editing())
        qryData_->edit();
}

void TSampleEditFrm::actCancelExecute()
{
    if (Editing())
        qryData_->cancel(); // its handler closes the editor
    else
        close();
}

void TSampleEditFrm::actPriorPageExecute()
{
    const int index = PageControl->currentIndex();
    PageControl->setCurrentIndex(index > 0 ? index - 1 : PageControl->count() - 1);
    focusFirstOnPage(PageControl->currentWidget());
}

void TSampleEditFrm::actNextPageExecute()
{
    const int index = PageControl->currentIndex();
    const bool toNext = index < PageControl->count() - 1 && PageControl->isTabVisible(index + 1);
    PageControl->setCurrentIndex(toNext ? index + 1 : 0);
    focusFirstOnPage(PageControl->currentWidget());
}

void TSampleEditFrm::PageControlChange(int)
{
    Guarded([this]() { VerifyAll(); });
    if (PageControl->currentWidget() == tabAttachments)
        pnlAttachments->OpenAttachments();
}

bool TSampleEditFrm::focusNextPrevChild(bool next)
{
    // Tab on a page's last forward button (or on the page tabs) turns the page.
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

void TSampleEditFrm::focusFirstOnPage(QWidget *page)
{
    if (!page)
        return;
    for (QWidget *w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
        if (!page->isAncestorOf(w))
            continue;
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(page)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void TSampleEditFrm::actCategoryTreeExecute()
{
    auto defaults = std::make_unique<TCategoryTreeFrmDefaults>();
    defaults->SelectedRecord = GetDeepestCategoryCode();
    defaults->AllowUseSelected = Editing();
    defaults->Personality = Varnex::PersonalityFood;
    // The tree hands its choice to this form's socket; whatever is there afterwards is freed.
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

void TSampleEditFrm::ApplyCategorySelection(const TCategoryTreeFrmReturnInfo &selection)
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
    ::ApplyCategorySelection(row, s, FoodCategoryLevels);
}

QString TSampleEditFrm::GetDeepestCategoryCode() const
{
    return ::GetDeepestCategoryCode(DataSetRow(*qryData_), FoodCategoryLevels);
}

void TSampleEditFrm::actNotAvailableExecute()
{
    if (!Editing())
        qryData_->edit();
    DataSetRow row(*qryData_);
    row.setText(S("BUSINESS_ID"), NotAvailable);
}

void TSampleEditFrm::actPickPremisesExecute()
{
    if (!Editing()) {
        if (!qryData_->autoEdit())
            return;
        qryData_->edit();
    }
    auto defaults = std::make_unique<TPremisesDetailMaintV5FrmDefaults>();
    defaults->OpenMode = mmoBrowse;
    defaults->AllowEdit = false;
    defaults->InitialBookmark = TPremisesDetailMaintV5Frm::BookmarkForCode(qryData_->text(S("BUSINESS_ID")));
    const QString code = TIBCompatibleBaseMaintfrm::SearchForCode<TPremisesDetailMaintV5Frm>(std::move(defaults));
    if (!code.isEmpty() && code != TIBCompatibleBaseMaintfrm::CancelledResult() && Editing()) {
        DataSetRow row(*qryData_);
        applyPremisesDetail(row, code, StoredPremises(code), Varnex::PersonalityFood, viewContext());
    }
    VerifyAll();
}

bool TSampleEditFrm::FormCloseQuery()
{
    if (!TIBBaseAdvancedfrm::FormCloseQuery())
        return false;
    if (Editing()) {
        Prompter::current().warning(Varnex::ProgramName, CloseWhileEditingMessage());
        return false;
    }
    return true;
}

void TSampleEditFrm::inputLeft(QWidget *old, QWidget *now)
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

void TSampleEditFrm::Guarded(const std::function<void()> &work)
{
    try {
        work();
    } catch (const VarnexError &e) {
        Prompter::current().error(Varnex::ProgramName, e.message());
    }
}
