#pragma once
// The skin's two drawing primitives: a colour blend and a one-pixel line.

#include <QRgb>

namespace torv {

class TCanvas;

// a * b / c rounded to the nearest integer, halves away from zero; -1 when c is 0.
int MulDiv(int a, int b, int c);

// Moves k of (steps - 1) parts of the way from `from` to `to`, channel by channel.
// The library calls it with steps = 16 and k between 3 and 8. Fewer than two steps
// leave `from` unchanged.
QRgb BlendColor(QRgb from, QRgb to, int steps, int k);

// A solid one-pixel line from (x1, y1) towards (x2, y2), in any direction; the end
// point itself is not painted.
void DrawLine(TCanvas& canvas, int x1, int y1, int x2, int y2, QRgb color);

}  // namespace torv
