#pragma once

#include "base/Prompter.h"

class QWidget;

// Message boxes and input boxes of the interactive program. Each box belongs to the window in
// front, so that it opens above it: a modal dialog that runs, else a window kept on top of the
// others (the layout chooser), else the active window, else the parent given.
class QtPrompter : public Prompter
{
public:
    // parent: the window the boxes are centred on when no window of the program is in front
    // (may change, e.g. once the main window exists).
    explicit QtPrompter(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParentWidget(QWidget *parent) { m_parent = parent; }
    // The window the next box belongs to.
    QWidget *windowInFront() const;

    void message(Kind kind, const QString &title, const QString &text) override;
    bool question(const QString &title, const QString &text, bool defaultYes = false) override;
    bool confirm(const QString &title, const QString &text) override;
    Answer questionWithCancel(const QString &title, const QString &text) override;
    std::optional<QString> textInput(const QString &title, const QString &label,
                                     const QString &initialText = {}, bool masked = false) override;
    // A save dialog that asks before it lets an existing file be replaced.
    std::optional<QString> saveFileName(const QString &title, const QString &suggestedName, const QString &filter,
                                        const QString &defaultSuffix = {}) override;
    std::optional<QString> openFileName(const QString &title, const QString &startFolder,
                                        const QString &filter = {}) override;

private:
    QWidget *m_parent;
};
