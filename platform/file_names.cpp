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

std::optional<std::string> WindowsFileNameProblem(std::string_view name) {
    if (name.empty()) return std::string("the name is empty");
    if (name.front() == '.') return std::string("the name starts with a dot");
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7F) return std::string("the name holds a control character");
        if (std::string_view("/\\<>:\"|?*").find(static_cast<char>(c)) != std::string_view::npos)
            return "the name holds the character '" + std::string(1, name[i]) + "'";
    }
    if (name.back() == '.' || name.back() == ' ')
        return std::string("the name ends in a dot or a blank");
    if (!IsValidUtf8(name)) return std::string("the name is not UTF-8");
    if (!EncodeCp1252(name)) {
        return "the character '" + FirstForeignCharacter(name) +
               "' cannot be stored in the game's files";
    }
    // U+0080..U+009F, the C1 control characters, are C2 80..C2 9F in UTF-8.
    for (std::size_t i = 0; i + 1 < name.size(); ++i)
        if (static_cast<unsigned char>(name[i]) == 0xC2 &&
            static_cast<unsigned char>(name[i + 1]) <= 0x9F)
            return std::string("the name holds a control character");
    if (IsReservedDeviceName(name)) {
        // Appended rather than prepended: MinGW's GCC 12 takes a prepended literal for an
        // overlapping copy (-Wrestrict) at -O3.
        std::string problem = "\"";
        problem.append(name).append("\" is a reserved device name");
        return problem;
    }
    return std::nullopt;
}

bool IsWindowsFileName(std::string_view name) {
    return !WindowsFileNameProblem(name);
}

std::string FileNameText(std::string_view raw) {
    return IsValidUtf8(raw) ? std::string(raw) : DecodeCp1252(raw);
}

}  // namespace b3::platform
