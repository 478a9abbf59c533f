// Holds a file open without sharing for a while, as the game or a virus scanner may: opens FILE,
// writes the file MARK once it holds it, waits MILLISECONDS, then lets it go.
// Usage: hold_file FILE MILLISECONDS MARK
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) return 2;
    HANDLE held = ::CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (held == INVALID_HANDLE_VALUE) return 1;
    HANDLE mark = ::CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (mark != INVALID_HANDLE_VALUE) ::CloseHandle(mark);
    ::Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    ::CloseHandle(held);
    return 0;
}
