#pragma once

#include <QString>

class QAction;
class QBoxLayout;
class QGridLayout;
class QLabel;
class QLineEdit;
class QWidget;

// The parts the import screens share.
namespace ImportScreenParts {

// A row of "Data File:", the file name editor (edtDataFileName) and a button for the action.
QLineEdit *addFileRow(QWidget *parent, QBoxLayout *layout, QAction *openFile);
// The caption and a count showing "0" in the next row of the grid; the count is named `name`.
QLabel *addCount(QWidget *parent, QGridLayout *grid, const QString &caption, const char *name);

} // namespace ImportScreenParts
