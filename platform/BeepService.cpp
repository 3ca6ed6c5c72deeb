#include "BeepService.h"

namespace
{

class SilentBeeps : public IBeepService
{
public:
    void Beep(int, int) override {}
};

IBeepService* g_installed = nullptr;

} // namespace

IBeepService& Beeps()
{
    static SilentBeeps silent;
    return g_installed != nullptr ? *g_installed : silent;
}

void SetBeepService(IBeepService* service)
{
    g_installed = service;
}
