#include "ShellService.h"

#include "client/QtShellService.h"

namespace
{
IShellService* g_installed = nullptr;
}

IShellService& ShellService()
{
    static QtShellService builtIn;
    return g_installed != nullptr ? *g_installed : builtIn;
}

void SetShellService(IShellService* service)
{
    g_installed = service;
}
