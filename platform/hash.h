// FNV-1a, 64 bits: the checksum of kept versions, journals and patches (not for security: it only
// tells a damaged or changed file from the one recorded).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace b3::platform {

inline constexpr std::uint64_t kFnv1aStart = 1469598103934665603ull;

// The hash of `bytes`, continuing from `h` (so that several pieces hash as one).
inline std::uint64_t Fnv1a(std::string_view bytes, std::uint64_t h = kFnv1aStart) {
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

// Sixteen lower-case hexadecimal digits.
inline std::string Hex16(std::uint64_t v) {
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(v));
    return buffer;
}

inline std::string Fnv1aHex(std::string_view bytes) {
    return Hex16(Fnv1a(bytes));
}

}  // namespace b3::platform
