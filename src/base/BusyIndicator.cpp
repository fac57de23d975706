#include "base/BusyIndicator.h"

namespace {
BusyIndicator *g_currentIndicator = nullptr;
} // namespace

BusyIndicator *BusyIndicator::current()
{
    return g_currentIndicator;
}

void BusyIndicator::setCurrent(BusyIndicator *indicator)
{
    g_currentIndicator = indicator;
}

BusyScope::BusyScope() : m_indicator(g_currentIndicator)
{
    if (m_indicator)
        m_indicator->begin();
}

BusyScope::~BusyScope()
{
    if (m_indicator)
        m_indicator->end();
}

ScopedBusyIndicator::ScopedBusyIndicator(BusyIndicator *indicator) : m_previous(g_currentIndicator)
{
    BusyIndicator::setCurrent(indicator);
}

ScopedBusyIndicator::~ScopedBusyIndicator()
{
    BusyIndicator::setCurrent(m_previous);
}
