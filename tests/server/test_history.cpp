// The history store: every write, delete and template copy keeps the bytes it replaces; a
// restore brings them back byte for byte; a store that cannot be written never stops a change.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "b3/file_transaction.h"
#include "b3/history.h"
#include "cedit_object.h"
#include "platform/files.h"
#include "platform/native_path.h"
#include "server_internal.h"
#include "support/install_fixture.h"
#include "support/portable.h"

using namespace b3test;

namespace {

// An installation with one object of each kind, its history under a temporary XDG_DATA_HOME
// (LOCALAPPDATA on Windows), and the messages the server shows collected instead of printed.
// Both folders have names outside ASCII, as a user's and a game's folders may.
struct Fixture {
    TempDir data;
    std::string home = data /
                       "Donn\xc3\xa9"
                       "es";
    ScopedEnv xdg{"XDG_DATA_HOME", home};
    ScopedEnv localAppData{"LOCALAPPDATA", home};
    Installation install{"L\xc3\xa9gende III"};
    std::vector<std::string> messages;
    std::unique_ptr<b3::_CEditObject> object;

    Fixture() {
        install.withOneOfEach();
        b3::CreateOptions options = install.options();
        options.messageSink = sink();
        object = b3::CreateObject(b3::CLSID_CEditObject, options);
    }
    // Collects what the server shows into `messages`.
    b3::MessageSink sink() {
        return [this](const std::string& text) { messages.push_back(text); };
    }
    b3::HistoryStore store() { return b3::HistoryStore(install.root(), sink()); }
};

TEST(History, WritesDeletesAndTemplatesKeepThePreviousBytesAndRestoreBringsThemBack) {
    Fixture f;
    const std::string knightFile = f.install.path("Army", "KNIGHT.ARM");
    const std::string before = ReadBytes(knightFile);
    f.install.write("Army", "KNIGHT.PCX", "knight picture");

    b3::ObjectArray row = f.object->GetEditObjectData(b3::kArmy).row(0);
    row[1] = b3::Cell::text("Paladin");
    f.object->WriteObject(row, b3::kArmy);
    const std::string saved = ReadBytes(knightFile);
    ASSERT_NE(saved, before);

    f.object->CopyPictureTemplate(b3::kArmyPicture, "KNIGHT");
    EXPECT_EQ(ReadBytes(f.install.path("Army", "KNIGHT.PCX")), "army template");
    f.object->Delete(b3::kArmy, "KNIGHT");
    EXPECT_FALSE(fs::exists(knightFile));

    // Newest first: the delete of the record and its picture, the template, the save.
    const auto versions = f.store().List(b3::kArmy, "knight");
    ASSERT_EQ(versions.size(), 4u);
    EXPECT_EQ(versions[0].operation, "delete");
    EXPECT_EQ(versions[0].file, "Army/KNIGHT.PCX");
    EXPECT_EQ(versions[1].operation, "delete");
    EXPECT_EQ(versions[1].file, "Army/KNIGHT.ARM");
    EXPECT_EQ(versions[2].operation, "template");
    EXPECT_EQ(versions[3].operation, "save");
    EXPECT_EQ(*f.store().Bytes(versions[2].id), "knight picture");
    EXPECT_TRUE(f.messages.empty());

    // The delete is one operation holding both files; restoring it brings both back in one
    // step, and then the first version gives the original bytes back. The version a restore
    // replaces is itself kept.
    auto store = f.store();
    const auto operations = store.Operations(b3::kArmy, "KNIGHT");
    ASSERT_EQ(operations.size(), 3u);
    EXPECT_EQ(operations[0].operation, "delete");
    ASSERT_EQ(operations[0].files.size(), 2u);
    EXPECT_EQ(operations[0].files[0].file, "Army/KNIGHT.ARM");
    EXPECT_EQ(operations[0].files[1].file, "Army/KNIGHT.PCX");
    EXPECT_EQ(operations[0].id, versions[1].id);
    EXPECT_EQ(store.RestoreFiles(operations[0].id).size(), 2u);
    EXPECT_EQ(ReadBytes(knightFile), saved);
    EXPECT_EQ(ReadBytes(f.install.path("Army", "KNIGHT.PCX")), "army template");
    store.Restore(versions[3].id);
    EXPECT_EQ(ReadBytes(knightFile), before);
    const auto after = store.List(b3::kArmy, "KNIGHT");
    ASSERT_EQ(after.size(), 5u);
    EXPECT_EQ(after[0].operation, "restore");
    EXPECT_EQ(*store.Bytes(after[0].id), saved);
    // One file of an operation alone, named in any letter case.
    f.install.write("Army", "KNIGHT.PCX", "changed");
    EXPECT_EQ(store.RestoreFiles(operations[0].id, "army/knight.pcx").size(), 1u);
    EXPECT_EQ(ReadBytes(f.install.path("Army", "KNIGHT.PCX")), "army template");
    EXPECT_EQ(ReadBytes(knightFile), before);

    const auto missing = Failure([&] { store.Restore("no-such-id"); });
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->number(), b3::kErrNoSuchVersion);
}

TEST(History, SpellsAndHeroPicturesAreKeptUnderTheirShortNames) {
    Fixture f;
    f.install.write("Hero", "WIZARDm.PCX", "male");
    f.install.write("Hero", "WIZARDf.PCX", "female");
    f.object->Delete(b3::kSpell, f.install.path("Spell", "BOLT.SPL"));
    f.object->Delete(b3::kHero, "WIZARD");
    EXPECT_EQ(f.store().List(b3::kSpell, "BOLT").size(), 1u);
    const auto hero = f.store().List(b3::kHero, "WIZARD");
    ASSERT_EQ(hero.size(), 3u);
    EXPECT_EQ(*f.store().Bytes(hero[0].id), "male");
    EXPECT_EQ(*f.store().Bytes(hero[1].id), "female");
    // Nothing of another installation shows up in this one's history.
    Installation other;
    EXPECT_TRUE(b3::HistoryStore(other.root()).List().empty());
}

TEST(History, AStoreThatCannotBeWrittenDoesNotStopTheSaveButSaysSo) {
    Fixture f;
    // The store's folder is taken by a plain file: nothing can be kept there.
    fs::create_directories(b3::platform::FsPath(f.home + "/b3tools"));
    WriteBytes(f.home + "/b3tools/history", "not a folder");
    b3::ObjectArray row = f.object->GetEditObjectData(b3::kArmy).row(0);
    row[1] = b3::Cell::text("Paladin");
    f.object->WriteObject(row, b3::kArmy);
    EXPECT_EQ(ReadBytes(f.install.path("Army", "KNIGHT.ARM")).substr(0, 7), "Paladin");
    ASSERT_EQ(f.messages.size(), 1u);
    EXPECT_NE(f.messages[0].find("KNIGHT.ARM"), std::string::npos) << f.messages[0];
    EXPECT_NE(f.messages[0].find("history"), std::string::npos) << f.messages[0];
}

TEST(History, AChangeOfSeveralFilesTellsThroughItsOwnSinkWhatCannotBeKept) {
    Fixture f;
    fs::create_directories(b3::platform::FsPath(f.home + "/b3tools"));
    WriteBytes(f.home + "/b3tools/history", "not a folder");
    const std::string knight = f.install.path("Army", "KNIGHT.ARM");
    b3::FileTransaction change(f.install.root(), "import", "table.csv", f.sink());
    change.Replace(knight, "Paladin", b3::kArmy, "KNIGHT");
    change.Commit();
    EXPECT_EQ(ReadBytes(knight), "Paladin");
    ASSERT_EQ(f.messages.size(), 1u);
    EXPECT_NE(f.messages[0].find(b3::kJournalName), std::string::npos) << f.messages[0];
    EXPECT_NE(f.messages[0].find("The change was made all the same."), std::string::npos)
        << f.messages[0];
}

TEST(History, TheOldestVersionsGoWhenTheStoreIsFull) {
    TempDir data;
    Installation install;
    b3::HistoryStore store(install.root(), 25, data.str());
    const std::string file = install.path("Sites", "TOWER.SIT");
    for (const char* bytes : {"0123456789", "abcdefghij", "ABCDEFGHIJ"}) {
        install.write("Sites", "TOWER.SIT", bytes);
        EXPECT_EQ(store.Keep(file, "save", b3::kSite, "TOWER"), "");
    }
    const auto versions = store.List();
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(*store.Bytes(versions[0].id), "ABCDEFGHIJ");
    EXPECT_EQ(*store.Bytes(versions[1].id), "abcdefghij");
    // Ids stay what they were when older versions are dropped.
    install.write("Sites", "TOWER.SIT", "klmnopqrst");
    store.Keep(file, "save", b3::kSite, "TOWER");
    EXPECT_EQ(store.List()[1].id, versions[0].id);
}

TEST(History, AWriteRefusesAFileChangedSinceItWasRead) {
    Fixture f;
    b3::ObjectArray row = f.object->GetEditObjectData(b3::kArmy).row(0);
    const std::string stamp = f.object->FileStamp(b3::kArmy, "KNIGHT");
    ASSERT_FALSE(stamp.empty());
    EXPECT_EQ(stamp, b3::StampFile(f.install.path("Army", "KNIGHT.ARM"), 252));

    const std::string outside = Bytes(252).text(0, 16, "Changed").str();
    f.install.write("Army", "KNIGHT.ARM", outside);
    row[1] = b3::Cell::text("Mine");
    const auto refused =
        Failure([&] { f.object->WriteObjectChecked(row, b3::kArmy, stamp, false); });
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->number(), b3::kErrChangedOnDisk);
    EXPECT_NE(refused->description().find("KNIGHT.ARM"), std::string::npos);
    EXPECT_EQ(ReadBytes(f.install.path("Army", "KNIGHT.ARM")), outside);

    // A new record replaces every byte: nothing of the old file's fields is left.
    f.install.write("Army", "KNIGHT.ARM", std::string(252, '\x7f'));
    f.object->WriteObjectChecked(row, b3::kArmy, "", true);
    const std::string fresh = ReadBytes(f.install.path("Army", "KNIGHT.ARM"));
    EXPECT_EQ(fresh.find('\x7f'), std::string::npos);
    EXPECT_EQ(fresh.substr(0, 5), std::string("Mine\0", 5));
}

// A kept version that is shorter, empty or changed is refused, and the file it would replace
// stays as it is; so is an index line that names a place outside the installation's kind
// folders or a version outside the history's folder, also when old versions are pruned. Lines
// that cannot be read at all stay in the index when it is written again. The user is told of
// the lines left out once, however often the index is read.
TEST(History, DamagedVersionsAndHandEditedIndexLinesAreRefused) {
    Fixture f;
    const std::string tower = f.install.path("Sites", "TOWER.SIT");
    auto store = f.store();
    ASSERT_EQ(store.Keep(tower, "save", b3::kSite, "TOWER"), "");
    const std::string id = store.List()[0].id;
    const std::string version = store.folder() + "/versions/" + id;
    const std::string now = ReadBytes(tower);
    for (const std::string& damaged :
         {std::string("0123456789"), std::string(), std::string(now.size(), 'x')}) {
        WriteBytes(version, damaged);
        const auto refused = Failure([&] { store.Restore(id); });
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->number(), b3::kErrDamagedVersion);
        EXPECT_NE(refused->description().find("Sites/TOWER.SIT"), std::string::npos);
        EXPECT_FALSE(store.Bytes(id));
        EXPECT_EQ(ReadBytes(tower), now);
    }

    // Hand-written lines: a file outside the installation, an absolute one, an id that leaves
    // the versions folder.
    const std::string outside = f.data / "outside.txt";
    WriteBytes(outside, "keep me");
    WriteBytes(store.folder() + "/versions/up", "evil!");
    std::string index = ReadBytes(store.folder() + "/index.tsv");
    index += "up\t1\tsave\tsite\tTOWER\tSites/../../../outside.txt\t5\n";
    index += "abs\t1\tsave\tsite\tTOWER\t" + outside + "\t5\n";
    index += "../../../outside.txt\t1\tsave\tsite\tTOWER\tSites/TOWER.SIT\t7\n";
    // Lines that cannot be read: no fields, a time that is no number, a size cut short.
    const std::vector<std::string> garbage = {"written by hand",
                                              "x\tyesterday\tsave\tsite\tTOWER\tSites/TOWER.SIT\t7",
                                              "y\t1\tsave\tsite\tTOWER\tSites/TOWER.SIT\t7kB"};
    for (const std::string& line : garbage) index += line + "\n";
    WriteBytes(store.folder() + "/index.tsv", index);
    EXPECT_TRUE(f.messages.empty()) << f.messages.front();
    EXPECT_EQ(store.List().size(), 1u);
    for (const char* evil : {"up", "abs", "../../../outside.txt"}) {
        const auto refused = Failure([&] { store.Restore(evil); });
        ASSERT_TRUE(refused) << evil;
        EXPECT_EQ(refused->number(), b3::kErrDamagedVersion) << evil;
    }
    EXPECT_EQ(ReadBytes(outside), "keep me");
    EXPECT_EQ(ReadBytes(tower), now);
    // Pruning with a tiny cap removes only versions of the store's own.
    b3::HistoryStore tiny(f.install.root(), now.size(), b3::HistoryStore::DefaultRoot(), f.sink());
    EXPECT_EQ(tiny.Keep(tower, "save", b3::kSite, "TOWER"), "");
    EXPECT_EQ(ReadBytes(outside), "keep me");
    EXPECT_TRUE(fs::exists(b3::platform::FsPath(store.folder() + "/versions/up")));
    ASSERT_EQ(tiny.List().size(), 1u);
    EXPECT_NE(tiny.List()[0].id, id);
    EXPECT_EQ(*tiny.Bytes(tiny.List()[0].id), now);

    // Rewritten with the new version, the index still holds every line it could not read.
    const std::string rewritten = ReadBytes(store.folder() + "/index.tsv");
    for (const std::string& line : garbage)
        EXPECT_NE(rewritten.find("\n" + line + "\n"), std::string::npos) << line << "\n"
                                                                         << rewritten;
    EXPECT_NE(rewritten.find("Sites/../../../outside.txt"), std::string::npos) << rewritten;
    // Read many times (listing, restoring, keeping), the index was told of once: by its path,
    // with the three lines outside and the three that cannot be read.
    ASSERT_EQ(f.messages.size(), 1u) << (f.messages.empty() ? "" : f.messages.back());
    EXPECT_NE(f.messages[0].find(store.folder()), std::string::npos) << f.messages[0];
    EXPECT_NE(f.messages[0].find("index.tsv"), std::string::npos) << f.messages[0];
    EXPECT_NE(f.messages[0].find(" 6 lines "), std::string::npos) << f.messages[0];
    EXPECT_EQ(tiny.List().size(), 1u);
    EXPECT_EQ(f.messages.size(), 1u);
}

// One of two processes of the test below: saves one army many times.
TEST(HistoryWorker, SavesOneArmyManyTimes) {
    // Through the platform's reading of the environment: the folder's name is not ASCII.
    const std::optional<std::string> job = b3::platform::EnvironmentText("B3_HISTORY_WORKER");
    if (!job) GTEST_SKIP() << "started by History.TwoProcessesSavingKeepEveryVersionOnce";
    std::istringstream in(*job);
    std::string root, name;
    int count = 0;
    std::getline(in, root, '\t');
    std::getline(in, name, '\t');
    in >> count;
    std::vector<std::string> messages;
    try {
        b3::CreateOptions options{root};
        options.messageSink = [&](const std::string& text) { messages.push_back(text); };
        auto object = b3::CreateObject(b3::CLSID_CEditObject, options);
        const auto data = object->GetEditObjectData(b3::kArmy);
        b3::ObjectArray row;
        for (std::size_t r = 0; r < data.rows(); ++r)
            if (data.row(r)[3].toString() == name) row = data.row(r);
        ASSERT_FALSE(row.empty()) << root;
        for (int i = 0; i < count; ++i) {
            row[1] = b3::Cell::text(name + " " + std::to_string(i));
            object->WriteObject(row, b3::kArmy);
        }
    } catch (const b3::Error& e) {
        FAIL() << root << ": " << e.number() << " " << e.source() << ": " << e.description();
    }
    EXPECT_TRUE(messages.empty()) << messages.front();
}

// Two processes save two armies at the same time: every version is kept once, under its own
// object, with its own bytes.
TEST(History, TwoProcessesSavingKeepEveryVersionOnce) {
    Fixture f;
    f.install.write("Army", "ORCS.ARM", Bytes(252).text(0, 16, "Orcs").str());
    constexpr int kSaves = 200;
#ifdef _WIN32
    const std::string self = std::string(B3_TEST_BIN) + "/test_history.exe";
#else
    const std::string self = std::string(B3_TEST_BIN) + "/test_history";
#endif
    const std::string input = f.data / "in.txt";
    WriteBytes(input, "");
    std::vector<std::thread> workers;
    int status[2] = {-1, -1};
    const char* names[2] = {"KNIGHT", "ORCS"};
    for (int w = 0; w < 2; ++w) {
        workers.emplace_back([&, w] {
            std::vector<std::string> env = b3::testing::CurrentEnvironment();
            env.push_back("B3_HISTORY_WORKER=" + f.install.root() + "\t" + names[w] + "\t" +
                          std::to_string(kSaves));
            status[w] =
                b3::testing::RunProgram(self, {"--gtest_filter=HistoryWorker.*"}, env, input,
                                        f.data / ("out" + std::to_string(w) + ".txt"),
                                        f.data / ("err" + std::to_string(w) + ".txt"));
        });
    }
    for (auto& t : workers) t.join();
    for (int w = 0; w < 2; ++w)
        ASSERT_EQ(status[w], 0) << ReadBytes(f.data / ("out" + std::to_string(w) + ".txt"));

    const auto store = f.store();
    const auto all = store.List();
    EXPECT_EQ(all.size(), 2u * kSaves);
    std::set<std::string> ids;
    for (const auto& e : all) ids.insert(e.id);
    EXPECT_EQ(ids.size(), all.size());
    for (const std::string first : {"Knight", "Orcs"}) {
        const std::string name = first == "Knight" ? "KNIGHT" : "ORCS";
        std::set<std::string> expected = {first};
        for (int i = 0; i + 1 < kSaves; ++i) expected.insert(name + " " + std::to_string(i));
        std::set<std::string> kept;
        for (const auto& e : store.List(b3::kArmy, name)) {
            const auto bytes = store.Bytes(e.id);
            ASSERT_TRUE(bytes) << e.id;
            kept.insert(bytes->substr(0, bytes->find('\0')));
        }
        EXPECT_EQ(kept, expected) << name;
    }
}

}  // namespace

#ifdef _WIN32
namespace {

std::string HashName(const std::string& readable, const std::string& path) {
    std::uint64_t h = 1469598103934665603ull;
    for (const char c : path) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(h));
    return readable + "-" + buffer;
}

// On Windows a folder is the same in any letter case: one installation has one history however
// its path is spelled, and a history kept under the earlier, unfolded name is found after it.
TEST(History, OneHistoryForEverySpellingOfTheFolder) {
    TempDir data;
    const std::string root = data / "history";
    const b3::HistoryStore upper("C:\\Games\\B3", b3::HistoryStore::kDefaultCap, root);
    const b3::HistoryStore lower("c:\\games\\b3\\", b3::HistoryStore::kDefaultCap, root);
    EXPECT_EQ(upper.folder(), lower.folder());

    const std::string legacy = root + "\\" + HashName("B3", "C:/Games/B3");
    ASSERT_NE(legacy, upper.folder());
    WriteBytes(legacy + "\\index.tsv",
               "# b3tools history 1\n20260101-120000-1\t1767268800\tsave\tarmy\tKNIGHT\t"
               "Army/KNIGHT.ARM\t9\n");
    WriteBytes(legacy + "\\versions\\20260101-120000-1", "old bytes");
    // Another spelling's history, which says in installation.txt whose it is.
    const std::string other = root + "\\" + HashName("b3", "C:/GAMES/b3");
    WriteBytes(other + "\\installation.txt", "C:\\GAMES\\b3\n");
    WriteBytes(other + "\\index.tsv",
               "# b3tools history 1\n20260102-120000-1\t1767355200\tdelete\tsite\tTOWER\t"
               "Sites/TOWER.SIT\t5\n");
    WriteBytes(other + "\\versions\\20260102-120000-1", "tower");
    const b3::HistoryStore store("C:\\Games\\B3", b3::HistoryStore::kDefaultCap, root);
    const auto versions = store.List();
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(versions[0].name, "TOWER");
    EXPECT_EQ(store.Bytes(versions[0].id), "tower");
    EXPECT_EQ(versions[1].name, "KNIGHT");
    EXPECT_EQ(store.Bytes(versions[1].id), "old bytes");
    EXPECT_EQ(b3::HistoryStore("c:\\games\\b3", b3::HistoryStore::kDefaultCap, root).List().size(),
              2u);
}

}  // namespace
#endif

namespace {

TEST(History, AChangeThatFailsLeavesNoOperationInTheHistory) {
    Fixture f;
    const std::string knightFile = f.install.path("Army", "KNIGHT.ARM");
    const std::string before = ReadBytes(knightFile);
    const std::size_t kept = f.store().Operations().size();

    // The second file's folder does not exist: staging its bytes fails after the history has
    // been told of the change, and every file stays as it was.
    b3::FileTransaction change(f.install.root(), "patch");
    change.Replace(knightFile, "new knight", b3::kArmy, "KNIGHT");
    change.Replace(f.install.path("Army", "Missing/ORC.ARM"), "new orc", b3::kArmy, "ORC");
    EXPECT_THROW(change.Commit(), b3::Error);

    EXPECT_EQ(ReadBytes(knightFile), before);
    EXPECT_FALSE(b3::platform::IsRegularFile(b3::JournalPath(f.install.root())));
    EXPECT_EQ(f.store().Operations().size(), kept);
}

}  // namespace
