#pragma once

#include "base/VarnexError.h"

#include <QString>

// Runs f and returns the message of the VarnexError it throws, or "no error".
template <typename F>
QString failureOf(F &&f)
{
    try {
        f();
    } catch (const VarnexError &e) {
        return e.message();
    }
    return QStringLiteral("no error");
}
