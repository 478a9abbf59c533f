#include "platform/text1252.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace b3::platform {
namespace {

// The characters of bytes 0x80 to 0x9F. The five bytes the code page leaves undefined keep the
// C1 control character of their own number so that every byte survives a round trip.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// UTF-8 of every byte's character, at most three bytes each, with its length.
struct EncodedByte {
    char bytes[3];
    std::uint8_t length;
};

constexpr std::array<EncodedByte, 256> MakeDecodeTable() {
    std::array<EncodedByte, 256> table{};
    for (std::size_t b = 0; b < 256; ++b) {
        auto cp = static_cast<char32_t>(b);
        if (b >= 0x80 && b <= 0x9F) cp = kHighControls[b - 0x80];
        EncodedByte e{};
        if (cp < 0x80) {
            e.bytes[0] = static_cast<char>(cp);
            e.length = 1;
        } else if (cp < 0x800) {
            e.bytes[0] = static_cast<char>(0xC0 | (cp >> 6));
            e.bytes[1] = static_cast<char>(0x80 | (cp & 0x3F));
            e.length = 2;
        } else {
            e.bytes[0] = static_cast<char>(0xE0 | (cp >> 12));
            e.bytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            e.bytes[2] = static_cast<char>(0x80 | (cp & 0x3F));
            e.length = 3;
        }
        table[b] = e;
    }
    return table;
}

constexpr std::array<EncodedByte, 256> kDecodeTable = MakeDecodeTable();

// Decodes one UTF-8 sequence at `pos`. Returns its length and sets `cp`, or returns 0 for a
// malformed sequence (bad lead byte, truncated, overlong, surrogate, beyond U+10FFFF).
std::size_t DecodeUtf8At(std::string_view s, std::size_t pos, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[pos]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    std::size_t len;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (s.size() - pos < len) return 0;
    for (std::size_t i = 1; i < len; ++i) {
        const auto b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

// The Windows-1252 byte of a code point, or -1 when the code page has none.
int CodePointToByte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (std::size_t i = 0; i < 32; ++i) {
        if (kHighControls[i] == cp) return 0x80 + static_cast<int>(i);
    }
    return -1;
}

bool IsAsciiWord(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return (w & 0x8080808080808080ULL) == 0;
}

}  // namespace

std::string DecodeCp1252(std::string_view bytes) {
    std::string out;
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    // Plain ASCII text (the bulk of the game's names) is copied in whole runs.
    while (i + 8 <= n && IsAsciiWord(bytes.data() + i)) i += 8;
    while (i < n && static_cast<unsigned char>(bytes[i]) < 0x80) ++i;
    if (i == n) return std::string(bytes);

    out.reserve(n + n / 2 + 8);
    out.append(bytes.data(), i);
    while (i < n) {
        std::size_t run = i;
        while (run + 8 <= n && IsAsciiWord(bytes.data() + run)) run += 8;
        while (run < n && static_cast<unsigned char>(bytes[run]) < 0x80) ++run;
        if (run > i) {
            out.append(bytes.data() + i, run - i);
            i = run;
            if (i == n) break;
        }
        const EncodedByte& e = kDecodeTable[static_cast<unsigned char>(bytes[i])];
        out.append(e.bytes, e.length);
        ++i;
    }
    return out;
}

std::optional<std::string> EncodeCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    const std::size_t n = utf8.size();
    while (i < n) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t len = DecodeUtf8At(utf8, i, cp);
        if (len == 0) return std::nullopt;
        const int byte = CodePointToByte(cp);
        if (byte < 0) return std::nullopt;
        out.push_back(static_cast<char>(byte));
        i += len;
    }
    return out;
}

std::string FirstForeignCharacter(std::string_view utf8) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const std::string_view ch = utf8.substr(i, length);
        if (!EncodeCp1252(ch)) return std::string(ch);
        i += length;
    }
    return {};
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t len = DecodeUtf8At(text, i, cp);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

bool AppendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
    return true;
}

std::size_t Utf8Length(std::string_view utf8) {
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        const std::size_t len = DecodeUtf8At(utf8, i, cp);
        i += len == 0 ? 1 : len;
        ++count;
    }
    return count;
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

}  // namespace b3::platform
