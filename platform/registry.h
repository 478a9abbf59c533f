// The registry store: where the game's installation folder is read from.
//
// On Windows this is the real registry. Elsewhere it is, in this order:
//  1. our own registry file in the .reg text format (REGEDIT4), at $B3_REGISTRY when set, else
//     $XDG_CONFIG_HOME/b3tools/registry.reg (XDG_CONFIG_HOME defaults to ~/.config);
//  2. the Wine prefix at $WINEPREFIX (default ~/.wine), whose system.reg holds the machine keys as
//     Wine writes them; the Windows path found there is mapped to a local folder.
// Key and value names compare case-insensitively on every store, as the registry does.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace b3::platform {

class WriteFaults;  // platform/files.h

// A value's data is limited to this many bytes, its terminating NUL included.
inline constexpr std::size_t kRegistryValueBufferSize = 255;

// Whether a text value fits that buffer, its terminating NUL included.
bool FitsRegistryValueBuffer(const std::string& value);

struct RegistryValue {
    std::string name;     // the value name as written ("@" stands for the default value)
    std::string data;     // for text values the unescaped text, UTF-8
    bool isText = false;  // "..." or str(N):"..."; hex:, dword: and the like are not text
    // An expandable text (REG_EXPAND_SZ): Wine's str(2):"...", or hex(2):... (UTF-16LE bytes) in
    // a registry editor's file. Its %NAME% references stand for environment variables.
    bool expandable = false;
};

struct RegistryKey {
    std::string path;  // as written between the brackets, unescaped (single backslashes)
    std::vector<RegistryValue> values;
};

struct RegistryDocument {
    bool isWine = false;  // "WINE REGISTRY Version 2" header
    std::string arch;     // Wine's #arch= line ("win32", "win64"), empty when absent
    std::vector<RegistryKey> keys;
};

// Parses REGEDIT4 / "Windows Registry Editor Version 5.00" text and Wine's registry text. Never
// fails: lines that cannot be read are skipped.
RegistryDocument ParseRegistryText(std::string_view text);

// The text value `valueName` of key `keyPath` (case-insensitive), if the document holds it.
std::optional<std::string> FindTextValue(const RegistryDocument& doc, std::string_view keyPath,
                                         std::string_view valueName);

// Looks up one environment variable for an expandable value; nothing when it is unknown.
using VariableLookup = std::function<std::optional<std::string>(std::string_view name)>;

// `text` with each %NAME% that `lookup` knows replaced by its value (names compare
// case-insensitively, as Windows does); unknown names and a lone % stay as written.
std::string ExpandReferences(std::string_view text, const VariableLookup& lookup);

// The folder a registry value names, as every reader of the installation folder hands it on: cut
// at its first NUL, its %NAME% references expanded when the value is expandable, and without
// trailing separators (a "\" or "/" on Windows, a "/" elsewhere), so that the kind folders joined
// to it get exactly one. A root ("/", "C:\") keeps its separator.
std::string FolderFromValue(std::string text, bool expandable = false,
                            const VariableLookup& lookup = {});

// Where the suite found the installation folder.
struct RegistryHit {
    std::string folder;  // the local folder, UTF-8
    std::string source;  // "registry file PATH", "Wine prefix PATH (32-bit view)",
                         // "Wine prefix PATH (64-bit view)", "Windows registry (32-bit view)", ...
};

// The path of our own registry file ($B3_REGISTRY, else $XDG_CONFIG_HOME/b3tools/registry.reg).
std::string RegistryFilePath();

// The Wine prefix ($WINEPREFIX, else ~/.wine).
std::string WinePrefixPath();

// Reads `valueName` of HKEY_LOCAL_MACHINE\`keyPath` from our registry file at `filePath`.
std::optional<RegistryHit> LookupRegistryFile(const std::string& filePath, std::string_view keyPath,
                                              std::string_view valueName);

// Reads `valueName` of HKEY_LOCAL_MACHINE\`keyPath` from the Wine prefix at `prefix`: the 32-bit
// view (Software\Wow6432Node\...) first, then the 64-bit one; a 32-bit prefix has only the latter.
// The Windows path found is mapped to a local folder with MapWindowsPath. The source names the
// view the value came from; in a 32-bit prefix the plain software keys are its (only) 32-bit view.
std::optional<RegistryHit> LookupWinePrefix(const std::string& prefix, std::string_view keyPath,
                                            std::string_view valueName);

// Maps a Windows path to a local one through the prefix's dosdevices/<letter>: link (either letter
// case); each further component is found case-insensitively. A drive without a link, or a
// component that does not exist, is kept as written (the result then names no existing folder).
std::string MapWindowsPath(const std::string& prefix, std::string_view windowsPath);

// The whole lookup of the platform. On Windows the registry: this user's hive first
// (HKEY_CURRENT_USER), then the machine-wide key, 32-bit view before 64-bit; only text values
// count. Elsewhere the registry file, then the Wine prefix. Values of kRegistryValueBufferSize
// bytes or more (in Windows-1252 where the text fits it) are not found, as the registry read with
// that buffer fails.
std::optional<RegistryHit> LookupMachineValue(std::string_view keyPath, std::string_view valueName);

// Where StoreMachineValue stores, for messages: "the Windows registry", or our registry file.
std::string MachineValueStoreName();

// Stores `value` as `valueName` of `keyPath` where LookupMachineValue reads it first. On Windows
// the registry: the machine-wide key (32-bit view) when it can be written, else this user's hive
// (without elevation the machine-wide key is read-only). Elsewhere our registry file. Returns
// where it went ("Windows registry, HKEY_CURRENT_USER\..."), or nothing with `ec` set.
std::optional<std::string> StoreMachineValue(std::string_view keyPath, std::string_view valueName,
                                             std::string_view value, std::error_code& ec);

// Stores `value` as `valueName` of HKEY_LOCAL_MACHINE\`keyPath` in our registry file: makes the
// file and its folders when missing, replaces only that value, keeps every other key and value as
// it was, and writes through ReplaceFileContents, meeting `faults` when given.
bool StoreRegistryFileValue(const std::string& filePath, std::string_view keyPath,
                            std::string_view valueName, std::string_view value, std::error_code& ec,
                            const WriteFaults* faults = nullptr);

// ---------------------------------------------------------------------------------------------
// Putting a value back: what StoreMachineValue found at one of the places it writes, kept so that
// the value can be restored exactly as it was (same bytes, same type), or removed with the key it
// made when there was none.

struct SavedMachineValue {
    // Where: "HKLM32" (HKEY_LOCAL_MACHINE, 32-bit view) or "HKCU" on Windows; "file:" and the
    // registry file's path elsewhere.
    std::string place;
    bool valueExisted = false;
    // Windows: the value's type (REG_SZ 1, REG_EXPAND_SZ 2, REG_DWORD 4, ...) and its bytes as
    // stored. Registry file: type 0 and the value's lines as written, line breaks included.
    std::uint32_t type = 0;
    std::string data;
    // Windows: how many components of the key path existed ("SOFTWARE", then the vendor's key,
    // ...); registry file: 1 when the key had a section, else 0.
    std::size_t keysExisting = 0;
    // Registry file: whether the file itself existed.
    bool fileExisted = false;
    // The folder the value names when it is a text value (as FolderFromValue hands it on).
    std::optional<std::string> folder;
};

// Where a place is, in words: "the Windows registry at HKEY_LOCAL_MACHINE\KEY (32-bit view)",
// "the registry file PATH".
std::string DescribeSavedPlace(const SavedMachineValue& saved, std::string_view keyPath);

// One line of text (tab-free, no line break) that DecodeSavedValue reads back.
std::string EncodeSavedValue(const SavedMachineValue& saved);
std::optional<SavedMachineValue> DecodeSavedValue(std::string_view line);

// The state of `valueName` of `keyPath` at every place StoreMachineValue would write now, in the
// order it writes them. Reads only.
std::vector<SavedMachineValue> SnapshotMachineValue(std::string_view keyPath,
                                                    std::string_view valueName,
                                                    std::error_code& ec);

// The state now at the place of `saved` (for checking that nobody changed it since).
std::optional<SavedMachineValue> CurrentValueAt(const SavedMachineValue& saved,
                                                std::string_view keyPath,
                                                std::string_view valueName, std::error_code& ec);

// Puts the value at `saved`'s place back as `saved` holds it: the same type and bytes (the same
// lines in a registry file); when it did not exist, removes it and then the keys (the file) that
// did not exist either, as long as nothing else is in them.
bool RestoreMachineValue(const SavedMachineValue& saved, std::string_view keyPath,
                         std::string_view valueName, std::error_code& ec);

// The registry file parts of the above, for any file path.
SavedMachineValue SnapshotRegistryFileValue(const std::string& filePath, std::string_view keyPath,
                                            std::string_view valueName, std::error_code& ec);
bool RestoreRegistryFileValue(const std::string& filePath, const SavedMachineValue& saved,
                              std::string_view keyPath, std::string_view valueName,
                              std::error_code& ec);

}  // namespace b3::platform
