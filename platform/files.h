// File-system services that stand in for the Windows ones: wildcard enumeration, case-insensitive
// folder lookup, path joining, safe replacement of a file, and the folder of our own module.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace b3::platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Joins a folder and a name with exactly one separator between them, as given: nothing is
// added or removed otherwise (a folder ending in a separator gets a second one).
inline std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    out += kPathSeparator;
    out += name;
    return out;
}

// Case-insensitive wildcard match of a file name: `*` any run, `?` any one character.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// The names (no folder) of the ordinary files in `folder` that match `pattern`
// case-insensitively: no folders, no hidden files (on POSIX a name starting with a dot).
// The order is stable: names sorted case-insensitively, as the Windows file system lists them.
// A folder that cannot be read sets `ec` and returns nothing.
std::vector<std::string> ListFiles(const std::string& folder, std::string_view pattern,
                                   std::error_code& ec);

// The entry of `folder` whose name equals `name` ignoring case, preferring an exact match;
// returns `name` itself when none exists (so the caller's later access fails naturally).
std::string FindEntryIgnoreCase(const std::string& folder, std::string_view name);

// Reads a whole file (at most `limit` bytes when limit is not zero).
bool ReadFileBytes(const std::string& path, std::string& out, std::error_code& ec,
                   std::size_t limit = 0);

// Faults a write meets on the disk, such as a full disk. The programs write with none; tests pass
// one that fails, to see that a failing write leaves the old file.
class WriteFaults {
public:
    virtual ~WriteFaults() = default;
    // How many of a write's `size` bytes reach the temporary file before the write fails with
    // no_space_on_device, as a full disk would; nothing for a write that goes through.
    virtual std::optional<std::size_t> FailAfter(std::size_t /*size*/) const { return {}; }
    // A change of several files has written its journal (`done` 0) or its first `done` files; a
    // test stops the process here, as a power cut would.
    virtual void StepDone(std::size_t /*done*/) const {}
};

// What ReplaceFileContents does with what it finds at the target.
struct ReplaceOptions {
    // A symbolic link is written through when its target lies in the link's own folder and
    // refused otherwise (operation_not_permitted); with this set, wherever its target lies.
    bool followLinksAnywhere = false;
    // A character device (a terminal, /dev/null) is written in place instead of refused. Other
    // special files (pipes, sockets, block devices) are always refused (not_supported).
    bool writeCharacterDevices = false;
    // The existing file's bytes past `bytes.size()` are kept: copied through a small buffer,
    // holes of a sparse file staying holes.
    bool keepTail = false;
    // The faults the write meets; none when null.
    const WriteFaults* faults = nullptr;
};

// Replaces (or creates) `path` with `bytes`: writes a temporary file in the same folder, flushes
// it to disk, gives it the target's permissions, owner and group (or the usual ones for a new
// file), then renames it over the target. On failure the target is as it was and the temporary
// file is gone. A target without write permission (mode 444, say) is refused with
// permission_denied even for the superuser. Where no temporary file can be made (a read-only
// folder) or the owner cannot be kept, a writable target is written in place instead; every
// check has passed by then. Temporary files of writes that were killed are removed by the next
// write to their folder (only when they are old and no writer holds them). On Windows the
// temporary file is hidden and the replacement (ReplaceFileW) keeps the target's attributes,
// security descriptor and other streams; a target with the read-only attribute is refused, and
// one that another program holds open without sharing is tried again for a few seconds, then
// fails (IsFileHeldError) with nothing changed.
bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::error_code& ec,
                         const ReplaceOptions& options = {});

// Whether `name` is a temporary file of ReplaceFileContents.
bool IsReplacementTemporary(std::string_view name);

// The name of a new temporary file for `fileName` (no folder): ".NAME.b3tmp-HOST-PID-RANDOM",
// the machine's name, the process id and 64 random bits, which no other process or machine makes.
std::string NewReplacementTemporaryName(std::string_view fileName);

// Whether ReplaceFileContents failed because another program kept the file open for longer than
// it waits. Such an error compares equal to std::errc::permission_denied.
bool IsFileHeldError(const std::error_code& ec);

// Copies `source` over `destination` through ReplaceFileContents.
bool CopyFileReplacing(const std::string& source, const std::string& destination,
                       std::error_code& ec, const ReplaceOptions& options = {});

// An exclusive lock that other processes (and other threads holding their own FileLock) wait
// for: flock on POSIX, LockFileEx on Windows, on the file `path`, which is created when missing
// and never removed (removing it would let two processes lock two different files). The lock
// goes when the object is destroyed or the process ends.
class FileLock {
public:
    FileLock() = default;
    ~FileLock() { Release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Waits until the lock is held. False with `ec` set when the file cannot be opened.
    bool Acquire(const std::string& path, std::error_code& ec);
    void Release();
    bool held() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;  // a HANDLE, or the file descriptor + 1
};

// Whether `path` exists as an ordinary file / as a folder.
bool IsRegularFile(const std::string& path);
bool IsDirectory(const std::string& path);

// The file of the module (shared library or program) containing `address`, and its folder; empty
// when it cannot be told.
std::string ModuleFileOf(const void* address);
std::string ModuleFolderOf(const void* address);

// Starts a program with `arguments` (none by default) and does not wait for it. On Windows the
// command line quotes each argument so that the program's own parsing gives it back unchanged.
bool StartProgram(const std::string& program, std::error_code& ec,
                  const std::vector<std::string>& arguments = {});

}  // namespace b3::platform
