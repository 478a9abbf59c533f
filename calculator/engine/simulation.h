// The two levels at which a simulation fights its battles, and their names.
#pragma once

#include <optional>
#include <string_view>

namespace b3::engine {

// How a simulation fights its battles. Both fight every battle by the rules, each with its own
// draws, and never look at the exact odds.
//   Duel: each melee point of the first battle is drawn as the exchange that decides it, and each
//     missile shot as one draw; every later battle draws each duel's end in one draw from that
//     duel's own distribution of ends (duel_chain.h).
//   Rolled: every exchange of every battle rolls its combat dice, as the rules describe them.
enum class Simulation { Duel, Rolled };
// The names of the two in scenario files, b3cli's JSON and the calculator's settings.
inline constexpr const char* kSimulationNames[] = {"duel", "rolled"};
inline const char* SimulationName(Simulation s) {
    return kSimulationNames[s == Simulation::Rolled ? 1 : 0];
}
// The simulation named `name`, if it is one of the names above.
inline std::optional<Simulation> SimulationFromName(std::string_view name) {
    if (name == kSimulationNames[0]) return Simulation::Duel;
    if (name == kSimulationNames[1]) return Simulation::Rolled;
    return std::nullopt;
}

}  // namespace b3::engine
