#include "base/Clock.h"

namespace {
Clock g_systemClock;
Clock *g_clock = &g_systemClock;
} // namespace

Clock &Clock::instance()
{
    return *g_clock;
}

void Clock::setInstance(Clock *clock)
{
    g_clock = clock ? clock : &g_systemClock;
}

ScopedClock::ScopedClock(Clock *clock) : m_previous(&Clock::instance())
{
    Clock::setInstance(clock);
}

ScopedClock::~ScopedClock()
{
    Clock::setInstance(m_previous);
}
