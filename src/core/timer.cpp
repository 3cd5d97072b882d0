#include "timer.h"

void Timer::expire()
{
    if (m_onExpiry)
        m_onExpiry();
}
