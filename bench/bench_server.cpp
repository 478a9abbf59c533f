// Construction time of the edit object for a large installation: 10,000 armies and 1,000 heroes
// (plus 100 each of items, sites and spells), generated once into a temporary folder.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "b3/edit_object.h"
#include "b3/record_layout.h"

namespace fs = std::filesystem;

namespace {

class LargeInstallation {
public:
    LargeInstallation() {
        root_ = fs::temp_directory_path() / ("b3bench-" + std::to_string(std::random_device{}()));
        std::mt19937 rng(42);
        const int counts[b3::kKindCount] = {100, 10000, 1000, 100, 100};
        for (int kind = 0; kind < b3::kKindCount; ++kind) {
            const b3::RecordLayout& layout = b3::LayoutOf(kind);
            const fs::path folder = root_ / layout.subfolder;
            fs::create_directories(folder);
            for (int i = 0; i < counts[kind]; ++i) {
                const std::string name = "O" + std::to_string(100000 + i).substr(1);
                const fs::path file = folder / (name + layout.extension);
                b3::ObjectArray row(static_cast<std::size_t>(layout.columns));
                for (const b3::FieldLayout& f : layout.fields) {
                    b3::Cell& cell = row[static_cast<std::size_t>(f.column)];
                    switch (f.encoding) {
                        case b3::FieldEncoding::Text:
                            cell = b3::Cell::text(std::string(static_cast<std::size_t>(f.width) / 2,
                                                              static_cast<char>('a' + rng() % 26)));
                            break;
                        case b3::FieldEncoding::IconByte:
                            cell = b3::Cell::integer(static_cast<std::int16_t>(rng() % 32));
                            break;
                        case b3::FieldEncoding::Byte:
                            cell = b3::Cell::byte(static_cast<std::uint8_t>(rng() % 8));
                            break;
                        default:
                            cell = b3::Cell::integer(static_cast<std::int16_t>(rng() % 8));
                            break;
                    }
                }
                row[static_cast<std::size_t>(layout.shortNameColumn)] =
                    b3::Cell::text(kind == b3::kSpell ? file.string() : name);
                std::ofstream(file, std::ios::binary) << b3::EncodeRecord(kind, row, "");
            }
        }
        fs::create_directories(root_ / "EDPICTS");
        std::ofstream(root_ / "EDPICTS" / "NEWARMY.PCX") << "x";
        std::ofstream(root_ / "EDPICTS" / "NEWSITE.PCX") << "x";
    }
    ~LargeInstallation() { fs::remove_all(root_); }
    std::string root() const { return root_.string(); }

private:
    fs::path root_;
};

// The options of an object on the installation in `folder`.
b3::CreateOptions At(const std::string& folder) {
    b3::CreateOptions options;
    options.installFolder = folder;
    return options;
}

LargeInstallation& Install() {
    static LargeInstallation install;
    return install;
}

void BM_Construct10kArmies1kHeroes(benchmark::State& state) {
    const b3::CreateOptions options = At(Install().root());
    for (auto _ : state) {
        auto object = b3::CreateObject(b3::CLSID_CEditObject, options);
        benchmark::DoNotOptimize(object->NumEditObjects(1));
    }
    state.counters["files"] = 11300;
}
BENCHMARK(BM_Construct10kArmies1kHeroes)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ArmyReport10k(benchmark::State& state) {
    auto object = b3::CreateObject(b3::CLSID_CEditObject, At(Install().root()));
    const std::string out = Install().root() + "/armies.csv";
    for (auto _ : state) object->PrintReport(out, 1);
}
BENCHMARK(BM_ArmyReport10k)->Unit(benchmark::kMillisecond);

void BM_GetArmyData10k(benchmark::State& state) {
    auto object = b3::CreateObject(b3::CLSID_CEditObject, At(Install().root()));
    for (auto _ : state) benchmark::DoNotOptimize(object->GetEditObjectData(1).rows());
}
BENCHMARK(BM_GetArmyData10k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
