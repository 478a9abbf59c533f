// The server's file channel: field reads and writes by position and width, opening modes,
// channel numbers, closing, deleting and copying.
#include "cfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>

#include "support/install_fixture.h"

// On Windows the test framework brings in <windows.h>, whose CopyFile macro would rename the
// member called below.
#ifdef CopyFile
#undef CopyFile
#endif

namespace b3 {
void PrintTo(const Cell& c, std::ostream* os) {
    *os << Cell::typeName(c.type()) << "(" << c.toString() << ")";
}
}  // namespace b3

namespace {

using b3::Cell;
using b3::CFile;
using b3test::Failure;
using b3test::ReadBytes;
using b3test::TempDir;
using b3test::WriteBytes;
namespace fs = std::filesystem;

// A file with the given bytes, opened in binary mode on its own CFile.
struct OpenFile {
    explicit OpenFile(const std::string& bytes, const std::string& name = "f.bin")
        : path(dir / name) {
        WriteBytes(path, bytes);
        channel = file.OpenAppDefFile(path, "BINARY");
    }
    TempDir dir;
    std::string path;
    CFile file;
    std::int16_t channel = 0;
};

// ---------------------------------------------------------------------------------------------
// FlexGet

TEST(FlexGet, ByteWidthReadsOneUnsignedByte) {
    OpenFile f(std::string("\x07\xFF\x80", 3));
    EXPECT_EQ(f.file.FlexGet(f.channel, 1, 1), Cell::byte(7));
    EXPECT_EQ(f.file.FlexGet(f.channel, 2, 1), Cell::byte(255));
    EXPECT_EQ(f.file.FlexGet(f.channel, 3, 1), Cell::byte(128));
}

TEST(FlexGet, IntegerWidthIsLittleEndianAndSigned) {
    OpenFile f(std::string("\x34\x12\xFF\xFF\x00\x80\xFF\x7F", 8));
    const Cell a = f.file.FlexGet(f.channel, 1, 2);
    EXPECT_EQ(a.type(), Cell::Type::Integer);
    EXPECT_EQ(a.number(), 4660);
    EXPECT_EQ(f.file.FlexGet(f.channel, 3, 2), Cell::integer(-1));
    EXPECT_EQ(f.file.FlexGet(f.channel, 5, 2), Cell::integer(-32768));
    EXPECT_EQ(f.file.FlexGet(f.channel, 7, 2), Cell::integer(32767));
    // An odd position straddles the two values: 0x12 then 0xFF.
    EXPECT_EQ(f.file.FlexGet(f.channel, 2, 2), Cell::integer(static_cast<std::int16_t>(0xFF12)));
}

TEST(FlexGet, LongWidthIsLittleEndianAndSigned) {
    OpenFile f(std::string("\xFF\xFF\xFF\xFF\x78\x56\x34\x12\x00\x00\x00\x80", 12));
    const Cell a = f.file.FlexGet(f.channel, 1, 4);
    EXPECT_EQ(a.type(), Cell::Type::Long);
    EXPECT_EQ(a.number(), -1);
    EXPECT_EQ(f.file.FlexGet(f.channel, 5, 4), Cell::long_(0x12345678));
    EXPECT_EQ(f.file.FlexGet(f.channel, 9, 4), Cell::long_(INT32_MIN));
}

TEST(FlexGet, TextWidthReadsExactlyStringLengthBytesNulsIncluded) {
    OpenFile f(std::string("xKNIGHT\0\0\0yz", 12));
    const Cell t = f.file.FlexGet(f.channel, 2, 8, 9);
    ASSERT_EQ(t.type(), Cell::Type::Text);
    EXPECT_EQ(t.str().size(), 9u);
    EXPECT_EQ(t.str().substr(0, 6), "KNIGHT");
    EXPECT_EQ(t.str(), std::string("KNIGHT\0\0\0", 9));
    // A length of zero reads the empty text.
    EXPECT_EQ(f.file.FlexGet(f.channel, 2, 8, 0), Cell::text(""));
}

TEST(FlexGet, TextWithoutStringLengthAndUnknownWidthsAreEmpty) {
    OpenFile f("ABCDEFGH");
    EXPECT_TRUE(f.file.FlexGet(f.channel, 1, 8).isEmpty());
    for (int width : {0, 3, 5, 7, 9, 16, -1}) {
        EXPECT_TRUE(f.file.FlexGet(f.channel, 1, width, 4).isEmpty()) << "width " << width;
    }
}

TEST(FlexGet, BytesPastTheEndReadAsZeros) {
    OpenFile f(std::string("\x11\x22\x33", 3));
    EXPECT_EQ(f.file.FlexGet(f.channel, 3, 2), Cell::integer(0x33));  // 0x33, then a zero
    EXPECT_EQ(f.file.FlexGet(f.channel, 2, 4), Cell::long_(0x3322));
    EXPECT_EQ(f.file.FlexGet(f.channel, 100, 1), Cell::byte(0));
    EXPECT_EQ(f.file.FlexGet(f.channel, 100, 2), Cell::integer(0));
    EXPECT_EQ(f.file.FlexGet(f.channel, 100, 4), Cell::long_(0));
    EXPECT_EQ(f.file.FlexGet(f.channel, 3, 8, 4), Cell::text(std::string("\x33\0\0\0", 4)));
    // Reading changed nothing on disk.
    EXPECT_EQ(ReadBytes(f.path), std::string("\x11\x22\x33", 3));
    // A later read inside the file still works after the short reads.
    EXPECT_EQ(f.file.FlexGet(f.channel, 1, 1), Cell::byte(0x11));
}

TEST(FlexGet, TextIsDecodedFromWindows1252) {
    OpenFile f("\x80\xE9\x92\x41");
    EXPECT_EQ(f.file.FlexGet(f.channel, 1, 8, 2), Cell::text("\xE2\x82\xAC\xC3\xA9"));  // "€é"
    EXPECT_EQ(f.file.FlexGet(f.channel, 3, 8, 2), Cell::text("\xE2\x80\x99"
                                                             "A"));
}

TEST(FlexGet, UnknownChannelFails) {
    CFile file;
    const auto e = Failure([&] { file.FlexGet(200, 1, 1); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->source(), "CFile::FlexGet");
    EXPECT_EQ(e->number(), 52);
}

// ---------------------------------------------------------------------------------------------
// FlexPut

TEST(FlexPut, NumbersThatDoNotFitOverflowAndWriteNothing) {
    const std::string before("ABCDEFGH", 8);
    OpenFile f(before);
    struct Case {
        int width;
        Cell value;
    };
    const Case cases[] = {
        {1, Cell::integer(256)}, {1, Cell::integer(-1)},        {1, Cell::long_(1000)},
        {2, Cell::long_(32768)}, {2, Cell::long_(-32769)},      {2, Cell::text("40000")},
        {1, Cell::text("256")},  {4, Cell::text("2147483648")},
    };
    for (const Case& c : cases) {
        const auto e = Failure([&] { f.file.FlexPut(f.channel, 2, c.width, c.value); });
        ASSERT_TRUE(e) << "width " << c.width << " value " << c.value.toString();
        EXPECT_EQ(e->number(), 6) << c.value.toString();
        EXPECT_EQ(e->source(), "CFile::FlexPut");
        EXPECT_EQ(e->description(), "Overflow");
    }
    EXPECT_EQ(ReadBytes(f.path), before);
}

TEST(FlexPut, LimitsOfEachWidthFit) {
    OpenFile f("");
    f.file.FlexPut(f.channel, 1, 1, Cell::integer(255));
    f.file.FlexPut(f.channel, 2, 1, Cell::integer(0));
    f.file.FlexPut(f.channel, 3, 2, Cell::long_(-32768));
    f.file.FlexPut(f.channel, 5, 2, Cell::long_(32767));
    f.file.FlexPut(f.channel, 7, 4, Cell::long_(-2));
    f.file.FlexPut(f.channel, 11, 4, Cell::long_(0x01020304));
    EXPECT_EQ(ReadBytes(f.path),
              std::string("\xFF\x00\x00\x80\xFF\x7F\xFE\xFF\xFF\xFF\x04\x03\x02\x01", 14));
}

TEST(FlexPut, TextHoldingANumberIsThatNumber) {
    OpenFile f("");
    f.file.FlexPut(f.channel, 1, 2, Cell::text("12"));
    f.file.FlexPut(f.channel, 3, 1, Cell::text("200"));
    f.file.FlexPut(f.channel, 4, 2, Cell::text("-3"));
    EXPECT_EQ(ReadBytes(f.path), std::string("\x0C\x00\xC8\xFD\xFF", 5));
    EXPECT_EQ(f.file.FlexGet(f.channel, 1, 2), Cell::integer(12));
}

TEST(FlexPut, TextNumbersAreRoundedHalfToEven) {
    OpenFile f("");
    f.file.FlexPut(f.channel, 1, 1, Cell::text("2.5"));
    f.file.FlexPut(f.channel, 2, 1, Cell::text("3.5"));
    f.file.FlexPut(f.channel, 3, 1, Cell::text(" 7 "));
    f.file.FlexPut(f.channel, 4, 2, Cell::text("-0.4"));
    f.file.FlexPut(f.channel, 6, 1, Cell::text("255.4"));
    EXPECT_EQ(ReadBytes(f.path), std::string("\x02\x04\x07\x00\x00\xFF", 6));
    const auto e = Failure([&] { f.file.FlexPut(f.channel, 1, 1, Cell::text("255.5")); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 6);
}

TEST(FlexPut, EmptyValueIsZeroOrTheEmptyText) {
    OpenFile f("XXXXXXXX");
    f.file.FlexPut(f.channel, 1, 1, Cell());
    f.file.FlexPut(f.channel, 2, 2, Cell());
    f.file.FlexPut(f.channel, 4, 4, Cell());
    f.file.FlexPut(f.channel, 8, 8, Cell());  // nothing to write
    EXPECT_EQ(ReadBytes(f.path), std::string("\0\0\0\0\0\0\0X", 8));
}

TEST(FlexPut, TextThatIsNoNumberIsATypeMismatch) {
    const std::string before("0123456789", 10);
    OpenFile f(before);
    for (const char* text : {"abc", "12abc", "", "1-2", "--1"}) {
        for (int width : {1, 2, 4}) {
            const auto e = Failure([&] { f.file.FlexPut(f.channel, 3, width, Cell::text(text)); });
            ASSERT_TRUE(e) << "'" << text << "' width " << width;
            EXPECT_EQ(e->number(), 13) << text;
            EXPECT_EQ(e->source(), "CFile::FlexPut");
            EXPECT_EQ(e->description(), "Type mismatch");
        }
    }
    EXPECT_EQ(ReadBytes(f.path), before);
}

TEST(FlexPut, SixteenCharacterTextIntoAnEmptyFileLeavesSixteenBytes) {
    TempDir dir;
    const std::string path = dir / "NEW.ARM";
    CFile file;
    const auto ch = file.OpenAppDefFile(path, "BINARY");
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 0u);
    file.FlexPut(ch, 1, 8, Cell::text("Sixteen chars ok"));
    file.CloseFile(ch);
    EXPECT_EQ(ReadBytes(path), "Sixteen chars ok");
}

TEST(FlexPut, TextIsWrittenAsWindows1252SingleBytes) {
    OpenFile f("");
    f.file.FlexPut(f.channel, 1, 8, Cell::text("\xC3\xA9p\xC3\xA9\x65 \xE2\x82\xAC"));  // "épée €"
    EXPECT_EQ(ReadBytes(f.path),
              "\xE9p\xE9"
              "e \x80");
    // Numbers are written as their decimal text.
    f.file.FlexPut(f.channel, 7, 8, Cell::integer(-42));
    EXPECT_EQ(ReadBytes(f.path),
              "\xE9p\xE9"
              "e \x80-42");
}

TEST(FlexPut, CharacterOutsideWindows1252IsATypeMismatch) {
    OpenFile f("keep");
    for (const char* text : {"\xC4\x80", "ok\xE6\x97\xA5", "\xF0\x9F\x98\x80"}) {  // U+0100, 日, 😀
        const auto e = Failure([&] { f.file.FlexPut(f.channel, 1, 8, Cell::text(text)); });
        ASSERT_TRUE(e);
        EXPECT_EQ(e->number(), 13);
        EXPECT_EQ(e->source(), "CFile::FlexPut");
    }
    EXPECT_EQ(ReadBytes(f.path), "keep");
}

TEST(FlexPut, WritingPastTheEndExtendsTheFileWithZeros) {
    OpenFile f("AB");
    f.file.FlexPut(f.channel, 7, 2, Cell::integer(0x4443));
    EXPECT_EQ(ReadBytes(f.path), std::string("AB\0\0\0\0CD", 8));
    f.file.FlexPut(f.channel, 12, 8, Cell::text("xy"));
    EXPECT_EQ(ReadBytes(f.path), std::string("AB\0\0\0\0CD\0\0\0xy", 13));
    // Overwriting inside keeps the length and the other bytes.
    f.file.FlexPut(f.channel, 2, 1, Cell::byte('b'));
    EXPECT_EQ(ReadBytes(f.path), std::string("Ab\0\0\0\0CD\0\0\0xy", 13));
}

TEST(FlexPut, UnknownWidthWritesNothing) {
    OpenFile f("same");
    for (int width : {0, 3, 5, 6, 7, 9, -8}) {
        f.file.FlexPut(f.channel, 1, width, Cell::integer(1));
        f.file.FlexPut(f.channel, 10, width, Cell::text("zzz"));
    }
    EXPECT_EQ(ReadBytes(f.path), "same");
}

// ---------------------------------------------------------------------------------------------
// OpenAppDefFile and CloseFile

TEST(OpenAppDefFile, ModeIsNotCaseSensitiveAndMissingFilesAreCreated) {
    TempDir dir;
    CFile file;
    int n = 0;
    for (const char* mode : {"binary", "BINARY", "Binary", "bInArY"}) {
        // Numbered, as names that differ only in case are one file on Windows.
        const std::string path = dir / (std::to_string(++n) + mode + ".bin");
        ASSERT_FALSE(fs::exists(path));
        const auto ch = file.OpenAppDefFile(path, mode);
        EXPECT_TRUE(fs::exists(path)) << mode;
        file.FlexPut(ch, 3, 1, Cell::byte(9));
        EXPECT_EQ(file.FlexGet(ch, 3, 1), Cell::byte(9)) << mode;
        file.CloseFile(ch);
        EXPECT_EQ(ReadBytes(path), std::string("\0\0\x09", 3)) << mode;
    }
}

TEST(OpenAppDefFile, BinaryOpensAnExistingFileWithoutChangingIt) {
    TempDir dir;
    const std::string path = dir / "KNIGHT.ARM";
    WriteBytes(path, "existing bytes");
    CFile file;
    const auto ch = file.OpenAppDefFile(path, "BINARY");
    EXPECT_EQ(file.FlexGet(ch, 10, 8, 5), Cell::text("bytes"));
    file.CloseFile(ch);
    EXPECT_EQ(ReadBytes(path), "existing bytes");
}

TEST(OpenAppDefFile, OutputEmptiesAndInputReads) {
    TempDir dir;
    const std::string path = dir / "report.csv";
    WriteBytes(path, "old contents");
    CFile file;
    auto ch = file.OpenAppDefFile(path, "output");
    file.CloseFile(ch);
    EXPECT_EQ(ReadBytes(path), "");
    WriteBytes(path, "hello");
    ch = file.OpenAppDefFile(path, "Input");
    EXPECT_EQ(file.FlexGet(ch, 2, 8, 3), Cell::text("ell"));
    file.CloseFile(ch);
    EXPECT_EQ(ReadBytes(path), "hello");
}

TEST(OpenAppDefFile, ChannelNumbersAreTheLowestFreeOnes) {
    TempDir dir;
    CFile file;
    const auto a = file.OpenAppDefFile(dir / "a", "BINARY");
    const auto b = file.OpenAppDefFile(dir / "b", "BINARY");
    const auto c = file.OpenAppDefFile(dir / "c", "BINARY");
    // Nothing else in this program holds a channel: the numbers start at 1.
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(c, 3);
    file.CloseFile(b);
    EXPECT_EQ(file.OpenAppDefFile(dir / "d", "BINARY"), 2);
    file.CloseFile(a);
    EXPECT_EQ(file.OpenAppDefFile(dir / "e", "BINARY"), 1);
    EXPECT_EQ(file.OpenAppDefFile(dir / "f", "BINARY"), 4);
    // A second CFile shares the process's numbers.
    CFile other;
    EXPECT_EQ(other.OpenAppDefFile(dir / "g", "BINARY"), 5);
}

TEST(OpenAppDefFile, AtMostTwoHundredFiftyFiveChannels) {
    TempDir dir;
    CFile file;
    // Channels with no file behind them hold no system resources.
    for (int i = 1; i <= 255; ++i) ASSERT_EQ(file.OpenAppDefFile(dir / "x", "RANDOM"), i);
    const auto e = Failure([&] { file.OpenAppDefFile(dir / "one-too-many", "BINARY"); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 67);
    EXPECT_EQ(e->source(), "CFile::OpenAppDefFile");
    EXPECT_FALSE(fs::exists(dir / "one-too-many"));
    file.CloseFile(200);
    EXPECT_EQ(file.OpenAppDefFile(dir / "now.bin", "BINARY"), 200);
    EXPECT_TRUE(fs::exists(dir / "now.bin"));
}

TEST(OpenAppDefFile, ChannelsAreGivenBackWhenTheObjectEnds) {
    TempDir dir;
    {
        CFile file;
        file.OpenAppDefFile(dir / "a", "BINARY");
        file.OpenAppDefFile(dir / "b", "BINARY");
    }
    CFile file;
    EXPECT_EQ(file.OpenAppDefFile(dir / "c", "BINARY"), 1);
}

TEST(OpenAppDefFile, AppendAndRandomTakeAChannelWithNoFile) {
    TempDir dir;
    CFile file;
    for (const char* mode : {"APPEND", "random", "Sideways"}) {
        const std::string path = dir / (std::string(mode) + ".txt");
        const auto ch = file.OpenAppDefFile(path, mode);
        EXPECT_GE(ch, 1) << mode;
        EXPECT_LE(ch, 255) << mode;
        EXPECT_FALSE(fs::exists(path)) << mode;
        // The channel is taken: the next one gets the following number.
        const auto next = file.OpenAppDefFile(dir / "next", "BINARY");
        EXPECT_EQ(next, ch + 1) << mode;
        // Nothing can be written through it.
        EXPECT_TRUE(Failure([&] { file.FlexPut(ch, 1, 1, Cell::byte(1)); })) << mode;
        EXPECT_FALSE(fs::exists(path)) << mode;
        file.CloseFile(next);
        file.CloseFile(ch);
    }
}

TEST(OpenAppDefFile, MissingFolderFailsAndGivesTheChannelBack) {
    TempDir dir;
    CFile file;
    const std::string path = dir / "no-such-folder/KNIGHT.ARM";
    for (const char* mode : {"BINARY", "OUTPUT", "INPUT"}) {
        const auto e = Failure([&] { file.OpenAppDefFile(path, mode); });
        ASSERT_TRUE(e) << mode;
        EXPECT_EQ(e->source(), "CFile::OpenAppDefFile") << mode;
        EXPECT_NE(e->number(), 0);
        EXPECT_FALSE(e->description().empty());
    }
    EXPECT_FALSE(fs::exists(dir / "no-such-folder"));
    // The channels taken by the failed opens were closed again.
    EXPECT_EQ(file.OpenAppDefFile(dir / "ok", "BINARY"), 1);
}

TEST(OpenAppDefFile, FolderInPlaceOfAFileFails) {
    TempDir dir;
    fs::create_directory(dir / "KNIGHT.ARM");
    CFile file;
    const auto e = Failure([&] { file.OpenAppDefFile(dir / "KNIGHT.ARM", "BINARY"); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->source(), "CFile::OpenAppDefFile");
    EXPECT_EQ(e->number(), 75);
    EXPECT_TRUE(fs::is_directory(dir / "KNIGHT.ARM"));
    EXPECT_EQ(file.OpenAppDefFile(dir / "ok", "BINARY"), 1);
}

TEST(OpenAppDefFile, InputOfAMissingFileIsFileNotFound) {
    TempDir dir;
    CFile file;
    const auto e = Failure([&] { file.OpenAppDefFile(dir / "missing.txt", "INPUT"); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 53);
    EXPECT_EQ(e->source(), "CFile::OpenAppDefFile");
    EXPECT_FALSE(fs::exists(dir / "missing.txt"));
}

TEST(CloseFile, ClosedChannelCanNoLongerBeUsed) {
    OpenFile f("data");
    f.file.CloseFile(f.channel);
    const auto e = Failure([&] { f.file.FlexGet(f.channel, 1, 1); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 52);
    EXPECT_TRUE(Failure([&] { f.file.FlexPut(f.channel, 1, 1, Cell::byte(1)); }));
    // Closing again, or a channel never opened, is harmless.
    f.file.CloseFile(f.channel);
    f.file.CloseFile(77);
    EXPECT_EQ(ReadBytes(f.path), "data");
}

TEST(CloseFile, AnObjectEndingLeavesAChannelGivenOutAgainAlone) {
    TempDir dir;
    WriteBytes(dir / "b", "B");
    CFile second;
    std::int16_t reused = 0;
    {
        CFile first;
        const std::int16_t number = first.OpenAppDefFile(dir / "a", "BINARY");
        second.CloseFile(number);  // channel numbers belong to the process
        reused = second.OpenAppDefFile(dir / "b", "BINARY");
        ASSERT_EQ(reused, number);
    }  // the first object ends: the channel is the second's now
    EXPECT_EQ(second.FlexGet(reused, 1, 1), Cell::byte('B'));
}

TEST(CloseFile, WrittenBytesAreOnDiskAfterClosing) {
    TempDir dir;
    const std::string path = dir / "x.SIT";
    CFile file;
    const auto ch = file.OpenAppDefFile(path, "BINARY");
    file.FlexPut(ch, 1, 8, Cell::text("Tower"));
    file.FlexPut(ch, 27, 2, Cell::integer(-2));
    file.CloseFile(ch);
    const std::string bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 28u);
    EXPECT_EQ(bytes.substr(0, 5), "Tower");
    EXPECT_EQ(bytes.substr(5, 21), std::string(21, '\0'));
    EXPECT_EQ(bytes.substr(26), "\xFE\xFF");
}

// ---------------------------------------------------------------------------------------------
// KillFile, CopyFile

TEST(KillFile, DeletesAFileAndIgnoresAMissingOne) {
    TempDir dir;
    const std::string path = dir / "ORC.ARM";
    WriteBytes(path, "x");
    CFile file;
    file.KillFile(path);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(Failure([&] { file.KillFile(path); }));
    EXPECT_FALSE(Failure([&] { file.KillFile(dir / "never/was/here.ARM"); }));
}

TEST(KillFile, OtherFailuresHaveTheirOwnDescription) {
    TempDir dir;
    const std::string folder = dir / "ORC.ARM";
    fs::create_directories(folder + "/inner");
    WriteBytes(folder + "/inner/keep", "k");
    CFile file;
    const auto e = Failure([&] { file.KillFile(folder); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->source(), "CFile::KillFile");
    EXPECT_EQ(e->description(), "Error attempting to delete file.");
    EXPECT_NE(e->number(), 53);
    EXPECT_TRUE(fs::exists(folder + "/inner/keep"));
}

TEST(CopyFile, CopiesAndReplacesTheDestination) {
    TempDir dir;
    const std::string source = dir / "NEWARMY.PCX";
    const std::string target = dir / "ORC.PCX";
    WriteBytes(source, std::string("template\0bytes", 14));
    CFile file;
    file.CopyFile(source, target);
    EXPECT_EQ(ReadBytes(target), std::string("template\0bytes", 14));
    WriteBytes(target, "a much longer old picture that must go away entirely");
    file.CopyFile(source, target);
    EXPECT_EQ(ReadBytes(target), std::string("template\0bytes", 14));
    EXPECT_EQ(ReadBytes(source), std::string("template\0bytes", 14));
}

TEST(CopyFile, MissingSourceIsFileNotFound) {
    TempDir dir;
    const std::string target = dir / "ORC.PCX";
    WriteBytes(target, "old");
    CFile file;
    const auto e = Failure([&] { file.CopyFile(dir / "NOSUCH.PCX", target); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 53);
    EXPECT_EQ(e->source(), "CFile::CopyFile");
    EXPECT_EQ(e->description(), "File not found");
    EXPECT_EQ(ReadBytes(target), "old");
}

TEST(CopyFile, DestinationInAMissingFolderFails) {
    TempDir dir;
    const std::string source = dir / "NEWSITE.PCX";
    WriteBytes(source, "s");
    CFile file;
    const auto e = Failure([&] { file.CopyFile(source, dir / "none/TOWER.PCX"); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->source(), "CFile::CopyFile");
    EXPECT_FALSE(fs::exists(dir / "none"));
}

}  // namespace
