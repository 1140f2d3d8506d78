#include "skin/sk_gdi.h"

#include "skin/sk_canvas.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace torv {

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t magnitude = (std::llabs(product) * 2 + std::llabs(c)) / (std::llabs(c) * 2);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

QRgb BlendColor(QRgb from, QRgb to, int steps, int k)
{
    if (steps < 2)
        return from;
    const auto channel = [&](int f, int t) { return std::clamp(f + MulDiv(k, t - f, steps - 1), 0, 255); };
    return qRgb(channel(qRed(from), qRed(to)), channel(qGreen(from), qGreen(to)), channel(qBlue(from), qBlue(to)));
}

void DrawLine(TCanvas& canvas, int x1, int y1, int x2, int y2, QRgb color)
{
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    int error = dx + dy;
    int x = x1;
    int y = y1;
    while (x != x2 || y != y2) {
        canvas.SetPixel(x, y, color);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += sx;
        }
        if (twice <= dx) {
            error += dx;
            y += sy;
        }
    }
}

}  // namespace torv
