// Mods as patches on real installations: b3cli diff and patch make / apply / merge on copies of
// the sample, changed by the edit server or byte by byte.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#endif

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "b3/file_transaction.h"
#include "b3/record_layout.h"
#include "patch/patch.h"
#include "platform/native_path.h"
#include "sample/sample.h"
#include "support/portable.h"
#include "support/step_watch.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

using b3::testing::ReadAll;

using b3::testing::WriteAll;

// Every file of an installation with its bytes, by path relative to the folder.
std::map<std::string, std::string> Files(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            files[fs::relative(e.path(), root).generic_string()] = ReadAll(e.path());
    return files;
}

using Result = b3::testing::RunResult;

class Patches : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        pristine_ = new fs::path(b3::testing::MakeTempFolder("b3patch-sample"));
        b3::sample::WriteSampleInstallation((*pristine_ / "game").string());
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(*pristine_, ec);
        delete pristine_;
    }
    void SetUp() override { temp_ = b3::testing::MakeTempFolder("b3patch"); }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(temp_, ec);
    }

    // A fresh copy of the sample named `name`.
    fs::path Copy(const std::string& name) const {
        fs::copy(*pristine_ / "game", temp_ / name, fs::copy_options::recursive);
        return temp_ / name;
    }

    Result Run(const std::vector<std::string>& args) const {
        return b3::testing::RunCaptured(B3CLI_PATH, args,
                                        b3::testing::EnvironmentWith({
                                            "XDG_DATA_HOME=" + (temp_ / "data").string(),
                                            "B3_REGISTRY=" + (temp_ / "registry.reg").string(),
                                        }),
                                        temp_);
    }

    // Sets one value of an object through the edit server, as the editor saves it.
    static void SetValue(const fs::path& game, int kind, const std::string& name,
                         const std::string& column, const b3::Cell& value) {
        auto object = b3::CreateObject(b3::CLSID_CEditObject, b3::CreateOptions{game.string()});
        const b3::DataArray data = object->GetEditObjectData(kind);
        const auto c = b3::FindTableColumn(kind, column);
        ASSERT_TRUE(c) << column;
        const auto key = static_cast<std::size_t>(b3::LayoutOf(kind).shortNameColumn);
        for (std::size_t r = 0; r < data.rows(); ++r) {
            std::string cell = data.at(r, key).str();
            if (kind == b3::kSpell) cell = fs::path(cell).stem().string();
            if (cell != name) continue;
            b3::ObjectArray row = data.row(r);
            row[static_cast<std::size_t>(c->column)] = value;
            object->WriteObject(row, kind);
            return;
        }
        FAIL() << "no " << name;
    }

    // The first object of a kind in the sample.
    static std::string First(int kind, std::size_t index = 0) {
        return b3::patch::Installation((*pristine_ / "game").string()).Names(kind).at(index);
    }

    Result Make(const fs::path& base, const fs::path& modded, const fs::path& patch) const {
        return Run({"patch", "make", base.string(), modded.string(), "-o", patch.string()});
    }

    Result Apply(const fs::path& game, const fs::path& patch,
                 std::vector<std::string> more = {}) const {
        std::vector<std::string> args = {"--install", game.string(), "patch", "apply",
                                         patch.string()};
        args.insert(args.end(), more.begin(), more.end());
        return Run(args);
    }

    static inline fs::path* pristine_ = nullptr;
    fs::path temp_;
};

TEST_F(Patches, DiffOfAnInstallationWithItselfIsEmptyAndAChangedCopyListsExactlyItsChanges) {
    const fs::path base = *pristine_ / "game";
    Result r = Run({"diff", base.string(), base.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("No differences"), std::string::npos) << r.out;

    const fs::path mod = Copy("mod");
    SetValue(mod, b3::kArmy, First(b3::kArmy), "Strength", b3::Cell::byte(9));
    SetValue(mod, b3::kArmy, First(b3::kArmy), "DisplayName", b3::Cell::text("Grey Bowmen"));
    SetValue(mod, b3::kHero, First(b3::kHero), "Level3XP", b3::Cell::integer(777));
    SetValue(mod, b3::kItem, First(b3::kItem), "Cost", b3::Cell::integer(1234));
    SetValue(mod, b3::kSpell, First(b3::kSpell), "Mana", b3::Cell::integer(99));
    // A picture compared by content: the same size, one byte changed.
    const fs::path picture = mod / "Sites" / (First(b3::kSite) + ".PCX");
    std::string bytes = ReadAll(picture);
    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x55);
    WriteAll(picture, bytes);

    r = Run({"diff", base.string(), mod.string(), "--json"});
    EXPECT_EQ(r.status, 1) << r.err;
    const json d = json::parse(r.out);
    EXPECT_TRUE(d["onlyInA"].empty());
    EXPECT_TRUE(d["onlyInB"].empty());
    std::map<std::string, json> seen;
    for (const json& o : d["changed"])
        for (const json& f : o["fields"])
            seen[o["kind"].get<std::string>() + " " + o["name"].get<std::string>() + " " +
                 f["field"].get<std::string>()] = f["b"];
    // The picture is named with its size and hash on each side.
    const std::string pictureKey = "site " + First(b3::kSite) + " PictureFile";
    ASSERT_TRUE(seen.count(pictureKey)) << r.out;
    EXPECT_EQ(seen[pictureKey]["bytes"], bytes.size());
    seen.erase(pictureKey);
    const std::map<std::string, json> expected = {
        {"army " + First(b3::kArmy) + " Strength", 9},
        {"army " + First(b3::kArmy) + " DisplayName", "Grey Bowmen"},
        {"hero " + First(b3::kHero) + " Level3XP", 777},
        {"item " + First(b3::kItem) + " Cost", 1234},
        {"spell " + First(b3::kSpell) + " Mana", 99},
    };
    EXPECT_EQ(seen, expected) << r.out;

    // Only the kinds asked for; the text names each change with both values.
    r = Run({"diff", base.string(), mod.string(), "hero"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("hero " + First(b3::kHero) + ": Level3XP: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" -> 777"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("army"), std::string::npos) << r.out;

    r = Run({"diff", base.string(), (temp_ / "nothing").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("not an installation"), std::string::npos) << r.err;
}

// A mod with every kind of change: values, a new army with type words, bytes outside the values
// and a picture of its own, a removed hero, a changed picture, a gap byte of an item.
fs::path MakeMod(const fs::path& mod, const std::string& army, const std::string& hero,
                 const std::string& item) {
    // New army: a copy of an existing one's record with other words and a gap byte set.
    std::string record = ReadAll(mod / "Army" / (army + ".ARM"));
    record.replace(0, 6, std::string("Ogres\0", 6));
    record.replace(160, 6, std::string("giant\0", 6));
    record[240] = 0x7F;
    WriteAll(mod / "Army" / "OGRES.ARM", record);
    WriteAll(mod / "Army" / "OGRES.PCX", std::string(300, '\x2A'));
    fs::remove(mod / "Hero" / (hero + ".HER"));
    fs::remove(mod / "Hero" / (hero + "m.PCX"));
    fs::remove(mod / "Hero" / (hero + "f.PCX"));
    std::string pcx = ReadAll(mod / "Army" / (army + ".PCX"));
    pcx += "tail";
    WriteAll(mod / "Army" / (army + ".PCX"), pcx);
    std::string itm = ReadAll(mod / "Items" / (item + ".ITM"));
    itm[190] = 0x11;  // a byte no value covers
    WriteAll(mod / "Items" / (item + ".ITM"), itm);
    return mod;
}

TEST_F(Patches, MakeThenApplyOnAFreshBaseGivesTheModdedInstallationByteForByte) {
    const fs::path mod = MakeMod(Copy("mod"), First(b3::kArmy), First(b3::kHero), First(b3::kItem));
    SetValue(mod, b3::kArmy, First(b3::kArmy, 1), "Hits", b3::Cell::byte(4));
    SetValue(mod, b3::kSpell, First(b3::kSpell), "Power1Description", b3::Cell::text("ember"));
    const fs::path patch = temp_ / "mod.b3patch";
    Result r = Run({"patch", "make", (*pristine_ / "game").string(), mod.string(), "-o",
                    patch.string(), "--name", "Ogres", "--description", "Adds ogres"});
    ASSERT_EQ(r.status, 0) << r.err;
    const json p = json::parse(ReadAll(patch));
    EXPECT_EQ(p["format"], "b3patch");
    EXPECT_EQ(p["version"], 1);
    EXPECT_EQ(p["name"], "Ogres");
    EXPECT_EQ(p["added"].size(), 1u);
    EXPECT_EQ(p["added"][0]["fields"]["TypeWord1"], "giant");
    EXPECT_EQ(p["removed"].size(), 1u);
    EXPECT_EQ(p["changed"].size(), 4u) << p["changed"].dump();

    const fs::path target = Copy("target");
    r = Apply(target, patch, {"--dry-run"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Files(target), Files(*pristine_ / "game"));
    r = Apply(target, patch);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(Files(target), Files(mod));
    EXPECT_EQ(Run({"diff", target.string(), mod.string()}).status, 0);
    // Applying again finds every value in place already.
    r = Apply(target, patch);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(Files(target), Files(mod));
    // The apply is one version in the history; restoring it puts every file back as it was.
    r = Run({"--install", target.string(), "history", "--json"});
    const json versions = json::parse(r.out);
    ASSERT_EQ(versions.size(), 1u) << r.out;
    EXPECT_EQ(versions[0]["operation"], "patch");
    r = Run({"--install", target.string(), "restore", versions[0]["id"].get<std::string>()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Files(target), Files(*pristine_ / "game"));
}

TEST_F(Patches, ConflictsAreListedAndNothingIsWrittenUnlessForceOrKeepDecides) {
    const std::string army = First(b3::kArmy), hero = First(b3::kHero), site = First(b3::kSite);
    const fs::path mod = Copy("mod");
    SetValue(mod, b3::kArmy, army, "Strength", b3::Cell::byte(9));
    SetValue(mod, b3::kArmy, army, "Move", b3::Cell::byte(20));
    SetValue(mod, b3::kHero, hero, "Level2AP", b3::Cell::integer(5));
    fs::remove(mod / "Sites" / (site + ".SIT"));
    fs::remove(mod / "Sites" / (site + ".PCX"));
    const fs::path patch = temp_ / "mod.b3patch";
    ASSERT_EQ(Make(*pristine_ / "game", mod, patch).status, 0);

    // The target changed two of the patched values on its own and the site the patch removes.
    const fs::path target = Copy("target");
    SetValue(target, b3::kArmy, army, "Strength", b3::Cell::byte(11));
    SetValue(target, b3::kHero, hero, "Level2AP", b3::Cell::integer(6));
    SetValue(target, b3::kSite, site, "DisplayName", b3::Cell::text("Old Barrow"));
    const auto before = Files(target);
    Result r = Apply(target, patch);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("3 conflicts"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("army " + army + ", Strength: base "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(", current 11, patch 9"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("hero " + hero + ", Level2AP:"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("site " + site + ", (object)"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Move:"), r.out.rfind("Move:")) << r.out;
    EXPECT_EQ(Files(target), before);

    const fs::path kept = Copy("kept");
    fs::remove_all(kept);
    fs::copy(target, kept, fs::copy_options::recursive);
    r = Apply(kept, patch, {"--keep"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const b3::patch::Installation k(kept.string());
    const auto keptArmy = b3::patch::ObjectValues(*k.Load(b3::kArmy, army));
    const auto& defs = b3::patch::FieldDefs(b3::kArmy);
    const auto value = [&](const std::vector<json>& v, const std::string& f) {
        for (std::size_t i = 0; i < defs.size(); ++i)
            if (defs[i].name == f) return v[i];
        return json();
    };
    EXPECT_EQ(value(keptArmy, "Strength"), 11);
    EXPECT_EQ(value(keptArmy, "Move"), 20);
    EXPECT_TRUE(k.Has(b3::kSite, site));

    r = Apply(target, patch, {"--force"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const b3::patch::Installation f(target.string());
    const auto forced = b3::patch::ObjectValues(*f.Load(b3::kArmy, army));
    EXPECT_EQ(value(forced, "Strength"), 9);
    EXPECT_EQ(value(forced, "Move"), 20);
    EXPECT_FALSE(f.Has(b3::kSite, site));
    EXPECT_EQ(Run({"diff", target.string(), mod.string()}).status, 0);

    EXPECT_EQ(Apply(target, patch, {"--force", "--keep"}).status, 2);
}

#ifndef _WIN32
// The apply is stopped (SIGKILL) after the journal is written and after each file; the next
// command that opens the installation finds either the old or the new one, never a mix.
TEST_F(Patches, AnApplyKilledInTheMiddleLeavesTheOldOrTheNewInstallation) {
    const fs::path mod = MakeMod(Copy("mod"), First(b3::kArmy), First(b3::kHero), First(b3::kItem));
    const fs::path patchFile = temp_ / "mod.b3patch";
    ASSERT_EQ(Make(*pristine_ / "game", mod, patchFile).status, 0);
    const b3::patch::Patch patch = b3::patch::ReadPatch(patchFile.string());
    const auto oldFiles = Files(*pristine_ / "game");
    const auto newFiles = Files(mod);
    bool sawOld = false, sawNew = false;
    for (long stopAt : {-1L, 0L, 1L, 3L, 6L}) {
        const fs::path target = temp_ / ("target" + std::to_string(stopAt + 1));
        fs::copy(*pristine_ / "game", target, fs::copy_options::recursive);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::setenv("XDG_DATA_HOME", (temp_ / "data").c_str(), 1);
            const StepWatch kill([stopAt](std::size_t done) {
                if (static_cast<long>(done) == stopAt) ::raise(SIGKILL);
            });
            try {
                b3::patch::ApplyPatch(patch, target.string(), b3::patch::ConflictChoice::Refuse,
                                      false, {}, &kill);
            } catch (...) {
                ::_exit(3);
            }
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_EQ(stopAt >= 0, WIFSIGNALED(status)) << stopAt;
        if (stopAt >= 0) {
            EXPECT_TRUE(fs::exists(b3::JournalPath(target.string()))) << stopAt;
        }
        // The next command: any that opens the installation.
        const Result r = Run({"--install", target.string(), "info"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_FALSE(fs::exists(b3::JournalPath(target.string())));
        const auto now = Files(target);
        EXPECT_TRUE(now == oldFiles || now == newFiles) << "stopped at " << stopAt;
        sawOld = sawOld || now == oldFiles;
        sawNew = sawNew || now == newFiles;
    }
    EXPECT_TRUE(sawNew);
    EXPECT_FALSE(sawOld);  // once the journal is written the change is finished
    // A journal that was damaged after it was written is refused, not half applied.
    const fs::path target = Copy("damaged");
    WriteAll(b3::JournalPath(target.string()), "b3tools journal 1\nArmy/X.ARM\n-\n5\nab");
    const auto before = Files(target);
    const Result r = Run({"--install", target.string(), "info"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("damaged"), std::string::npos) << r.err;
    EXPECT_EQ(Files(target), before);
}
#endif

TEST_F(Patches, MergeReportsAConflictAndResolvesItWithPrefer) {
    const std::string army = First(b3::kArmy), other = First(b3::kArmy, 1);
    const fs::path a = Copy("a"), b = Copy("b");
    SetValue(a, b3::kArmy, army, "Strength", b3::Cell::byte(5));
    SetValue(a, b3::kArmy, army, "Move", b3::Cell::byte(21));
    SetValue(b, b3::kArmy, army, "Strength", b3::Cell::byte(6));
    SetValue(b, b3::kArmy, other, "Hits", b3::Cell::byte(17));
    ASSERT_EQ(Make(*pristine_ / "game", a, temp_ / "a.b3patch").status, 0);
    ASSERT_EQ(Make(*pristine_ / "game", b, temp_ / "b.b3patch").status, 0);

    const fs::path ab = temp_ / "ab.b3patch";
    Result r = Run({"patch", "merge", (temp_ / "a.b3patch").string(),
                    (temp_ / "b.b3patch").string(), "-o", ab.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("1 conflict left out"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("army " + army + ", Strength: a 5, b 6"), std::string::npos) << r.out;
    json merged = json::parse(ReadAll(ab));
    ASSERT_EQ(merged["changed"].size(), 2u);
    EXPECT_FALSE(merged["changed"][0]["fields"].contains("Strength"));
    EXPECT_TRUE(merged["changed"][0]["fields"].contains("Move"));
    EXPECT_TRUE(merged["changed"][1]["fields"].contains("Hits"));

    r = Run({"patch", "merge", (temp_ / "a.b3patch").string(), (temp_ / "b.b3patch").string(), "-o",
             ab.string(), "--prefer", "b"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    merged = json::parse(ReadAll(ab));
    EXPECT_EQ(merged["changed"][0]["fields"]["Strength"]["new"], 6);

    // The merged patch applies as one.
    const fs::path target = Copy("target");
    r = Apply(target, ab);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("2 changed"), std::string::npos) << r.out;
}

TEST_F(Patches, BadPatchesAreRefusedNamingTheEntryAndNothingChanges) {
    const std::string army = First(b3::kArmy);
    const fs::path mod = Copy("mod");
    SetValue(mod, b3::kArmy, army, "Strength", b3::Cell::byte(9));
    const fs::path good = temp_ / "good.b3patch";
    ASSERT_EQ(Make(*pristine_ / "game", mod, good).status, 0);
    const json doc = json::parse(ReadAll(good));
    const std::string text = ReadAll(good);

    struct Case {
        std::string name;
        std::string patch;
        std::string message;
    };
    std::vector<Case> cases;
    const auto edited = [&](auto change) {
        json d = doc;
        change(d);
        return d.dump();
    };
    cases.push_back(
        {"version", edited([](json& d) { d["version"] = 2; }), "version 2 of the patch format"});
    cases.push_back({"truncated", text.substr(0, text.size() / 2), "ends too early"});
    cases.push_back(
        {"corrupt", "{\"format\": \"b3patch\", \"version\": 1, \"changed\": [}", "not valid JSON"});
    cases.push_back({"field", edited([](json& d) {
                         d["changed"][0]["fields"]["Strenght"] = {{"old", 1}, {"new", 2}};
                     }),
                     "changed[0] (army \"" + army + "\"): the field \"Strenght\" does not exist"});
    cases.push_back({"range",
                     edited([](json& d) { d["changed"][0]["fields"]["Strength"]["new"] = 300; }),
                     "field Strength (new): 300 does not fit: 0 to 255"});
    cases.push_back(
        {"text", edited([](json& d) {
             d["changed"][0]["fields"]["DisplayName"] = {{"old", "x"}, {"new", "Ogre \u0141"}};
         }),
         "cannot be stored"});
    cases.push_back(
        {"device", edited([](json& d) {
             d["added"] = {{{"kind", "army"}, {"name", "CON"}, {"fields", json::object()}}};
         }),
         "added[0] (army \"CON\"): the name cannot be a file name on Windows"});
    cases.push_back(
        {"separator", edited([](json& d) {
             d["removed"] = {{{"kind", "army"}, {"name", "../x"}, {"hash", "fnv1a64:0"}}};
         }),
         "removed[0] (army \"../x\"): the name cannot be a file name"});
    cases.push_back({"deep", std::string(100, '[') + std::string(100, ']'), "levels deep"});

    const fs::path target = Copy("target");
    const auto before = Files(target);
    for (const Case& c : cases) {
        const fs::path file = temp_ / (c.name + ".b3patch");
        WriteAll(file, c.patch);
        const Result r = Apply(target, file);
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
        EXPECT_EQ(Files(target), before) << c.name;
    }
    // The good one still applies.
    EXPECT_EQ(Apply(target, good).status, 0);
}

}  // namespace
