#include "samples/ui/SampleEditorBase.h"

#include "base/Clock.h"
#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "data/GridModel.h"
#include "reference/LookupData_DM.h"
#include "reference/OptionalLookupData_DM.h"
#include "reference/ui/CategoryTree_FRM.h"
#include "samples/SampleLookups.h"
#include "samples/SampleRecord.h"
#include "samples/SampleRow.h"
#include "samples/ui/SampleAttachmentsPanel.h"
#include "store/SqlUtil.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QSqlQuery>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

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
    qryData_->onNewRecord = [this](SqlDataSet &data) { startNewSample(data); };
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
    addFormList(qrySampleOfficer_, u"CODE"_s, u"NAME"_s);
    addFormList(qryLocalAuthOffice_, u"CODE"_s, u"DESCRIPTION"_s);

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

void SampleEditorBase::setListSource(TzqcxDBLookupComboBox *combo, const QString &source, const QString &keyField,
                                     const QString &descriptionField)
{
    if (m_sources.value(combo) == source && m_sources.contains(combo))
        return;
    m_sources.insert(combo, source);
    // Without the lookup module (made after login) the box shows the stored code alone.
    combo->SetListSource(LookupDataDm ? LookupDataDm->DataSource(source) : nullptr, keyField, descriptionField);
}

void SampleEditorBase::fillPickLists()
{
    if (!OptionalLookupDataDM)
        return;
    for (const auto &[combo, name] : std::as_const(m_pickLists)) {
        const QSignalBlocker block(combo);
        const QString text = combo->currentText();
        combo->clear();
        combo->addItems(OptionalLookupDataDM->GetLookupLines(name));
        combo->setEditText(text);
    }
}

// ------------------------------------------------------------------------------------------------
// Building the frame: actions, side panel, heading

QString SampleEditorBase::RequiredMark()
{
    return u"<span style=\"color:#b00000;\">&nbsp;*</span>"_s;
}

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

void SampleEditorBase::VerifyAll()
{
    if (m_verifying || !qryData_->isActive())
        return;
    QScopedValueRollback<bool> guard(m_verifying, true);
    DataSetRow row(*qryData_);
    showViewState(::VerifyAll(row, Editing(), m_kind.verify, viewContext(), m_oldSampleType));
}

void SampleEditorBase::UpdateView()
{
    if (!qryData_->isActive())
        return;
    showViewState(::UpdateView(DataSetRow(*qryData_), m_kind.verify, viewContext()));
}

void SampleEditorBase::showViewState(const SampleViewState &state)
{
    for (const FieldRule &rule : std::as_const(m_fieldRules)) {
        if (rule.shows)
            rule.control->setVisible(state.*rule.state);
        else
            enableWithLabel(rule.control, state.*rule.state);
    }
    setListSource(cmbCountry, state.countrySource, u"Name"_s, QString());
    if (state.analysisText) {
        enableWithLabel(memAnalysisText, *state.analysisText);
        actAnalysisBuilder->setEnabled(*state.analysisText && analysisBuilderOffered());
    }
    applyViewState(state);
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
