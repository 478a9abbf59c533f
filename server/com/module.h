// The in-process server's module: its file, its counts of live objects and of client locks, and
// the type library it carries.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <ocidl.h>

#include <string>

namespace b3::com {

// The full path of B3EdtSvr.dll as loaded (wide, as the registry and LoadTypeLibEx take it).
std::wstring ModulePath();

// Live COM objects of this module (class factories included) and IClassFactory::LockServer
// locks; DllCanUnloadNow answers from both.
void ObjectCreated();
void ObjectDestroyed();
void LockModule(bool lock);

// The type library embedded in the module (resource 1).
HRESULT LoadModuleTypeLib(ITypeLib** typeLib);

}  // namespace b3::com
