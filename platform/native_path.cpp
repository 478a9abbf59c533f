#include "platform/native_path.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace b3::platform {

#ifdef _WIN32

std::wstring WideFromUtf8(std::string_view utf8) {
    if (utf8.empty()) return std::wstring();
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Utf8FromWide(std::wstring_view wide) {
    if (wide.empty()) return std::string();
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                        nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                          nullptr, nullptr);
    return out;
}

std::filesystem::path FsPath(std::string_view utf8) {
    return std::filesystem::path(WideFromUtf8(utf8));
}

std::optional<std::string> PathInsideFolder(std::string_view path, std::string_view folder) {
    auto slashes = [](std::wstring s) {
        for (wchar_t& c : s)
            if (c == L'/') c = L'\\';
        return s;
    };
    const std::wstring widePath = slashes(WideFromUtf8(path));
    std::wstring wideFolder = slashes(WideFromUtf8(folder));
    while (!wideFolder.empty() && wideFolder.back() == L'\\') wideFolder.pop_back();
    const std::size_t n = wideFolder.size();
    if (widePath.size() <= n + 1 || widePath[n] != L'\\') return std::nullopt;
    // The file system's own rule: ordinal comparison, case folded with its upper-case table.
    if (::CompareStringOrdinal(widePath.data(), static_cast<int>(n), wideFolder.data(),
                               static_cast<int>(n), TRUE) != CSTR_EQUAL) {
        return std::nullopt;
    }
    return Utf8FromWide(std::wstring_view(widePath).substr(n + 1));
}

std::string Utf8Path(const std::filesystem::path& path) {
    return Utf8FromWide(path.native());
}

std::string PathCaseFolded(std::string_view path) {
    std::wstring wide = WideFromUtf8(path);
    if (!wide.empty()) ::CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return Utf8FromWide(wide);
}

std::string UserDataFolder() {
    if (auto local = EnvironmentText("LOCALAPPDATA")) return *local;
    return EnvironmentText("USERPROFILE").value_or(std::string()) + "\\AppData\\Local";
}

std::optional<std::string> EnvironmentText(const char* name) {
    const wchar_t* value = ::_wgetenv(WideFromUtf8(name).c_str());
    if (value == nullptr || *value == L'\0') return std::nullopt;
    return Utf8FromWide(value);
}

#else

std::filesystem::path FsPath(std::string_view utf8) {
    return std::filesystem::path(std::string(utf8));
}

std::string Utf8Path(const std::filesystem::path& path) {
    return path.native();
}

std::string PathCaseFolded(std::string_view path) {
    return std::string(path);
}

std::string UserDataFolder() {
    if (auto xdg = EnvironmentText("XDG_DATA_HOME")) return *xdg;
    return EnvironmentText("HOME").value_or(std::string()) + "/.local/share";
}

std::optional<std::string> EnvironmentText(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::string(value);
}

std::optional<std::string> PathInsideFolder(std::string_view path, std::string_view folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
    const std::size_t n = folder.size();
    if (path.size() <= n + 1 || path.compare(0, n, folder) != 0 || path[n] != '/')
        return std::nullopt;
    return std::string(path.substr(n + 1));
}

#endif

}  // namespace b3::platform
