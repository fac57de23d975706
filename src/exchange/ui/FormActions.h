#pragma once

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"

#include <QAction>

#include <functional>

// Connects an action to a handler of its form: a VarnexError the handler throws reaches the user
// through the prompter with its message, and `then` (when given) runs afterwards either way.
template <class Form>
void connectShowingErrors(QAction *action, Form *form, void (Form::*handler)(), std::function<void()> then = {})
{
    QObject::connect(action, &QAction::triggered, form, [form, handler, then]() {
        try {
            (form->*handler)();
        } catch (const VarnexError &e) {
            Prompter::current().error(Varnex::ProgramName, e.message());
        }
        if (then)
            then();
    });
}
