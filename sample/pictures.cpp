#include "sample/pictures.h"

#include <cstdint>

namespace b3::pcx {

namespace {

constexpr int kSize = 48;

// FNV-1a: a stable number per name, so that each object's picture is distinct and repeatable.
std::uint32_t NameHash(std::string_view name) {
    std::uint32_t h = 2166136261u;
    for (const char ch : name) {
        h ^= static_cast<unsigned char>(ch);
        h *= 16777619u;
    }
    return h;
}

// The dark and light ends of ramp r (0 to 6) of the standard palette.
std::uint8_t RampDark(int r) {
    return static_cast<std::uint8_t>(32 + 32 * r + 6);
}
std::uint8_t RampLight(int r) {
    return static_cast<std::uint8_t>(32 + 32 * r + 31);
}

void NewStar(Picture& p) {
    // A burst in the top right corner marks a picture that still waits for its real art.
    FillTriangle(p, 38, 1, 34, 13, 46, 9, kYellow);
    FillTriangle(p, 38, 13, 34, 5, 46, 5, kYellow);
    FillCircle(p, 40, 8, 3, kOrange);
    DrawLine(p, 38, 6, 38, 10, kWhite);
    DrawLine(p, 41, 6, 41, 10, kWhite);
    DrawLine(p, 38, 6, 41, 10, kWhite);
}

void Soldier(Picture& p, std::uint8_t body, std::uint8_t trim, int dx) {
    FillCircle(p, 22 + dx, 12, 5, body);                           // head
    FillTriangle(p, 22 + dx, 16, 12 + dx, 40, 32 + dx, 40, body);  // cloak
    FillRect(p, 15 + dx, 40, 19 + dx, 45, body);                   // legs
    FillRect(p, 25 + dx, 40, 29 + dx, 45, body);
    FillEllipse(p, 12 + dx, 28, 5, 7, trim);     // shield
    DrawLine(p, 33 + dx, 6, 33 + dx, 44, trim);  // spear
    FillTriangle(p, 33 + dx, 2, 31 + dx, 7, 35 + dx, 7, trim);
}

void Tower(Picture& p, std::uint8_t wall, std::uint8_t dark) {
    FillRect(p, 12, 16, 34, 44, wall);
    for (int x = 12; x <= 30; x += 6) FillRect(p, x, 11, x + 3, 15, wall);  // battlements
    FillRect(p, 20, 32, 26, 44, dark);                                      // gate
    FillCircle(p, 23, 32, 3, dark);
    FillRect(p, 16, 21, 18, 25, dark);  // windows
    FillRect(p, 28, 21, 30, 25, dark);
}

}  // namespace

Picture NewArmyTemplate() {
    Picture p(kSize, kSize);
    VerticalGradient(p, RampLight(4), static_cast<std::uint8_t>(RampLight(4) - 10));
    Soldier(p, kDarkGrey, kGrey, 0);
    DrawRect(p, 0, 0, kSize - 1, kSize - 1, kDarkGrey);
    NewStar(p);
    return p;
}

Picture NewSiteTemplate() {
    Picture p(kSize, kSize);
    VerticalGradient(p, RampLight(4), static_cast<std::uint8_t>(RampLight(4) - 10));
    FillRect(p, 0, 44, kSize - 1, kSize - 1, kGrey);
    Tower(p, kDarkGrey, kBlack);
    DrawRect(p, 0, 0, kSize - 1, kSize - 1, kDarkGrey);
    NewStar(p);
    return p;
}

Picture ArmyPortrait(std::string_view shortName) {
    const std::uint32_t h = NameHash(shortName);
    Picture p(kSize, kSize);
    const int sky = static_cast<int>(h % 7);
    VerticalGradient(p, RampDark(sky), RampLight(sky));
    FillRect(p, 0, 42, kSize - 1, kSize - 1, kDarkGreen);
    static constexpr std::uint8_t kBodies[] = {kRed,  kBlue,   kGreen,  kBrown,   kPurple,
                                               kTeal, kSilver, kOrange, kDarkRed, kBone};
    static constexpr std::uint8_t kTrims[] = {kGold, kSilver, kWhite, kYellow, kBlack, kPink};
    const std::uint8_t body = kBodies[(h >> 3) % std::size(kBodies)];
    const std::uint8_t trim = kTrims[(h >> 7) % std::size(kTrims)];
    Soldier(p, body, trim, static_cast<int>((h >> 11) % 5) - 2);
    // A small emblem in the corner: circle, diamond or bar, so lookalike colours still differ.
    switch ((h >> 14) % 3) {
        case 0:
            FillCircle(p, 41, 6, 4, trim);
            break;
        case 1:
            FillTriangle(p, 41, 1, 37, 6, 45, 6, trim);
            FillTriangle(p, 41, 11, 37, 6, 45, 6, trim);
            break;
        default:
            FillRect(p, 36, 4, 46, 7, trim);
            break;
    }
    DrawRect(p, 0, 0, kSize - 1, kSize - 1, kBlack);
    return p;
}

Picture HeroPortrait(std::string_view shortName, bool female) {
    const std::uint32_t h = NameHash(shortName);
    Picture p(kSize, kSize);
    const int sky = static_cast<int>((h >> 5) % 7);
    VerticalGradient(p, RampLight(sky), RampDark(sky));
    static constexpr std::uint8_t kCloaks[] = {kDarkRed, kDarkBlue,  kDarkGreen,
                                               kPurple,  kDarkBrown, kTeal};
    const std::uint8_t cloak = kCloaks[h % std::size(kCloaks)];
    FillEllipse(p, 24, 44, 18, 12, cloak);  // shoulders
    FillRect(p, 20, 26, 28, 34, kSkin);     // neck
    FillEllipse(p, 24, 20, 9, 11, kSkin);   // face
    if (female) {
        FillEllipse(p, 24, 14, 11, 7, kBrown);  // hair, long at the sides
        FillRect(p, 13, 14, 16, 36, kBrown);
        FillRect(p, 32, 14, 35, 36, kBrown);
    } else {
        FillEllipse(p, 24, 11, 10, 4, kDarkBrown);  // short hair
        FillRect(p, 19, 27, 29, 30, kDarkBrown);    // beard
    }
    FillTriangle(p, 15, 8, 33, 8, 24, 0, kGold);  // crown of rank
    p.set(20, 19, kBlack);
    p.set(28, 19, kBlack);
    DrawLine(p, 22, 25, 26, 25, kDarkRed);
    DrawRect(p, 0, 0, kSize - 1, kSize - 1, kGold);
    return p;
}

Picture SitePortrait(std::string_view shortName) {
    const std::uint32_t h = NameHash(shortName);
    Picture p(kSize, kSize);
    const int sky = static_cast<int>((h >> 2) % 7);
    VerticalGradient(p, RampDark(sky), RampLight(sky));
    FillEllipse(p, 24, 50, 30, 10, kDarkGreen);
    static constexpr std::uint8_t kWalls[] = {kGrey, kBrown, kBone, kSilver, kDarkGrey, kPurple};
    Tower(p, kWalls[h % std::size(kWalls)], kBlack);
    FillTriangle(p, 34, 2, 34, 10, 44, 6, kRed);  // banner
    DrawLine(p, 34, 2, 34, 16, kBlack);
    DrawRect(p, 0, 0, kSize - 1, kSize - 1, kBlack);
    return p;
}

}  // namespace b3::pcx
