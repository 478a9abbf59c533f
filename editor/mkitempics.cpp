// Draws the editor's 32 item pictures (32 by 32 pixels, 256 colours) and writes them as BMP
// files compiled into a C++ source: b3mkitempics OUTPUT.cpp [FOLDER-FOR-BMP-FILES]
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "formats/pcx.h"

namespace {

using namespace b3::pcx;

void PutU16(std::string& s, unsigned v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void PutU32(std::string& s, unsigned v) {
    PutU16(s, v & 0xFFFF);
    PutU16(s, v >> 16);
}

// An uncompressed 8-bit BMP with its 256-colour table.
std::string EncodeBmp(const Picture& p) {
    const unsigned stride = (static_cast<unsigned>(p.width) + 3u) & ~3u;
    const unsigned pixelBytes = stride * static_cast<unsigned>(p.height);
    const unsigned offset = 14 + 40 + 256 * 4;
    std::string s;
    s += "BM";
    PutU32(s, offset + pixelBytes);
    PutU32(s, 0);
    PutU32(s, offset);
    PutU32(s, 40);
    PutU32(s, static_cast<unsigned>(p.width));
    PutU32(s, static_cast<unsigned>(p.height));
    PutU16(s, 1);
    PutU16(s, 8);
    PutU32(s, 0);
    PutU32(s, pixelBytes);
    PutU32(s, 2835);
    PutU32(s, 2835);
    PutU32(s, 256);
    PutU32(s, 0);
    for (const Rgb& c : p.palette) {
        s.push_back(static_cast<char>(c.b));
        s.push_back(static_cast<char>(c.g));
        s.push_back(static_cast<char>(c.r));
        s.push_back('\0');
    }
    for (int y = p.height - 1; y >= 0; --y) {
        for (int x = 0; x < p.width; ++x) s.push_back(static_cast<char>(p.at(x, y)));
        for (unsigned x = static_cast<unsigned>(p.width); x < stride; ++x) s.push_back('\0');
    }
    return s;
}

// The background every picture shares: a dark vignette.
Picture Canvas(std::uint8_t tint) {
    Picture p(32, 32);
    p.palette = StandardPalette();
    VerticalGradient(p, tint, static_cast<std::uint8_t>(tint + 10));
    DrawRect(p, 0, 0, 31, 31, kBlack);
    return p;
}

// Ramp starts of StandardPalette (32 shades each, dark to light).
constexpr std::uint8_t kRampSky = 32, kRampWood = 64, kRampGreen = 96, kRampRed = 128,
                       kRampGrey = 160, kRampPurple = 192, kRampGold = 224;

void Sword(Picture& p, std::uint8_t blade, std::uint8_t hilt) {
    for (int i = 0; i < 18; ++i) {
        FillRect(p, 7 + i, 22 - i, 8 + i, 23 - i, blade);
    }
    DrawLine(p, 8, 23, 25, 6, kWhite);
    DrawLine(p, 4, 20, 11, 27, hilt);
    DrawLine(p, 5, 20, 12, 27, hilt);
    DrawLine(p, 3, 28, 7, 24, kBrown);
    DrawLine(p, 4, 28, 8, 24, kBrown);
    FillCircle(p, 3, 28, 1, hilt);
}
void Shield(Picture& p, std::uint8_t field, std::uint8_t charge) {
    FillRect(p, 7, 5, 24, 16, field);
    FillTriangle(p, 7, 16, 24, 16, 16, 28, field);
    DrawLine(p, 7, 5, 24, 5, kSilver);
    DrawLine(p, 7, 5, 7, 16, kSilver);
    DrawLine(p, 24, 5, 24, 16, kSilver);
    DrawLine(p, 7, 16, 16, 28, kSilver);
    DrawLine(p, 24, 16, 16, 28, kSilver);
    FillRect(p, 15, 8, 16, 23, charge);
    FillRect(p, 10, 12, 21, 13, charge);
}
void Ring(Picture& p, std::uint8_t band, std::uint8_t stone) {
    DrawCircle(p, 16, 19, 8, band);
    DrawCircle(p, 16, 19, 7, band);
    DrawCircle(p, 16, 19, 6, kDarkBrown);
    FillCircle(p, 16, 9, 4, stone);
    FillCircle(p, 15, 8, 1, kWhite);
}
void Amulet(Picture& p, std::uint8_t chain, std::uint8_t gem) {
    DrawLine(p, 8, 4, 16, 18, chain);
    DrawLine(p, 24, 4, 16, 18, chain);
    FillCircle(p, 16, 21, 6, kGold);
    FillCircle(p, 16, 21, 4, gem);
    FillCircle(p, 15, 19, 1, kWhite);
}
void Staff(Picture& p, std::uint8_t wood, std::uint8_t orb) {
    DrawLine(p, 6, 29, 22, 9, wood);
    DrawLine(p, 7, 29, 23, 9, wood);
    DrawLine(p, 6, 28, 22, 8, kDarkBrown);
    FillCircle(p, 24, 7, 4, orb);
    FillCircle(p, 23, 6, 1, kWhite);
}
void Helm(Picture& p, std::uint8_t metal, std::uint8_t crest) {
    FillEllipse(p, 16, 17, 10, 10, metal);
    FillRect(p, 6, 17, 26, 26, metal);
    FillRect(p, 9, 16, 23, 18, kBlack);
    FillRect(p, 15, 18, 16, 25, kBlack);
    FillTriangle(p, 14, 7, 18, 7, 16, 1, crest);
    DrawLine(p, 6, 26, 26, 26, kDarkGrey);
}
void Potion(Picture& p, std::uint8_t liquid, std::uint8_t cork) {
    FillCircle(p, 16, 20, 8, kSilver);
    FillCircle(p, 16, 21, 7, liquid);
    FillRect(p, 13, 6, 19, 12, kSilver);
    FillRect(p, 13, 3, 19, 6, cork);
    FillCircle(p, 13, 18, 1, kWhite);
}
void Crown(Picture& p, std::uint8_t metal, std::uint8_t gem) {
    FillRect(p, 5, 16, 26, 24, metal);
    FillTriangle(p, 5, 16, 9, 16, 5, 6, metal);
    FillTriangle(p, 13, 16, 19, 16, 16, 5, metal);
    FillTriangle(p, 22, 16, 26, 16, 26, 6, metal);
    FillCircle(p, 10, 20, 2, gem);
    FillCircle(p, 16, 20, 2, kRed);
    FillCircle(p, 22, 20, 2, gem);
}
void Axe(Picture& p, std::uint8_t head, std::uint8_t haft) {
    DrawLine(p, 8, 29, 20, 4, haft);
    DrawLine(p, 9, 29, 21, 4, haft);
    FillEllipse(p, 22, 10, 6, 6, head);
    FillTriangle(p, 16, 8, 20, 6, 18, 14, head);
    DrawLine(p, 27, 5, 27, 15, kWhite);
}
void Bow(Picture& p, std::uint8_t wood, std::uint8_t string) {
    for (int y = 3; y <= 28; ++y) {
        const int dy = y - 16;
        const int x = 8 + (169 - dy * dy) / 14;
        p.set(x, y, wood);
        p.set(x + 1, y, wood);
    }
    DrawLine(p, 9, 3, 9, 28, string);
    DrawLine(p, 4, 16, 26, 16, kBrown);
    FillTriangle(p, 26, 13, 26, 19, 30, 16, kSilver);
}
void Boots(Picture& p, std::uint8_t leather, std::uint8_t trim) {
    FillRect(p, 8, 5, 15, 22, leather);
    FillRect(p, 8, 22, 24, 27, leather);
    FillCircle(p, 23, 25, 3, leather);
    FillRect(p, 8, 5, 15, 8, trim);
    DrawLine(p, 8, 27, 25, 27, kBlack);
}
void Gem(Picture& p, std::uint8_t face, std::uint8_t light) {
    FillTriangle(p, 6, 13, 26, 13, 16, 28, face);
    FillRect(p, 10, 7, 22, 13, light);
    FillTriangle(p, 6, 13, 10, 7, 10, 13, light);
    FillTriangle(p, 22, 7, 26, 13, 22, 13, light);
    DrawLine(p, 16, 13, 16, 27, kWhite);
}
void Orb(Picture& p, std::uint8_t glass, std::uint8_t stand) {
    FillRect(p, 10, 24, 22, 28, stand);
    FillCircle(p, 16, 14, 10, glass);
    FillCircle(p, 12, 10, 3, kWhite);
    DrawCircle(p, 16, 14, 10, kBlack);
}
void Scroll(Picture& p, std::uint8_t paper, std::uint8_t seal) {
    FillRect(p, 7, 8, 25, 24, paper);
    FillCircle(p, 7, 16, 3, kBrown);
    FillCircle(p, 25, 16, 3, kBrown);
    for (int y = 11; y <= 20; y += 3) DrawLine(p, 11, y, 21, y, kDarkGrey);
    FillCircle(p, 16, 23, 3, seal);
}
void Book(Picture& p, std::uint8_t cover, std::uint8_t clasp) {
    FillRect(p, 7, 5, 25, 27, cover);
    FillRect(p, 9, 6, 25, 26, kBone);
    FillRect(p, 7, 5, 22, 27, cover);
    DrawRect(p, 10, 9, 19, 14, clasp);
    FillRect(p, 20, 14, 25, 17, clasp);
}
void Wand(Picture& p, std::uint8_t rod, std::uint8_t spark) {
    DrawLine(p, 5, 27, 20, 12, rod);
    DrawLine(p, 6, 27, 21, 12, rod);
    FillCircle(p, 23, 9, 2, spark);
    DrawLine(p, 23, 3, 23, 15, spark);
    DrawLine(p, 17, 9, 29, 9, spark);
    DrawLine(p, 19, 5, 27, 13, spark);
    DrawLine(p, 27, 5, 19, 13, spark);
}

struct Design {
    std::function<void(Picture&, std::uint8_t, std::uint8_t)> draw;
    std::uint8_t a, b;
    std::uint8_t tint;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: b3mkitempics OUTPUT.cpp [BMP-FOLDER]\n");
        return 2;
    }
    // Sixteen shapes in two colourings each: plain first, then a precious one.
    Design designs[32] = {
        {Sword, kSilver, kGold, kRampSky},        {Shield, kBlue, kGold, kRampSky},
        {Ring, kGold, kRed, kRampPurple},         {Amulet, kGold, kGreen, kRampPurple},
        {Staff, kBrown, kSky, kRampWood},         {Helm, kGrey, kRed, kRampGrey},
        {Potion, kRed, kBrown, kRampPurple},      {Crown, kGold, kBlue, kRampRed},
        {Axe, kSilver, kBrown, kRampWood},        {Bow, kBrown, kBone, kRampGreen},
        {Boots, kBrown, kGold, kRampWood},        {Gem, kBlue, kSky, kRampSky},
        {Orb, kPurple, kGold, kRampPurple},       {Scroll, kBone, kRed, kRampWood},
        {Book, kDarkRed, kGold, kRampRed},        {Wand, kBrown, kYellow, kRampGreen},
        {Sword, kGold, kRed, kRampRed},           {Shield, kDarkRed, kWhite, kRampRed},
        {Ring, kSilver, kBlue, kRampSky},         {Amulet, kSilver, kPurple, kRampGrey},
        {Staff, kDarkBrown, kRed, kRampRed},      {Helm, kGold, kBlue, kRampGold},
        {Potion, kGreen, kDarkBrown, kRampGreen}, {Crown, kSilver, kGreen, kRampGreen},
        {Axe, kGold, kDarkBrown, kRampGold},      {Bow, kSilver, kWhite, kRampSky},
        {Boots, kDarkGreen, kSilver, kRampGreen}, {Gem, kRed, kPink, kRampRed},
        {Orb, kTeal, kSilver, kRampSky},          {Scroll, kSky, kGold, kRampSky},
        {Book, kDarkBlue, kSilver, kRampSky},     {Wand, kSilver, kOrange, kRampPurple},
    };
    // Pictures that the sample installation's items use fit what they show.
    designs[0] = {Gem, kBone, kWhite, kRampRed};           // a dragon's tooth
    designs[3] = {Sword, kOrange, kGold, kRampRed};        // a burning blade
    designs[7] = {Helm, kTeal, kSky, kRampSky};            // a sea helm
    designs[12] = {Shield, kGold, kRed, kRampGold};        // a banner's device
    designs[18] = {Boots, kBrown, kOrange, kRampSky};      // travelling boots
    designs[22] = {Amulet, kGold, kRed, kRampPurple};      // a heart on a chain
    designs[27] = {Potion, kGold, kDarkBrown, kRampGold};  // a golden cup
    designs[30] = {Staff, kBrown, kSky, kRampSky};         // a storm staff
    std::string out =
        "// Drawn by b3mkitempics; do not edit.\n#include \"editor/item_bitmaps.h\"\n\n"
        "namespace b3::editor {\n\nnamespace {\n";
    for (int i = 0; i < 32; ++i) {
        Picture p = Canvas(designs[i].tint);
        designs[i].draw(p, designs[i].a, designs[i].b);
        const std::string bmp = EncodeBmp(p);
        if (argc > 2) {
            std::ofstream file(std::string(argv[2]) + "/item" + std::to_string(100 + i) + ".bmp",
                               std::ios::binary);
            file.write(bmp.data(), static_cast<std::streamsize>(bmp.size()));
        }
        out += "const unsigned char kBitmap" + std::to_string(100 + i) + "[] = {";
        for (std::size_t k = 0; k < bmp.size(); ++k) {
            if (k % 20 == 0) out += "\n    ";
            out += std::to_string(static_cast<unsigned char>(bmp[k])) + ",";
        }
        out += "\n};\n";
    }
    out += "}  // namespace\n\nconst ItemBitmapData kItemBitmaps[32] = {\n";
    for (int i = 0; i < 32; ++i) {
        const std::string n = std::to_string(100 + i);
        out += "    {kBitmap" + n + ", sizeof kBitmap" + n + "},\n";
    }
    out += "};\n\n}  // namespace b3::editor\n";
    std::ofstream file(argv[1], std::ios::binary);
    file << out;
    return file ? 0 : 1;
}
