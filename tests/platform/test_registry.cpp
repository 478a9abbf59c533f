#include "platform/registry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/files.h"
#include "platform/temp_folder.h"
#include "support/full_disk.h"
#include "support/portable.h"

namespace b3::platform {
namespace {

namespace fs = std::filesystem;
using testing::ReadWholeFile;
using testing::TempFolder;
using testing::WriteFile;

constexpr const char* kKey =
    "SOFTWARE\\Slate Crown Entertainment\\Banerule III: Gloamkings Tide\\1.0";
constexpr const char* kValue = "$Install_ToDirectory$";
constexpr const char* kFileKeyLine =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Slate Crown Entertainment\\Banerule III: Gloamkings "
    "Tide\\1.0]";
constexpr const char* kWine32KeyLine =
    "[Software\\\\Wow6432Node\\\\Slate Crown Entertainment\\\\Banerule III: Gloamkings "
    "Tide\\\\1.0] 1796652252";
constexpr const char* kWine64KeyLine =
    "[Software\\\\Slate Crown Entertainment\\\\Banerule III: Gloamkings Tide\\\\1.0] 1796652252";
constexpr const char* kWineHeader =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n";

std::string FileWith(const std::string& valueLine) {
    return std::string("REGEDIT4\n\n") + kFileKeyLine + "\n" + valueLine + "\n";
}

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        b3::testing::SetEnvironment(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    ~ScopedEnv() { b3::testing::SetEnvironment(name_, old_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// ---------------------------------------------------------------------------------------------
// Our own registry file.

class RegistryFileTest : public ::testing::Test {
protected:
    std::optional<RegistryHit> Lookup(const std::string& text) {
        WriteFile(path, text);
        return LookupRegistryFile(path, kKey, kValue);
    }
    TempFolder tmp;
    std::string path = tmp / "registry.reg";
};

TEST_F(RegistryFileTest, FindsTheValue) {
    const auto hit = Lookup(FileWith("\"$Install_ToDirectory$\"=\"/games/Banerule III\""));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, "/games/Banerule III");
    EXPECT_EQ(hit->source, "registry file " + path);
}

TEST_F(RegistryFileTest, KeyAndValueNamesIgnoreCase) {
    const auto hit = Lookup(
        "REGEDIT4\n\n[hkey_local_machine\\software\\slate crown entertainment\\BANERULE III: "
        "gloamkings tide\\1.0]\n\"$INSTALL_TODIRECTORY$\"=\"/g\"\n");
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, "/g");
    // The abbreviated root names the same key.
    const auto shortRoot = Lookup(
        "REGEDIT4\n\n[HKLM\\SOFTWARE\\Slate Crown Entertainment\\Banerule III: Gloamkings "
        "Tide\\1.0]\n\"$install_todirectory$\"=\"/h\"\n");
    ASSERT_TRUE(shortRoot);
    EXPECT_EQ(shortRoot->folder, "/h");
}

TEST_F(RegistryFileTest, Escapes) {
    auto hit = Lookup(FileWith(R"("$Install_ToDirectory$"="C:\\Games\\\"B3\" \\\\x")"));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, R"(C:\Games\"B3" \\x)");
    // An escaped quote in the value name.
    const RegistryDocument doc =
        ParseRegistryText(FileWith(R"("a \"quoted\" \\name"="v")") + "@=\"default\"\n");
    ASSERT_EQ(doc.keys.size(), 1u);
    ASSERT_EQ(doc.keys[0].values.size(), 2u);
    EXPECT_EQ(doc.keys[0].values[0].name, R"(a "quoted" \name)");
    EXPECT_EQ(doc.keys[0].values[1].name, "@");
    EXPECT_EQ(FindTextValue(doc, std::string("HKEY_LOCAL_MACHINE\\") + kKey, ""), "default");
}

TEST_F(RegistryFileTest, MissingKeyValueOrFile) {
    EXPECT_FALSE(LookupRegistryFile(tmp / "missing.reg", kKey, kValue));
    EXPECT_FALSE(Lookup(FileWith("\"Other\"=\"/g\"")));
    EXPECT_FALSE(Lookup(
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Slate Crown Entertainment\\Banerule III: "
        "Gloamkings Tide\\2.0]\n\"$Install_ToDirectory$\"=\"/g\"\n"));
    EXPECT_FALSE(
        Lookup("REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Slate Crown Entertainment\\Banerule III: "
               "Gloamkings Tide\\1.0]\n\"$Install_ToDirectory$\"=\"/g\"\n"));
    // Not text.
    EXPECT_FALSE(Lookup(FileWith("\"$Install_ToDirectory$\"=hex:2f,67,00")));
    EXPECT_FALSE(Lookup(FileWith("\"$Install_ToDirectory$\"=dword:00000001")));
    // Unterminated text.
    EXPECT_FALSE(Lookup(FileWith("\"$Install_ToDirectory$\"=\"/g")));
    // A key that is being deleted holds nothing.
    EXPECT_FALSE(Lookup(
        "REGEDIT4\n\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Slate Crown Entertainment\\Banerule III: "
        "Gloamkings Tide\\1.0]\n\"$Install_ToDirectory$\"=\"/g\"\n"));
}

TEST_F(RegistryFileTest, LaterLinesOverrideEarlierOnes) {
    auto hit =
        Lookup(FileWith("\"$Install_ToDirectory$\"=\"/first\"\n"
                        "\"$install_todirectory$\"=\"/second\"") +
               "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n\"$Install_ToDirectory$\"=\"/x\"\n" +
               kFileKeyLine + "\n\"$Install_ToDirectory$\"=\"/third\"\n");
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, "/third");
    EXPECT_FALSE(
        Lookup(FileWith("\"$Install_ToDirectory$\"=\"/first\"\n"
                        "\"$Install_ToDirectory$\"=-")));
}

TEST_F(RegistryFileTest, ValueBufferLimit) {
    // 254 bytes and the terminating NUL fill the 255-byte buffer exactly.
    const std::string fits = "/" + std::string(253, 'a');
    auto hit = Lookup(FileWith("\"$Install_ToDirectory$\"=\"" + fits + "\""));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, fits);
    EXPECT_FALSE(Lookup(FileWith("\"$Install_ToDirectory$\"=\"" + fits + "a\"")));

    // Characters of the Windows code page count one byte each, though UTF-8 takes two.
    std::string accents;
    for (int i = 0; i < 254; ++i) accents += "\xC3\xA9";
    hit = Lookup(FileWith("\"$Install_ToDirectory$\"=\"" + accents + "\""));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, accents);
    EXPECT_FALSE(Lookup(FileWith("\"$Install_ToDirectory$\"=\"" + accents + "\xC3\xA9\"")));

    // Text the code page cannot hold counts in UTF-8 bytes: 84 * 3 + 2 = 254.
    std::string cjk;
    for (int i = 0; i < 84; ++i) cjk += "\xE6\xBC\xA2";
    EXPECT_TRUE(Lookup(FileWith("\"$Install_ToDirectory$\"=\"" + cjk + "ab\"")));
    EXPECT_FALSE(Lookup(FileWith("\"$Install_ToDirectory$\"=\"" + cjk + "abc\"")));
}

TEST_F(RegistryFileTest, OtherHeadersLineEndsAndEncodings) {
    // The newer header with CR LF line ends.
    auto hit = Lookup(std::string("Windows Registry Editor Version 5.00\r\n\r\n") + kFileKeyLine +
                      "\r\n\"$Install_ToDirectory$\"=\"/crlf\"\r\n");
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, "/crlf");

    // The same text in UTF-16LE with a byte order mark, as that editor exports it.
    const std::string text = std::string("Windows Registry Editor Version 5.00\r\n\r\n") +
                             kFileKeyLine + "\r\n\"$Install_ToDirectory$\"=\"/wide\"\r\n";
    std::string wide = "\xFF\xFE";
    for (const char c : text) {
        wide.push_back(c);
        wide.push_back('\0');
    }
    hit = Lookup(wide);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, "/wide");

    // A value in the Windows code page (not UTF-8) comes out as UTF-8.
    hit = Lookup(FileWith("\"$Install_ToDirectory$\"=\"/L\xE9gende\""));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, "/L\xC3\xA9gende");
    // UTF-8 stays as it is; a UTF-8 byte order mark is ignored.
    hit = Lookup("\xEF\xBB\xBF" + FileWith("\"$Install_ToDirectory$\"=\"/L\xC3\xA9gende\""));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, "/L\xC3\xA9gende");
}

TEST_F(RegistryFileTest, StoreCreatesFileAndFolders) {
    const std::string nested = tmp / "config/b3tools/registry.reg";
    std::error_code ec;
    ASSERT_TRUE(StoreRegistryFileValue(nested, kKey, kValue, "/games/B3", ec)) << ec.message();
    EXPECT_EQ(ReadWholeFile(nested), FileWith("\"$Install_ToDirectory$\"=\"/games/B3\""));
    const auto hit = LookupRegistryFile(nested, kKey, kValue);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, "/games/B3");

    // Backslashes and quotes are escaped and read back.
    ASSERT_TRUE(StoreRegistryFileValue(path, kKey, kValue, R"(C:\Games\"B3")", ec));
    EXPECT_EQ(ReadWholeFile(path), FileWith(R"("$Install_ToDirectory$"="C:\\Games\\\"B3\"")"));
    EXPECT_EQ(LookupRegistryFile(path, kKey, kValue)->folder, R"(C:\Games\"B3")");

    // An empty file is made a registry file.
    WriteFile(path, "");
    ASSERT_TRUE(StoreRegistryFileValue(path, kKey, kValue, "/e", ec));
    EXPECT_EQ(ReadWholeFile(path), FileWith("\"$Install_ToDirectory$\"=\"/e\""));
}

TEST_F(RegistryFileTest, StoreReplacesOnlyThatValue) {
    // The file around the value's line stays as it was, to the byte.
    const auto file = [](const std::string& valueLine) {
        return "REGEDIT4\r\n"
               "; our own comment\r\n"
               "\r\n"
               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n"
               "\"$Install_ToDirectory$\"=\"/other\"\r\n"
               "\r\n"
               "[hkey_local_machine\\software\\slate crown entertainment\\banerule iii: gloamkings "
               "tide\\1.0]\r\n"
               "\"Version\"=\"1.0\"\r\n" +
               valueLine +
               "\"Binary\"=hex:00,01,\\\r\n"
               "  02,03\r\n"
               "; trailing comment\r\n";
    };
    WriteFile(path, file("\"$INSTALL_TODIRECTORY$\"  =  \"/old\"   \r\n"));
    std::error_code ec;
    ASSERT_TRUE(StoreRegistryFileValue(path, kKey, kValue, "/new", ec)) << ec.message();
    EXPECT_EQ(ReadWholeFile(path), file("\"$Install_ToDirectory$\"=\"/new\"\r\n"));
    EXPECT_EQ(LookupRegistryFile(path, kKey, kValue)->folder, "/new");
}

TEST_F(RegistryFileTest, StoreReplacesBinaryValueSpanningLines) {
    WriteFile(path, FileWith("\"$Install_ToDirectory$\"=hex:2f,00,\\\n  67,00\n\"Next\"=\"n\""));
    std::error_code ec;
    ASSERT_TRUE(StoreRegistryFileValue(path, kKey, kValue, "/text", ec));
    EXPECT_EQ(ReadWholeFile(path), FileWith("\"$Install_ToDirectory$\"=\"/text\"\n\"Next\"=\"n\""));
}

TEST_F(RegistryFileTest, StoreAddsValueToExistingKey) {
    const std::string before = "REGEDIT4\n\n" + std::string(kFileKeyLine) +
                               "\n\"Version\"=\"1.0\"\n\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Next]\n"
                               "\"a\"=\"b\"\n";
    WriteFile(path, before);
    std::error_code ec;
    ASSERT_TRUE(StoreRegistryFileValue(path, kKey, kValue, "/added", ec));
    EXPECT_EQ(ReadWholeFile(path),
              "REGEDIT4\n\n" + std::string(kFileKeyLine) +
                  "\n\"Version\"=\"1.0\"\n\"$Install_ToDirectory$\"=\"/added\"\n\n\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Next]\n\"a\"=\"b\"\n");

    // A key line as the last line, without a line break.
    WriteFile(path, "REGEDIT4\n\n" + std::string(kFileKeyLine));
    ASSERT_TRUE(StoreRegistryFileValue(path, kKey, kValue, "/x", ec));
    EXPECT_EQ(ReadWholeFile(path), FileWith("\"$Install_ToDirectory$\"=\"/x\""));
}

TEST_F(RegistryFileTest, StoreAddsKeyAtTheEnd) {
    WriteFile(path, "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n\"a\"=\"b\"");
    std::error_code ec;
    ASSERT_TRUE(StoreRegistryFileValue(path, kKey, kValue, "/k", ec));
    EXPECT_EQ(ReadWholeFile(path),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n\"a\"=\"b\"\n\n" +
                  std::string(kFileKeyLine) + "\n\"$Install_ToDirectory$\"=\"/k\"\n");
    // After a blank last line no second blank line is added.
    WriteFile(path, "REGEDIT4\r\n\r\n");
    ASSERT_TRUE(StoreRegistryFileValue(path, kKey, kValue, "/k", ec));
    EXPECT_EQ(ReadWholeFile(path), "REGEDIT4\r\n\r\n" + std::string(kFileKeyLine) +
                                       "\r\n\"$Install_ToDirectory$\"=\"/k\"\r\n");
}

TEST_F(RegistryFileTest, StoreRefusesWhatItCannotWriteAndLosesNothing) {
    std::error_code ec;
    // Not a registry file.
    WriteFile(path, "my notes\n");
    EXPECT_FALSE(StoreRegistryFileValue(path, kKey, kValue, "/g", ec));
    EXPECT_TRUE(ec);
    EXPECT_FALSE(ec.message().empty());
    EXPECT_EQ(ReadWholeFile(path), "my notes\n");
    // A Wine registry.
    WriteFile(path, kWineHeader);
    EXPECT_FALSE(StoreRegistryFileValue(path, kKey, kValue, "/g", ec));
    EXPECT_EQ(ReadWholeFile(path), kWineHeader);
    // UTF-16 text.
    WriteFile(path, std::string("\xFF\xFER\0E\0", 6));
    EXPECT_FALSE(StoreRegistryFileValue(path, kKey, kValue, "/g", ec));
    EXPECT_EQ(ReadWholeFile(path), std::string("\xFF\xFER\0E\0", 6));
    // Values a registry file cannot hold.
    const std::string good = FileWith("\"$Install_ToDirectory$\"=\"/old\"");
    WriteFile(path, good);
    EXPECT_FALSE(StoreRegistryFileValue(path, kKey, kValue, "/a\nb", ec));
    EXPECT_TRUE(ec);
    EXPECT_FALSE(StoreRegistryFileValue(path, kKey, kValue, std::string("/a\0b", 4), ec));
    EXPECT_FALSE(StoreRegistryFileValue(path, kKey, kValue, "/\xFF", ec));
    EXPECT_FALSE(StoreRegistryFileValue(path, kKey, "a\rb", "/g", ec));
    EXPECT_EQ(ReadWholeFile(path), good);
    // A folder in place of the file.
    fs::create_directory(tmp / "dir.reg");
    EXPECT_FALSE(StoreRegistryFileValue(tmp / "dir.reg", kKey, kValue, "/g", ec));
    EXPECT_TRUE(ec);
    EXPECT_TRUE(fs::is_directory(tmp / "dir.reg"));
    // A failing write leaves the old file.
    const FullDisk full(10);
    EXPECT_FALSE(StoreRegistryFileValue(path, kKey, kValue, "/new", ec, &full));
    EXPECT_EQ(ec, std::errc::no_space_on_device);
    EXPECT_EQ(ReadWholeFile(path), good);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(tmp.path())) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"dir.reg", "registry.reg"}));
}

// ---------------------------------------------------------------------------------------------
// Parsing of Wine's registry text.

TEST(WineText, DocumentStructure) {
    const RegistryDocument doc =
        ParseRegistryText(std::string(kWineHeader) + kWine32KeyLine + "\n#time=1dd8653d641e12a\n" +
                          "\"$Install_ToDirectory$\"=\"C:\\\\Games\\\\L\\xe9gende III\"\n\n" +
                          "[Software\\\\Classes\\\\.txt] 1796652252\n@=\"txtfile\"\n");
    EXPECT_TRUE(doc.isWine);
    EXPECT_EQ(doc.arch, "win64");
    ASSERT_EQ(doc.keys.size(), 2u);
    EXPECT_EQ(doc.keys[0].path,
              "Software\\Wow6432Node\\Slate Crown Entertainment\\Banerule III: Gloamkings "
              "Tide\\1.0");
    ASSERT_EQ(doc.keys[0].values.size(), 1u);
    EXPECT_EQ(doc.keys[0].values[0].name, "$Install_ToDirectory$");
    EXPECT_EQ(doc.keys[0].values[0].data, "C:\\Games\\L\xC3\xA9gende III");
    EXPECT_TRUE(doc.keys[0].values[0].isText);
    EXPECT_EQ(doc.keys[1].path, "Software\\Classes\\.txt");
    EXPECT_EQ(FindTextValue(doc, "software\\classes\\.TXT", "@"), "txtfile");
}

TEST(WineText, EveryEscape) {
    const RegistryDocument doc =
        ParseRegistryText(std::string(kWineHeader) + "[K] 1\n" +
                          R"("v"="a\\b\"c\nd\re\tf\0g\xe9h\x20aci\xd83d\xde00j\x41\x0041k\101\q")" +
                          "\n" + R"("n\"a\\m\xe9"="x")" + "\n");
    const auto v = FindTextValue(doc, "K", "v");
    ASSERT_TRUE(v);
    EXPECT_EQ(*v, std::string("a\\b\"c\nd\re\tf\0", 12) +
                      "g\xC3\xA9h\xE2\x82\xAC"
                      "i\xF0\x9F\x98\x80jAAkAq");
    EXPECT_EQ(FindTextValue(doc, "K", "n\"a\\m\xC3\xA9"), "x");
    // \x takes at most four hex digits: \x20acd is U+20AC then 'd'.
    const RegistryDocument four =
        ParseRegistryText(std::string(kWineHeader) + "[K] 1\n\"v\"=\"\\x20acd\\xe9e\"\n");
    EXPECT_EQ(FindTextValue(four, "K", "v"),
              "\xE2\x82\xAC"
              "d\xE0\xBA\x9E");
    // Escaped brackets inside a key name.
    const RegistryDocument brackets =
        ParseRegistryText(std::string(kWineHeader) + "[A\\\\B\\]C] 1\n\"v\"=\"1\"\n");
    EXPECT_EQ(FindTextValue(brackets, "A\\B]C", "v"), "1");
}

TEST(WineText, UnreadableValuesAreSkipped) {
    const RegistryDocument doc = ParseRegistryText(std::string(kWineHeader) + "[K] 1\n" +
                                                   "\"lone high\"=\"a\\xd83db\"\n"
                                                   "\"lone low\"=\"a\\xde00\"\n"
                                                   "\"bad utf8\"=\"a\xFF\"\n"
                                                   "\"unterminated\"=\"abc\n"
                                                   "\"junk after\"=\"abc\" junk\n"
                                                   "\"ok\"=\"fine\"\n");
    for (const char* name : {"lone high", "lone low", "bad utf8", "unterminated", "junk after"}) {
        EXPECT_FALSE(FindTextValue(doc, "K", name)) << name;
    }
    EXPECT_EQ(FindTextValue(doc, "K", "ok"), "fine");
}

TEST(WineText, TypedValues) {
    const RegistryDocument doc = ParseRegistryText(std::string(kWineHeader) + "[K] 1\n" +
                                                   "\"expand\"=str(2):\"%ProgramFiles%\\\\B3\"\n"
                                                   "\"multi\"=str(7):\"one\\0two\\0\"\n"
                                                   "\"bin\"=hex:43,00,3a,00,\\\n"
                                                   "  5c,00,00,00\n"
                                                   "\"typed\"=hex(2):43,00,\\\n"
                                                   "  00,00\n"
                                                   "\"num\"=dword:00000001\n"
                                                   "\"after\"=\"still read\"\n");
    EXPECT_EQ(FindTextValue(doc, "K", "expand"), "%ProgramFiles%\\B3");
    EXPECT_EQ(FindTextValue(doc, "K", "multi"), std::string("one\0two\0", 8));
    EXPECT_FALSE(FindTextValue(doc, "K", "bin"));
    EXPECT_FALSE(FindTextValue(doc, "K", "typed"));
    EXPECT_FALSE(FindTextValue(doc, "K", "num"));
    EXPECT_EQ(FindTextValue(doc, "K", "after"), "still read");
    ASSERT_EQ(doc.keys.size(), 1u);
    EXPECT_EQ(doc.keys[0].values.size(), 6u);  // the continuation lines are no values
}

TEST(WineText, GarbageAndBinaryJunkAreSkipped) {
    std::string junk = std::string(kWineHeader) +
                       "[Unclosed key\n"
                       "\"orphan\"=\"no key\"\n"
                       "random words here\n"
                       "=\"no name\"\n"
                       "\"x\"\n"
                       "[\n"
                       "]\n";
    junk += std::string("\0\x01\xFF\xFE\x80[\"\\", 8) + "\n";
    junk += "\"dangling\"=hex:00,\\\n";  // runs on into the next line, which is blank
    junk += "\n";
    junk += std::string(kWine32KeyLine) + "\n\"$Install_ToDirectory$\"=\"C:\\\\B3\"\n";
    junk += std::string("\xC3\x28\"\\x\\", 6);
    const RegistryDocument doc = ParseRegistryText(junk);
    EXPECT_EQ(FindTextValue(doc,
                            "Software\\Wow6432Node\\Slate Crown Entertainment\\Banerule III: "
                            "Gloamkings Tide\\1.0",
                            kValue),
              "C:\\B3");
    for (const RegistryKey& key : doc.keys) {
        for (const RegistryValue& value : key.values) EXPECT_NE(value.name, "orphan");
    }
}

// Every reader hands the folder on without trailing separators and with its %NAME% references
// expanded when the value is expandable.
TEST_F(RegistryFileTest, TrailingSeparatorsGoAndExpandableValuesAreExpanded) {
    EXPECT_EQ(Lookup(FileWith("\"$Install_ToDirectory$\"=\"/games/b3//\""))->folder, "/games/b3");
    EXPECT_EQ(Lookup(FileWith("\"$Install_ToDirectory$\"=\"/\""))->folder, "/");
    ScopedEnv games("B3_TEST_GAMES", "/srv/games");
    // "%B3_TEST_GAMES%/b3/" as UTF-16LE over two lines, as a registry editor writes it.
    std::string hex;
    for (const char c : std::string("%B3_TEST_GAMES%/b3/")) {
        char pair[8];
        std::snprintf(pair, sizeof pair, "%02x,00,", static_cast<unsigned char>(c));
        hex += pair;
        if (hex.size() == 42) hex += "\\\n  ";
    }
    const auto hit = Lookup(FileWith("\"$Install_ToDirectory$\"=hex(2):" + hex + "00,00"));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, "/srv/games/b3");
    // A plain text is taken as written.
    EXPECT_EQ(Lookup(FileWith("\"$Install_ToDirectory$\"=\"%B3_TEST_GAMES%/b3\""))->folder,
              "%B3_TEST_GAMES%/b3");
}

TEST(FolderFromValue, OnePlaceForEveryReader) {
    const VariableLookup lookup = [](std::string_view name) -> std::optional<std::string> {
        if (name == "ProgramFiles") return std::string("C:\\Program Files (x86)");
        return std::nullopt;
    };
    EXPECT_EQ(ExpandReferences("%ProgramFiles%\\B3", lookup), "C:\\Program Files (x86)\\B3");
    EXPECT_EQ(ExpandReferences("%Unknown%\\%ProgramFiles%\\100%", lookup),
              "%Unknown%\\C:\\Program Files (x86)\\100%");
    EXPECT_EQ(FolderFromValue(std::string("/games/b3/\0junk", 16)), "/games/b3");
#ifdef _WIN32
    EXPECT_EQ(FolderFromValue("C:\\Games\\B3\\"), "C:\\Games\\B3");
    EXPECT_EQ(FolderFromValue("C:\\Games\\B3/"), "C:\\Games\\B3");
    EXPECT_EQ(FolderFromValue("C:\\"), "C:\\");
    EXPECT_EQ(FolderFromValue("%ProgramFiles%\\B3\\", true, lookup), "C:\\Program Files (x86)\\B3");
#else
    EXPECT_EQ(FolderFromValue("/games/b3/"), "/games/b3");
    EXPECT_EQ(FolderFromValue("/"), "/");
#endif
}

// ---------------------------------------------------------------------------------------------
// A fake Wine prefix: dosdevices links and a crafted system.reg.

class WinePrefixTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP() << "reading a Wine prefix from outside is for POSIX systems; on Windows "
                        "the registry itself is read";
#endif
        fs::create_directories(prefix + "/dosdevices");
        fs::create_directories(prefix + "/drive_c/Games/L\xC3\xA9gende III/Army");
        fs::create_directory_symlink("../drive_c", prefix + "/dosdevices/c:");
        fs::create_directory_symlink("/", prefix + "/dosdevices/z:");
    }
    void WriteSystemReg(const std::string& body, const char* header = kWineHeader) {
        WriteFile(prefix + "/system.reg", header + body);
    }
    std::optional<RegistryHit> Lookup() {
        return LookupWinePrefix(prefix, kKey, kValue);
    }

    TempFolder tmp;
    std::string prefix = tmp / "pfx";
    std::string game = prefix + "/drive_c/Games/L\xC3\xA9gende III";
};

TEST_F(WinePrefixTest, ThirtyTwoBitViewFirst) {
    WriteSystemReg(std::string(kWine64KeyLine) +
                   "\n\"$Install_ToDirectory$\"=\"C:\\\\Elsewhere\"\n\n" + kWine32KeyLine +
                   "\n#time=1dd8653d641e12a\n"
                   "\"$Install_ToDirectory$\"=\"C:\\\\Games\\\\L\\xe9gende III\"\n");
    const auto hit = Lookup();
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, game);
    EXPECT_EQ(hit->source, "Wine prefix " + prefix + " (32-bit view)");
}

// An expandable value (str(2), as Wine's "reg add /t REG_EXPAND_SZ" writes it) is expanded with
// the prefix's own folders: the 32-bit program files in a 64-bit prefix.
TEST_F(WinePrefixTest, ExpandableValueUsesThePrefixsFolders) {
    fs::create_directories(prefix + "/drive_c/Program Files (x86)/B3/Army");
    WriteSystemReg(
        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion] 1\n"
        "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n"
        "\"ProgramFilesDir (x86)\"=\"C:\\\\Program Files (x86)\"\n\n" +
        std::string(kWine32KeyLine) +
        "\n\"$Install_ToDirectory$\"=str(2):\"%ProgramFiles%\\\\B3\\\\\"\n");
    const auto hit = Lookup();
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, prefix + "/drive_c/Program Files (x86)/B3");
}

TEST_F(WinePrefixTest, SixtyFourBitViewWhenThirtyTwoLacksIt) {
    WriteSystemReg(std::string(kWine64KeyLine) +
                   "\n\"$Install_ToDirectory$\"=\"C:\\\\Games\\\\L\\xe9gende III\"\n");
    auto hit = Lookup();
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, game);
    EXPECT_EQ(hit->source, "Wine prefix " + prefix + " (64-bit view)");

    // The 32-bit key without the value, or with a value too long for the buffer, or with
    // binary data, does not stop the search.
    for (const std::string& first :
         {std::string("\"Other\"=\"x\""),
          "\"$Install_ToDirectory$\"=\"C:\\\\" + std::string(253, 'a') + "\"",
          std::string("\"$Install_ToDirectory$\"=hex:43,00")}) {
        WriteSystemReg(std::string(kWine32KeyLine) + "\n" + first + "\n\n" + kWine64KeyLine +
                       "\n\"$Install_ToDirectory$\"=\"C:\\\\Games\\\\L\\xe9gende III\"\n");
        hit = Lookup();
        ASSERT_TRUE(hit) << first;
        EXPECT_EQ(hit->source, "Wine prefix " + prefix + " (64-bit view)") << first;
    }
    // 254 bytes still fit in the 32-bit view.
    WriteSystemReg(std::string(kWine32KeyLine) + "\n\"$Install_ToDirectory$\"=\"C:\\\\" +
                   std::string(251, 'a') + "\"\n");
    hit = Lookup();
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, prefix + "/drive_c/" + std::string(251, 'a'));
}

TEST_F(WinePrefixTest, ThirtyTwoBitPrefix) {
    const char* header32 =
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n"
        "#arch=win32\n\n";
    WriteSystemReg(std::string(kWine64KeyLine) +
                       "\n\"$Install_ToDirectory$\"=\"C:\\\\Games\\\\L\\xe9gende III\"\n",
                   header32);
    auto hit = Lookup();
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, game);
    EXPECT_EQ(hit->source, "Wine prefix " + prefix + " (32-bit view)");
    // A 32-bit prefix has no redirected keys: Wow6432Node is an ordinary key name there.
    WriteSystemReg(std::string(kWine32KeyLine) + "\n\"$Install_ToDirectory$\"=\"C:\\\\Games\"\n",
                   header32);
    EXPECT_FALSE(Lookup());
}

TEST_F(WinePrefixTest, TypedTextValue) {
    WriteSystemReg(std::string(kWine32KeyLine) +
                   "\n\"$Install_ToDirectory$\"=str(2):\"C:\\\\Games\\\\L\\xe9gende III\"\n");
    auto hit = Lookup();
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, game);
    WriteSystemReg(std::string(kWine32KeyLine) + "\n\"$Install_ToDirectory$\"=dword:00000001\n");
    EXPECT_FALSE(Lookup());
}

TEST_F(WinePrefixTest, MissingOrUnreadableSystemReg) {
    EXPECT_FALSE(Lookup());
    WriteFile(prefix + "/system.reg", std::string("\0\xFF\xFE\x01garbage\n[\n\"", 16));
    EXPECT_FALSE(Lookup());
    EXPECT_FALSE(LookupWinePrefix(tmp / "no-prefix", kKey, kValue));
}

TEST_F(WinePrefixTest, MapsDrivesAndComponents) {
    EXPECT_EQ(MapWindowsPath(prefix, "C:\\Games\\L\xC3\xA9gende III"), game);
    // Components in another letter case are found as the folder spells them.
    EXPECT_EQ(MapWindowsPath(prefix, "c:\\GAMES\\l\xC3\xA9GENDE iii\\army"), game + "/Army");
    EXPECT_EQ(MapWindowsPath(prefix, "C:/Games/L\xC3\xA9gende III/"), game);
    EXPECT_EQ(MapWindowsPath(prefix, "C:\\\\Games\\.\\L\xC3\xA9gende III"), game);
    EXPECT_EQ(MapWindowsPath(prefix, "C:"), prefix + "/drive_c");
    EXPECT_EQ(MapWindowsPath(prefix, "C:\\"), prefix + "/drive_c");
    // A component that does not exist is kept as written, and so is the rest.
    EXPECT_EQ(MapWindowsPath(prefix, "C:\\games\\Nope\\army"), prefix + "/drive_c/Games/Nope/army");
    // A drive without a link, and paths that name no drive, stay as written.
    EXPECT_EQ(MapWindowsPath(prefix, "D:\\Games\\B3"), "D:\\Games\\B3");
    EXPECT_EQ(MapWindowsPath(prefix, "\\\\server\\share\\B3"), "\\\\server\\share\\B3");
    EXPECT_EQ(MapWindowsPath(prefix, "Games\\B3"), "Games\\B3");
    EXPECT_EQ(MapWindowsPath(prefix, ""), "");
    EXPECT_EQ(MapWindowsPath(prefix, "1:\\x"), "1:\\x");
    EXPECT_EQ(MapWindowsPath(tmp / "no-prefix", "C:\\Games"), "C:\\Games");
}

TEST_F(WinePrefixTest, MapsZDriveToTheRoot) {
    fs::create_directories(tmp / "home/me/B3");
    std::string windows = "Z:";
    for (const char c : tmp.path() + "/HOME/me/b3") windows.push_back(c == '/' ? '\\' : c);
    EXPECT_EQ(MapWindowsPath(prefix, windows), tmp / "home/me/B3");
    EXPECT_EQ(MapWindowsPath(prefix, "z:\\"), "/");
}

TEST_F(WinePrefixTest, UpperCaseAndAbsoluteLinks) {
    fs::remove(prefix + "/dosdevices/c:");
    fs::create_directory_symlink(prefix + "/drive_c", prefix + "/dosdevices/C:");
    EXPECT_EQ(MapWindowsPath(prefix, "c:\\Games\\L\xC3\xA9gende III"), game);
    // A drive that is a folder of its own rather than a link.
    fs::create_directories(prefix + "/dosdevices/e:/Data");
    EXPECT_EQ(MapWindowsPath(prefix, "E:\\DATA"), prefix + "/dosdevices/e:/Data");
}

TEST_F(WinePrefixTest, LookupMachineValueTriesFileThenPrefix) {
    WriteSystemReg(std::string(kWine32KeyLine) +
                   "\n\"$Install_ToDirectory$\"=\"C:\\\\Games\\\\L\\xe9gende III\"\n");
    const std::string file = tmp / "registry.reg";
    ScopedEnv reg("B3_REGISTRY", file.c_str());
    ScopedEnv wine("WINEPREFIX", prefix.c_str());

    // No registry file: the prefix.
    auto hit = LookupMachineValue(kKey, kValue);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, game);
    EXPECT_EQ(hit->source, "Wine prefix " + prefix + " (32-bit view)");

    // The file holds the key but not the value: still the prefix.
    WriteFile(file, FileWith("\"Version\"=\"1.0\""));
    hit = LookupMachineValue(kKey, kValue);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->source, "Wine prefix " + prefix + " (32-bit view)");

    // The file's value is too long: the prefix.
    WriteFile(file, FileWith("\"$Install_ToDirectory$\"=\"/" + std::string(254, 'x') + "\""));
    hit = LookupMachineValue(kKey, kValue);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->source, "Wine prefix " + prefix + " (32-bit view)");

    // The file's value wins.
    WriteFile(file, FileWith("\"$Install_ToDirectory$\"=\"/from/file\""));
    hit = LookupMachineValue(kKey, kValue);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->folder, "/from/file");
    EXPECT_EQ(hit->source, "registry file " + file);

    // Neither store.
    fs::remove(file);
    fs::remove(prefix + "/system.reg");
    EXPECT_FALSE(LookupMachineValue(kKey, kValue));
}

TEST(RegistryPaths, FromTheEnvironment) {
#ifdef _WIN32
    GTEST_SKIP() << "the registry file and the Wine prefix are not used on Windows";
#endif
    {
        ScopedEnv reg("B3_REGISTRY", "/somewhere/my.reg");
        EXPECT_EQ(RegistryFilePath(), "/somewhere/my.reg");
    }
    {
        ScopedEnv reg("B3_REGISTRY", nullptr);
        ScopedEnv xdg("XDG_CONFIG_HOME", "/xdg");
        EXPECT_EQ(RegistryFilePath(), "/xdg/b3tools/registry.reg");
    }
    {
        ScopedEnv reg("B3_REGISTRY", "");
        ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
        ScopedEnv home("HOME", "/home/someone");
        EXPECT_EQ(RegistryFilePath(), "/home/someone/.config/b3tools/registry.reg");
    }
    {
        ScopedEnv wine("WINEPREFIX", "/pfx");
        EXPECT_EQ(WinePrefixPath(), "/pfx");
    }
    {
        ScopedEnv wine("WINEPREFIX", nullptr);
        ScopedEnv home("HOME", "/home/someone");
        EXPECT_EQ(WinePrefixPath(), "/home/someone/.wine");
    }
}

}  // namespace
}  // namespace b3::platform
