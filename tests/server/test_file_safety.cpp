// The edit server facing odd names and files: names Windows cannot hold, spell names in any
// letter case, names that are not UTF-8, read-only files, links, huge sparse files and a
// read-only copy of the game.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cedit_object.h"
#include "platform/files.h"
#include "server_internal.h"
#include "support/install_fixture.h"

using namespace b3test;
using b3::Cell;

namespace {

constexpr uid_t kNobody = 65534;

b3::ObjectArray ArmyRow(const b3::_CEditObject& object) {
    return object.GetEditObjectData(b3::kArmy).row(0);
}

TEST(FileSafety, NamesWindowsCannotHoldAreRefusedWithFive) {
    Installation install;
    install.withOneOfEach();
    const auto object = install.open();
    const auto before = FolderNames(install.folder("Army"));
    for (const char* bad : {"A:B", "CON", "nul", "COM1", "LPT9", "tab\tx", "dot.", "space ", "<x>",
                            "q?", "pipe|", ".hidden", "bell\x07"}) {
        for (int kind : {0, 1, 2, 3}) {
            b3::ObjectArray row = object->GetEditObjectData(kind).row(0);
            row[static_cast<std::size_t>(b3::LayoutOf(kind).shortNameColumn)] = Cell::text(bad);
            auto e = Failure([&] { object->WriteObject(row, kind); });
            ASSERT_TRUE(e) << bad;
            EXPECT_EQ(e->number(), 5) << bad;
        }
        auto e = Failure([&] { object->Delete(b3::kArmy, bad); });
        ASSERT_TRUE(e) << bad;
        EXPECT_EQ(e->number(), 5) << bad;
        e = Failure([&] { object->CopyPictureTemplate(b3::kArmyPicture, bad); });
        ASSERT_TRUE(e) << bad;
        EXPECT_EQ(e->number(), 5) << bad;
        b3::ObjectArray spell = object->GetEditObjectData(b3::kSpell).row(0);
        spell[20] = Cell::text(object->SpellPath() + "/" + bad + ".SPL");
        e = Failure([&] { object->WriteObject(spell, b3::kSpell); });
        ASSERT_TRUE(e) << bad;
        EXPECT_EQ(e->number(), 5) << bad;
    }
    EXPECT_EQ(FolderNames(install.folder("Army")), before);
    EXPECT_EQ(FolderNames(install.folder("Spell")), std::vector<std::string>{"BOLT.SPL"});
}

TEST(FileSafety, SpellFilesAreFoundWhateverTheirLetterCase) {
    Installation install;
    install.withOneOfEach();
    const auto object = install.open();
    b3::ObjectArray spell = object->GetEditObjectData(b3::kSpell).row(0);
    spell[20] = Cell::text(object->SpellPath() + "/bolt.spl");
    spell[3] = Cell::integer(42);
    object->WriteObject(spell, b3::kSpell);
    EXPECT_EQ(FolderNames(install.folder("Spell")), std::vector<std::string>{"BOLT.SPL"});
    EXPECT_EQ(install.open()->GetEditObjectData(b3::kSpell).at(0, 3), Cell::integer(42));
    object->Delete(b3::kSpell, object->SpellPath() + "/Bolt.Spl");
    EXPECT_TRUE(FolderNames(install.folder("Spell")).empty());
}

TEST(FileSafety, ANameThatIsNotUtf8IsReadAsWindows1252AndRoundTrips) {
    Installation install;
    install.withOneOfEach();
    install.write("Army", "L\xE9GION.ARM", Bytes(252).text(0, 16, "Legion").str());
    const auto object = install.open();
    const b3::DataArray armies = object->GetEditObjectData(b3::kArmy);
    ASSERT_EQ(armies.rows(), 2u);
    b3::ObjectArray row = armies.row(1);
    EXPECT_EQ(row[3].str(), "L\xC3\xA9GION");
    object->PrintReport(install.temp() / "armies.csv", b3::kArmy);
    EXPECT_NE(ReadBytes(install.temp() / "armies.csv").find("\"L\xE9GION\""), std::string::npos);

    row[5] = Cell::byte(7);
    object->WriteObject(row, b3::kArmy);
    EXPECT_EQ(FolderNames(install.folder("Army")),
              (std::vector<std::string>{"KNIGHT.ARM", "L\xE9GION.ARM"}));
    EXPECT_EQ(ReadBytes(install.path("Army", "L\xE9GION.ARM"))[154], 7);
    object->Delete(b3::kArmy, "L\xC3\xA9GION");
    EXPECT_EQ(FolderNames(install.folder("Army")), std::vector<std::string>{"KNIGHT.ARM"});
}

TEST(FileSafety, AReadOnlyFileIsRefusedWithSeventyAndKept) {
    Installation install;
    install.withOneOfEach();
    const auto object = install.open();
    const std::string knight = install.path("Army", "KNIGHT.ARM");
    const std::string report = install.temp() / "report.csv";
    const std::string picture = install.path("Army", "KNIGHT.PCX");
    WriteBytes(report, "old report");
    WriteBytes(picture, "old picture");
    for (const std::string& file : {knight, report, picture}) ::chmod(file.c_str(), 0444);
    const std::string before = ReadBytes(knight);

    b3::ObjectArray row = ArmyRow(*object);
    row[1] = Cell::text("Changed");
    auto e = Failure([&] { object->WriteObject(row, b3::kArmy); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 70);
    EXPECT_NE(e->description().find(knight), std::string::npos) << e->description();
    e = Failure([&] { object->PrintReport(report, b3::kArmy); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 70);
    e = Failure([&] { object->CopyPictureTemplate(b3::kArmyPicture, "KNIGHT"); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 70);
    EXPECT_EQ(ReadBytes(knight), before);
    EXPECT_EQ(ReadBytes(report), "old report");
    EXPECT_EQ(ReadBytes(picture), "old picture");
    EXPECT_EQ(FolderNames(install.folder("Army")),
              (std::vector<std::string>{"KNIGHT.ARM", "KNIGHT.PCX"}));
}

TEST(FileSafety, LinkedKindFilesAreWrittenThroughWithinTheirFolderOnly) {
    Installation install;
    install.withOneOfEach();
    fs::rename(install.path("Army", "KNIGHT.ARM"), install.path("Army", "knight.dat"));
    fs::create_symlink("knight.dat", install.path("Army", "KNIGHT.ARM"));
    install.write("Hero", "OUTSIDE.HER", Bytes(1380).text(0, 32, "Outside").str());
    fs::create_symlink(install.path("Hero", "OUTSIDE.HER"), install.path("Army", "AWAY.ARM"));
    const auto object = install.open();

    b3::ObjectArray row = ArmyRow(*object);
    ASSERT_EQ(row[3].str(), "AWAY");  // listed in name order
    row[5] = Cell::byte(9);
    auto e = Failure([&] { object->WriteObject(row, b3::kArmy); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 70);
    EXPECT_NE(e->description().find("link"), std::string::npos) << e->description();
    EXPECT_EQ(ReadBytes(install.path("Hero", "OUTSIDE.HER")),
              Bytes(1380).text(0, 32, "Outside").str());

    row[3] = Cell::text("KNIGHT");
    object->WriteObject(row, b3::kArmy);
    EXPECT_TRUE(fs::is_symlink(install.path("Army", "KNIGHT.ARM")));
    EXPECT_EQ(ReadBytes(install.path("Army", "knight.dat"))[154], 9);
}

TEST(FileSafety, AHugeSparseFileIsWrittenWithoutReadingOrFillingIt) {
    Installation install;
    install.withOneOfEach();
    const std::string knight = install.path("Army", "KNIGHT.ARM");
    constexpr off_t kSize = off_t{1} << 30;
    ASSERT_EQ(::truncate(knight.c_str(), kSize), 0);
    {
        const int fd = ::open(knight.c_str(), O_WRONLY);
        ASSERT_EQ(::pwrite(fd, "END", 3, kSize - 3), 3);
        ::close(fd);
    }
    struct stat before;
    ASSERT_EQ(::stat(knight.c_str(), &before), 0);
    const auto object = install.open();
    b3::ObjectArray row = ArmyRow(*object);
    row[5] = Cell::byte(12);
    object->WriteObject(row, b3::kArmy);

    struct stat after;
    ASSERT_EQ(::stat(knight.c_str(), &after), 0);
    EXPECT_EQ(after.st_size, kSize);
    if (before.st_blocks * 512 < (off_t{16} << 20)) {
        EXPECT_LT(after.st_blocks * 512, off_t{16} << 20);
    }
    EXPECT_EQ(install.open()->GetEditObjectData(b3::kArmy).at(0, 5), Cell::byte(12));
    char tail[3];
    const int fd = ::open(knight.c_str(), O_RDONLY);
    ASSERT_EQ(::pread(fd, tail, 3, kSize - 3), 3);
    ::close(fd);
    EXPECT_EQ(std::string(tail, 3), "END");
}

TEST(FileSafety, MessagesNameTheColumnAndTheFolder) {
    Installation install;
    install.withOneOfEach();
    const auto object = install.open();
    b3::ObjectArray row = ArmyRow(*object);
    row[4] = Cell::integer(300);
    auto e = Failure([&] { object->WriteObject(row, b3::kArmy); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 6);
    EXPECT_NE(e->description().find("column 4"), std::string::npos) << e->description();
    EXPECT_NE(e->description().find("0 to 255"), std::string::npos) << e->description();

    const b3::CreateOptions nowhere{};
    {
        // With no registry entry anywhere, the message says how to make one.
        const ScopedEnv registry("B3_REGISTRY", install.temp() / "none.reg");
        const ScopedEnv prefix("WINEPREFIX", install.temp() / "noprefix");
        e = Failure([&] { b3::CreateObject(b3::CLSID_CEditObject, nowhere); });
        ASSERT_TRUE(e);
        EXPECT_EQ(e->number(), b3::kErrInstallNotFound);
        EXPECT_NE(e->description().find("register"), std::string::npos) << e->description();
    }

    fs::remove(install.path("Sites", "TOWER.SIT"));
    e = Failure([&] { install.open(); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), b3::kErrNoFiles);
    EXPECT_NE(e->description().find(install.folder("Sites")), std::string::npos)
        << e->description();
}

TEST(FileSafety, AReadOnlyCopyWithoutTemplatesCanStillBeRead) {
    Installation install;
    install.withOneOfEach();
    fs::remove(install.path("EDPICTS", "NEWARMY.PCX"));
    fs::remove(install.path("EDPICTS", "NEWSITE.PCX"));
    const std::string templates = install.temp() / "library";
    WriteBytes(templates + "/NEWARMY.PCX", "army template");
    WriteBytes(templates + "/NEWSITE.PCX", "site template");
    b3::CreateOptions options = install.options();
    options.templateFolder = templates;
    for (const std::string& folder :
         {install.temp().str(), install.root(), install.folder("EDPICTS")})
        ::chmod(folder.c_str(), 0555);

    // As an ordinary user in a child process: the superuser could write anyway.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(10);
        std::unique_ptr<b3::_CEditObject> object;
        try {
            object = b3::CreateObject(b3::CLSID_CEditObject, options);
        } catch (const b3::Error&) {
            ::_exit(11);
        }
        if (object->NumEditObjects(b3::kArmy) != 1) ::_exit(12);
        auto e = Failure([&] { object->CopyPictureTemplate(b3::kArmyPicture, "NEWONE"); });
        if (!e || e->number() != 53 || e->source() != "CFile::CopyFile") ::_exit(13);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    for (const std::string& folder :
         {install.temp().str(), install.root(), install.folder("EDPICTS")})
        ::chmod(folder.c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(FolderNames(install.folder("EDPICTS")).empty());
}

}  // namespace
