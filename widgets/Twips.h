#pragma once

#include <QRect>
#include <QtMath>

// Screen sizes are designed in twips (1440 an inch); at 96 logical dpi 15 twips make a pixel.
namespace Twips {
constexpr int PerPixel = 15;
inline int toPx(double twips)
{
    return qRound(twips / PerPixel);
}
inline double fromPx(int pixels)
{
    return double(pixels) * PerPixel;
}
inline QRect rect(int left, int top, int width, int height)
{
    return QRect(toPx(left), toPx(top), toPx(width), toPx(height));
}
} // namespace Twips
