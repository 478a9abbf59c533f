// The class object of CEditObject.
#pragma once

#include <windows.h>

namespace b3::com {

// A new class factory for CEditObject, handed out as interface `iid`.
HRESULT CreateClassFactory(REFIID iid, void** object);

}  // namespace b3::com
