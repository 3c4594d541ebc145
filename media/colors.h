// Colours as the components store them: 0x00BBGGRR, or a system colour with the high
// byte 0xFF and the colour's index in the low byte.
#pragma once

#include <cstdint>

#include "platform/soft2d.h"

namespace prismcrate {

using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clBtnFace = 0xFF00000F;

// The red, green and blue parts of a colour; system colours take the desktop's classic
// values (the button face is the grey the main window's client area uses).
inline std::uint32_t colorToRGB(TColor color) {
    if ((color & 0xFF000000u) == 0xFF000000u) {
        switch (color & 0xFF) {
            case 0x0F:  // button face
                return 0xC0C0C0;
            default:
                return 0x000000;
        }
    }
    return color & 0xFFFFFF;
}

// The pixel value a 32-bit surface stores for a colour.
inline std::uint32_t colorToPixel(TColor color) {
    const std::uint32_t rgb = colorToRGB(color);
    return soft2d::rgbPixel(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
}

}  // namespace prismcrate
