#pragma once

#include <QList>

namespace kx {

// Whatever shows the register's rows and lets the user select several of
// them (the order grid). The register asks it when a command works on the
// selection.
class SelectionSource {
public:
    virtual ~SelectionSource() = default;
    // The result's rows selected, in the order they were selected.
    virtual QList<int> selectedRows() const = 0;
};

}  // namespace kx
