#pragma once

#include <cstdint>

// The three packed colour forms of the program (32-bit unsigned):
//
//   COLORREF     0x00BBGGRR  shape colours, control colour properties, DefaultObjectColors
//   ARGB pixel   0xAARRGGBB  every ArgbImage and the rasteriser's output
//   picker RGB   0x00RRGGBB  what the palettes give; alpha 0
//
// Converting between COLORREF and either other form swaps red and blue and keeps green.

constexpr uint32_t makeColorref(uint32_t red, uint32_t green, uint32_t blue)
{
    return (red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16);
}
constexpr uint32_t colorrefRed(uint32_t colorref)
{
    return colorref & 0xFF;
}
constexpr uint32_t colorrefGreen(uint32_t colorref)
{
    return (colorref >> 8) & 0xFF;
}
constexpr uint32_t colorrefBlue(uint32_t colorref)
{
    return (colorref >> 16) & 0xFF;
}

// Swaps the low and the third byte of the low 24 bits; the top byte becomes 0.
constexpr uint32_t swapRedBlue(uint32_t value)
{
    return ((value & 0xFF) << 16) | (value & 0xFF00) | ((value >> 16) & 0xFF);
}

constexpr uint32_t pickerRgbToColorref(uint32_t rgb)
{
    return swapRedBlue(rgb);
}
constexpr uint32_t colorrefToPickerRgb(uint32_t colorref)
{
    return swapRedBlue(colorref);
}
// An opaque pixel unless told otherwise.
constexpr uint32_t colorrefToArgb(uint32_t colorref, uint32_t alpha = 255)
{
    return ((alpha & 0xFF) << 24) | swapRedBlue(colorref);
}
// The pixel's alpha is dropped: a COLORREF's top byte is 0.
constexpr uint32_t argbToColorref(uint32_t pixel)
{
    return swapRedBlue(pixel);
}

// HSL to picker RGB: hue in degrees (brought into range by one step of 360), lightness and
// saturation as floats. Channels are truncated towards zero and keep only their low 8 bits,
// so values of 256 or more, or below 0, wrap modulo 256 (336 gives 80, -30 gives 226); the
// upper parts of palettes 2 and 3 are made of these wraps.
uint32_t hslToRgb(double hue, float lightness, float saturation);
