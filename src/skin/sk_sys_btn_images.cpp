#include "skin/sk_sys_btn_images.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "skin/sk_canvas.h"
#include "skin/sk_gdi.h"

namespace torv {
namespace {

constexpr int kSetCount = 8;
constexpr int kKinds = 5;  // dClose ... dRestore
constexpr int kStates = 4;
constexpr int kClassicSide = 19;
constexpr int kRoundedSide = 21;
constexpr int kMaskSide = 9;

using Mask = std::array<std::string_view, kMaskSide>;

// Symbols, '#' marking the symbol's pixels.
constexpr Mask kBoldCross = {"##.....##", "###...###", ".###.###.", "..#####..", "...###...",
                             "..#####..", ".###.###.", "###...###", "##.....##"};
constexpr Mask kThinCross = {".........", "##.....##", ".##...##.", "..##.##..", "...###...",
                             "..##.##..", ".##...##.", "##.....##", "........."};
constexpr Mask kWindow = {"#########", "#########", "#.......#", "#.......#", "#.......#",
                          "#.......#", "#.......#", "#.......#", "#########"};
constexpr Mask kBar = {".........", ".........", ".........", ".........", ".........",
                       ".........", ".........", "######...", "######..."};
constexpr Mask kQuestion = {"..####...", ".##..##..", ".....##..", "....##...", "...##....",
                            "...##....", ".........", "...##....", "...##...."};
constexpr Mask kTwoWindows = {"..#######", "..#######", "..#.....#", "#######.#", "#######.#",
                              "#.....###", "#.....#..", "#.....#..", "#######.."};

const Mask& SymbolMask(TDesignation designation, bool classic)
{
    switch (designation) {
    case TDesignation::dMaximize: return kWindow;
    case TDesignation::dMinimize: return kBar;
    case TDesignation::dHelp: return kQuestion;
    case TDesignation::dRestore: return kTwoWindows;
    case TDesignation::dClose:
    case TDesignation::dNone: break;
    }
    return classic ? kThinCross : kBoldCross;
}

bool InMask(const Mask& mask, int x, int y)
{
    return x >= 0 && y >= 0 && x < kMaskSide && y < kMaskSide && At(At(mask, y), x) == '#';
}

void DrawMask(TCanvas& canvas, const Mask& mask, int left, int top, QRgb color)
{
    for (int y = 0; y < kMaskSide; ++y)
        for (int x = 0; x < kMaskSide; ++x)
            if (InMask(mask, x, y))
                canvas.SetPixel(left + x, top + y, color);
}

// Classic set: a flat grey square with a two-pixel 3-D rim, sunken when pressed.
QImage ClassicImage(TDesignation designation, TSysBtnState state)
{
    QImage image(kClassicSide, kClassicSide, QImage::Format_RGB32);
    TCanvas canvas(image);
    const int last = kClassicSide - 1;
    const bool sunken = state == TSysBtnState::sbPressed;
    const QRgb outerLit = sunken ? Rgb(0x404040) : Rgb(0xFFFFFF);
    const QRgb innerLit = sunken ? Rgb(0x808080) : Rgb(0xDFDFDF);
    const QRgb outerShaded = sunken ? Rgb(0xFFFFFF) : Rgb(0x404040);
    const QRgb innerShaded = sunken ? Rgb(0xDFDFDF) : Rgb(0x808080);
    canvas.FillRect(image.rect(), Rgb(0xC0C0C0));
    canvas.HorzRun(0, last, last, outerShaded);
    canvas.VertRun(last, 0, last, outerShaded);
    canvas.HorzRun(0, last - 1, 0, outerLit);
    canvas.VertRun(0, 0, last - 1, outerLit);
    canvas.HorzRun(1, last - 1, last - 1, innerShaded);
    canvas.VertRun(last - 1, 1, last - 1, innerShaded);
    canvas.HorzRun(1, last - 2, 1, innerLit);
    canvas.VertRun(1, 1, last - 2, innerLit);

    const Mask& mask = SymbolMask(designation, true);
    const int origin = (kClassicSide - kMaskSide) / 2 + (sunken ? 1 : 0);
    if (state == TSysBtnState::sbDisabled) {
        DrawMask(canvas, mask, origin + 1, origin + 1, Rgb(0xFFFFFF));
        DrawMask(canvas, mask, origin, origin, Rgb(0x808080));
        return image;
    }
    QRgb symbol = Rgb(0x000000);
    if (designation == TDesignation::dClose && state != TSysBtnState::sbPressed)
        symbol = state == TSysBtnState::sbHot ? Rgb(0xFF0000) : Rgb(0x800000);
    else if (designation == TDesignation::dHelp && state != TSysBtnState::sbPressed)
        symbol = Rgb(0x0000C0);
    DrawMask(canvas, mask, origin, origin, symbol);
    return image;
}

struct Gradient {
    QRgb top;
    QRgb bottom;
};

// Colours of one kind of rounded button in one set.
struct RoundedLook {
    Gradient normal;
    Gradient hot;
    Gradient pressed;
    QRgb symbol;
};

constexpr RoundedLook kCloseLook = {
    {Rgb(0xE9B599), Rgb(0xCC5A62)}, {Rgb(0xF5CDB5), Rgb(0xDE6E72)}, {Rgb(0xE96C59), Rgb(0xF7C8A2)}, Rgb(0xF7F5F5)};
constexpr Gradient kDisabledFace = {Rgb(0xCDCDCC), Rgb(0xA0A0A5)};
constexpr QRgb kDisabledSymbol = Rgb(0xEDEDF0);

// The other kinds take the scheme's colour; index = image set - 1.
constexpr std::array<RoundedLook, 7> kSchemeLooks = {{
    {{Rgb(0xB4CCF6), Rgb(0x3563C9)}, {Rgb(0xD0E0FB), Rgb(0x4D7FE0)}, {Rgb(0x2F58B4), Rgb(0xA9C3F2)}, Rgb(0xFFFFFF)},
    {{Rgb(0xCDE6E6), Rgb(0x4F9191)}, {Rgb(0xE0F2F2), Rgb(0x62A8A8)}, {Rgb(0x457F7F), Rgb(0xC3E0E0)}, Rgb(0xFFFFFF)},
    {{Rgb(0xE0E0C0), Rgb(0x8A8A58)}, {Rgb(0xEEEED6), Rgb(0xA0A068)}, {Rgb(0x77774A), Rgb(0xD8D8B5)}, Rgb(0xFFFFFF)},
    {{Rgb(0xD4D4EE), Rgb(0x6464AA)}, {Rgb(0xE6E6F8), Rgb(0x7A7AC4)}, {Rgb(0x56569A), Rgb(0xCACAEC)}, Rgb(0xFFFFFF)},
    {{Rgb(0xA3C0F8), Rgb(0x1E56DB)}, {Rgb(0xBBD2FB), Rgb(0x2F6CF0)}, {Rgb(0x1A49BE), Rgb(0x98B7F3)}, Rgb(0xFFFFFF)},
    {{Rgb(0xEDE4EE), Rgb(0xA7A7BE)}, {Rgb(0xF6F6F7), Rgb(0xB0B0CE)}, {Rgb(0x9E9EB6), Rgb(0xE4E4F7)}, Rgb(0x3E3E55)},
    {{Rgb(0xD2EBD2), Rgb(0x4E8E4E)}, {Rgb(0xE4F4E4), Rgb(0x62A862)}, {Rgb(0x437C43), Rgb(0xC6E2C6)}, Rgb(0xFFFFFF)},
}};

// The caption strip's silver tab behind the buttons (rows 5 to 25 of the strip), so the
// rounded corners blend into it; the inactive strip is paler.
constexpr std::array<QRgb, kRoundedSide> kTabActive = {
    Rgb(0xB7B5C5), Rgb(0xB0AFC5), Rgb(0xB6B5C8), Rgb(0xB4BACA), Rgb(0xBABDCE), Rgb(0xBBBFCA), Rgb(0xBBBFCA),
    Rgb(0xB8C4D1), Rgb(0xC0C4D0), Rgb(0xBDC9D3), Rgb(0xCCD0D8), Rgb(0xCCD0D8), Rgb(0xD1D4DC), Rgb(0xD7DBE1),
    Rgb(0xD5D9E0), Rgb(0xE5E8EC), Rgb(0xEAECEF), Rgb(0xEBEBEE), Rgb(0xF7F8F9), Rgb(0xF4F6F7), Rgb(0xFDFDFD)};
constexpr std::array<QRgb, kRoundedSide> kTabInactive = {
    Rgb(0xB4B7BC), Rgb(0xB4B7BC), Rgb(0xB4B7BF), Rgb(0xBABEC1), Rgb(0xBABEC1), Rgb(0xBABEC1), Rgb(0xBABEC1),
    Rgb(0xBABEC4), Rgb(0xBABEC4), Rgb(0xC2C3CA), Rgb(0xC2C3CA), Rgb(0xC2C3CA), Rgb(0xC8CAD0), Rgb(0xC8CAD0),
    Rgb(0xCED1D5), Rgb(0xD6D9DB), Rgb(0xD5D8DD), Rgb(0xDCDFE3), Rgb(0xDCDFE3), Rgb(0xE3E5E8), Rgb(0xE3E5E8)};

// Moves `part` sixteenths of the way from `from` to `to`.
QRgb Mix(QRgb from, QRgb to, int part)
{
    return BlendColor(from, to, 17, part);
}

// The face colour of row `y` (2 ... 18): a glossy gradient that keeps close to the top
// colour over the upper part and falls off towards the bottom colour below it.
QRgb FaceColor(const Gradient& gradient, int y)
{
    constexpr int kFirst = 2;
    constexpr int kLast = kRoundedSide - 3;
    constexpr int kKnee = 9;  // last row of the light upper part
    const int row = std::clamp(y, kFirst, kLast);
    if (row <= kKnee)
        return BlendColor(gradient.top, gradient.bottom, 3 * (kKnee - kFirst) + 1, row - kFirst);
    const QRgb kneeColor = BlendColor(gradient.top, gradient.bottom, 4, 1);  // a third of the way
    return BlendColor(kneeColor, gradient.bottom, kLast - kKnee + 1, row - kKnee);
}

QImage RoundedImage(int imageSet, TDesignation designation, TSysBtnState state)
{
    const RoundedLook& look = designation == TDesignation::dClose ? kCloseLook : At(kSchemeLooks, imageSet - 1);
    Gradient face = look.normal;
    if (state == TSysBtnState::sbHot)
        face = look.hot;
    else if (state == TSysBtnState::sbPressed)
        face = look.pressed;
    else if (state == TSysBtnState::sbDisabled)
        face = kDisabledFace;
    const QRgb symbol = state == TSysBtnState::sbDisabled ? kDisabledSymbol : look.symbol;
    const std::array<QRgb, kRoundedSide>& tab = state == TSysBtnState::sbDisabled ? kTabInactive : kTabActive;
    const QRgb border =
        Mix(state == TSysBtnState::sbDisabled ? kDisabledFace.bottom : look.normal.bottom, Rgb(0x000000), 6);

    QImage image(kRoundedSide, kRoundedSide, QImage::Format_RGB32);
    TCanvas canvas(image);
    const int last = kRoundedSide - 1;
    for (int y = 0; y <= last; ++y) {
        const QRgb faceColor = FaceColor(face, y);
        canvas.HorzRun(0, last, y, faceColor);
        // Light inner rim: stronger along the top and left than along the bottom and right.
        const QRgb lit = Mix(faceColor, Rgb(0xFFFFFF), 9);
        const QRgb shaded = Mix(faceColor, Rgb(0xFFFFFF), 4);
        if (y == 1)
            canvas.HorzRun(2, last - 2, y, lit);
        else if (y == last - 1)
            canvas.HorzRun(2, last - 2, y, shaded);
        else if (y >= 2 && y <= last - 2) {
            canvas.SetPixel(1, y, lit);
            canvas.SetPixel(last - 1, y, shaded);
        }
    }
    // Dark border with rounded corners that fade into the tab behind them.
    canvas.HorzRun(2, last - 2, 0, border);
    canvas.HorzRun(2, last - 2, last, border);
    canvas.VertRun(0, 2, last - 2, border);
    canvas.VertRun(last, 2, last - 2, border);
    for (const auto& [x, y] : {std::pair{1, 1}, {last - 1, 1}, {1, last - 1}, {last - 1, last - 1}})
        canvas.SetPixel(x, y, border);
    for (const auto& [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}})
        canvas.SetPixel(x, y, At(tab, y));
    for (const auto& [x, y] : {std::pair{1, 0},
                               {0, 1},
                               {last - 1, 0},
                               {last, 1},
                               {0, last - 1},
                               {1, last},
                               {last, last - 1},
                               {last - 1, last}})
        canvas.SetPixel(x, y, Mix(At(tab, y), border, 6));

    // Symbol with a soft drop shadow (a light glow under dark symbols).
    const Mask& mask = SymbolMask(designation, false);
    const int origin = (kRoundedSide - kMaskSide) / 2;
    const bool darkSymbol = qGray(symbol) < 128;
    for (int y = 0; y < kMaskSide; ++y) {
        for (int x = 0; x < kMaskSide; ++x) {
            if (!InMask(mask, x, y) && InMask(mask, x - 1, y - 1)) {
                const int px = origin + x;
                const int py = origin + y;
                canvas.SetPixel(px, py, Mix(canvas.Pixel(px, py), darkSymbol ? Rgb(0xFFFFFF) : Rgb(0x000000), 5));
            }
        }
    }
    DrawMask(canvas, mask, origin, origin, symbol);
    return image;
}

using ImageSet = std::array<QImage, kKinds * kStates>;

// The place of an image in its set: the kinds dClose to dRestore, each in its four states.
int ImageIndex(TDesignation designation, TSysBtnState state)
{
    const int kind = static_cast<int>(designation) - static_cast<int>(TDesignation::dClose);
    return kind * kStates + static_cast<int>(state) - static_cast<int>(TSysBtnState::sbNormal);
}

const std::array<ImageSet, kSetCount>& ImageSets()
{
    static const std::array<ImageSet, kSetCount> sets = [] {
        std::array<ImageSet, kSetCount> all;
        for (int set = 0; set < kSetCount; ++set) {
            for (int kind = 0; kind < kKinds; ++kind) {
                for (int state = 0; state < kStates; ++state) {
                    const auto designation = static_cast<TDesignation>(static_cast<int>(TDesignation::dClose) + kind);
                    const auto look = static_cast<TSysBtnState>(static_cast<int>(TSysBtnState::sbNormal) + state);
                    At(At(all, set), ImageIndex(designation, look)) =
                        set == 0 ? ClassicImage(designation, look) : RoundedImage(set, designation, look);
                }
            }
        }
        return all;
    }();
    return sets;
}

}  // namespace

int SysBtnImageSet(TColorTexture texture)
{
    switch (texture) {
    case TColorTexture::ctNone: return 0;
    case TColorTexture::ctDefault:
    case TColorTexture::ctW2K: return 1;
    case TColorTexture::ctTeal: return 2;
    case TColorTexture::ctOlive: return 3;
    case TColorTexture::ctBlue: return 4;
    case TColorTexture::ctXP: return 5;
    case TColorTexture::ctSilver: return 6;
    case TColorTexture::ctGreen: return 7;
    }
    return 1;
}

int SysBtnImageSide(TColorTexture texture)
{
    return SysBtnImageSet(texture) == 0 ? kClassicSide : kRoundedSide;
}

const QImage& SysBtnImage(TColorTexture texture, TDesignation designation, TSysBtnState state)
{
    static const QImage none;
    if (designation < TDesignation::dClose || designation > TDesignation::dRestore || state < TSysBtnState::sbNormal ||
        state > TSysBtnState::sbDisabled)
        return none;
    return At(At(ImageSets(), SysBtnImageSet(texture)), ImageIndex(designation, state));
}

}  // namespace torv
