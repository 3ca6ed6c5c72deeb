#pragma once

#include "component/AutomationTypes.h"

class ClassRegistry;
struct PlatformServices;

// The control library's self-registration: the class "PalavoOCX.PalavoCtrl" in the
// program's class registry. A host registers once, then makes the control by name. The
// controls made get `registry` (to make their network component) and `services`; both
// outlive every control made.
namespace PalavoCtrlModule
{
HRESULT DllRegisterServer(ClassRegistry& registry, const PlatformServices& services);
HRESULT DllUnregisterServer(ClassRegistry& registry);
} // namespace PalavoCtrlModule
