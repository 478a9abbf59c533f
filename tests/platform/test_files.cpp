#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/native_path.h"
#include "platform/temp_folder.h"
#include "support/full_disk.h"

namespace b3::platform {
namespace {

namespace fs = std::filesystem;
using testing::AllNames;
using testing::ReadWholeFile;
using testing::TempFolder;
using testing::WriteFile;

#ifndef _WIN32
mode_t ModeOf(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return 0;
    return st.st_mode & 07777;
}
#endif

TEST(WildcardMatch, StarsQuestionMarksAndCase) {
    EXPECT_TRUE(WildcardMatch("*.ARM", "knight.arm"));
    EXPECT_TRUE(WildcardMatch("*.ARM", "Knight.Arm"));
    EXPECT_TRUE(WildcardMatch("*.ARM", ".ARM"));
    EXPECT_FALSE(WildcardMatch("*.ARM", "knight.arm.bak"));
    EXPECT_FALSE(WildcardMatch("*.ARM", "knight.ar"));
    EXPECT_FALSE(WildcardMatch("*.ARM", "knightarm"));
    EXPECT_TRUE(WildcardMatch("*", ""));
    EXPECT_TRUE(WildcardMatch("*", "anything"));
    EXPECT_FALSE(WildcardMatch("", "a"));
    EXPECT_TRUE(WildcardMatch("", ""));
    EXPECT_TRUE(WildcardMatch("K?IGHT.*", "knight.arm"));
    EXPECT_FALSE(WildcardMatch("K?IGHT.*", "kight.arm"));
    EXPECT_TRUE(WildcardMatch("a*b*c", "aXXbYYbZZc"));
    EXPECT_FALSE(WildcardMatch("a*b*c", "aXXbYYbZZ"));
    EXPECT_TRUE(WildcardMatch("*a*a*a*", "banana and a"));
    EXPECT_TRUE(WildcardMatch("NEWARMY.PCX", "newarmy.pcx"));
    EXPECT_FALSE(WildcardMatch("NEWARMY.PCX", "newarmy.pcx2"));
    // `?` takes one whole character of a UTF-8 name.
    EXPECT_TRUE(WildcardMatch("L?gende", "L\xC3\xA9gende"));
    EXPECT_FALSE(WildcardMatch("L??gende", "L\xC3\xA9gende"));
}

class FolderTest : public ::testing::Test {
protected:
    TempFolder tmp;
};

TEST_F(FolderTest, ListFilesMatchesOrdinaryVisibleFilesInStableOrder) {
#ifdef _WIN32
    GTEST_SKIP() << "hidden files are dot files and links are made freely on POSIX only";
#else
    const std::string dir = tmp / "Army";
    fs::create_directory(dir);
    WriteFile(dir + "/knight.arm", "k");
    WriteFile(dir + "/Knight.Arm", "K");
    WriteFile(dir + "/ARCHER.ARM", "a");
    WriteFile(dir + "/zombie.ARM", "z");
    WriteFile(dir + "/notes.txt", "n");
    WriteFile(dir + "/.hidden.arm", "h");
    fs::create_directory(dir + "/X.ARM");
    fs::create_symlink(dir + "/ARCHER.ARM", dir + "/link.arm");      // link to a file: listed
    fs::create_directory_symlink(dir + "/X.ARM", dir + "/dir.arm");  // link to a folder: not
    fs::create_symlink(dir + "/missing", dir + "/broken.arm");       // dangling: not listed

    std::error_code ec;
    const auto names = ListFiles(dir, "*.ARM", ec);
    EXPECT_FALSE(ec);
    const std::vector<std::string> expected = {"ARCHER.ARM", "Knight.Arm", "knight.arm", "link.arm",
                                               "zombie.ARM"};
    EXPECT_EQ(names, expected);
    // The same listing every time.
    EXPECT_EQ(ListFiles(dir, "*.ARM", ec), expected);
    EXPECT_EQ(ListFiles(dir, "*.arm", ec), expected);

    const auto texts = ListFiles(dir, "*.TXT", ec);
    EXPECT_EQ(texts, std::vector<std::string>{"notes.txt"});
    EXPECT_TRUE(ListFiles(dir, "*.HER", ec).empty());
    EXPECT_FALSE(ec);
#endif
}

TEST_F(FolderTest, ListFilesSortsByUpperCaseName) {
    // Upper-cased, '_' (0x5F) sorts after the letters; lower case would put it before them.
    WriteFile(tmp / "b_c.ARM", "");
    WriteFile(tmp / "bz.ARM", "");
    WriteFile(tmp / "BA.ARM", "");
    std::error_code ec;
    const std::vector<std::string> expected = {"BA.ARM", "bz.ARM", "b_c.ARM"};
    EXPECT_EQ(ListFiles(tmp.path(), "*.arm", ec), expected);
}

TEST_F(FolderTest, ListFilesOfMissingFolderSetsError) {
    std::error_code ec;
    EXPECT_TRUE(ListFiles(tmp / "nope", "*", ec).empty());
    EXPECT_TRUE(ec);
    WriteFile(tmp / "file", "x");
    EXPECT_TRUE(ListFiles(tmp / "file", "*", ec).empty());
    EXPECT_TRUE(ec);
}

TEST_F(FolderTest, FindEntryIgnoreCase) {
    // The entry's own spelling, on Windows too (whose file system would find any spelling, but
    // a file replaced keeps its name and the history names it as the folder lists it).
    fs::create_directory(tmp / "ARMY");
    EXPECT_EQ(FindEntryIgnoreCase(tmp.path(), "Army"), "ARMY");
    EXPECT_EQ(FindEntryIgnoreCase(tmp.path(), "army"), "ARMY");
    EXPECT_EQ(FindEntryIgnoreCase(tmp.path(), "ARMY"), "ARMY");
    EXPECT_EQ(FindEntryIgnoreCase(tmp.path(), "Hero"), "Hero");  // none: the name itself
    EXPECT_EQ(FindEntryIgnoreCase(tmp / "missing", "Army"), "Army");
    WriteFile(tmp / "NewArmy.pcx", "x");  // files count as entries too
    EXPECT_EQ(FindEntryIgnoreCase(tmp.path(), "NEWARMY.PCX"), "NewArmy.pcx");
#ifdef _WIN32
    return;  // one entry per spelling on Windows: no choice among several
#endif

    // Several candidates: the first in sorted order, unless one matches exactly.
    fs::create_directory(tmp / "army");
    EXPECT_EQ(FindEntryIgnoreCase(tmp.path(), "Army"), "ARMY");
    EXPECT_EQ(FindEntryIgnoreCase(tmp.path(), "army"), "army");
    fs::create_directory(tmp / "Army");
    EXPECT_EQ(FindEntryIgnoreCase(tmp.path(), "Army"), "Army");
    EXPECT_EQ(FindEntryIgnoreCase(tmp.path(), "aRMY"), "ARMY");

    WriteFile(tmp / "NewArmy.pcx", "x");  // files count as entries too
    EXPECT_EQ(FindEntryIgnoreCase(tmp.path(), "NEWARMY.PCX"), "NewArmy.pcx");
}

TEST_F(FolderTest, ReadFileBytes) {
    const std::string bytes("one\0two\r\nthree\xFF", 15);
    WriteFile(tmp / "f.bin", bytes);
    std::string out;
    std::error_code ec;
    ASSERT_TRUE(ReadFileBytes(tmp / "f.bin", out, ec));
    EXPECT_EQ(out, bytes);
    ASSERT_TRUE(ReadFileBytes(tmp / "f.bin", out, ec, 5));
    EXPECT_EQ(out, bytes.substr(0, 5));

    WriteFile(tmp / "empty", "");
    ASSERT_TRUE(ReadFileBytes(tmp / "empty", out, ec));
    EXPECT_EQ(out, "");

    std::string big(200000, 'q');
    big[199999] = 'E';
    WriteFile(tmp / "big", big);
    ASSERT_TRUE(ReadFileBytes(tmp / "big", out, ec));
    EXPECT_EQ(out, big);

    out = "stale";
    EXPECT_FALSE(ReadFileBytes(tmp / "missing", out, ec));
    EXPECT_EQ(ec, std::errc::no_such_file_or_directory);
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(ReadFileBytes(tmp.path(), out, ec));
    EXPECT_TRUE(ec);
}

TEST_F(FolderTest, ReplaceFileReplacesContentAndKeepsPermissions) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX permission bits";
#else
    const std::string target = tmp / "KNIGHT.ARM";
    WriteFile(target, "old contents that are longer than the new ones");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);

    std::error_code ec;
    ASSERT_TRUE(ReplaceFileContents(target, "new", ec)) << ec.message();
    EXPECT_FALSE(ec);
    EXPECT_EQ(ReadWholeFile(target), "new");
    EXPECT_EQ(ModeOf(target), 0640u);
    EXPECT_EQ(AllNames(tmp.path()), std::vector<std::string>{"KNIGHT.ARM"});

    ASSERT_EQ(::chmod(target.c_str(), 0604), 0);
    ASSERT_TRUE(ReplaceFileContents(target, std::string(100000, 'x'), ec));
    EXPECT_EQ(ReadWholeFile(target), std::string(100000, 'x'));
    EXPECT_EQ(ModeOf(target), 0604u);
    ASSERT_TRUE(ReplaceFileContents(target, "", ec));
    EXPECT_EQ(ReadWholeFile(target), "");
    EXPECT_EQ(AllNames(tmp.path()), std::vector<std::string>{"KNIGHT.ARM"});
#endif
}

TEST_F(FolderTest, ReplaceFileCreatesNewFileWithUsualPermissions) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX permission bits and umask";
#else
    const mode_t old = ::umask(027);
    std::error_code ec;
    const bool ok = ReplaceFileContents(tmp / "new.reg", "REGEDIT4\n", ec);
    ::umask(old);
    ASSERT_TRUE(ok) << ec.message();
    EXPECT_EQ(ReadWholeFile(tmp / "new.reg"), "REGEDIT4\n");
    EXPECT_EQ(ModeOf(tmp / "new.reg"), 0640u);  // 0666 & ~027
    EXPECT_EQ(AllNames(tmp.path()), std::vector<std::string>{"new.reg"});
#endif
}

TEST_F(FolderTest, ReplaceFileFailureLeavesTargetUntouched) {
    const std::string target = tmp / "HERO.HER";
    const std::string original("original\0bytes\n", 15);
    WriteFile(target, original);
#ifndef _WIN32
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
#endif
    const std::string replacement(5000, 'R');

    for (const std::size_t after : {0u, 1u, 14u, 4096u, 4999u, 5000u}) {
        const FullDisk full(after);
        ReplaceOptions options;
        options.faults = &full;
        std::error_code ec;
        EXPECT_FALSE(ReplaceFileContents(target, replacement, ec, options)) << after;
        EXPECT_EQ(ec, std::errc::no_space_on_device) << after;
        EXPECT_EQ(ReadWholeFile(target), original) << after;
#ifndef _WIN32
        EXPECT_EQ(ModeOf(target), 0640u);
#endif
        EXPECT_EQ(AllNames(tmp.path()), std::vector<std::string>{"HERO.HER"}) << after;

        // A target that did not exist stays absent.
        EXPECT_FALSE(ReplaceFileContents(tmp / "absent.her", replacement, ec, options)) << after;
        EXPECT_TRUE(ec);
        EXPECT_FALSE(fs::exists(tmp / "absent.her"));
        EXPECT_EQ(AllNames(tmp.path()), std::vector<std::string>{"HERO.HER"}) << after;
    }
    // Failing after more bytes than are written does not fail.
    const FullDisk roomy(5001);
    ReplaceOptions options;
    options.faults = &roomy;
    std::error_code ec;
    EXPECT_TRUE(ReplaceFileContents(target, replacement, ec, options));
    EXPECT_EQ(ReadWholeFile(target), replacement);

    EXPECT_TRUE(ReplaceFileContents(target, "fine", ec));
    EXPECT_EQ(ReadWholeFile(target), "fine");
}

TEST_F(FolderTest, ReplaceFileFailsWhereNothingCanBeWritten) {
    std::error_code ec;
    // No such folder.
    EXPECT_FALSE(ReplaceFileContents(tmp / "no/such/folder/file", "x", ec));
    EXPECT_TRUE(ec);
    // A "folder" that is a file.
    WriteFile(tmp / "plain", "keep");
    EXPECT_FALSE(ReplaceFileContents(tmp / "plain/file", "x", ec));
    EXPECT_TRUE(ec);
    EXPECT_EQ(ReadWholeFile(tmp / "plain"), "keep");
    // The target is a folder.
    fs::create_directory(tmp / "Army");
    WriteFile(tmp / "Army/inside", "in");
    EXPECT_FALSE(ReplaceFileContents(tmp / "Army", "x", ec));
    EXPECT_TRUE(ec);
    EXPECT_TRUE(fs::is_directory(tmp / "Army"));
    EXPECT_EQ(ReadWholeFile(tmp / "Army/inside"), "in");
#ifndef _WIN32
    // A file system that refuses new files even to the superuser.
    EXPECT_FALSE(ReplaceFileContents("/proc/self/b3-replacement", "x", ec));
    EXPECT_TRUE(ec);
#endif
    EXPECT_EQ(AllNames(tmp.path()), (std::vector<std::string>{"Army", "plain"}));
}

TEST_F(FolderTest, ReplaceFileFailsInReadOnlyFolder) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX folder permissions and fork";
#else
    const std::string dir = tmp / "ro";
    fs::create_directory(dir);
    WriteFile(dir + "/ARMY.ARM", "old");
    ASSERT_EQ(::chmod(tmp.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);

    // The attempt runs in a child process; the superuser, who may write anywhere, first
    // becomes an ordinary user there.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(10);
        std::error_code ec;
        if (ReplaceFileContents(dir + "/ARMY.ARM", "new", ec)) ::_exit(11);
        if (ec != std::errc::permission_denied) ::_exit(12);
        if (ReplaceFileContents(dir + "/NEW.ARM", "new", ec)) ::_exit(13);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadWholeFile(dir + "/ARMY.ARM"), "old");
    EXPECT_EQ(AllNames(dir), std::vector<std::string>{"ARMY.ARM"});
    ::chmod(dir.c_str(), 0755);
#endif
}

#ifdef _WIN32
// What the replacement meets on Windows: file attributes, the read-only attribute, a file another
// program holds open, a tail to keep, and the hidden temporaries of killed writes.
TEST_F(FolderTest, ReplaceFileOnWindowsKeepsAttributesAndRefusesWhatItMustNotTouch) {
    const std::string target = tmp / "KNIGHT.ARM";
    const std::wstring wide = WideFromUtf8(target);
    WriteFile(target, "old contents");
    ASSERT_TRUE(::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    std::error_code ec;
    ASSERT_TRUE(ReplaceFileContents(target, "new", ec)) << ec.message();
    EXPECT_EQ(ReadWholeFile(target), "new");
    EXPECT_EQ(::GetFileAttributesW(wide.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
              DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE});
    // A new file is not hidden as its temporary file was.
    ASSERT_TRUE(ReplaceFileContents(tmp / "NEW.ARM", "n", ec)) << ec.message();
    EXPECT_FALSE(::GetFileAttributesW(WideFromUtf8(tmp / "NEW.ARM").c_str()) &
                 FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(AllNames(tmp.path()), (std::vector<std::string>{"KNIGHT.ARM", "NEW.ARM"}));

    // Read-only: refused, untouched.
    ASSERT_TRUE(::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(ReplaceFileContents(target, "again", ec));
    EXPECT_EQ(ec, std::errc::permission_denied);
    ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadWholeFile(target), "new");

    // Held open by another program that shares nothing: refused, untouched, nothing left over,
    // with or without a tail to keep.
    WriteFile(target, "head and the tail");
    HANDLE held = ::CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ReplaceOptions keep;
    keep.keepTail = true;
    EXPECT_FALSE(ReplaceFileContents(target, "HEAD", ec, keep));
    EXPECT_TRUE(ec);
    EXPECT_FALSE(ReplaceFileContents(target, "HEAD", ec));
    EXPECT_TRUE(ec);
    ::CloseHandle(held);
    EXPECT_EQ(ReadWholeFile(target), "head and the tail");
    EXPECT_EQ(AllNames(tmp.path()), (std::vector<std::string>{"KNIGHT.ARM", "NEW.ARM"}));
    ASSERT_TRUE(ReplaceFileContents(target, "HEAD", ec, keep)) << ec.message();
    EXPECT_EQ(ReadWholeFile(target), "HEAD and the tail");
}

// The next write removes a temporary file only when it is old and nobody holds it (a writer holds
// its own without sharing): never by the process number in its name alone.
TEST_F(FolderTest, ReplaceFileOnWindowsRemovesOnlyOldTemporariesNobodyHolds) {
    const std::string stale = NewReplacementTemporaryName("KNIGHT.ARM");
    const std::string held = NewReplacementTemporaryName("KNIGHT.ARM");
    const std::string fresh = NewReplacementTemporaryName("KNIGHT.ARM");
    EXPECT_NE(stale, held);
    EXPECT_NE(stale.find("-" + std::to_string(::GetCurrentProcessId()) + "-"), std::string::npos);
    // Windows process ids are multiples of four: 99999999 never runs here, but may elsewhere.
    const std::string sameNumber = ".KNIGHT.ARM.b3tmp-99999999-7";
    for (const std::string& name : {stale, held, fresh, sameNumber, std::string(".hidden"),
                                    std::string(".x.b3tmp-12-notanumber")}) {
        WriteFile(tmp / name, std::string(4096, 't'));
        ::SetFileAttributesW(WideFromUtf8(tmp / name).c_str(), FILE_ATTRIBUTE_HIDDEN);
    }
    for (const std::string& name : {stale, held, fresh, sameNumber})
        EXPECT_TRUE(IsReplacementTemporary(name)) << name;
    EXPECT_FALSE(IsReplacementTemporary(".hidden"));
    EXPECT_FALSE(IsReplacementTemporary("KNIGHT.ARM.b3new"));
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t;
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    t.QuadPart -= 3600ull * 10000000ull;  // an hour ago
    const FILETIME hourAgo{t.LowPart, t.HighPart};
    for (const std::string& name : {stale, held}) {
        HANDLE h = ::CreateFileW(WideFromUtf8(tmp / name).c_str(), FILE_WRITE_ATTRIBUTES, 0,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(::SetFileTime(h, nullptr, nullptr, &hourAgo));
        ::CloseHandle(h);
    }
    HANDLE writer = ::CreateFileW(WideFromUtf8(tmp / held).c_str(), GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    std::error_code ec;
    ASSERT_TRUE(ReplaceFileContents(tmp / "KNIGHT.ARM", "new", ec)) << ec.message();
    ::CloseHandle(writer);
    std::vector<std::string> expected = {
        held, fresh, sameNumber, ".hidden", ".x.b3tmp-12-notanumber", "KNIGHT.ARM"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(AllNames(tmp.path()), expected);
    // The replacement's own temporaries never show in a listing of definition files.
    EXPECT_EQ(ListFiles(tmp.path(), "*", ec), std::vector<std::string>{"KNIGHT.ARM"});
}

// Another program that holds the file for a moment (the game, a virus scanner) is waited for; one
// that holds it for longer fails the write with a reason, and nothing is lost either way.
TEST_F(FolderTest, ReplaceFileOnWindowsWaitsForAFileAnotherProgramHolds) {
    const std::string target = tmp / "KNIGHT.ARM";
    WriteFile(target, "old contents");
    const std::string helper =
        ModuleFolderOf(reinterpret_cast<const void*>(&ReadWholeFile)) + "\\hold_file.exe";
    ASSERT_TRUE(IsRegularFile(helper)) << helper;
    // Starts the helper holding the target without sharing for `ms` and waits until it holds it.
    auto hold = [&](int ms) {
        const std::string mark = tmp / "holding";
        std::error_code startError;
        fs::remove(FsPath(mark), startError);
        EXPECT_TRUE(StartProgram(helper, startError, {target, std::to_string(ms), mark}))
            << startError.message();
        for (int i = 0; i < 200 && !IsRegularFile(mark); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        ASSERT_TRUE(IsRegularFile(mark));
        fs::remove(FsPath(mark), startError);
    };
    std::error_code ec;
    hold(800);
    EXPECT_TRUE(ReplaceFileContents(target, "new contents", ec)) << ec.message();
    EXPECT_EQ(ReadWholeFile(target), "new contents");

    hold(8000);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ReplaceFileContents(target, "lost?", ec));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(IsFileHeldError(ec)) << ec.message();
    EXPECT_EQ(ec, std::errc::permission_denied);
    EXPECT_NE(ec.message().find("another program"), std::string::npos);
    // Once the other program lets go, the file is as it was before the failed write.
    for (int i = 0; i < 400 && ReadWholeFile(target).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    EXPECT_EQ(ReadWholeFile(target), "new contents");
    EXPECT_EQ(AllNames(tmp.path()), std::vector<std::string>{"KNIGHT.ARM"});
}
#endif

TEST_F(FolderTest, CopyFileReplacing) {
    WriteFile(tmp / "NEWARMY.PCX", std::string("PCX\0data", 8));
    WriteFile(tmp / "dest.pcx", "older");
    std::error_code ec;
    ASSERT_TRUE(CopyFileReplacing(tmp / "NEWARMY.PCX", tmp / "dest.pcx", ec));
    EXPECT_EQ(ReadWholeFile(tmp / "dest.pcx"), std::string("PCX\0data", 8));
    ASSERT_TRUE(CopyFileReplacing(tmp / "NEWARMY.PCX", tmp / "fresh.pcx", ec));
    EXPECT_EQ(ReadWholeFile(tmp / "fresh.pcx"), std::string("PCX\0data", 8));

    EXPECT_FALSE(CopyFileReplacing(tmp / "missing.pcx", tmp / "dest.pcx", ec));
    EXPECT_EQ(ec, std::errc::no_such_file_or_directory);
    EXPECT_EQ(ReadWholeFile(tmp / "dest.pcx"), std::string("PCX\0data", 8));
}

TEST_F(FolderTest, IsRegularFileAndIsDirectory) {
    WriteFile(tmp / "f", "x");
    fs::create_directory(tmp / "d");
    EXPECT_TRUE(IsRegularFile(tmp / "f"));
    EXPECT_FALSE(IsDirectory(tmp / "f"));
    EXPECT_TRUE(IsDirectory(tmp / "d"));
    EXPECT_FALSE(IsRegularFile(tmp / "d"));
#ifndef _WIN32
    // Links are followed (making them needs a privilege on Windows).
    fs::create_symlink(tmp / "f", tmp / "lf");
    fs::create_directory_symlink(tmp / "d", tmp / "ld");
    EXPECT_TRUE(IsRegularFile(tmp / "lf"));
    EXPECT_TRUE(IsDirectory(tmp / "ld"));
#endif
    EXPECT_FALSE(IsRegularFile(tmp / "missing"));
    EXPECT_FALSE(IsDirectory(tmp / "missing"));
}

TEST(JoinPath, OneSeparator) {
#ifdef _WIN32
    // Windows joins with its own separator.
    EXPECT_EQ(JoinPath("C:\\Games\\B3", "Army"), "C:\\Games\\B3\\Army");
    EXPECT_EQ(JoinPath("C:\\Games\\B3\\", "Army"), "C:\\Games\\B3\\\\Army");
    EXPECT_EQ(JoinPath("", "Army"), "\\Army");
#else
    EXPECT_EQ(JoinPath("/games/b3", "Army"), "/games/b3/Army");
    EXPECT_EQ(JoinPath("/games/b3/", "Army"), "/games/b3//Army");
    EXPECT_EQ(JoinPath("", "Army"), "/Army");
#endif
}

int LocalFunction() {
    return 42;
}

TEST(ModuleFolderOf, ProgramAndSharedLibrary) {
#ifdef _WIN32
    // The program's own file, and a system library elsewhere (kernel32.dll).
    wchar_t exe[4096];
    const DWORD n = ::GetModuleFileNameW(nullptr, exe, 4096);
    ASSERT_GT(n, 0u);
    const std::string exeFolder = Utf8Path(fs::path(std::wstring(exe, n)).parent_path());
    EXPECT_EQ(ModuleFolderOf(reinterpret_cast<const void*>(&LocalFunction)), exeFolder);
    EXPECT_EQ(ModuleFolderOf(reinterpret_cast<const void*>(&ModuleFolderOf)), exeFolder);
    const std::string systemFolder = ModuleFolderOf(reinterpret_cast<const void*>(&::GetTickCount));
    EXPECT_NE(systemFolder, exeFolder);
    EXPECT_TRUE(IsRegularFile(JoinPath(systemFolder, "kernel32.dll"))) << systemFolder;
#else
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(n, 0);
    const std::string exeFolder =
        fs::path(std::string(exe, static_cast<std::size_t>(n))).parent_path().string();
    EXPECT_EQ(ModuleFolderOf(reinterpret_cast<const void*>(&LocalFunction)), exeFolder);
    // The platform library is linked into the program.
    EXPECT_EQ(ModuleFolderOf(reinterpret_cast<const void*>(&ModuleFolderOf)), exeFolder);

    // A function of the C library lies in a shared library elsewhere.
    const std::string libcFolder = ModuleFolderOf(reinterpret_cast<const void*>(&::getpid));
    EXPECT_NE(libcFolder, exeFolder);
    EXPECT_TRUE(IsDirectory(libcFolder));
    bool sawLibc = false;
    for (const auto& entry : fs::directory_iterator(libcFolder)) {
        if (entry.path().filename().string().rfind("libc.so", 0) == 0) sawLibc = true;
    }
    EXPECT_TRUE(sawLibc) << libcFolder;
#endif
}

TEST_F(FolderTest, StartProgramRunsWithoutWaitingAndLeavesNoChild) {
#ifdef _WIN32
    GTEST_SKIP() << "starts a shell script and checks for POSIX child processes";
#else
    const std::string marker = tmp / "started";
    const std::string program = tmp / "OddsLab";
    WriteFile(program, "#!/bin/sh\necho ran > '" + marker + "'\n");
    ASSERT_EQ(::chmod(program.c_str(), 0755), 0);

    std::error_code ec;
    ASSERT_TRUE(StartProgram(program, ec)) << ec.message();
    EXPECT_FALSE(ec);
    for (int i = 0; i < 1000 && ReadWholeFile(marker) != "ran\n"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(ReadWholeFile(marker), "ran\n");
    // The program is not our child: there is nothing left to reap.
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
#endif
}

TEST_F(FolderTest, StartProgramReportsProgramsThatCannotStart) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX execute permission and child processes";
#else
    std::error_code ec;
    EXPECT_FALSE(StartProgram(tmp / "missing", ec));
    EXPECT_EQ(ec, std::errc::no_such_file_or_directory);

    WriteFile(tmp / "plain", "#!/bin/sh\n");
    ::chmod((tmp / "plain").c_str(), 0644);
    EXPECT_FALSE(StartProgram(tmp / "plain", ec));  // no execute bit, not even for root
    EXPECT_EQ(ec, std::errc::permission_denied);
    fs::create_directory(tmp / "folder");
    EXPECT_FALSE(StartProgram(tmp / "folder", ec));
    EXPECT_TRUE(ec);
    EXPECT_FALSE(StartProgram("", ec));
    EXPECT_TRUE(ec);
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
#endif
}

}  // namespace
}  // namespace b3::platform
