#pragma once

#include <QDate>
#include <QDateTime>

// The one source of "now" for rules that depend on the date, so that tests can set it.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }
    QDate today() const { return now().date(); }

    // The clock the program uses; tests may install their own (ownership stays with the caller).
    static Clock &instance();
    static void setInstance(Clock *clock);
};

// Installs a clock for the lifetime of a scope and puts the previous one back, also when a test
// fails half way.
class ScopedClock
{
public:
    explicit ScopedClock(Clock *clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock &) = delete;
    ScopedClock &operator=(const ScopedClock &) = delete;

private:
    Clock *m_previous;
};

// A clock that stands still at whatever time a test sets.
class FixedClock : public Clock
{
public:
    explicit FixedClock(const QDateTime &at) : m_at(at) {}
    QDateTime now() const override { return m_at; }
    void set(const QDateTime &at) { m_at = at; }

private:
    QDateTime m_at;
};
