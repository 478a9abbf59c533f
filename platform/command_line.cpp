#include "platform/command_line.h"

#ifdef _WIN32
#include <windows.h>
// windows.h first: shellapi.h builds on it.
#include <shellapi.h>

#include "platform/native_path.h"
#endif

namespace b3::platform {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
#ifdef _WIN32
    int count = 0;
    if (LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        std::vector<std::string> out;
        out.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) out.push_back(Utf8FromWide(wide[i]));
        ::LocalFree(wide);
        return out;
    }
#endif
    return std::vector<std::string>(argv, argv + argc);
}

void UseUtf8Console() {
#ifdef _WIN32
    ::SetConsoleOutputCP(CP_UTF8);
#endif
}

}  // namespace b3::platform
