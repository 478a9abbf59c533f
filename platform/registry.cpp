#include "platform/registry.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/native_path.h"
#include "platform/text1252.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace b3::platform {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Errors of the registry file store that the system's own codes do not describe.

enum class StoreError {
    kNotRegistryFile = 1,
    kUnsupportedEncoding,
    kUnrepresentable,
    kTooLarge,
    kValueTooLong,
};

class StoreErrorCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "b3 registry file"; }
    std::string message(int code) const override {
        switch (static_cast<StoreError>(code)) {
            case StoreError::kNotRegistryFile:
                return "the file exists but is not a registry file (it does not start with "
                       "REGEDIT4 or Windows Registry Editor Version 5.00); it was left as it is";
            case StoreError::kUnsupportedEncoding:
                return "the registry file is in UTF-16 and cannot be changed in place; it was "
                       "left as it is";
            case StoreError::kUnrepresentable:
                return "the key, value name or value holds a line break, a NUL or invalid UTF-8 "
                       "and cannot be written to a registry file";
            case StoreError::kTooLarge:
                return "the registry file is larger than 256 MiB and is not rewritten; it was "
                       "left as it is";
            case StoreError::kValueTooLong:
                return "the value needs 255 bytes or more, and the game reads at most 254; "
                       "choose a shorter folder";
        }
        return "registry file error";
    }
};

std::error_code MakeError(StoreError e) {
    static const StoreErrorCategory category;
    return std::error_code(static_cast<int>(e), category);
}

// The largest registry text read: far beyond any real system.reg, small enough to stay safe.
constexpr std::size_t kMaxRegistryFileBytes = 256u * 1024u * 1024u;

constexpr std::string_view kMachineRoot = "HKEY_LOCAL_MACHINE\\";
constexpr std::string_view kMachineRootShort = "HKLM\\";
constexpr std::string_view kSoftwarePrefix = "SOFTWARE\\";

// ---------------------------------------------------------------------------------------------
// Small text helpers.

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool StartsWithIgnoreCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string TrimNulls(std::string s) {
    s.erase(std::find(s.begin(), s.end(), '\0'), s.end());
    return s;
}

// UTF-16LE text (a .reg file exported by a newer registry editor) as UTF-8.
std::string Utf16LeToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() / 2);
    const std::size_t units = bytes.size() / 2;
    auto unitAt = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    };
    for (std::size_t i = 0; i < units; ++i) {
        char32_t u = unitAt(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const char32_t low = unitAt(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (!AppendUtf8(out, u)) AppendUtf8(out, 0xFFFD);
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Lines and escapes.

struct PhysicalLine {
    std::size_t begin;       // first byte of the line
    std::size_t contentEnd;  // end of its text, before CR LF / LF
    std::size_t end;         // after its line break (== contentEnd on the last line without one)
};

std::vector<PhysicalLine> SplitLines(std::string_view text) {
    std::vector<PhysicalLine> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t nl = text.find('\n', pos);
        PhysicalLine line{};
        line.begin = pos;
        if (nl == std::string_view::npos) {
            line.contentEnd = text.size();
            line.end = text.size();
        } else {
            line.contentEnd = nl;
            line.end = nl + 1;
        }
        if (nl != std::string_view::npos && line.contentEnd > line.begin &&
            text[line.contentEnd - 1] == '\r') {
            --line.contentEnd;
        }
        lines.push_back(line);
        pos = line.end;
    }
    return lines;
}

enum class Unescaped { kOk, kUnreadable, kUnterminated };

// Reads Wine's escaped text from s[pos] up to the unescaped `terminator`, leaving `pos` after
// it: \\ \" \n \r \t \a \b \e \f \v, octal \0 to \777, \x with 1 to 4 hex digits (one UTF-16
// code unit; a surrogate pair written as two escapes is joined); any other escaped character
// stands for itself. Text that cannot form valid UTF-8 is unreadable.
Unescaped UnescapeWine(std::string_view s, std::size_t& pos, char terminator, std::string& out) {
    out.clear();
    bool readable = true;
    char32_t pendingHigh = 0;  // a high surrogate waiting for its low half
    auto flushPending = [&]() {
        if (pendingHigh != 0) {
            readable = false;
            pendingHigh = 0;
        }
    };
    while (pos < s.size()) {
        const char c = s[pos];
        if (c == terminator) {
            ++pos;
            flushPending();
            if (readable && !IsValidUtf8(out)) readable = false;
            return readable ? Unescaped::kOk : Unescaped::kUnreadable;
        }
        if (c != '\\') {
            flushPending();
            out.push_back(c);
            ++pos;
            continue;
        }
        if (pos + 1 >= s.size()) {
            ++pos;
            break;
        }
        const char e = s[pos + 1];
        pos += 2;
        if (e == 'x') {
            char32_t unit = 0;
            int digits = 0;
            while (digits < 4 && pos < s.size() && HexDigit(s[pos]) >= 0) {
                unit = unit * 16 + static_cast<char32_t>(HexDigit(s[pos]));
                ++pos;
                ++digits;
            }
            if (digits == 0) {
                flushPending();
                out.push_back('x');
                continue;
            }
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                flushPending();
                pendingHigh = unit;
                continue;
            }
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                if (pendingHigh == 0) {
                    readable = false;
                    continue;
                }
                AppendUtf8(out, 0x10000 + ((pendingHigh - 0xD800) << 10) + (unit - 0xDC00));
                pendingHigh = 0;
                continue;
            }
            flushPending();
            AppendUtf8(out, unit);
            continue;
        }
        flushPending();
        if (e >= '0' && e <= '7') {
            char32_t value = static_cast<char32_t>(e - '0');
            for (int digits = 1; digits < 3 && pos < s.size() && s[pos] >= '0' && s[pos] <= '7';
                 ++digits) {
                value = value * 8 + static_cast<char32_t>(s[pos] - '0');
                ++pos;
            }
            AppendUtf8(out, value);
            continue;
        }
        switch (e) {
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'a':
                out.push_back('\a');
                break;
            case 'b':
                out.push_back('\b');
                break;
            case 'e':
                out.push_back('\x1b');
                break;
            case 'f':
                out.push_back('\f');
                break;
            case 'v':
                out.push_back('\v');
                break;
            default:
                out.push_back(e);
                break;
        }
    }
    return Unescaped::kUnterminated;
}

// Reads a REGEDIT quoted text from s[pos] (just after the opening quote) to the closing quote:
// only \\ and \" are escapes; any other backslash is kept as written. The text is UTF-8 when it
// is valid UTF-8, else the Windows code page a registry editor writes.
Unescaped UnescapeRegedit(std::string_view s, std::size_t& pos, std::string& out) {
    out.clear();
    while (pos < s.size()) {
        const char c = s[pos];
        if (c == '"') {
            ++pos;
            if (!IsValidUtf8(out)) out = DecodeCp1252(out);
            return Unescaped::kOk;
        }
        if (c == '\\' && pos + 1 < s.size() && (s[pos + 1] == '\\' || s[pos + 1] == '"')) {
            out.push_back(s[pos + 1]);
            pos += 2;
            continue;
        }
        out.push_back(c);
        ++pos;
    }
    return Unescaped::kUnterminated;
}

std::string EscapeRegedit(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 8);
    for (const char c : s) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// The scanner: the text as a sequence of entries, each spanning one or more physical lines.

enum class EntryKind {
    kOther,     // header, comment, blank or unreadable line
    kArch,      // Wine's #arch= line
    kKey,       // a key line that opens a section
    kNoKey,     // a key line that cannot be read, or one that deletes a key: no section
    kValue,     // a value line that was read
    kBadValue,  // a value line whose name was read but not its data
};

struct Entry {
    EntryKind kind = EntryKind::kOther;
    std::size_t firstLine = 0;
    std::size_t lastLine = 0;
    std::string text;  // the key path, or the #arch= word
    RegistryValue value;
};

struct Scan {
    bool isWine = false;
    std::vector<PhysicalLine> lines;
    std::vector<Entry> entries;
};

bool EndsWithContinuation(std::string_view line) {
    line = TrimBlanks(line);
    return !line.empty() && line.back() == '\\';
}

// The text of a registry editor's hex(2): data (UTF-16LE bytes as "41,00,42,00,...", over
// lines ending in a backslash), up to its first NUL; nothing when the bytes cannot be read.
std::optional<std::string> ExpandableFromHex(std::string_view data) {
    std::string bytes;
    int high = -1;
    for (const char c : data) {
        if (c == ',' || c == '\\' || IsBlank(c) || c == '\r' || c == '\n') {
            if (high >= 0) return std::nullopt;  // a single digit
            continue;
        }
        const int digit = HexDigit(c);
        if (digit < 0) return std::nullopt;
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<char>(high * 16 + digit));
            high = -1;
        }
    }
    if (high >= 0) return std::nullopt;
    std::string text = Utf16LeToUtf8(bytes);
    return TrimNulls(std::move(text));
}

// Parses the data of a value line (what follows "name="). Text data fills `value`; other data
// leaves it non-text. Returns false when the data cannot be read.
bool ParseValueData(std::string_view data, bool wine, RegistryValue& value) {
    data = TrimBlanks(data);
    std::size_t pos = 0;
    if (StartsWithIgnoreCase(data, "str(")) {
        // str(N):"..." — a typed text (expandable, multi-string and the like).
        const auto close = data.find("):", 4);
        if (close == std::string_view::npos || close == 4) return false;
        for (std::size_t i = 4; i < close; ++i) {
            if (HexDigit(data[i]) < 0) return false;
        }
        pos = close + 2;
        if (pos >= data.size() || data[pos] != '"') return false;
        value.expandable = close == 5 && data[4] == '2';
    } else if (data.empty() || data[0] != '"') {
        // hex:, hex(N):, dword:, a deletion (-) or anything else: not a text value.
        value.isText = false;
        value.data.clear();
        return true;
    }
    ++pos;  // the opening quote
    const Unescaped r =
        wine ? UnescapeWine(data, pos, '"', value.data) : UnescapeRegedit(data, pos, value.data);
    if (r != Unescaped::kOk) return false;
    if (!TrimBlanks(data.substr(pos)).empty()) return false;
    value.isText = true;
    return true;
}

Scan ScanText(std::string_view text) {
    Scan scan;
    scan.lines = SplitLines(text);
    const auto& lines = scan.lines;

    auto lineText = [&](std::size_t i) {
        return text.substr(lines[i].begin, lines[i].contentEnd - lines[i].begin);
    };

    // The header is the first line that is not blank.
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view first = TrimBlanks(lineText(i));
        if (i == 0 && first.substr(0, 3) == "\xEF\xBB\xBF") first = TrimBlanks(first.substr(3));
        if (first.empty()) continue;
        scan.isWine = StartsWithIgnoreCase(first, "WINE REGISTRY Version");
        break;
    }
    const bool wine = scan.isWine;

    for (std::size_t i = 0; i < lines.size(); ++i) {
        Entry entry;
        entry.firstLine = i;
        entry.lastLine = i;
        std::string_view line = lineText(i);
        if (i == 0 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
        line = TrimBlanks(line);

        if (line.empty() || line[0] == ';') {
            entry.kind = EntryKind::kOther;
        } else if (line[0] == '#') {
            if (StartsWithIgnoreCase(line, "#arch=")) {
                entry.kind = EntryKind::kArch;
                entry.text = std::string(TrimBlanks(line.substr(6)));
            }
        } else if (line[0] == '[') {
            entry.kind = EntryKind::kNoKey;
            if (wine) {
                // [Software\\Name] 1796652252 — escaped like a value, a timestamp after it.
                std::size_t pos = 1;
                std::string path;
                if (UnescapeWine(line, pos, ']', path) == Unescaped::kOk && !path.empty()) {
                    entry.kind = EntryKind::kKey;
                    entry.text = std::move(path);
                }
            } else {
                const auto close = line.rfind(']');
                if (close != std::string_view::npos && close > 1 && line[1] != '-') {
                    std::string path(line.substr(1, close - 1));
                    if (!IsValidUtf8(path)) path = DecodeCp1252(path);
                    entry.kind = EntryKind::kKey;
                    entry.text = std::move(path);
                }
            }
        } else if (line[0] == '"' || line[0] == '@') {
            std::size_t pos = 1;
            bool nameRead = true;
            if (line[0] == '@') {
                entry.value.name = "@";
            } else {
                const Unescaped r = wine ? UnescapeWine(line, pos, '"', entry.value.name)
                                         : UnescapeRegedit(line, pos, entry.value.name);
                nameRead = r == Unescaped::kOk;
            }
            while (pos < line.size() && IsBlank(line[pos])) ++pos;
            if (nameRead && pos < line.size() && line[pos] == '=') {
                const std::string_view data = line.substr(pos + 1);
                entry.kind = ParseValueData(data, wine, entry.value) ? EntryKind::kValue
                                                                     : EntryKind::kBadValue;
                // Binary and number data may run on over lines ending in a backslash.
                const std::string_view trimmed = TrimBlanks(data);
                const bool isString = !trimmed.empty() &&
                                      (trimmed[0] == '"' || StartsWithIgnoreCase(trimmed, "str("));
                if (!isString) {
                    while (entry.lastLine + 1 < lines.size() &&
                           EndsWithContinuation(lineText(entry.lastLine))) {
                        ++entry.lastLine;
                    }
                    if (!wine && StartsWithIgnoreCase(trimmed, "hex(2):")) {
                        std::string joined(trimmed.substr(7));
                        for (std::size_t more = i + 1; more <= entry.lastLine; ++more)
                            joined += lineText(more);
                        if (auto expanded = ExpandableFromHex(joined)) {
                            entry.value.data = std::move(*expanded);
                            entry.value.isText = true;
                            entry.value.expandable = true;
                        } else {
                            entry.kind = EntryKind::kBadValue;
                        }
                    }
                }
            }
        }
        i = entry.lastLine;
        scan.entries.push_back(std::move(entry));
    }
    return scan;
}

// Whether a section's key path names HKEY_LOCAL_MACHINE\`keyPath` in a registry file.
bool IsMachineKey(std::string_view sectionPath, std::string_view keyPath) {
    for (const std::string_view root : {kMachineRoot, kMachineRootShort}) {
        if (sectionPath.size() == root.size() + keyPath.size() &&
            StartsWithIgnoreCase(sectionPath, root) &&
            EqualsIgnoreCase(sectionPath.substr(root.size()), keyPath)) {
            return true;
        }
    }
    return false;
}

bool SameValueName(std::string_view a, std::string_view b) {
    if (a.empty()) a = "@";
    if (b.empty()) b = "@";
    return EqualsIgnoreCase(a, b);
}

std::optional<std::string> HomeFolder() {
#ifdef _WIN32
    if (const char* profile = std::getenv("USERPROFILE"); profile && *profile) return profile;
    return std::nullopt;
#else
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home);
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir) {
        return std::string(pw->pw_dir);
    }
    return std::nullopt;
#endif
}

std::string EnvOr(const char* name, std::string fallback) {
    if (const char* value = std::getenv(name); value && *value) return value;
    return fallback;
}

// The text value `valueName` of the key that `matches` accepts; a later line for the same value
// overrides an earlier one, as importing the text would.
template <typename Matches>
std::optional<RegistryValue> FindTextEntry(const RegistryDocument& doc, Matches matches,
                                           std::string_view valueName) {
    std::optional<RegistryValue> found;
    for (const RegistryKey& key : doc.keys) {
        if (!matches(key.path)) continue;
        for (const RegistryValue& value : key.values) {
            if (!SameValueName(value.name, valueName)) continue;
            if (value.isText) {
                found = value;
            } else {
                found.reset();
            }
        }
    }
    return found;
}

std::optional<RegistryValue> TextValueOfMachineKey(const RegistryDocument& doc,
                                                   std::string_view keyPath,
                                                   std::string_view valueName) {
    return FindTextEntry(
        doc, [&](const std::string& path) { return IsMachineKey(path, keyPath); }, valueName);
}

std::optional<RegistryValue> TextValueOfKey(const RegistryDocument& doc, std::string_view keyPath,
                                            std::string_view valueName) {
    return FindTextEntry(
        doc, [&](const std::string& path) { return EqualsIgnoreCase(path, keyPath); }, valueName);
}

// The process's own environment, for a registry file's expandable values.
std::optional<std::string> ProcessVariable(std::string_view name) {
    return EnvironmentText(std::string(name).c_str());
}

// The variables a program of the prefix sees, as far as the prefix's registry says them: its
// system-wide environment, the system folder and the program folders of the view that reads.
VariableLookup PrefixVariables(const RegistryDocument& doc, bool thirtyTwoBitView, bool win32,
                               int depth = 0) {
    return [&doc, thirtyTwoBitView, win32,
            depth](std::string_view name) -> std::optional<std::string> {
        auto valueOf = [&](std::string_view key, std::string_view value) {
            auto found = TextValueOfKey(doc, key, value);
            return found ? std::optional<std::string>(TrimNulls(found->data)) : std::nullopt;
        };
        constexpr std::string_view kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
        const bool redirected = thirtyTwoBitView && !win32;
        std::optional<std::string> text;
        if (EqualsIgnoreCase(name, "ProgramFiles")) {
            text =
                valueOf(kCurrentVersion, redirected ? "ProgramFilesDir (x86)" : "ProgramFilesDir");
        } else if (EqualsIgnoreCase(name, "ProgramFiles(x86)")) {
            text = valueOf(kCurrentVersion, "ProgramFilesDir (x86)");
        } else if (EqualsIgnoreCase(name, "ProgramW6432")) {
            if (!win32) text = valueOf(kCurrentVersion, "ProgramFilesDir");
        } else if (EqualsIgnoreCase(name, "CommonProgramFiles")) {
            text = valueOf(kCurrentVersion, redirected ? "CommonFilesDir (x86)" : "CommonFilesDir");
        } else if (EqualsIgnoreCase(name, "SystemRoot") || EqualsIgnoreCase(name, "windir")) {
            text = valueOf("Software\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot");
            if (!text) text = "C:\\windows";
        }
        if (!text) {
            auto found = TextValueOfKey(
                doc, "System\\CurrentControlSet\\Control\\Session Manager\\Environment", name);
            if (!found) return std::nullopt;
            text = TrimNulls(found->data);
            // "windir"="%SystemRoot%" and the like: one level of the prefix's own names.
            if (found->expandable && depth < 4 && text->find('%') != std::string::npos) {
                text = ExpandReferences(*text,
                                        PrefixVariables(doc, thirtyTwoBitView, win32, depth + 1));
            }
        }
        return text;
    };
}

// Appends `component` to a local path, without doubling the separator after the root.
void AppendComponent(std::string& path, std::string_view component) {
    if (path.empty() || path.back() != kPathSeparator) path += kPathSeparator;
    path += component;
}

}  // namespace

bool FitsRegistryValueBuffer(const std::string& value) {
    // The registry hands the text out in the Windows code page when every character fits it,
    // so that is the length that counts; otherwise its UTF-8 length.
    const auto encoded = EncodeCp1252(value);
    const std::size_t bytes = encoded ? encoded->size() : value.size();
    return bytes + 1 <= kRegistryValueBufferSize;
}

RegistryDocument ParseRegistryText(std::string_view text) {
    std::string converted;
    if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
        static_cast<unsigned char>(text[1]) == 0xFE) {
        converted = Utf16LeToUtf8(text.substr(2));
        text = converted;
    }
    Scan scan = ScanText(text);
    RegistryDocument doc;
    doc.isWine = scan.isWine;
    RegistryKey* current = nullptr;
    for (Entry& entry : scan.entries) {
        switch (entry.kind) {
            case EntryKind::kArch:
                doc.arch = entry.text;
                break;
            case EntryKind::kKey:
                doc.keys.push_back(RegistryKey{std::move(entry.text), {}});
                current = &doc.keys.back();
                break;
            case EntryKind::kNoKey:
                current = nullptr;
                break;
            case EntryKind::kValue:
                if (current != nullptr) current->values.push_back(std::move(entry.value));
                break;
            case EntryKind::kBadValue:
            case EntryKind::kOther:
                break;
        }
    }
    return doc;
}

std::optional<std::string> FindTextValue(const RegistryDocument& doc, std::string_view keyPath,
                                         std::string_view valueName) {
    auto found = TextValueOfKey(doc, keyPath, valueName);
    if (!found) return std::nullopt;
    return std::move(found->data);
}

std::string ExpandReferences(std::string_view text, const VariableLookup& lookup) {
    if (!lookup) return std::string(text);
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto open = text.find('%', pos);
        if (open == std::string_view::npos) break;
        const auto close = text.find('%', open + 1);
        if (close == std::string_view::npos) break;
        out.append(text.substr(pos, open - pos));
        const std::string_view name = text.substr(open + 1, close - open - 1);
        std::optional<std::string> value;
        if (!name.empty()) value = lookup(name);
        if (value) {
            out += *value;
            pos = close + 1;
        } else {
            // Kept as written; its closing % may open the next reference.
            out.append(text.substr(open, close - open));
            pos = close;
        }
    }
    out.append(text.substr(pos));
    return out;
}

std::string FolderFromValue(std::string text, bool expandable, const VariableLookup& lookup) {
    text = TrimNulls(std::move(text));
    if (expandable) text = ExpandReferences(text, lookup);
    auto isSeparator = [](char c) {
#ifdef _WIN32
        return c == '\\' || c == '/';
#else
        return c == '/';
#endif
    };
    // What a trailing separator may not be taken from: "/", "\\", "C:\\".
    std::size_t root = 0;
    if (!text.empty() && isSeparator(text[0])) root = 1;
#ifdef _WIN32
    if (text.size() >= 2 && text[1] == ':') root = text.size() >= 3 && isSeparator(text[2]) ? 3 : 2;
#endif
    while (text.size() > root && text.size() > 1 && isSeparator(text.back())) text.pop_back();
    return text;
}

std::string RegistryFilePath() {
    if (const char* explicitPath = std::getenv("B3_REGISTRY"); explicitPath && *explicitPath) {
        return explicitPath;
    }
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        config = xdg;
    } else if (auto home = HomeFolder()) {
        config = JoinPath(*home, ".config");
    } else {
        config = ".config";
    }
    return JoinPath(JoinPath(config, "b3tools"), "registry.reg");
}

std::string WinePrefixPath() {
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) return prefix;
    if (auto home = HomeFolder()) return JoinPath(*home, ".wine");
    return EnvOr("PWD", ".") + "/.wine";
}

std::optional<RegistryHit> LookupRegistryFile(const std::string& filePath, std::string_view keyPath,
                                              std::string_view valueName) {
    std::string bytes;
    std::error_code ec;
    if (!ReadFileBytes(filePath, bytes, ec, kMaxRegistryFileBytes)) return std::nullopt;
    const RegistryDocument doc = ParseRegistryText(bytes);
    auto value = TextValueOfMachineKey(doc, keyPath, valueName);
    if (!value || !FitsRegistryValueBuffer(value->data)) return std::nullopt;
    return RegistryHit{FolderFromValue(std::move(value->data), value->expandable, ProcessVariable),
                       "registry file " + filePath};
}

std::optional<RegistryHit> LookupWinePrefix(const std::string& prefix, std::string_view keyPath,
                                            std::string_view valueName) {
    std::string bytes;
    std::error_code ec;
    if (!ReadFileBytes(JoinPath(prefix, "system.reg"), bytes, ec, kMaxRegistryFileBytes)) {
        return std::nullopt;
    }
    const RegistryDocument doc = ParseRegistryText(bytes);

    // Wine keeps the machine keys relative to HKEY_LOCAL_MACHINE. A 64-bit prefix redirects the
    // software keys of 32-bit programs to Wow6432Node, and those are looked at first; a 32-bit
    // prefix has the plain software keys only, which are then its (only) 32-bit view.
    struct View {
        std::string path;
        const char* label;
        bool thirtyTwoBit;
    };
    std::vector<View> views;
    const bool win32 = EqualsIgnoreCase(doc.arch, "win32");
    if (StartsWithIgnoreCase(keyPath, kSoftwarePrefix)) {
        const std::string_view rest = keyPath.substr(kSoftwarePrefix.size());
        if (win32) {
            views.push_back({"Software\\" + std::string(rest), "32-bit view", true});
        } else {
            views.push_back({"Software\\Wow6432Node\\" + std::string(rest), "32-bit view", true});
            views.push_back({"Software\\" + std::string(rest), "64-bit view", false});
        }
    } else {
        views.push_back({std::string(keyPath), win32 ? "32-bit view" : "64-bit view", win32});
    }

    for (const View& view : views) {
        auto value = TextValueOfKey(doc, view.path, valueName);
        if (!value || !FitsRegistryValueBuffer(value->data)) continue;
        const std::string windowsPath =
            FolderFromValue(std::move(value->data), value->expandable,
                            PrefixVariables(doc, view.thirtyTwoBit, win32));
        return RegistryHit{MapWindowsPath(prefix, windowsPath),
                           "Wine prefix " + prefix + " (" + view.label + ")"};
    }
    return std::nullopt;
}

std::string MapWindowsPath(const std::string& prefix, std::string_view windowsPath) {
    const bool hasDrive = windowsPath.size() >= 2 && windowsPath[1] == ':' &&
                          ((windowsPath[0] >= 'a' && windowsPath[0] <= 'z') ||
                           (windowsPath[0] >= 'A' && windowsPath[0] <= 'Z'));
    if (!hasDrive) return std::string(windowsPath);

    const std::string dosdevices = JoinPath(prefix, "dosdevices");
    const char letter = windowsPath[0];
    const std::string lower(1, static_cast<char>(AsciiLower(std::string(1, letter))[0]));
    const std::string upper(1, static_cast<char>(AsciiUpper(std::string(1, letter))[0]));

    std::error_code ec;
    std::string link = JoinPath(dosdevices, lower + ":");
    if (!fs::exists(fs::symlink_status(link, ec))) {
        link = JoinPath(dosdevices, upper + ":");
        if (!fs::exists(fs::symlink_status(link, ec))) return std::string(windowsPath);
    }

    // The drive's folder: the link's target, joined to dosdevices when it is relative.
    std::string base = link;
    if (fs::is_symlink(fs::symlink_status(link, ec))) {
        const fs::path target = fs::read_symlink(link, ec);
        if (!ec && !target.empty()) {
            const fs::path joined = target.is_absolute() ? target : fs::path(dosdevices) / target;
            base = joined.lexically_normal().string();
            while (base.size() > 1 && base.back() == kPathSeparator) base.pop_back();
        }
    }

    // Each component as the local folder spells it, as long as it exists.
    std::string result = base;
    bool searching = true;
    std::string_view rest = windowsPath.substr(2);
    while (!rest.empty()) {
        const auto sep = rest.find_first_of("\\/");
        const std::string_view component = rest.substr(0, sep);
        rest = sep == std::string_view::npos ? std::string_view() : rest.substr(sep + 1);
        if (component.empty() || component == ".") continue;
        if (component == "..") {
            AppendComponent(result, component);
            continue;
        }
        std::string name(component);
        if (searching) {
            const std::string found = FindEntryIgnoreCase(result, name);
            std::string candidate = result;
            AppendComponent(candidate, found);
            if (fs::exists(fs::symlink_status(candidate, ec))) {
                name = found;
            } else {
                searching = false;
            }
        }
        AppendComponent(result, name);
    }
    return result;
}

namespace {

// Reads a registry file for a change: its bytes (empty when it does not exist, `existed` false),
// refusing one too large to rewrite.
bool ReadForChange(const std::string& filePath, std::string& bytes, bool& existed,
                   std::error_code& ec) {
    existed = true;
    std::error_code readError;
    // A larger file is refused, never cut short; one byte more than the limit is read, so that
    // a file that grew meanwhile is noticed too.
    std::error_code sizeError;
    if (fs::is_regular_file(filePath, sizeError) &&
        fs::file_size(filePath, sizeError) > kMaxRegistryFileBytes && !sizeError) {
        ec = MakeError(StoreError::kTooLarge);
        return false;
    }
    if (!ReadFileBytes(filePath, bytes, readError, kMaxRegistryFileBytes + 1)) {
        if (readError != std::errc::no_such_file_or_directory) {
            ec = readError;
            return false;
        }
        existed = false;
        bytes.clear();
    }
    if (bytes.size() > kMaxRegistryFileBytes) {
        ec = MakeError(StoreError::kTooLarge);
        return false;
    }
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        ec = MakeError(StoreError::kUnsupportedEncoding);
        return false;
    }
    return true;
}

// Whether the scanned text starts with a registry editor's header (and is not Wine's).
bool HasRegeditHeader(std::string_view bytes, const Scan& scan) {
    for (std::size_t i = 0; i < scan.lines.size(); ++i) {
        std::string_view line(bytes.data() + scan.lines[i].begin,
                              scan.lines[i].contentEnd - scan.lines[i].begin);
        if (i == 0 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
        line = TrimBlanks(line);
        if (line.empty()) continue;
        return !scan.isWine &&
               (line == "REGEDIT4" || line == "Windows Registry Editor Version 5.00");
    }
    return false;
}

// Removes every line of `valueName` from the key's sections of a registry file; with
// `dropEmptyKey` also the key's sections that hold nothing else then; with `dropEmptyFile` the
// file itself when only its header is left.
bool RemoveRegistryFileValue(const std::string& filePath, std::string_view keyPath,
                             std::string_view valueName, bool dropEmptyKey, bool dropEmptyFile,
                             std::error_code& ec) {
    std::string bytes;
    bool existed = false;
    if (!ReadForChange(filePath, bytes, existed, ec)) return false;
    if (!existed) return true;
    const Scan scan = ScanText(bytes);
    if (!HasRegeditHeader(bytes, scan)) {
        ec = MakeError(StoreError::kNotRegistryFile);
        return false;
    }
    std::vector<bool> cut(scan.lines.size(), false);
    struct Section {
        std::size_t keyLine;
        std::size_t endLine;  // one past its last line
        bool holdsOther = false;
    };
    std::vector<Section> sections;
    bool inKey = false;
    for (const Entry& entry : scan.entries) {
        if (entry.kind == EntryKind::kKey || entry.kind == EntryKind::kNoKey) {
            if (inKey) sections.back().endLine = entry.firstLine;
            inKey = entry.kind == EntryKind::kKey && IsMachineKey(entry.text, keyPath);
            if (inKey) sections.push_back({entry.firstLine, scan.lines.size()});
            continue;
        }
        if (!inKey) continue;
        if ((entry.kind == EntryKind::kValue || entry.kind == EntryKind::kBadValue) &&
            SameValueName(entry.value.name, valueName)) {
            for (std::size_t l = entry.firstLine; l <= entry.lastLine; ++l) cut[l] = true;
            continue;
        }
        const std::string_view content(
            bytes.data() + scan.lines[entry.firstLine].begin,
            scan.lines[entry.firstLine].contentEnd - scan.lines[entry.firstLine].begin);
        if (!TrimBlanks(content).empty()) sections.back().holdsOther = true;
    }
    if (dropEmptyKey) {
        for (const Section& section : sections) {
            if (section.holdsOther) continue;
            for (std::size_t l = section.keyLine; l < section.endLine; ++l) cut[l] = true;
            // The blank line that set the section apart goes with it.
            if (section.keyLine > 0) {
                const PhysicalLine& before = scan.lines[section.keyLine - 1];
                if (TrimBlanks(std::string_view(bytes.data() + before.begin,
                                                before.contentEnd - before.begin))
                        .empty())
                    cut[section.keyLine - 1] = true;
            }
        }
    }
    std::string out;
    bool onlyHeader = true;
    bool headerSeen = false;
    for (std::size_t l = 0; l < scan.lines.size(); ++l) {
        if (cut[l]) continue;
        const PhysicalLine& line = scan.lines[l];
        out.append(bytes, line.begin, line.end - line.begin);
        const std::string_view content =
            TrimBlanks(std::string_view(bytes.data() + line.begin, line.contentEnd - line.begin));
        if (content.empty()) continue;
        if (!headerSeen) {
            headerSeen = true;
        } else {
            onlyHeader = false;
        }
    }
    ReplaceOptions options;
    options.followLinksAnywhere = true;
    if (dropEmptyFile && onlyHeader) {
        std::error_code removeError;
        if (fs::remove(FsPath(filePath), removeError)) return true;
    }
    return ReplaceFileContents(filePath, out, ec, options);
}

}  // namespace

// Writes `valueLine` (the value's whole line, or lines) in place of the value's last line in the
// key's sections of a registry file, or at the end of the key's last section, or in a new section
// for the key; every other line stays as it was.
static bool RewriteRegistryFile(const std::string& filePath, std::string_view keyPath,
                                std::string_view valueName, const std::string& valueLine,
                                std::error_code& ec, const WriteFaults* faults) {
    const std::string keyLine = "[" + std::string(kMachineRoot) + std::string(keyPath) + "]";
    std::string bytes;
    bool existed = false;
    if (!ReadForChange(filePath, bytes, existed, ec)) return false;
    if (!existed) {
        const fs::path parent = FsPath(filePath).parent_path();
        if (!parent.empty()) {
            fs::create_directories(parent, ec);
            if (ec) return false;
        }
    }
    // The registry file may be a link into the user's own settings: the file it names is
    // written.
    ReplaceOptions options;
    options.followLinksAnywhere = true;
    options.faults = faults;

    if (bytes.find_first_not_of(" \t\r\n") == std::string::npos) {
        const std::string fresh = "REGEDIT4\n\n" + keyLine + "\n" + valueLine + "\n";
        return ReplaceFileContents(filePath, fresh, ec, options);
    }

    const Scan scan = ScanText(bytes);
    if (!HasRegeditHeader(bytes, scan)) {
        ec = MakeError(StoreError::kNotRegistryFile);
        return false;
    }
    const std::string eol =
        scan.lines[0].end > scan.lines[0].contentEnd + 1 ? std::string("\r\n") : std::string("\n");

    // Find the value's last line in the key's sections, and the key's last section.
    bool inKey = false;
    const Entry* lastValue = nullptr;
    std::size_t sectionEndLine = 0;  // last non-blank line of the key's last section
    bool keySeen = false;
    for (const Entry& entry : scan.entries) {
        if (entry.kind == EntryKind::kKey || entry.kind == EntryKind::kNoKey) {
            inKey = entry.kind == EntryKind::kKey && IsMachineKey(entry.text, keyPath);
            if (inKey) {
                keySeen = true;
                sectionEndLine = entry.lastLine;
            }
            continue;
        }
        if (!inKey) continue;
        const std::string_view content(
            bytes.data() + scan.lines[entry.firstLine].begin,
            scan.lines[entry.firstLine].contentEnd - scan.lines[entry.firstLine].begin);
        if (!TrimBlanks(content).empty()) sectionEndLine = entry.lastLine;
        if ((entry.kind == EntryKind::kValue || entry.kind == EntryKind::kBadValue) &&
            SameValueName(entry.value.name, valueName)) {
            lastValue = &entry;
        }
    }

    std::string out;
    out.reserve(bytes.size() + valueLine.size() + keyLine.size() + 8);
    if (lastValue != nullptr) {
        // Replace the value's lines, keeping the line break that ended them.
        const PhysicalLine& first = scan.lines[lastValue->firstLine];
        const PhysicalLine& last = scan.lines[lastValue->lastLine];
        out.append(bytes, 0, first.begin);
        out += valueLine;
        out.append(bytes, last.contentEnd, std::string::npos);
    } else if (keySeen) {
        // Add the value at the end of the key's section, before any blank lines.
        const PhysicalLine& after = scan.lines[sectionEndLine];
        out.append(bytes, 0, after.end);
        if (after.end == after.contentEnd) out += eol;
        // A line ending in a backslash would carry binary data on into the new line.
        if (EndsWithContinuation(
                std::string_view(bytes.data() + after.begin, after.contentEnd - after.begin))) {
            out += eol;
        }
        out += valueLine;
        out += eol;
        out.append(bytes, after.end, std::string::npos);
    } else {
        // Add the key at the end of the file, after a blank line.
        out = bytes;
        const PhysicalLine& last = scan.lines.back();
        if (last.end == last.contentEnd) out += eol;
        if (!TrimBlanks(std::string_view(bytes.data() + last.begin, last.contentEnd - last.begin))
                 .empty()) {
            out += eol;
        }
        out += keyLine;
        out += eol;
        out += valueLine;
        out += eol;
    }
    return ReplaceFileContents(filePath, out, ec, options);
}

bool StoreRegistryFileValue(const std::string& filePath, std::string_view keyPath,
                            std::string_view valueName, std::string_view value, std::error_code& ec,
                            const WriteFaults* faults) {
    ec.clear();
    for (const std::string_view part : {keyPath, valueName, value}) {
        if (!IsValidUtf8(part) ||
            part.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
            ec = MakeError(StoreError::kUnrepresentable);
            return false;
        }
    }
    if (keyPath.empty()) {
        ec = MakeError(StoreError::kUnrepresentable);
        return false;
    }
    if (!FitsRegistryValueBuffer(std::string(value))) {
        ec = MakeError(StoreError::kValueTooLong);
        return false;
    }

    const std::string valueLine =
        (valueName.empty() || valueName == "@" ? std::string("@")
                                               : "\"" + EscapeRegedit(valueName) + "\"") +
        "=\"" + EscapeRegedit(value) + "\"";

    return RewriteRegistryFile(filePath, keyPath, valueName, valueLine, ec, faults);
}

SavedMachineValue SnapshotRegistryFileValue(const std::string& filePath, std::string_view keyPath,
                                            std::string_view valueName, std::error_code& ec) {
    ec.clear();
    SavedMachineValue saved;
    saved.place = "file:" + filePath;
    std::string bytes;
    if (!ReadForChange(filePath, bytes, saved.fileExisted, ec)) return saved;
    const Scan scan = ScanText(bytes);
    bool inKey = false;
    const Entry* lastValue = nullptr;
    for (const Entry& entry : scan.entries) {
        if (entry.kind == EntryKind::kKey || entry.kind == EntryKind::kNoKey) {
            inKey = entry.kind == EntryKind::kKey && IsMachineKey(entry.text, keyPath);
            if (inKey) saved.keysExisting = 1;
            continue;
        }
        if (inKey && (entry.kind == EntryKind::kValue || entry.kind == EntryKind::kBadValue) &&
            SameValueName(entry.value.name, valueName)) {
            lastValue = &entry;
        }
    }
    if (lastValue != nullptr) {
        saved.valueExisted = true;
        const std::size_t from = scan.lines[lastValue->firstLine].begin;
        saved.data = bytes.substr(from, scan.lines[lastValue->lastLine].contentEnd - from);
    }
    const RegistryDocument doc = ParseRegistryText(bytes);
    if (auto value = TextValueOfMachineKey(doc, keyPath, valueName)) {
        saved.folder = FolderFromValue(std::move(value->data), value->expandable, ProcessVariable);
    }
    return saved;
}

bool RestoreRegistryFileValue(const std::string& filePath, const SavedMachineValue& saved,
                              std::string_view keyPath, std::string_view valueName,
                              std::error_code& ec) {
    ec.clear();
    if (saved.valueExisted)
        return RewriteRegistryFile(filePath, keyPath, valueName, saved.data, ec, nullptr);
    return RemoveRegistryFileValue(filePath, keyPath, valueName, saved.keysExisting == 0,
                                   !saved.fileExisted, ec);
}

namespace {

std::string HexBytes(std::string_view bytes) {
    static const char* const kDigits = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out += kDigits[static_cast<unsigned char>(c) >> 4];
        out += kDigits[static_cast<unsigned char>(c) & 15];
    }
    return out;
}

std::optional<std::string> BytesFromHex(std::string_view hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        out.push_back(static_cast<char>(high * 16 + low));
    }
    return out;
}

}  // namespace

std::string EncodeSavedValue(const SavedMachineValue& saved) {
    // Fields separated by spaces; the texts as hex, so that any byte passes.
    return "v1 " + HexBytes(saved.place) + " " + (saved.valueExisted ? "1" : "0") + " " +
           std::to_string(saved.type) + " " + HexBytes(saved.data) + " " +
           std::to_string(saved.keysExisting) + " " + (saved.fileExisted ? "1" : "0") + " " +
           (saved.folder ? "1" + HexBytes(*saved.folder) : "0");
}

std::optional<SavedMachineValue> DecodeSavedValue(std::string_view line) {
    std::vector<std::string_view> parts;
    while (!line.empty()) {
        const auto space = line.find(' ');
        parts.push_back(line.substr(0, space));
        if (space == std::string_view::npos) break;
        line.remove_prefix(space + 1);
    }
    if (parts.size() != 8 || parts[0] != "v1") return std::nullopt;
    SavedMachineValue saved;
    auto place = BytesFromHex(parts[1]);
    auto data = BytesFromHex(parts[4]);
    if (!place || !data || parts[7].empty()) return std::nullopt;
    saved.place = std::move(*place);
    saved.valueExisted = parts[2] == "1";
    saved.type =
        static_cast<std::uint32_t>(std::strtoul(std::string(parts[3]).c_str(), nullptr, 10));
    saved.data = std::move(*data);
    saved.keysExisting =
        static_cast<std::size_t>(std::strtoul(std::string(parts[5]).c_str(), nullptr, 10));
    saved.fileExisted = parts[6] == "1";
    if (parts[7][0] == '1') {
        auto folder = BytesFromHex(parts[7].substr(1));
        if (!folder) return std::nullopt;
        saved.folder = std::move(*folder);
    }
    return saved;
}

}  // namespace b3::platform
