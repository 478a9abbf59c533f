// The guard every test program has: the tests never touch the user's own folders. Before the
// first test it checks that the folders the programs would keep their history and settings in
// lie outside the user's own (ctest gives each test folders of its own under the build folder);
// after the last test, that our folders in the user's home are as they were. Either fault ends
// the program with a message that names the folder.
//
// Under Wine the profile's folders come from the prefix whatever the Unix environment says: a
// Windows test program takes its LOCALAPPDATA from B3_TEST_LOCALAPPDATA, put in place before
// anything reads it; the programs it starts inherit it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/native_path.h"

#ifdef _WIN32
#include <shlobj.h>
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

[[noreturn]] void Stop(const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "\nThe tests' guard of the user's folders: %s\n", message.c_str());
    std::fflush(stderr);
    std::_Exit(1);
}

// The path as UTF-8 text, for a message.
std::string Text(const fs::path& path) {
    return b3::platform::Utf8Path(path);
}

// Where the programs would keep their history (below this folder), as the server finds it.
fs::path HistoryFolder() {
    return b3::platform::FsPath(b3::platform::UserDataFolder());
}

#ifdef _WIN32

// The user's own: the profile's local application data, whatever the environment says.
std::vector<fs::path> UserFolders() {
    std::vector<fs::path> folders;
    PWSTR path = nullptr;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path)))
        folders.emplace_back(path);
    ::CoTaskMemFree(path);
    return folders;
}

// Our folders there are not compared before and after: under Wine the scripted tests share the
// build's prefix, whose profile is theirs.
std::vector<fs::path> OurUserFolders() {
    return {};
}

[[maybe_unused]] const bool kLocalAppData = [] {
    // Once: a test program that starts itself hands on the LOCALAPPDATA its test chose.
    if (const auto text = b3::platform::EnvironmentText("B3_TEST_LOCALAPPDATA")) {
        const std::wstring value = b3::platform::WideFromUtf8(*text);
        ::_wputenv_s(L"LOCALAPPDATA", value.c_str());
        ::_wputenv_s(L"B3_TEST_LOCALAPPDATA", L"");
        ::SetEnvironmentVariableW(L"LOCALAPPDATA", value.c_str());
        ::SetEnvironmentVariableW(L"B3_TEST_LOCALAPPDATA", nullptr);
    }
    return true;
}();

#else

// The user's home as the system knows it: $HOME may be a test's own.
fs::path RealHome() {
    const passwd* pw = ::getpwuid(::getuid());
    if (!pw || !pw->pw_dir || !*pw->pw_dir) Stop("the user's home folder is not known");
    return fs::path(pw->pw_dir);
}

std::vector<fs::path> UserFolders() {
    return {RealHome() / ".local" / "share"};
}

// What the programs keep in the user's home: the history and the registry file.
std::vector<fs::path> OurUserFolders() {
    return {RealHome() / ".local" / "share" / "b3tools", RealHome() / ".config" / "b3tools"};
}

#endif

// The path made absolute, with links resolved as far as it exists (and, on Windows, in one
// letter case with one kind of separator).
fs::path Plain(const fs::path& path) {
    std::error_code ec;
    fs::path full = fs::weakly_canonical(fs::absolute(path, ec), ec);
    if (ec) full = fs::absolute(path, ec).lexically_normal();
#ifdef _WIN32
    std::wstring text = full.native();
    for (wchar_t& c : text) c = c == L'/' ? L'\\' : static_cast<wchar_t>(std::towlower(c));
    full = fs::path(text);
#endif
    return full;
}

bool Inside(const fs::path& path, const fs::path& folder) {
    const fs::path p = Plain(path), f = Plain(folder);
    auto a = p.begin();
    for (const fs::path& part : f) {
        if (part.empty()) continue;  // a separator at the end
        if (a == p.end() || *a != part) return false;
        ++a;
    }
    return true;
}

// Every file and folder under the folder, with its size and time.
std::map<fs::path, std::string> Snapshot(const fs::path& folder) {
    std::map<fs::path, std::string> seen;
    std::error_code ec;
    if (!fs::exists(folder, ec)) return seen;
    seen[folder] = "present";
    for (fs::recursive_directory_iterator
             it(folder, fs::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end; it.increment(ec)) {
        std::error_code e;
        const auto time = fs::last_write_time(it->path(), e).time_since_epoch().count();
        const auto size = it->is_regular_file(e) ? fs::file_size(it->path(), e) : 0;
        seen[it->path()] = std::to_string(size) + " " + std::to_string(time);
    }
    return seen;
}

class HomeGuard : public ::testing::Environment {
public:
    void SetUp() override {
        CheckDataFolder("before the tests");
        for (const fs::path& folder : OurUserFolders()) before_[folder] = Snapshot(folder);
    }
    void TearDown() override {
        CheckDataFolder("after the tests");
        for (const fs::path& folder : OurUserFolders()) {
            const auto now = Snapshot(folder);
            const auto& then = before_[folder];
            if (now == then) continue;
            // The first path that differs: new, changed or gone.
            fs::path changed = folder;
            for (const auto& [path, state] : now) {
                const auto it = then.find(path);
                if (it == then.end() || it->second != state) {
                    changed = path;
                    break;
                }
            }
            if (changed == folder) {
                for (const auto& [path, state] : then)
                    if (!now.count(path)) {
                        changed = path;
                        break;
                    }
            }
            Stop("a test changed " + Text(changed) + " in " + Text(folder) +
                 ", which is the user's own. Tests keep their history and settings in folders of "
                 "their own.");
        }
    }

private:
    static void CheckDataFolder(const char* when) {
        const fs::path history = HistoryFolder();
        for (const fs::path& own : UserFolders()) {
            if (Inside(history, own))
                Stop(std::string(when) + ", the programs would keep their history below " +
                     Text(history) + ", inside the user's own " + Text(own) +
                     ". Run the tests through ctest, which gives each test folders of its own, "
                     "or set XDG_DATA_HOME and HOME (on Windows LOCALAPPDATA, under Wine "
                     "B3_TEST_LOCALAPPDATA) to a folder of the run's own.");
        }
    }

    std::map<fs::path, std::map<fs::path, std::string>> before_;
};

[[maybe_unused]] ::testing::Environment* const kGuard =
    ::testing::AddGlobalTestEnvironment(new HomeGuard);

}  // namespace
