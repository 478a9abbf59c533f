// A fresh temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "platform/native_path.h"
#include "support/portable.h"

namespace b3::platform::testing {

class TempFolder {
public:
    TempFolder() { path_ = b3::platform::Utf8Path(b3::testing::MakeTempFolder("b3platform")); }
    ~TempFolder() {
        std::error_code ec;
        // Make everything removable again (tests may leave read-only folders behind).
        const auto root = b3::platform::FsPath(path_);
        for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec) && !it->is_symlink(ec)) {
                std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ec);
            }
        }
        std::filesystem::remove_all(root, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};

inline void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(b3::platform::FsPath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Every name in a folder, hidden ones included, in sorted order.
inline std::vector<std::string> AllNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(b3::platform::FsPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace b3::platform::testing
