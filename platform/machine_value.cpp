// Where the installation folder lives for the platform: the Windows registry on Windows, our
// registry file (then a Wine prefix) elsewhere. Reading and storing use the same places, so that
// a folder stored here is the one found.
#include <string>

#include "platform/registry.h"
#include "platform/text1252.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/native_path.h"
#endif

namespace b3::platform {

#ifdef _WIN32
namespace {

struct Hive {
    HKEY root;
    REGSAM view;
    const char* rootName;
    const char* label;
};

// Read in this order; this user's hive first, so that a folder stored there without elevation
// wins over the machine-wide one an installer wrote.
const Hive kHives[] = {
    {HKEY_CURRENT_USER, 0, "HKEY_CURRENT_USER", "Windows registry, this user's hive"},
    {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, "HKEY_LOCAL_MACHINE",
     "Windows registry, machine-wide (32-bit view)"},
#if defined(_WIN64)
    {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, "HKEY_LOCAL_MACHINE",
     "Windows registry, machine-wide (64-bit view)"},
#endif
};

// The text of a REG_SZ or REG_EXPAND_SZ value (as stored, unexpanded), as UTF-8; nothing for a
// missing value or one of another type (a number is no folder).
std::optional<std::string> ReadTextValue(HKEY key, const std::wstring& name) {
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    // Far beyond the 255 bytes that count; anything longer is refused below anyway.
    if (size > 64 * 1024) return std::nullopt;
    std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(buffer.data()), &got) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    buffer.resize(got / sizeof(wchar_t));
    // The text ends at its first NUL, whether the writer stored one or not.
    if (const auto nul = buffer.find(L'\0'); nul != std::wstring::npos) buffer.resize(nul);
    return Utf8FromWide(buffer);
}

std::error_code WindowsError(LONG code) {
    return std::error_code(static_cast<int>(code), std::system_category());
}

}  // namespace

std::optional<RegistryHit> LookupMachineValue(std::string_view keyPath,
                                              std::string_view valueName) {
    const std::wstring key = WideFromUtf8(keyPath);
    const std::wstring name = WideFromUtf8(valueName);
    for (const Hive& hive : kHives) {
        HKEY handle = nullptr;
        if (::RegOpenKeyExW(hive.root, key.c_str(), 0, KEY_READ | hive.view, &handle) !=
            ERROR_SUCCESS) {
            continue;
        }
        auto value = ReadTextValue(handle, name);
        ::RegCloseKey(handle);
        if (!value || !FitsRegistryValueBuffer(*value)) continue;
        return RegistryHit{std::move(*value), hive.label};
    }
    return std::nullopt;
}

std::string MachineValueStoreName() {
    return "the Windows registry";
}

std::optional<std::string> StoreMachineValue(std::string_view keyPath, std::string_view valueName,
                                             std::string_view value, std::error_code& ec) {
    ec.clear();
    const std::string text(value);
    if (!IsValidUtf8(text) || text.find('\0') != std::string::npos) {
        ec = std::make_error_code(std::errc::invalid_argument);
        return std::nullopt;
    }
    if (!FitsRegistryValueBuffer(text)) {
        ec = std::make_error_code(std::errc::filename_too_long);
        return std::nullopt;
    }
    const std::wstring key = WideFromUtf8(keyPath);
    const std::wstring name = WideFromUtf8(valueName);
    const std::wstring data = WideFromUtf8(text);
    // The machine-wide key first (where the game's installer puts it); this user's hive when
    // that needs elevation.
    const Hive* order[] = {&kHives[1], &kHives[0]};
    for (const Hive* hive : order) {
        HKEY handle = nullptr;
        const LONG opened =
            ::RegCreateKeyExW(hive->root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_SET_VALUE | hive->view, nullptr, &handle, nullptr);
        if (opened == ERROR_ACCESS_DENIED && hive->root == HKEY_LOCAL_MACHINE) continue;
        if (opened != ERROR_SUCCESS) {
            ec = WindowsError(opened);
            return std::nullopt;
        }
        const LONG set = ::RegSetValueExW(handle, name.c_str(), 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(data.c_str()),
                                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(handle);
        if (set == ERROR_ACCESS_DENIED && hive->root == HKEY_LOCAL_MACHINE) continue;
        if (set != ERROR_SUCCESS) {
            ec = WindowsError(set);
            return std::nullopt;
        }
        std::string where =
            std::string("the Windows registry at ") + hive->rootName + "\\" + std::string(keyPath) +
            (hive->root == HKEY_LOCAL_MACHINE ? " (32-bit view)" : " (this user only)");
        // A value in this user's hive is read before the machine-wide one: an older folder
        // there would hide the one just stored, so it gets the new folder too.
        if (hive->root == HKEY_LOCAL_MACHINE) {
            HKEY user = nullptr;
            if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                &user) == ERROR_SUCCESS) {
                if (::RegQueryValueExW(user, name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                    ERROR_SUCCESS) {
                    const LONG also = ::RegSetValueExW(
                        user, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                        static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
                    if (also != ERROR_SUCCESS) {
                        ::RegCloseKey(user);
                        ec = WindowsError(also);
                        return std::nullopt;
                    }
                    where += " and at HKEY_CURRENT_USER\\" + std::string(keyPath) +
                             " (this user only), which is read first";
                }
                ::RegCloseKey(user);
            }
        }
        return where;
    }
    ec = WindowsError(ERROR_ACCESS_DENIED);
    return std::nullopt;
}

#else

std::optional<RegistryHit> LookupMachineValue(std::string_view keyPath,
                                              std::string_view valueName) {
    if (auto hit = LookupRegistryFile(RegistryFilePath(), keyPath, valueName)) return hit;
    return LookupWinePrefix(WinePrefixPath(), keyPath, valueName);
}

std::string MachineValueStoreName() {
    return RegistryFilePath();
}

std::optional<std::string> StoreMachineValue(std::string_view keyPath, std::string_view valueName,
                                             std::string_view value, std::error_code& ec) {
    const std::string store = RegistryFilePath();
    if (!StoreRegistryFileValue(store, keyPath, valueName, value, ec)) return std::nullopt;
    return store;
}

#endif

}  // namespace b3::platform
