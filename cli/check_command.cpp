// b3cli check: one line per problem of the installation, or a JSON array of them.
#include <ostream>

#include <nlohmann/json.hpp>

#include "b3/install_check.h"
#include "b3/record_layout.h"
#include "cli/table_commands.h"

namespace b3cli {

int CheckInstallation(const b3::_CEditObject& object, bool json, std::ostream& out) {
    const std::vector<b3::InstallProblem> problems = b3::CheckInstallation(object);
    if (json) {
        nlohmann::json list = nlohmann::json::array();
        for (const auto& p : problems)
            list.push_back({{"kind", b3::LayoutOf(p.kind).kindName},
                            {"name", p.name},
                            {"problem", p.problem}});
        out << list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    } else {
        for (const auto& p : problems)
            out << b3::LayoutOf(p.kind).kindName << ' ' << p.name << ": " << p.problem << '\n';
    }
    return problems.empty() ? 0 : 1;
}

}  // namespace b3cli
