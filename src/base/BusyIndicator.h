#pragma once

// Work on the main thread that makes the user wait (reading the rows of a report, changing many
// samples at once) says so through the busy indicator the window layer installs: the hourglass in
// the program, nothing in batch mode and in tests of logic. Logic marks such work with a BusyScope
// and never touches a cursor itself, so that logic libraries stay free of widgets.
class BusyIndicator
{
public:
    virtual ~BusyIndicator() = default;

    // Called in pairs, and nested: the indicator shows from the first begin() to the last end().
    virtual void begin() = 0;
    virtual void end() = 0;

    // The indicator in use; nullptr (nothing shown) until one is installed.
    static BusyIndicator *current();
    // The caller keeps ownership; nullptr takes the indicator away.
    static void setCurrent(BusyIndicator *indicator);
};

// Shows the current indicator for the lifetime of a scope, also when the work in it throws. The
// indicator that began is the one that ends, whatever is installed meanwhile.
class BusyScope
{
public:
    BusyScope();
    ~BusyScope();
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    BusyIndicator *m_indicator;
};

// Installs an indicator for the lifetime of a scope and puts the previous one back.
class ScopedBusyIndicator
{
public:
    explicit ScopedBusyIndicator(BusyIndicator *indicator);
    ~ScopedBusyIndicator();
    ScopedBusyIndicator(const ScopedBusyIndicator &) = delete;
    ScopedBusyIndicator &operator=(const ScopedBusyIndicator &) = delete;

private:
    BusyIndicator *m_previous;
};
