// Mods as patches on large installations: the diff of two installations of 10,000 objects each
// (with their pictures), and the apply of a patch that changes 1,000 of them.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "b3/record_layout.h"
#include "patch/patch.h"

namespace fs = std::filesystem;

namespace {

// 6,000 armies, 2,000 heroes, 1,000 items, 500 sites and 500 spells, with the pictures of the
// armies, heroes and sites; a copy with one value changed in 1,000 armies; a patch between them.
class Installations {
public:
    Installations() {
        root_ =
            fs::temp_directory_path() / ("b3bench-patch-" + std::to_string(std::random_device{}()));
        std::mt19937 rng(7);
        const int counts[b3::kKindCount] = {1000, 6000, 2000, 500, 500};
        const std::string picture(2048, '\x11');
        for (int kind = 0; kind < b3::kKindCount; ++kind) {
            const b3::RecordLayout& layout = b3::LayoutOf(kind);
            const fs::path folder = base() / layout.subfolder;
            fs::create_directories(folder);
            for (int i = 0; i < counts[kind]; ++i) {
                const std::string name = "O" + std::to_string(100000 + i).substr(1);
                std::string record(static_cast<std::size_t>(layout.recordLength), '\0');
                for (char& c : record) c = static_cast<char>('a' + rng() % 26);
                for (const b3::FieldLayout& f : layout.fields)
                    if (f.encoding == b3::FieldEncoding::Text)
                        record[static_cast<std::size_t>(f.offset + f.width / 2)] = '\0';
                std::ofstream(folder / (name + layout.extension), std::ios::binary) << record;
                for (const std::string& suffix : b3::patch::PictureSuffixes(kind))
                    std::ofstream(folder / (name + suffix + ".PCX"), std::ios::binary) << picture;
            }
        }
        fs::copy(base(), modded(), fs::copy_options::recursive);
        for (int i = 0; i < 1000; ++i) {
            const fs::path file =
                modded() / "Army" / ("O" + std::to_string(100000 + i * 6).substr(1) + ".ARM");
            std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
            f.seekp(154);  // Strength
            f.put(static_cast<char>(200 + i % 50));
        }
        patch_ = b3::patch::MakePatch(b3::patch::Installation(base().string()),
                                      b3::patch::Installation(modded().string()), "bench", "");
    }
    ~Installations() { fs::remove_all(root_); }
    fs::path base() const { return root_ / "base"; }
    fs::path modded() const { return root_ / "modded"; }
    fs::path target() const { return root_ / "target"; }
    const b3::patch::Patch& patch() const { return patch_; }

private:
    fs::path root_;
    b3::patch::Patch patch_;
};

Installations& Install() {
    static Installations install;
    return install;
}

void BM_Diff10kObjects(benchmark::State& state) {
    Install();
    for (auto _ : state) {
        const b3::patch::Installation a(Install().base().string());
        const b3::patch::Installation b(Install().modded().string());
        benchmark::DoNotOptimize(b3::patch::Compare(a, b).changed.size());
    }
    state.counters["objects"] = 10000;
}
BENCHMARK(BM_Diff10kObjects)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_Apply1000ChangedObjects(benchmark::State& state) {
    Install();
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(Install().target());
        fs::copy(Install().base(), Install().target(), fs::copy_options::recursive);
        state.ResumeTiming();
        const auto report = b3::patch::ApplyPatch(Install().patch(), Install().target().string(),
                                                  b3::patch::ConflictChoice::Refuse, false);
        benchmark::DoNotOptimize(report.files);
    }
    state.counters["objects"] = 1000;
}
BENCHMARK(BM_Apply1000ChangedObjects)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
