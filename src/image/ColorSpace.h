#pragma once
// Conversions between red, green, blue and hue, saturation, brightness, as the colour picker uses
// them: hue 0 to 359 degrees, saturation and brightness 0 to 255. Computed in double precision in a
// fixed order without fused multiply-add, so every machine gives the same integers.

// r, g, b 0 to 255 -> hue 0 to 359, saturation and brightness 0 to 255; red wins ties, then green.
void RGBToHSB(int r, int g, int b, int& h, int& s, int& v);
// hue 0 to 359, saturation and brightness 0 to 255 -> r, g, b, each truncated toward zero.
void HSBToRGB(int h, int s, int v, int& r, int& g, int& b);
