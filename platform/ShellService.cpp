#include "ShellService.h"

#include "platform/DebugOutput.h"

void HeadlessShell::Open(const QString& target)
{
    DebugOutput(QStringLiteral("no desktop to open %1").arg(target));
}
