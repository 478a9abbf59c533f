// The module's entry points for COM: the class object and whether the module may be unloaded.
#include "module.h"

#include <atomic>

// The library, interface and class identifiers are defined here, once.
#include <initguid.h>

#include "B3EdtSvr_h.h"
#include "class_factory.h"

namespace b3::com {
namespace {

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

void ModuleAnchor() {}

}  // namespace

std::wstring ModulePath() {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&ModuleAnchor), &module)) {
        return std::wstring();
    }
    // Paths longer than MAX_PATH are cut without an error: grow the buffer until the path fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
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
