#include "HostileRegisters.h"

#include <QProcess>
#include <QtGlobal>

namespace kx::test {

QString writeHostileRegisters(const QString& folder)
{
    QProcess maker;
    maker.start(QStringLiteral(KX_HOSTILE_MAKER), {folder});
    if (!maker.waitForFinished(120000) || maker.exitStatus() != QProcess::NormalExit || maker.exitCode() != 0)
        qFatal("make_hostile_registers failed: %s", maker.readAllStandardError().constData());
    return folder;
}

}  // namespace kx::test
