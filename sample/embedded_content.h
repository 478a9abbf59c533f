// The sample content files, compiled into the library by the build (see embed_content.cmake).
#pragma once

#include <cstddef>

namespace b3::sample::detail {

struct EmbeddedFile {
    const char* name;           // the file name, "armies.json"
    const unsigned char* data;  // its bytes
    std::size_t size;
};

extern const EmbeddedFile kEmbedded[];
extern const std::size_t kEmbeddedCount;

}  // namespace b3::sample::detail
