#include "skin/sk_canvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QString>

#include <algorithm>

namespace torv {

TCanvas::TCanvas(QImage& image) : image_(image)
{
    if (!image_.isNull() && image_.format() != QImage::Format_RGB32)
        image_ = image_.convertToFormat(QImage::Format_RGB32);
}

void TCanvas::SetPixel(int x, int y, QRgb color)
{
    if (Inside(x, y))
        Row(y)[x] = color | 0xFF000000u;
}

QRgb TCanvas::Pixel(int x, int y) const
{
    if (!Inside(x, y))
        return qRgb(0, 0, 0);
    return reinterpret_cast<const QRgb*>(image_.constScanLine(y))[x] | 0xFF000000u;
}

void TCanvas::FillRect(const QRect& rect, QRgb color)
{
    const QRect area = rect.intersected(image_.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        std::fill_n(Row(y) + area.left(), area.width(), color | 0xFF000000u);
}

void TCanvas::HorzRun(int x1, int x2, int y, QRgb color)
{
    if (x1 <= x2)
        FillRect(QRect(QPoint(x1, y), QPoint(x2, y)), color);
}

void TCanvas::VertRun(int x, int y1, int y2, QRgb color)
{
    if (y1 <= y2)
        FillRect(QRect(QPoint(x, y1), QPoint(x, y2)), color);
}

void TCanvas::DrawImage(int x, int y, const QImage& source, const QRect& part, std::optional<QRgb> transparent)
{
    const QImage rgb = source.format() == QImage::Format_RGB32 ? source : source.convertToFormat(QImage::Format_RGB32);
    const QRect from = part.intersected(rgb.rect());
    const QRgb key = transparent.value_or(0) & 0xFFFFFFu;
    for (int sy = from.top(); sy <= from.bottom(); ++sy) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(sy));
        for (int sx = from.left(); sx <= from.right(); ++sx) {
            const QRgb color = line[sx];
            if (!transparent || (color & 0xFFFFFFu) != key)
                SetPixel(x + sx - part.left(), y + sy - part.top(), color);
        }
    }
}

void TCanvas::DrawText(int x, int y, const QString& text, const QFont& font, QRgb color)
{
    QFont aliased = font;
    aliased.setStyleStrategy(QFont::NoAntialias);
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(aliased);
    painter.setPen(QColor::fromRgb(color));
    painter.drawText(QPoint(x, y + QFontMetrics(aliased).ascent()), text);
}

}  // namespace torv
