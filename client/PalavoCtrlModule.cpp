#include "PalavoCtrlModule.h"

#include "client/PalavoCtrl.h"
#include "platform/ClassRegistry.h"

#include <QWidget>

namespace
{
const QString ProgId = QStringLiteral("PalavoOCX.PalavoCtrl");
}

namespace PalavoCtrlModule
{

HRESULT DllRegisterServer()
{
    ClassRegistry::ClassEntry entry;
    entry.Description = QStringLiteral("Palavo XP chat control");
    entry.Create = [](QObject* parent) -> QObject* {
        // A control lives on a window; anything else would leave it without an owner.
        if (parent != nullptr && !parent->isWidgetType())
            return nullptr;
        return new PalavoCtrl(static_cast<QWidget*>(parent));
    };
    ClassRegistry::Instance().RegisterClass(ProgId, std::move(entry));
    return S_OK;
}

HRESULT DllUnregisterServer()
{
    ClassRegistry::Instance().Unregister(ProgId);
    return S_OK;
}

} // namespace PalavoCtrlModule
