#include "platform/text1252.h"

#include <gtest/gtest.h>

#include <string>

namespace b3::platform {
namespace {

TEST(Cp1252, EveryByteRoundTrips) {
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        const std::string utf8 = DecodeCp1252(one);
        ASSERT_TRUE(IsValidUtf8(utf8)) << "byte " << b;
        EXPECT_EQ(Utf8Length(utf8), 1u) << "byte " << b;
        const auto back = EncodeCp1252(utf8);
        ASSERT_TRUE(back.has_value()) << "byte " << b;
        EXPECT_EQ(*back, one) << "byte " << b;
    }
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const auto back = EncodeCp1252(DecodeCp1252(all));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, all);
}

TEST(Cp1252, KnownCharacters) {
    EXPECT_EQ(DecodeCp1252("\x80"), "\xE2\x82\xAC");  // euro sign U+20AC
    EXPECT_EQ(DecodeCp1252("\x9F"), "\xC5\xB8");      // U+0178
    EXPECT_EQ(DecodeCp1252("\x81"), "\xC2\x81");      // undefined byte -> U+0081
    EXPECT_EQ(DecodeCp1252("\x8D\x8F\x90\x9D"), "\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    EXPECT_EQ(DecodeCp1252("\xE9"), "\xC3\xA9");  // e acute U+00E9
    EXPECT_EQ(DecodeCp1252("\xA0"), "\xC2\xA0");
    EXPECT_EQ(DecodeCp1252("\x92"), "\xE2\x80\x99");  // right single quote U+2019

    EXPECT_EQ(EncodeCp1252("\xE2\x82\xAC"), std::optional<std::string>("\x80"));
    EXPECT_EQ(EncodeCp1252("\xC5\xB8"), std::optional<std::string>("\x9F"));
    EXPECT_EQ(EncodeCp1252("\xC2\x81"), std::optional<std::string>("\x81"));
    EXPECT_EQ(EncodeCp1252("L\xC3\xA9gende III"), std::optional<std::string>("L\xE9gende III"));
}

TEST(Cp1252, MixedTextDecodesAroundAsciiRuns) {
    // Long ASCII runs on both sides of the non-ASCII bytes, at various alignments.
    for (std::size_t lead = 0; lead < 20; ++lead) {
        const std::string ascii(lead, 'a');
        const std::string bytes = ascii + "\x80" + ascii + "\xFF" + "0123456789abcdef";
        const std::string expected =
            ascii + "\xE2\x82\xAC" + ascii + "\xC3\xBF" + "0123456789abcdef";
        EXPECT_EQ(DecodeCp1252(bytes), expected) << lead;
    }
    EXPECT_EQ(DecodeCp1252(""), "");
    EXPECT_EQ(DecodeCp1252(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp1252, CharactersOutsideTheCodePageFail) {
    EXPECT_FALSE(EncodeCp1252("\xE6\xBC\xA2").has_value());         // CJK U+6F22
    EXPECT_FALSE(EncodeCp1252("ok \xF0\x9F\x98\x80").has_value());  // emoji U+1F600
    EXPECT_FALSE(EncodeCp1252("\xC2\x80").has_value());  // U+0080: byte 0x80 is the euro sign
    EXPECT_FALSE(EncodeCp1252("\xC2\x9F").has_value());  // U+009F: byte 0x9F is U+0178
    EXPECT_FALSE(EncodeCp1252("\xC5\x81").has_value());  // U+0141, not in the code page
}

TEST(Cp1252, MalformedUtf8Fails) {
    const char* bad[] = {
        "\x80",              // continuation without a lead byte
        "\xC3",              // truncated
        "abc\xE2\x82",       // truncated three-byte form
        "\xC0\xAF",          // overlong '/'
        "\xE0\x80\xAF",      // overlong
        "\xED\xA0\x80",      // surrogate U+D800
        "\xF4\x90\x80\x80",  // beyond U+10FFFF
        "\xFF",              // never valid
        "\xC3\x28",          // bad continuation
    };
    for (const char* s : bad) {
        EXPECT_FALSE(EncodeCp1252(s).has_value()) << s;
        EXPECT_FALSE(IsValidUtf8(s)) << s;
    }
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));
}

TEST(Cp1252, Utf8LengthCountsCharacters) {
    EXPECT_EQ(Utf8Length(""), 0u);
    EXPECT_EQ(Utf8Length("abc"), 3u);
    EXPECT_EQ(Utf8Length("L\xC3\xA9gende"), 7u);
    EXPECT_EQ(Utf8Length("\xE2\x82\xAC\xF0\x9F\x98\x80"), 2u);
    EXPECT_EQ(Utf8Length("a\xFF\x80z"), 4u);  // malformed bytes count one each
    EXPECT_EQ(Utf8Length("\xE2\x82"), 2u);
}

TEST(Cp1252, AppendUtf8) {
    std::string out;
    EXPECT_TRUE(AppendUtf8(out, 0x41));
    EXPECT_TRUE(AppendUtf8(out, 0xE9));
    EXPECT_TRUE(AppendUtf8(out, 0x20AC));
    EXPECT_TRUE(AppendUtf8(out, 0x1F600));
    EXPECT_EQ(out, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_FALSE(AppendUtf8(out, 0xD800));
    EXPECT_FALSE(AppendUtf8(out, 0x110000));
    EXPECT_EQ(out.size(), 10u);
}

TEST(Cp1252, CaseHelpers) {
    EXPECT_EQ(AsciiUpper("Army.arm \xC3\xA9z"), "ARMY.ARM \xC3\xA9Z");
    EXPECT_EQ(AsciiLower("ARMY.Arm"), "army.arm");
    EXPECT_TRUE(EqualsIgnoreCase("Knight.Arm", "KNIGHT.ARM"));
    EXPECT_FALSE(EqualsIgnoreCase("Knight.Arm", "KNIGHT.AR"));
    EXPECT_FALSE(EqualsIgnoreCase("a[", "A{"));  // only letters fold
    EXPECT_FALSE(EqualsIgnoreCase("\xC3\xA9", "\xC3\x89"));
}

}  // namespace
}  // namespace b3::platform
