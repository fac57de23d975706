#pragma once

#include "gui/ZQCXDBEditControls.h"
#include "samples/SampleVerify.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QGroupBox;
class QLabel;
class QPushButton;
class SampleEditorBase;

// One entry of a sample editor's field table: a page, a group of fields on it, or a field with its
// caption. An editor's table lists its pages in order and each page's fields in tab order;
// SampleEditorBase::buildPages makes them, and each field's view rule enables or shows it (with
// its caption) as the view state says. What tells two editors apart is a row of their tables.
//
// The tables are in SampleEditorFieldTables.cpp; the functions of SampleFields write the rows.
struct SampleField
{
    enum class Kind {
        // Containers: the entries after one go into it, up to the next container.
        Page,         // a page; its back and forward buttons at its foot
        Group,        // a group box on the current page
        SecondColumn, // the right-hand column of a two-column group
        Bundle,       // rows that several tables share
        // Fields bound to a column.
        Text,
        ShownText, // read, never typed
        CategoryLevel,
        Lookup, // a list of the lookup module, or one of the form's own lists named after it
        PickList,
        BatchNumber,
        Memo,
        CheckBox,
        YesNo,
        AnalysisTypeChoice,
        ReasonChoice,
        BusinessId,
        Date,
        Time,
        Currency,
        Quantity,
        Temperature,
        // Parts made of several widgets.
        CategoryTree,
        AdditionalInfo, // the "Sample taken from" list and the memo, over the same column
        DurabilityParts,
        Country,               // the region (where there is one) and the country list
        AnalysisGroup,         // routine analysis, the analysis builder and the analyses asked for
        CommentsGroup,         // "Additional Information - including contract code"
        TemplateAnalysisGroup, // the laboratory and the analysis group, then the comments
        AttachmentsPage,
    };
    // How a group lays out its fields.
    enum class Layout {
        Form,         // captions right-aligned before their fields
        CaptionGrid,  // as a form, with a column beside the category levels for the category tree
        LongCaptions, // long, wrapped captions before their fields
        TwoColumns,   // two forms side by side with a line between
        Line,         // caption and field in one line
    };
    // Where a group sits on its page: below what is there, or beside the groups before it.
    enum class Placement { Below, Beside, BesideTop };
    enum PageButton { Back = 1, Forward = 2, TurnsOnTab = 4, AllButtons = Back | Forward | TurnsOnTab };

    using Fill = std::function<void(SampleEditorBase &, QWidget *)>;
    using ActionOf = std::function<QAction *(SampleEditorBase &)>;

    Kind kind = Kind::Text;
    QString name;    // object name
    QString column;  // the column bound
    QString list;    // a lookup's list, or the authority's list that fills a pick list
    QString caption; // a field's caption, a check box's text, a page's or a group's title
    bool required = false;
    // The view state that enables the field and its caption (or shows them).
    bool SampleViewState::*rule = nullptr;
    bool ruleShows = false;
    Fill fill; // the form member the entry's widget goes into

    // Fields.
    Fill fillCaption;   // the form member the caption goes into, and its object name
    QString captionName;
    bool boxed = false;     // keeps its own width; its line stretches after it
    bool hidden = false;    // never shown, nor its caption
    bool disabled = false;  // never enabled for the officer
    bool upperCase = false; // what is typed turns into capitals
    bool turnsPage = false; // Tab on it turns the page
    bool stacked = false;   // the caption above the field, both the form's width
    int maxLength = 0;      // characters typed at most; 0 leaves the column's own limit
    int maxWidth = 0;
    int lines = 0;       // a memo's fixed height in lines of text
    int lineMargin = 12; // and the room around them
    QString note;        // a text after the field, as "(YES/NO)"
    QString target;      // the rule target the field answers for besides its column
    QStringList choices; // a choice's captions, the durability parts' captions, the regions
    // A button after the field that does what the action does.
    ActionOf buttonAction;
    Fill fillButton;
    QString buttonName;
    // Containers.
    Layout layout = Layout::Form;
    Placement placement = Placement::Below;
    Qt::FocusPolicy groupFocus = Qt::NoFocus;
    int pageButtons = AllButtons;
    bool pageFilled = false; // its groups take the page's height: no stretch above the buttons
    QList<SampleField> rows; // a bundle's

    // Modifiers, for the tables.
    SampleField enabledBy(bool SampleViewState::*state) const;
    SampleField shownBy(bool SampleViewState::*state) const;
    SampleField answersFor(const QString &ruleTarget) const;
    SampleField withNote(const QString &text) const;
    SampleField narrowTo(int width) const;
    SampleField limitedTo(int length) const;
    SampleField inLines(int count, int margin = 12) const;
    SampleField capitals() const;
    SampleField neverShown() const;
    SampleField neverEnabled() const;
    SampleField turningPage() const;
    SampleField captionAbove() const;
    SampleField focus(Qt::FocusPolicy policy) const;
    SampleField filled() const;
    template <class Form>
    SampleField captionInto(QLabel *Form::*member, const QString &objectName) const;
    template <class Form, class ButtonForm>
    SampleField withButton(QAction *Form::*action, QPushButton *ButtonForm::*button, const QString &objectName) const;
};

using SampleFieldTable = QList<SampleField>;

namespace SampleFields {

enum Need { Optional, Required };

// The member a widget goes into: a widget member of the editor or of one of its bases.
template <class Form, class Widget>
SampleField::Fill into(Widget *Form::*member)
{
    return [member](SampleEditorBase &form, QWidget *widget) {
        dynamic_cast<Form &>(form).*member = static_cast<Widget *>(widget);
    };
}

SampleField entry(SampleField::Kind kind, SampleField::Fill fill, const QString &name, const QString &column,
                  const QString &list, const QString &caption, Need need = Optional);

// Containers.
SampleField page(const QString &name, const QString &title, int buttons = SampleField::AllButtons);
template <class Form>
SampleField page(QWidget *Form::*member, const QString &name, const QString &title,
                 int buttons = SampleField::AllButtons)
{
    SampleField f = page(name, title, buttons);
    f.fill = into(member);
    return f;
}
SampleField group(const QString &name, const QString &title, SampleField::Layout layout = SampleField::Layout::Form,
                  SampleField::Placement placement = SampleField::Placement::Below);
template <class Form>
SampleField group(QGroupBox *Form::*member, const QString &name, const QString &title,
                  SampleField::Layout layout = SampleField::Layout::Form,
                  SampleField::Placement placement = SampleField::Placement::Below)
{
    SampleField f = group(name, title, layout, placement);
    f.fill = into(member);
    return f;
}
SampleField secondColumn();
SampleField bundle(const SampleFieldTable &rows);

// Fields: each maker takes the form member its control goes into, so that a row names a member of
// the right type; a list field also takes its list.
template <SampleField::Kind kind, class Widget>
struct FieldMaker
{
    template <class Form>
    SampleField operator()(Widget *Form::*member, const QString &name, const QString &column, const QString &caption,
                           Need need = Optional) const
    {
        return entry(kind, into(member), name, column, {}, caption, need);
    }
};
template <SampleField::Kind kind, class Widget>
struct ListFieldMaker
{
    template <class Form>
    SampleField operator()(Widget *Form::*member, const QString &name, const QString &column, const QString &list,
                           const QString &caption, Need need = Optional) const
    {
        return entry(kind, into(member), name, column, list, caption, need);
    }
};
inline constexpr FieldMaker<SampleField::Kind::Text, TzqcxDBTextEdit> text;
inline constexpr FieldMaker<SampleField::Kind::ShownText, TzqcxDBTextEdit> shownText;
inline constexpr FieldMaker<SampleField::Kind::Memo, TzqcxDBMemo> memo;
// Its caption is the box's own text.
inline constexpr FieldMaker<SampleField::Kind::CheckBox, TzqcxDBCheckBox> checkBox;
inline constexpr FieldMaker<SampleField::Kind::YesNo, TzqcxDBImageComboBox> yesNo;
inline constexpr FieldMaker<SampleField::Kind::Date, TzqcxDBDateEdit> date;
inline constexpr FieldMaker<SampleField::Kind::Temperature, TzqcxDBSpinEdit> temperature;
inline constexpr ListFieldMaker<SampleField::Kind::Lookup, TzqcxDBLookupComboBox> lookup;
inline constexpr ListFieldMaker<SampleField::Kind::PickList, TzqcxDBComboBox> pickList;

// Fields of the members every editor has.
SampleField analysisTypeChoice(const QString &caption, const QStringList &choices, Need need = Optional);
// The reason radio: outside a group it stands on its page with the caption for its title.
SampleField reasonChoice(const QString &caption, const QStringList &choices, Need need = Optional);
SampleField businessId(const QString &caption, Need need = Optional);
SampleField officeList(const QString &caption, Need need = Optional);
SampleField officerList(const QString &caption, Need need = Optional);
SampleField sampleDate(const QString &caption, Need need = Optional);
SampleField sampleTime(const QString &caption, Need need = Optional);
SampleField purchaseCost(const QString &caption);
SampleField analysisCost(const QString &caption);
// Level 1 is the category, 2 to 4 the sub-categories.
SampleField categoryLevel(int level, const QString &name, const QString &caption, Need need = Optional);
SampleField quantity(const QString &caption);
SampleField batchNumber(const QString &caption, Need need = Optional);

// Parts.
// With a caption, the tree's button shows it for its own.
SampleField categoryTree(const QString &buttonCaption = {});
SampleField additionalInfo(const QString &caption, Need need = Optional);
SampleField durabilityParts(const QStringList &captions);
// Without regions, the country list alone.
SampleField country(const QString &caption, const QString &list, const QStringList &regions, Need need = Optional);
// The analyses asked for take at most typedLength characters typed.
SampleField analysisGroup(int typedLength);
SampleField commentsGroup();
SampleField templateAnalysisGroup();
template <class Form>
SampleField attachmentsPage(QWidget *Form::*member)
{
    return entry(SampleField::Kind::AttachmentsPage, into(member), QStringLiteral("tabAttachments"), {}, {},
                 QStringLiteral("Attachments"));
}

} // namespace SampleFields

template <class Form>
SampleField SampleField::captionInto(QLabel *Form::*member, const QString &objectName) const
{
    SampleField f = *this;
    f.fillCaption = SampleFields::into(member);
    f.captionName = objectName;
    return f;
}

template <class Form, class ButtonForm>
SampleField SampleField::withButton(QAction *Form::*action, QPushButton *ButtonForm::*button,
                                    const QString &objectName) const
{
    SampleField f = *this;
    f.buttonAction = [action](SampleEditorBase &form) { return dynamic_cast<Form &>(form).*action; };
    f.fillButton = SampleFields::into(button);
    f.buttonName = objectName;
    return f;
}

// The editors' tables (SampleEditorFieldTables.cpp).
namespace SampleFields {
SampleFieldTable foodSampleFields();
SampleFieldTable animalFeedSampleFields();
SampleFieldTable foodTemplateFields();
SampleFieldTable animalFeedTemplateFields();
} // namespace SampleFields
