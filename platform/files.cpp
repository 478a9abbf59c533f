#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <optional>
#include <random>
#include <vector>

#include "platform/file_names.h"
#include "platform/native_path.h"
#include "platform/text1252.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace b3::platform {
namespace {

class FileHeldCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "b3 file held"; }
    std::string message(int) const override {
        return "another program keeps the file open (the game itself or a virus scanner, say); "
               "close it and try again";
    }
    std::error_condition default_error_condition(int) const noexcept override {
        return std::errc::permission_denied;
    }
};

const std::error_category& FileHeldCategoryInstance() {
    static const FileHeldCategory category;
    return category;
}

[[maybe_unused]] std::error_code FileHeldError() {
    return std::error_code(1, FileHeldCategoryInstance());
}

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Length of the UTF-8 character starting with byte `b` (1 for a stray byte), so that `?` takes a
// whole character of a UTF-8 name.
std::size_t CharLength(std::string_view s, std::size_t pos) {
    const auto b = static_cast<unsigned char>(s[pos]);
    std::size_t len = 1;
    if ((b & 0xE0) == 0xC0) {
        len = 2;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4;
    }
    if (len > s.size() - pos) return 1;
    for (std::size_t i = 1; i < len; ++i) {
        if ((static_cast<unsigned char>(s[pos + i]) & 0xC0) != 0x80) return 1;
    }
    return len;
}

// Upper-cased names compare first, then the names as they are; no copies are made.
bool NameLess(const std::string& a, const std::string& b) {
    const auto upper = [](char c) {
        return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c);
    };
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char ua = upper(a[i]);
        const unsigned char ub = upper(b[i]);
        if (ua != ub) return ua < ub;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

std::string ParentFolder(const std::string& path) {
#ifdef _WIN32
    const auto slash = path.find_last_of("\\/");
#else
    const auto slash = path.find_last_of('/');
#endif
    if (slash == std::string::npos) return ".";
    if (slash == 0) return path.substr(0, 1);
    return path.substr(0, slash);
}

[[maybe_unused]] std::string BaseName(const std::string& path) {
#ifdef _WIN32
    const auto slash = path.find_last_of("\\/");
#else
    const auto slash = path.find_last_of('/');
#endif
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

#ifdef _WIN32

// A Windows error as the portable condition callers compare with (std::errc), so that a missing
// file or a refused write is told apart the same way on every platform.
std::error_code ErrorFromWindows(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
            return std::make_error_code(std::errc::no_such_file_or_directory);
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
            return std::make_error_code(std::errc::permission_denied);
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return std::make_error_code(std::errc::no_space_on_device);
        case ERROR_TOO_MANY_OPEN_FILES:
            return std::make_error_code(std::errc::too_many_files_open);
        case ERROR_DIRECTORY:
            return std::make_error_code(std::errc::not_a_directory);
        default:
            return std::error_code(static_cast<int>(error), std::system_category());
    }
}

#else

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

// All entry names of a folder except "." and "..", or nothing when it cannot be read.
std::optional<std::vector<std::string> > ReadFolder(const std::string& folder,
                                                    std::error_code& ec) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) {
        ec = LastError();
        return std::nullopt;
    }
    std::vector<std::string> names;
    errno = 0;
    while (dirent* entry = ::readdir(dir)) {
        const char* n = entry->d_name;
        if (std::strcmp(n, ".") == 0 || std::strcmp(n, "..") == 0) continue;
        names.emplace_back(n);
    }
    const int err = errno;
    ::closedir(dir);
    if (err != 0) {
        ec = std::error_code(err, std::generic_category());
        return std::nullopt;
    }
    ec.clear();
    return names;
}

// The permission bits a new file gets from the process's umask, read without changing it where
// the system allows.
mode_t NewFileMode() {
    mode_t mask = 0;
    bool known = false;
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, status) != nullptr) {
            unsigned int value = 0;
            if (std::sscanf(line, "Umask: %o", &value) == 1) {
                mask = static_cast<mode_t>(value);
                known = true;
                break;
            }
        }
        std::fclose(status);
    }
    if (!known) {
        mask = ::umask(022);
        ::umask(mask);
    }
    return 0666 & ~mask;
}

bool WriteAll(int fd, std::string_view bytes, const WriteFaults* faults, std::error_code& ec) {
    const std::optional<std::size_t> limit =
        faults ? faults->FailAfter(bytes.size()) : std::nullopt;
    std::size_t toWrite = bytes.size();
    bool injectFailure = false;
    if (limit && *limit <= bytes.size()) {
        toWrite = *limit;
        injectFailure = true;
    }
    std::size_t done = 0;
    while (done < toWrite) {
        const ssize_t n = ::write(fd, bytes.data() + done, toWrite - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ec = LastError();
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (injectFailure) {
        ec = std::make_error_code(std::errc::no_space_on_device);
        return false;
    }
    return true;
}

#endif

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = std::string_view::npos;  // pattern position after the last `*`
    std::size_t starN = 0;                       // name position that `*` is tried up to
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starN = n;
            continue;
        }
        if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += CharLength(name, n);
            continue;
        }
        if (p < pattern.size() && UpperAscii(pattern[p]) == UpperAscii(name[n])) {
            ++p;
            ++n;
            continue;
        }
        if (starP == std::string_view::npos) return false;
        // Let the last `*` take one more character and retry from there.
        starN += CharLength(name, starN);
        n = starN;
        p = starP;
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

#ifdef _WIN32

std::vector<std::string> ListFiles(const std::string& folder, std::string_view pattern,
                                   std::error_code& ec) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW data;
    const std::wstring query = WideFromUtf8(JoinPath(folder, "*"));
    HANDLE h = ::FindFirstFileW(query.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = ::GetLastError();
        if (err == ERROR_FILE_NOT_FOUND) {
            ec.clear();
        } else {
            ec = ErrorFromWindows(err);
        }
        return names;
    }
    do {
        const DWORD attrs = data.dwFileAttributes;
        if (attrs & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
            continue;
        std::string name = Utf8FromWide(data.cFileName);
        if (WildcardMatch(pattern, name)) names.push_back(std::move(name));
    } while (::FindNextFileW(h, &data));
    ::FindClose(h);
    std::sort(names.begin(), names.end(), NameLess);
    ec.clear();
    return names;
}

#else

std::vector<std::string> ListFiles(const std::string& folder, std::string_view pattern,
                                   std::error_code& ec) {
    std::vector<std::string> names;
    auto entries = ReadFolder(folder, ec);
    if (!entries) return names;
    for (std::string& entry : *entries) {
        if (entry.empty() || entry[0] == '.') continue;
        if (!WildcardMatch(pattern, entry)) continue;
        struct stat st;
        if (::stat(JoinPath(folder, entry).c_str(), &st) != 0) continue;
        if (!S_ISREG(st.st_mode)) continue;
        names.push_back(std::move(entry));
    }
    std::sort(names.begin(), names.end(), NameLess);
    return names;
}

#endif

std::string FindEntryIgnoreCase(const std::string& folder, std::string_view name) {
#ifdef _WIN32
    // The file system already ignores case; asking it for the one entry gives the entry's own
    // spelling, so that a file replaced keeps its name and the history names it as listed.
    if (name.empty() || name.find_first_of("*?\\/") != std::string_view::npos)
        return std::string(name);
    WIN32_FIND_DATAW data;
    const std::wstring query = WideFromUtf8(JoinPath(folder, std::string(name)));
    HANDLE h = ::FindFirstFileW(query.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return std::string(name);
    ::FindClose(h);
    std::string found = Utf8FromWide(data.cFileName);
    return EqualsIgnoreCase(found, name) ? found : std::string(name);
#else
    std::error_code ec;
    auto entries = ReadFolder(folder, ec);
    if (!entries) return std::string(name);
    std::optional<std::string> best;
    for (const std::string& entry : *entries) {
        if (entry == name) return entry;
        // A name that is not UTF-8 is matched by its Windows-1252 reading.
        if (EqualsIgnoreCase(FileNameText(entry), name) && (!best || NameLess(entry, *best)))
            best = entry;
    }
    return best ? *best : std::string(name);
#endif
}

namespace {

constexpr std::string_view kTempMarker = ".b3tmp-";

// A temporary file counts as left over by a killed write only when it is at least this old and
// no writer holds it (the writer keeps it locked while it writes).
constexpr std::int64_t kStaleSeconds = 10 * 60;

bool AllDigits(std::string_view s, bool hex) {
    if (s.empty()) return false;
    for (char c : s) {
        const bool digit =
            (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
        if (!digit) return false;
    }
    return true;
}

// This machine's name as it may stand in a file name: letters, digits and "_", at most 32.
std::string HostTag() {
    std::string host;
#ifdef _WIN32
    wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (::GetComputerNameW(buffer, &size)) host = Utf8FromWide(std::wstring_view(buffer, size));
#else
    char buffer[256] = {};
    if (::gethostname(buffer, sizeof buffer - 1) == 0) host = buffer;
#endif
    std::string tag;
    for (char c : host) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (tag.size() < 32) tag += plain ? c : '_';
    }
    return tag.empty() ? std::string("host") : tag;
}

std::uint64_t Random64() {
    static std::mutex mutex;
    static std::mt19937_64 generator = [] {
        std::random_device device;
        std::seed_seq seed{
            device(),
            device(),
            device(),
            device(),
            static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()),
#ifdef _WIN32
            static_cast<unsigned>(::GetCurrentProcessId())};
#else
            static_cast<unsigned>(::getpid())};
#endif
        return std::mt19937_64(seed);
    }();
    std::lock_guard lock(mutex);
    return generator();
}

}  // namespace

bool IsFileHeldError(const std::error_code& ec) {
    return ec.category() == FileHeldCategoryInstance();
}

bool IsReplacementTemporary(std::string_view name) {
    if (name.empty() || name[0] != '.') return false;
    const auto at = name.rfind(kTempMarker);
    if (at == std::string_view::npos) return false;
    const std::string_view rest = name.substr(at + kTempMarker.size());
    // ".NAME.b3tmp-HOST-PID-RANDOM", RANDOM 16 hex digits.
    const auto last = rest.rfind('-');
    if (last == std::string_view::npos) return false;
    const std::string_view tail = rest.substr(last + 1);
    const std::string_view head = rest.substr(0, last);
    if (tail.size() == 16 && AllDigits(tail, true)) {
        const auto dash = head.rfind('-');
        return dash != std::string_view::npos && dash > 0 &&
               AllDigits(head.substr(dash + 1), false);
    }
    // The older ".NAME.b3tmp-PID-N".
    return AllDigits(head, false) && AllDigits(tail, false);
}

std::string NewReplacementTemporaryName(std::string_view fileName) {
    static const std::string host = HostTag();
    char suffix[96];
#ifdef _WIN32
    const unsigned long pid = ::GetCurrentProcessId();
#else
    const unsigned long pid = static_cast<unsigned long>(::getpid());
#endif
    std::snprintf(suffix, sizeof suffix, "%s%s-%lu-%016llx", kTempMarker.data(), host.c_str(), pid,
                  static_cast<unsigned long long>(Random64()));
    std::string name;
    name.reserve(1 + fileName.size() + std::strlen(suffix));
    name += '.';
    name.append(fileName.data(), fileName.size());
    name.append(suffix);
    return name;
}

#ifdef _WIN32

bool ReadFileBytes(const std::string& path, std::string& out, std::error_code& ec,
                   std::size_t limit) {
    out.clear();
    std::FILE* f = ::_wfopen(WideFromUtf8(path).c_str(), L"rb");
    if (f == nullptr) {
        ec = std::error_code(errno, std::generic_category());
        return false;
    }
    char buffer[65536];
    for (;;) {
        std::size_t want = sizeof buffer;
        if (limit != 0) want = std::min(want, limit - out.size());
        if (want == 0) break;
        const std::size_t got = std::fread(buffer, 1, want, f);
        out.append(buffer, got);
        if (got < want) break;
    }
    const bool bad = std::ferror(f) != 0;
    std::fclose(f);
    if (bad) {
        ec = std::make_error_code(std::errc::io_error);
        out.clear();
        return false;
    }
    ec.clear();
    return true;
}

namespace {

// Removes the temporary files that writes killed before their replacement left in `folder`:
// those old enough that no write can still be making them, and that nobody holds open (a writer
// holds its temporary file without sharing). The name alone decides nothing: another machine
// sharing the folder may run a process of the same number.
void RemoveStaleTemporaries(const std::string& folder) {
    std::vector<std::string> candidates;
    WIN32_FIND_DATAW data;
    const std::wstring query =
        WideFromUtf8(JoinPath(folder, std::string("*") + kTempMarker.data() + "*"));
    HANDLE h = ::FindFirstFileW(query.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return;
    FILETIME nowTime;
    ::GetSystemTimeAsFileTime(&nowTime);
    auto ticks = [](const FILETIME& t) {
        return (static_cast<std::int64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    const std::int64_t now = ticks(nowTime);
    do {
        if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        const std::string name = Utf8FromWide(data.cFileName);
        if (!IsReplacementTemporary(name)) continue;
        if (now - ticks(data.ftLastWriteTime) < kStaleSeconds * 10000000) continue;
        candidates.push_back(name);
    } while (::FindNextFileW(h, &data));
    ::FindClose(h);
    for (const std::string& name : candidates) {
        // Opened without sharing, deleted when closed: fails while anyone holds it.
        HANDLE file = ::CreateFileW(
            WideFromUtf8(JoinPath(folder, name)).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
            FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    }
}

// How long a replacement waits for a file that another program holds for a moment (the game
// reading it, a virus scanner), and how often it tries again meanwhile.
constexpr DWORD kHeldWaitMs = 3000;
constexpr DWORD kHeldRetryMs = 100;

bool IsHeldError(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED || error == ERROR_UNABLE_TO_REMOVE_REPLACED ||
           error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2;
}

bool WriteHandle(HANDLE file, const char* data, std::size_t size, std::error_code& ec) {
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, data, chunk, &written, nullptr)) {
            ec = ErrorFromWindows(::GetLastError());
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// Replaces the file `path` names (the name is checked already).
bool ReplaceNamedFile(const std::string& path, std::string_view bytes, std::error_code& ec,
                      const ReplaceOptions& options) {
    const std::wstring targetAsGiven = WideFromUtf8(path);
    WIN32_FILE_ATTRIBUTE_DATA info{};
    const bool exists =
        ::GetFileAttributesExW(targetAsGiven.c_str(), GetFileExInfoStandard, &info) != 0;
    if (!exists) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_NOT_FOUND) {
            ec = ErrorFromWindows(error);
            return false;
        }
    } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        ec = std::make_error_code(std::errc::is_a_directory);
        return false;
    } else if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
        // A file the user made read-only stays as it is.
        ec = std::make_error_code(std::errc::permission_denied);
        return false;
    }
    const unsigned long long size =
        exists ? (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow
               : 0;
    const bool keepTail = options.keepTail && exists && size > bytes.size();
    const std::string folder = ParentFolder(path);
    // The file keeps its name as it stands on disk, whatever the letter case of `path`.
    std::wstring target = targetAsGiven;
    if (exists) {
        WIN32_FIND_DATAW found{};
        const HANDLE search = ::FindFirstFileW(targetAsGiven.c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            ::FindClose(search);
            target = WideFromUtf8(JoinPath(folder, Utf8FromWide(found.cFileName)));
        }
    }

    RemoveStaleTemporaries(folder);

    // A hidden temporary file beside the target, so that the final move stays on one volume; its
    // name is one no other process or machine makes, and it is held without sharing while it is
    // written, so that no cleaner removes it meanwhile.
    std::wstring temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temp = WideFromUtf8(JoinPath(folder, NewReplacementTemporaryName(BaseName(path))));
        file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (file == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        ec = ErrorFromWindows(::GetLastError());
        return false;
    }
    auto fail = [&](std::error_code error) {
        if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
        ::DeleteFileW(temp.c_str());
        ec = error;
        return false;
    };

    const std::optional<std::size_t> limit =
        options.faults ? options.faults->FailAfter(bytes.size()) : std::nullopt;
    if (limit && *limit <= bytes.size()) {
        std::error_code ignored;
        WriteHandle(file, bytes.data(), *limit, ignored);
        return fail(std::make_error_code(std::errc::no_space_on_device));
    }
    std::error_code error;
    if (!WriteHandle(file, bytes.data(), bytes.size(), error)) return fail(error);
    if (keepTail) {
        // The original's bytes past the new head follow it; a tail that cannot be read fails
        // the write rather than being dropped.
        HANDLE original = INVALID_HANDLE_VALUE;
        for (DWORD waited = 0;; waited += kHeldRetryMs) {
            original = ::CreateFileW(target.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
            if (original != INVALID_HANDLE_VALUE) break;
            const DWORD openError = ::GetLastError();
            if (!IsHeldError(openError) || waited >= kHeldWaitMs) {
                return fail(IsHeldError(openError) ? FileHeldError() : ErrorFromWindows(openError));
            }
            ::Sleep(kHeldRetryMs);
        }
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(bytes.size());
        bool copied = ::SetFilePointerEx(original, at, nullptr, FILE_BEGIN) != 0;
        if (!copied) error = ErrorFromWindows(::GetLastError());
        std::vector<char> buffer(65536);
        unsigned long long left = size - bytes.size();
        while (copied && left > 0) {
            DWORD got = 0;
            const DWORD want =
                static_cast<DWORD>(std::min<unsigned long long>(left, buffer.size()));
            if (!::ReadFile(original, buffer.data(), want, &got, nullptr)) {
                error = ErrorFromWindows(::GetLastError());
                copied = false;
            } else if (got == 0) {
                error = std::make_error_code(std::errc::io_error);  // shorter than it was
                copied = false;
            } else {
                copied = WriteHandle(file, buffer.data(), got, error);
                left -= got;
            }
        }
        ::CloseHandle(original);
        if (!copied) return fail(error);
    }
    if (!::FlushFileBuffers(file)) return fail(ErrorFromWindows(::GetLastError()));
    ::CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    // The replacement takes the target's attributes (archive, hidden, ...), not the temporary
    // file's hidden one.
    const DWORD attrs = exists ? info.dwFileAttributes : FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileAttributesW(temp.c_str(), attrs == 0 ? FILE_ATTRIBUTE_NORMAL : attrs))
        return fail(ErrorFromWindows(::GetLastError()));
    if (!exists) {
        if (!::MoveFileExW(temp.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return fail(ErrorFromWindows(::GetLastError()));
        ec.clear();
        return true;
    }
    // ReplaceFileW keeps what belongs to the file rather than to its bytes: its security
    // descriptor, its other streams, its creation time. The file it replaces is kept under a
    // backup name until the replacement is in place, so that a failure halfway loses nothing.
    // A file another program holds for a moment is tried again for a while.
    const std::wstring backup =
        WideFromUtf8(JoinPath(folder, NewReplacementTemporaryName(BaseName(path))));
    for (DWORD waited = 0;; waited += kHeldRetryMs) {
        if (::ReplaceFileW(target.c_str(), temp.c_str(), backup.c_str(),
                           REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
            ::SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(backup.c_str());
            ec.clear();
            return true;
        }
        const DWORD code = ::GetLastError();
        // The original went to the backup name but the replacement did not follow: it goes
        // back first.
        if (::GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES &&
            ::GetFileAttributesW(backup.c_str()) != INVALID_FILE_ATTRIBUTES) {
            ::MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
        }
        if (!IsHeldError(code) || waited >= kHeldWaitMs) {
            return fail(IsHeldError(code) ? FileHeldError() : ErrorFromWindows(code));
        }
        ::Sleep(kHeldRetryMs);
    }
}

}  // namespace

#else

bool ReadFileBytes(const std::string& path, std::string& out, std::error_code& ec,
                   std::size_t limit) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        ec = LastError();
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ec = LastError();
        ::close(fd);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        ec = std::make_error_code(std::errc::is_a_directory);
        ::close(fd);
        return false;
    }
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        std::size_t expected = static_cast<std::size_t>(st.st_size);
        if (limit != 0) expected = std::min(expected, limit);
        out.reserve(expected);
    }
    char buffer[65536];
    for (;;) {
        std::size_t want = sizeof buffer;
        if (limit != 0) want = std::min(want, limit - out.size());
        if (want == 0) break;
        const ssize_t got = ::read(fd, buffer, want);
        if (got < 0) {
            if (errno == EINTR) continue;
            ec = LastError();
            ::close(fd);
            out.clear();
            return false;
        }
        if (got == 0) break;
        out.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    ec.clear();
    return true;
}

namespace {

// Removes the temporary files that writes killed before their rename left in `folder`: those
// old enough that no write can still be making them, and that no writer holds locked (a writer
// locks its temporary file while it writes it). The name alone decides nothing: another machine
// sharing the folder may run a process of the same number.
void RemoveStaleTemporaries(const std::string& folder) {
    std::error_code ec;
    const auto entries = ReadFolder(folder, ec);
    if (!entries) return;
    const std::time_t now = std::time(nullptr);
    for (const std::string& name : *entries) {
        if (!IsReplacementTemporary(name)) continue;
        const std::string path = JoinPath(folder, name);
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (now - st.st_mtime < kStaleSeconds) continue;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(path.c_str());
        ::close(fd);
    }
}

bool PWriteAll(int fd, const char* data, std::size_t size, off_t at, std::error_code& ec) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, at + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            ec = LastError();
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Copies the bytes [from, end) of `source` to the same places of `dest`, which has been made
// `end` bytes long; only the data regions are copied, so holes stay holes.
bool CopyTail(int source, int dest, off_t from, off_t end, std::error_code& ec) {
    if (::ftruncate(dest, end) != 0) {
        ec = LastError();
        return false;
    }
    std::vector<char> buffer(65536);
    off_t at = from;
    while (at < end) {
        off_t dataStart = ::lseek(source, at, SEEK_DATA);
        off_t dataEnd = end;
        if (dataStart < 0) {
            if (errno == ENXIO) break;  // only a hole is left
            dataStart = at;             // no hole support: copy everything
        } else {
            const off_t hole = ::lseek(source, dataStart, SEEK_HOLE);
            if (hole >= 0) dataEnd = std::min(hole, end);
        }
        for (off_t pos = dataStart; pos < dataEnd;) {
            const auto want = static_cast<std::size_t>(
                std::min<off_t>(static_cast<off_t>(buffer.size()), dataEnd - pos));
            const ssize_t got = ::pread(source, buffer.data(), want, pos);
            if (got < 0) {
                if (errno == EINTR) continue;
                ec = LastError();
                return false;
            }
            if (got == 0) return true;  // the file shrank meanwhile
            if (!PWriteAll(dest, buffer.data(), static_cast<std::size_t>(got), pos, ec))
                return false;
            pos += got;
        }
        at = dataEnd;
    }
    return true;
}

// Writes `bytes` over the start of an existing file without replacing it: for a character
// device, a folder that takes no new file, or a file whose owner a new file could not keep.
bool WriteInPlace(const std::string& path, std::string_view bytes, bool truncate, bool device,
                  const WriteFaults* faults, std::error_code& ec) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | (device ? O_NOCTTY : 0));
    if (fd < 0) {
        ec = LastError();
        return false;
    }
    bool ok = true;
    if (device) {
        ok = WriteAll(fd, bytes, faults, ec);
    } else {
        ok = PWriteAll(fd, bytes.data(), bytes.size(), 0, ec);
        if (ok && truncate && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) {
            ec = LastError();
            ok = false;
        }
        if (ok && ::fsync(fd) != 0) {
            ec = LastError();
            ok = false;
        }
    }
    if (::close(fd) != 0 && ok) {
        ec = LastError();
        ok = false;
    }
    if (ok) ec.clear();
    return ok;
}

// The file a write of `path` goes to: `path` itself, or the target of the link `path` when the
// options allow it. Fails for a dangling link and for a link out of the folder.
bool ResolveTarget(const std::string& path, const ReplaceOptions& options, std::string& target,
                   std::error_code& ec) {
    target = path;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        // A link to something without a path (standard output on a pipe): the checks of what
        // the link leads to decide.
        struct stat linked;
        if (::stat(path.c_str(), &linked) == 0 && !S_ISREG(linked.st_mode)) return true;
        ec = LastError();
        return false;
    }
    target = real;
    std::free(real);
    if (options.followLinksAnywhere) return true;
    char* folder = ::realpath(ParentFolder(path).c_str(), nullptr);
    const bool inside = folder != nullptr && ParentFolder(target) == folder;
    std::free(folder);
    if (!inside) {
        ec = std::make_error_code(std::errc::operation_not_permitted);
        return false;
    }
    return true;
}

// Replaces the file `path` names (the name is checked already).
bool ReplaceNamedFile(const std::string& path, std::string_view bytes, std::error_code& ec,
                      const ReplaceOptions& options) {
    std::string resolved;
    if (!ResolveTarget(path, options, resolved, ec)) return false;
    const std::string folder = ParentFolder(resolved);
    const std::string base = BaseName(resolved);

    // The permissions, owner and group the replacement gets: the target's own, or those of a
    // new file.
    mode_t mode;
    struct stat target;
    const bool exists = ::stat(resolved.c_str(), &target) == 0;
    if (exists) {
        if (S_ISDIR(target.st_mode)) {
            ec = std::make_error_code(std::errc::is_a_directory);
            return false;
        }
        if (!S_ISREG(target.st_mode)) {
            if (S_ISCHR(target.st_mode) && options.writeCharacterDevices)
                return WriteInPlace(resolved, bytes, false, true, options.faults, ec);
            ec = std::make_error_code(std::errc::not_supported);
            return false;
        }
        // A file the user made read-only stays as it is, whoever runs the program.
        if ((target.st_mode & 0222) == 0 || ::access(resolved.c_str(), W_OK) != 0) {
            ec = std::make_error_code(std::errc::permission_denied);
            return false;
        }
        mode = target.st_mode & 07777;
    } else if (errno == ENOENT) {
        mode = NewFileMode();
    } else {
        ec = LastError();
        return false;
    }
    const bool keepTail =
        options.keepTail && exists && target.st_size > static_cast<off_t>(bytes.size());

    RemoveStaleTemporaries(folder);

    // A hidden temporary file beside the target, so that the final rename stays in one file
    // system and the folder's listings never show it; its name is one no other process or
    // machine makes, and it is locked while it is written, so that no cleaner removes it.
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = JoinPath(folder, NewReplacementTemporaryName(base));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd >= 0) ::flock(fd, LOCK_EX | LOCK_NB);
    if (fd < 0) {
        const std::error_code error = LastError();
        // A read-only folder with a writable file in it: the file is written where it is.
        if (exists && (error == std::errc::permission_denied ||
                       error == std::errc::operation_not_permitted)) {
            return WriteInPlace(resolved, bytes, !options.keepTail, false, options.faults, ec);
        }
        ec = error;
        return false;
    }

    auto fail = [&](std::error_code error) {
        if (fd >= 0) ::close(fd);
        ::unlink(temp.c_str());
        ec = error;
        return false;
    };

    std::error_code writeError;
    if (!WriteAll(fd, bytes, options.faults, writeError)) return fail(writeError);
    if (keepTail) {
        const int source = ::open(resolved.c_str(), O_RDONLY | O_CLOEXEC);
        if (source < 0) return fail(LastError());
        const bool copied =
            CopyTail(source, fd, static_cast<off_t>(bytes.size()), target.st_size, writeError);
        ::close(source);
        if (!copied) return fail(writeError);
    }
    if (::fsync(fd) != 0) return fail(LastError());
    if (exists && (target.st_uid != ::geteuid() || target.st_gid != ::getegid()) &&
        ::fchown(fd, target.st_uid, target.st_gid) != 0) {
        // The replacement would change hands: write the file where it is instead.
        fail(LastError());
        return WriteInPlace(resolved, bytes, !options.keepTail, false, options.faults, ec);
    }
    if (::fchmod(fd, mode) != 0) return fail(LastError());
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) return fail(LastError());
    if (::rename(temp.c_str(), resolved.c_str()) != 0) return fail(LastError());

    // Make the rename itself durable; a failure here no longer affects the result.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    ec.clear();
    return true;
}

}  // namespace

#endif

bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::error_code& ec,
                         const ReplaceOptions& options) {
    if (BaseName(path).empty()) {
        ec = std::make_error_code(std::errc::is_a_directory);
        return false;
    }
    return ReplaceNamedFile(path, bytes, ec, options);
}

bool CopyFileReplacing(const std::string& source, const std::string& destination,
                       std::error_code& ec, const ReplaceOptions& options) {
    std::string bytes;
    if (!ReadFileBytes(source, bytes, ec)) return false;
    return ReplaceFileContents(destination, bytes, ec, options);
}

#ifdef _WIN32

bool FileLock::Acquire(const std::string& path, std::error_code& ec) {
    Release();
    HANDLE h = ::CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ec = ErrorFromWindows(::GetLastError());
        return false;
    }
    OVERLAPPED at{};
    if (!::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) {
        ec = ErrorFromWindows(::GetLastError());
        ::CloseHandle(h);
        return false;
    }
    handle_ = h;
    return true;
}

void FileLock::Release() {
    if (!handle_) return;
    OVERLAPPED at{};
    ::UnlockFileEx(static_cast<HANDLE>(handle_), 0, 1, 0, &at);
    ::CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

bool IsRegularFile(const std::string& path) {
    const DWORD attrs = ::GetFileAttributesW(WideFromUtf8(path).c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsDirectory(const std::string& path) {
    const DWORD attrs = ::GetFileAttributesW(WideFromUtf8(path).c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ModuleFileOf(const void* address) {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<LPCWSTR>(address), &module)) {
        return std::string();
    }
    // Long paths need more than MAX_PATH: grow the buffer until the name fits.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::string();
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        if (buffer.size() >= 32768) return std::string();
        buffer.resize(buffer.size() * 2);
    }
    return Utf8FromWide(buffer);
}

namespace {

// One argument as the C runtime's command-line parsing reads it back: quoted when it holds a
// blank or a quote, its quotes escaped, and the backslashes before a quote doubled.
std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            out.append(backslashes * 2 + 1, L'\\');
        } else {
            out.append(backslashes, L'\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    out += L'"';
    return out;
}

}  // namespace

bool StartProgram(const std::string& program, std::error_code& ec,
                  const std::vector<std::string>& arguments) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const std::wstring application = WideFromUtf8(program);
    std::wstring commandLine = L"\"" + application + L"\"";
    for (const std::string& argument : arguments)
        commandLine += L" " + QuoteArgument(WideFromUtf8(argument));
    if (!::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, nullptr, &si, &pi)) {
        ec = ErrorFromWindows(::GetLastError());
        return false;
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    ec.clear();
    return true;
}

#else

bool FileLock::Acquire(const std::string& path, std::error_code& ec) {
    Release();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        ec = LastError();
        return false;
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        ec = LastError();
        ::close(fd);
        return false;
    }
    handle_ = reinterpret_cast<void*>(static_cast<std::intptr_t>(fd) + 1);
    return true;
}

void FileLock::Release() {
    if (!handle_) return;
    // Closing the descriptor gives the lock back.
    ::close(static_cast<int>(reinterpret_cast<std::intptr_t>(handle_) - 1));
    handle_ = nullptr;
}

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ModuleFileOf(const void* address) {
    Dl_info info{};
    std::string file;
    if (::dladdr(address, &info) != 0 && info.dli_fname != nullptr && info.dli_fname[0] != '\0' &&
        std::strchr(info.dli_fname, '/') != nullptr) {
        file = info.dli_fname;
    } else {
        // The main program is reported by the name it was started with; the kernel knows its
        // real file.
        char buffer[4096];
        const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        if (n <= 0) return std::string();
        file.assign(buffer, static_cast<std::size_t>(n));
    }
    if (char* real = ::realpath(file.c_str(), nullptr)) {
        file = real;
        std::free(real);
    }
    return file;
}

bool StartProgram(const std::string& program, std::error_code& ec,
                  const std::vector<std::string>& arguments) {
    if (program.empty()) {
        ec = std::make_error_code(std::errc::no_such_file_or_directory);
        return false;
    }
    // An intermediate child starts the program and ends at once; the program is then adopted
    // by the system, which reaps it, so no zombie is left behind and nothing waits for it here.
    const pid_t middle = ::fork();
    if (middle < 0) {
        ec = LastError();
        return false;
    }
    if (middle == 0) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        pid_t child = 0;
        const int rc =
            ::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ);
        ::_exit(rc == 0 ? 0 : (rc & 0xFF ? rc & 0xFF : 255));
    }
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0) {
        if (errno != EINTR) {
            ec = LastError();
            return false;
        }
    }
    if (!WIFEXITED(status)) {
        ec = std::make_error_code(std::errc::interrupted);
        return false;
    }
    const int code = WEXITSTATUS(status);
    if (code != 0) {
        ec = std::error_code(code == 255 ? EIO : code, std::generic_category());
        return false;
    }
    ec.clear();
    return true;
}

#endif

std::string ModuleFolderOf(const void* address) {
    const std::string file = ModuleFileOf(address);
    return file.empty() ? std::string() : ParentFolder(file);
}

}  // namespace b3::platform
