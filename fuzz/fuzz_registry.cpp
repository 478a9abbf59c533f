// Feeds arbitrary bytes to the registry text reader, as our own registry file or a Wine
// prefix's system.reg could hold them, and looks the game's installation folder up in them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "platform/text1252.h"

namespace {

constexpr std::string_view kKey =
    "SOFTWARE\\Slate Crown Entertainment\\Banerule III: Gloamkings Tide\\1.0";
constexpr std::string_view kValue = "$Install_ToDirectory$";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace b3::platform;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const RegistryDocument doc = ParseRegistryText(text);

    // Everything the reader hands out is UTF-8, whatever the input.
    for (const RegistryKey& key : doc.keys) {
        if (!IsValidUtf8(key.path)) __builtin_trap();
        for (const RegistryValue& value : key.values) {
            if (!IsValidUtf8(value.name)) __builtin_trap();
            if (value.isText && !IsValidUtf8(value.data)) __builtin_trap();
        }
    }

    // The game's key as our registry file names it, and in both views of a Wine prefix.
    const std::string rest(kKey.substr(9));
    (void)FindTextValue(doc, "HKEY_LOCAL_MACHINE\\" + std::string(kKey), kValue);
    (void)FindTextValue(doc, "Software\\Wow6432Node\\" + rest, kValue);
    if (auto found = FindTextValue(doc, "Software\\" + rest, kValue)) {
        // A prefix that does not exist: the path is kept as written, never dereferenced.
        (void)MapWindowsPath("/nonexistent-b3-prefix", *found);
    }
    return 0;
}
