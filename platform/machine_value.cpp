// Where the installation folder lives for the platform: the Windows registry on Windows, our
// registry file (then a Wine prefix) elsewhere. Reading and storing use the same places, so that
// a folder stored here is the one found.
#include <cstring>
#include <string>
#include <vector>

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
// missing value or one of another type (a number is no folder). `expandable` tells which.
std::optional<std::string> ReadTextValue(HKEY key, const std::wstring& name, bool& expandable) {
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    expandable = type == REG_EXPAND_SZ;
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

// %NAME% references replaced as the system does for this process.
std::string ExpandWindowsText(const std::string& text) {
    const std::wstring wide = WideFromUtf8(text);
    DWORD size = ::ExpandEnvironmentStringsW(wide.c_str(), nullptr, 0);
    if (size == 0) return text;
    std::wstring out(size, L'\0');
    size = ::ExpandEnvironmentStringsW(wide.c_str(), out.data(), size);
    if (size == 0 || size > out.size()) return text;
    out.resize(size - 1);
    return Utf8FromWide(out);
}

// The places a registration writes: the machine-wide key that the game's installer writes, and
// this user's hive.
struct Place {
    const char* id;
    HKEY root;
    REGSAM view;
};
const Place kMachinePlace{"HKLM32", HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY};
const Place kUserPlace{"HKCU", HKEY_CURRENT_USER, 0};

const Place* PlaceById(std::string_view id) {
    if (id == kMachinePlace.id) return &kMachinePlace;
    if (id == kUserPlace.id) return &kUserPlace;
    return nullptr;
}

// The key path and each of its ancestors: "SOFTWARE", "SOFTWARE\\Vendor", ...
std::vector<std::wstring> KeyPrefixes(std::string_view keyPath) {
    std::vector<std::wstring> out;
    std::size_t pos = 0;
    for (;;) {
        const auto sep = keyPath.find('\\', pos);
        out.push_back(WideFromUtf8(keyPath.substr(0, sep)));
        if (sep == std::string_view::npos) break;
        pos = sep + 1;
    }
    return out;
}

// How many of the key's components exist at `place`.
std::size_t ExistingKeys(const Place& place, const std::vector<std::wstring>& prefixes) {
    std::size_t n = 0;
    for (const std::wstring& prefix : prefixes) {
        HKEY handle = nullptr;
        if (::RegOpenKeyExW(place.root, prefix.c_str(), 0, KEY_READ | place.view, &handle) !=
            ERROR_SUCCESS)
            break;
        ::RegCloseKey(handle);
        ++n;
    }
    return n;
}

// The value at `place` as it is now: its type and bytes, the keys that exist, the folder it names.
SavedMachineValue ReadPlace(const Place& place, std::string_view keyPath,
                            std::string_view valueName, std::error_code& ec) {
    ec.clear();
    SavedMachineValue saved;
    saved.place = place.id;
    const auto prefixes = KeyPrefixes(keyPath);
    saved.keysExisting = ExistingKeys(place, prefixes);
    if (saved.keysExisting < prefixes.size()) return saved;
    HKEY handle = nullptr;
    LONG rc = ::RegOpenKeyExW(place.root, prefixes.back().c_str(), 0, KEY_QUERY_VALUE | place.view,
                              &handle);
    if (rc != ERROR_SUCCESS) {
        ec = WindowsError(rc);
        return saved;
    }
    const std::wstring name = WideFromUtf8(valueName);
    DWORD type = 0;
    DWORD size = 0;
    rc = ::RegQueryValueExW(handle, name.c_str(), nullptr, &type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        std::string bytes(size, '\0');
        rc = ::RegQueryValueExW(handle, name.c_str(), nullptr, &type,
                                reinterpret_cast<BYTE*>(bytes.data()), &size);
        bytes.resize(size);
        if (rc == ERROR_SUCCESS) {
            saved.valueExisted = true;
            saved.type = type;
            saved.data = std::move(bytes);
            if (type == REG_SZ || type == REG_EXPAND_SZ) {
                std::wstring text(saved.data.size() / sizeof(wchar_t), L'\0');
                std::memcpy(text.data(), saved.data.data(), text.size() * sizeof(wchar_t));
                std::string utf8 = Utf8FromWide(text);
                if (const auto nul = utf8.find('\0'); nul != std::string::npos) utf8.resize(nul);
                if (type == REG_EXPAND_SZ) utf8 = ExpandWindowsText(utf8);
                saved.folder = FolderFromValue(std::move(utf8));
            }
        }
    }
    ::RegCloseKey(handle);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) ec = WindowsError(rc);
    return saved;
}

// Whether this process may write the machine-wide key (elevated, or under Wine).
bool MachineKeyWritable(std::string_view keyPath) {
    const auto prefixes = KeyPrefixes(keyPath);
    const std::size_t existing = ExistingKeys(kMachinePlace, prefixes);
    if (existing == 0) return false;
    HKEY handle = nullptr;
    const REGSAM access = existing == prefixes.size() ? KEY_SET_VALUE : KEY_CREATE_SUB_KEY;
    if (::RegOpenKeyExW(kMachinePlace.root, prefixes[existing - 1].c_str(), 0,
                        access | kMachinePlace.view, &handle) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(handle);
    return true;
}

}  // namespace

std::vector<SavedMachineValue> SnapshotMachineValue(std::string_view keyPath,
                                                    std::string_view valueName,
                                                    std::error_code& ec) {
    std::vector<SavedMachineValue> out;
    if (MachineKeyWritable(keyPath)) {
        out.push_back(ReadPlace(kMachinePlace, keyPath, valueName, ec));
        if (ec) return {};
        // This user's value, read first, gets the new folder too when there is one.
        SavedMachineValue user = ReadPlace(kUserPlace, keyPath, valueName, ec);
        if (ec) return {};
        if (user.valueExisted) out.push_back(std::move(user));
    } else {
        out.push_back(ReadPlace(kUserPlace, keyPath, valueName, ec));
        if (ec) return {};
    }
    return out;
}

std::optional<SavedMachineValue> CurrentValueAt(const SavedMachineValue& saved,
                                                std::string_view keyPath,
                                                std::string_view valueName, std::error_code& ec) {
    if (saved.place.rfind("file:", 0) == 0) {
        auto now = SnapshotRegistryFileValue(saved.place.substr(5), keyPath, valueName, ec);
        if (ec) return std::nullopt;
        return now;
    }
    const Place* place = PlaceById(saved.place);
    if (place == nullptr) {
        ec = std::make_error_code(std::errc::invalid_argument);
        return std::nullopt;
    }
    auto now = ReadPlace(*place, keyPath, valueName, ec);
    if (ec) return std::nullopt;
    return now;
}

bool RestoreMachineValue(const SavedMachineValue& saved, std::string_view keyPath,
                         std::string_view valueName, std::error_code& ec) {
    ec.clear();
    if (saved.place.rfind("file:", 0) == 0)
        return RestoreRegistryFileValue(saved.place.substr(5), saved, keyPath, valueName, ec);
    const Place* place = PlaceById(saved.place);
    if (place == nullptr) {
        ec = std::make_error_code(std::errc::invalid_argument);
        return false;
    }
    const auto prefixes = KeyPrefixes(keyPath);
    const std::wstring name = WideFromUtf8(valueName);
    if (saved.valueExisted) {
        HKEY handle = nullptr;
        LONG rc = ::RegCreateKeyExW(place->root, prefixes.back().c_str(), 0, nullptr,
                                    REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | place->view, nullptr,
                                    &handle, nullptr);
        if (rc != ERROR_SUCCESS) {
            ec = WindowsError(rc);
            return false;
        }
        rc = ::RegSetValueExW(handle, name.c_str(), 0, saved.type,
                              reinterpret_cast<const BYTE*>(saved.data.data()),
                              static_cast<DWORD>(saved.data.size()));
        ::RegCloseKey(handle);
        if (rc != ERROR_SUCCESS) {
            ec = WindowsError(rc);
            return false;
        }
        return true;
    }
    HKEY handle = nullptr;
    LONG rc = ::RegOpenKeyExW(place->root, prefixes.back().c_str(), 0, KEY_SET_VALUE | place->view,
                              &handle);
    if (rc == ERROR_FILE_NOT_FOUND) return true;
    if (rc != ERROR_SUCCESS) {
        ec = WindowsError(rc);
        return false;
    }
    rc = ::RegDeleteValueW(handle, name.c_str());
    ::RegCloseKey(handle);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
        ec = WindowsError(rc);
        return false;
    }
    // The keys the registration made go too, deepest first, as long as they are empty.
    for (std::size_t n = prefixes.size(); n > saved.keysExisting && n > 1; --n) {
        const std::wstring& key = prefixes[n - 1];
        HKEY probe = nullptr;
        if (::RegOpenKeyExW(place->root, key.c_str(), 0, KEY_READ | place->view, &probe) !=
            ERROR_SUCCESS)
            continue;
        DWORD subkeys = 0;
        DWORD values = 0;
        const LONG info = ::RegQueryInfoKeyW(probe, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                             nullptr, &values, nullptr, nullptr, nullptr, nullptr);
        ::RegCloseKey(probe);
        if (info != ERROR_SUCCESS || subkeys != 0 || values != 0) break;
        rc = ::RegDeleteKeyExW(place->root, key.c_str(), place->view, 0);
        if (rc != ERROR_SUCCESS) {
            ec = WindowsError(rc);
            return false;
        }
    }
    return true;
}

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
        bool expandable = false;
        auto value = ReadTextValue(handle, name, expandable);
        ::RegCloseKey(handle);
        if (!value || !FitsRegistryValueBuffer(*value)) continue;
        if (expandable) *value = ExpandWindowsText(*value);
        return RegistryHit{FolderFromValue(std::move(*value)), hive.label};
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

std::vector<SavedMachineValue> SnapshotMachineValue(std::string_view keyPath,
                                                    std::string_view valueName,
                                                    std::error_code& ec) {
    SavedMachineValue saved = SnapshotRegistryFileValue(RegistryFilePath(), keyPath, valueName, ec);
    if (ec) return {};
    return {std::move(saved)};
}

std::optional<SavedMachineValue> CurrentValueAt(const SavedMachineValue& saved,
                                                std::string_view keyPath,
                                                std::string_view valueName, std::error_code& ec) {
    if (saved.place.rfind("file:", 0) != 0) {
        ec = std::make_error_code(std::errc::invalid_argument);
        return std::nullopt;
    }
    auto now = SnapshotRegistryFileValue(saved.place.substr(5), keyPath, valueName, ec);
    if (ec) return std::nullopt;
    return now;
}

bool RestoreMachineValue(const SavedMachineValue& saved, std::string_view keyPath,
                         std::string_view valueName, std::error_code& ec) {
    if (saved.place.rfind("file:", 0) != 0) {
        ec = std::make_error_code(std::errc::invalid_argument);
        return false;
    }
    return RestoreRegistryFileValue(saved.place.substr(5), saved, keyPath, valueName, ec);
}

#endif

std::string DescribeSavedPlace(const SavedMachineValue& saved, std::string_view keyPath) {
    if (saved.place.rfind("file:", 0) == 0) return "the registry file " + saved.place.substr(5);
    if (saved.place == "HKLM32")
        return "the Windows registry at HKEY_LOCAL_MACHINE\\" + std::string(keyPath) +
               " (32-bit view)";
    return "the Windows registry at HKEY_CURRENT_USER\\" + std::string(keyPath);
}

}  // namespace b3::platform
