#include "PalavoCtrlModule.h"

#include "platform/ClassRegistry.h"
#include "platform/PlatformServices.h"
#include "ui/PalavoCtrl.h"

namespace
{
const QString ProgId = QStringLiteral("PalavoOCX.PalavoCtrl");
}

namespace PalavoCtrlModule
{

HRESULT DllRegisterServer(ClassRegistry& registry, const PlatformServices& services)
{
    ClassRegistry::ClassEntry entry;
    entry.Description = QStringLiteral("Palavo XP chat control");
    // The control is made without a parent; the window that asked for it takes it.
    entry.Create = [&registry, services]() -> std::unique_ptr<QObject> {
        return std::make_unique<PalavoCtrl>(registry, services);
    };
    registry.RegisterClass(ProgId, std::move(entry));
    return S_OK;
}

HRESULT DllUnregisterServer(ClassRegistry& registry)
{
    registry.Unregister(ProgId);
    return S_OK;
}

} // namespace PalavoCtrlModule
