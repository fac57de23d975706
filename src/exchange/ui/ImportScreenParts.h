#pragma once

#include "exchange/ui/FormActions.h"
#include "gui/AdvancedFurniture.h"

#include <QLineEdit>
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

// The screen's actions: "Open File" (made by the caller for its file row), "Load Records" and
// "Translations" as side buttons, each running the screen's handler with its errors shown, and the
// actions brought up to date whenever the file name changes.
template <class Screen>
void connectImportActions(Screen *screen)
{
    screen->actLoadFromFIle = new QAction(QStringLiteral("Load Records"), screen);
    screen->actLoadFromFIle->setObjectName(QStringLiteral("actLoadFromFIle"));
    screen->actTranslations = new QAction(QStringLiteral("Translations"), screen);
    screen->actTranslations->setObjectName(QStringLiteral("actTranslations"));
    connectShowingErrors(screen->actOpenFileDialog, screen, &Screen::actOpenFileDialogExecute);
    connectShowingErrors(screen->actLoadFromFIle, screen, &Screen::actLoadFromFIleExecute);
    connectShowingErrors(screen->actTranslations, screen, &Screen::actTranslationsExecute);
    for (QAction *a : {screen->actLoadFromFIle, screen->actTranslations}) {
        screen->addAction(a);
        screen->AddButton(a)->setMinimumWidth(120);
    }
    QObject::connect(screen->edtDataFileName, &QLineEdit::textChanged, screen, [screen]() { screen->updateActions(); });
}

} // namespace ImportScreenParts
