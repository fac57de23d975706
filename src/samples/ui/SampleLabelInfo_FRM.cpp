#include "samples/ui/SampleLabelInfo_FRM.h"

#include "base/Prompter.h"
#include "reference/TextLines.h"
#include "samples/ui/LabelAllergenNotice_FRM.h"
#include "samples/ui/LabelOtherNotice_FRM.h"

#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

const QString NotApplicable = QStringLiteral("N/A");

QComboBox *choice(QWidget *parent, const char *name)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->addItems({NotApplicable, QStringLiteral("Yes"), QStringLiteral("No")});
    combo->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return combo;
}

void showChoice(QComboBox *combo, const QString &value)
{
    const QString shown = value.isEmpty() ? NotApplicable : value;
    if (combo->findText(shown) < 0)
        combo->addItem(shown); // a value written elsewhere is kept as it is
    combo->setCurrentText(shown);
}

QPlainTextEdit *memo(QWidget *parent, const char *name)
{
    auto *m = new QPlainTextEdit(parent);
    m->setObjectName(QString::fromLatin1(name));
    m->setMinimumHeight(70);
    return m;
}

QLineEdit *edit(QWidget *parent, const char *name)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

QPushButton *chooseButton(QWidget *parent, QAction *action, const char *name)
{
    auto *button = new QPushButton(action->text(), parent);
    button->setObjectName(QString::fromLatin1(name));
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    return button;
}

// The rows of a grid of declarations: caption, choice, the declaration's text (or the choice
// across both columns when there is none) and a button to choose the text from a list.
class DeclarationRows
{
public:
    DeclarationRows(QWidget *parent, QGridLayout *grid) : m_parent(parent), m_grid(grid) {}

    void add(const QString &caption, QComboBox *combo, QWidget *editor, QPushButton *button = nullptr)
    {
        auto *label = new QLabel(caption, m_parent);
        label->setWordWrap(true);
        label->setBuddy(combo);
        m_grid->addWidget(label, m_row, 0, Qt::AlignTop);
        if (editor) {
            m_grid->addWidget(combo, m_row, 1, Qt::AlignTop);
            m_grid->addWidget(editor, m_row, 2);
        } else {
            m_grid->addWidget(combo, m_row, 1, 1, 2, Qt::AlignTop);
        }
        if (button)
            m_grid->addWidget(button, m_row, 3, Qt::AlignTop);
        ++m_row;
    }

private:
    QWidget *m_parent;
    QGridLayout *m_grid;
    int m_row = 0;
};

} // namespace

std::unique_ptr<TSampleLabelInfoFrmReturnInfo> TSampleLabelInfoFrm::Edit(TBasefrm *opener, const QString &labellingXml)
{
    auto defaults = std::make_unique<TSampleLabelInfoFrmDefaults>();
    defaults->InitialText = labellingXml;
    TBasefrm::CreateAndShow<TSampleLabelInfoFrm>(FormKey(), opener, true, std::move(defaults));
    return TakeReturnInfo<TSampleLabelInfoFrmReturnInfo>(*opener);
}

TSampleLabelInfoFrm::TSampleLabelInfoFrm(QObject *AOwner) : TBasefrm(AOwner)
{
    setWindowTitle(QStringLiteral("Labelling details"));
    resize(760, 620);
    ChooseAllergens = [](QObject *owner, const QString &text) {
        return TLabelNoticeListFrm::Choose<TLabelAllergenNoticeFrm>(owner, text);
    };
    ChooseOtherAdditives = [](QObject *owner, const QString &text) {
        return TLabelNoticeListFrm::Choose<TLabelOtherNoticeFrm>(owner, text);
    };

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buildDeclarations(), 1);
    layout->addLayout(buildButtons());
    connectChoosers();
}

QGridLayout *TSampleLabelInfoFrm::buildDeclarations()
{
    auto *grid = new QGridLayout;
    grid->setColumnStretch(2, 1);
    DeclarationRows rows(this, grid);
    actChooseOtherAdditives = new QAction(QStringLiteral("Choose..."), this);
    actChooseAllergens = new QAction(QStringLiteral("Choose..."), this);

    cmbMeatContent = choice(this, "cmbMeatContent");
    edtMeatContent = edit(this, "edtMeatContent");
    rows.add(QStringLiteral("Meat content"), cmbMeatContent, edtMeatContent);
    cmbPreservatives = choice(this, "cmbPreservatives");
    edtPreservatives = edit(this, "edtPreservatives");
    rows.add(QStringLiteral("Preservatives"), cmbPreservatives, edtPreservatives);
    cmbOtherAdditives = choice(this, "cmbOtherAdditives");
    memOtherAdditives = memo(this, "memOtherAdditives");
    rows.add(QStringLiteral("Other additives"), cmbOtherAdditives, memOtherAdditives,
             chooseButton(this, actChooseOtherAdditives, "btnChooseOtherAdditives"));
    cmbAddedWater = choice(this, "cmbAddedWater");
    edtAddedWater = edit(this, "edtAddedWater");
    rows.add(QStringLiteral("Added water"), cmbAddedWater, edtAddedWater);
    cmbAllergenNotice = choice(this, "cmbAllergenNotice");
    memAllergenNotice = memo(this, "memAllergenNotice");
    rows.add(QStringLiteral("Allergen notice"), cmbAllergenNotice, memAllergenNotice,
             chooseButton(this, actChooseAllergens, "btnChooseAllergens"));
    cmbVegetarian = new QComboBox(this);
    cmbVegetarian->setObjectName(QStringLiteral("cmbVegetarian"));
    cmbVegetarian->addItem(QString());
    cmbVegetarian->addItems(TFoodLabel::VegetarianStatements());
    rows.add(QStringLiteral("Suitable for vegetarians"), cmbVegetarian, nullptr);
    cmbOtherDeclarations = choice(this, "cmbOtherDeclarations");
    memOtherDeclarations = memo(this, "memOtherDeclarations");
    rows.add(QStringLiteral("Other declarations (including if the product was previously frozen)"),
             cmbOtherDeclarations, memOtherDeclarations);
    grid->setColumnMinimumWidth(0, 170);
    return grid;
}

QHBoxLayout *TSampleLabelInfoFrm::buildButtons()
{
    actViewLabel = new QAction(QStringLiteral("View Label"), this);
    actSave = new QAction(QStringLiteral("Save"), this);
    auto *buttons = new QHBoxLayout;
    auto *view = new QPushButton(actViewLabel->text(), this);
    auto *save = new QPushButton(actSave->text(), this);
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    buttons->addWidget(view);
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(close);

    connect(view, &QPushButton::clicked, actViewLabel, &QAction::trigger);
    connect(save, &QPushButton::clicked, actSave, &QAction::trigger);
    connect(close, &QPushButton::clicked, this, [this]() { done(QDialog::Rejected); });
    connect(actViewLabel, &QAction::triggered, this, [this]() { actViewLabelExecute(); });
    connect(actSave, &QAction::triggered, this, [this]() { actSaveExecute(); });
    return buttons;
}

// The two lists to choose a declaration's text from.
void TSampleLabelInfoFrm::connectChoosers()
{
    connect(actChooseAllergens, &QAction::triggered, this, [this]() {
        if (const auto text = ChooseAllergens(this, TextLines::forStore(memAllergenNotice->toPlainText())))
            memAllergenNotice->setPlainText(TextLines::forEditor(*text));
    });
    connect(actChooseOtherAdditives, &QAction::triggered, this, [this]() {
        if (const auto text = ChooseOtherAdditives(this, TextLines::forStore(memOtherAdditives->toPlainText())))
            memOtherAdditives->setPlainText(TextLines::forEditor(*text));
    });
}

void TSampleLabelInfoFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    QString xml;
    if (auto *defaults = dynamic_cast<TSampleLabelInfoFrmDefaults *>(DefaultInfo.get()))
        xml = defaults->InitialText;
    TBasefrm::InitialiseDefaults(std::move(DefaultInfo));
    m_label = TFoodLabel();
    if (!xml.isEmpty()) {
        try {
            m_label.SetAsXML(xml);
        } catch (const VarnexError &e) {
            Prompter::current().error(windowTitle(),
                                      e.message() + QStringLiteral("\nThe details are shown empty; what is stored stays "
                                                                   "as it is unless you save."));
        }
    }
    showLabel();
}

void TSampleLabelInfoFrm::showLabel()
{
    showChoice(cmbMeatContent, m_label.MeatContentDeclared);
    edtMeatContent->setText(m_label.MeatContentDecaration);
    showChoice(cmbPreservatives, m_label.PresevativesDeclared);
    edtPreservatives->setText(m_label.PreservativesDeclaration);
    showChoice(cmbOtherAdditives, m_label.OtheradditivesDeclared);
    memOtherAdditives->setPlainText(TextLines::forEditor(m_label.OtherAdditivesDeclaration));
    showChoice(cmbAddedWater, m_label.AddedWaterDeclared);
    edtAddedWater->setText(m_label.AddedWaterDeclaration);
    showChoice(cmbAllergenNotice, m_label.AlergenNoticeDeclared);
    memAllergenNotice->setPlainText(TextLines::forEditor(m_label.AlergenNoticeDeclaration));
    if (cmbVegetarian->findText(m_label.SuitableForVegetarians) < 0)
        cmbVegetarian->addItem(m_label.SuitableForVegetarians);
    cmbVegetarian->setCurrentText(m_label.SuitableForVegetarians);
    showChoice(cmbOtherDeclarations, m_label.OtherDeclarationsDeclared);
    memOtherDeclarations->setPlainText(TextLines::forEditor(m_label.OtherDeclarations));
}

void TSampleLabelInfoFrm::readLabel()
{
    m_label.MeatContentDeclared = cmbMeatContent->currentText();
    m_label.MeatContentDecaration = edtMeatContent->text();
    m_label.PresevativesDeclared = cmbPreservatives->currentText();
    m_label.PreservativesDeclaration = edtPreservatives->text();
    m_label.OtheradditivesDeclared = cmbOtherAdditives->currentText();
    m_label.OtherAdditivesDeclaration = TextLines::forStore(memOtherAdditives->toPlainText());
    m_label.AddedWaterDeclared = cmbAddedWater->currentText();
    m_label.AddedWaterDeclaration = edtAddedWater->text();
    m_label.AlergenNoticeDeclared = cmbAllergenNotice->currentText();
    m_label.AlergenNoticeDeclaration = TextLines::forStore(memAllergenNotice->toPlainText());
    m_label.SuitableForVegetarians = cmbVegetarian->currentText();
    m_label.OtherDeclarationsDeclared = cmbOtherDeclarations->currentText();
    m_label.OtherDeclarations = TextLines::forStore(memOtherDeclarations->toPlainText());
}

const TFoodLabel &TSampleLabelInfoFrm::Label()
{
    readLabel();
    return m_label;
}

void TSampleLabelInfoFrm::actViewLabelExecute()
{
    QDialog view(this);
    view.setWindowTitle(QStringLiteral("Label"));
    auto *layout = new QVBoxLayout(&view);
    auto *text = new QPlainTextEdit(&view);
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    text->setFont(font);
    text->setPlainText(TextLines::forEditor(Label().AsFormattedText()));
    layout->addWidget(text);
    view.resize(500, 400);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        view.move(screen->availableGeometry().center() - view.rect().center());
    view.exec();
}

void TSampleLabelInfoFrm::actSaveExecute()
{
    readLabel();
    auto info = std::make_unique<TSampleLabelInfoFrmReturnInfo>();
    info->ReturnXML = m_label.AsXML();
    info->ReturnText = m_label.AsFormattedText();
    info->ResultType = QDialog::Accepted;
    HandBack(std::move(info));
    done(QDialog::Accepted);
}
