#include "skin/sk_button_paint.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>
#include <optional>

#include "skin/sk_canvas.h"
#include "skin/sk_gdi.h"

namespace torv {
namespace {

constexpr QRgb kWhite = Rgb(0xFFFFFF);
constexpr QRgb kGreyText = Rgb(0x808080);
constexpr QRgb kRed = Rgb(0xFF0000);

// Buttons smaller than this have no face to paint and show only the parent colour.
constexpr int kMinimumSide = 6;

bool SameColor(QRgb a, QRgb b)
{
    return (a & 0xFFFFFFu) == (b & 0xFFFFFFu);
}

QRgb Bl(QRgb from, QRgb to, int k)
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
    case taLeftJustify: return 8;
    case taRightJustify: return std::max(0, width - 8 - frameWidth);
    case taCenter: break;
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
            canvas.FillRect(QRect(QPoint(left, top), frame.size()), SystemColor(scBtnFace));
            canvas.DrawImage(left, top, state.glyph, frame, key);
        }
    }
    if (state.caption.isEmpty())
        return;

    const int gap = state.glyph.isNull() ? 0 : glyphWidth + 7;
    int x = 0;
    switch (state.alignment) {
    case taLeftJustify: x = 8 + gap; break;
    case taRightJustify: x = std::max(8, width - 8 - gap - captionWidth); break;
    case taCenter: x = std::max(8, gap + (width - gap - captionWidth) / 2); break;
    }
    const int y = std::max(0, (height - metrics.height()) / 2 - 1);
    const auto text = [&](int dx, int dy, QRgb color) {
        canvas.DrawText(x + dx, y + dy, state.caption, state.font, color);
    };
    switch (effect) {
    case bfLowered:
        text(-1, -1, state.shadowColor);
        text(1, 1, kWhite);
        break;
    case bfRaised:
        text(-1, -1, kWhite);
        text(1, 1, state.shadowColor);
        break;
    case bfShadow: text(1, 1, state.shadowColor); break;
    case bfNone:
    case bfAuto: break;
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

    const QPoint corners[] = {{left + 1, top},      {left, top + 1},    {right - 1, top},   {right, top + 1},
                              {left, bottom - 1},   {left + 1, bottom}, {right, bottom - 1}, {right - 1, bottom}};
    for (const QPoint& p : corners)
        canvas.SetPixel(p.x(), p.y(), Bl(canvas.Pixel(p.x(), p.y()), outline, 3));
}

void PaintFocusRing(TCanvas& canvas, const TButtonPaintState& state)
{
    const int w = canvas.Width();
    const int h = canvas.Height();
    const QRgb parent = state.colorParent;
    const QRgb p0 = state.facePalette[0];
    const QRgb p7 = state.facePalette[7];
    const QRgb p15 = state.facePalette[15];
    const bool redSelection = SameColor(state.selectionColor, kRed);
    const QRgb d = !state.focused ? Rgb(0x404040) : (redSelection ? Rgb(0x800000) : Rgb(0x000080));
    const QRgb g = state.focused ? state.selectionColor : parent;

    QRgb hi, lo, o, m, t, r;
    if (SameColor(g, parent)) {
        if (!state.down) {
            hi = Bl(p0, g, 4);
            lo = Bl(p15, g, 6);
            o = Bl(parent, lo, 5);
            m = Bl(parent, lo, 8);
            t = Bl(hi, d, 4);
            r = Bl(p7, d, 6);
        } else {
            hi = Bl(p15, g, 6);
            lo = Bl(p0, g, 4);
            o = Bl(parent, hi, 5);
            m = Bl(parent, hi, 8);
            t = Bl(p7, d, 6);
            r = Bl(lo, d, 4);
        }
    } else {
        const QRgb s = state.selectionColor;
        const QRgb k = redSelection ? kRed : Rgb(0x4C4CBF);
        const QRgb pale = Bl(kWhite, s, 4);
        hi = state.down ? k : pale;
        lo = state.down ? pale : k;
        t = state.down ? Bl(p7, d, 6) : Bl(hi, d, 4);
        r = state.down ? Bl(lo, d, 4) : Bl(p7, d, 6);
        o = Bl(parent, k, 4);
        m = Bl(parent, k, 7);
    }

    const auto pixels = [&](std::initializer_list<QPoint> points, QRgb color) {
        for (const QPoint& p : points)
            canvas.SetPixel(p.x(), p.y(), color);
    };
    pixels({{1, 1}, {1, h - 2}}, hi);
    canvas.HorzRun(2, w - 3, 0, hi);
    canvas.VertRun(0, 2, h - 3, hi);
    pixels({{2, 1}, {1, 2}, {w - 3, 1}, {1, h - 3}}, t);
    pixels({{w - 2, 1}, {w - 2, h - 2}}, lo);
    canvas.HorzRun(2, w - 3, h - 1, lo);
    canvas.VertRun(w - 1, 2, h - 3, lo);
    pixels({{w - 2, h - 3}, {w - 3, h - 2}, {2, h - 2}, {w - 2, 2}}, r);
    if (!state.down) {
        pixels({{2, h - 1}, {w - 2, 1}}, o);
        pixels({{3, h - 1}, {w - 1, 2}, {w - 3, h - 1}, {w - 1, h - 3}}, m);
    } else {
        pixels({{w - 3, 0}, {1, h - 2}}, o);
        pixels({{w - 4, 0}, {0, h - 3}, {2, 0}, {0, 2}}, m);
    }
}

}  // namespace

void PaintButtonTextured(TCanvas& canvas, const TButtonPaintState& state)
{
    canvas.FillRect(QRect(0, 0, canvas.Width(), canvas.Height()), state.colorParent);
    if (canvas.Width() < kMinimumSide || canvas.Height() < kMinimumSide)
        return;

    const bool greyedOut = !state.enabled && !state.down;
    const QRgb outline = greyedOut ? Rgb(0x727272) : Rgb(0x323232);
    TBtnKindFont effect = state.kindFont;
    if (effect == bfAuto)
        effect = state.down || greyedOut ? bfLowered : bfRaised;

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
    const QRgb face = SystemColor(scBtnFace);
    const QRgb shadow = SystemColor(scBtnShadow);
    const QRgb light = SystemColor(sc3DLight);
    canvas.FillRect(QRect(0, 0, w, h), face);

    const bool red = SameColor(state.selectionColor, kRed);
    const bool ring = state.enabled && state.focused;
    QRgb dark = shadow;
    if (ring)
        dark = red ? Rgb(0x800000) : Rgb(0x000080);
    else if (state.enabled)
        dark = Rgb(0x000000);
    if (ring) {
        const QRgb ringColor = red ? kRed : Rgb(0x0000FF);
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
    if (effect == bfAuto)
        effect = state.down ? bfLowered : bfRaised;
    PaintGlyphAndCaption(canvas, state, state.enabled, state.enabled ? state.fontColor : kGreyText, effect,
                         GlyphCopy::OnButtonFace);
}

}  // namespace torv
