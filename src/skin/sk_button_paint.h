#pragma once
// Painting of the skinned push button, kept apart from its behaviour: everything a
// paint needs is passed in, and the result is written to a canvas.

#include <QFont>
#include <QImage>
#include <QRgb>
#include <QString>

#include <array>

#include "skin/sk_types.h"

namespace torv {

class TCanvas;

// The selection colour of ksRed, which also gives the focus ring its red look.
constexpr QRgb kRedSelection = Rgb(0xFF0000);

struct TButtonPaintState {
    bool down = false;
    bool enabled = true;
    bool focused = false;
    QRgb colorParent = 0;
    QRgb shadowColor = 0;     // caption effects
    QRgb selectionColor = 0;  // focus ring
    QRgb fontColor = 0;
    std::array<QRgb, 16> facePalette{};
    QImage glyph;  // Format_RGB32 or null
    QString caption;
    QFont font;
    TAlignment alignment = TAlignment::taCenter;
    TBtnKindFont kindFont = TBtnKindFont::bfNone;
};

// The rounded, gradient-faced look; the canvas is the whole button.
void PaintButtonTextured(TCanvas& canvas, const TButtonPaintState& state);
// A flat button in system colours with two 3-D bevels.
void PaintButtonLowColor(TCanvas& canvas, const TButtonPaintState& state);

}  // namespace torv
