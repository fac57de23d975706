// Building a sample editor's pages from its field table: pages, groups and the fields in them.
#include "samples/ui/SampleFieldBuilder.h"

#include "data/GridModel.h"

#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::StringLiterals;
using namespace SampleEditorLayout;

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

QWidget *newPage(const QString &name)
{
    auto *page = new QWidget;
    page->setObjectName(name);
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

} // namespace SampleEditorLayout

void SampleFieldBuilder::add(const SampleField &f)
{
    // The entries that are no single field, and who makes them.
    using Maker = void (SampleFieldBuilder::*)(const SampleField &);
    static const QHash<Kind, Maker> makers = {
        {Kind::Page, &SampleFieldBuilder::startPage},
        {Kind::Group, &SampleFieldBuilder::startGroup},
        {Kind::SecondColumn, &SampleFieldBuilder::startSecondColumn},
        {Kind::Bundle, &SampleFieldBuilder::addBundle},
        {Kind::CategoryTree, &SampleFieldBuilder::addCategoryTree},
        {Kind::AdditionalInfo, &SampleFieldBuilder::addAdditionalInfo},
        {Kind::DurabilityParts, &SampleFieldBuilder::addDurabilityParts},
        {Kind::Country, &SampleFieldBuilder::addCountry},
        {Kind::AnalysisGroup, &SampleFieldBuilder::addAnalysisGroup},
        {Kind::CommentsGroup, &SampleFieldBuilder::addCommentsGroup},
        {Kind::TemplateAnalysisGroup, &SampleFieldBuilder::addTemplateAnalysisGroups},
        {Kind::AttachmentsPage, &SampleFieldBuilder::addAttachmentsPage},
    };
    if (const Maker maker = makers.value(f.kind))
        (this->*maker)(f);
    else
        addField(f, makeField(f));
}

void SampleFieldBuilder::startSecondColumn(const SampleField &)
{
    m_form = m_secondColumn;
}

void SampleFieldBuilder::addBundle(const SampleField &f)
{
    for (const SampleField &row : f.rows)
        add(row);
}

// ------------------------------------------------------------------------------------------------
// Containers

void SampleFieldBuilder::startPage(const SampleField &f)
{
    endPage();
    m_page = newPage(f.name);
    if (f.fill)
        f.fill(m_editor, m_page);
    m_pageLayout = new QVBoxLayout(m_page);
    m_pageTitle = f.caption;
    m_pageButtons = f.pageButtons;
    m_pageFilled = f.pageFilled;
}

void SampleFieldBuilder::endPage()
{
    endGroup();
    if (!m_page)
        return;
    if (!m_pageFilled)
        m_pageLayout->addStretch(1);
    m_pageLayout->addWidget(pageButtons(m_page, m_pageButtons & SampleField::Back,
                                        m_pageButtons & SampleField::Forward, m_pageButtons & SampleField::TurnsOnTab));
    m_editor.PageControl->addTab(m_page, m_pageTitle);
    m_page = nullptr;
    m_beside = nullptr;
}

void SampleFieldBuilder::startGroup(const SampleField &f)
{
    endGroup();
    auto *group = new QGroupBox(f.caption, m_page);
    group->setObjectName(f.name);
    group->setFocusPolicy(f.groupFocus);
    if (f.fill)
        f.fill(m_editor, group);
    if (f.rule)
        addRule(group, f.rule, f.ruleShows);
    m_group = group;
    m_layout = f.layout;
    switch (f.layout) {
    case Layout::Form:
        m_form = formLayout(group);
        break;
    case Layout::CaptionGrid:
    case Layout::LongCaptions:
        m_grid = gridLayout(group);
        m_line = 0;
        break;
    case Layout::TwoColumns:
        m_columns = new QHBoxLayout(group);
        m_columns->setSpacing(24);
        m_firstColumn = formLayout();
        m_secondColumn = formLayout();
        m_form = m_firstColumn;
        break;
    case Layout::Line:
        m_lineLayout = new QHBoxLayout(group);
        break;
    }
    if (f.placement == SampleField::Placement::Below) {
        m_pageLayout->addWidget(group);
        return;
    }
    if (!m_beside) {
        m_beside = new QHBoxLayout;
        m_beside->setSpacing(12);
        m_pageLayout->addLayout(m_beside);
    }
    m_beside->addWidget(group, 1, f.placement == SampleField::Placement::BesideTop ? Qt::AlignTop : Qt::Alignment());
}

void SampleFieldBuilder::endGroup()
{
    if (!m_group)
        return;
    switch (m_layout) {
    case Layout::CaptionGrid:
    case Layout::LongCaptions:
        m_grid->setColumnStretch(1, 1);
        break;
    case Layout::TwoColumns: {
        m_columns->addLayout(m_firstColumn, 1);
        auto *divider = new QFrame(m_group);
        divider->setFrameShape(QFrame::VLine);
        divider->setFrameShadow(QFrame::Sunken);
        m_columns->addWidget(divider);
        m_columns->addLayout(m_secondColumn, 1);
        break;
    }
    case Layout::Line:
        m_lineLayout->addStretch(1);
        break;
    case Layout::Form:
        break;
    }
    m_group = nullptr;
}

// A group of its own on the page, below what is there.
QGroupBox *SampleFieldBuilder::pageGroup(const SampleField &f)
{
    endGroup();
    auto *group = new QGroupBox(f.caption, m_page);
    group->setObjectName(f.name);
    return group;
}

// ------------------------------------------------------------------------------------------------
// Fields

QWidget *SampleFieldBuilder::makeField(const SampleField &f)
{
    switch (f.kind) {
    case Kind::Lookup:
    case Kind::PickList:
    case Kind::BatchNumber:
    case Kind::CheckBox:
    case Kind::YesNo:
    case Kind::AnalysisTypeChoice:
    case Kind::ReasonChoice:
        return makeChoice(f);
    default:
        return makeEdit(f);
    }
}

// The lists, check boxes and radios.
QWidget *SampleFieldBuilder::makeChoice(const SampleField &f)
{
    QWidget *parent = this->parent();
    switch (f.kind) {
    case Kind::Lookup: {
        const auto formList = m_editor.m_formLists.constFind(f.list);
        if (formList == m_editor.m_formLists.cend())
            return lookup(parent, f.column, f.list);
        // One of the form's own lists: it takes the size of its contents. One never shown is
        // never chosen from either.
        auto *combo = bound<TzqcxDBLookupComboBox>(parent, f.column);
        combo->SetListSource(formList->list, formList->keyField, formList->shownField);
        if (f.hidden)
            return combo;
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMinimumContentsLength(18);
        verifyOn(combo, &QComboBox::activated);
        return combo;
    }
    case Kind::PickList: {
        TzqcxDBComboBox *combo = pickList(parent, f.column, f.upperCase);
        if (!f.list.isEmpty())
            m_editor.m_pickLists.append({combo, f.list});
        return combo;
    }
    case Kind::BatchNumber: {
        TzqcxDBComboBox *combo = pickList(parent, f.column, false);
        combo->addItems(f.choices);
        combo->setCurrentIndex(-1);
        return combo;
    }
    case Kind::CheckBox: {
        auto *box = bound<TzqcxDBCheckBox>(parent, f.column);
        box->setText(f.caption);
        SampleEditorBase *editor = &m_editor;
        QObject::connect(box, &QCheckBox::clicked, editor, [editor]() { editor->Guarded([editor]() { editor->VerifyAll(); }); });
        return box;
    }
    case Kind::YesNo:
        return yesNo(parent, f.column);
    case Kind::AnalysisTypeChoice: {
        auto *radio = bound<TzqcxDBRadioGroup>(parent, f.column);
        lineUp(radio);
        radio->SetItems(f.choices, {u"M"_s, u"C"_s});
        radio->setFlat(true);
        watchRadioChange(radio, f.column, &SampleEditorBase::rgAnalysisTypeChange);
        return radio;
    }
    case Kind::ReasonChoice: {
        // On its own on the page it shows its caption as its title and keeps its buttons left.
        auto *radio = bound<TzqcxDBRadioGroup>(parent, f.column);
        if (m_group)
            radio->setFlat(true);
        else
            radio->setTitle(f.caption);
        lineUp(radio);
        radio->SetItems(f.choices, {u"E"_s, u"S"_s});
        if (!m_group)
            qobject_cast<QHBoxLayout *>(radio->layout())->addStretch(1);
        radio->layout()->setSpacing(40);
        watchRadioChange(radio, f.column, &SampleEditorBase::rgReasonChange);
        return radio;
    }
    default:
        Q_UNREACHABLE();
    }
}

// The controls typed into.
QWidget *SampleFieldBuilder::makeEdit(const SampleField &f)
{
    QWidget *parent = this->parent();
    switch (f.kind) {
    case Kind::Text: {
        auto *edit = bound<TzqcxDBTextEdit>(parent, f.column);
        if (f.upperCase)
            edit->SetUpperCase(true);
        if (f.maxWidth)
            edit->setMaximumWidth(f.maxWidth);
        return edit;
    }
    case Kind::ShownText:
    case Kind::CategoryLevel: {
        auto *edit = bound<TzqcxDBTextEdit>(parent, f.column);
        showReadOnly(edit);
        return edit;
    }
    case Kind::Memo: {
        auto *memo = bound<TzqcxDBMemo>(parent, f.column);
        if (f.maxLength)
            memo->SetMaxLength(f.maxLength);
        memo->setTabChangesFocus(true);
        if (f.lines)
            memo->setFixedHeight(memo->fontMetrics().lineSpacing() * f.lines + f.lineMargin);
        return memo;
    }
    case Kind::BusinessId: {
        auto *edit = bound<TzqcxDBButtonEdit>(parent, f.column);
        edit->SetUpperCase(true);
        edit->Button()->setToolTip(m_editor.actPickPremises->toolTip());
        QObject::connect(edit, &TzqcxDBButtonEdit::buttonClicked, m_editor.actPickPremises, &QAction::trigger);
        return edit;
    }
    case Kind::Date: {
        auto *date = bound<TzqcxDBDateEdit>(parent, f.column);
        date->setDisplayFormat(u"dd MMM yyyy"_s);
        date->setMinimumWidth(130);
        return date;
    }
    case Kind::Time: {
        auto *time = bound<TzqcxDBTimeEdit>(parent, f.column);
        time->setMaximumWidth(80);
        return time;
    }
    case Kind::Currency: {
        auto *cost = bound<TzqcxDBCurrencyEdit>(parent, f.column);
        cost->setPrefix(u"£"_s);
        cost->setGroupSeparatorShown(true);
        cost->setButtonSymbols(QAbstractSpinBox::NoButtons);
        cost->setAlignment(Qt::AlignRight);
        cost->setMinimumWidth(130);
        return cost;
    }
    case Kind::Quantity: {
        TzqcxDBSpinEdit *quantity = numberEdit(parent, f.column, 2, 0, 999999999.99);
        quantity->setMinimumWidth(110);
        return quantity;
    }
    case Kind::Temperature: {
        TzqcxDBSpinEdit *temperature = numberEdit(parent, f.column, 1, -999.9, 999.9);
        temperature->setAlignment(Qt::AlignRight);
        temperature->setFixedWidth(80);
        return temperature;
    }
    default:
        Q_UNREACHABLE();
    }
}

TzqcxDBSpinEdit *SampleFieldBuilder::numberEdit(QWidget *parent, const QString &field, int decimals, double low,
                                                double high)
{
    auto *edit = bound<TzqcxDBSpinEdit>(parent, field);
    edit->setDecimals(decimals);
    edit->setSingleStep(std::pow(10.0, -decimals));
    edit->SetRange(low, high);
    edit->setButtonSymbols(QAbstractSpinBox::NoButtons);
    return edit;
}

void SampleFieldBuilder::addField(const SampleField &f, QWidget *control)
{
    control->setObjectName(f.name);
    if (f.fill)
        f.fill(m_editor, control);
    if (f.rule)
        addRule(control, f.rule, f.ruleShows);
    if (!f.target.isEmpty())
        m_editor.m_targets.insert(f.target, control);
    if (f.disabled)
        control->setEnabled(false);
    if (f.turnsPage)
        control->setProperty("tag", SampleEditorBase::TurnPageTag);

    const bool captioned = !f.caption.isEmpty() && f.kind != Kind::CheckBox && (f.kind != Kind::ReasonChoice || m_group);
    const bool longCaptions = m_group && m_layout == Layout::LongCaptions;
    QLabel *label = nullptr;
    const auto makeCaption = [&]() {
        label = longCaptions ? longCaption(parent(), f.caption, control, f.required)
                             : caption(parent(), f.caption, control, f.required);
        if (f.fillCaption) {
            label->setObjectName(f.captionName);
            f.fillCaption(m_editor, label);
        }
    };
    // A long caption comes first, a short one after its field's line (the order of the children).
    if (captioned && longCaptions)
        makeCaption();
    QWidget *line = control;
    if (f.buttonAction)
        line = withButton(f, control);
    else if (f.boxed || keepsOwnWidth(f.kind))
        line = row(parent(), f.note.isEmpty() ? QList<QWidget *>{control} : QList<QWidget *>{control, new QLabel(f.note)});
    if (captioned && !longCaptions)
        makeCaption();
    if (f.hidden) {
        control->setVisible(false);
        if (label)
            label->setVisible(false);
    }
    placeLine(f, label, line);
}

void SampleFieldBuilder::placeLine(const SampleField &f, QLabel *label, QWidget *line)
{
    if (!m_group) {
        m_pageLayout->addWidget(line);
        return;
    }
    switch (m_layout) {
    case Layout::Form:
    case Layout::TwoColumns:
        if (f.stacked) {
            m_form->addRow(label);
            m_form->addRow(line);
        } else if (label) {
            m_form->addRow(label, line);
        } else {
            m_form->addRow(QString(), line);
        }
        break;
    case Layout::CaptionGrid:
        // The category levels leave the third column to the category tree.
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_grid->addWidget(label, m_line, 0);
        m_grid->addWidget(line, m_line, 1, 1, f.kind == Kind::CategoryLevel ? 1 : 2);
        ++m_line;
        break;
    case Layout::LongCaptions:
        m_grid->addWidget(label, m_line, 0);
        m_grid->addWidget(line, m_line, 1);
        ++m_line;
        break;
    case Layout::Line:
        if (label)
            m_lineLayout->addWidget(label);
        m_lineLayout->addWidget(line);
        break;
    }
}

QWidget *SampleFieldBuilder::withButton(const SampleField &f, QWidget *control)
{
    QPushButton *button = actionButton(f.buttonAction(m_editor), parent());
    button->setObjectName(f.buttonName);
    f.fillButton(m_editor, button);
    auto *line = new QWidget(parent());
    auto *layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    control->setParent(line);
    button->setParent(line);
    layout->addWidget(control, 1);
    // Beside a memo the button stands at its top.
    layout->addWidget(button, 0, f.kind == Kind::Memo ? Qt::AlignTop : Qt::Alignment());
    return line;
}

void SampleFieldBuilder::addRule(QWidget *control, bool SampleViewState::*state, bool shows)
{
    m_editor.m_fieldRules.append({control, state, shows});
}

void SampleEditorBase::buildPages(const SampleFieldTable &fields)
{
    SampleFieldBuilder(*this).build(fields);
}

void SampleEditorBase::addFormList(GridModel *list, const QString &keyField, const QString &shownField)
{
    m_formLists.insert(list->objectName(), {list, keyField, shownField});
}
