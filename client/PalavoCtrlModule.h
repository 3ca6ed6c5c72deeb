#pragma once

#include "component/AutomationTypes.h"

// The control library's self-registration: the class "PalavoOCX.PalavoCtrl" in the
// process's class registry. A host registers once, then makes the control by name;
// the factory gives the control the widget it is made for as its parent.
namespace PalavoCtrlModule
{
HRESULT DllRegisterServer();
HRESULT DllUnregisterServer();
} // namespace PalavoCtrlModule
