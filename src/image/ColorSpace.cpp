#include "image/ColorSpace.h"

#include <algorithm>

// This file is compiled with floating-point contraction off: a fused multiply-add would round
// differently and change the truncated results on some machines.

void RGBToHSB(int r, int g, int b, int& h, int& s, int& v)
{
    const int nMax = std::max({r, g, b});
    const int nMin = std::min({r, g, b});
    v = nMax;
    if (nMax - nMin == 0) {
        h = 0;
        s = 0;
        return;
    }
    const double dDelta = nMax - nMin;
    s = int(dDelta / nMax * 255);
    double dHue;
    if (r == nMax)
        dHue = (g - b) / dDelta;
    else if (g == nMax)
        dHue = (b - r) / dDelta + 2;
    else
        dHue = (r - g) / dDelta + 4;
    dHue *= 60;
    if (dHue < 0)
        dHue += 360;
    if (dHue == 360)
        dHue = 0;
    h = int(dHue);
}

void HSBToRGB(int h, int s, int v, int& r, int& g, int& b)
{
    const double dV = v;
    const double w = dV * s / 255;
    const double m = dV - w;
    double dR, dG, dB;
    if (h <= 60) {
        dR = dV, dG = m + w * h / 60, dB = m;
    } else if (h < 120) {
        dR = m - w * (h / 60.0 - 2), dG = dV, dB = m;
    } else if (h < 180) {
        dR = m, dG = dV, dB = m + w * (h / 60.0 - 2);
    } else if (h < 240) {
        dR = m, dG = m - w * (h / 60.0 - 4), dB = dV;
    } else if (h <= 300) {
        dR = m + w * (h / 60.0 - 4), dG = m, dB = dV;
    } else {
        dR = dV, dG = m, dB = m - w * (h - 360) / 60;
    }
    r = int(dR);
    g = int(dG);
    b = int(dB);
}
