// The 32 item pictures as 256-colour BMP files, compiled into the program. The data is drawn
// at build time by b3mkitempics.
#pragma once

#include <cstddef>

namespace b3::editor {

struct ItemBitmapData {
    const unsigned char* bytes;
    std::size_t size;
};

extern const ItemBitmapData kItemBitmaps[32];

}  // namespace b3::editor
