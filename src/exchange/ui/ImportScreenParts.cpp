#include "exchange/ui/ImportScreenParts.h"

#include "gui/AdvancedFurniture.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace ImportScreenParts {

QLineEdit *addFileRow(QWidget *parent, QBoxLayout *layout, QAction *openFile)
{
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Data File:"), parent));
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QStringLiteral("edtDataFileName"));
    edit->setMinimumWidth(360);
    row->addWidget(edit, 1);
    row->addWidget(new ActionButton(openFile, parent));
    layout->addLayout(row);
    return edit;
}

QLabel *addCount(QWidget *parent, QGridLayout *grid, const QString &caption, const char *name)
{
    const int row = grid->rowCount() == 1 && !grid->itemAtPosition(0, 0) ? 0 : grid->rowCount();
    grid->addWidget(new QLabel(caption, parent), row, 0);
    auto *value = new QLabel(QStringLiteral("0"), parent);
    value->setObjectName(QLatin1String(name));
    value->setMinimumWidth(60);
    grid->addWidget(value, row, 1);
    return value;
}

} // namespace ImportScreenParts
