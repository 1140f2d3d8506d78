#pragma once
// The drawing surface of the skin: direct pixel access to a 32-bit RGB image, with
// the few operations the skinned controls need. Nothing is antialiased, so every
// pixel is exactly the colour written and can be checked.

#include <QImage>
#include <QRect>
#include <QRgb>

#include <cstddef>
#include <optional>

class QFont;
class QString;

namespace torv {

// An entry of one of the skin's tables, indexed by a pixel coordinate, a row or a count,
// which Qt and the drawing code keep as int; the index is never negative.
template <typename Table>
constexpr decltype(auto) At(Table& table, int index)
{
    return table[static_cast<std::size_t>(index)];
}

class TCanvas {
public:
    // The image is converted to QImage::Format_RGB32 when it has another format.
    explicit TCanvas(QImage& image);

    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }

    // Pixels outside the image are ignored when set and read as black.
    void SetPixel(int x, int y, QRgb color);
    QRgb Pixel(int x, int y) const;

    // Fills the rectangle, cut to the image.
    void FillRect(const QRect& rect, QRgb color);
    // Inclusive runs of pixels; nothing is drawn when the range is empty.
    void HorzRun(int x1, int x2, int y, QRgb color);
    void VertRun(int x, int y1, int y2, QRgb color);

    // Copies `part` of `source` with its top-left corner at (x, y). Pixels equal to
    // `transparent` (compared as RGB) are left out.
    void DrawImage(int x, int y, const QImage& source, const QRect& part,
                   std::optional<QRgb> transparent = std::nullopt);

    // Draws text with its top-left corner (the top of the font's line) at (x, y),
    // without antialiasing and with a transparent background.
    void DrawText(int x, int y, const QString& text, const QFont& font, QRgb color);

private:
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < Width() && y < Height(); }
    QRgb* Row(int y) { return reinterpret_cast<QRgb*>(image_.scanLine(y)); }

    QImage& image_;
};

}  // namespace torv
