// Self-registration: the class, its ProgIDs and the type library. Unregistration removes exactly
// these keys; the ProgIDs, which both registry views share, stay while the class is still
// registered in the other view (the 32-bit and the 64-bit server side by side).
#include <windows.h>

#include <oleauto.h>
#include <olectl.h>

#include <string>

#include "B3EdtSvr_h.h"
#include "module.h"

namespace {

constexpr const wchar_t* kProgId = L"B3EdtSvr.CEditObject";
constexpr const wchar_t* kProgIdVersion = L"B3EdtSvr.CEditObject.1";

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring ClassKey() {
    return L"CLSID\\" + GuidText(CLSID_CEditObject);
}

// Writes the default value (name empty) or a named text value of HKEY_CLASSES_ROOT\`path`,
// making the key when missing.
LONG SetText(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    LONG rc = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    rc = ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
    return rc;
}

LONG DeleteTree(const std::wstring& path) {
    const LONG rc = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

// Whether the class is registered in the other registry view (a 32-bit server beside a 64-bit
// one). On a 32-bit Windows there is one view, from which the class has just been removed.
bool RegisteredInOtherView() {
#ifdef _WIN64
    const REGSAM other = KEY_WOW64_32KEY;
#else
    const REGSAM other = KEY_WOW64_64KEY;
#endif
    HKEY key = nullptr;
    const std::wstring path = ClassKey() + L"\\InprocServer32";
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | other, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

LONG RegisterClassKeys(const std::wstring& modulePath) {
    const std::wstring clsid = GuidText(CLSID_CEditObject);
    const std::wstring classKey = ClassKey();
    const struct {
        std::wstring path;
        const wchar_t* name;
        std::wstring value;
    } values[] = {
        {classKey, nullptr, kProgId},
        {classKey + L"\\InprocServer32", nullptr, modulePath},
        {classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {classKey + L"\\ProgID", nullptr, kProgIdVersion},
        {classKey + L"\\VersionIndependentProgID", nullptr, kProgId},
        {classKey + L"\\TypeLib", nullptr, GuidText(LIBID_B3EdtSvr)},
        {classKey + L"\\Version", nullptr, L"1.0"},
        {kProgId, nullptr, kProgId},
        {std::wstring(kProgId) + L"\\CLSID", nullptr, clsid},
        {std::wstring(kProgId) + L"\\CurVer", nullptr, kProgIdVersion},
        {kProgIdVersion, nullptr, kProgId},
        {std::wstring(kProgIdVersion) + L"\\CLSID", nullptr, clsid},
    };
    for (const auto& v : values) {
        const LONG rc = SetText(v.path, v.name, v.value);
        if (rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}

HRESULT RegisterLibrary(const std::wstring& modulePath) {
    ITypeLib* library = nullptr;
    HRESULT hr = ::LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, &library);
    if (FAILED(hr)) return hr;
    hr = ::RegisterTypeLib(library, const_cast<OLECHAR*>(modulePath.c_str()), nullptr);
    library->Release();
    return hr;
}

HRESULT Unregister() {
#ifdef _WIN64
    const SYSKIND system = SYS_WIN64;
#else
    const SYSKIND system = SYS_WIN32;
#endif
    // The type library's keys of this system kind and its interfaces; a library that is not
    // registered is no failure.
    const HRESULT library = ::UnRegisterTypeLib(LIBID_B3EdtSvr, 1, 0, 0x409, system);
    LONG rc = DeleteTree(ClassKey());
    if (rc == ERROR_SUCCESS && !RegisteredInOtherView()) {
        rc = DeleteTree(kProgIdVersion);
        if (rc == ERROR_SUCCESS) rc = DeleteTree(kProgId);
    }
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    if (FAILED(library) && library != TYPE_E_REGISTRYACCESS && library != TYPE_E_CANTLOADLIBRARY &&
        library != HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) {
        return library;
    }
    return S_OK;
}

HRESULT Register() {
    const std::wstring path = b3::com::ModulePath();
    if (path.empty()) return SELFREG_E_CLASS;
    const LONG rc = RegisterClassKeys(path);
    if (rc != ERROR_SUCCESS) {
        Unregister();
        return HRESULT_FROM_WIN32(rc);
    }
    const HRESULT hr = RegisterLibrary(path);
    if (FAILED(hr)) {
        Unregister();
        return hr;
    }
    return S_OK;
}

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    try {
        return Register();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    try {
        return Unregister();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
