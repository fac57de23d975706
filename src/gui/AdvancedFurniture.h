#pragma once

#include <QAction>
#include <QFrame>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

class TBasefrm;

// A push button that shows an action: its text, tooltip, enabled and visible state follow the
// action, and a click triggers it.
class ActionButton : public QPushButton
{
    Q_OBJECT
public:
    explicit ActionButton(QAction *action, QWidget *parent = nullptr);
    QAction *Action() const { return m_action; }

private:
    void sync();
    QAction *m_action;
};

// The window furniture of the working forms: a title band along the top, a button panel on the
// right whose lower part holds Help and Close, a status bar along the bottom, and the client area
// in the middle where each form puts its own content.
struct AdvancedFurniture
{
    virtual ~AdvancedFurniture() = default;

    QStatusBar *StatusBar = nullptr;
    QFrame *RzPanel2 = nullptr; // the band along the top
    QFrame *RzPanel1 = nullptr; // the panel along the right edge
    QVBoxLayout *RzPanel1Layout = nullptr; // descendants add their buttons here, above pnlStandard
    QFrame *pnlStandard = nullptr;
    QWidget *ClientArea = nullptr;
    QAction *actHelp = nullptr;
    QAction *actClose = nullptr;
    QAction *actSaveChanges = nullptr;
    QAction *actCancelChanges = nullptr;

    // Builds the furniture into the form (which must not have a layout yet); Close and Help run
    // actCloseExecute and actHelpExecute.
    void Build(TBasefrm *form);
    // Adds a button for the action to the right panel, below the ones added before.
    ActionButton *AddButton(QAction *action);

protected:
    // The Close button carries the modal result OK.
    virtual void actCloseExecute();
    virtual void actHelpExecute() {}

private:
    TBasefrm *m_form = nullptr;
};
