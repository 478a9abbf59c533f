// Draws the picture templates for new armies, heroes and sites into the folder given on the
// command line: NEWARMY.PCX and NEWSITE.PCX.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "formats/pcx.h"
#include "sample/pictures.h"

namespace {

bool WriteWhole(const std::filesystem::path& path, const std::string& bytes) {
    // Write beside the target and rename, so an interrupted build never leaves half a picture.
    const std::filesystem::path temp = path.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return false;
        out.close();
        if (!out) return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) std::filesystem::remove(temp, ec);
    return !ec;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: b3mktemplates FOLDER\n");
        return 2;
    }
    try {
        const std::filesystem::path folder = argv[1];
        std::filesystem::create_directories(folder);
        if (!WriteWhole(folder / "NEWARMY.PCX", b3::pcx::EncodePcx(b3::pcx::NewArmyTemplate())) ||
            !WriteWhole(folder / "NEWSITE.PCX", b3::pcx::EncodePcx(b3::pcx::NewSiteTemplate()))) {
            std::fprintf(stderr, "b3mktemplates: cannot write the templates into %s\n", argv[1]);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "b3mktemplates: %s\n", e.what());
        return 1;
    }
    return 0;
}
