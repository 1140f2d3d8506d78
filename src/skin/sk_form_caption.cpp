#include "skin/sk_form_caption.h"

#include <QRegion>

#include <array>

#include "skin/sk_canvas.h"
#include "skin/sk_gdi.h"

namespace torv {
namespace {

constexpr int kLastRow = kCaptionHeight - 1;

// The colours of the long fills, row by row; index 0 inactive, 1 active.
constexpr unsigned kBarFill[2][kCaptionHeight] = {
    {0x8B9DC7, 0xB5C9DA, 0xB8CBDB, 0xABC5DA, 0xA4BED8, 0xA2BBD7, 0xA1B9D6, 0xA2B8D5, 0xA2B7D5, 0xA2B7D5,
     0xA2B7D5, 0xA3B8D5, 0xA3B8D5, 0xA3B8D5, 0xA3B9D6, 0xA3B9D6, 0xA2BBD7, 0xA4BCD7, 0xA5BDD8, 0xA5BFD8,
     0xA6C1D9, 0xA6C1D9, 0xA7C2DA, 0xA7C2DA, 0xA6C1D9, 0xA6C1D9, 0xA4BCD7, 0xA2B5D4, 0x8B9DC7},
    {0x535295, 0x4D9ACE, 0x4395CC, 0x4884BE, 0x4D7BB7, 0x5076B3, 0x5174B0, 0x5272AE, 0x5171AE, 0x5272AE,
     0x5272AE, 0x5272AE, 0x5272AE, 0x5272AE, 0x5173AF, 0x5075B1, 0x5275B1, 0x5177B3, 0x5179B4, 0x507AB5,
     0x507BB7, 0x4E7FBA, 0x4E7FBA, 0x4C82BC, 0x4E7FBA, 0x4D7EB9, 0x507AB5, 0x526DAB, 0x535295}};
constexpr unsigned kTabFill[2][kCaptionHeight] = {
    {0x7B8791, 0xB4B7BC, 0xE3E5E8, 0xCED1D5, 0xC2C3CA, 0xB4B7BC, 0xB4B7BC, 0xB4B7BF, 0xBABEC1, 0xBABEC1,
     0xBABEC1, 0xBABEC1, 0xBABEC4, 0xBABEC4, 0xC2C3CA, 0xC2C3CA, 0xC2C3CA, 0xC8CAD0, 0xC8CAD0, 0xCED1D5,
     0xD6D9DB, 0xD5D8DD, 0xDCDFE3, 0xDCDFE3, 0xE3E5E8, 0xE3E5E8, 0xE3E5E8, 0xCECFD6, 0xBABEC4},
    {0x787E9A, 0xB7B5C5, 0xFDFDFD, 0xD5DCE2, 0xC0C4D0, 0xB7B5C5, 0xB0AFC5, 0xB6B5C8, 0xB4BACA, 0xBABDCE,
     0xBBBFCA, 0xBBBFCA, 0xB8C4D1, 0xC0C4D0, 0xBDC9D3, 0xCCD0D8, 0xCCD0D8, 0xD1D4DC, 0xD7DBE1, 0xD5D9E0,
     0xE5E8EC, 0xEAECEF, 0xEBEBEE, 0xF7F8F9, 0xF4F6F7, 0xFDFDFD, 0xFDFDFD, 0xEBE9EC, 0xC0C4D0}};

// The bands that join the strip to the side frame, from the window's edge inwards:
// left[k] at x = k, right[k] at x = W - 1 - k. The caps' side rims use the same
// colours, so that the rim runs on from the caption into the frame.
struct TJunctionColors {
    std::array<unsigned, 5> left;
    std::array<unsigned, 5> right;
};
constexpr TJunctionColors kJunction[2] = {
    {{0x8B9DC7, 0xA4B0D2, 0xA5B5D4, 0xA2BBD7, 0x8B9DC7}, {0x7B8890, 0xC8CAD0, 0xCECFD6, 0xDCDFE3, 0xBABEC4}},
    {{0x535295, 0x5563A2, 0x546DAB, 0x5275B1, 0x535295}, {0x767D98, 0xE5E8EC, 0xEBEBEE, 0xFDFDFD, 0xC0C4D0}}};
constexpr int kJunctionTop = kCaptionHeight;
constexpr int kJunctionBottom = 38;  // the row that closes the bands
constexpr int kRimColumns = 4;       // outer edge and three shading columns

const TJunctionColors& Junction(bool active)
{
    return kJunction[active ? 1 : 0];
}

QRgb BorderColor(bool active)
{
    return Rgb(Junction(active).left[0]);
}

// The light line that sets off the silver tab from the diagonal edge.
QRgb TabHighlight(bool active)
{
    return Rgb(Junction(active).right[3]);
}

QImage NewPiece(int width)
{
    QImage piece(width, kCaptionHeight, QImage::Format_RGB32);
    piece.fill(Qt::black);
    return piece;
}

void FillRows(TCanvas& canvas, int x1, int x2, QRgb (*rowColor)(int, bool), bool active)
{
    for (int y = 0; y < kCaptionHeight; ++y)
        canvas.HorzRun(x1, x2, y, rowColor(y, active));
}

// Rounds the top corners of a cap to follow the window outline: the outline's edge
// pixels take the rim colour and the pixel next to them, inwards, a half blend.
// `outlineX` is the cap's column 0 in the outline of a window two caps wide.
void RoundTopCorner(TCanvas& canvas, int outlineX, QRgb rim)
{
    static const QRegion outline(FormShapePolygon(2 * kCapWidth, kCaptionHeight), Qt::WindingFill);
    const auto inside = [&](int x, int y) { return outline.contains(QPoint(outlineX + x, y)); };
    const auto edge = [&](int x, int y) {
        return inside(x, y) && (!inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1));
    };
    constexpr int kCornerRows = 6;
    for (int y = 1; y < kCornerRows; ++y) {
        for (int x = 0; x < kCapWidth; ++x) {
            // Pixels cut away by the outline take the rim colour too, so that nothing
            // stray shows where the shape is not applied.
            if (!inside(x, y) || edge(x, y))
                canvas.SetPixel(x, y, rim);
            else if (edge(x - 1, y) || edge(x + 1, y))
                canvas.SetPixel(x, y, BlendColor(canvas.Pixel(x, y), rim, 16, 8));
        }
    }
}

QImage MakeLeftCap(bool active)
{
    QImage piece = NewPiece(kCapWidth);
    TCanvas canvas(piece);
    FillRows(canvas, 0, kCapWidth - 1, BarFillColor, active);
    for (int x = 0; x < kRimColumns; ++x)
        canvas.VertRun(x, 1, kLastRow, Rgb(At(Junction(active).left, x)));
    RoundTopCorner(canvas, 0, BorderColor(active));
    return piece;
}

QImage MakeRightCap(bool active)
{
    QImage piece = NewPiece(kCapWidth);
    TCanvas canvas(piece);
    FillRows(canvas, 0, kCapWidth - 1, TabFillColor, active);
    for (int k = 0; k < kRimColumns; ++k)
        canvas.VertRun(kCapWidth - 1 - k, 1, kLastRow, Rgb(At(Junction(active).right, k)));
    RoundTopCorner(canvas, kCapWidth, Rgb(Junction(active).right[0]));
    return piece;
}

// Blue on the left, silver on the right, parted by a diagonal edge that climbs one
// column per row from `edgeAtBottom` in the last row.
int EdgeColumn(int edgeAtBottom, int y)
{
    return edgeAtBottom + kLastRow - y;
}

QImage MakeDiagonalPiece(int width, int edgeAtBottom, bool active)
{
    QImage piece = NewPiece(width);
    TCanvas canvas(piece);
    for (int y = 0; y < kCaptionHeight; ++y) {
        const QRgb bar = BarFillColor(y, active);
        for (int x = 0; x < width; ++x) {
            const int d = x - EdgeColumn(edgeAtBottom, y);
            QRgb color = TabFillColor(y, active);
            if (d < -1)
                color = bar;
            else if (d == -1)
                color = BlendColor(bar, BorderColor(active), 16, 8);
            else if (d == 0)
                color = BorderColor(active);
            else if (d == 1)
                color = TabHighlight(active);
            canvas.SetPixel(x, y, color);
        }
    }
    return piece;
}

constexpr int kTransitionEdge = 4;
constexpr int kKindPieceEdge = 17;

// A bevelled square on the blue part of the emblem piece, next to the edge.
void DrawEmblem(TCanvas& canvas, bool active)
{
    constexpr int kLeft = 15;
    constexpr int kTop = 10;
    constexpr int kSide = 9;
    const QRect square(kLeft, kTop, kSide, kSide);
    canvas.FillRect(square, BorderColor(active));
    canvas.FillRect(square.adjusted(1, 1, -1, -1), TabFillColor(kCaptionHeight / 2, active));
    canvas.HorzRun(kLeft + 1, kLeft + kSide - 2, kTop + 1, TabHighlight(active));
    canvas.VertRun(kLeft + 1, kTop + 1, kTop + kSide - 2, TabHighlight(active));
    canvas.HorzRun(kLeft + 2, kLeft + kSide - 2, kTop + kSide - 2, Rgb(Junction(active).right[4]));
    canvas.VertRun(kLeft + kSide - 2, kTop + 2, kTop + kSide - 2, Rgb(Junction(active).right[4]));
}

// Dots in three diagonals parallel to the edge.
void DrawPoints(TCanvas& canvas, bool active)
{
    for (int y = 4; y <= kLastRow - 4; y += 3)
        for (int d : {-5, -8, -11})
            canvas.SetPixel(EdgeColumn(kKindPieceEdge, y) + d, y, TabHighlight(active));
}

// Two strokes parallel to the edge, light with a dark side.
void DrawLines(TCanvas& canvas, bool active)
{
    for (int y = 3; y <= kLastRow - 3; ++y) {
        for (int d : {-5, -9}) {
            const int x = EdgeColumn(kKindPieceEdge, y) + d;
            canvas.SetPixel(x, y, TabHighlight(active));
            canvas.SetPixel(x - 1, y, BlendColor(BarFillColor(y, active), BorderColor(active), 16, 8));
        }
    }
}

QImage MakeKindPiece(TCaptionPiece piece, bool active)
{
    QImage image = MakeDiagonalPiece(kKindPieceWidth, kKindPieceEdge, active);
    TCanvas canvas(image);
    if (piece == TCaptionPiece::cpEmblem)
        DrawEmblem(canvas, active);
    else if (piece == TCaptionPiece::cpPoints)
        DrawPoints(canvas, active);
    else
        DrawLines(canvas, active);
    return image;
}

// The classic bar's frame colours, as the classic frame below it has them, the shadow
// under its top rim and the fill of the title.
struct TClassicColors {
    QRgb dark;
    QRgb light;
    QRgb middle;
    QRgb shadow;
    QRgb title;
};

TClassicColors ClassicColors(bool active)
{
    if (active)
        return {Rgb(0x000000), Rgb(0xFFFFFF), Rgb(0xC0C0C0), Rgb(0x808080), Rgb(0x000080)};
    return {Rgb(0x808080), Rgb(0xFFFFFF), Rgb(0xC0C0C0), Rgb(0x000000), Rgb(0x808080)};
}

constexpr int kClassicRim = 4;  // rows 0-3 on top, columns 0-3 and 28-31 on the sides
constexpr int kClassicHalf = kClassicBarWidth / 2;

// The classic bar: rows as given, its two ends carrying on the side frame's 3D rim
// (left: dark, light, middle, middle; right: middle, middle, light ... dark at the
// edge). Where the top rim meets a side rim, the top rim keeps the pixels above the
// diagonal.
QImage MakeClassicBar(bool active)
{
    const TClassicColors colors = ClassicColors(active);
    const QRgb leftRim[kClassicRim] = {colors.dark, colors.light, colors.middle, colors.middle};
    const QRgb rightRim[kClassicRim] = {colors.dark, colors.middle, colors.middle, colors.light};
    QImage piece = NewPiece(kClassicBarWidth);
    TCanvas canvas(piece);
    FillRows(canvas, 0, kClassicBarWidth - 1, ClassicBarColor, active);
    for (int y = 0; y < kCaptionHeight; ++y) {
        for (int k = 0; k < kClassicRim; ++k) {
            if (y < kClassicRim && y <= k)
                continue;
            canvas.SetPixel(k, y, leftRim[k]);
            canvas.SetPixel(kClassicBarWidth - 1 - k, y, rightRim[k]);
        }
    }
    return piece;
}

QImage MakePiece(TCaptionPiece piece, bool active)
{
    switch (piece) {
    case TCaptionPiece::cpLeftCap: return MakeLeftCap(active);
    case TCaptionPiece::cpTransition: return MakeDiagonalPiece(kCapWidth, kTransitionEdge, active);
    case TCaptionPiece::cpRightCap: return MakeRightCap(active);
    case TCaptionPiece::cpEmblem:
    case TCaptionPiece::cpPoints:
    case TCaptionPiece::cpLines: return MakeKindPiece(piece, active);
    case TCaptionPiece::cpClassicBar: break;
    }
    return MakeClassicBar(active);
}

void DrawJunction(TCanvas& canvas, int width, bool active)
{
    const TJunctionColors& colors = Junction(active);
    const int innerEdge = kRimColumns;
    for (int k = 0; k < kRimColumns; ++k) {
        canvas.VertRun(k, kJunctionTop, kJunctionBottom - 1, Rgb(At(colors.left, k)));
        canvas.VertRun(width - 1 - k, kJunctionTop, kJunctionBottom - 1, Rgb(At(colors.right, k)));
    }
    canvas.VertRun(innerEdge, kJunctionTop, kJunctionBottom, Rgb(colors.left[innerEdge]));
    canvas.HorzRun(0, innerEdge - 1, kJunctionBottom, Rgb(colors.left[innerEdge]));
    canvas.VertRun(width - 1 - innerEdge, kJunctionTop, kJunctionBottom - 1, Rgb(colors.right[innerEdge]));
    // The outer right band starts one row higher, on the strip's last row.
    canvas.SetPixel(width - 1, kJunctionTop - 1, Rgb(colors.right[0]));
    canvas.HorzRun(width - 1 - innerEdge, width - 1, kJunctionBottom, Rgb(colors.right[0]));
}

void DrawPiece(TCanvas& canvas, int x, TCaptionPiece piece, bool active)
{
    const QImage& image = CaptionPiece(piece, active);
    canvas.DrawImage(x, 0, image, image.rect());
}

void DrawClassicStrip(TCanvas& canvas, int width, bool active)
{
    const QImage& bar = CaptionPiece(TCaptionPiece::cpClassicBar, active);
    FillRows(canvas, kClassicHalf - 1, width - kClassicHalf - 1, ClassicBarColor, active);
    canvas.DrawImage(0, 0, bar, QRect(0, 0, kClassicHalf, kCaptionHeight));
    canvas.DrawImage(width - kClassicHalf, 0, bar, QRect(kClassicHalf, 0, kClassicHalf, kCaptionHeight));
}

TCaptionPiece KindPiece(TKindCaption kind)
{
    switch (kind) {
    case TKindCaption::kcEmblem: return TCaptionPiece::cpEmblem;
    case TKindCaption::kcPoints: return TCaptionPiece::cpPoints;
    case TKindCaption::kcLines:
    case TKindCaption::kcNone:
    case TKindCaption::kcSimple: break;
    }
    return TCaptionPiece::cpLines;
}

}  // namespace

const QImage& CaptionPiece(TCaptionPiece piece, bool active)
{
    constexpr int kPieceCount = static_cast<int>(TCaptionPiece::cpClassicBar) + 1;
    static const auto pieces = [] {
        std::array<std::array<QImage, kPieceCount>, 2> all;
        for (int state = 0; state < 2; ++state)
            for (int p = 0; p < kPieceCount; ++p)
                At(At(all, state), p) = MakePiece(static_cast<TCaptionPiece>(p), state == 1);
        return all;
    }();
    return At(pieces[active ? 1 : 0], static_cast<int>(piece));
}

QRgb BarFillColor(int row, bool active)
{
    return Rgb(kBarFill[active ? 1 : 0][row]);
}

QRgb TabFillColor(int row, bool active)
{
    return Rgb(kTabFill[active ? 1 : 0][row]);
}

QRgb ClassicBarColor(int row, bool active)
{
    const TClassicColors colors = ClassicColors(active);
    switch (row) {
    case 0:
    case kLastRow: return colors.dark;
    case 1:
    case 25: return colors.light;
    case 2:
    case 26:
    case 27: return colors.middle;
    case 3: return colors.shadow;
    default: break;
    }
    return colors.title;
}

int TransitionOffset(int buttonCount)
{
    constexpr int kOneButton = 64;
    constexpr int kButtonStep = 23;
    return buttonCount < 2 ? kOneButton : kOneButton + kButtonStep * (buttonCount - 1);
}

void DrawCaptionStrip(TCanvas& canvas, int width, TKindCaption kind, bool active, int buttonCount)
{
    if (kind == TKindCaption::kcNone) {
        DrawClassicStrip(canvas, width, active);
        return;
    }
    // Where the middle piece begins, and how many of its columns lie left of the
    // silver fill that follows it.
    const bool simple = kind == TKindCaption::kcSimple;
    const int middleLeft = simple ? width - TransitionOffset(buttonCount) : width - 140;
    const int middleWidth = simple ? kCapWidth : kKindPieceWidth - 1;
    FillRows(canvas, kCapWidth - 1, middleLeft - 1, BarFillColor, active);
    FillRows(canvas, middleLeft + middleWidth, width - kCapWidth - 1, TabFillColor, active);
    DrawPiece(canvas, 0, TCaptionPiece::cpLeftCap, active);
    DrawPiece(canvas, width - kCapWidth, TCaptionPiece::cpRightCap, active);
    DrawPiece(canvas, middleLeft, simple ? TCaptionPiece::cpTransition : KindPiece(kind), active);
    DrawJunction(canvas, width, active);
}

QPolygon FormShapePolygon(int width, int height)
{
    const int w = width;
    return QPolygon({QPoint(0, 5), QPoint(1, 3), QPoint(2, 2), QPoint(3, 1), QPoint(5, 0), QPoint(w - 5, 0),
                     QPoint(w - 3, 1), QPoint(w - 2, 2), QPoint(w - 1, 3), QPoint(w, 6), QPoint(w, height),
                     QPoint(0, height)});
}

// ---- Menu glyphs ----

namespace {

constexpr int kGlyphSide = 16;
constexpr QRgb kGlyphKey = Rgb(0xC0C0C0);  // the pictures' transparent colour
constexpr QRgb kInk = Rgb(0x000000);
constexpr QRgb kPaper = Rgb(0xFFFFFF);
constexpr QRgb kGrey = Rgb(0x808080);

QImage BlankPicture()
{
    QImage picture(kGlyphSide, kGlyphSide, QImage::Format_RGB32);
    picture.fill(kGlyphKey);
    return picture;
}

// A window: outline, a title bar two rows thick, white inside.
void DrawWindow(TCanvas& canvas, const QRect& frame)
{
    canvas.FillRect(frame, kInk);
    canvas.FillRect(frame.adjusted(1, 2, -1, -1), kPaper);
}

QImage ClosePicture()
{
    QImage picture = BlankPicture();
    TCanvas canvas(picture);
    for (int shift = 0; shift < 2; ++shift) {
        DrawLine(canvas, 4 + shift, 4, 12 + shift, 12, kInk);
        DrawLine(canvas, 11 + shift, 4, 3 + shift, 12, kInk);
    }
    return picture;
}

QImage MinimizePicture()
{
    QImage picture = BlankPicture();
    TCanvas canvas(picture);
    canvas.FillRect(QRect(4, 10, 8, 2), kInk);
    return picture;
}

QImage MaximizePicture()
{
    QImage picture = BlankPicture();
    TCanvas canvas(picture);
    DrawWindow(canvas, QRect(3, 3, 10, 10));
    return picture;
}

QImage RestorePicture()
{
    QImage picture = BlankPicture();
    TCanvas canvas(picture);
    DrawWindow(canvas, QRect(5, 2, 8, 7));
    DrawWindow(canvas, QRect(2, 6, 8, 7));
    return picture;
}

// A question mark: a white body with a black outline, shaded grey on its lower right.
QImage HelpPicture()
{
    QImage body = BlankPicture();
    TCanvas bodyCanvas(body);
    for (const QRect& part : {QRect(6, 2, 4, 2), QRect(4, 3, 2, 3), QRect(10, 3, 2, 4), QRect(9, 6, 2, 2),
                              QRect(7, 7, 3, 2), QRect(7, 9, 2, 1), QRect(7, 11, 2, 2)})
        bodyCanvas.FillRect(part, kPaper);
    const auto inBody = [&](int x, int y) { return bodyCanvas.Pixel(x, y) == kPaper; };

    QImage picture = body;
    TCanvas canvas(picture);
    for (int y = 0; y < kGlyphSide; ++y) {
        for (int x = 0; x < kGlyphSide; ++x) {
            if (inBody(x, y)) {
                if (!inBody(x + 1, y) || !inBody(x, y + 1))
                    canvas.SetPixel(x, y, kGrey);
            } else if (inBody(x - 1, y) || inBody(x + 1, y) || inBody(x, y - 1) || inBody(x, y + 1)) {
                canvas.SetPixel(x, y, kInk);
            }
        }
    }
    return picture;
}

// The disabled look of a black picture: its ink in grey over a white copy moved one
// pixel down and right; its white parts left out.
QImage Embossed(const QImage& picture)
{
    QImage source = picture;
    TCanvas from(source);
    QImage result = BlankPicture();
    TCanvas canvas(result);
    for (int y = 0; y < kGlyphSide; ++y)
        for (int x = 0; x < kGlyphSide; ++x)
            if (from.Pixel(x, y) == kInk)
                canvas.SetPixel(x + 1, y + 1, kPaper);
    for (int y = 0; y < kGlyphSide; ++y)
        for (int x = 0; x < kGlyphSide; ++x)
            if (from.Pixel(x, y) == kInk)
                canvas.SetPixel(x, y, kGrey);
    return result;
}

QImage GlyphPicture(TMenuGlyph glyph, bool enabled)
{
    switch (glyph) {
    case TMenuGlyph::mgClose: return ClosePicture();
    case TMenuGlyph::mgHelp: return HelpPicture();
    case TMenuGlyph::mgMaximize: return enabled ? MaximizePicture() : Embossed(MaximizePicture());
    case TMenuGlyph::mgMinimize: return enabled ? MinimizePicture() : Embossed(MinimizePicture());
    case TMenuGlyph::mgRestore: break;
    }
    return enabled ? RestorePicture() : Embossed(RestorePicture());
}

}  // namespace

QImage MenuGlyph(TMenuGlyph glyph, bool enabled, QRgb background)
{
    QImage picture = GlyphPicture(glyph, enabled);
    TCanvas pictureCanvas(picture);
    QImage result(kGlyphSide, kGlyphSide, QImage::Format_ARGB32);
    result.fill(background);
    for (int y = 0; y < kGlyphSide; ++y) {
        for (int x = 0; x < kGlyphSide; ++x) {
            const QRgb color = pictureCanvas.Pixel(x, y);
            if (color != kGlyphKey)
                result.setPixel(x, y, color);
        }
    }
    return result;
}

}  // namespace torv
