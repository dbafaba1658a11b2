#pragma once

#include <QStringList>

namespace kx {

// Starts the program anew (after its file was replaced) and ends this one.
class Restarter {
public:
    virtual ~Restarter() = default;
    virtual void restart(const QStringList& arguments) = 0;
};

class QtRestarter : public Restarter {
public:
    void restart(const QStringList& arguments) override;
};

}  // namespace kx
