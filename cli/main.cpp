// b3cli: the edit server from the command line. It creates its CEditObject exactly as the GUI
// programs do, and reports every failure of the server as "b3cli: error NUMBER in SOURCE:
// DESCRIPTION" with exit status 1; usage errors exit with status 2.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "b3/edit_object.h"
#include "b3/record_layout.h"
#include "b3/registration.h"
#include "cli/batch_commands.h"
#include "cli/history_command.h"
#include "cli/odds_command.h"
#include "cli/patch_commands.h"
#include "cli/suggest_command.h"
#include "cli/table_file.h"
#include "engine/json_input.h"
#include "platform/command_line.h"
#include "platform/files.h"
#include "platform/native_path.h"
#include "platform/registry.h"
#include "platform/text1252.h"
#include "sample/sample.h"

namespace {

using nlohmann::json;

// A failure of the command line program itself (bad JSON, unreadable file), as opposed to one
// the server reports.
class CliError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

const char* const kKindNames[b3::kKindCount] = {"item", "army", "hero", "site", "spell"};

std::optional<int> KindFromText(const std::string& text) {
    for (int k = 0; k < b3::kKindCount; ++k)
        if (text == kKindNames[k] || text == std::to_string(k)) return k;
    return std::nullopt;
}

const CLI::Validator kKindValidator(
    [](std::string& text) -> std::string {
        return KindFromText(text) ? std::string()
                                  : "KIND must be item, army, hero, site, spell or 0 to 4";
    },
    "KIND", "kind");

std::unique_ptr<b3::_CEditObject> CreateEditObject(const b3::CreateOptions& options) {
    return b3::CreateObject(b3::CLSID_CEditObject, options);
}

// ---------------------------------------------------------------------------------------------

void Info(const b3::CreateOptions& options) {
    const auto object = CreateEditObject(options);
    std::cout << "InstallPath: " << object->InstallPath() << '\n'
              << "ItemPath: " << object->ItemPath() << '\n'
              << "ArmyPath: " << object->ArmyPath() << '\n'
              << "HeroPath: " << object->HeroPath() << '\n'
              << "SitePath: " << object->SitePath() << '\n'
              << "SpellPath: " << object->SpellPath() << '\n'
              << "PicsPath: " << object->PicsPath() << '\n';
    for (std::int32_t i = 0; i <= 5; ++i)
        std::cout << "NumEditObjects " << i << ": " << object->NumEditObjects(i) << '\n';
    std::cout << "InstallSource: " << b3::LocateInstallation(options).source << '\n';
}

json CellToJson(const b3::Cell& cell) {
    if (cell.isEmpty()) return nullptr;
    if (cell.isText()) return cell.str();
    return cell.number();
}

void Dump(const b3::CreateOptions& options, int kind) {
    const auto object = CreateEditObject(options);
    const b3::DataArray data = object->GetEditObjectData(kind);
    json rows = json::array();
    json types = json::array();
    for (std::size_t r = 0; r < data.rows(); ++r) {
        json row = json::array();
        json rowTypes = json::array();
        for (std::size_t c = 0; c < data.columns(); ++c) {
            const b3::Cell& cell = data.at(r, c);
            row.push_back(CellToJson(cell));
            rowTypes.push_back(b3::Cell::typeName(cell.type()));
        }
        rows.push_back(std::move(row));
        types.push_back(std::move(rowTypes));
    }
    const json out = {{"kind", kKindNames[kind]}, {"rows", rows}, {"types", types}};
    // Texts come from the game's files; anything that is not valid UTF-8 is shown replaced
    // rather than stopping the dump.
    std::cout << out.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
}

// The encoding of the field that the writer fills from `column`, if any.
std::optional<b3::FieldEncoding> ColumnEncoding(int kind, std::size_t column) {
    for (const b3::FieldLayout& field : b3::LayoutOf(kind).fields)
        if (field.column == static_cast<int>(column) && field.access != b3::FieldAccess::ReadOnly)
            return field.encoding;
    return std::nullopt;
}

// A JSON integer as the cell type of its column's field. A number that does not fit that type is
// handed on as a long, or as its decimal text beyond the range of a long, so that the server
// itself refuses it with its overflow error instead of the number being cut down here.
b3::Cell IntegerCell(int kind, std::size_t column, const json& value) {
    std::optional<std::int64_t> n;
    if (value.is_number_unsigned()) {
        const std::uint64_t u = value.get<std::uint64_t>();
        if (u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            n = static_cast<std::int64_t>(u);
    } else {
        n = value.get<std::int64_t>();
    }
    if (!n || *n < std::numeric_limits<std::int32_t>::min() ||
        *n > std::numeric_limits<std::int32_t>::max())
        return b3::Cell::text(value.dump());
    const auto encoding = ColumnEncoding(kind, column);
    if (encoding == b3::FieldEncoding::Byte && *n >= 0 && *n <= 255)
        return b3::Cell::byte(static_cast<std::uint8_t>(*n));
    if ((encoding == b3::FieldEncoding::Int16 || encoding == b3::FieldEncoding::IconByte) &&
        *n >= std::numeric_limits<std::int16_t>::min() &&
        *n <= std::numeric_limits<std::int16_t>::max())
        return b3::Cell::integer(static_cast<std::int16_t>(*n));
    return b3::Cell::long_(static_cast<std::int32_t>(*n));
}

b3::ObjectArray ObjectFromJson(int kind, const std::string& file, const std::string& text) {
    const std::string name = b3::engine::InputName(file);
    const json doc = b3::engine::ParseJsonInput(text, file);
    if (!doc.is_array())
        throw CliError(name + " must hold a JSON array of cells (null, integers and texts)");
    b3::ObjectArray object;
    object.reserve(doc.size());
    for (std::size_t i = 0; i < doc.size(); ++i) {
        const json& v = doc[i];
        if (v.is_null()) {
            object.emplace_back();
        } else if (v.is_number_integer()) {
            object.push_back(IntegerCell(kind, i, v));
        } else if (v.is_string()) {
            object.push_back(b3::Cell::text(v.get<std::string>()));
        } else {
            throw CliError(name + ": element " + std::to_string(i) + " is " +
                           (v.is_number_float() ? "a fractional number"
                            : v.is_boolean()    ? "a boolean"
                            : v.is_object()     ? "an object"
                                                : "an array") +
                           "; a cell is null, an integer or a text");
        }
    }
    return object;
}

void Write(const b3::CreateOptions& options, int kind, const std::string& file) {
    // Read and check the input before the installation is touched.
    const b3::ObjectArray object = ObjectFromJson(kind, file, b3::engine::ReadJsonInput(file));
    const auto server = CreateEditObject(options);
    server->WriteObject(object, kind);
}

bool EndsWithIgnoreCase(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           b3::platform::EqualsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

void Delete(const b3::CreateOptions& options, int kind, const std::string& name) {
    const auto object = CreateEditObject(options);
    std::string target = name;
    // A spell is deleted by its file's full path; a bare short name stands for the file of that
    // name in the spell folder.
    if (kind == b3::kSpell && name.find('/') == std::string::npos &&
        name.find('\\') == std::string::npos) {
        target = b3::platform::JoinPath(object->SpellPath(),
                                        EndsWithIgnoreCase(name, ".SPL") ? name : name + ".SPL");
    }
    object->Delete(kind, target);
}

void Template(const b3::CreateOptions& options, const std::string& what, const std::string& name) {
    const std::int32_t type = what == "army"   ? b3::kArmyPicture
                              : what == "hero" ? b3::kHeroPicture
                                               : b3::kSitePicture;
    CreateEditObject(options)->CopyPictureTemplate(type, name);
}

void Name(const b3::CreateOptions& options, const std::string& what, long long code) {
    if (code < std::numeric_limits<std::int16_t>::min() ||
        code > std::numeric_limits<std::int16_t>::max())
        throw CliError("code " + std::to_string(code) + " does not fit a 16-bit integer");
    const auto object = CreateEditObject(options);
    const auto index = static_cast<std::int16_t>(code);
    if (what == "power") {
        std::cout << object->ConvertPowerTypeToName(index) << '\n';
    } else if (what == "sound") {
        std::cout << object->ConvertSoundToName(index) << '\n';
    } else {
        std::cout << object->ConvertFacingToName(index) << '\n';
    }
}

// The registration's own failures are the user's to fix: they are shown as plain sentences.
void Register(const std::string& dir, bool replace) {
    b3::RegistrationResult result;
    try {
        result = b3::RegisterInstallation(dir, replace);
    } catch (const b3::Error& e) {
        std::string text = e.description();
        if (e.number() == b3::kErrRegistrationConflict) {
            text += " To register " + dir + " instead, run b3cli register --replace " + dir +
                    "; b3cli unregister then puts the value back as it was.";
        }
        throw CliError(text);
    }
    if (!result.changed) {
        std::cout << result.folder << " is registered as the installation folder already\n";
        return;
    }
    std::cout << "Stored " << result.folder << " as the installation folder in " << result.where
              << '\n';
    if (result.replaced) {
        std::cout << "It replaces " << *result.replaced << ", which b3cli unregister puts back\n";
    }
}

void Unregister() {
    b3::UnregistrationResult result;
    try {
        result = b3::UnregisterInstallation();
    } catch (const b3::Error& e) {
        throw CliError(e.description());
    }
    if (result.restored) {
        std::cout << "Put back " << *result.restored << " in place of " << result.folder << " in "
                  << result.where << '\n';
    } else {
        std::cout << "Removed " << result.folder << " from " << result.where
                  << ", where no folder was registered before\n";
    }
}

void Sample(const std::string& dir) {
    try {
        b3::sample::WriteSampleInstallation(dir);
    } catch (const b3::Error&) {
        throw;
    } catch (const std::exception& e) {
        throw CliError(e.what());
    }
    std::cout << "Wrote the sample installation to " << dir << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"The edit server's objects from the command line.", "b3cli"};
    app.require_subcommand(1);
    app.fallthrough();
    // A folder such as /games/b3 is an argument, never a Windows-style /option.
    app.allow_windows_style_options(false);

    std::string install;
    auto* installOption =
        app.add_option("--install", install,
                       "Use DIR as the game's installation folder instead of the registry store")
            ->type_name("DIR");

    std::string kindText, file, name, what, dir;
    long long code = 0;

    auto* info = app.add_subcommand("info", "Show the folders, the object counts and the store");
    auto* dump = app.add_subcommand("dump", "Print a kind's data array as JSON");
    dump->add_option("KIND", kindText, "item, army, hero, site, spell or 0 to 4")
        ->required()
        ->check(kKindValidator);
    auto* report = app.add_subcommand("report", "Write the report of a kind to FILE");
    report->add_option("KIND", kindText, "item, army, hero, site, spell or 0 to 4")
        ->required()
        ->check(kKindValidator);
    report->add_option("FILE", file, "The report file")->required();
    auto* write = app.add_subcommand("write", "Write one object from a JSON array of cells");
    write->add_option("KIND", kindText, "item, army, hero, site, spell or 0 to 4")
        ->required()
        ->check(kKindValidator);
    write->add_option("FILE", file, "The JSON file, - for standard input")->required();
    auto* del = app.add_subcommand("delete", "Delete one object's files");
    del->add_option("KIND", kindText, "item, army, hero, site, spell or 0 to 4")
        ->required()
        ->check(kKindValidator);
    del->add_option("NAME", name, "The short name (for spells also the file's full path)")
        ->required();
    auto* tmpl = app.add_subcommand("template", "Copy the picture template for a new object");
    tmpl->add_option("TYPE", what, "army, hero or site")
        ->required()
        ->check(CLI::IsMember({"army", "hero", "site"}));
    tmpl->add_option("NAME", name, "The new object's short name")->required();
    auto* nameCmd = app.add_subcommand("name", "Print the display name of a code");
    nameCmd->add_option("TYPE", what, "power, sound or facing")
        ->required()
        ->check(CLI::IsMember({"power", "sound", "facing"}));
    nameCmd->add_option("CODE", code, "The code")->required();
    auto* reg = app.add_subcommand("register", "Store DIR as the game's installation folder");
    reg->add_option("DIR", dir, "The installation folder")->required();
    bool replace = false;
    reg->add_flag("--replace", replace,
                  "Replace another folder registered already (b3cli unregister puts it back)");
    auto* unreg = app.add_subcommand(
        "unregister", "Undo the last register: put back the folder it replaced, or remove it");
    auto* sample = app.add_subcommand("sample", "Write the sample installation into DIR");
    sample->add_option("DIR", dir, "The folder to write")->required();
    b3cli::OddsOptions oddsOptions;
    auto* odds = b3cli::AddOddsCommand(app, oddsOptions);
    b3cli::BatchOptions batchOptions;
    const b3cli::BatchCommands batch = b3cli::AddBatchCommands(app, batchOptions);
    b3cli::SuggestOptions suggestOptions;
    auto* suggest = b3cli::AddSuggestCommand(app, suggestOptions);
    b3cli::HistoryOptions historyOptions;
    const auto historyCommands = b3cli::AddHistoryCommands(app, historyOptions);
    b3cli::PatchOptions patchOptions;
    const auto patchCommands = b3cli::AddPatchCommands(app, patchOptions);

    // CLI11 takes the arguments without the program name, last first.
    std::vector<std::string> arguments = b3::platform::Utf8Arguments(argc, argv);
    if (!arguments.empty()) arguments.erase(arguments.begin());
    std::reverse(arguments.begin(), arguments.end());
    b3::platform::UseUtf8Console();

    try {
        app.parse(arguments);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }

    b3::CreateOptions options;
    if (installOption->count() > 0) options.installFolder = install;
    // The server's messages (a kind folder it cannot count, a version the history cannot keep)
    // go to standard error as one line each, their parts joined where the message box would
    // break them. Every command hands this sink on with the options.
    options.messageSink = [](const std::string& text) {
        std::string line;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            if (text[i] == '\r' || text[i] == '\n') {
                line += " / ";
            } else {
                line += text[i];
            }
        }
        std::cerr << "b3cli: message: " << line << std::endl;
    };
    const int kind = KindFromText(kindText).value_or(-1);

    try {
        int status = 0;
        if (*info)
            Info(options);
        else if (*dump)
            Dump(options, kind);
        else if (*report)
            CreateEditObject(options)->PrintReport(file, kind);
        else if (*write)
            Write(options, kind, file);
        else if (*del)
            Delete(options, kind, name);
        else if (*tmpl)
            Template(options, what, name);
        else if (*nameCmd)
            Name(options, what, code);
        else if (*reg)
            Register(dir, replace);
        else if (*unreg)
            Unregister();
        else if (*sample)
            Sample(dir);
        else if (*odds)
            b3cli::RunOdds(oddsOptions, options, std::cout);
        else if (batch.ran())
            status = b3cli::RunBatch(batch, batchOptions, options, std::cout);
        else if (*suggest)
            b3cli::RunSuggest(suggestOptions, options, std::cout);
        else if (*historyCommands.history)
            b3cli::RunHistory(historyOptions, options, std::cout);
        else if (*historyCommands.restore)
            b3cli::RunRestore(historyOptions, options, std::cout);
        else if (patchCommands.ran())
            status =
                b3cli::RunPatchCommands(patchCommands, patchOptions, options, std::cout, std::cerr);
        std::cout.flush();
        if (!std::cout) throw CliError("cannot write to standard output");
        return status;
    } catch (const b3cli::Interrupted& e) {
        std::cerr << "b3cli: " << e.what() << std::endl;
        return 130;
    } catch (const b3::Error& e) {
        std::cerr << "b3cli: error " << e.number() << " in " << e.source() << ": "
                  << e.description() << std::endl;
        return 1;
    } catch (const std::bad_alloc&) {
        std::cerr << "b3cli: out of memory; free some memory or raise the limit and try again"
                  << std::endl;
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "b3cli: " << e.what() << std::endl;
        return 1;
    }
    return 0;
}
