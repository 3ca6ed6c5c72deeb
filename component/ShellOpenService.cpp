#include "ShellOpenService.h"

#include "platform/DebugOutput.h"

namespace
{

class NoDesktop : public IShellOpenService
{
public:
    bool OpenFile(const QString& path) override
    {
        DebugOutput(QStringLiteral("PalavoIF: no desktop to open %1").arg(path));
        return false;
    }
};

IShellOpenService* g_installed = nullptr;

} // namespace

IShellOpenService& ShellOpener()
{
    static NoDesktop headless;
    return g_installed != nullptr ? *g_installed : headless;
}

void SetShellOpenService(IShellOpenService* service)
{
    g_installed = service;
}
