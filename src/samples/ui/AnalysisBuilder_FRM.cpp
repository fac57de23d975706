#include "samples/ui/AnalysisBuilder_FRM.h"

#include "base/Prompter.h"
#include "reference/OptionalLookupData_DM.h"
#include "reference/TextLines.h"
#include "samples/AnalysisText.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

std::optional<QString> TAnalysisBuilderFrm::Edit(TBasefrm *opener, const QString &text, TabSelectionTypes type)
{
    auto defaults = std::make_unique<TAnalysisBuilderFrmDefaults>();
    defaults->InitialText = text;
    defaults->SelectionType = type;
    TBasefrm::CreateAndShow<TAnalysisBuilderFrm>(FormKey(), opener, true, std::move(defaults));
    if (auto info = TakeReturnInfo<TAnalysisBuilderFrmReturnInfo>(*opener))
        return info->ReturnText;
    return std::nullopt;
}

TAnalysisBuilderFrm::TAnalysisBuilderFrm(QObject *AOwner) : TAdvancedFrm(AOwner)
{
    setWindowTitle(QStringLiteral("Analysis builder"));
    resize(760, 560);
    auto *band = new QLabel(QStringLiteral("  Analysis builder"), RzPanel2);
    QFont bold = band->font();
    bold.setBold(true);
    band->setFont(bold);
    RzPanel2->layout()->addWidget(band);

    auto *layout = new QVBoxLayout(ClientArea);
    auto *textBox = new QGroupBox(QStringLiteral("Analysis text"), ClientArea);
    auto *textLayout = new QVBoxLayout(textBox);
    memAnalysisText = new QPlainTextEdit(textBox);
    memAnalysisText->setObjectName(QStringLiteral("memAnalysisText"));
    textLayout->addWidget(memAnalysisText);
    layout->addWidget(textBox, 2);

    auto *typesBox = new QGroupBox(QStringLiteral("Analysis types"), ClientArea);
    auto *typesLayout = new QVBoxLayout(typesBox);
    auto *columnsRow = new QHBoxLayout;
    auto *columnsLabel = new QLabel(QStringLiteral("Display columns"), typesBox);
    spnColumns = new QSpinBox(typesBox);
    spnColumns->setObjectName(QStringLiteral("spnColumns"));
    spnColumns->setRange(1, 3);
    spnColumns->setValue(2);
    columnsLabel->setBuddy(spnColumns);
    columnsRow->addWidget(columnsLabel);
    columnsRow->addWidget(spnColumns);
    columnsRow->addStretch(1);
    typesLayout->addLayout(columnsRow);
    lstAnalysisTypes = new QListWidget(typesBox);
    lstAnalysisTypes->setObjectName(QStringLiteral("lstAnalysisTypes"));
    lstAnalysisTypes->setFlow(QListView::LeftToRight);
    lstAnalysisTypes->setWrapping(true);
    lstAnalysisTypes->setResizeMode(QListView::Adjust);
    lstAnalysisTypes->viewport()->installEventFilter(this);
    typesLayout->addWidget(lstAnalysisTypes, 1);
    pnlNoItems = new QLabel(EmptyListText(), typesBox);
    pnlNoItems->setObjectName(QStringLiteral("pnlNoItems"));
    pnlNoItems->setAlignment(Qt::AlignCenter);
    pnlNoItems->setFrameShape(QFrame::StyledPanel);
    pnlNoItems->hide();
    typesLayout->addWidget(pnlNoItems, 1);
    layout->addWidget(typesBox, 3);

    const auto make = [this](QAction *&action, const char *name, const QString &text) {
        action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        addAction(action);
        AddButton(action)->setMinimumHeight(30);
    };
    make(actInsertChecked, "actInsertChecked", QStringLiteral("Insert checked types"));
    make(actCheckAll, "actCheckAll", QStringLiteral("Check all"));
    make(actUncheckAll, "actUncheckAll", QStringLiteral("Uncheck all"));
    make(actSave, "actSave", QStringLiteral("Save"));
    RzPanel1->setMinimumWidth(170);

    connect(actInsertChecked, &QAction::triggered, this, [this]() { actInsertCheckedExecute(); });
    connect(actCheckAll, &QAction::triggered, this, [this]() { setAllChecked(true); });
    connect(actUncheckAll, &QAction::triggered, this, [this]() { setAllChecked(false); });
    connect(actSave, &QAction::triggered, this, [this]() { actSaveExecute(); });
    connect(spnColumns, &QSpinBox::valueChanged, this, [this](int columns) { SetColumns(columns); });
}

void TAnalysisBuilderFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    TOptionalLookupDataDM *lists = OptionalLookupDataDM;
    if (auto *defaults = dynamic_cast<TAnalysisBuilderFrmDefaults *>(DefaultInfo.get())) {
        memAnalysisText->setPlainText(TextLines::forEditor(defaults->InitialText));
        if (defaults->Lists)
            lists = defaults->Lists;
    }
    TAdvancedFrm::InitialiseDefaults(std::move(DefaultInfo));

    QStringList names;
    try {
        if (lists)
            names = lists->GetLookupLines(QStringLiteral("AnalysisCode"));
    } catch (const VarnexError &e) {
        Prompter::current().error(windowTitle(), e.message());
    }
    std::stable_sort(names.begin(), names.end(),
                     [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    lstAnalysisTypes->clear();
    for (const QString &name : std::as_const(names)) {
        auto *item = new QListWidgetItem(name, lstAnalysisTypes);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    const bool empty = names.isEmpty();
    lstAnalysisTypes->setVisible(!empty);
    pnlNoItems->setVisible(empty);
    for (QAction *a : {actInsertChecked, actCheckAll, actUncheckAll})
        a->setEnabled(!empty);
    layoutColumns();
}

void TAnalysisBuilderFrm::SetColumns(int columns)
{
    if (spnColumns->value() != columns)
        spnColumns->setValue(columns); // comes back here through valueChanged
    else
        layoutColumns();
}

void TAnalysisBuilderFrm::layoutColumns()
{
    const int columns = std::clamp(spnColumns->value(), 1, 3);
    // Room for a vertical scroll bar is kept, or the last column would wrap under the others.
    const int width = std::max(60, (lstAnalysisTypes->viewport()->width() - 24) / columns);
    const int height = std::max(lstAnalysisTypes->fontMetrics().height(), 16) + 8;
    if (lstAnalysisTypes->gridSize() != QSize(width, height)) {
        lstAnalysisTypes->setGridSize(QSize(width, height));
        lstAnalysisTypes->scrollToTop();
    }
}

bool TAnalysisBuilderFrm::eventFilter(QObject *watched, QEvent *event)
{
    // The columns share the list's width, whatever it becomes.
    if (watched == lstAnalysisTypes->viewport() && event->type() == QEvent::Resize)
        QMetaObject::invokeMethod(this, [this]() { layoutColumns(); }, Qt::QueuedConnection);
    return TAdvancedFrm::eventFilter(watched, event);
}

void TAnalysisBuilderFrm::setAllChecked(bool checked)
{
    for (int i = 0; i < lstAnalysisTypes->count(); ++i)
        lstAnalysisTypes->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void TAnalysisBuilderFrm::actInsertCheckedExecute()
{
    QStringList checked;
    for (int i = 0; i < lstAnalysisTypes->count(); ++i) {
        if (lstAnalysisTypes->item(i)->checkState() == Qt::Checked)
            checked.append(lstAnalysisTypes->item(i)->text());
    }
    QTextCursor cursor = memAnalysisText->textCursor();
    int caret = 0;
    const QString text = AnalysisText::InsertChecked(memAnalysisText->toPlainText(), cursor.selectionStart(),
                                                     cursor.selectionEnd(), checked.join(QStringLiteral(", ")), &caret);
    memAnalysisText->setPlainText(text);
    cursor = memAnalysisText->textCursor();
    cursor.setPosition(caret);
    memAnalysisText->setTextCursor(cursor);
    memAnalysisText->setFocus();
}

void TAnalysisBuilderFrm::actSaveExecute()
{
    auto info = std::make_unique<TAnalysisBuilderFrmReturnInfo>();
    info->ReturnText = TextLines::forStore(memAnalysisText->toPlainText());
    info->ResultType = QDialog::Accepted;
    HandBack(std::move(info));
    done(QDialog::Accepted);
}
