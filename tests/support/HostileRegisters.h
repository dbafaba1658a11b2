#pragma once

#include <QString>

namespace kx::test {

// Runs tests/fixtures/make_hostile_registers into `folder` (see there for
// the files and what each carries); stops the test program when it fails.
// Returns the folder.
QString writeHostileRegisters(const QString& folder);

}  // namespace kx::test
