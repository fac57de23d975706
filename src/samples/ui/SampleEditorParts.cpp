// The parts of a sample editor's pages made of several widgets, and the controls the field
// table's rows make.
#include "samples/ui/SampleFieldBuilder.h"

#include "reference/LookupData_DM.h"
#include "samples/ui/SampleAttachmentsPanel.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QValidator>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace SampleEditorLayout;

namespace {

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

} // namespace

// ------------------------------------------------------------------------------------------------
// Parts

void SampleFieldBuilder::addCategoryTree(const SampleField &f)
{
    QWidget *parent = this->parent();
    auto *panel = new QFrame(parent);
    panel->setObjectName(u"pnlCategoryTree"_s);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setAutoFillBackground(true);
    auto *treeLayout = new QVBoxLayout(panel);
    treeLayout->setContentsMargins(8, 8, 8, 8);
    QPushButton *button = actionButton(m_editor.actCategoryTree, panel);
    button->setObjectName(u"btnCategoryTree"_s);
    button->setIcon(m_editor.style()->standardIcon(QStyle::SP_DirOpenIcon));
    button->setMinimumSize(130, 56);
    treeLayout->addWidget(button);
    m_editor.m_targets.insert(SampleTarget::CategoryTree, button);
    m_editor.pnlCategoryTree = panel;
    m_editor.btnCategoryTree = button;
    if (!f.caption.isEmpty())
        button->setText(f.caption);

    if (m_layout == Layout::CaptionGrid) {
        // Beside the category levels just placed.
        const int levels = m_editor.Kind().categoryLevels;
        m_grid->addWidget(panel, m_line - levels, 2, levels, 1);
    } else {
        m_form->addRow(QString(), row(parent, {panel}));
    }
}

void SampleFieldBuilder::addAdditionalInfo(const SampleField &f)
{
    QWidget *parent = this->parent();
    auto *additional = new QWidget(parent);
    auto *additionalLayout = new QVBoxLayout(additional);
    additionalLayout->setContentsMargins(0, 0, 0, 0);
    TzqcxDBLookupComboBox *list = lookup(additional, f.column, f.list);
    list->setObjectName(u"cmbAdditionalInfo"_s);
    auto *memo = bound<TzqcxDBMemo>(additional, f.column);
    memo->setObjectName(u"memAdditionalInfo"_s);
    memo->setTabChangesFocus(true);
    memo->setFixedHeight(memo->fontMetrics().lineSpacing() * 2 + 14);
    additionalLayout->addWidget(list);
    additionalLayout->addWidget(memo);
    m_editor.cmbAdditionalInfo = list;
    m_editor.memAdditionalInfo = memo;
    m_editor.m_targets.insert(SampleTarget::SampleTakenFrom, list);
    // The list for a micro sample, the memo for a chemical one.
    addRule(list, &SampleViewState::additionalInfoList, true);
    addRule(memo, &SampleViewState::additionalInfoMemo, true);

    QLabel *label = caption(parent, f.caption, memo, f.required);
    label->setObjectName(f.name);
    m_editor.lblAdditionalInfo = label;
    m_editor.m_labels.insert(list, label);
    placeLine(f, label, additional);
}

void SampleFieldBuilder::addDurabilityParts(const SampleField &f)
{
    QWidget *parent = this->parent();
    struct Part
    {
        const char16_t *column;
        const char16_t *name;
        int top;
        TzqcxDBSpinEdit *SampleEditorBase::*member;
        bool SampleViewState::*rule;
    };
    static const Part parts[] = {
        {u"DURABILITY_DAY", u"edtDurabilityDay", 99, &SampleEditorBase::edtDurabilityDay, &SampleViewState::durabilityDay},
        {u"DURABILITY_MONTH", u"edtDurabilityMonth", 99, &SampleEditorBase::edtDurabilityMonth,
         &SampleViewState::durabilityMonth},
        {u"DURABILITY_YEAR", u"edtDurabilityYear", 9999, &SampleEditorBase::edtDurabilityYear,
         &SampleViewState::durabilityYear},
    };
    QList<TzqcxDBSpinEdit *> edits;
    for (const Part &part : parts) {
        auto *edit = bound<TzqcxDBSpinEdit>(parent, QString::fromUtf16(part.column));
        edit->setObjectName(QString::fromUtf16(part.name));
        edit->SetRange(0, part.top);
        m_editor.*part.member = edit;
        addRule(edit, part.rule, false);
        edits << edit;
    }
    auto *dateRow = new QWidget(parent);
    auto *dateLayout = new QHBoxLayout(dateRow);
    dateLayout->setContentsMargins(0, 0, 0, 0);
    dateLayout->setSpacing(6);
    for (int i = 0; i < edits.size(); ++i) {
        TzqcxDBSpinEdit *edit = edits.at(i);
        QLabel *label = caption(dateRow, f.choices.value(i), edit, false);
        edit->setParent(dateRow);
        edit->setButtonSymbols(QAbstractSpinBox::NoButtons);
        edit->setAlignment(Qt::AlignRight);
        edit->setFixedWidth(edit == m_editor.edtDurabilityYear ? 64 : 44);
        dateLayout->addWidget(label);
        dateLayout->addWidget(edit);
        dateLayout->addSpacing(6);
    }
    auto *yearNote = new QLabel(u"4 digits eg 2003"_s, dateRow);
    yearNote->setEnabled(false);
    dateLayout->addWidget(yearNote);
    dateLayout->addStretch(1);
    placeLine(f, nullptr, dateRow);
}

void SampleFieldBuilder::addCountry(const SampleField &f)
{
    QWidget *parent = this->parent();
    if (f.choices.isEmpty()) {
        TzqcxDBLookupComboBox *list = lookup(parent, f.column, f.list, u"Name"_s, QString());
        list->setObjectName(f.name);
        m_editor.cmbCountry = list;
        placeLine(f, caption(parent, f.caption, list, f.required), list);
        return;
    }
    // The region chooses the country list (VerifyAll).
    auto *countryRow = new QWidget(parent);
    auto *countryLayout = new QHBoxLayout(countryRow);
    countryLayout->setContentsMargins(0, 0, 0, 0);
    auto *region = bound<TzqcxDBImageComboBox>(countryRow, u"COUNTRY_REGION"_s);
    region->setObjectName(u"cmbCountryRegion"_s);
    for (const QString &choice : f.choices)
        region->AddItem(choice, choice);
    region->setMinimumContentsLength(7);
    verifyOn(region, &QComboBox::activated);
    TzqcxDBLookupComboBox *list = lookup(countryRow, f.column, f.list, u"Name"_s, QString());
    list->setObjectName(f.name);
    countryLayout->addWidget(region);
    countryLayout->addWidget(list, 1);
    m_editor.cmbCountryRegion = region;
    m_editor.cmbCountry = list;
    QLabel *label = caption(parent, f.caption, region, f.required);
    m_editor.m_labels.insert(list, label);
    placeLine(f, label, countryRow);
}

void SampleFieldBuilder::addAnalysisGroup(const SampleField &f)
{
    QGroupBox *analysis = pageGroup(f);
    QGridLayout *grid = gridLayout(analysis);
    TzqcxDBImageComboBox *routine = yesNo(analysis, u"ROUTINE_ANALYSIS"_s);
    routine->setObjectName(u"cmbRoutineAnalysis"_s);
    QPushButton *builder = actionButton(m_editor.actAnalysisBuilder, analysis);
    builder->setObjectName(u"btnAnalysisBuilder"_s);
    grid->addWidget(longCaption(analysis, u"Routine (or as defined by the laboratory) analysis required?"_s, routine, true),
                    0, 0);
    QWidget *routineRow = row(analysis, {routine, new QLabel(u"(YES/NO)"_s)}, false);
    qobject_cast<QHBoxLayout *>(routineRow->layout())->addSpacing(24);
    builder->setParent(routineRow);
    routineRow->layout()->addWidget(builder);
    qobject_cast<QHBoxLayout *>(routineRow->layout())->addStretch(1);
    grid->addWidget(routineRow, 0, 1);
    auto *memo = bound<TzqcxDBMemo>(analysis, u"ANALYSIS_TEXT"_s);
    memo->setObjectName(u"memAnalysisText"_s);
    memo->SetMaxLength(f.maxLength);
    memo->setTabChangesFocus(true);
    memo->setFixedHeight(memo->fontMetrics().lineSpacing() * 4 + 12);
    QLabel *memoCaption = longCaption(analysis, u"Analysis required"_s, memo, true);
    memoCaption->setAlignment(Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(memoCaption, 1, 0);
    grid->addWidget(memo, 1, 1);
    grid->setColumnStretch(1, 1);
    m_editor.cmbRoutineAnalysis = routine;
    m_editor.btnAnalysisBuilder = builder;
    m_editor.memAnalysisText = memo;
    m_pageLayout->addWidget(analysis);
}

void SampleFieldBuilder::addCommentsGroup(const SampleField &f)
{
    endGroup();
    m_pageLayout->addWidget(commentsGroup(f.maxLength), 1);
}

QGroupBox *SampleFieldBuilder::commentsGroup(int maxLength)
{
    auto *comments = new QGroupBox(u"Additional Information - including contract code"_s, m_page);
    comments->setObjectName(u"grpComments"_s);
    auto *commentsLayout = new QVBoxLayout(comments);
    auto *memo = bound<TzqcxDBMemo>(comments, u"SAMPLE_COMMENTS"_s);
    memo->setObjectName(u"memComments"_s);
    if (maxLength)
        memo->SetMaxLength(maxLength);
    memo->setTabChangesFocus(true);
    memo->setMinimumHeight(memo->fontMetrics().lineSpacing() * 4 + 12);
    commentsLayout->addWidget(memo);
    m_editor.memComments = memo;
    return comments;
}

void SampleFieldBuilder::addTemplateAnalysisGroups(const SampleField &f)
{
    QGroupBox *analysis = pageGroup(f);
    QFormLayout *form = formLayout(analysis);
    TzqcxDBLookupComboBox *laboratory = lookup(analysis, u"LABORATORY__CODE"_s, u"srcLaboratoryFiltered"_s);
    laboratory->setObjectName(u"cmbLaboratory"_s);
    form->addRow(caption(analysis, u"Laboratory:"_s, laboratory, false), laboratory);
    TzqcxDBImageComboBox *routine = yesNo(analysis, u"ROUTINE_ANALYSIS"_s);
    routine->setObjectName(u"cmbRoutineAnalysis"_s);
    QPushButton *builder = actionButton(m_editor.actAnalysisBuilder, analysis);
    builder->setObjectName(u"btnAnalysisBuilder"_s);
    QLabel *routineCaption =
        caption(analysis, u"Routine (or as defined by the laboratory) analysis required?"_s, routine, false);
    routineCaption->setWordWrap(true);
    routineCaption->setMinimumWidth(260);
    form->addRow(routineCaption, row(analysis, {routine, new QLabel(u"(YES/NO)"_s), builder}));
    auto *memo = bound<TzqcxDBMemo>(analysis, u"ANALYSIS_TEXT"_s);
    memo->setObjectName(u"memAnalysisText"_s);
    memo->setTabChangesFocus(true);
    memo->setFixedHeight(memo->fontMetrics().lineSpacing() * 4 + 12);
    form->addRow(caption(analysis, u"Analysis required"_s, memo, false), memo);
    m_pageLayout->addWidget(analysis);

    m_pageLayout->addWidget(commentsGroup(0));

    m_editor.cmbLaboratory = laboratory;
    m_editor.cmbRoutineAnalysis = routine;
    m_editor.btnAnalysisBuilder = builder;
    m_editor.memAnalysisText = memo;
}

void SampleFieldBuilder::addAttachmentsPage(const SampleField &f)
{
    endPage();
    QWidget *pageWidget = newPage(f.name);
    if (f.fill)
        f.fill(m_editor, pageWidget);
    m_editor.m_attachmentsPage = pageWidget;
    auto *page = new QVBoxLayout(pageWidget);
    SampleEditorBase *editor = &m_editor;
    auto *panel = new SampleAttachmentsPanel([editor]() { return editor->qryData_->text(u"CODE"_s); }, pageWidget);
    page->addWidget(panel, 1);
    m_editor.pnlAttachments = panel;
    m_editor.grdAttachments = panel->grdAttachments;
    m_editor.srcAttachments = panel->srcAttachments;
    m_editor.actOpenAttachments = panel->actOpenAttachments;
    m_editor.actAddAttachment = panel->actAddAttachment;
    m_editor.actDeleteAttachment = panel->actDeleteAttachment;
    m_editor.actDownloadAttachment = panel->actDownloadAttachment;
    m_editor.PageControl->addTab(pageWidget, f.caption);
}

// ------------------------------------------------------------------------------------------------
// Controls

void SampleFieldBuilder::verifyOn(QWidget *control, void (QComboBox::*signal)(int))
{
    SampleEditorBase *editor = &m_editor;
    QObject::connect(qobject_cast<QComboBox *>(control), signal, editor,
                     [editor]() { editor->Guarded([editor]() { editor->VerifyAll(); }); });
}

TzqcxDBLookupComboBox *SampleFieldBuilder::lookup(QWidget *parent, const QString &field, const QString &list,
                                                  const QString &keyField, const QString &descriptionField)
{
    auto *combo = bound<TzqcxDBLookupComboBox>(parent, field);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(18);
    combo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_editor.setListSource(combo, list, keyField, descriptionField);
    verifyOn(combo, &QComboBox::activated);
    return combo;
}

TzqcxDBComboBox *SampleFieldBuilder::pickList(QWidget *parent, const QString &field, bool upperCase)
{
    auto *combo = bound<TzqcxDBComboBox>(parent, field);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(18);
    combo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    if (upperCase)
        combo->lineEdit()->setValidator(new UpperCaseValidator(combo));
    SampleEditorBase *editor = &m_editor;
    QObject::connect(combo, &QComboBox::textActivated, editor,
                     [editor]() { editor->Guarded([editor]() { editor->VerifyAll(); }); });
    return combo;
}

TzqcxDBImageComboBox *SampleFieldBuilder::yesNo(QWidget *parent, const QString &field)
{
    auto *combo = bound<TzqcxDBImageComboBox>(parent, field);
    combo->AddItem(u"YES"_s, u"T"_s);
    combo->AddItem(u"NO"_s, u"F"_s);
    combo->setMinimumContentsLength(6);
    verifyOn(combo, &QComboBox::activated);
    return combo;
}

QLabel *SampleFieldBuilder::caption(QWidget *parent, const QString &text, QWidget *control, bool required)
{
    auto *label = new QLabel(parent);
    if (required) {
        label->setTextFormat(Qt::RichText);
        label->setText(text.toHtmlEscaped() + SampleEditorBase::RequiredMark());
    } else {
        label->setTextFormat(Qt::PlainText);
        // A label with a buddy reads "&" as its shortcut mark; the caption's own is doubled.
        label->setText(control ? QString(text).replace(QLatin1Char('&'), u"&&"_s) : text);
    }
    if (control) {
        label->setBuddy(control);
        m_editor.m_labels.insert(control, label);
    }
    return label;
}

QLabel *SampleFieldBuilder::longCaption(QWidget *parent, const QString &text, QWidget *control, bool required)
{
    QLabel *label = caption(parent, text, control, required);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(330);
    return label;
}

QPushButton *SampleFieldBuilder::actionButton(QAction *action, QWidget *parent)
{
    // A button of the action's caption that does what the action does, enabled and explained as
    // it is.
    auto *button = new QPushButton(action->text(), parent);
    button->setAutoDefault(false);
    const auto follow = [button, action]() {
        button->setEnabled(action->isEnabled());
        button->setToolTip(action->toolTip() == action->text() ? QString() : action->toolTip());
    };
    follow();
    QObject::connect(action, &QAction::changed, button, follow);
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    return button;
}

QWidget *SampleFieldBuilder::pageButtons(QWidget *page, bool back, bool forward, bool turnsOnTab)
{
    auto *bar = new QWidget(page);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 6, 0, 0);
    layout->addStretch(1);
    if (back) {
        QAction *prior = m_editor.actPriorPage;
        auto *button = new QPushButton(m_editor.style()->standardIcon(QStyle::SP_ArrowBack), prior->text(), bar);
        button->setObjectName(u"btnPrior"_s + page->objectName().mid(3));
        button->setToolTip(u"Previous page"_s);
        button->setAutoDefault(false);
        QObject::connect(button, &QPushButton::clicked, prior, &QAction::trigger);
        layout->addWidget(button);
        m_editor.PriorButtons << button;
    }
    if (forward) {
        QAction *next = m_editor.actNextPage;
        auto *button = new QPushButton(m_editor.style()->standardIcon(QStyle::SP_ArrowForward), next->text(), bar);
        button->setObjectName(u"btnNext"_s + page->objectName().mid(3));
        button->setToolTip(u"Next page"_s);
        button->setLayoutDirection(Qt::RightToLeft); // the arrow after the text
        button->setAutoDefault(false);
        if (turnsOnTab)
            button->setProperty("tag", SampleEditorBase::TurnPageTag);
        QObject::connect(button, &QPushButton::clicked, next, &QAction::trigger);
        layout->addWidget(button);
        m_editor.NextButtons << button;
    }
    return bar;
}

void SampleFieldBuilder::watchRadioChange(TzqcxDBRadioGroup *group, const QString &field,
                                          void (SampleEditorBase::*handler)())
{
    // The group's own handler has written the value when idClicked reaches this one; the
    // change handler runs only when the choice changed.
    SampleEditorBase *editor = &m_editor;
    auto *buttons = group->findChild<QButtonGroup *>();
    QObject::connect(buttons, &QButtonGroup::idPressed, editor, [editor, field]() {
        editor->m_valueBeforeClick = editor->qryData_->isActive() ? editor->qryData_->text(field) : QString();
    });
    QObject::connect(buttons, &QButtonGroup::idClicked, editor, [editor, field, handler]() {
        if (editor->qryData_->isActive() && editor->qryData_->text(field) != editor->m_valueBeforeClick)
            editor->Guarded([editor, handler]() { (editor->*handler)(); });
    });
}
