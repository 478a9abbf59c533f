// The field codec shared by the file channel, the loaders and the writers.
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "platform/file_names.h"
#include "platform/files.h"
#include "platform/native_path.h"
#include "platform/text1252.h"
#include "server_internal.h"

namespace b3::detail {

Error PlatformError(std::int32_t number, std::string source) {
    return Error(number, std::move(source), DescribeError(number));
}

std::int32_t FileErrorNumber(const std::error_code& ec, bool pathMissing) {
    if (ec == std::errc::no_such_file_or_directory) {
        return pathMissing ? kErrPathNotFound : kErrFileNotFound;
    }
    if (ec == std::errc::not_a_directory) return kErrPathNotFound;
    if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted ||
        ec == std::errc::read_only_file_system) {
        return kErrPermissionDenied;
    }
    if (ec == std::errc::no_space_on_device || ec == std::errc::file_too_large) return kErrDiskFull;
    if (ec == std::errc::io_error) return kErrDeviceIo;
    if (ec == std::errc::too_many_files_open || ec == std::errc::too_many_files_open_in_system) {
        return 67;
    }
    return kErrPathFileAccess;
}

Error FileError(const std::error_code& ec, std::string source, const std::string& path) {
    bool pathMissing = false;
    if (ec == std::errc::no_such_file_or_directory && !path.empty()) {
        // A missing folder is "path not found"; a missing file in an existing folder is "file not
        // found".
        const auto slash = path.find_last_of("/\\");
        if (slash != std::string::npos) {
            std::error_code ignored;
            pathMissing =
                !std::filesystem::is_directory(platform::FsPath(path.substr(0, slash)), ignored);
        }
    }
    const std::int32_t number = FileErrorNumber(ec, pathMissing);
    std::string description = DescribeError(number);
    // A refusal names the file, so that the user knows which one to fix.
    if (!path.empty() && (number == kErrPermissionDenied || number == kErrPathFileAccess)) {
        description += ec == std::errc::not_supported ? ": not an ordinary file: "
                       : ec == std::errc::operation_not_permitted
                           ? ": a link that points out of its folder: "
                           : ": ";
        description += path;
        // A file another program kept open says so, and what to do about it.
        if (platform::IsFileHeldError(ec)) description += ": " + ec.message();
    }
    return Error(number, std::move(source), std::move(description));
}

Cell DecodeField(std::string_view bytes, int widthCode) {
    const auto u = [&](std::size_t i) {
        return i < bytes.size() ? static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]))
                                : 0u;
    };
    switch (widthCode) {
        case kWidthByte:
            return Cell::byte(static_cast<std::uint8_t>(u(0)));
        case kWidthInteger:
            return Cell::integer(static_cast<std::int16_t>(u(0) | (u(1) << 8)));
        case kWidthLong:
            return Cell::long_(
                static_cast<std::int32_t>(u(0) | (u(1) << 8) | (u(2) << 16) | (u(3) << 24)));
        case kWidthText:
            return Cell::text(platform::DecodeCp1252(bytes));
        default:
            return Cell();
    }
}

namespace {

// A number written as text: optional blanks, sign, digits, an optional fraction (rounded half to
// even, as the platform's conversions do). Nothing else.
std::optional<std::int64_t> ParseNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    std::string_view body = text;
    if (body.front() == '+' || body.front() == '-') body.remove_prefix(1);
    if (body.empty() || body.front() == '+' || body.front() == '-') return std::nullopt;
    bool digits = false;
    bool point = false;
    for (char ch : body) {
        if (ch >= '0' && ch <= '9') {
            digits = true;
        } else if (ch == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    std::string owned(text.front() == '+' ? text.substr(1) : text);
    double value = 0;
    auto [end, ec] = std::from_chars(owned.data(), owned.data() + owned.size(), value);
    if (ec != std::errc() || end != owned.data() + owned.size()) return std::nullopt;
    if (!std::isfinite(value) || std::fabs(value) > 9.0e15) return std::int64_t{1} << 62;
    return static_cast<std::int64_t>(std::nearbyint(value));  // default rounding: half to even
}

}  // namespace

std::string EncodeField(const Cell& value, int widthCode, const std::string& source) {
    if (widthCode == kWidthText) {
        const std::string text = value.toString();
        auto encoded = platform::EncodeCp1252(text);
        if (!encoded) throw PlatformError(kErrTypeMismatch, source);
        return *encoded;
    }
    std::int64_t n = 0;
    if (value.isNumber()) {
        n = value.number();
    } else if (value.isText()) {
        auto parsed = ParseNumber(value.str());
        if (!parsed) throw PlatformError(kErrTypeMismatch, source);
        n = *parsed;
    }
    std::string out;
    switch (widthCode) {
        case kWidthByte:
            if (n < 0 || n > 255) throw PlatformError(kErrOverflow, source);
            out.push_back(static_cast<char>(n));
            break;
        case kWidthInteger:
            if (n < INT16_MIN || n > INT16_MAX) throw PlatformError(kErrOverflow, source);
            out.push_back(static_cast<char>(n & 0xFF));
            out.push_back(static_cast<char>((n >> 8) & 0xFF));
            break;
        case kWidthLong:
            if (n < INT32_MIN || n > INT32_MAX) throw PlatformError(kErrOverflow, source);
            for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
            break;
        default:
            break;
    }
    return out;
}

std::string TrimNulls(std::string_view text) {
    const auto nul = text.find('\0');
    return std::string(nul == std::string_view::npos ? text : text.substr(0, nul));
}

std::string UpperName(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 'a' && c <= 'z') {
            out.push_back(static_cast<char>(c - 32));
        } else if (c == 0xC3 && i + 1 < utf8.size()) {
            // U+00E0..U+00FE (but U+00F7, the division sign) upper-case to U+00C0..U+00DE;
            // U+00FF to U+0178.
            const auto d = static_cast<unsigned char>(utf8[i + 1]);
            if (d == 0xBF) {
                out += "\xC5\xB8";
            } else {
                out.push_back(static_cast<char>(c));
                const bool lower = d >= 0xA0 && d <= 0xBE && d != 0xB7;
                out.push_back(static_cast<char>(lower ? d - 0x20 : d));
            }
            ++i;
        } else if (c == 0xC5 && i + 1 < utf8.size()) {
            // The other letter pairs of Windows-1252: U+0153 to U+0152, U+0161 to U+0160,
            // U+017E to U+017D.
            const auto d = static_cast<unsigned char>(utf8[i + 1]);
            out.push_back(static_cast<char>(c));
            out.push_back(static_cast<char>(d == 0x93 || d == 0xA1 || d == 0xBE ? d - 1 : d));
            ++i;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

bool IsSafeShortName(std::string_view name) {
    return platform::IsWindowsFileName(name);
}

}  // namespace b3::detail
