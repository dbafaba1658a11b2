#include "report/EventPump.h"

#include <QCoreApplication>

namespace kx {

EventPump::EventPump(int intervalMs) : m_interval(intervalMs)
{
    m_since.start();
}

void EventPump::operator()()
{
    if (m_since.elapsed() < m_interval)
        return;
    QCoreApplication::processEvents();
    m_since.restart();
}

}  // namespace kx
