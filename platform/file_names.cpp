#include "platform/file_names.h"

#include <array>

#include "platform/text1252.h"

namespace b3::platform {

namespace {

bool IsReservedDeviceName(std::string_view name) {
    // The device names stay reserved with any extension and with trailing blanks before it.
    const auto dot = name.find('.');
    std::string stem = AsciiUpper(name.substr(0, dot));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
    for (std::string_view reserved : kPlain)
        if (stem == reserved) return true;
    return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
           stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

bool IsWindowsFileName(std::string_view name) {
    if (name.empty() || name.front() == '.') return false;
    if (name.back() == '.' || name.back() == ' ') return false;
    if (!IsValidUtf8(name)) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7F) return false;
        // U+0080..U+009F, the C1 control characters, are C2 80..C2 9F in UTF-8.
        if (c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) <= 0x9F)
            return false;
        if (std::string_view("/\\<>:\"|?*").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
    }
    if (!EncodeCp1252(name)) return false;
    return !IsReservedDeviceName(name);
}

std::string FileNameText(std::string_view raw) {
    return IsValidUtf8(raw) ? std::string(raw) : DecodeCp1252(raw);
}

}  // namespace b3::platform
