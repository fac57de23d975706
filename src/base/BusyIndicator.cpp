#include "base/BusyIndicator.h"

namespace {
BusyIndicator *g_current = nullptr;
} // namespace

BusyIndicator *BusyIndicator::current()
{
    return g_current;
}

void BusyIndicator::setCurrent(BusyIndicator *indicator)
{
    g_current = indicator;
}

BusyScope::BusyScope() : m_indicator(g_current)
{
    if (m_indicator)
        m_indicator->begin();
}

BusyScope::~BusyScope()
{
    if (m_indicator)
        m_indicator->end();
}

ScopedBusyIndicator::ScopedBusyIndicator(BusyIndicator *indicator) : m_previous(g_current)
{
    BusyIndicator::setCurrent(indicator);
}

ScopedBusyIndicator::~ScopedBusyIndicator()
{
    BusyIndicator::setCurrent(m_previous);
}
