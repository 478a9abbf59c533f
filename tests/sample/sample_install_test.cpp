// The written sample installation: its files, their bytes, and how the edit server reads them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "b3/edit_object.h"
#include "formats/pcx.h"
#include "platform/files.h"
#include "sample/pictures.h"
#include "sample/sample.h"
#include "support/portable.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class TempFolder {
public:
    TempFolder() { path_ = b3::testing::MakeTempFolder("b3sample"); }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

using b3::testing::ReadAll;

int U16(const std::string& bytes, std::size_t at) {
    return static_cast<std::int16_t>(static_cast<unsigned char>(bytes[at]) |
                                     (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

// The row of `kind` whose short name column (or, for spells, path column) ends with `name`.
std::size_t RowOf(const b3::DataArray& data, int column, const std::string& name) {
    for (std::size_t r = 0; r < data.rows(); ++r) {
        const std::string& cell = data.at(r, static_cast<std::size_t>(column)).str();
        if (cell.size() >= name.size() &&
            cell.compare(cell.size() - name.size(), name.size(), name) == 0)
            return r;
    }
    ADD_FAILURE() << name << " not found";
    return 0;
}

class SampleInstallation : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder;
        root_ = (folder_->path() / "game").string();
        b3::sample::WriteSampleInstallation(root_);
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    static fs::path Root() { return root_; }

    static TempFolder* folder_;
    static std::string root_;
};

TempFolder* SampleInstallation::folder_ = nullptr;
std::string SampleInstallation::root_;

TEST_F(SampleInstallation, FilesAndFolders) {
    for (const char* f :
         {"Items/EMBERBLD.ITM", "Army/KNIGHTS.ARM", "Army/KNIGHTS.PCX", "Army/SKELETON.ARM",
          "Hero/PALADIN.HER", "Hero/PALADINm.PCX", "Hero/PALADINf.PCX", "Sites/TEMPLE.SIT",
          "Sites/TEMPLE.PCX", "Spell/RAISE.SPL", "EDPICTS/NEWARMY.PCX", "EDPICTS/NEWSITE.PCX"})
        EXPECT_TRUE(fs::is_regular_file(Root() / f)) << f;
    EXPECT_EQ(fs::file_size(Root() / "Items/EMBERBLD.ITM"), 204u);
    EXPECT_EQ(fs::file_size(Root() / "Army/KNIGHTS.ARM"), 252u);
    EXPECT_EQ(fs::file_size(Root() / "Hero/PALADIN.HER"), 1380u);
    EXPECT_EQ(fs::file_size(Root() / "Sites/TEMPLE.SIT"), 46u);
    EXPECT_EQ(fs::file_size(Root() / "Spell/RAISE.SPL"), 210u);
    // Nothing but the kind folders and the pictures folder.
    int entries = 0;
    for (const auto& e : fs::directory_iterator(Root())) {
        EXPECT_TRUE(e.is_directory()) << e.path();
        ++entries;
    }
    EXPECT_EQ(entries, 6);
}

TEST_F(SampleInstallation, RecordBytesAtTheirOffsets) {
    const std::string knights = ReadAll(Root() / "Army/KNIGHTS.ARM");
    EXPECT_EQ(knights.substr(0, 8), "Knights\0"s.substr(0, 8));
    EXPECT_EQ(knights.substr(144, 8), "KNIGHTS"s + '\0');
    EXPECT_EQ(knights[154], 6);                          // strength
    EXPECT_EQ(knights[156], 2);                          // hits
    EXPECT_EQ(knights.substr(160, 6), "human"s + '\0');  // first type word
    EXPECT_EQ(knights.substr(169, 8), "cavalry"s + '\0');
    EXPECT_EQ(knights.substr(214, 6), "field"s + '\0');
    EXPECT_EQ(U16(knights, 230), 32);  // Trample
    EXPECT_EQ(U16(knights, 232), 1);
    EXPECT_EQ(knights[246], 4);  // Gallop
    EXPECT_EQ(knights[247], 3);  // Southeast

    const std::string skeleton = ReadAll(Root() / "Army/SKELETON.ARM");
    EXPECT_EQ(skeleton.substr(160, 7), "undead"s + '\0');

    const std::string coeur = ReadAll(Root() / "Items/COEUR.ITM");
    EXPECT_EQ(coeur.substr(0, 4), "C\x9Cur");  // "Cœur" in Windows-1252
    EXPECT_EQ(static_cast<unsigned char>(coeur[176]), 22 * 4);

    const std::string paladin = ReadAll(Root() / "Hero/PALADIN.HER");
    EXPECT_EQ(paladin.substr(201, 9), "PALADINm"s + '\0');
    EXPECT_EQ(U16(paladin, 1020 + 16 * 2), 20);  // power 3: Spell
    EXPECT_EQ(paladin.substr(1026 + 16 * 2, 8), "HEALING"s + '\0');
    EXPECT_EQ(paladin.substr(1200 + 16 * 5, 8), "H\xE9lo\xEFse\0"s.substr(0, 8));
    EXPECT_EQ(paladin[1361], 1);  // default name 2 is female
}

TEST_F(SampleInstallation, LoadsThroughTheEditServer) {
    b3::CreateOptions options;
    options.installFolder = root_;
    const auto object = b3::CreateObject(b3::CLSID_CEditObject, options);
    const auto content = b3::sample::LoadSampleContent();
    for (int kind = 0; kind < b3::kKindCount; ++kind)
        EXPECT_EQ(object->NumEditObjects(kind),
                  static_cast<int>(content.kinds[static_cast<std::size_t>(kind)].size()));

    const b3::DataArray armies = object->GetEditObjectData(b3::kArmy);
    const std::size_t k = RowOf(armies, 3, "KNIGHTS");
    EXPECT_EQ(armies.at(k, 1), b3::Cell::text("Knights"));
    EXPECT_EQ(armies.at(k, 5), b3::Cell::byte(6));
    EXPECT_EQ(armies.at(k, 11), b3::Cell::text("human"));
    EXPECT_EQ(armies.at(k, 22), b3::Cell::integer(32));
    EXPECT_EQ(object->ConvertPowerTypeToName(32), "Trample");
    const std::size_t g = RowOf(armies, 3, "GRIFFON");
    EXPECT_EQ(armies.at(g, 13), b3::Cell::text("fly"));
    EXPECT_EQ(object->ConvertSoundToName(static_cast<std::int16_t>(armies.at(g, 24).number())),
              "Flap");

    const b3::DataArray heroes = object->GetEditObjectData(b3::kHero);
    const std::size_t p = RowOf(heroes, 4, "PALADIN");
    EXPECT_EQ(heroes.at(p, 5), b3::Cell::text("PALADINm"));
    EXPECT_EQ(heroes.at(p, 19), b3::Cell::text("Squire"));
    EXPECT_EQ(heroes.at(p, 71), b3::Cell::text("HEALING"));
    EXPECT_EQ(heroes.at(p, 108), b3::Cell::text("Héloïse"));

    const b3::DataArray items = object->GetEditObjectData(b3::kItem);
    const std::size_t c = RowOf(items, 1, "COEUR");
    EXPECT_EQ(items.at(c, 2), b3::Cell::text("Cœur de Lumière"));
    EXPECT_EQ(items.at(c, 5).number(), 22);

    const b3::DataArray spells = object->GetEditObjectData(b3::kSpell);
    const std::size_t r = RowOf(spells, 20, b3::platform::JoinPath("Spell", "RAISE.SPL"));
    EXPECT_EQ(spells.at(r, 1), b3::Cell::text("Raise Drowned"));
    EXPECT_EQ(spells.at(r, 4), b3::Cell::integer(22));
    EXPECT_EQ(spells.at(r, 7), b3::Cell::text("SKELETON"));
    EXPECT_EQ(object->ShortNameFromPath(spells.at(r, 20).str(), b3::kSpell), "RAISE");
}

TEST_F(SampleInstallation, PicturesAreReadablePcx) {
    for (const char* f :
         {"Army/KNIGHTS.PCX", "Hero/PALADINm.PCX", "Hero/PALADINf.PCX", "Sites/BARROW.PCX"}) {
        const auto picture = b3::pcx::DecodePcx(ReadAll(Root() / f));
        ASSERT_TRUE(picture) << f;
        EXPECT_EQ(picture->width, 48);
    }
    EXPECT_EQ(ReadAll(Root() / "EDPICTS/NEWARMY.PCX"),
              b3::pcx::EncodePcx(b3::pcx::NewArmyTemplate()));
    EXPECT_EQ(ReadAll(Root() / "EDPICTS/NEWSITE.PCX"),
              b3::pcx::EncodePcx(b3::pcx::NewSiteTemplate()));
    EXPECT_NE(ReadAll(Root() / "Hero/PALADINm.PCX"), ReadAll(Root() / "Hero/PALADINf.PCX"));
}

TEST(SampleWrite, AFailureLeavesNoFiles) {
    TempFolder folder;
    // A file where the Sites folder should be: nothing may be written at all.
    const fs::path root = folder.path() / "game";
    fs::create_directories(root);
    std::ofstream(root / "Sites") << "in the way";
    EXPECT_THROW(b3::sample::WriteSampleInstallation(root.string()), std::runtime_error);
    EXPECT_FALSE(fs::exists(root / "Army" / "KNIGHTS.ARM"));
    EXPECT_FALSE(fs::exists(root / "Items" / "EMBERBLD.ITM"));
    EXPECT_EQ(ReadAll(root / "Sites"), "in the way");
    EXPECT_THROW(b3::sample::WriteSampleInstallation(""), std::runtime_error);
}

TEST(SampleWrite, WritingAgainReplacesTheSameFiles) {
    TempFolder folder;
    const std::string root = (folder.path() / "game").string();
    b3::sample::WriteSampleInstallation(root);
    std::ofstream(folder.path() / "game" / "Army" / "KNIGHTS.ARM", std::ios::trunc) << "spoiled";
    b3::sample::WriteSampleInstallation(root);
    EXPECT_EQ(fs::file_size(folder.path() / "game" / "Army" / "KNIGHTS.ARM"), 252u);
}

TEST(PcxPictures, OurArtIsDistinctAndStable) {
    EXPECT_NE(b3::pcx::NewArmyTemplate(), b3::pcx::NewSiteTemplate());
    EXPECT_EQ(b3::pcx::ArmyPortrait("KNIGHTS"), b3::pcx::ArmyPortrait("KNIGHTS"));
    EXPECT_NE(b3::pcx::ArmyPortrait("KNIGHTS"), b3::pcx::ArmyPortrait("ORCS"));
    EXPECT_NE(b3::pcx::HeroPortrait("PALADIN", false), b3::pcx::HeroPortrait("PALADIN", true));
    const b3::pcx::Picture t = b3::pcx::NewArmyTemplate();
    EXPECT_EQ(t.width, 48);
    EXPECT_EQ(t.height, 48);
}

}  // namespace
