#include "formats/pcx.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace b3::pcx {

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPaletteSize = 768;
constexpr std::uint8_t kPaletteMarker = 0x0C;
constexpr int kMaxRun = 63;

void PutU16(std::string& out, std::size_t at, unsigned v) {
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

unsigned GetU16(std::string_view in, std::size_t at) {
    return unsigned{static_cast<unsigned char>(in[at])} |
           (unsigned{static_cast<unsigned char>(in[at + 1])} << 8);
}

void EncodeLine(std::string& out, const std::uint8_t* line, int count) {
    int i = 0;
    while (i < count) {
        const std::uint8_t value = line[i];
        int run = 1;
        while (i + run < count && run < kMaxRun && line[i + run] == value) ++run;
        // A single byte stands for itself unless its two top bits are set, which would make it
        // read as a run count.
        if (run > 1 || value >= 0xC0) out.push_back(static_cast<char>(0xC0 | run));
        out.push_back(static_cast<char>(value));
        i += run;
    }
}

// Where pixel (x, y), inside the picture, lies in its row-by-row pixels.
std::size_t Index(int x, int y, int width) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(x);
}

}  // namespace

Picture::Picture(int w, int h, std::uint8_t fill)
    : width(w),
      height(h),
      pixels(static_cast<std::size_t>(std::max(w, 0)) * static_cast<std::size_t>(std::max(h, 0)),
             fill),
      palette(StandardPalette()) {}

std::uint8_t Picture::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    return pixels[Index(x, y, width)];
}

void Picture::set(int x, int y, std::uint8_t index) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    pixels[Index(x, y, width)] = index;
}

std::string EncodePcx(const Picture& picture) {
    if (picture.width <= 0 || picture.height <= 0)
        throw std::invalid_argument("a PCX picture needs at least one pixel");
    if (picture.width > kMaxDimension || picture.height > kMaxDimension)
        throw std::invalid_argument("the picture is too large for a PCX header");
    if (picture.pixels.size() !=
        static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height))
        throw std::invalid_argument("the picture's pixel count does not match its size");

    const int bytesPerLine = picture.width + (picture.width % 2);
    std::string out(kHeaderSize, '\0');
    out[0] = 0x0A;  // manufacturer
    out[1] = 5;     // version 5: 256-colour palette at the end
    out[2] = 1;     // run-length encoding
    out[3] = 8;     // bits per pixel and plane
    PutU16(out, 4, 0);
    PutU16(out, 6, 0);
    PutU16(out, 8, static_cast<unsigned>(picture.width - 1));
    PutU16(out, 10, static_cast<unsigned>(picture.height - 1));
    PutU16(out, 12, 72);
    PutU16(out, 14, 72);
    for (std::size_t i = 0; i < 16; ++i) {
        out[16 + 3 * i] = static_cast<char>(picture.palette[i].r);
        out[17 + 3 * i] = static_cast<char>(picture.palette[i].g);
        out[18 + 3 * i] = static_cast<char>(picture.palette[i].b);
    }
    out[65] = 1;  // planes
    PutU16(out, 66, static_cast<unsigned>(bytesPerLine));
    PutU16(out, 68, 1);  // colour palette

    std::vector<std::uint8_t> line(static_cast<std::size_t>(bytesPerLine), 0);
    for (int y = 0; y < picture.height; ++y) {
        std::copy_n(picture.pixels.begin() + static_cast<std::ptrdiff_t>(y) * picture.width,
                    picture.width, line.begin());
        EncodeLine(out, line.data(), bytesPerLine);
    }

    out.push_back(static_cast<char>(kPaletteMarker));
    for (const Rgb& c : picture.palette) {
        out.push_back(static_cast<char>(c.r));
        out.push_back(static_cast<char>(c.g));
        out.push_back(static_cast<char>(c.b));
    }
    return out;
}

std::optional<Picture> DecodePcx(std::string_view bytes) {
    if (bytes.size() < kHeaderSize + 1 + kPaletteSize) return std::nullopt;
    const auto byteAt = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    if (byteAt(0) != 0x0A || byteAt(2) != 1 || byteAt(3) != 8 || byteAt(65) != 1)
        return std::nullopt;
    const unsigned xmin = GetU16(bytes, 4), ymin = GetU16(bytes, 6);
    const unsigned xmax = GetU16(bytes, 8), ymax = GetU16(bytes, 10);
    if (xmax < xmin || ymax < ymin) return std::nullopt;
    const std::size_t width = xmax - xmin + 1;
    const std::size_t height = ymax - ymin + 1;
    const std::size_t bytesPerLine = GetU16(bytes, 66);
    if (bytesPerLine < width) return std::nullopt;

    const std::size_t paletteAt = bytes.size() - kPaletteSize;
    if (byteAt(paletteAt - 1) != kPaletteMarker) return std::nullopt;
    const std::string_view data = bytes.substr(kHeaderSize, paletteAt - 1 - kHeaderSize);

    // Every two bytes of data give at most 63 pixels: a header that asks for more than the data
    // could hold is refused before anything is allocated.
    const std::size_t total = bytesPerLine * height;
    if (total > (data.size() / 2 + 1) * kMaxRun) return std::nullopt;

    std::vector<std::uint8_t> plane;
    plane.reserve(total);
    std::size_t i = 0;
    while (plane.size() < total) {
        if (i >= data.size()) return std::nullopt;  // cut short
        std::uint8_t b = static_cast<std::uint8_t>(data[i++]);
        std::size_t run = 1;
        if ((b & 0xC0) == 0xC0) {
            run = b & 0x3F;
            if (i >= data.size()) return std::nullopt;
            b = static_cast<std::uint8_t>(data[i++]);
        }
        // Runs may carry over from one scan line to the next; the last one stops at the end.
        run = std::min(run, total - plane.size());
        plane.insert(plane.end(), run, b);
    }

    Picture picture;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.pixels.resize(width * height);
    for (std::size_t y = 0; y < height; ++y)
        std::copy_n(plane.begin() + static_cast<std::ptrdiff_t>(y * bytesPerLine), width,
                    picture.pixels.begin() + static_cast<std::ptrdiff_t>(y * width));
    for (std::size_t c = 0; c < 256; ++c)
        picture.palette[c] = {byteAt(paletteAt + 3 * c), byteAt(paletteAt + 3 * c + 1),
                              byteAt(paletteAt + 3 * c + 2)};
    return picture;
}

// ---------------------------------------------------------------------------------------------

Palette StandardPalette() {
    Palette p{};
    const Rgb named[] = {
        {0, 0, 0},       {255, 255, 255}, {160, 160, 160}, {80, 80, 80},    {200, 40, 40},
        {110, 20, 20},   {60, 170, 60},   {25, 85, 30},    {60, 90, 210},   {25, 35, 110},
        {240, 220, 60},  {200, 150, 30},  {140, 90, 45},   {80, 50, 25},    {130, 60, 160},
        {230, 185, 150}, {150, 200, 240}, {235, 130, 40},  {200, 205, 215}, {235, 225, 195},
        {40, 150, 150},  {235, 150, 190},
    };
    std::copy(std::begin(named), std::end(named), p.begin());
    // Seven ramps of 32 shades from dark to light, from index 32 on.
    const Rgb ramps[7] = {{150, 200, 255}, {190, 140, 80},  {110, 210, 100}, {240, 90, 70},
                          {220, 220, 220}, {190, 120, 230}, {250, 215, 90}};
    for (int r = 0; r < 7; ++r)
        for (int s = 0; s < 32; ++s) {
            const int k = s + 1;
            p[static_cast<std::size_t>(32 + r * 32 + s)] = {
                static_cast<std::uint8_t>(ramps[r].r * k / 32),
                static_cast<std::uint8_t>(ramps[r].g * k / 32),
                static_cast<std::uint8_t>(ramps[r].b * k / 32)};
        }
    return p;
}

void Fill(Picture& p, std::uint8_t colour) {
    std::fill(p.pixels.begin(), p.pixels.end(), colour);
}

void FillRect(Picture& p, int x0, int y0, int x1, int y1, std::uint8_t colour) {
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, p.width - 1);
    y1 = std::min(y1, p.height - 1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) p.set(x, y, colour);
}

void DrawRect(Picture& p, int x0, int y0, int x1, int y1, std::uint8_t colour) {
    DrawLine(p, x0, y0, x1, y0, colour);
    DrawLine(p, x0, y1, x1, y1, colour);
    DrawLine(p, x0, y0, x0, y1, colour);
    DrawLine(p, x1, y0, x1, y1, colour);
}

void DrawLine(Picture& p, int x0, int y0, int x1, int y1, std::uint8_t colour) {
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        p.set(x0, y0, colour);
        if (x0 == x1 && y0 == y1) break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void FillEllipse(Picture& p, int cx, int cy, int rx, int ry, std::uint8_t colour) {
    if (rx < 0 || ry < 0) return;
    const long long rx2 = static_cast<long long>(rx) * rx + rx;
    const long long ry2 = static_cast<long long>(ry) * ry + ry;
    for (int y = -ry; y <= ry; ++y)
        for (int x = -rx; x <= rx; ++x)
            if (static_cast<long long>(x) * x * ry2 + static_cast<long long>(y) * y * rx2 <=
                rx2 * ry2)
                p.set(cx + x, cy + y, colour);
}

void FillCircle(Picture& p, int cx, int cy, int r, std::uint8_t colour) {
    FillEllipse(p, cx, cy, r, r, colour);
}

void DrawCircle(Picture& p, int cx, int cy, int r, std::uint8_t colour) {
    if (r < 0) return;
    int x = r, y = 0, err = 1 - r;
    while (x >= y) {
        const int pts[8][2] = {{x, y},   {y, x},   {-y, x}, {-x, y},
                               {-x, -y}, {-y, -x}, {y, -x}, {x, -y}};
        for (const auto& pt : pts) p.set(cx + pt[0], cy + pt[1], colour);
        ++y;
        if (err < 0) {
            err += 2 * y + 1;
        } else {
            --x;
            err += 2 * (y - x) + 1;
        }
    }
}

void FillTriangle(Picture& p, int x0, int y0, int x1, int y1, int x2, int y2, std::uint8_t colour) {
    const int minX = std::max(std::min({x0, x1, x2}), 0);
    const int maxX = std::min(std::max({x0, x1, x2}), p.width - 1);
    const int minY = std::max(std::min({y0, y1, y2}), 0);
    const int maxY = std::min(std::max({y0, y1, y2}), p.height - 1);
    const auto edge = [](int ax, int ay, int bx, int by, int px, int py) {
        return static_cast<long long>(bx - ax) * (py - ay) -
               static_cast<long long>(by - ay) * (px - ax);
    };
    for (int y = minY; y <= maxY; ++y)
        for (int x = minX; x <= maxX; ++x) {
            const long long a = edge(x0, y0, x1, y1, x, y);
            const long long b = edge(x1, y1, x2, y2, x, y);
            const long long c = edge(x2, y2, x0, y0, x, y);
            if ((a >= 0 && b >= 0 && c >= 0) || (a <= 0 && b <= 0 && c <= 0)) p.set(x, y, colour);
        }
}

void VerticalGradient(Picture& p, std::uint8_t from, std::uint8_t to) {
    for (int y = 0; y < p.height; ++y) {
        const int span = static_cast<int>(to) - static_cast<int>(from);
        const int index = p.height > 1 ? from + span * y / (p.height - 1) : from;
        for (int x = 0; x < p.width; ++x) p.set(x, y, static_cast<std::uint8_t>(index));
    }
}

void Recolour(Picture& p, std::uint8_t from, std::uint8_t to) {
    std::replace(p.pixels.begin(), p.pixels.end(), from, to);
}

}  // namespace b3::pcx
