// Random and mutated registry texts: the parser must read every one of them without failing,
// and a well-formed key written after any junk must still be found.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/temp_folder.h"
#include "platform/text1252.h"

namespace b3::platform {
namespace {

using testing::TempFolder;
using testing::WriteFile;

constexpr const char* kKey =
    "SOFTWARE\\Slate Crown Entertainment\\Banerule III: Gloamkings Tide\\1.0";
constexpr const char* kValue = "$Install_ToDirectory$";
constexpr const char* k32View =
    "Software\\Wow6432Node\\Slate Crown Entertainment\\Banerule III: Gloamkings Tide\\1.0";

// Pieces real registry texts are made of, to be shuffled, cut and mutated.
const std::vector<std::string>& Fragments() {
    static const std::vector<std::string> fragments = {
        "WINE REGISTRY Version 2\n",
        "REGEDIT4\n",
        "Windows Registry Editor Version 5.00\r\n",
        ";; All keys relative to \\\\Machine\n",
        "#arch=win64\n",
        "#arch=win32\n",
        "#time=1dd8653d641e12a\n",
        "[Software\\\\Wow6432Node\\\\Slate Crown Entertainment\\\\Banerule III: Gloamkings "
        "Tide\\\\1.0] 1796652252\n",
        "[Software\\\\Slate Crown Entertainment\\\\Banerule III: Gloamkings Tide\\\\1.0] 17\n",
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Slate Crown Entertainment\\Banerule III: Gloamkings "
        "Tide\\1.0]\n",
        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\n",
        "\"$Install_ToDirectory$\"=\"C:\\\\Games\\\\L\\xe9gende III\"\n",
        "\"$Install_ToDirectory$\"=str(2):\"C:\\\\B3\"\n",
        "\"$Install_ToDirectory$\"=str(7):\"a\\0b\\0\"\n",
        "\"v\"=\"\\xd83d\\xde00\\x20ac\\0\\n\\r\\t\\\\\\\"\"\n",
        "\"v\"=\"\\xd83d\"\n",
        "\"bin\"=hex:00,01,02,\\\n",
        "  03,04,\\\n",
        "  05\n",
        "\"n\"=dword:00000001\n",
        "\"t\"=hex(2):43,00,00,00\n",
        "@=\"default\"\n",
        "\"a\\\"b\"=\"c\"\n",
        "\n",
        "\r\n",
        "\"",
        "[",
        "]",
        "\\",
        "\\x",
        "=",
        "str(",
        "\xFF\xFE",
        "\xEF\xBB\xBF",
        std::string("\0", 1),
        "\xC3",
        "\xE2\x82\xAC",
    };
    return fragments;
}

std::string RandomText(std::mt19937& rng) {
    const auto& fragments = Fragments();
    std::uniform_int_distribution<int> count(0, 24);
    std::uniform_int_distribution<std::size_t> pick(0, fragments.size() - 1);
    std::string text;
    const int n = count(rng);
    for (int i = 0; i < n; ++i) text += fragments[pick(rng)];

    // Mutations: flip, insert and delete bytes, cut the text short.
    std::uniform_int_distribution<int> mutations(0, 6);
    std::uniform_int_distribution<int> byte(0, 255);
    const int m = mutations(rng);
    for (int i = 0; i < m && !text.empty(); ++i) {
        std::uniform_int_distribution<std::size_t> at(0, text.size() - 1);
        switch (rng() % 4) {
            case 0:
                text[at(rng)] = static_cast<char>(byte(rng));
                break;
            case 1:
                text.insert(at(rng), 1, static_cast<char>(byte(rng)));
                break;
            case 2:
                text.erase(at(rng), 1);
                break;
            case 3:
                text.resize(at(rng));
                break;
        }
    }
    return text;
}

// Every text value that comes out is valid UTF-8, and every key has a path.
void CheckDocument(const RegistryDocument& doc, const std::string& text) {
    for (const RegistryKey& key : doc.keys) {
        ASSERT_FALSE(key.path.empty()) << ::testing::PrintToString(text);
        ASSERT_TRUE(IsValidUtf8(key.path)) << ::testing::PrintToString(text);
        for (const RegistryValue& value : key.values) {
            ASSERT_TRUE(IsValidUtf8(value.name)) << ::testing::PrintToString(text);
            if (value.isText) {
                ASSERT_TRUE(IsValidUtf8(value.data)) << ::testing::PrintToString(text);
            }
        }
    }
}

TEST(RegistryRandom, ParserSurvivesRandomTexts) {
    std::mt19937 rng(20261207);
    TempFolder tmp;
    const std::string prefix = tmp / "pfx";
    std::filesystem::create_directories(prefix + "/dosdevices");
    std::filesystem::create_directories(prefix + "/drive_c/Games");
#ifndef _WIN32
    // (Windows has no drive links to map through; the mapping then keeps the path as written.)
    std::filesystem::create_directory_symlink("../drive_c", prefix + "/dosdevices/c:");
#endif

    for (int i = 0; i < 300000; ++i) {
        const std::string text = RandomText(rng);
        const RegistryDocument doc = ParseRegistryText(text);
        CheckDocument(doc, text);
        if (HasFatalFailure()) return;
        const auto found = FindTextValue(doc, k32View, kValue);
        // Some of the values found are mapped as a Wine prefix would map them.
        if (found && i % 64 == 0) {
            const std::string local = MapWindowsPath(prefix, *found);
            (void)local;
        }
        // Now and then the whole lookup through files.
        if (i % 2000 == 0) {
            WriteFile(prefix + "/system.reg", text);
            (void)LookupWinePrefix(prefix, kKey, kValue);
            WriteFile(tmp / "registry.reg", text);
            (void)LookupRegistryFile(tmp / "registry.reg", kKey, kValue);
        }
    }
}

TEST(RegistryRandom, WellFormedKeyAfterJunkIsFound) {
    std::mt19937 rng(1796652252);
    for (int i = 0; i < 30000; ++i) {
        const std::string junk = RandomText(rng);
        const std::string wine = "WINE REGISTRY Version 2\n" + junk +
                                 "\n\n[Software\\\\Wow6432Node\\\\Slate Crown Entertainment\\\\"
                                 "Banerule III: Gloamkings Tide\\\\1.0] 1\n"
                                 "\"$Install_ToDirectory$\"=\"C:\\\\Games\\\\L\\xe9gende\"\n";
        const auto found = FindTextValue(ParseRegistryText(wine), k32View, kValue);
        ASSERT_TRUE(found) << ::testing::PrintToString(junk);
        ASSERT_EQ(*found, "C:\\Games\\L\xC3\xA9gende") << ::testing::PrintToString(junk);

        const std::string regedit = "REGEDIT4\n" + junk +
                                    "\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Slate Crown Entertainment\\"
                                    "Banerule III: Gloamkings Tide\\1.0]\n"
                                    "\"$Install_ToDirectory$\"=\"/games/b3\"\n";
        const auto local = FindTextValue(ParseRegistryText(regedit),
                                         std::string("HKEY_LOCAL_MACHINE\\") + kKey, kValue);
        ASSERT_TRUE(local) << ::testing::PrintToString(junk);
        ASSERT_EQ(*local, "/games/b3") << ::testing::PrintToString(junk);
    }
}

TEST(RegistryRandom, StoreIntoRandomFilesIsReadBack) {
    std::mt19937 rng(42);
    TempFolder tmp;
    const std::string path = tmp / "registry.reg";
    int stored = 0;
    for (int i = 0; i < 150; ++i) {
        const std::string original = "REGEDIT4\n" + RandomText(rng);
        WriteFile(path, original);
        std::error_code ec;
        const std::string value = "/games/run " + std::to_string(i) + " \"q\" \\";
        if (!StoreRegistryFileValue(path, kKey, kValue, value, ec)) {
            // Refusing is allowed only with a reason, and without touching the file.
            ASSERT_TRUE(ec);
            ASSERT_EQ(testing::ReadWholeFile(path), original);
            continue;
        }
        ++stored;
        const auto hit = LookupRegistryFile(path, kKey, kValue);
        ASSERT_TRUE(hit) << ::testing::PrintToString(original);
        // (On Windows the trailing backslash is no part of the folder read back.)
        ASSERT_EQ(hit->folder, FolderFromValue(value)) << ::testing::PrintToString(original);
        // The original text is still there, apart from the one value's lines.
        const std::string after = testing::ReadWholeFile(path);
        ASSERT_GE(after.size() + 400, original.size());
    }
    EXPECT_GT(stored, 100);
}

}  // namespace
}  // namespace b3::platform
