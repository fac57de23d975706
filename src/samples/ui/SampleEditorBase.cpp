#include "samples/ui/SampleEditorBase.h"

#include "base/Clock.h"
#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "data/GridModel.h"
#include "gui/IBCompatibleBaseMaint_FRM.h"
#include "reference/LookupData_DM.h"
#include "reference/OptionalLookupData_DM.h"
#include "reference/ui/CategoryTree_FRM.h"
#include "samples/SampleLookups.h"
#include "samples/SampleRecord.h"
#include "samples/SampleRow.h"
#include "samples/ui/SampleAttachmentsPanel.h"
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
#include <QSignalBlocker>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardItemModel>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QValidator>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

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

// A save found the sample sent by a synchronisation pass after it had asked what a save of an
// unsent sample asks: the save starts again, this time asking for the reason of the change.
class SampleSentMeanwhile : public VarnexError
{
public:
    SampleSentMeanwhile()
        : VarnexError(u"The sample was sent to the laboratory while it was being saved; please save it again."_s)
    {
    }
};

// The descriptions beside the codes are copies of list texts and settings: one longer than its
// column is cut to it, so that no save fails on a long authority name or list text. Every other
// column is written as it is.
class DescriptionRow : public DataSetRow
{
public:
    DescriptionRow(SqlDataSet &dataSet, const QString &personality)
        : DataSetRow(dataSet), m_dataSet(dataSet), m_personality(personality)
    {
    }

    void setValue(const QString &column, const QVariant &value) override
    {
        const int length = isDescription(column) ? m_dataSet.fieldMaxLength(column) : 0;
        if (length > 0 && value.metaType().id() == QMetaType::QString && value.toString().size() > length)
            DataSetRow::setValue(column, value.toString().left(length));
        else
            DataSetRow::setValue(column, value);
    }

private:
    bool isDescription(const QString &column) const
    {
        for (const DescriptionPair &pair : descriptionPairs(m_personality)) {
            if (pair.descriptionColumn == column)
                return true;
        }
        return false;
    }

    SqlDataSet &m_dataSet;
    QString m_personality;
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
    QSqlQuery q = SqlUtil::exec(db, u"SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS "
                                    u"WHERE RDB$RELATION_NAME = 'SAMPLE' ORDER BY RDB$FIELD_POSITION"_s);
    QStringList columns;
    while (q.next()) {
        const QString column = q.value(0).toString();
        if (column != QLatin1String("ID") && column != QLatin1String("UPDATE_ID"))
            columns << SqlUtil::quoteIdentifier(column);
    }
    if (columns.isEmpty())
        throw VarnexError(u"The local store has no sample table."_s);
    return u"SELECT %1 FROM SAMPLE WHERE UNIQUE_UUID = :sampleUuid"_s.arg(columns.join(u", "_s));
}

} // namespace

// ------------------------------------------------------------------------------------------------
// Layout helpers

namespace SampleEditorLayout {

QFormLayout *formLayout(QWidget *parent)
{
    auto *form = new QFormLayout(parent);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(6);
    return form;
}

QGridLayout *gridLayout(QWidget *parent)
{
    auto *grid = new QGridLayout(parent);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);
    return grid;
}

void CaptionGrid::add(QLabel *label, QWidget *field, int span)
{
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(label, line, 0);
    grid->addWidget(field, line, 1, 1, span);
    ++line;
}

QWidget *row(QWidget *parent, const QList<QWidget *> &widgets, bool stretch)
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

void showReadOnly(TzqcxDBTextEdit *edit)
{
    // It takes no colours from the focus controller and sits on the window's colour.
    edit->SetAlwaysReadOnly(true);
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
    return u"<span style=\"color:#b00000;\">&nbsp;*</span>"_s;
}

} // namespace SampleEditorLayout

using namespace SampleEditorLayout;

// ------------------------------------------------------------------------------------------------
// Creation and opening

SampleEditorBase::SampleEditorBase(QObject *AOwner, SampleEditorKindInfo kind)
    : TIBBaseAdvancedfrm(AOwner), m_kind(std::move(kind))
{
    // The editor is only hidden when it closes; whoever opened it frees it.
    SetCloseHandlerCleared(true);
    if (LookupDataDm)
        m_lookups = std::make_unique<LookupDataSampleLookups>(*LookupDataDm);

    qryData_ = new SqlDataSet(this);
    qryData_->setObjectName(u"qryData_"_s);
    qryData_->setDatabase(LocalDatabase());
    qryData_->setSql(sampleSelect(LocalDatabase()));
    qryData_->setUpdateTable(u"SAMPLE"_s, {u"UNIQUE_UUID"_s});
    qryData_->setRequiredFields({u"CODE"_s, u"UNIQUE_UUID"_s});
    qryData_->setAutoEdit(false);
    qryData_->beforeOpen = [this](SqlDataSet &data) { data.setParam(u"sampleUuid"_s, m_uuid); };
    qryData_->onNewRecord = [this](SqlDataSet &data) {
        DescriptionRow row(data, m_kind.personality);
        MaindmSampleServices services(*Maindm);
        initialiseNewSample(row, NewSampleSettings::fromSettings(*Maindm, m_kind.personality), services);
    };
    qryData_->aroundWrite = [this](SqlDataSet &data, const std::function<void()> &write) { writeSample(data, write); };
    connect(qryData_, &SqlDataSet::afterEdit, this, [this]() { Guarded([this]() { qryData_AfterEdit(); }); });
    connect(qryData_, &SqlDataSet::afterInsert, this, [this]() { Guarded([this]() { qryData_AfterInsert(); }); });
    connect(qryData_, &SqlDataSet::afterPost, this, [this]() { Guarded([this]() { qryData_AfterPost(); }); });
    connect(qryData_, &SqlDataSet::afterCancel, this, [this]() { Guarded([this]() { qryData_AfterCancel(); }); });

    // The flag column is one of two names the editors give, never typed.
    qrySampleOfficer_ = new GridModel(LocalDatabase(),
                                      u"SELECT UNIQUE_UUID, CODE, NAME, NAME_AND_TELEPHONE FROM SAMPLE_OFFICER "
                                      u"WHERE %1 = 'T' AND FLAG_DELETED = 'F'"_s
                                          .arg(SqlUtil::quoteIdentifier(m_kind.officerFlagColumn)),
                                      u"UNIQUE_UUID"_s, this);
    qrySampleOfficer_->setObjectName(u"qrySampleOfficer_"_s);
    qrySampleOfficer_->setSort({{u"NAME"_s, Qt::AscendingOrder}});
    QString offices = u"SELECT UNIQUE_UUID, CODE, OFFICE_CODE, LOCAL_AUTHORITY__CODE, DESCRIPTION, "
                      u"FLAG_DELETED FROM LOCAL_AUTH_OFFICE WHERE FLAG_DELETED = 'F'"_s;
    if (m_kind.officesOfSampleAuthority)
        offices += u" AND LOCAL_AUTHORITY__CODE = :authority"_s;
    qryLocalAuthOffice_ = new GridModel(LocalDatabase(), offices, u"UNIQUE_UUID"_s, this);
    qryLocalAuthOffice_->setObjectName(u"qryLocalAuthOffice_"_s);
    qryLocalAuthOffice_->setSort({{u"DESCRIPTION"_s, Qt::AscendingOrder}});

    FocusController = new TzqcxFocusController(this);
    FocusController->setObjectName(u"FocusController"_s);
    setSampleEditorColours(*FocusController);
    FocusController->SetDatasource(qryData_);

    actEdit = makeAction("actEdit", u"Edit Sample (F6)"_s, QKeySequence(Qt::Key_F6));
    actPost = makeAction("actPost", u"Save  With Validation(F7)"_s, QKeySequence(Qt::Key_F7));
    actSaveWithoutValidation = makeAction("actSaveWithoutValidation", u"Save Without Validating (F8)"_s, QKeySequence(Qt::Key_F8));
    actCancel = makeAction("actCancel", u"Abandon And Close"_s);
    actPriorPage = makeAction("actPriorPage", u"(F9)"_s, QKeySequence(Qt::Key_F9));
    actNextPage = makeAction("actNextPage", u"(F10)"_s, QKeySequence(Qt::Key_F10));
    actCategoryTree = makeAction("actCategoryTree", u"Category Tree"_s);
    actAnalysisBuilder = makeAction("actAnalysisBuilder", u"Analysis Builder"_s);
    actPickPremises = makeAction("actPickPremises", u"…"_s);
    actPickPremises->setToolTip(u"Choose the premises from the premises list"_s);
    // Enabled by the view rules.
    actAnalysisBuilder->setEnabled(false);
    connect(actEdit, &QAction::triggered, this, [this]() { Guarded([this]() { actEditExecute(); }); });
    connect(actPost, &QAction::triggered, this, [this]() { SaveSample(true); });
    connect(actSaveWithoutValidation, &QAction::triggered, this, [this]() { SaveSample(false); });
    connect(actCancel, &QAction::triggered, this, [this]() { Guarded([this]() { actCancelExecute(); }); });
    connect(actPriorPage, &QAction::triggered, this, [this]() {
        const int index = PageControl->currentIndex();
        PageControl->setCurrentIndex(index > 0 ? index - 1 : PageControl->count() - 1);
        focusFirstOnPage(PageControl->currentWidget());
    });
    connect(actNextPage, &QAction::triggered, this, [this]() {
        const int index = PageControl->currentIndex();
        const bool toNext = index < PageControl->count() - 1 && PageControl->isTabVisible(index + 1);
        PageControl->setCurrentIndex(toNext ? index + 1 : 0);
        focusFirstOnPage(PageControl->currentWidget());
    });
    connect(actCategoryTree, &QAction::triggered, this, [this]() { Guarded([this]() { actCategoryTreeExecute(); }); });
    connect(actPickPremises, &QAction::triggered, this, [this]() { Guarded([this]() { actPickPremisesExecute(); }); });
    connect(actAnalysisBuilder, &QAction::triggered, this, [this]() { Guarded([this]() { actAnalysisBuilderExecute(); }); });

    auto *layout = new QVBoxLayout(ClientArea);
    layout->setContentsMargins(6, 6, 6, 6);
    PageControl = new QTabWidget(ClientArea);
    PageControl->setObjectName(u"PageControl"_s);
    PageControl->setProperty("tag", TurnPageTag);
    layout->addWidget(PageControl);
    connect(PageControl, &QTabWidget::currentChanged, this, [this](int) {
        // A date or time typed on the page just left is part of the sample before the rules look.
        TzqcxDBEditorBase::CommitEntries(this);
        Guarded([this]() { VerifyAll(); });
        if (pnlAttachments && PageControl->currentWidget() == m_attachmentsPage)
            pnlAttachments->OpenAttachments();
    });

    connect(qApp, &QApplication::focusChanged, this, &SampleEditorBase::inputLeft);
}

SampleEditorBase::~SampleEditorBase()
{
    // Nothing of the half-destroyed form answers focus changes while its widgets go.
    disconnect(qApp, nullptr, this, nullptr);
    // The lists go before the connection of the form's transaction.
    delete qrySampleOfficer_;
    delete qryLocalAuthOffice_;
}

QString SampleEditorBase::OpenSample(bool create, const QString &uuid, const QString &noSuchSample)
{
    m_createSample = create;
    m_uuid = uuid;
    FocusController->ClearInvalidEntryList();
    PageControl->setCurrentIndex(0);
    if (!m_createSample && m_uuid.isEmpty())
        throw VarnexError(u"No sample was given to the sample editor: neither a new one nor one to open."_s);

    // The sample, then the lists (the feed offices are those of the sample's authority); a form
    // opened again under its key starts afresh.
    qryData_->cancel();
    qryData_->close();
    qryData_->open();
    applyColumnLimits();
    m_useLAEMSPremisesCodes = Maindm->UseLAEMSPremisesCodes();

    QString caption;
    if (m_createSample) {
        caption = u"New Sample."_s;
    } else {
        if (qryData_->isEmpty() || qryData_->text(u"RECORD_TYPE"_s) != m_kind.personality) {
            qryData_->close();
            throw VarnexError(noSuchSample);
        }
        caption = u"Sample Details."_s;
    }
    if (m_kind.officesOfSampleAuthority)
        qryLocalAuthOffice_->setParam(u"authority"_s, m_createSample ? Maindm->LocalAuthorityCode()
                                                                     : qryData_->text(u"LOCAL_AUTHORITY__CODE"_s));
    for (GridModel *list : {qrySampleOfficer_, qryLocalAuthOffice_}) {
        if (list->isOpen())
            list->refresh();
        else
            list->open();
        list->fetchAll();
    }
    if (m_createSample)
        CreateNewSample();
    m_oldSampleType = qryData_->text(u"ANALYSIS_TYPE"_s);
    return CaptionWithRunMode(caption, Maindm->RunMode());
}

void SampleEditorBase::applyColumnLimits()
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

QAction *SampleEditorBase::makeAction(const char *name, const QString &text, const QKeySequence &key)
{
    auto *action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty()) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    addAction(action);
    return action;
}

void SampleEditorBase::buildSidePanel(const QList<QAction *> &actions)
{
    for (QAction *a : actions) {
        ActionButton *button = AddButton(a);
        button->setMinimumHeight(32);
    }
    RzPanel1->setMinimumWidth(220);
}

void SampleEditorBase::buildHeader()
{
    auto *band = qobject_cast<QHBoxLayout *>(RzPanel2->layout());
    band->setContentsMargins(8, 4, 8, 4);
    RzPanel2->setAutoFillBackground(true);
    QPalette p = RzPanel2->palette();
    p.setColor(QPalette::Window, m_kind.headingColour);
    RzPanel2->setPalette(p);

    lblHeader = new QLabel(m_kind.heading, RzPanel2);
    lblHeader->setObjectName(u"lblHeader"_s);
    QFont f = lblHeader->font();
    f.setPointSizeF(f.pointSizeF() * 1.5);
    f.setBold(true);
    lblHeader->setFont(f);
    band->addWidget(lblHeader);
    band->addStretch(1);
}

QLabel *SampleEditorBase::addSampleTypePanel(QGroupBox *&panel)
{
    auto *band = qobject_cast<QHBoxLayout *>(RzPanel2->layout());
    panel = new QGroupBox(u"Sample type"_s, RzPanel2);
    panel->setObjectName(u"pnlSampleType"_s);
    auto *typeLayout = new QHBoxLayout(panel);
    typeLayout->setContentsMargins(12, 2, 12, 4);
    auto *label = new QLabel(panel);
    label->setObjectName(u"lblSampleType"_s);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setMinimumWidth(90);
    label->setAlignment(Qt::AlignCenter);
    typeLayout->addWidget(label);
    band->addWidget(panel);
    return label;
}

QLabel *SampleEditorBase::caption(QWidget *parent, const QString &text, QWidget *control, bool required)
{
    auto *label = new QLabel(parent);
    if (required) {
        label->setTextFormat(Qt::RichText);
        label->setText(text.toHtmlEscaped() + requiredMark());
    } else {
        label->setTextFormat(Qt::PlainText);
        // A label with a buddy reads "&" as its shortcut mark; the caption's own is doubled.
        label->setText(control ? QString(text).replace(QLatin1Char('&'), QStringLiteral("&&")) : text);
    }
    if (control) {
        label->setBuddy(control);
        m_labels.insert(control, label);
    }
    return label;
}

void SampleEditorBase::setListSource(TzqcxDBLookupComboBox *combo, const QString &source, const QString &keyField,
                                     const QString &descriptionField)
{
    if (m_sources.value(combo) == source && m_sources.contains(combo))
        return;
    m_sources.insert(combo, source);
    // Without the lookup module (made after login) the box shows the stored code alone.
    combo->SetListSource(LookupDataDm ? LookupDataDm->DataSource(source) : nullptr, keyField, descriptionField);
}

TzqcxDBLookupComboBox *SampleEditorBase::lookup(QWidget *parent, const QString &field, const QString &source,
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

TzqcxDBLookupComboBox *SampleEditorBase::formList(QWidget *parent, const QString &field, GridModel *list,
                                                  const QString &shown)
{
    auto *combo = bound<TzqcxDBLookupComboBox>(parent, field);
    combo->SetListSource(list, u"CODE"_s, shown);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(18);
    connect(combo, &QComboBox::activated, this, [this]() { Guarded([this]() { VerifyAll(); }); });
    return combo;
}

TzqcxDBComboBox *SampleEditorBase::pickList(QWidget *parent, const QString &field, bool upperCase)
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

TzqcxDBImageComboBox *SampleEditorBase::yesNo(QWidget *parent, const QString &field)
{
    auto *combo = bound<TzqcxDBImageComboBox>(parent, field);
    combo->AddItem(u"YES"_s, u"T"_s);
    combo->AddItem(u"NO"_s, u"F"_s);
    combo->setMinimumContentsLength(6);
    connect(combo, &QComboBox::activated, this, [this]() { Guarded([this]() { VerifyAll(); }); });
    return combo;
}

TzqcxDBButtonEdit *SampleEditorBase::businessIdEdit(QWidget *parent)
{
    edtBusinessId = bound<TzqcxDBButtonEdit>(parent, u"BUSINESS_ID"_s);
    edtBusinessId->setObjectName(u"edtBusinessId"_s);
    edtBusinessId->SetUpperCase(true);
    edtBusinessId->Button()->setToolTip(actPickPremises->toolTip());
    connect(edtBusinessId, &TzqcxDBButtonEdit::buttonClicked, actPickPremises, &QAction::trigger);
    return edtBusinessId;
}

QWidget *SampleEditorBase::categoryTreePanel(QWidget *parent)
{
    pnlCategoryTree = new QFrame(parent);
    pnlCategoryTree->setObjectName(u"pnlCategoryTree"_s);
    pnlCategoryTree->setFrameShape(QFrame::StyledPanel);
    pnlCategoryTree->setAutoFillBackground(true);
    auto *treeLayout = new QVBoxLayout(pnlCategoryTree);
    treeLayout->setContentsMargins(8, 8, 8, 8);
    btnCategoryTree = actionButton(actCategoryTree, actCategoryTree->text(), pnlCategoryTree);
    btnCategoryTree->setObjectName(u"btnCategoryTree"_s);
    btnCategoryTree->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    btnCategoryTree->setMinimumSize(130, 56);
    treeLayout->addWidget(btnCategoryTree);
    m_targets.insert(SampleTarget::CategoryTree, btnCategoryTree);
    return pnlCategoryTree;
}

QWidget *SampleEditorBase::additionalInfoEditors(QWidget *parent, TzqcxDBLookupComboBox *&list, TzqcxDBMemo *&memo)
{
    auto *additional = new QWidget(parent);
    auto *additionalLayout = new QVBoxLayout(additional);
    additionalLayout->setContentsMargins(0, 0, 0, 0);
    list = lookup(additional, u"ADDITIONAL_INFO"_s, u"srcAdditionalCategoryInfo"_s);
    list->setObjectName(u"cmbAdditionalInfo"_s);
    memo = bound<TzqcxDBMemo>(additional, u"ADDITIONAL_INFO"_s);
    memo->setObjectName(u"memAdditionalInfo"_s);
    memo->setTabChangesFocus(true);
    memo->setFixedHeight(memo->fontMetrics().lineSpacing() * 2 + 14);
    additionalLayout->addWidget(list);
    additionalLayout->addWidget(memo);
    return additional;
}

TzqcxDBCurrencyEdit *SampleEditorBase::currencyEdit(QWidget *parent, const QString &field)
{
    auto *cost = bound<TzqcxDBCurrencyEdit>(parent, field);
    cost->setPrefix(u"£"_s);
    cost->setGroupSeparatorShown(true);
    cost->setButtonSymbols(QAbstractSpinBox::NoButtons);
    cost->setAlignment(Qt::AlignRight);
    cost->setMinimumWidth(130);
    return cost;
}

QWidget *SampleEditorBase::durabilityParts(QWidget *parent, TzqcxDBSpinEdit *&day, TzqcxDBSpinEdit *&month,
                                           TzqcxDBSpinEdit *&year, const QStringList &captions)
{
    day = bound<TzqcxDBSpinEdit>(parent, u"DURABILITY_DAY"_s);
    day->setObjectName(u"edtDurabilityDay"_s);
    day->SetRange(0, 99);
    month = bound<TzqcxDBSpinEdit>(parent, u"DURABILITY_MONTH"_s);
    month->setObjectName(u"edtDurabilityMonth"_s);
    month->SetRange(0, 99);
    year = bound<TzqcxDBSpinEdit>(parent, u"DURABILITY_YEAR"_s);
    year->setObjectName(u"edtDurabilityYear"_s);
    year->SetRange(0, 9999);
    auto *dateRow = new QWidget(parent);
    auto *dateLayout = new QHBoxLayout(dateRow);
    dateLayout->setContentsMargins(0, 0, 0, 0);
    dateLayout->setSpacing(6);
    const QList<TzqcxDBSpinEdit *> parts = {day, month, year};
    for (int i = 0; i < 3; ++i) {
        QLabel *label = caption(dateRow, captions.value(i), parts[i]);
        parts[i]->setParent(dateRow);
        parts[i]->setButtonSymbols(QAbstractSpinBox::NoButtons);
        parts[i]->setAlignment(Qt::AlignRight);
        parts[i]->setFixedWidth(parts[i] == year ? 64 : 44);
        dateLayout->addWidget(label);
        dateLayout->addWidget(parts[i]);
        dateLayout->addSpacing(6);
    }
    auto *yearNote = new QLabel(u"4 digits eg 2003"_s, dateRow);
    yearNote->setEnabled(false);
    dateLayout->addWidget(yearNote);
    dateLayout->addStretch(1);
    return dateRow;
}

QWidget *SampleEditorBase::buildAttachmentsPage(QWidget *&pageWidget)
{
    pageWidget = newPage("tabAttachments");
    m_attachmentsPage = pageWidget;
    auto *page = new QVBoxLayout(pageWidget);
    pnlAttachments = new SampleAttachmentsPanel([this]() { return qryData_->text(u"CODE"_s); }, pageWidget);
    page->addWidget(pnlAttachments, 1);
    grdAttachments = pnlAttachments->grdAttachments;
    srcAttachments = pnlAttachments->srcAttachments;
    actOpenAttachments = pnlAttachments->actOpenAttachments;
    actAddAttachment = pnlAttachments->actAddAttachment;
    actDeleteAttachment = pnlAttachments->actDeleteAttachment;
    actDownloadAttachment = pnlAttachments->actDownloadAttachment;
    return pageWidget;
}

void SampleEditorBase::fillPickLists(const QList<std::pair<TzqcxDBComboBox *, QString>> &lists)
{
    if (!OptionalLookupDataDM)
        return;
    for (const auto &[combo, name] : lists) {
        const QSignalBlocker block(combo);
        const QString text = combo->currentText();
        combo->clear();
        combo->addItems(OptionalLookupDataDM->GetLookupLines(name));
        combo->setEditText(text);
    }
}

void SampleEditorBase::actAnalysisBuilderExecute()
{
    const QString current = qryData_->text(u"ANALYSIS_TEXT"_s);
    const std::optional<QString> text = editAnalysisText(current);
    if (text && *text != current) {
        ensureEditing();
        qryData_->setValue(u"ANALYSIS_TEXT"_s, *text);
        qryData_->setValue(u"ROUTINE_ANALYSIS"_s, u"F"_s);
    }
    VerifyAll();
}

void SampleEditorBase::addOfficeRows(QFormLayout *form, QWidget *parent, const QString &officerCaption)
{
    cmbOffice = formList(parent, u"LOCAL_AUTH_OFFICE__CODE"_s, qryLocalAuthOffice_, u"DESCRIPTION"_s);
    cmbOffice->setObjectName(u"cmbOffice"_s);
    form->addRow(caption(parent, u"Office:"_s, cmbOffice, true), cmbOffice);
    cmbOfficer = formList(parent, u"SAMPLE_OFFICER__CODE"_s, qrySampleOfficer_, u"NAME"_s);
    cmbOfficer->setObjectName(u"cmbOfficer"_s);
    form->addRow(caption(parent, officerCaption, cmbOfficer, true), cmbOfficer);
}

void SampleEditorBase::addSampleDateRows(QFormLayout *form, QWidget *parent, const QString &timeCaption)
{
    dtSampleDate = bound<TzqcxDBDateEdit>(parent, u"SAMPLE_DATE"_s);
    dtSampleDate->setObjectName(u"dtSampleDate"_s);
    dtSampleDate->setDisplayFormat(u"dd MMM yyyy"_s);
    dtSampleDate->setMinimumWidth(130);
    form->addRow(caption(parent, u"Sample Date:"_s, dtSampleDate, true), row(parent, {dtSampleDate}));
    edtSampleTime = bound<TzqcxDBTimeEdit>(parent, u"SAMPLE_TIME"_s);
    edtSampleTime->setObjectName(u"edtSampleTime"_s);
    edtSampleTime->setMaximumWidth(80);
    form->addRow(caption(parent, timeCaption, edtSampleTime, true), row(parent, {edtSampleTime}));
}

void SampleEditorBase::addCostRows(QFormLayout *form, QWidget *parent)
{
    edtPurchaseCost = currencyEdit(parent, u"PURCHASE_COST"_s);
    edtPurchaseCost->setObjectName(u"edtPurchaseCost"_s);
    edtAnalysisCost = currencyEdit(parent, u"ANALYSIS_COST"_s);
    edtAnalysisCost->setObjectName(u"edtAnalysisCost"_s);
    form->addRow(caption(parent, u"Purchase Cost:"_s, edtPurchaseCost), row(parent, {edtPurchaseCost}));
    form->addRow(caption(parent, u"Analysis Cost:"_s, edtAnalysisCost), row(parent, {edtAnalysisCost}));
}

void SampleEditorBase::addPremisesRows(QFormLayout *form, QWidget *parent)
{
    edtPremisesName = bound<TzqcxDBTextEdit>(parent, u"PREMISES_NAME"_s);
    edtPremisesName->setObjectName(u"edtPremisesName"_s);
    form->addRow(caption(parent, u"Premises Name:"_s, edtPremisesName, true), edtPremisesName);
    TzqcxDBTextEdit **addresses[] = {&edtAddress1, &edtAddress2, &edtAddress3, &edtAddress4};
    for (int i = 0; i < 4; ++i) {
        *addresses[i] = bound<TzqcxDBTextEdit>(parent, u"BUSINESS_ADDR_%1"_s.arg(i + 1));
        (*addresses[i])->setObjectName(u"edtAddress%1"_s.arg(i + 1));
        form->addRow(caption(parent, u"Address %1:"_s.arg(i + 1), *addresses[i]), *addresses[i]);
    }
    edtPostCode = bound<TzqcxDBTextEdit>(parent, u"BUSINESS_POSTCODE"_s);
    edtPostCode->setObjectName(u"edtPostCode"_s);
    edtPostCode->SetUpperCase(true);
    edtPostCode->setMaximumWidth(110);
    form->addRow(caption(parent, u"Post Code:"_s, edtPostCode), row(parent, {edtPostCode}));
}

QWidget *SampleEditorBase::countryRow(QWidget *parent, QLabel *&label)
{
    auto *countryRow = new QWidget(parent);
    auto *countryLayout = new QHBoxLayout(countryRow);
    countryLayout->setContentsMargins(0, 0, 0, 0);
    cmbCountryRegion = bound<TzqcxDBImageComboBox>(countryRow, u"COUNTRY_REGION"_s);
    cmbCountryRegion->setObjectName(u"cmbCountryRegion"_s);
    for (const QString &region : {u"UK"_s, u"EU"_s, u"Non EU"_s})
        cmbCountryRegion->AddItem(region, region);
    cmbCountryRegion->setMinimumContentsLength(7);
    connect(cmbCountryRegion, &QComboBox::activated, this, [this]() { Guarded([this]() { VerifyAll(); }); });
    cmbCountry = lookup(countryRow, u"COUNTRY"_s, u"srcUKCountry"_s, u"Name"_s, QString());
    cmbCountry->setObjectName(u"cmbCountry"_s);
    countryLayout->addWidget(cmbCountryRegion);
    countryLayout->addWidget(cmbCountry, 1);
    label = caption(parent, u"Country of origin:"_s, cmbCountryRegion, true);
    addLabel(cmbCountry, label);
    return countryRow;
}

TzqcxDBSpinEdit *SampleEditorBase::quantityEdit(QWidget *parent)
{
    edtQuantity = bound<TzqcxDBSpinEdit>(parent, u"QUANTITY"_s);
    edtQuantity->setObjectName(u"edtQuantity"_s);
    edtQuantity->setDecimals(2);
    edtQuantity->setSingleStep(0.01);
    edtQuantity->SetRange(0, 999999999.99);
    edtQuantity->setButtonSymbols(QAbstractSpinBox::NoButtons);
    edtQuantity->setMinimumWidth(110);
    return edtQuantity;
}

TzqcxDBComboBox *SampleEditorBase::batchNumberList(QWidget *parent)
{
    cmbBatchNumber = pickList(parent, u"BATCH_NUMBER"_s, false);
    cmbBatchNumber->setObjectName(u"cmbBatchNumber"_s);
    cmbBatchNumber->addItems({u"Not provided on packaging"_s, u"Illegible on packaging"_s});
    cmbBatchNumber->setCurrentIndex(-1);
    return cmbBatchNumber;
}

QLabel *SampleEditorBase::longCaption(QWidget *parent, const QString &text, QWidget *control, bool required)
{
    QLabel *label = caption(parent, text, control, required);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(330);
    return label;
}

QGroupBox *SampleEditorBase::analysisGroup(QWidget *page, int typedLength)
{
    auto *analysis = new QGroupBox(u"Analysis"_s, page);
    analysis->setObjectName(u"grpAnalysis"_s);
    auto *agrid = gridLayout(analysis);
    cmbRoutineAnalysis = yesNo(analysis, u"ROUTINE_ANALYSIS"_s);
    cmbRoutineAnalysis->setObjectName(u"cmbRoutineAnalysis"_s);
    btnAnalysisBuilder = actionButton(actAnalysisBuilder, actAnalysisBuilder->text(), analysis);
    btnAnalysisBuilder->setObjectName(u"btnAnalysisBuilder"_s);
    agrid->addWidget(longCaption(analysis, u"Routine (or as defined by the laboratory) analysis required?"_s,
                                 cmbRoutineAnalysis, true),
                     0, 0);
    auto *routineRow = row(analysis, {cmbRoutineAnalysis, new QLabel(u"(YES/NO)"_s)}, false);
    qobject_cast<QHBoxLayout *>(routineRow->layout())->addSpacing(24);
    btnAnalysisBuilder->setParent(routineRow);
    routineRow->layout()->addWidget(btnAnalysisBuilder);
    qobject_cast<QHBoxLayout *>(routineRow->layout())->addStretch(1);
    agrid->addWidget(routineRow, 0, 1);
    memAnalysisText = bound<TzqcxDBMemo>(analysis, u"ANALYSIS_TEXT"_s);
    memAnalysisText->setObjectName(u"memAnalysisText"_s);
    memAnalysisText->SetMaxLength(typedLength);
    memAnalysisText->setTabChangesFocus(true);
    memAnalysisText->setFixedHeight(memAnalysisText->fontMetrics().lineSpacing() * 4 + 12);
    QLabel *analysisCaption = longCaption(analysis, u"Analysis required"_s, memAnalysisText, true);
    analysisCaption->setAlignment(Qt::AlignRight | Qt::AlignTop);
    agrid->addWidget(analysisCaption, 1, 0);
    agrid->addWidget(memAnalysisText, 1, 1);
    agrid->setColumnStretch(1, 1);
    return analysis;
}

QGroupBox *SampleEditorBase::commentsGroup(QWidget *page)
{
    auto *comments = new QGroupBox(u"Additional Information - including contract code"_s, page);
    comments->setObjectName(u"grpComments"_s);
    auto *commentsLayout = new QVBoxLayout(comments);
    memComments = bound<TzqcxDBMemo>(comments, u"SAMPLE_COMMENTS"_s);
    memComments->setObjectName(u"memComments"_s);
    memComments->SetMaxLength(4096);
    memComments->setTabChangesFocus(true);
    memComments->setMinimumHeight(memComments->fontMetrics().lineSpacing() * 4 + 12);
    commentsLayout->addWidget(memComments);
    return comments;
}

void SampleEditorBase::watchRadioChange(TzqcxDBRadioGroup *group, const QString &field, const std::function<void()> &handler)
{
    // The group's own handler has written the value when idClicked reaches this one; the
    // change handler runs only when the choice changed.
    auto *buttons = group->findChild<QButtonGroup *>();
    connect(buttons, &QButtonGroup::idPressed, this, [this, field]() {
        m_valueBeforeClick = qryData_->isActive() ? qryData_->text(field) : QString();
    });
    connect(buttons, &QButtonGroup::idClicked, this, [this, field, handler]() {
        if (qryData_->isActive() && qryData_->text(field) != m_valueBeforeClick)
            Guarded(handler);
    });
}

QPushButton *SampleEditorBase::actionButton(QAction *action, const QString &text, QWidget *parent)
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

QWidget *SampleEditorBase::pageButtons(QWidget *page, bool back, bool forward, bool turnsOnTab)
{
    auto *bar = new QWidget(page);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 6, 0, 0);
    layout->addStretch(1);
    if (back) {
        auto *button = new QPushButton(style()->standardIcon(QStyle::SP_ArrowBack), actPriorPage->text(), bar);
        button->setObjectName(u"btnPrior"_s + page->objectName().mid(3));
        button->setToolTip(u"Previous page"_s);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, actPriorPage, &QAction::trigger);
        layout->addWidget(button);
        PriorButtons << button;
    }
    if (forward) {
        auto *button = new QPushButton(style()->standardIcon(QStyle::SP_ArrowForward), actNextPage->text(), bar);
        button->setObjectName(u"btnNext"_s + page->objectName().mid(3));
        button->setToolTip(u"Next page"_s);
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

// ------------------------------------------------------------------------------------------------
// State and view

bool SampleEditorBase::Editing() const
{
    return qryData_->isEditing();
}

bool SampleEditorBase::Sent() const
{
    return ::Sent(DataSetRow(*qryData_));
}

QWidget *SampleEditorBase::TargetControl(const QString &target) const
{
    return m_targets.value(target);
}

SampleRuleContext SampleEditorBase::viewContext() const
{
    SampleRuleContext context;
    context.lookups = m_lookups.get();
    context.today = Clock::instance().today();
    context.UseLAEMSPremisesCodes = m_useLAEMSPremisesCodes;
    context.sent = Sent();
    return context;
}

SampleRuleContext SampleEditorBase::saveContext() const
{
    return SampleRuleContext::fromSettings(*Maindm, m_lookups.get(), m_sentAtSave);
}

void SampleEditorBase::VerifyAll()
{
    if (m_verifying || !qryData_->isActive())
        return;
    QScopedValueRollback<bool> guard(m_verifying, true);
    DataSetRow row(*qryData_);
    applyViewState(::VerifyAll(row, Editing(), m_kind.verify, viewContext(), m_oldSampleType));
}

void SampleEditorBase::UpdateView()
{
    if (!qryData_->isActive())
        return;
    applyViewState(::UpdateView(DataSetRow(*qryData_), m_kind.verify, viewContext()));
}

void SampleEditorBase::enableWithLabel(QWidget *control, bool enabled)
{
    control->setEnabled(enabled);
    if (QLabel *label = m_labels.value(control))
        label->setEnabled(enabled);
}

void SampleEditorBase::showCategoryState()
{
    QPalette p = pnlCategoryTree->palette();
    p.setColor(QPalette::Window, FocusController->IsControlInvalid(btnCategoryTree)
                                     ? FocusController->InvalidFocusColor
                                     : QApplication::palette(pnlCategoryTree).color(QPalette::Button));
    pnlCategoryTree->setPalette(p);
}

// ------------------------------------------------------------------------------------------------
// The sample query's events

void SampleEditorBase::CreateNewSample()
{
    if (Editing())
        return;
    PageControl->setCurrentIndex(0);
    qryData_->append();
    VerifyAll();
}

void SampleEditorBase::qryData_AfterEdit()
{
    UpdateActions();
    VerifyAll();
}

void SampleEditorBase::qryData_AfterInsert()
{
    m_oldSampleType = qryData_->text(u"ANALYSIS_TYPE"_s);
    VerifyAll();
    UpdateActions();
}

void SampleEditorBase::qryData_AfterPost()
{
    UpdateActions();
    close();
}

void SampleEditorBase::qryData_AfterCancel()
{
    UpdateActions();
    PageControl->setFocus(Qt::OtherFocusReason);
    close();
}

QString SampleEditorBase::StoredStatus() const
{
    if (qryData_->state() == SqlDataSet::dsInsert)
        return QString();
    return SqlUtil::scalar(LocalDatabase(), u"SELECT SAMPLE_STATUS__CODE FROM SAMPLE WHERE UNIQUE_UUID = ?"_s,
                           {qryData_->text(u"UNIQUE_UUID"_s)})
        .toString();
}

void SampleEditorBase::qryData_BeforePost()
{
    DataSetRow row(*qryData_);
    prepareSampleSave(row, m_sentAtSave, SampleSaveSettings::fromSettings(*Maindm),
                      []() { return Maindm->GetNewSampleCode(); }, Prompter::current());
    if (m_doValidation && !ValidateRecord())
        throw VarnexError(NotAllValidMessage);
    checkBeforeWrite();

    DescriptionContext descriptions;
    descriptions.lookups = m_lookups.get();
    descriptions.UseLAEMSPremisesCodes = m_useLAEMSPremisesCodes;
    descriptions.LocalAuthorityDescription = Maindm->LocalAuthorityDescription();
    descriptions.formListText = [this](const QString &list, const QString &code) { return formListText(list, code); };
    DescriptionRow fitted(*qryData_, m_kind.personality);
    applyDescriptions(fitted, m_kind.personality, descriptions);
}

void SampleEditorBase::writeSample(SqlDataSet &data, const std::function<void()> &write)
{
    trnLocal->StartTransaction();
    try {
        QString stored;
        if (data.state() == SqlDataSet::dsEdit) {
            // The row is locked until the commit: no pass changes its status in between.
            QSqlQuery q = SqlUtil::exec(LocalDatabase(),
                                        u"SELECT SAMPLE_STATUS__CODE FROM SAMPLE WHERE UNIQUE_UUID = ? WITH LOCK"_s,
                                        {data.text(u"UNIQUE_UUID"_s)});
            if (q.next())
                stored = q.value(0).toString();
        }
        if (sampleIsSent(stored) && !m_sentAtSave)
            throw SampleSentMeanwhile();
        DataSetRow(data).setText(u"SAMPLE_STATUS__CODE"_s, statusForSave(stored, m_doValidation));
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

bool SampleEditorBase::SaveSample(bool validate)
{
    // A date or time typed and not yet left is part of what is saved; one that cannot be read
    // stops the save, shown for correction.
    try {
        TzqcxDBEditorBase::RequireReadableEntries(this);
    } catch (const VarnexError &e) {
        Prompter::current().error(Varnex::ProgramName, e.message());
        return false;
    }
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

bool SampleEditorBase::ValidateRecord()
{
    if (!Editing())
        return true;
    FocusController->ClearInvalidEntryList();
    DataSetRow row(*qryData_);
    const ValidationOutcome outcome = validateEditorSample(m_kind.rules, row, saveContext(), Prompter::current());
    for (const RuleFailure &failure : outcome.failures())
        FocusController->AddControlToInvalidList(TargetControl(failure.target), failure.message);
    FocusController->RaiseValidatationErrors();
    UpdateView();
    return outcome.isValid();
}

QString SampleEditorBase::formListText(const QString &list, const QString &code) const
{
    const bool offices = list == QLatin1String("qryLocalAuthOffice_");
    const GridModel *model = offices ? qryLocalAuthOffice_ : qrySampleOfficer_;
    const QString field = offices ? u"DESCRIPTION"_s : u"NAME"_s;
    for (int r = 0; r < model->rowCount(); ++r) {
        if (model->value(r, u"CODE"_s).toString() == code)
            return model->value(r, field).toString();
    }
    return QString();
}

std::optional<QVariantMap> SampleEditorBase::StoredPremises(const QString &code) const
{
    // A premises retired since it was chosen still gives its address; a live one comes first.
    QStringList columns;
    for (const QString &c : m_kind.premisesColumns)
        columns << SqlUtil::quoteIdentifier(c);
    QSqlQuery q = SqlUtil::exec(LocalDatabase(),
                                u"SELECT FIRST 1 %1 FROM %2 WHERE CODE = ? ORDER BY IIF(FLAG_DELETED = 'T', 1, 0)"_s
                                    .arg(columns.join(u", "_s),
                                         SqlUtil::quoteIdentifier(m_kind.premisesTable)),
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

void SampleEditorBase::rgReasonChange()
{
    if (Editing()) {
        DataSetRow row(*qryData_);
        clearSampleTypeForNewReason(row);
    }
    VerifyAll();
}

void SampleEditorBase::ensureEditing()
{
    if (!Editing())
        qryData_->edit();
}

void SampleEditorBase::actEditExecute()
{
    ensureEditing();
}

void SampleEditorBase::actCancelExecute()
{
    if (Editing())
        qryData_->cancel(); // its handler closes the editor
    else
        close();
}

bool SampleEditorBase::focusNextPrevChild(bool next)
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

void SampleEditorBase::focusFirstOnPage(QWidget *page)
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

void SampleEditorBase::actCategoryTreeExecute()
{
    auto defaults = std::make_unique<TCategoryTreeFrmDefaults>();
    defaults->SelectedRecord = GetDeepestCategoryCode();
    defaults->AllowUseSelected = Editing();
    defaults->Personality = m_kind.personality;
    // The tree hands its choice to this form's socket; whatever is there afterwards is freed.
    const auto freeAnswer = [this]() {
        std::unique_ptr<TReturnInfo> other(ReturnInfoSocket());
        SetReturnInfoSocket(nullptr);
    };
    try {
        TBasefrm::CreateAndShow<TCategoryTreeFrm>(u"CategoryTree"_s, this, true, std::move(defaults));
    } catch (...) {
        freeAnswer();
        throw;
    }
    if (std::unique_ptr<TCategoryTreeFrmReturnInfo> choice = TakeReturnInfo<TCategoryTreeFrmReturnInfo>(*this))
        ApplyCategorySelection(*choice);
    freeAnswer();
    VerifyAll();
}

void SampleEditorBase::ApplyCategorySelection(const TCategoryTreeFrmReturnInfo &selection)
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
    ::ApplyCategorySelection(row, s, m_kind.categoryLevels);
}

QString SampleEditorBase::GetDeepestCategoryCode() const
{
    return ::GetDeepestCategoryCode(DataSetRow(*qryData_), m_kind.categoryLevels);
}

void SampleEditorBase::actPickPremisesExecute()
{
    if (!Editing()) {
        if (!premisesPickStartsEditing())
            return;
        qryData_->edit();
    }
    const QString code = searchPremises(qryData_->text(u"BUSINESS_ID"_s));
    if (!code.isEmpty() && code != TIBCompatibleBaseMaintfrm::CancelledResult() && Editing()) {
        DataSetRow row(*qryData_);
        takePremises(row, code, StoredPremises(code));
    }
    VerifyAll();
}

void SampleEditorBase::takePremises(SampleRow &row, const QString &code, const std::optional<QVariantMap> &premises)
{
    applyPremisesDetail(row, code, premises, m_kind.personality, viewContext());
}

bool SampleEditorBase::FormCloseQuery()
{
    if (!TIBBaseAdvancedfrm::FormCloseQuery())
        return false;
    if (Editing()) {
        Prompter::current().warning(Varnex::ProgramName, CloseWhileEditingMessage());
        return false;
    }
    return true;
}

void SampleEditorBase::inputLeft(QWidget *old, QWidget *now)
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

void SampleEditorBase::Guarded(const std::function<void()> &work)
{
    try {
        work();
    } catch (const VarnexError &e) {
        Prompter::current().error(Varnex::ProgramName, e.message());
    }
}
