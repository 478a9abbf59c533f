// The sample installation's army and hero data arrays, written to a temporary folder and read
// once per benchmark process.
#pragma once

#include <filesystem>
#include <random>
#include <string>

#include "b3/edit_object.h"
#include "sample/sample.h"

namespace b3bench {

struct SampleData {
    SampleData() {
        namespace fs = std::filesystem;
        const fs::path dir = fs::temp_directory_path() /
                             ("b3bench-sample-" + std::to_string(std::random_device{}()));
        b3::sample::WriteSampleInstallation(dir.string());
        b3::CreateOptions options;
        options.installFolder = dir.string();
        const auto object = b3::CreateObject(b3::CLSID_CEditObject, options);
        armies = object->GetEditObjectData(b3::kArmy);
        heroes = object->GetEditObjectData(b3::kHero);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    b3::DataArray armies, heroes;
};

inline const SampleData& Sample() {
    static const SampleData data;
    return data;
}

}  // namespace b3bench
