#include "extras/Extras.h"

#include "app/TMainForm.h"

namespace kx {

void Extras::install(TMainForm& main)
{
    // Nothing is claimed yet: the web lookup, the support menu and the about
    // box stay disabled until they are built here.
    Q_UNUSED(main);
}

}  // namespace kx
