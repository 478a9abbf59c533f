// Export, import and check on real installations on disk: the sample and crafted ones.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "b3/file_transaction.h"
#include "b3/history.h"
#include "b3/record_layout.h"
#include "cli/table_commands.h"
#include "cli/table_file.h"
#include "platform/files.h"
#include "platform/native_path.h"
#include "sample/sample.h"
#include "support/install_fixture.h"
#include "support/step_watch.h"

namespace {

namespace fs = std::filesystem;
using b3test::ReadBytes;
using b3test::WriteBytes;

// Every file of the installation with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            files[fs::relative(e.path(), root).string()] = ReadBytes(e.path().string());
    return files;
}

class Batch : public ::testing::Test {
protected:
    // The sample is written once and copied for each test.
    static void SetUpTestSuite() {
        pristine_ = new b3test::TempDir;
        b3::sample::WriteSampleInstallation(*pristine_ / "game");
    }
    static void TearDownTestSuite() {
        delete pristine_;
        pristine_ = nullptr;
    }
    void SetUp() override {
        game_ = dir_ / "game";
        fs::copy(*pristine_ / "game", game_, fs::copy_options::recursive);
    }
    std::unique_ptr<b3::_CEditObject> Open() const {
        return b3::CreateObject(b3::CLSID_CEditObject, b3::CreateOptions{game_});
    }
    std::string Export(int kind, const std::string& name) const {
        std::ostringstream out;
        b3cli::ExportTable(*Open(), kind, dir_ / name, out);
        return ReadBytes(dir_ / name);
    }
    std::string Import(int kind, const std::string& name, bool dryRun,
                       const b3::platform::WriteFaults* faults = nullptr) const {
        std::ostringstream out;
        b3cli::ImportTable(*Open(), kind, dir_ / name, dryRun, out, {}, faults);
        return out.str();
    }
    // The message of the failing import.
    std::string FailingImport(int kind, const std::string& name) const {
        try {
            Import(kind, name, false);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        ADD_FAILURE() << "the import of " << name << " did not fail";
        return {};
    }

    static inline b3test::TempDir* pristine_ = nullptr;
    b3test::TempDir dir_;
    std::string game_;
};

// A table as a spreadsheet program saves it again: no byte order mark, LF line ends, quotes only
// where a field needs them.
std::string SpreadsheetCsv(const b3cli::TextTable& table) {
    std::string out;
    const auto line = [&out](const auto& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i > 0) out += ',';
            const std::string c = std::optional<std::string>(cells[i]).value();
            if (c.find_first_of(",\"\r\n") == std::string::npos) {
                out += c;
                continue;
            }
            out += '"';
            for (char ch : c) out += ch == '"' ? std::string("\"\"") : std::string(1, ch);
            out += '"';
        }
        out += '\n';
    };
    line(table.header);
    for (const auto& row : table.rows) line(row);
    return out;
}

TEST_F(Batch, ExportThenImportOfAnUnchangedInstallationChangesNothing) {
    const auto before = Snapshot(game_);
    for (int kind = 0; kind < b3::kKindCount; ++kind) {
        for (const char* ext : {".csv", ".json"}) {
            const std::string name = std::string(b3::LayoutOf(kind).kindName) + ext;
            const std::string text = Export(kind, name);
            const std::size_t rows = Open()->GetEditObjectData(kind).rows();
            const std::string summary = "0 changed, 0 new, " + std::to_string(rows) + " unchanged";
            EXPECT_EQ(Import(kind, name, true), summary + "; dry run, nothing written\n") << name;
            EXPECT_EQ(Import(kind, name, false), summary + "\n") << name;
            if (std::string(ext) == ".csv") {
                EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
                EXPECT_EQ(b3cli::ReadCsv(text, name).rows.size(), rows);
            } else {
                EXPECT_EQ(nlohmann::json::parse(text).size(), rows);
            }
        }
    }
    EXPECT_EQ(Snapshot(game_), before);
}

TEST_F(Batch, OneCellChangedInASpreadsheetChangesExactlyThatField) {
    b3cli::TextTable table = b3cli::ReadCsv(Export(b3::kArmy, "armies.csv"), "armies.csv");
    const auto strength = static_cast<std::size_t>(
        std::find(table.header.begin(), table.header.end(), "Strength") - table.header.begin());
    std::size_t row = 0;
    while (table.rows[row][0] != "KNIGHTS") ++row;
    const int old = std::stoi(*table.rows[row][strength]);
    table.rows[row][strength] = std::to_string(old + 1);
    WriteBytes(dir_ / "edited.csv", SpreadsheetCsv(table));

    const auto before = Snapshot(game_);
    EXPECT_EQ(Import(b3::kArmy, "edited.csv", true),
              "army KNIGHTS: Strength: " + std::to_string(old) + " -> " + std::to_string(old + 1) +
                  "\n1 changed, 0 new, " + std::to_string(table.rows.size() - 1) +
                  " unchanged; dry run, nothing written\n");
    EXPECT_EQ(Snapshot(game_), before);

    Import(b3::kArmy, "edited.csv", false);
    auto after = Snapshot(game_);
    const std::string file = (fs::path("Army") / "KNIGHTS.ARM").string();
    std::string expected = before.at(file);
    expected[154] = static_cast<char>(old + 1);  // Strength, one byte at 154
    EXPECT_EQ(after.at(file), expected);
    after[file] = before.at(file);
    EXPECT_EQ(after, before);
}

TEST_F(Batch, ABadCellAnywhereLeavesEveryFileAsItWas) {
    const std::string json = Export(b3::kHero, "heroes.json");
    auto doc = nlohmann::json::parse(json);
    doc[0]["Strength"] = 9;                   // a good change first
    doc[doc.size() - 1]["Level3XP"] = 40000;  // then a value its field cannot hold
    WriteBytes(dir_ / "bad.json", doc.dump());
    const auto before = Snapshot(game_);
    const std::string last = doc[doc.size() - 1]["ShortName"];
    EXPECT_EQ(FailingImport(b3::kHero, "bad.json"),
              dir_ / "bad.json" + ": object " + std::to_string(doc.size()) + " (\"" + last +
                  "\"), column Level3XP, value \"40000\": 40000 does not fit: -32768 to 32767; "
                  "nothing was written");

    std::string csv = Export(b3::kItem, "items.csv");
    b3cli::TextTable items = b3cli::ReadCsv(csv, "items.csv");
    items.rows[0][2] = "Ring of \xC5\x81ight";  // "Ł", which Windows-1252 lacks
    items.rows.back()[5] = "12";
    WriteBytes(dir_ / "bad.csv", SpreadsheetCsv(items));
    const std::string message = FailingImport(b3::kItem, "bad.csv");
    EXPECT_NE(message.find("row 2 (\"" + *items.rows[0][0] + "\"), column Description"),
              std::string::npos)
        << message;
    EXPECT_NE(message.find("the character '\xC5\x81' cannot be stored in the game's files"),
              std::string::npos)
        << message;
    EXPECT_EQ(Snapshot(game_), before);
}

TEST_F(Batch, NewRowsCreateObjectsWithTheirPictures) {
    WriteBytes(dir_ / "new.json",
               R"([{"ShortName": "GOLEMS", "DisplayName": "Clay Golems", "Strength": 6},
                   {"ShortName": "knights", "Hits": 3}])");
    const std::string out = Import(b3::kArmy, "new.json", false);
    EXPECT_NE(out.find("army GOLEMS (new): DisplayName: \"\" -> \"Clay Golems\"\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(" 1 new, "), std::string::npos) << out;
    EXPECT_TRUE(fs::is_regular_file(fs::path(game_) / "Army" / "GOLEMS.ARM"));
    EXPECT_EQ(ReadBytes(dir_ / "game/Army/GOLEMS.PCX"),
              ReadBytes(dir_ / "game/EDPICTS/NEWARMY.PCX"));
    const auto golems = Open()->ConvertArmyShortName("GOLEMS");
    EXPECT_EQ(golems.at(1).str(), "Clay Golems");

    WriteBytes(dir_ / "hero.csv", "ShortName,DisplayNameMale\r\nSEER,Seer\r\n");
    Import(b3::kHero, "hero.csv", false);
    for (const char* picture : {"SEERm.PCX", "SEERf.PCX"})
        EXPECT_TRUE(fs::is_regular_file(fs::path(game_) / "Hero" / picture)) << picture;

    WriteBytes(dir_ / "spell.csv", "File,DisplayName,Mana\nQUAKE,Quake,20\n");
    Import(b3::kSpell, "spell.csv", false);
    EXPECT_TRUE(fs::is_regular_file(fs::path(game_) / "Spell" / "QUAKE.SPL"));

    WriteBytes(dir_ / "badname.csv", "ShortName,DisplayName\nCON,Console\n");
    EXPECT_NE(FailingImport(b3::kArmy, "badname.csv").find("reserved device name"),
              std::string::npos);
    WriteBytes(dir_ / "long.csv", "ShortName\nLONGHERO\n");
    EXPECT_NE(FailingImport(b3::kHero, "long.csv").find("at most 7 characters"), std::string::npos);
}

TEST_F(Batch, AFailingWritePutsBackWhatWasWritten) {
    // A folder where the second object's file would go makes its write fail after the first.
    fs::create_directory(fs::path(game_) / "Army" / "ZZZ.ARM");
    WriteBytes(dir_ / "two.csv", "ShortName,Strength\nKNIGHTS,9\nZZZ,1\n");
    const auto before = Snapshot(game_);
    EXPECT_THROW(Import(b3::kArmy, "two.csv", false), b3::Error);
    EXPECT_EQ(Snapshot(game_), before);
}

// A failed import in an installation whose folder name is outside ASCII: the new object's
// files go again, and the folder that made the write fail stays.
TEST_F(Batch, AFailingImportRemovesItsNewObjectsInAFolderNamedOutsideAscii) {
    using b3::platform::FsPath;
    using b3::platform::JoinPath;
    const std::string game = dir_ / "L\xc3\xa9gende III";
    const std::string army = JoinPath(game, "Army");
    fs::copy(FsPath(*pristine_ / "game"), FsPath(game), fs::copy_options::recursive);
    fs::create_directory(FsPath(JoinPath(army, "ZZZ.ARM")));
    WriteBytes(dir_ / "new.csv", "ShortName,Strength\nAAA,1\nZZZ,1\n");
    const auto before = b3test::FolderNames(army);
    std::ostringstream out;
    const auto object = b3::CreateObject(b3::CLSID_CEditObject, b3::CreateOptions{game});
    EXPECT_THROW(b3cli::ImportTable(*object, b3::kArmy, dir_ / "new.csv", false, out), b3::Error);
    const auto after = b3test::FolderNames(army);
    std::vector<std::string> added, removed;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(added));
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                        std::back_inserter(removed));
    EXPECT_TRUE(added.empty()) << added.front();
    EXPECT_TRUE(removed.empty()) << removed.front();  // the folder in the way stays
}

// An import of changed and new objects is one change: one entry of the history, which one
// restore undoes whole, new objects and their pictures included.
TEST_F(Batch, AnImportIsOneEntryOfTheHistoryUndoneByOneRestore) {
    const auto before = Snapshot(game_);
    WriteBytes(dir_ / "mixed.csv", "ShortName,Strength\nKNIGHTS,9\nORCS,1\nGOLEMS,4\n");
    Import(b3::kArmy, "mixed.csv", false);
    const auto after = Snapshot(game_);
    ASSERT_NE(after, before);
    ASSERT_TRUE(fs::is_regular_file(fs::path(game_) / "Army" / "GOLEMS.PCX"));

    b3::HistoryStore store(game_);
    const auto operations = store.Operations();
    ASSERT_EQ(operations.size(), 1u);
    EXPECT_EQ(operations[0].operation, "import");
    store.Restore(operations[0].files.front().id);
    EXPECT_EQ(Snapshot(game_), before);
    // The restore is one change again, and undone in its turn.
    const auto again = store.Operations();
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[0].operation, "restore");
    store.Restore(again[0].files.front().id);
    EXPECT_EQ(Snapshot(game_), after);
}

#ifndef _WIN32
// The import is stopped (SIGKILL) after its journal is written and after each file; the next
// command that opens the installation finishes it, never leaving half a batch.
TEST_F(Batch, AnImportKilledInTheMiddleIsFinishedByTheNextCommand) {
    WriteBytes(dir_ / "batch.csv", "ShortName,Strength\nKNIGHTS,9\nORCS,1\nGOLEMS,4\nTROLLS,5\n");
    const auto oldFiles = Snapshot(game_);
    Import(b3::kArmy, "batch.csv", false);
    const auto newFiles = Snapshot(game_);
    for (long stopAt : {0L, 1L, 3L, 5L}) {
        const std::string target = dir_ / ("target" + std::to_string(stopAt));
        fs::copy(*pristine_ / "game", target, fs::copy_options::recursive);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const StepWatch kill([stopAt](std::size_t done) {
                if (static_cast<long>(done) == stopAt) ::raise(SIGKILL);
            });
            try {
                std::ostringstream out;
                const auto object =
                    b3::CreateObject(b3::CLSID_CEditObject, b3::CreateOptions{target});
                b3cli::ImportTable(*object, b3::kArmy, dir_ / "batch.csv", false, out, {}, &kill);
            } catch (...) {
                ::_exit(3);
            }
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << stopAt;
        ASSERT_TRUE(fs::exists(b3::JournalPath(target))) << stopAt;
        if (stopAt > 0) {
            EXPECT_NE(Snapshot(target), oldFiles);  // stopped halfway indeed
        }
        EXPECT_GT(b3::RecoverInstallation(target), 0u);
        EXPECT_EQ(Snapshot(target), newFiles) << "stopped at " << stopAt;
    }
}
#endif

TEST_F(Batch, TablesThatCannotBeReadAreRefused) {
    WriteBytes(dir_ / "unknown.csv", "ShortName,Strenght\nKNIGHTS,9\n");
    EXPECT_NE(FailingImport(b3::kArmy, "unknown.csv").find("\"Strenght\" is not a column of army"),
              std::string::npos);
    WriteBytes(dir_ / "nokey.csv", "Strength\n9\n");
    EXPECT_NE(FailingImport(b3::kArmy, "nokey.csv").find("needs the column ShortName"),
              std::string::npos);
    WriteBytes(dir_ / "twice.csv", "ShortName,Strength\nKNIGHTS,9\nknights,8\n");
    EXPECT_NE(FailingImport(b3::kArmy, "twice.csv").find("already in row 2"), std::string::npos);
    WriteBytes(dir_ / "typeword.csv", "ShortName,TypeWord1\nKNIGHTS,undead\n");
    EXPECT_NE(FailingImport(b3::kArmy, "typeword.csv").find("kept as the game's file holds it"),
              std::string::npos);
    WriteBytes(dir_ / "latin1.csv", "ShortName,DisplayName\nKNIGHTS,Caf\xE9\n");
    EXPECT_NE(FailingImport(b3::kArmy, "latin1.csv").find("is not UTF-8"), std::string::npos);
    WriteBytes(dir_ / "open.csv", "ShortName,DisplayName\nKNIGHTS,\"Knights\n");
    EXPECT_NE(FailingImport(b3::kArmy, "open.csv").find("never closes"), std::string::npos);
    WriteBytes(dir_ / "float.json", R"([{"ShortName": "KNIGHTS", "Strength": 2.5}])");
    EXPECT_NE(FailingImport(b3::kArmy, "float.json").find("neither a text nor a whole number"),
              std::string::npos);
}

// Tables an attacker might hand over: each is refused with one short line that quotes at most a
// short excerpt of the bad value, and nothing is written.
TEST_F(Batch, DeepHugeAndOddTablesAreRefusedWithShortMessages) {
    const auto before = Snapshot(game_);
    // `text` is written to `file` unless the file is there already.
    const auto refused = [&](const std::string& file, const std::string& text,
                             const std::string& expected) {
        if (!fs::exists(dir_ / file)) WriteBytes(dir_ / file, text);
        for (const bool dryRun : {true, false}) {
            std::string message;
            try {
                Import(b3::kArmy, file, dryRun);
                ADD_FAILURE() << file << " was imported";
            } catch (const std::runtime_error& e) {
                message = e.what();
            }
            EXPECT_NE(message.find(expected), std::string::npos) << file << ": " << message;
            // The longest lists the kind's columns.
            EXPECT_LT(message.size(), 600u) << file;
            EXPECT_EQ(message.find('\0'), std::string::npos) << file;
            EXPECT_EQ(message.find("json.exception"), std::string::npos) << message;
        }
    };
    const std::size_t deep = 100000;
    refused("deep.json", std::string(deep, '[') + std::string(deep, ']'), "is not a JSON object");
    refused("deepvalue.json",
            R"([{"ShortName": "KNIGHTS", "Strength": )" + std::string(deep, '[') +
                std::string(deep, ']') + "}]",
            "key \"Strength\": a list is neither a text nor a whole number");
    refused("empty.json", "[{}]", "object 1: the table needs the column ShortName");
    refused("overflow.json", R"([{"ShortName": "KNIGHTS", "Strength": 1e400}])",
            "too large for any field");
    refused("longcell.csv", "ShortName,DisplayName\nKNIGHTS," + std::string(5000, 'x') + "\n",
            "row 2, field 2 is longer than 4096 bytes");
    refused("longcell.json",
            R"([{"ShortName": "KNIGHTS", "DisplayName": ")" + std::string(5000, 'x') + "\"}]",
            "key \"DisplayName\" is longer than 4096 bytes");
    refused("wide.csv", "ShortName" + std::string(2000, ',') + "\n", "more than 1024 fields");
    // A long value with a NUL in it: quoted by its first 40 characters, the NUL escaped.
    refused("with-nul.csv",
            "ShortName,Description\nKNIGHTS,\"Kni" + std::string(1, '\0') + "ghts" +
                std::string(3000, 'x') + "\"\n",
            "value \"Kni\\u0000ghtsxxx");
    refused("longname.json", R"([{"ShortName": ")" + std::string(3000, 'K') + "\"}]", "(\"KKKK");
    refused("badkey.csv", "ShortName," + std::string(3000, 'k') + "\nKNIGHTS,1\n", "\"kkkk");
    // Larger than any table is refused before it is read (a sparse file costs no disk).
    {
        std::ofstream(dir_ / "huge.csv").flush();
        fs::resize_file(dir_ / "huge.csv", b3cli::kMaxTableBytes + 1);
        refused("huge.csv", std::string(), "is larger than 256 MiB");
    }
    EXPECT_EQ(Snapshot(game_), before);
}

// A NUL would cut a text short in the game's file, so the same table would report the same
// change on every import: it is refused, naming the column.
TEST_F(Batch, ATextWithANulIsRefusedNamingItsColumn) {
    const auto before = Snapshot(game_);
    const std::string nul(1, '\0');
    WriteBytes(dir_ / "with-nul.csv", "ShortName,DisplayName\nKNIGHTS,\"Kni" + nul + "ghts\"\n");
    std::string message = FailingImport(b3::kArmy, "with-nul.csv");
    EXPECT_NE(message.find("row 2 (\"KNIGHTS\"), column DisplayName, value \"Kni\\u0000ghts\": "
                           "the text holds a NUL character"),
              std::string::npos)
        << message;
    WriteBytes(dir_ / "with-nul.json", R"([{"ShortName": "ORCS", "Description": "Orcs\u0000!"}])");
    message = FailingImport(b3::kArmy, "with-nul.json");
    EXPECT_NE(message.find("column Description"), std::string::npos) << message;
    EXPECT_NE(message.find("NUL character"), std::string::npos) << message;
    EXPECT_EQ(Snapshot(game_), before);
}

#ifndef _WIN32
// A rolled-back import over a long sparse record file puts back its record without reading the
// rest, and leaves the holes as holes.
TEST_F(Batch, ARolledBackImportKeepsALongSparseFileAsItWas) {
    const fs::path knights = fs::path(game_) / "Army" / "KNIGHTS.ARM";
    const std::string record = ReadBytes(knights.string());
    const std::uintmax_t size = std::uintmax_t{64} << 20;
    fs::resize_file(knights, size);
    // The second file cannot be written (no write permission, which holds for the superuser
    // too): the first, written by then, is put back.
    const fs::path orcs = fs::path(game_) / "Army" / "ORCS.ARM";
    const std::string orcsRecord = ReadBytes(orcs.string());
    fs::permissions(orcs, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    WriteBytes(dir_ / "two.csv", "ShortName,Strength\nKNIGHTS,9\nORCS,1\n");
    std::vector<std::size_t> done;
    const StepWatch steps([&done](std::size_t n) { done.push_back(n); });
    EXPECT_THROW(Import(b3::kArmy, "two.csv", false, &steps), b3::Error);
    EXPECT_EQ(done, (std::vector<std::size_t>{0, 1}));  // the first file was written
    EXPECT_EQ(ReadBytes(orcs.string()), orcsRecord);
    EXPECT_EQ(fs::file_size(knights), size);
    std::ifstream in(knights, std::ios::binary);
    std::string start(record.size(), '\0');
    in.read(start.data(), static_cast<std::streamsize>(start.size()));
    EXPECT_EQ(start, record);
    struct stat st {};
    ASSERT_EQ(::stat(knights.c_str(), &st), 0);
    EXPECT_LT(static_cast<std::uintmax_t>(st.st_blocks) * 512, std::uintmax_t{1} << 20);
}

// A picture whose name is not UTF-8 (CAF\xe9.PCX, Windows-1252 as the game writes it) is
// matched as the listing reads it, the same way as the record's name.
TEST_F(Batch, CheckFindsPicturesWhoseNamesAreNotUtf8) {
    const fs::path army = fs::path(game_) / "Army";
    fs::copy_file(army / "KNIGHTS.ARM", army / "CAF\xe9.ARM");
    fs::copy_file(army / "KNIGHTS.PCX", army / "CAF\xe9.PCX");
    std::ostringstream out;
    EXPECT_EQ(b3cli::CheckInstallation(*Open(), false, out), 0) << out.str();
    EXPECT_EQ(out.str(), "");
    fs::remove(army / "CAF\xe9.PCX");
    std::ostringstream missing;
    EXPECT_EQ(b3cli::CheckInstallation(*Open(), false, missing), 1);
    EXPECT_EQ(missing.str(), "army CAF\xc3\xa9: the picture file CAF\xc3\xa9.PCX is missing\n");
}
#endif

TEST(TableCsv, ReadsQuotedFieldsLineBreaksAndBlankLines) {
    const auto t = b3cli::ReadCsv(
        "\xEF\xBB\xBF"
        "A,B\r\n\"x,\"\"y\"\"\",\"two\nlines\"\r\n,,\r\n1,\r\n",
        "t.csv");
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(t.rows[0], (std::vector<std::optional<std::string>>{"x,\"y\"", "two\nlines"}));
    EXPECT_EQ(t.rows[1], (std::vector<std::optional<std::string>>{"1", ""}));
    EXPECT_EQ(t.labels[1], "row 4");
    const auto j = b3cli::ReadJson(R"([{"B": 1}, {"A": "x", "B": null}])", "t.json");
    EXPECT_EQ(j.header, (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(j.rows[0], (std::vector<std::optional<std::string>>{"1", std::nullopt}));
    EXPECT_EQ(j.rows[1], (std::vector<std::optional<std::string>>{"", "x"}));
    EXPECT_THROW(b3cli::ReadCsv("A,B\n1,2,3\n", "t.csv"), std::runtime_error);
}

TEST_F(Batch, CheckFindsNothingOnTheSampleAndListsProblemsAsJson) {
    std::ostringstream out;
    EXPECT_EQ(b3cli::CheckInstallation(*Open(), false, out), 0);
    EXPECT_EQ(out.str(), "");
    fs::remove(fs::path(game_) / "Army" / "KNIGHTS.PCX");
    std::ostringstream text, json;
    EXPECT_EQ(b3cli::CheckInstallation(*Open(), false, text), 1);
    EXPECT_EQ(text.str(), "army KNIGHTS: the picture file KNIGHTS.PCX is missing\n");
    EXPECT_EQ(b3cli::CheckInstallation(*Open(), true, json), 1);
    EXPECT_EQ(nlohmann::json::parse(json.str()),
              nlohmann::json::parse(R"([{"kind": "army", "name": "KNIGHTS",
                  "problem": "the picture file KNIGHTS.PCX is missing"}])"));
}

}  // namespace
