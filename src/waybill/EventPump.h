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

private:
    QElapsedTimer m_since;
    int m_interval;
};

}  // namespace kx
