// b3cli diff A B [KIND...] [--json]: two installations compared object by object and value by
// value. The exit status is that of diff: 0 equal, 1 different, 2 trouble.
#include <iostream>
#include <stdexcept>

#include "b3/history.h"
#include "cli/patch_commands.h"
#include "patch/patch.h"

namespace b3cli {

CLI::App* AddDiffCommand(CLI::App& app, PatchOptions& options) {
    CLI::App* diff = app.add_subcommand(
        "diff", "Compare two installations object by object; exit status 0 equal, 1 different");
    diff->add_option("A", options.a, "The first installation folder, @ for the registered one")
        ->required();
    diff->add_option("B", options.b, "The second installation folder, @ for the registered one")
        ->required();
    diff->add_option("KIND", options.kinds, "Only these kinds: item, army, hero, site, spell")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return b3::KindFromWord(text) >= 0
                           ? std::string()
                           : "KIND must be item, army, hero, site, spell or 0 to 4";
            },
            "KIND", "kind"));
    diff->add_flag("--json", options.json, "Print the differences as JSON");
    return diff;
}

int RunDiff(const PatchOptions& options, const b3::CreateOptions& install, std::ostream& out,
            std::ostream& err) {
    try {
        std::vector<int> kinds;
        for (const std::string& k : options.kinds) kinds.push_back(b3::KindFromWord(k));
        const b3::patch::Installation a(b3::patch::InstallationFolder(options.a, install));
        const b3::patch::Installation b(b3::patch::InstallationFolder(options.b, install));
        const auto difference = b3::patch::Compare(a, b, kinds);
        if (options.json) {
            out << b3::patch::DifferenceJson(difference, a.folder(), b.folder())
                       .dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
                << '\n';
        } else {
            b3::patch::WriteDifferenceText(difference, a.folder(), b.folder(), out);
        }
        out.flush();
        if (!out) throw std::runtime_error("cannot write to standard output");
        return difference.empty() ? 0 : 1;
    } catch (const b3::Error& e) {
        err << "b3cli: error " << e.number() << " in " << e.source() << ": " << e.description()
            << std::endl;
    } catch (const std::exception& e) {
        err << "b3cli: " << e.what() << std::endl;
    }
    return 2;
}

}  // namespace b3cli
