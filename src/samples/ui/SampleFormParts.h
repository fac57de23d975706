#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QValidator>

class QFormLayout;
class QWidget;
class TzqcxDBRadioGroup;
class TzqcxDBTextEdit;
class TzqcxFocusController;

// Small pieces the sample and template editors lay their pages out with.
namespace SampleFormParts {

// The tag of the controls on which Tab turns the page (the last forward buttons and the pages).
constexpr int TurnPageTag = 10;

// The personality colours of a form's heading.
inline const QColor FoodHeadingColour(202, 203, 251);
inline const QColor AnimalFeedHeadingColour(234, 255, 230);
QColor headingColour(const QString &personality);

// The focus colours of the sample editors.
void setSampleEditorColours(TzqcxFocusController &controller);

// A form layout of captions right-aligned beside fields that take the width.
QFormLayout *formLayout(QWidget *parent = nullptr);
// The widgets side by side, moved into a new widget of parent (stretched after them unless told).
QWidget *row(QWidget *parent, const QList<QWidget *> &widgets, bool stretch = true);
// The buttons of a radio group side by side.
void lineUp(TzqcxDBRadioGroup *group);
// A text the officer reads but never types looks so: no focus colours, the window's colour.
void showReadOnly(TzqcxDBTextEdit *edit);
// The red mark beside the caption of a required entry (rich text).
QString requiredMark();

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

} // namespace SampleFormParts
