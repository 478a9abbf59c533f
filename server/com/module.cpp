// The module's entry points for COM: the class object and whether the module may be unloaded.
#include "module.h"

#include <atomic>

// The library, interface and class identifiers are defined here, once.
#include <initguid.h>

#include "B3EdtSvr_h.h"
#include "class_factory.h"
#include "platform/files.h"
#include "platform/native_path.h"

namespace b3::com {
namespace {

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

void ModuleAnchor() {}

}  // namespace

std::wstring ModulePath() {
    return platform::WideFromUtf8(
        platform::ModuleFileOf(reinterpret_cast<const void*>(&ModuleAnchor)));
}

void ObjectCreated() {
    ++g_objects;
}
void ObjectDestroyed() {
    --g_objects;
}
void LockModule(bool lock) {
    if (lock) {
        ++g_locks;
    } else {
        --g_locks;
    }
}

HRESULT LoadModuleTypeLib(ITypeLib** typeLib) {
    const std::wstring path = ModulePath();
    if (path.empty()) return HRESULT_FROM_WIN32(::GetLastError());
    return ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, typeLib);
}

}  // namespace b3::com

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!::IsEqualCLSID(clsid, CLSID_CEditObject)) return CLASS_E_CLASSNOTAVAILABLE;
    return b3::com::CreateClassFactory(iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return b3::com::g_objects == 0 && b3::com::g_locks == 0 ? S_OK : S_FALSE;
}
