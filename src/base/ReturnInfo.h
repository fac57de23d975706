#pragma once

#include <memory>

// The answer object a dialog places in its opener's socket. The window or module whose socket
// holds it owns it.
class TReturnInfo
{
public:
    TReturnInfo() = default;
    virtual ~TReturnInfo() = default;
    int ResultType = 0; // the modal result, QDialog::Accepted / Rejected or a form's own code
};

// Where a dialog hands its answer back: every form, and the modules that open dialogs without
// being forms themselves (the laboratory export engine), so it lives below the widgets.
class IReturnInfoSocket
{
public:
    virtual ~IReturnInfoSocket() = default;
    virtual TReturnInfo *ReturnInfoSocket() const = 0;
    // Stores the object. Writing nullptr only clears the socket; writing another object while one
    // is held frees the one held, so nothing is lost to a second answer.
    virtual void SetReturnInfoSocket(TReturnInfo *info) = 0;
};

// Takes the answer out of a socket when it is of the wanted class: the caller owns it and the
// socket is empty afterwards. Returns nullptr (leaving the socket as it was) otherwise.
template <class T>
std::unique_ptr<T> TakeReturnInfo(IReturnInfoSocket &socket)
{
    T *info = dynamic_cast<T *>(socket.ReturnInfoSocket());
    if (!info)
        return nullptr;
    socket.SetReturnInfoSocket(nullptr);
    return std::unique_ptr<T>(info);
}
