#include "skin/sk_button_paint.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>
#include <optional>

#include "skin/sk_canvas.h"
#include "skin/sk_gdi.h"

namespace torv {
namespace {

constexpr QRgb kWhite = Rgb(0xFFFFFF);  // caption effects, low-colour bevels, the lit side of a focus ring
constexpr QRgb kGreyText = Rgb(0x808080);
constexpr QRgb kOutline = Rgb(0x323232);
constexpr QRgb kGreyedOutline = Rgb(0x727272);
// The dark tone of a focused button: of its ring, and of its bevels in low-colour mode.
constexpr QRgb kFocusedDarkBlue = Rgb(0x000080);
constexpr QRgb kFocusedDarkRed = Rgb(0x800000);  // with the red selection
// The dark tone of the ring of a button without the focus.
constexpr QRgb kUnfocusedRingDark = Rgb(0x404040);
// The ring's shaded side in focus when the selection colour is not red.
constexpr QRgb kFocusedRingBlue = Rgb(0x4C4CBF);
// Low-colour mode: the focus rectangle, and the dark side of an enabled button's bevels.
constexpr QRgb kLowColorFocusBlue = Rgb(0x0000FF);
constexpr QRgb kLowColorBevelDark = Rgb(0x000000);

// Buttons smaller than this have no face to paint and show only the parent colour.
constexpr int kMinimumSide = 6;

// k steps of the 16-step blend from `from` towards `to`.
QRgb BlendStep(QRgb from, QRgb to, int k)
{
    return BlendColor(from, to, 16, k);
}

// The glyph's enabled and disabled frames: a picture exactly twice as wide as high
// holds both side by side, any other picture is one frame for both looks.
QRect GlyphFrame(const QImage& glyph, bool enabledFrame)
{
    if (glyph.width() == 2 * glyph.height()) {
        const int side = glyph.height();
        return QRect(enabledFrame ? 0 : side, 0, side, side);
    }
    return glyph.rect();
}

QRgb GlyphTransparentColor(const QImage& glyph)
{
    return glyph.pixel(0, glyph.height() - 1);
}

int GlyphLeft(const TButtonPaintState& state, int width, int frameWidth, int captionWidth)
{
    if (state.caption.isEmpty())
        return (width - frameWidth) / 2;
    switch (state.alignment) {
    case TAlignment::taLeftJustify: return 8;
    case TAlignment::taRightJustify: return std::max(0, width - 8 - frameWidth);
    case TAlignment::taCenter: break;
    }
    return std::max(8, (width - frameWidth - captionWidth - 7) / 2);
}

// Places the glyph frame and the caption with its effect. `glyphCopy` says how the
// frame is copied: transparently (textured mode), or opaquely with its transparent
// pixels in the button-face colour (low-colour mode).
enum class GlyphCopy { Transparent, OnButtonFace };

void PaintGlyphAndCaption(TCanvas& canvas, const TButtonPaintState& state, bool enabledFrame, QRgb captionColor,
                          TBtnKindFont effect, GlyphCopy glyphCopy)
{
    const int width = canvas.Width();
    const int height = canvas.Height();
    const QFontMetrics metrics(state.font);
    const int captionWidth = state.caption.isEmpty() ? 0 : metrics.horizontalAdvance(state.caption);
    int glyphWidth = 0;
    if (!state.glyph.isNull()) {
        const QRect frame = GlyphFrame(state.glyph, enabledFrame);
        glyphWidth = frame.width();
        const int left = GlyphLeft(state, width, frame.width(), captionWidth);
        const int top = (height - frame.height()) / 2;
        const QRgb key = GlyphTransparentColor(state.glyph);
        if (glyphCopy == GlyphCopy::Transparent) {
            canvas.DrawImage(left, top, state.glyph, frame, key);
        } else {
            canvas.FillRect(QRect(QPoint(left, top), frame.size()), SystemColor(TSystemColor::scBtnFace));
            canvas.DrawImage(left, top, state.glyph, frame, key);
        }
    }
    if (state.caption.isEmpty())
        return;

    const int gap = state.glyph.isNull() ? 0 : glyphWidth + 7;
    int x = 0;
    switch (state.alignment) {
    case TAlignment::taLeftJustify: x = 8 + gap; break;
    case TAlignment::taRightJustify: x = std::max(8, width - 8 - gap - captionWidth); break;
    case TAlignment::taCenter: x = std::max(8, gap + (width - gap - captionWidth) / 2); break;
    }
    const int y = std::max(0, (height - metrics.height()) / 2 - 1);
    const auto text = [&](int dx, int dy, QRgb color) {
        canvas.DrawText(x + dx, y + dy, state.caption, state.font, color);
    };
    switch (effect) {
    case TBtnKindFont::bfLowered:
        text(-1, -1, state.shadowColor);
        text(1, 1, kWhite);
        break;
    case TBtnKindFont::bfRaised:
        text(-1, -1, kWhite);
        text(1, 1, state.shadowColor);
        break;
    case TBtnKindFont::bfShadow: text(1, 1, state.shadowColor); break;
    case TBtnKindFont::bfNone:
    case TBtnKindFont::bfAuto: break;
    }
    text(0, 0, captionColor);
}

void PaintOutline(TCanvas& canvas, QRgb color)
{
    const int right = canvas.Width() - 2;
    const int bottom = canvas.Height() - 2;
    canvas.HorzRun(3, right - 2, 1, color);
    canvas.HorzRun(3, right - 2, bottom, color);
    canvas.VertRun(1, 3, bottom - 2, color);
    canvas.VertRun(right, 3, bottom - 2, color);
    canvas.SetPixel(2, 2, color);
    canvas.SetPixel(right - 1, 2, color);
    canvas.SetPixel(2, bottom - 1, color);
    canvas.SetPixel(right - 1, bottom - 1, color);
}

void PaintFace(TCanvas& canvas, const std::array<QRgb, 16>& palette, bool pressed, QRgb outline)
{
    const int left = 2;
    const int top = 2;
    const int right = canvas.Width() - 3;
    const int bottom = canvas.Height() - 3;
    const int h = bottom - top;
    const int cap = std::min(h + 3, 12);
    const int steps = static_cast<int>(std::lround(static_cast<double>(h) / (cap - 3)));
    const auto entry = [&](int index) { return palette[static_cast<std::size_t>(std::clamp(index, 0, 15))]; };

    // Rim rows: the lit edge is at the top when up and at the bottom when pressed.
    const int litRow = pressed ? bottom : top;
    const int shadedRow = pressed ? top : bottom;
    const int step = pressed ? -1 : 1;
    canvas.HorzRun(left + 1, right - 1, litRow, entry(0));
    canvas.HorzRun(left, right, litRow + step, entry(1));
    canvas.HorzRun(left + 1, right - 1, shadedRow, entry(cap + 3));
    canvas.HorzRun(left, right, shadedRow - step, entry(cap + 2));
    canvas.VertRun(left, top + 1, bottom - 2, entry(pressed ? cap + 2 : 1));
    canvas.VertRun(right, top + 2, bottom - 2, entry(pressed ? 1 : cap + 2));

    int index = 3;
    int counter = 0;
    for (int row = 2; row <= h - 2; ++row) {
        if (++counter == steps) {
            ++index;
            counter = 0;
        }
        canvas.HorzRun(left + 1, right - 1, pressed ? top + h - row : top + row, entry(index));
    }

    const QPoint corners[] = {{left + 1, top},    {left, top + 1},    {right - 1, top},    {right, top + 1},
                              {left, bottom - 1}, {left + 1, bottom}, {right, bottom - 1}, {right - 1, bottom}};
    for (const QPoint& p : corners)
        canvas.SetPixel(p.x(), p.y(), BlendStep(canvas.Pixel(p.x(), p.y()), outline, 3));
}

// The colours of the focus ring, by the side of the button they belong to: the lit
// side, the shaded side, the pixels at the ends of each side, and two blends that fade
// the ring into the parent colour at its corners.
struct TFocusRingColors {
    QRgb lit;
    QRgb shaded;
    QRgb litEnds;
    QRgb shadedEnds;
    QRgb fade;      // mostly the parent colour
    QRgb halfFade;  // half way to the ring
};

TFocusRingColors FocusRingColors(const TButtonPaintState& state)
{
    const QRgb parent = state.colorParent;
    const QRgb lightestFace = state.facePalette[0];
    const QRgb middleFace = state.facePalette[7];
    const QRgb darkestFace = state.facePalette[15];
    const bool redSelection = SameColor(state.selectionColor, kRedSelection);
    // The dark tone the ends of the sides are blended with.
    QRgb dark = kUnfocusedRingDark;
    if (state.focused)
        dark = redSelection ? kFocusedDarkRed : kFocusedDarkBlue;

    TFocusRingColors ring;
    // Without the focus, or with a selection colour equal to the parent colour, the
    // ring carries the face's own light and dark on into the parent colour.
    const QRgb base = state.focused ? state.selectionColor : parent;
    if (SameColor(base, parent)) {
        ring.lit = BlendStep(lightestFace, base, 4);
        ring.shaded = BlendStep(darkestFace, base, 6);
        ring.fade = BlendStep(parent, ring.shaded, 5);
        ring.halfFade = BlendStep(parent, ring.shaded, 8);
    } else {
        ring.lit = BlendStep(kWhite, state.selectionColor, 4);
        ring.shaded = redSelection ? kRedSelection : kFocusedRingBlue;
        ring.fade = BlendStep(parent, ring.shaded, 4);
        ring.halfFade = BlendStep(parent, ring.shaded, 7);
    }
    ring.litEnds = BlendStep(ring.lit, dark, 4);
    ring.shadedEnds = BlendStep(middleFace, dark, 6);
    return ring;
}

// The ring on the outermost pixels around the outline. Up, the top and left sides are
// lit; pressed, the bottom and right sides are.
void PaintFocusRing(TCanvas& canvas, const TButtonPaintState& state)
{
    const int w = canvas.Width();
    const int h = canvas.Height();
    const TFocusRingColors ring = FocusRingColors(state);
    const QRgb topLeft = state.down ? ring.shaded : ring.lit;
    const QRgb topLeftEnds = state.down ? ring.shadedEnds : ring.litEnds;
    const QRgb bottomRight = state.down ? ring.lit : ring.shaded;
    const QRgb bottomRightEnds = state.down ? ring.litEnds : ring.shadedEnds;

    const auto pixels = [&](std::initializer_list<QPoint> points, QRgb color) {
        for (const QPoint& p : points)
            canvas.SetPixel(p.x(), p.y(), color);
    };
    pixels({{1, 1}, {1, h - 2}}, topLeft);
    canvas.HorzRun(2, w - 3, 0, topLeft);
    canvas.VertRun(0, 2, h - 3, topLeft);
    pixels({{2, 1}, {1, 2}, {w - 3, 1}, {1, h - 3}}, topLeftEnds);
    pixels({{w - 2, 1}, {w - 2, h - 2}}, bottomRight);
    canvas.HorzRun(2, w - 3, h - 1, bottomRight);
    canvas.VertRun(w - 1, 2, h - 3, bottomRight);
    pixels({{w - 2, h - 3}, {w - 3, h - 2}, {2, h - 2}, {w - 2, 2}}, bottomRightEnds);
    // The corners fade on the shaded side.
    if (!state.down) {
        pixels({{2, h - 1}, {w - 2, 1}}, ring.fade);
        pixels({{3, h - 1}, {w - 1, 2}, {w - 3, h - 1}, {w - 1, h - 3}}, ring.halfFade);
    } else {
        pixels({{w - 3, 0}, {1, h - 2}}, ring.fade);
        pixels({{w - 4, 0}, {0, h - 3}, {2, 0}, {0, 2}}, ring.halfFade);
    }
}

}  // namespace

void PaintButtonTextured(TCanvas& canvas, const TButtonPaintState& state)
{
    canvas.FillRect(QRect(0, 0, canvas.Width(), canvas.Height()), state.colorParent);
    if (canvas.Width() < kMinimumSide || canvas.Height() < kMinimumSide)
        return;

    const bool greyedOut = !state.enabled && !state.down;
    const QRgb outline = greyedOut ? kGreyedOutline : kOutline;
    TBtnKindFont effect = state.kindFont;
    if (effect == TBtnKindFont::bfAuto)
        effect = state.down || greyedOut ? TBtnKindFont::bfLowered : TBtnKindFont::bfRaised;

    PaintOutline(canvas, outline);
    PaintFace(canvas, state.facePalette, state.down, outline);
    PaintGlyphAndCaption(canvas, state, !greyedOut, greyedOut ? kGreyText : state.fontColor, effect,
                         GlyphCopy::Transparent);
    if (state.enabled)
        PaintFocusRing(canvas, state);
}

void PaintButtonLowColor(TCanvas& canvas, const TButtonPaintState& state)
{
    const int w = canvas.Width();
    const int h = canvas.Height();
    const QRgb face = SystemColor(TSystemColor::scBtnFace);
    const QRgb shadow = SystemColor(TSystemColor::scBtnShadow);
    const QRgb light = SystemColor(TSystemColor::sc3DLight);
    canvas.FillRect(QRect(0, 0, w, h), face);

    const bool red = SameColor(state.selectionColor, kRedSelection);
    const bool ring = state.enabled && state.focused;
    QRgb dark = shadow;
    if (ring)
        dark = red ? kFocusedDarkRed : kFocusedDarkBlue;
    else if (state.enabled)
        dark = kLowColorBevelDark;
    if (ring) {
        const QRgb ringColor = red ? kRedSelection : kLowColorFocusBlue;
        canvas.HorzRun(0, w - 1, 0, ringColor);
        canvas.HorzRun(0, w - 1, h - 1, ringColor);
        canvas.VertRun(0, 0, h - 1, ringColor);
        canvas.VertRun(w - 1, 0, h - 1, ringColor);
    }

    const QRgb outerLit = state.down ? dark : kWhite;
    const QRgb outerShaded = state.down ? kWhite : dark;
    const QRgb innerLit = state.down ? shadow : light;
    const QRgb innerShaded = state.down ? light : shadow;
    canvas.HorzRun(1, w - 3, 1, outerLit);
    canvas.VertRun(1, 1, h - 2, outerLit);
    canvas.HorzRun(2, w - 2, h - 2, outerShaded);
    canvas.VertRun(w - 2, 1, h - 3, outerShaded);
    canvas.HorzRun(2, w - 4, 2, innerLit);
    canvas.VertRun(2, 2, h - 3, innerLit);
    canvas.HorzRun(3, w - 3, h - 3, innerShaded);
    canvas.VertRun(w - 3, 2, h - 4, innerShaded);

    TBtnKindFont effect = state.kindFont;
    if (effect == TBtnKindFont::bfAuto)
        effect = state.down ? TBtnKindFont::bfLowered : TBtnKindFont::bfRaised;
    PaintGlyphAndCaption(canvas, state, state.enabled, state.enabled ? state.fontColor : kGreyText, effect,
                         GlyphCopy::OnButtonFace);
}

}  // namespace torv
