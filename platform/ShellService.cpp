#include "ShellService.h"

#include "platform/DebugOutput.h"

namespace
{

class NoDesktop : public IShellService
{
public:
    void Open(const QString& target) override
    {
        DebugOutput(QStringLiteral("no desktop to open %1").arg(target));
    }
};

IShellService* g_installed = nullptr;

} // namespace

IShellService& ShellService()
{
    static NoDesktop headless;
    return g_installed != nullptr ? *g_installed : headless;
}

void SetShellService(IShellService* service)
{
    g_installed = service;
}
