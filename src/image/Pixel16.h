#pragma once
// 16-bit pixels (RGB 555 or 565) widened to 8 bits a channel as FreeImage's own conversion to 24 bits
// does (value * 255 / channel maximum), so the view, the processing and the converted image show one
// value for one pixel.
#include <cstdint>

struct SRgb8 {
    uint8_t r, g, b;
};

template <int GreenBits> constexpr SRgb8 Expand16(unsigned v)
{
    static_assert(GreenBits == 5 || GreenBits == 6);
    constexpr unsigned nGreenMax = (1u << GreenBits) - 1;
    const unsigned r = v >> (5 + GreenBits) & 31, g = v >> 5 & nGreenMax, b = v & 31;
    return {uint8_t(r * 255 / 31), uint8_t(g * 255 / nGreenMax), uint8_t(b * 255 / 31)};
}
