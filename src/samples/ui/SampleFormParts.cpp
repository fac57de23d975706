#include "samples/ui/SampleFormParts.h"

#include "base/ProductNames.h"
#include "gui/ZQCXController.h"
#include "gui/ZQCXDBEditControls.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QWidget>

namespace SampleFormParts {

QColor headingColour(const QString &personality)
{
    return personality == Varnex::PersonalityAnimalFeed ? AnimalFeedHeadingColour : FoodHeadingColour;
}

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

QFormLayout *formLayout(QWidget *parent)
{
    auto *form = new QFormLayout(parent);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(6);
    return form;
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
    return QStringLiteral("<span style=\"color:#b00000;\">&nbsp;*</span>");
}

} // namespace SampleFormParts
