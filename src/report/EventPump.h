#pragma once

#include <QElapsedTimer>

namespace kx {

// Lets pending window events through during a long job, called between its
// steps (rows). Handing the events over costs more than laying out a row, so
// it does so at most every `intervalMs`, which keeps the window responsive.
class EventPump {
public:
    explicit EventPump(int intervalMs = 15);
    void operator()();
    // Whether the interval has passed: a job that runs from the event loop
    // returns to it then.
    bool due() const { return m_since.elapsed() >= m_interval; }

private:
    QElapsedTimer m_since;
    int m_interval;
};

}  // namespace kx
