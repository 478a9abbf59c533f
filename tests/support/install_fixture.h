// Test support: temporary folders, crafted record bytes and small installations on disk.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "b3/edit_object.h"
#include "b3/record_layout.h"
#include "platform/native_path.h"
#include "support/portable.h"

namespace b3test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::random_device rd;
        for (;;) {
            path_ = fs::temp_directory_path() /
                    ("b3test-" + std::to_string(rd()) + std::to_string(rd()));
            std::error_code ec;
            if (fs::create_directory(path_, ec)) break;
        }
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string str() const { return b3::platform::Utf8Path(path_); }
    std::string operator/(const std::string& name) const {
        return b3::platform::Utf8Path(path_ / b3::platform::FsPath(name));
    }

private:
    fs::path path_;
};

// Whether anything is at `path` (UTF-8, as the suite's paths are on every platform).
inline bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(b3::platform::FsPath(path), ec);
}

// Renames `from` to `to` where the two differ only in letter case, through a third name: a file
// system that ignores case may otherwise keep the old spelling.
inline void RenameCase(const std::string& from, const std::string& to) {
    const fs::path a = b3::platform::FsPath(from), b = b3::platform::FsPath(to);
    const fs::path between = a.parent_path() / "b3-renaming";
    fs::rename(a, between);
    fs::rename(between, b);
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(b3::platform::FsPath(path), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    fs::create_directories(b3::platform::FsPath(path).parent_path());
    std::ofstream out(b3::platform::FsPath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Every file name in a folder, sorted.
inline std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(b3::platform::FsPath(folder), ec))
        names.push_back(b3::platform::Utf8Path(e.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

// A record built byte by byte, little-endian, texts given as raw (Windows-1252) bytes.
class Bytes {
public:
    explicit Bytes(std::size_t size, char fill = '\0') : b_(size, fill) {}
    Bytes& u8(std::size_t at, unsigned v) {
        b_.at(at) = static_cast<char>(v);
        return *this;
    }
    Bytes& i16(std::size_t at, int v) {
        u8(at, static_cast<unsigned>(v) & 0xFF);
        return u8(at + 1, (static_cast<unsigned>(v) >> 8) & 0xFF);
    }
    Bytes& i32(std::size_t at, std::int64_t v) {
        for (std::size_t i = 0; i < 4; ++i) u8(at + i, static_cast<unsigned>(v >> (8 * i)) & 0xFF);
        return *this;
    }
    // Raw bytes at `at`; the rest of the field is left as it is.
    Bytes& raw(std::size_t at, const std::string& bytes) {
        for (std::size_t i = 0; i < bytes.size(); ++i) b_.at(at + i) = bytes[i];
        return *this;
    }
    // A text field: the bytes, then NULs to the width.
    Bytes& text(std::size_t at, std::size_t width, const std::string& bytes) {
        for (std::size_t i = 0; i < width; ++i) b_.at(at + i) = i < bytes.size() ? bytes[i] : '\0';
        return *this;
    }
    const std::string& str() const { return b_; }
    operator const std::string&() const { return b_; }

private:
    std::string b_;
};

// An installation on disk: the six folders, one object of each kind unless told otherwise, and
// the two picture templates.
class Installation {
public:
    // The installation's folder is `name` in a fresh temporary folder.
    explicit Installation(const std::string& name = "game") {
        root_ = dir_ / name;
        for (const char* f : {"Items", "Army", "Hero", "Sites", "Spell", "EDPICTS"}) {
            fs::create_directories(b3::platform::FsPath(root_) / b3::platform::FsPath(f));
        }
        WriteBytes(path("EDPICTS", "NEWARMY.PCX"), "army template");
        WriteBytes(path("EDPICTS", "NEWSITE.PCX"), "site template");
    }
    // Adds one minimal record of every kind.
    Installation& withOneOfEach() {
        write("Items", "RING.ITM", Bytes(204).text(0, 32, "Ring").str());
        write("Army", "KNIGHT.ARM", Bytes(252).text(0, 16, "Knight").str());
        write("Hero", "WIZARD.HER", Bytes(1380).text(0, 32, "Wizard").str());
        write("Sites", "TOWER.SIT", Bytes(46).text(0, 16, "Tower").str());
        write("Spell", "BOLT.SPL", Bytes(210).text(0, 16, "Bolt").str());
        return *this;
    }
    std::string path(const std::string& folder, const std::string& name) const {
        return b3::platform::Utf8Path(b3::platform::FsPath(root_) / b3::platform::FsPath(folder) /
                                      b3::platform::FsPath(name));
    }
    std::string folder(const std::string& folder) const {
        return b3::platform::Utf8Path(b3::platform::FsPath(root_) / b3::platform::FsPath(folder));
    }
    void write(const std::string& folder, const std::string& name, const std::string& bytes) const {
        WriteBytes(path(folder, name), bytes);
    }
    const std::string& root() const { return root_; }
    b3::CreateOptions options() const { return b3::CreateOptions{root_}; }
    std::unique_ptr<b3::_CEditObject> open() const {
        return b3::CreateObject(b3::CLSID_CEditObject, options());
    }
    const TempDir& temp() const { return dir_; }

private:
    TempDir dir_;
    std::string root_;
};

// Calls `f` and returns the b3::Error it throws (fails the test when it throws none).
template <typename F>
std::optional<b3::Error> Failure(F&& f) {
    try {
        f();
    } catch (const b3::Error& e) {
        return e;
    }
    return std::nullopt;
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        b3::testing::SetEnvironment(name, value);
    }
    ~ScopedEnv() { b3::testing::SetEnvironment(name_.c_str(), old_); }

private:
    std::string name_;
    std::optional<std::string> old_;
};

#ifdef _WIN32
// The game's value put aside for the life of the object, in this user's hive and in both views
// of the machine-wide key, and put back as it was at the end; in between the lookup finds
// nothing unless the test stores a value.
class IsolatedRegistry {
public:
    IsolatedRegistry() {
        for (Place& p : places_) {
            HKEY key = nullptr;
            if (::RegOpenKeyExW(p.root, Key().c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE | p.view,
                                &key) != ERROR_SUCCESS)
                continue;
            DWORD type = 0, size = 0;
            if (::RegQueryValueExW(key, Name().c_str(), nullptr, &type, nullptr, &size) ==
                ERROR_SUCCESS) {
                p.bytes.resize(size);
                if (::RegQueryValueExW(key, Name().c_str(), nullptr, &type, p.bytes.data(),
                                       &size) == ERROR_SUCCESS) {
                    p.bytes.resize(size);
                    p.type = type;
                    p.saved = true;
                    ::RegDeleteValueW(key, Name().c_str());
                }
            }
            ::RegCloseKey(key);
        }
    }
    ~IsolatedRegistry() {
        for (const Place& p : places_) {
            HKEY key = nullptr;
            if (p.saved) {
                if (::RegCreateKeyExW(p.root, Key().c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_SET_VALUE | p.view, nullptr, &key,
                                      nullptr) != ERROR_SUCCESS)
                    continue;
                ::RegSetValueExW(key, Name().c_str(), 0, p.type, p.bytes.data(),
                                 static_cast<DWORD>(p.bytes.size()));
            } else {
                if (::RegOpenKeyExW(p.root, Key().c_str(), 0, KEY_SET_VALUE | p.view, &key) !=
                    ERROR_SUCCESS)
                    continue;
                ::RegDeleteValueW(key, Name().c_str());
            }
            ::RegCloseKey(key);
        }
    }
    IsolatedRegistry(const IsolatedRegistry&) = delete;
    IsolatedRegistry& operator=(const IsolatedRegistry&) = delete;

private:
    struct Place {
        Place(HKEY r, REGSAM v) : root(r), view(v) {}
        HKEY root;
        REGSAM view;
        bool saved = false;
        DWORD type = 0;
        std::vector<BYTE> bytes;
    };
    static std::wstring Key() { return b3::platform::WideFromUtf8(b3::kInstallKey); }
    static std::wstring Name() { return b3::platform::WideFromUtf8(b3::kInstallValue); }
    Place places_[3] = {Place(HKEY_CURRENT_USER, 0), Place(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY),
                        Place(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY)};
};
#else
// An empty environment for the registry lookup: no registry file, an empty Wine prefix.
class IsolatedRegistry {
public:
    IsolatedRegistry()
        : file_("B3_REGISTRY", dir_ / "registry.reg"), wine_("WINEPREFIX", dir_ / "wine") {}
    std::string file() const { return dir_ / "registry.reg"; }
    // Registers `folder` in the registry file.
    void registerFolder(const std::string& folder) const {
        std::string escaped;
        for (char c : folder) {
            if (c == '\\' || c == '"') escaped += '\\';
            escaped += c;
        }
        WriteBytes(file(),
                   "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Slate Crown Entertainment\\"
                   "Banerule III: Gloamkings Tide\\1.0]\r\n\"$Install_ToDirectory$\"=\"" +
                       escaped + "\"\r\n");
    }

private:
    TempDir dir_;
    ScopedEnv file_;
    ScopedEnv wine_;
};
#endif

}  // namespace b3test
