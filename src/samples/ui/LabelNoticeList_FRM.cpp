#include "samples/ui/LabelNoticeList_FRM.h"

#include "reference/TextLines.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TLabelNoticeListFrm::TLabelNoticeListFrm(QObject *AOwner, const QString &caption, const QString &listCaption,
                                         const QStringList &items)
    : TBasefrm(AOwner)
{
    setWindowTitle(caption);
    resize(760, 460);
    auto *layout = new QVBoxLayout(this);
    auto *columns = new QHBoxLayout;
    auto *textBox = new QGroupBox(caption, this);
    auto *textLayout = new QVBoxLayout(textBox);
    memNotice = new QPlainTextEdit(textBox);
    memNotice->setObjectName(QStringLiteral("memNotice"));
    textLayout->addWidget(memNotice);
    columns->addWidget(textBox, 1);
    auto *listBox = new QGroupBox(listCaption, this);
    auto *listLayout = new QVBoxLayout(listBox);
    lstItems = new QListWidget(listBox);
    lstItems->setObjectName(QStringLiteral("lstItems"));
    lstItems->setWordWrap(true);
    for (const QString &text : items) {
        auto *item = new QListWidgetItem(text, lstItems);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    listLayout->addWidget(lstItems);
    columns->addWidget(listBox, 1);
    layout->addLayout(columns, 1);

    actAddSelected = new QAction(QStringLiteral("Add selected"), this);
    actSave = new QAction(QStringLiteral("Save"), this);
    auto *buttons = new QHBoxLayout;
    auto *add = new QPushButton(actAddSelected->text(), this);
    auto *save = new QPushButton(actSave->text(), this);
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    buttons->addWidget(add);
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(add, &QPushButton::clicked, actAddSelected, &QAction::trigger);
    connect(save, &QPushButton::clicked, actSave, &QAction::trigger);
    connect(actAddSelected, &QAction::triggered, this, [this]() { actAddSelectedExecute(); });
    connect(actSave, &QAction::triggered, this, [this]() {
        Result = true;
        done(QDialog::Accepted);
    });
    connect(close, &QPushButton::clicked, this, [this]() {
        Result = false;
        done(QDialog::Rejected);
    });
}

void TLabelNoticeListFrm::SetText(const QString &text)
{
    memNotice->setPlainText(TextLines::forEditor(text));
}

QString TLabelNoticeListFrm::Text() const
{
    return TextLines::forStore(memNotice->toPlainText());
}

void TLabelNoticeListFrm::actAddSelectedExecute()
{
    for (int i = 0; i < lstItems->count(); ++i) {
        if (lstItems->item(i)->checkState() == Qt::Checked)
            memNotice->appendPlainText(lstItems->item(i)->text());
    }
}
