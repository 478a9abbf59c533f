// 8-bit PCX pictures with a 256-colour palette, and a few drawing helpers for our own art.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace b3::pcx {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

using Palette = std::array<Rgb, 256>;

// A picture of palette indices, row by row from the top left corner.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height indices
    Palette palette{};

    Picture() = default;
    Picture(int w, int h, std::uint8_t fill = 0);

    // The index at (x, y); 0 outside the picture.
    std::uint8_t at(int x, int y) const;
    // Sets (x, y); points outside the picture are ignored, so shapes clip at the edges.
    void set(int x, int y, std::uint8_t index);

    friend bool operator==(const Picture&, const Picture&) = default;
};

// The largest width and height a PCX header can describe.
inline constexpr int kMaxDimension = 65535;

// Encodes `picture` as a version 5 PCX file: 128-byte header, one 8-bit plane, run-length encoded
// scan lines padded to an even number of bytes, then the 0x0C marker and the 768-byte palette.
// Throws std::invalid_argument for a picture without pixels, larger than kMaxDimension, or whose
// pixel count does not match its size.
std::string EncodePcx(const Picture& picture);

// Decodes an 8-bit, one-plane, run-length encoded PCX file with its 256-colour palette. Any bytes
// may be passed; the result is nullopt when they are not such a picture or are cut short.
std::optional<Picture> DecodePcx(std::string_view bytes);

// ---------------------------------------------------------------------------------------------
// Drawing. Coordinates are pixels; everything clips at the picture's edges.

// A palette with a few fixed colours at the named indices and smooth ramps elsewhere.
Palette StandardPalette();

// Named indices of StandardPalette.
enum Colour : std::uint8_t {
    kBlack = 0,
    kWhite = 1,
    kGrey = 2,
    kDarkGrey = 3,
    kRed = 4,
    kDarkRed = 5,
    kGreen = 6,
    kDarkGreen = 7,
    kBlue = 8,
    kDarkBlue = 9,
    kYellow = 10,
    kGold = 11,
    kBrown = 12,
    kDarkBrown = 13,
    kPurple = 14,
    kSkin = 15,
    kSky = 16,
    kOrange = 17,
    kSilver = 18,
    kBone = 19,
    kTeal = 20,
    kPink = 21,
};

void Fill(Picture& p, std::uint8_t colour);
// The rectangle with corners (x0, y0) and (x1, y1), both included.
void FillRect(Picture& p, int x0, int y0, int x1, int y1, std::uint8_t colour);
void DrawRect(Picture& p, int x0, int y0, int x1, int y1, std::uint8_t colour);
void DrawLine(Picture& p, int x0, int y0, int x1, int y1, std::uint8_t colour);
void FillCircle(Picture& p, int cx, int cy, int r, std::uint8_t colour);
void DrawCircle(Picture& p, int cx, int cy, int r, std::uint8_t colour);
void FillEllipse(Picture& p, int cx, int cy, int rx, int ry, std::uint8_t colour);
void FillTriangle(Picture& p, int x0, int y0, int x1, int y1, int x2, int y2, std::uint8_t colour);
// A vertical gradient over the whole picture through the palette indices from..to.
void VerticalGradient(Picture& p, std::uint8_t from, std::uint8_t to);
// Replaces every pixel of colour `from` by `to`.
void Recolour(Picture& p, std::uint8_t from, std::uint8_t to);

}  // namespace b3::pcx
