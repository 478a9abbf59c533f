// The PCX reader and writer: crafted pictures, hand-worked bytes, and hostile input.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "formats/pcx.h"

namespace {

using b3::pcx::DecodePcx;
using b3::pcx::EncodePcx;
using b3::pcx::Picture;

unsigned U16(const std::string& bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) | (static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::uint8_t B(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]);
}

// The RLE data between the header and the palette marker.
std::string DataOf(const std::string& pcx) {
    return pcx.substr(128, pcx.size() - 128 - 769);
}

// A palette with a different colour at every index, so that a shifted palette is noticed.
b3::pcx::Palette CountingPalette() {
    b3::pcx::Palette p{};
    for (int i = 0; i < 256; ++i)
        p[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i),
                                          static_cast<std::uint8_t>(255 - i),
                                          static_cast<std::uint8_t>(i * 7)};
    return p;
}

TEST(PcxEncode, HeaderOfAThreeByTwoPicture) {
    Picture p(3, 2);
    p.palette = CountingPalette();
    const std::string bytes = EncodePcx(p);
    EXPECT_EQ(B(bytes, 0), 0x0A);
    EXPECT_EQ(B(bytes, 1), 5);
    EXPECT_EQ(B(bytes, 2), 1);
    EXPECT_EQ(B(bytes, 3), 8);
    EXPECT_EQ(U16(bytes, 4), 0u);
    EXPECT_EQ(U16(bytes, 6), 0u);
    EXPECT_EQ(U16(bytes, 8), 2u);   // xmax = width - 1
    EXPECT_EQ(U16(bytes, 10), 1u);  // ymax = height - 1
    EXPECT_EQ(B(bytes, 65), 1);     // one plane
    EXPECT_EQ(U16(bytes, 66), 4u);  // 3 bytes rounded up to an even line
    EXPECT_EQ(U16(bytes, 68), 1u);
    // Each all-zero line of 4 bytes (3 pixels plus padding) is one run: C4 00.
    EXPECT_EQ(DataOf(bytes), std::string("\xC4\x00\xC4\x00", 4));
    ASSERT_EQ(B(bytes, bytes.size() - 769), 0x0C);
    EXPECT_EQ(B(bytes, bytes.size() - 768), 0);    // palette[0].r
    EXPECT_EQ(B(bytes, bytes.size() - 767), 255);  // palette[0].g
    EXPECT_EQ(B(bytes, bytes.size() - 3), 255);    // palette[255].r
    EXPECT_EQ(B(bytes, bytes.size() - 2), 0);      // palette[255].g
    EXPECT_EQ(B(bytes, bytes.size() - 1), (255 * 7) & 0xFF);
}

TEST(PcxEncode, RunsLongerThanSixtyThreeAreSplit) {
    Picture p(130, 1, 7);  // 130 pixels of colour 7 in one even line
    const std::string data = DataOf(EncodePcx(p));
    // 63 + 63 + 4 = 130.
    EXPECT_EQ(data, std::string("\xFF\x07\xFF\x07\xC4\x07", 6));
}

TEST(PcxEncode, HighBytesAreAlwaysEncodedAsRuns) {
    Picture p(4, 1);
    p.pixels = {0xC0, 0x05, 0xFF, 0xBF};
    // 0xC0 and 0xFF alone need a count of one in front; 0x05 and 0xBF stand for themselves.
    EXPECT_EQ(DataOf(EncodePcx(p)), std::string("\xC1\xC0\x05\xC1\xFF\xBF", 6));
}

TEST(PcxEncode, OddWidthIsPaddedWithoutLeakingIntoThePicture) {
    Picture p(1, 3);
    p.pixels = {9, 9, 9};
    // Each line is the pixel and one pad byte: 09 00, three times.
    EXPECT_EQ(DataOf(EncodePcx(p)), std::string("\x09\x00\x09\x00\x09\x00", 6));
    const auto back = DecodePcx(EncodePcx(p));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width, 1);
    EXPECT_EQ(back->pixels, p.pixels);
}

TEST(PcxEncode, RefusesPicturesItCannotDescribe) {
    EXPECT_THROW(EncodePcx(Picture()), std::invalid_argument);
    Picture wrong(4, 4);
    wrong.pixels.pop_back();
    EXPECT_THROW(EncodePcx(wrong), std::invalid_argument);
    Picture wide;
    wide.width = 70000;
    wide.height = 1;
    wide.pixels.resize(70000);
    EXPECT_THROW(EncodePcx(wide), std::invalid_argument);
}

TEST(PcxRoundTrip, CraftedPicturesComeBackUnchanged) {
    // Every index value, long runs across line ends, an odd width.
    Picture a(257, 5);
    a.palette = CountingPalette();
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            a.set(x, y, static_cast<std::uint8_t>(y == 2 ? 0xC7 : (x * 31 + y) & 0xFF));
    Picture b(48, 48);
    b3::pcx::FillCircle(b, 24, 24, 20, b3::pcx::kRed);
    Picture c(48, 48);
    b3::pcx::FillRect(c, 4, 30, 40, 44, b3::pcx::kGrey);
    b3::pcx::FillCircle(c, 24, 16, 10, b3::pcx::kYellow);
    for (const Picture* p : {&a, &b, &c}) {
        const auto back = DecodePcx(EncodePcx(*p));
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, *p);
    }
}

// A 2 x 2 picture written by hand: line 1 is a run of two 0x11, line 2 the bytes C5 (as a run of
// one) and 03. Palette index 3 is (10, 20, 30).
std::string TinyPcx() {
    std::string bytes(128, '\0');
    bytes[0] = 0x0A;
    bytes[1] = 5;
    bytes[2] = 1;
    bytes[3] = 8;
    bytes[8] = 1;   // xmax
    bytes[10] = 1;  // ymax
    bytes[65] = 1;
    bytes[66] = 2;  // bytes per line
    bytes += std::string("\xC2\x11\xC1\xC5\x03", 5);
    bytes += '\x0C';
    std::string palette(768, '\0');
    palette[9] = 10;
    palette[10] = 20;
    palette[11] = 30;
    return bytes + palette;
}

TEST(PcxDecode, HandMadeTinyPicture) {
    const auto p = DecodePcx(TinyPcx());
    ASSERT_TRUE(p);
    EXPECT_EQ(p->width, 2);
    EXPECT_EQ(p->height, 2);
    EXPECT_EQ(p->pixels, (std::vector<std::uint8_t>{0x11, 0x11, 0xC5, 0x03}));
    EXPECT_EQ(p->palette[3], (b3::pcx::Rgb{10, 20, 30}));
    EXPECT_EQ(p->palette[4], (b3::pcx::Rgb{0, 0, 0}));
}

TEST(PcxDecode, WindowOffsetsAndWidePaddingAreHonoured) {
    std::string bytes = TinyPcx();
    // xmin 5, xmax 6: still two pixels wide.
    bytes[4] = 5;
    bytes[8] = 6;
    const auto p = DecodePcx(bytes);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->width, 2);
    EXPECT_EQ(p->pixels[2], 0xC5);
}

TEST(PcxDecode, RefusesOtherFormatsAndDamage) {
    const std::string good = TinyPcx();
    ASSERT_TRUE(DecodePcx(good));

    EXPECT_FALSE(DecodePcx(""));
    EXPECT_FALSE(DecodePcx(std::string(2000, '\0')));
    std::string bad = good;
    bad[0] = 0x0B;  // not a PCX
    EXPECT_FALSE(DecodePcx(bad));
    bad = good;
    bad[3] = 4;  // 4 bits per pixel
    EXPECT_FALSE(DecodePcx(bad));
    bad = good;
    bad[65] = 3;  // three planes (24-bit colour)
    EXPECT_FALSE(DecodePcx(bad));
    bad = good;
    bad[2] = 0;  // no run-length encoding
    EXPECT_FALSE(DecodePcx(bad));
    bad = good;
    bad[128 + 5] = 0x00;  // palette marker gone
    EXPECT_FALSE(DecodePcx(bad));
    bad = good;
    bad[66] = 1;  // fewer bytes per line than pixels
    EXPECT_FALSE(DecodePcx(bad));
    bad = good;
    bad[8] = 0;
    bad[4] = 1;  // xmax below xmin
    EXPECT_FALSE(DecodePcx(bad));
    // A header that asks for 65536 x 65536 pixels from five bytes of data.
    bad = good;
    bad[8] = bad[9] = bad[10] = bad[11] = '\xFF';
    bad[66] = bad[67] = '\xFF';
    EXPECT_FALSE(DecodePcx(bad));
}

TEST(PcxDecode, TruncatedAndGarbageInputNeverCrashes) {
    Picture drawn(48, 48);
    b3::pcx::FillCircle(drawn, 20, 28, 15, b3::pcx::kRed);
    const std::string good = EncodePcx(drawn);
    ASSERT_TRUE(DecodePcx(good));
    for (std::size_t n = 0; n < good.size(); n += 7)
        EXPECT_FALSE(DecodePcx(good.substr(0, n))) << "cut at " << n;

    // Data that stops in the middle of a run (count byte without its value).
    std::string cut = TinyPcx();
    cut.erase(128 + 4, 1);  // drop the final 03: the picture needs one more pixel
    EXPECT_FALSE(DecodePcx(cut));

    std::uint32_t seed = 12345;
    for (int round = 0; round < 300; ++round) {
        std::string junk = good;
        for (int k = 0; k < 40; ++k) {
            seed = seed * 1103515245u + 12345u;
            junk[(seed >> 8) % junk.size()] = static_cast<char>(seed >> 24);
        }
        (void)DecodePcx(junk);  // any answer, but no crash and no runaway allocation
    }
}

}  // namespace
