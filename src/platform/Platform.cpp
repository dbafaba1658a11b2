#include "platform/Platform.h"

#include "core/OperationError.h"

namespace kx {

bool Platform::guard(QWidget* owner, const std::function<void()>& handler) const
{
    try {
        handler();
        return true;
    } catch (const OperationError& e) {
        dialogs.showError(owner, e.message());
    } catch (const std::exception& e) {
        dialogs.showError(owner, QString::fromLocal8Bit(e.what()));
    }
    return false;
}

}  // namespace kx
