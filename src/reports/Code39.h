#pragma once

// Code 39 bar codes, encoded by libzint with a wide-to-narrow ratio of 2.

#include <QList>
#include <QString>

struct Code39Bars
{
    // Each bar as its first module and its width in modules; modules counts the whole symbol
    // from the first bar to the end of the last (start and stop characters included, no quiet
    // zones).
    struct Bar
    {
        int start;
        int width;
    };
    QList<Bar> bars;
    int modules = 0;
};

namespace Code39 {

// True when text can be carried exactly: capital letters, digits, space and - . $ / + %, one to
// 80 characters. libzint upper-cases small letters without a word, so the caller must refuse text
// for which this is false rather than print a bar code that reads back as something else.
bool canCarry(const QString &text);

// The bars of text; throws VarnexError when text cannot be carried exactly or libzint refuses it.
Code39Bars encode(const QString &text);

} // namespace Code39
