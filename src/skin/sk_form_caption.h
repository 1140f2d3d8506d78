#pragma once
// The pictures of the skinned form's caption: the caption strip of every caption
// kind, composed from pieces generated in code (caps, the diagonal transition to the
// silver button tab, the emblem, points and lines pieces, the classic bar), the
// junction bands that join the strip to the side frame, the window outline and the
// glyphs of the window menu. Every piece comes in an active and an inactive colour set.

#include <QImage>
#include <QPolygon>
#include <QRgb>

#include "skin/sk_types.h"

namespace torv {

class TCanvas;

constexpr int kCaptionHeight = 29;
constexpr int kCapWidth = 45;         // left cap, transition piece, right cap
constexpr int kKindPieceWidth = 50;   // emblem, points and lines pieces
constexpr int kClassicBarWidth = 32;  // columns 0-15 left end, 16-31 right end

enum class TCaptionPiece { cpLeftCap, cpTransition, cpRightCap, cpEmblem, cpPoints, cpLines, cpClassicBar };

// A piece, 29 rows high, generated on first use.
const QImage& CaptionPiece(TCaptionPiece piece, bool active);

// The colours that the long fills of the strip repeat, row by row: the left cap's
// last column (the blue bar) and the right cap's first column (the silver tab).
QRgb BarFillColor(int row, bool active);
QRgb TabFillColor(int row, bool active);
// The colour of a row of the classic bar between its ends.
QRgb ClassicBarColor(int row, bool active);

// The left edge of the transition piece for kcSimple, counted from the right end of
// the strip: 64 for up to one caption button, 23 more for every further one.
int TransitionOffset(int buttonCount);

// Draws the caption strip of a form `width` pixels wide at (0, 0): the pieces and
// fills of `kind` and, for every kind but kcNone, the junction bands below it.
void DrawCaptionStrip(TCanvas& canvas, int width, TKindCaption kind, bool active, int buttonCount);

// The outline of a shaped form: rounded top corners, cut by the winding rule.
QPolygon FormShapePolygon(int width, int height);

enum class TMenuGlyph { mgClose, mgHelp, mgMaximize, mgMinimize, mgRestore };

// A 16 x 16 glyph of the window menu on `background` (which may be transparent).
QImage MenuGlyph(TMenuGlyph glyph, bool enabled, QRgb background);

}  // namespace torv
