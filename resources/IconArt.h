// The program's icons as pixel tables: 20 rows of 20 characters, each character a colour.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

struct IconArt
{
    const char* name;
    const char* rows[20];
};

// The colour of one art character as 0xAARRGGBB; '.' (the mask colour) is transparent, and an
// unknown character is magenta so that a slip shows.
constexpr std::uint32_t IconArtColour(char c)
{
    switch (c)
    {
    case '.':
        return 0x00C0C0C0;
    case 'k':
        return 0xFF202020; // outline
    case 'w':
        return 0xFFFFFFFF;
    case 'g':
        return 0xFF808080;
    case 'l':
        return 0xFFC8C8C8;
    case 'd':
        return 0xFF505050;
    case 'b':
        return 0xFF2864C8;
    case 'B':
        return 0xFF8CB4FF;
    case 'y':
        return 0xFFF5C83C;
    case 'Y':
        return 0xFFBE8C1E;
    case 'r':
        return 0xFFD2281E;
    case 'R':
        return 0xFF8C140A;
    case 'G':
        return 0xFF28AA3C;
    case 'o':
        return 0xFFF08C1E;
    default:
        return 0xFFFF00FF;
    }
}

const IconArt* FindIconArt(std::string_view name);
std::span<const IconArt> AllIconArt();
