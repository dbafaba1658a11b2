// Compiled into every test program and child (see tests/CMakeLists.txt):
// a window test that reaches a restore or an import goes through the real
// checker of this build, which does not stand beside the test programs.
#include "data/DatabaseChecker.h"

#include <QCoreApplication>

namespace {

void useTheBuildsChecker()
{
    kx::DatabaseChecker::setProgram(QStringLiteral(KX_CHECKER_PATH));
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(useTheBuildsChecker)
