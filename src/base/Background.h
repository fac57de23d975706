#pragma once

// The one way the program keeps slow work (a server call, a file scan) off the GUI thread.
//
// runInBackground(receiver, work, done) runs work() on a pool thread and hands its outcome to
// done() on the main thread, through the event loop, so the window goes on painting and answering
// while it waits. The outcome carries either the value work returned or the message of the failure
// it threw. done() is not called when the receiver has been destroyed meanwhile or when the caller
// cancelled the call: cancelling stops the waiting, not the work, which runs on until its own
// time-outs end it. Whatever work touches must therefore be owned by the work itself (captured by
// value or shared pointer), never borrowed from the receiver.
//
// The synchronisation pass is the one exception: it runs on a thread of its own with its own
// connections, because it talks to the main thread while it runs.

#include "base/VarnexError.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <exception>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

// What a background call produced: a value, or the message of the failure it threw.
template<typename T>
struct BackgroundOutcome
{
    std::optional<T> value;
    QString error;
    bool ok() const { return value.has_value(); }
};

template<>
struct BackgroundOutcome<void>
{
    bool succeeded = false;
    QString error;
    bool ok() const { return succeeded; }
};

// The caller's handle on a call: cancel() drops its outcome; finished() turns true on the main
// thread when done() has run or the outcome was dropped.
class BackgroundCall
{
public:
    void cancel() { m_cancelled = true; }
    bool isCancelled() const { return m_cancelled; }
    bool isFinished() const { return m_finished; }

private:
    template<typename W, typename D>
    friend std::shared_ptr<BackgroundCall> runInBackground(QObject *, W &&, D &&);
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_finished{false};
};

namespace BackgroundDetail {
inline QString describe(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const VarnexError &e) {
        return e.message();
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("An unknown failure occurred.");
    }
}

// The pool of the program's background calls; its threads are joined when the program ends.
inline QThreadPool &pool()
{
    static QThreadPool *instance = [] {
        auto *p = new QThreadPool(QCoreApplication::instance());
        p->setMaxThreadCount(4);
        return p;
    }();
    return *instance;
}
} // namespace BackgroundDetail

// receiver must live on the main thread (the thread of the application object).
template<typename Work, typename Done>
std::shared_ptr<BackgroundCall> runInBackground(QObject *receiver, Work &&work, Done &&done)
{
    using Result = std::invoke_result_t<Work>;
    auto call = std::make_shared<BackgroundCall>();
    QPointer<QObject> guard(receiver);
    BackgroundDetail::pool().start(
        [call, guard, work = std::forward<Work>(work), done = std::forward<Done>(done)]() mutable {
            BackgroundOutcome<Result> outcome;
            try {
                if constexpr (std::is_void_v<Result>) {
                    work();
                    outcome.succeeded = true;
                } else {
                    outcome.value = work();
                }
            } catch (...) {
                outcome.error = BackgroundDetail::describe(std::current_exception());
            }
            // The application object outlives every receiver, so posting to it is always safe; the
            // receiver's fate is checked where it lives, on the main thread.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [call, guard, done = std::move(done), outcome = std::move(outcome)]() mutable {
                    call->m_finished = true;
                    if (guard && !call->isCancelled())
                        done(std::move(outcome));
                },
                Qt::QueuedConnection);
        });
    return call;
}

// For a server call the user waits for: runs work off the GUI thread and waits for it in a local
// event loop that keeps the windows painting but takes no input. Returns what work returned, or
// throws VarnexError with the message of its failure.
template<typename Work>
auto waitInBackground(Work &&work) -> std::invoke_result_t<Work>
{
    using Result = std::invoke_result_t<Work>;
    QEventLoop loop;
    BackgroundOutcome<Result> result;
    runInBackground(&loop, std::forward<Work>(work), [&loop, &result](BackgroundOutcome<Result> outcome) {
        result = std::move(outcome);
        loop.quit();
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!result.ok())
        throw VarnexError(result.error);
    if constexpr (!std::is_void_v<Result>)
        return std::move(*result.value);
}
