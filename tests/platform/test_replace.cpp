// Safe replacement of a file facing what users and accidents leave in a folder: read-only files,
// special files, links, other owners, read-only folders, sparse files and the leftovers of
// killed writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <vector>

#include "platform/files.h"
#include "platform/temp_folder.h"

namespace b3::platform {
namespace {

namespace fs = std::filesystem;
using testing::AllNames;
using testing::ReadWholeFile;
using testing::TempFolder;
using testing::WriteFile;

constexpr uid_t kNobody = 65534;

// Runs `body` as an ordinary user: in a child process that drops the superuser's rights, or
// here when the tests do not run as the superuser. The result is the body's.
bool AsOrdinaryUser(const std::function<bool()>& body) {
    if (::geteuid() != 0) return body();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(2);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

TEST(ReplaceFileRefuses, AFileTheUserMadeReadOnlyWhoeverWrites) {
    TempFolder tmp;
    const std::string target = tmp / "KNIGHT.ARM";
    WriteFile(target, "kept");
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    std::error_code ec;
    EXPECT_FALSE(ReplaceFileContents(target, "new", ec));
    EXPECT_EQ(ec, std::errc::permission_denied);
    EXPECT_EQ(ReadWholeFile(target), "kept");
    EXPECT_EQ(AllNames(tmp.path()), std::vector<std::string>{"KNIGHT.ARM"});
}

TEST(ReplaceFileRefuses, SpecialFilesButWritesDevicesWhenAsked) {
    TempFolder tmp;
    const std::string pipe = tmp / "report.csv";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    ReplaceOptions devices;
    devices.writeCharacterDevices = true;
    std::error_code ec;
    EXPECT_FALSE(ReplaceFileContents(pipe, "x", ec, devices));
    EXPECT_EQ(ec, std::errc::not_supported);
    EXPECT_TRUE(fs::is_fifo(pipe));

    EXPECT_FALSE(ReplaceFileContents("/dev/null", "x", ec));
    EXPECT_EQ(ec, std::errc::not_supported);
    EXPECT_TRUE(ReplaceFileContents("/dev/null", "x", ec, devices)) << ec.message();
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST(ReplaceFileLinks, AreWrittenThroughInsideTheirFolderOnly) {
    TempFolder tmp;
    fs::create_directory(tmp / "Army");
    fs::create_directory(tmp / "elsewhere");
    WriteFile(tmp / "Army/REAL.ARM", "old");
    WriteFile(tmp / "elsewhere/OUT.ARM", "outside");
    fs::create_symlink("REAL.ARM", tmp / "Army/LINK.ARM");
    fs::create_symlink(tmp / "elsewhere/OUT.ARM", tmp / "Army/AWAY.ARM");

    std::error_code ec;
    ASSERT_TRUE(ReplaceFileContents(tmp / "Army/LINK.ARM", "new", ec)) << ec.message();
    EXPECT_TRUE(fs::is_symlink(tmp / "Army/LINK.ARM"));
    EXPECT_EQ(ReadWholeFile(tmp / "Army/REAL.ARM"), "new");

    EXPECT_FALSE(ReplaceFileContents(tmp / "Army/AWAY.ARM", "new", ec));
    EXPECT_EQ(ec, std::errc::operation_not_permitted);
    EXPECT_TRUE(fs::is_symlink(tmp / "Army/AWAY.ARM"));
    EXPECT_EQ(ReadWholeFile(tmp / "elsewhere/OUT.ARM"), "outside");

    // A settings file linked from elsewhere is written where it lies, when that is allowed.
    ReplaceOptions anywhere;
    anywhere.followLinksAnywhere = true;
    ASSERT_TRUE(ReplaceFileContents(tmp / "Army/AWAY.ARM", "new", ec, anywhere)) << ec.message();
    EXPECT_TRUE(fs::is_symlink(tmp / "Army/AWAY.ARM"));
    EXPECT_EQ(ReadWholeFile(tmp / "elsewhere/OUT.ARM"), "new");
    EXPECT_EQ(AllNames(tmp / "Army"),
              (std::vector<std::string>{"AWAY.ARM", "LINK.ARM", "REAL.ARM"}));
}

TEST(ReplaceFileKeeps, TheOwnerAndGroupOfTheFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "only the superuser can give a file to another user";
    TempFolder tmp;
    const std::string target = tmp / "HERO.HER";
    WriteFile(target, "old");
    ASSERT_EQ(::chown(target.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    std::error_code ec;
    ASSERT_TRUE(ReplaceFileContents(target, "new", ec)) << ec.message();
    struct stat st;
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, kNobody);
    EXPECT_EQ(st.st_gid, kNobody);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadWholeFile(target), "new");
}

TEST(ReplaceFileKeeps, AWritableFileInAReadOnlyFolderWritable) {
    TempFolder tmp;
    ASSERT_EQ(::chmod(tmp.path().c_str(), 0755), 0);
    const std::string folder = tmp / "ro";
    fs::create_directory(folder);
    const std::string target = folder + "/SITE.SIT";
    WriteFile(target, "old contents, longer");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(target.c_str(), kNobody, kNobody), 0);
    }
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);

    EXPECT_TRUE(AsOrdinaryUser([&] {
        std::error_code ec;
        ReplaceOptions keep;
        keep.keepTail = true;
        return ReplaceFileContents(target, "new", ec) && ReadWholeFile(target) == "new" &&
               ReplaceFileContents(target, "NE", ec, keep) && ReadWholeFile(target) == "NEw";
    }));
    EXPECT_EQ(ReadWholeFile(target), "NEw");
    EXPECT_EQ(AllNames(folder), std::vector<std::string>{"SITE.SIT"});
}

// A temporary file is named after the machine, the process and 64 random bits, and the next
// write removes one only when it is old and no writer holds its lock: never by the process
// number alone, which a process on another machine sharing the folder may have too.
TEST(ReplaceFileTemporaries, OnlyOldOnesNoWriterHoldsAreRemovedByTheNextWrite) {
    TempFolder tmp;
    const std::string stale = NewReplacementTemporaryName("KNIGHT.ARM");
    const std::string held = NewReplacementTemporaryName("KNIGHT.ARM");
    const std::string fresh = NewReplacementTemporaryName("KNIGHT.ARM");
    EXPECT_NE(stale, held);
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    EXPECT_EQ(stale.rfind(".KNIGHT.ARM.b3tmp-", 0), 0u) << stale;
    EXPECT_NE(stale.find("-" + std::to_string(::getpid()) + "-"), std::string::npos) << stale;
    if (std::string(host).find_first_not_of(
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") ==
        std::string::npos) {
        EXPECT_NE(stale.find(host), std::string::npos) << stale;
    }
    // A process that has ended: a fresh file under its number is another machine's, in flight.
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ASSERT_GT(gone, 0);
    ::waitpid(gone, nullptr, 0);
    const std::string sameNumber = ".KNIGHT.ARM.b3tmp-" + std::to_string(gone) + "-7";
    for (const std::string& name : {stale, held, fresh, sameNumber, std::string(".hidden"),
                                    std::string(".x.b3tmp-12-notanumber")})
        WriteFile(tmp / name, std::string(4096, 't'));
    for (const std::string& name : {stale, held, fresh, sameNumber})
        EXPECT_TRUE(IsReplacementTemporary(name)) << name;
    EXPECT_FALSE(IsReplacementTemporary(".hidden"));
    EXPECT_FALSE(IsReplacementTemporary("KNIGHT.ARM.b3tmp-12-3"));
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(tmp / stale, hourAgo);
    fs::last_write_time(tmp / held, hourAgo);
    // A writer that still writes holds its file's lock.
    const int writer = ::open((tmp / held).c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::flock(writer, LOCK_EX | LOCK_NB), 0);

    std::error_code ec;
    ASSERT_TRUE(ReplaceFileContents(tmp / "KNIGHT.ARM", "new", ec)) << ec.message();
    ::close(writer);
    std::vector<std::string> expected = {
        held, fresh, sameNumber, ".hidden", ".x.b3tmp-12-notanumber", "KNIGHT.ARM"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(AllNames(tmp.path()), expected);
}

TEST(ReplaceFileKeepTail, CopiesTheRestOfAHugeSparseFileAsHoles) {
    TempFolder tmp;
    const std::string target = tmp / "BIG.ARM";
    constexpr off_t kSize = off_t{1} << 30;
    {
        const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "original", 8, 0), 8);
        ASSERT_EQ(::pwrite(fd, "END", 3, kSize - 3), 3);
        ::close(fd);
    }
    struct stat before;
    ASSERT_EQ(::stat(target.c_str(), &before), 0);

    ReplaceOptions keep;
    keep.keepTail = true;
    std::error_code ec;
    ASSERT_TRUE(ReplaceFileContents(target, "HEAD", ec, keep)) << ec.message();
    struct stat after;
    ASSERT_EQ(::stat(target.c_str(), &after), 0);
    EXPECT_EQ(after.st_size, kSize);
    const bool sparse = before.st_blocks * 512 < (off_t{16} << 20);
    if (sparse) {
        EXPECT_LT(after.st_blocks * 512, off_t{16} << 20);  // still holes, not 1 GiB
    }
    char head[8];
    char tail[3];
    const int fd = ::open(target.c_str(), O_RDONLY);
    ASSERT_EQ(::pread(fd, head, 8, 0), 8);
    ASSERT_EQ(::pread(fd, tail, 3, kSize - 3), 3);
    ::close(fd);
    EXPECT_EQ(std::string(head, 8), "HEADinal");
    EXPECT_EQ(std::string(tail, 3), "END");
}

}  // namespace
}  // namespace b3::platform
