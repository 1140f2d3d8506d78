#pragma once
// Enumerations shared by the skinned form, push button and caption buttons, the
// screen colour depth that chooses between textured and low-colour drawing, and the
// desktop's system colours.

#include <QRgb>

namespace torv {

// Colour scheme of the push buttons and image set of the caption buttons.
enum class TColorTexture { ctNone, ctDefault, ctTeal, ctOlive, ctBlue, ctXP, ctSilver, ctGreen, ctW2K };

// Kind of a caption button; dNone draws nothing.
enum class TDesignation { dNone, dClose, dMaximize, dMinimize, dHelp, dRestore };

// Background texture of a skinned form.
enum class TInvoiceTexture { itNone, itSand, itCanvas, itAbrasive, itGranite, itLeather };

// bNormal: pressed while held; bToggle: every press flips the pressed state.
enum class TBtnUpDownStyle { bNormal, bToggle };

// Colour of a push button's focus ring: the scheme's own or red.
enum class TKindSelect { ksDefault, ksRed };

// Effect drawn around a push button's caption.
enum class TBtnKindFont { bfNone, bfLowered, bfRaised, bfShadow, bfAuto };

// Placement of a push button's glyph and caption.
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// Caption strip style of a skinned form.
enum class TKindCaption { kcNone, kcSimple, kcEmblem, kcPoints, kcLines };

// Bits per pixel of the primary screen, read once at first use. Without a screen
// (no GUI application yet) a true-colour display is assumed.
int ScreenColorDepth();
// Replaces the value read from the screen, so that tests can choose a drawing mode.
void SetScreenColorDepthForTesting(int bitsPerPixel);
// Gradients, blends and image sets are used from 16 bits per pixel up.
bool TexturedMode(int colorDepth);
bool TexturedMode();

enum class TSystemColor { scBtnFace, scBtnShadow, sc3DLight, scHighlight, scBtnText, scWindowText };

// The current value of a system colour, taken from the application palette.
QRgb SystemColor(TSystemColor color);

// An opaque colour from its #RRGGBB value.
constexpr QRgb Rgb(unsigned rrggbb)
{
    return 0xFF000000u | (rrggbb & 0xFFFFFFu);
}

// Equal in red, green and blue, whatever the alpha.
constexpr bool SameColor(QRgb a, QRgb b)
{
    return (a & 0xFFFFFFu) == (b & 0xFFFFFFu);
}

}  // namespace torv
