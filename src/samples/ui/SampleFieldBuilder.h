#pragma once

// The builder of the sample editors' pages, shared by SampleEditorPages.cpp (pages, groups, fields)
// and SampleEditorParts.cpp (the parts made of several widgets, the controls); for no other unit.
#include "samples/ui/SampleEditorBase.h"

class QFormLayout;
class QGridLayout;
class QHBoxLayout;
class QVBoxLayout;

namespace SampleEditorLayout {
QFormLayout *formLayout(QWidget *parent = nullptr);
QGridLayout *gridLayout(QWidget *parent);
// The widgets side by side, reparented to a new line widget.
QWidget *row(QWidget *parent, const QList<QWidget *> &widgets, bool stretch = true);
// The buttons of a radio group side by side.
void lineUp(TzqcxDBRadioGroup *group);
QWidget *newPage(const QString &name);
// A text the officer reads but never types looks so.
void showReadOnly(TzqcxDBTextEdit *edit);
} // namespace SampleEditorLayout

// Makes an editor's pages from its field table, entry by entry: a page or a group opens, and the
// fields after it go into it, each with its caption, its view rule and its form member.
class SampleFieldBuilder
{
public:
    explicit SampleFieldBuilder(SampleEditorBase &editor) : m_editor(editor) {}

    void build(const SampleFieldTable &fields)
    {
        for (const SampleField &f : fields)
            add(f);
        endPage();
    }

private:
    using Kind = SampleField::Kind;
    using Layout = SampleField::Layout;

    void add(const SampleField &f);
    QWidget *parent() const { return m_group ? static_cast<QWidget *>(m_group) : m_page; }

    // Containers.
    void startPage(const SampleField &f);
    void endPage();
    void startGroup(const SampleField &f);
    void startSecondColumn(const SampleField &f);
    void addBundle(const SampleField &f);
    void endGroup();
    QGroupBox *pageGroup(const SampleField &f);

    // Fields.
    QWidget *makeField(const SampleField &f);
    QWidget *makeChoice(const SampleField &f);
    QWidget *makeEdit(const SampleField &f);
    void addField(const SampleField &f, QWidget *control);
    void placeLine(const SampleField &f, QLabel *label, QWidget *line);
    QWidget *withButton(const SampleField &f, QWidget *control);
    void addRule(QWidget *control, bool SampleViewState::*state, bool shows);
    // The controls that keep their own width sit at the start of a line of their own.
    static bool keepsOwnWidth(Kind kind)
    {
        return kind == Kind::Date || kind == Kind::Time || kind == Kind::Currency || kind == Kind::Quantity
               || kind == Kind::YesNo;
    }

    // Parts.
    void addCategoryTree(const SampleField &f);
    void addAdditionalInfo(const SampleField &f);
    void addDurabilityParts(const SampleField &f);
    void addCountry(const SampleField &f);
    void addAnalysisGroup(const SampleField &f);
    void addCommentsGroup(const SampleField &f);
    // "Additional Information - including contract code"; 0 leaves the column's own limit.
    QGroupBox *commentsGroup(int maxLength);
    void addTemplateAnalysisGroups(const SampleField &f);
    void addAttachmentsPage(const SampleField &f);

    // Controls.
    template <class TEditor>
    TEditor *bound(QWidget *parent, const QString &field);
    TzqcxDBLookupComboBox *lookup(QWidget *parent, const QString &field, const QString &list,
                                  const QString &keyField = QStringLiteral("Code"),
                                  const QString &descriptionField = QStringLiteral("Description"));
    TzqcxDBComboBox *pickList(QWidget *parent, const QString &field, bool upperCase);
    TzqcxDBImageComboBox *yesNo(QWidget *parent, const QString &field);
    // A number typed with so many decimals, between low and high; it steps by its last decimal.
    TzqcxDBSpinEdit *numberEdit(QWidget *parent, const QString &field, int decimals, double low, double high);
    QLabel *caption(QWidget *parent, const QString &text, QWidget *control, bool required);
    QLabel *longCaption(QWidget *parent, const QString &text, QWidget *control, bool required);
    QPushButton *actionButton(QAction *action, QWidget *parent);
    QWidget *pageButtons(QWidget *page, bool back, bool forward, bool turnsOnTab);
    void watchRadioChange(TzqcxDBRadioGroup *group, const QString &field, void (SampleEditorBase::*handler)());
    void verifyOn(QWidget *control, void (QComboBox::*signal)(int));

    SampleEditorBase &m_editor;
    // The page being built.
    QWidget *m_page = nullptr;
    QVBoxLayout *m_pageLayout = nullptr;
    QHBoxLayout *m_beside = nullptr; // the groups side by side
    QString m_pageTitle;
    int m_pageButtons = 0;
    bool m_pageFilled = false;
    // The group being built.
    QGroupBox *m_group = nullptr;
    Layout m_layout = Layout::Form;
    QFormLayout *m_form = nullptr;
    QFormLayout *m_firstColumn = nullptr;
    QFormLayout *m_secondColumn = nullptr;
    QHBoxLayout *m_columns = nullptr;
    QGridLayout *m_grid = nullptr;
    int m_line = 0;
    QHBoxLayout *m_lineLayout = nullptr;
};


template <class TEditor>
TEditor *SampleFieldBuilder::bound(QWidget *parent, const QString &field)
{
    auto *editor = new TEditor(parent);
    editor->SetDataBinding(m_editor.qryData_, field);
    editor->SetFocusController(m_editor.FocusController);
    m_editor.m_inputs.insert(editor);
    if (!m_editor.m_targets.contains(field))
        m_editor.m_targets.insert(field, editor);
    return editor;
}
