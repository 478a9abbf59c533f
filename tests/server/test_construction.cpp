// Construction of the edit object: finding the installation, the kind folders, the picture
// templates, the enumeration into data arrays, and the failures with their numbers and sources.
#include <gtest/gtest.h>

#include "cedit_object.h"
#include "platform/files.h"
#include "server_internal.h"
#include "support/install_fixture.h"

using namespace b3test;

namespace {

constexpr std::int32_t kNotFound = -2147219992;  // component base + 1512
constexpr std::int32_t kNoFiles = -2147219991;   // component base + 1513

TEST(Construction, FailsWithoutARegistryEntry) {
    IsolatedRegistry registry;
    auto e = Failure([] { b3::CreateObject(b3::CLSID_CEditObject); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), kNotFound);
    EXPECT_EQ(e->number(), b3::kErrInstallNotFound);
    EXPECT_EQ(e->source(), "CEditObject::FindInstallPath");
    EXPECT_FALSE(e->description().empty());
}

TEST(Construction, ReadsTheRegisteredFolderAndDerivesTheKindFolders) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows the folder is read from the Windows registry (wine_registry)";
#else
    IsolatedRegistry registry;
    Installation install;
    install.withOneOfEach();
    registry.registerFolder(install.root());
    auto object = b3::CreateObject(b3::CLSID_CEditObject);
    const std::string& root = install.root();
    EXPECT_EQ(object->InstallPath(), root);
    EXPECT_EQ(object->ItemPath(), root + "/Items");
    EXPECT_EQ(object->ArmyPath(), root + "/Army");
    EXPECT_EQ(object->HeroPath(), root + "/Hero");
    EXPECT_EQ(object->SitePath(), root + "/Sites");
    EXPECT_EQ(object->SpellPath(), root + "/Spell");
    EXPECT_EQ(object->PicsPath(), root + "/EDPICTS");
    for (int kind = 0; kind < 5; ++kind) EXPECT_EQ(object->NumEditObjects(kind), 1) << kind;
    EXPECT_EQ(object->NumEditObjects(5), 0);
    EXPECT_EQ(b3::LocateInstallation().source, "registry file " + registry.file());
#endif
}

// A folder registered (or given) with a trailing separator gets no doubled separator in any
// folder property, and a spell is deleted by the path the server hands out.
TEST(Construction, ATrailingSeparatorIsNotDoubled) {
    IsolatedRegistry registry;
    Installation install;
    install.withOneOfEach();
    const std::string& root = install.root();
    const std::string sep(1, b3::platform::kPathSeparator);
#ifdef _WIN32
    auto object = b3::CreateObject(b3::CLSID_CEditObject, b3::CreateOptions{root + "\\"});
#else
    registry.registerFolder(root + "//");
    auto object = b3::CreateObject(b3::CLSID_CEditObject);
    EXPECT_EQ(b3::CreateObject(b3::CLSID_CEditObject, b3::CreateOptions{root + "/"})->ArmyPath(),
              root + "/Army");
#endif
    EXPECT_EQ(object->InstallPath(), root);
    EXPECT_EQ(object->ArmyPath(), root + sep + "Army");
    EXPECT_EQ(object->SpellPath(), root + sep + "Spell");
    EXPECT_EQ(object->PicsPath(), root + sep + "EDPICTS");
    const std::string spell = object->GetEditObjectData(b3::kSpell).at(0, 20).str();
    EXPECT_EQ(spell.find(sep + sep), std::string::npos) << spell;
    object->Delete(b3::kSpell, spell);
    EXPECT_FALSE(b3::platform::IsRegularFile(spell));
}

TEST(Construction, ATooLongRegistryValueIsNotFound) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows the folder is read from the Windows registry (wine_registry)";
#else
    IsolatedRegistry registry;
    registry.registerFolder("/" + std::string(254, 'x'));  // 255 bytes: no room for the NUL
    auto e = Failure([] { b3::CreateObject(b3::CLSID_CEditObject); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), kNotFound);
    EXPECT_EQ(e->source(), "CEditObject::FindInstallPath");
#endif
}

TEST(Construction, UnknownClassIsRefused) {
    Installation install;
    install.withOneOfEach();
    auto e = Failure([&] { b3::CreateObject(b3::IID__CEditObject, install.options()); });
    ASSERT_TRUE(e);
    EXPECT_NE(e->number(), 0);
}

TEST(Construction, AKindFolderWithoutFilesMakesTheServerUnusable) {
    Installation install;
    install.withOneOfEach();
    fs::remove(install.path("Sites", "TOWER.SIT"));
    install.write("Sites", "TOWER.TXT", "not a site");  // other extensions do not count
    auto e = Failure([&] { install.open(); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), kNoFiles);
    EXPECT_EQ(e->source(), "CEditObject::Class_Initialize");
}

TEST(Construction, AMissingKindFolderIsReportedAndFailsAsAnEmptyOne) {
    Installation install;
    install.withOneOfEach();
    fs::remove_all(install.folder("Spell"));
    std::vector<std::string> messages;
    b3::CreateOptions options = install.options();
    options.messageSink = [&](const std::string& text) { messages.push_back(text); };
    auto e = Failure([&] { b3::CreateObject(b3::CLSID_CEditObject, options); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), kNoFiles);
    EXPECT_EQ(e->source(), "CEditObject::Class_Initialize");
    ASSERT_EQ(messages.size(), 1u);
    // The message names the folder, so that the user knows which one is missing.
    EXPECT_EQ(messages[0], "76\r\nCEditObject::CountEditObjectFiles\r\nPath not found: " +
                               install.folder("Spell"));
}

TEST(Construction, AFolderThatDoesNotExistFailsCleanly) {
    b3test::TempDir dir;
    b3::CreateOptions options{dir / "missing"};
    options.messageSink = [](const std::string&) {};
    auto e = Failure([&] { b3::CreateObject(b3::CLSID_CEditObject, options); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->source(), "CEditObject::Class_Initialize");
}

TEST(Construction, KindFoldersAndFilesAreFoundWhateverTheirLetterCase) {
    Installation install;
    install.withOneOfEach();
    RenameCase(install.folder("Army"), install.folder("ARMY"));
    RenameCase(install.folder("Sites"), install.folder("sites"));
    RenameCase(install.path("ARMY", "KNIGHT.ARM"), install.path("ARMY", "knight.arm"));
    auto object = install.open();
    // The folders' own spellings, on Windows too.
    EXPECT_EQ(object->ArmyPath(), b3::platform::JoinPath(install.root(), "ARMY"));
    EXPECT_EQ(object->SitePath(), b3::platform::JoinPath(install.root(), "sites"));
    ASSERT_EQ(object->NumEditObjects(1), 1);
    EXPECT_EQ(object->GetEditObjectData(1).at(0, 3).str(), "knight");
}

TEST(Construction, OnlyOrdinaryVisibleFilesAreEnumerated) {
    Installation install;
    install.withOneOfEach();
    fs::create_directory(install.path("Army", "FOLDER.ARM"));
    install.write("Army", ".HIDDEN.ARM", std::string(252, '\0'));
    auto object = install.open();
    EXPECT_EQ(object->NumEditObjects(1), 1);
}

TEST(Construction, ThreeHundredArmiesInEnumerationOrder) {
    Installation install;
    install.withOneOfEach();
    fs::remove(install.path("Army", "KNIGHT.ARM"));
    for (int i = 0; i < 300; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "A%03d.ARM", (i * 7) % 300);
        install.write("Army", name, Bytes(252).text(0, 16, name).str());
    }
    auto object = install.open();
    const b3::DataArray armies = object->GetEditObjectData(1);
    ASSERT_EQ(armies.rows(), 300u);
    ASSERT_EQ(armies.columns(), 28u);
    std::error_code ec;
    const auto order = b3::platform::ListFiles(object->ArmyPath(), "*.ARM", ec);
    for (std::size_t row = 0; row < 300; ++row) {
        EXPECT_EQ(armies.at(row, 0), b3::Cell::long_(static_cast<std::int32_t>(row)));
        EXPECT_EQ(armies.at(row, 1).str(), order[row]);
        EXPECT_EQ(armies.at(row, 3).str() + ".ARM", order[row]);
    }
    EXPECT_EQ(armies.at(0, 3).str(), "A000");
    EXPECT_EQ(armies.at(299, 3).str(), "A299");
}

TEST(Construction, TemplatesAreCopiedFromBesideTheLibraryWhenMissing) {
    Installation install;
    install.withOneOfEach();
    fs::remove_all(install.folder("EDPICTS"));
    b3test::TempDir source;
    WriteBytes(source / "NEWARMY.PCX", "our army template");
    WriteBytes(source / "NEWSITE.PCX", "our site template");
    b3::CreateOptions options = install.options();
    options.templateFolder = source.str();
    auto object = b3::CreateObject(b3::CLSID_CEditObject, options);
    EXPECT_EQ(ReadBytes(install.path("EDPICTS", "NEWARMY.PCX")), "our army template");
    EXPECT_EQ(ReadBytes(install.path("EDPICTS", "NEWSITE.PCX")), "our site template");
}

TEST(Construction, TheBuiltTemplatesLieBesideTheLibrary) {
    const char* bin = B3_TEST_BIN;
    for (const char* name : {"NEWARMY.PCX", "NEWSITE.PCX"}) {
        const std::string bytes = ReadBytes(std::string(bin) + "/" + name);
        ASSERT_GT(bytes.size(), 128u + 769u) << name;
        EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x0A) << name;  // a PCX header
        EXPECT_EQ(bytes[3], 8) << name;                                 // 8 bits per pixel
        EXPECT_EQ(bytes[bytes.size() - 769], 0x0C) << name;             // 256-colour palette
    }
}

TEST(Construction, TemplatesInAnotherLetterCaseAreNotCopiedAgain) {
    Installation install;
    install.withOneOfEach();
    RenameCase(install.path("EDPICTS", "NEWARMY.PCX"), install.path("EDPICTS", "newarmy.pcx"));
    RenameCase(install.path("EDPICTS", "NEWSITE.PCX"), install.path("EDPICTS", "NewSite.Pcx"));
    b3test::TempDir empty;  // a copy from here would fail
    b3::CreateOptions options = install.options();
    options.templateFolder = empty.str();
    auto e = Failure([&] { b3::CreateObject(b3::CLSID_CEditObject, options); });
    EXPECT_FALSE(e) << e->number() << " " << e->source();
    EXPECT_EQ(FolderNames(install.folder("EDPICTS")),
              (std::vector<std::string>{"NewSite.Pcx", "newarmy.pcx"}));
}

TEST(Construction, AMissingTemplateSourceFailsWithFileNotFound) {
    Installation install;
    install.withOneOfEach();
    fs::remove(install.path("EDPICTS", "NEWSITE.PCX"));
    b3test::TempDir empty;
    b3::CreateOptions options = install.options();
    options.templateFolder = empty.str();
    auto e = Failure([&] { b3::CreateObject(b3::CLSID_CEditObject, options); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 53);
    EXPECT_EQ(e->description(), "File not found");
    EXPECT_EQ(e->source(), "CEditObject::Class_Initialize");
}

TEST(Interface, CountsAndArraysAreCheckedByIndex) {
    Installation install;
    install.withOneOfEach();
    auto object = install.open();
    auto e = Failure([&] { object->NumEditObjects(6); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 9);
    e = Failure([&] { object->NumEditObjects(-1); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 9);
    e = Failure([&] { object->GetEditObjectData(5); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 9);
    EXPECT_EQ(e->source(), "CEditObject::GetEditObjectData");
    for (int kind = 0; kind < 5; ++kind) {
        EXPECT_EQ(object->GetEditObjectData(kind).columns(),
                  static_cast<std::size_t>(b3::kColumnCount[kind]));
    }
}

TEST(Interface, TheCachesAreNotRefreshedByWrites) {
    Installation install;
    install.withOneOfEach();
    auto object = install.open();
    b3::ObjectArray army = object->GetEditObjectData(1).row(0);
    army[3] = b3::Cell::text("SQUIRE");
    object->WriteObject(army, 1);
    EXPECT_TRUE(fs::exists(install.path("Army", "SQUIRE.ARM")));
    EXPECT_EQ(object->GetEditObjectData(1).rows(), 1u);
    EXPECT_EQ(object->NumEditObjects(1), 1);
    EXPECT_EQ(install.open()->NumEditObjects(1), 2);
}

TEST(Interface, ShortNameFromPath) {
    Installation install;
    install.withOneOfEach();
    auto object = install.open();
    EXPECT_EQ(object->ShortNameFromPath(object->SpellPath() + "/FIREBALL.SPL", 4), "FIREBALL");
    const std::string bolt = object->GetEditObjectData(4).at(0, 20).str();
    EXPECT_EQ(bolt, b3::platform::JoinPath(object->SpellPath(), "BOLT.SPL"));
    EXPECT_EQ(object->ShortNameFromPath(bolt, 4), "BOLT");
    // Characters, not bytes: a folder or name with accented letters.
    EXPECT_EQ(object->ShortNameFromPath(object->SpellPath() + "/ÉCLAIR.SPL", 4), "ÉCLAIR");
    auto e = Failure([&] { object->ShortNameFromPath("x", 4); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 5);
}

}  // namespace
