#pragma once

#include <atomic>

// Fault switches for tests; all off unless the command line or the control endpoint sets them.
struct Faults
{
    std::atomic<bool> refuseServiceLogin{false};
    std::atomic<int> failCall{0};   // the Nth call from now fails before doing anything (0: off)
    std::atomic<int> dropReply{0};  // the Nth call from now is carried out, then its reply is lost
    std::atomic<int> stallMs{0};    // every call waits this long before it is handled
    std::atomic<int> callCounter{0};
};
